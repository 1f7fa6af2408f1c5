"""Builds the dibdraw package from the checkout it lies in.

The engine's shared libraries (libdibdraw32, libmemkit40 and the virtual
display libvdisplay) are built with CMake from the repository root, one
folder up, into build/python there, and copied into the package with the
ctypes declarations of docs/bindings, so that the installed package needs
nothing outside itself. Nothing is downloaded: pip runs this with
--no-index --no-build-isolation against Debian's setuptools.
"""
import os
import re
import shutil
import subprocess
from pathlib import Path

from setuptools import Distribution, setup
from setuptools.command.build_py import build_py

ROOT = Path(__file__).resolve().parent.parent
LIBRARIES = ("libdibdraw32.so.1", "libmemkit40.so.1", "libvdisplay.so.1")


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(dibdraw32 VERSION ([0-9.]+)", text).group(1)


class BuildWithEngine(build_py):
    """Builds the engine's libraries and puts them into the package."""

    def run(self):
        super().run()
        if not (ROOT / "CMakeLists.txt").exists():
            raise SystemExit(f"dibdraw: {ROOT} is not a dibdraw32 checkout; install from the checkout's python/ folder")
        build = ROOT / "build" / "python"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DDIBDRAW_TESTS=OFF", "-DDIBDRAW_BENCH=OFF", "-DDIBDRAW_TOOLS=OFF"]
        subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
        jobs = str(os.cpu_count() or 2)
        subprocess.run(["cmake", "--build", str(build), "--target", "dibdraw32", "-j", jobs], check=True)
        package = Path(self.build_lib) / "dibdraw"
        libraries = package / "_libs"
        libraries.mkdir(parents=True, exist_ok=True)
        for name in LIBRARIES:
            found = next(build.rglob(name), None)
            if found is None:
                raise SystemExit(f"dibdraw: the build made no {name}")
            shutil.copyfile(found.resolve(), libraries / name)
        shutil.copyfile(ROOT / "docs" / "bindings" / "dibdraw32_ctypes.py", package / "_bindings.py")


class EngineDistribution(Distribution):
    """The package carries compiled libraries, so its wheel is for this platform only."""

    def has_ext_modules(self):
        return True


setup(version=project_version(), cmdclass={"build_py": BuildWithEngine}, distclass=EngineDistribution)
