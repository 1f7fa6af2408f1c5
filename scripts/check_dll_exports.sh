#!/usr/bin/env bash
# Checks that dibdraw32.dll exports the VyrBlitter class's methods:
#   scripts/check_dll_exports.sh OBJDUMP DLL
# OBJDUMP is the cross toolchain's objdump for the DLL's processor. size_t is
# mangled by the DLL's architecture: j (unsigned int) on i686, y (unsigned
# long long) on x86-64.
set -euo pipefail
objdump=$1
dll=$2
format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
case "$format" in
  pei-i386) size_t=j ;;
  pei-x86-64) size_t=y ;;
  *)
    echo "$dll: not a 32- or 64-bit x86 DLL (file format '$format')" >&2
    exit 1
    ;;
esac
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
required=(
  _ZN10VyrBlitterC1Eii _ZN10VyrBlitterD1Ev _ZN10VyrBlitteraSERKS_
  _ZN10VyrBlitter16VyrReInitBlitterEii
  _ZN10VyrBlitter7VyrBlitEP5HDC__P19tagBITMAPINFOHEADERP7tagRECTS5_
  _ZN10VyrBlitter7VyrBlitEP6HWND__P19tagBITMAPINFOHEADERP7tagRECTS5_
  "_ZN10VyrBlitter7VyrBlitEP5HDC__PK19tagBITMAPINFOHEADER${size_t}P7tagRECTS6_"
  "_ZN10VyrBlitter7VyrBlitEP6HWND__PK19tagBITMAPINFOHEADER${size_t}P7tagRECTS6_"
  _ZN10VyrBlitter15AssignBlitterFnEii
  _ZN10VyrBlitter22VyrRealizeFixedPaletteEP6HWND__
  _ZN10VyrBlitter17VyrRealizePaletteEP6HWND__P19tagBITMAPINFOHEADER
  "_ZN10VyrBlitter17VyrRealizePaletteEP6HWND__PK19tagBITMAPINFOHEADER${size_t}"
  _ZN10VyrBlitter17VyrRealizePaletteEP6HWND__P10tagRGBQUADi
)
status=0
for symbol in "${required[@]}"; do
  if grep -qw -- "$symbol" <<<"$exports"; then
    echo "exported: $symbol"
  else
    echo "NOT EXPORTED: $symbol" >&2
    status=1
  fi
done
exit $status
