"""What the package's tests share: the dibdraw tool as the reference, the
test images, and a check that every test leaves the engine's heap and the
virtual display's GDI objects as it found them."""
import ctypes
import os
import subprocess
from pathlib import Path

import numpy as np
import pytest
from PIL import Image

import dibdraw
from dibdraw import _native


def live_gdi_objects():
    counts = [ctypes.c_int() for _ in range(3)]
    _native.display.VdCountLiveObjects(*[ctypes.byref(c) for c in counts])
    return [c.value for c in counts]


@pytest.fixture(autouse=True)
def nothing_leaks():
    blocks, gdi = dibdraw.live_blocks(), live_gdi_objects()
    yield
    assert dibdraw.live_blocks() == blocks, "heap blocks leaked"
    assert live_gdi_objects()[1:] == gdi[1:], "palettes or bitmaps leaked"
    assert live_gdi_objects()[0] == 0, "device contexts leaked"


def tool_path():
    path = os.environ.get("DIBDRAW_TOOL")
    if not path or not Path(path).exists():
        pytest.fail("DIBDRAW_TOOL must name the dibdraw tool of a Linux build (scripts/test.sh sets it)")
    return path


def tool_arguments(display="8", dither=1, palette=None, realize=None, size=None, src=None, background=None,
                   transparent=None, system_palette=None, work=None):
    """render()'s options as the tool's command line, render()'s own
    defaults (display 8, dither 1) given explicitly."""
    args = []
    for name, value in (("--display", display), ("--dither", dither), ("--palette", palette),
                        ("--realize", realize)):
        if value is not None:
            args += [name, str(value)]
    if size is not None:
        args += ["--size", "x".join("" if side in (0, None) else str(side) for side in size)]
    if src is not None:
        args += ["--src", ",".join(map(str, src))]
    if background is not None:
        args += ["--background", ",".join(map(str, background))]
    if transparent is not None:
        colours = (transparent,) if isinstance(transparent, int) else transparent
        args += ["--transparent", ",".join(map(str, colours))]
    if system_palette is not None:
        palette_file = Path(work) / "system.txt"
        palette_file.write_text("".join(f"{r},{g},{b}\n" for r, g, b in system_palette))
        args += ["--system-palette", str(palette_file)]
    return args


def saved_for_tool(image, work):
    """The file the tool reads for an image: a BMP for mode 1 (which becomes
    a 1-bit DIB, as from a 1-bit BMP), otherwise a PNG."""
    if isinstance(image, np.ndarray):
        image = Image.fromarray(image)
    path = Path(work) / ("input.bmp" if image.mode == "1" else "input.png")
    image.save(path)
    return path


def tool_render(image, work, command="render", **options):
    """What the tool writes for the image and options, as a Pillow image."""
    output = Path(work) / "tool.png"
    args = [tool_path(), command, str(saved_for_tool(image, work)), "-o", str(output)]
    args += tool_arguments(work=work, **options)
    subprocess.run(args, check=True, capture_output=True)
    with Image.open(output) as shown:
        shown.load()
        return shown


def assert_same_screen(ours, theirs, case=""):
    assert ours.size == theirs.size, case
    if theirs.mode == "P":
        assert ours.mode == "P", case
        colours = len(theirs.getpalette()) // 3
        assert ours.getpalette()[: 3 * colours] == theirs.getpalette(), f"{case}: palettes differ"
    else:
        assert ours.mode == "RGB", case
    ours_pixels, theirs_pixels = np.asarray(ours), np.asarray(theirs.convert(ours.mode) if theirs.mode != "P" else theirs)
    if not np.array_equal(ours_pixels, theirs_pixels):
        y, x = np.argwhere(ours_pixels != theirs_pixels)[0][:2]
        pytest.fail(f"{case}: first differing pixel {x},{y}: ours {ours_pixels[y, x]}, the tool's {theirs_pixels[y, x]}")


def sample_image(kind, width=37, height=23, seed=1):
    """A small image of a kind: smooth gradients with noise, so that every
    dither mode has work to do."""
    random = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    rgb = np.stack([x * 255 // max(width - 1, 1), y * 255 // max(height - 1, 1), (x + y) * 127 // (width + height)],
                   axis=2).astype(np.int32)
    rgb = np.clip(rgb + random.integers(-20, 21, rgb.shape), 0, 255).astype(np.uint8)
    if kind == "RGB":
        return Image.fromarray(rgb, "RGB")
    if kind == "RGBA":
        alpha = (x * 255 // max(width - 1, 1)).astype(np.uint8)
        return Image.fromarray(np.dstack([rgb, alpha]), "RGBA")
    if kind == "L":
        return Image.fromarray(rgb[:, :, 0], "L")
    if kind == "LA":
        return Image.fromarray(np.dstack([rgb[:, :, 1], rgb[:, :, 0]]), "LA")
    if kind == "1":
        return Image.fromarray(rgb[:, :, 0] > 127).convert("1")
    if kind.startswith("P"):
        colours = int(kind[1:])
        return Image.fromarray(rgb, "RGB").quantize(colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    raise ValueError(kind)
