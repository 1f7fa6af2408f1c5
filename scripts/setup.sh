#!/usr/bin/env bash
# Installs what the build and the tests need, where it is missing (Debian).
#   --windows  also the mingw-w64 cross-compilers, 32- and 64-bit (the Windows
#              DLLs, dibdraw.exe and the Windows tests), and LLVM's lld and
#              llvm-dlltool (the MSVC import library, and the MSVC-ABI caller
#              that links against it)
#   --wine     also Wine, 64-bit and 32-bit (an i386 package, so the i386
#              architecture is added), and Xvfb, for the tests under Wine.
#              32-bit Wine installs on every machine but runs only where the
#              kernel executes i386 binaries; the tests skip it elsewhere.
#   --python   also Debian's Python with venv, Pillow, numpy, pytest and
#              setuptools, for the Python package (python/) and its tests
set -euo pipefail

packages=(cmake g++ clang make libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libpixman-1-dev pkg-config)
wine=0
for option in "$@"; do
  case $option in
    --windows) packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 lld llvm) ;;
    --wine) packages+=(wine wine64 wine32 xvfb); wine=1 ;;
    --python) packages+=(python3 python3-venv python3-pil python3-numpy python3-pytest python3-setuptools) ;;
    *) echo "setup: unknown option $option (--windows, --wine, --python)" >&2; exit 2 ;;
  esac
done

# Why wine32 is missing, when it could not be installed (read by scripts/wine.sh).
wine32_note_dir=$(cd "$(dirname "$0")/.." && pwd)/build
wine32_note=$wine32_note_dir/wine32-unavailable

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if (( ${#missing[@]} )); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
  fi
  # wine32 is an i386 package.
  if (( wine )) && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  echo "setup: installing ${missing[*]}"
  # A mirror caught mid-sync fails an index or two; try again, and go on with
  # the lists there are when it still fails: the install says what is missing.
  for attempt in 1 2 3; do
    apt-get update -qq && break
    echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
    sleep $((attempt * 10))
  done
  install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null; }
  if ! install "${missing[@]}"; then
    # wine32 comes from the i386 index, which can lag behind the amd64 one
    # while a mirror syncs, and then cannot be installed beside the amd64
    # packages. Everything else is still installed, and the reason is left
    # where scripts/wine.sh finds it, so that the 32-bit Windows tests are
    # skipped and say why instead of failing.
    others=()
    for package in "${missing[@]}"; do
      [[ $package == wine32 ]] || others+=("$package")
    done
    (( ${#others[@]} < ${#missing[@]} )) || exit 1
    (( ${#others[@]} == 0 )) || install "${others[@]}" || exit 1
    mkdir -p "$wine32_note_dir"
    echo "the package index of this machine cannot install wine32 beside the amd64 packages ($(date -u +%FT%TZ))" \
      >"$wine32_note"
    echo "setup: wine32 could not be installed; everything else was" >&2
  fi
fi
dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed" && rm -f "$wine32_note"
exit 0
