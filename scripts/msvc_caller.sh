#!/usr/bin/env bash
# Builds tests/msvc_caller as Visual C++ would, against a Windows build's
# dibdraw32.lib, and runs it under Wine (from a ctest test that set up the
# screen, through scripts/wine.sh):
#   scripts/msvc_caller.sh ARCH BUILD_DIR      ARCH: i686 or x86_64
# clang compiles it for the MSVC target; lld-link links it with no C runtime
# against import libraries made by llvm-dlltool, the system's from small .def
# files of the functions it calls.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:?arch}
build=$(cd "${2:?build dir}" && pwd)
source=$root/tests/msvc_caller
work=$build/msvc_caller

case $arch in
  i686) target=i686-pc-windows-msvc machine=(-m i386 -k) ;;
  x86_64) target=x86_64-pc-windows-msvc machine=(-m i386:x86-64) ;;
  *) echo "msvc_caller.sh: unknown processor '$arch'" >&2; exit 1 ;;
esac
rm -rf "$work"
mkdir -p "$work"
for system in kernel32 user32 gdi32; do
  def=$source/$system.def
  if [[ $arch == x86_64 ]]; then
    sed -E 's/@[0-9]+//' "$def" >"$work/$system.def"
    def=$work/$system.def
  fi
  llvm-dlltool "${machine[@]}" -d "$def" -l "$work/$system.lib"
done
clang --target="$target" -std=c89 -Wall -Wextra -Werror -O1 -fno-builtin -I "$source/sdk" -I "$root/include" -I "$root/platform" \
  -c "$source/msvc_caller.c" -o "$work/msvc_caller.obj"
lld-link /nologo /entry:start /subsystem:console /nodefaultlib /out:"$work/msvc_caller.exe" "$work/msvc_caller.obj" \
  "$build/dibdraw32.lib" "$work/kernel32.lib" "$work/user32.lib" "$work/gdi32.lib"
cp "$build/dibdraw32.dll" "$build/memkit40/memkit40.dll" "$work/"
bash "$root/scripts/wine.sh" run bash -o pipefail -c '"$WINE" "$0" </dev/null | tr -d "\r"' "$work/msvc_caller.exe"
