#!/usr/bin/env bash
# Checks that dibdraw32.dll exports the VyrBlitter class's methods:
#   scripts/check_dll_exports.sh OBJDUMP DLL
# OBJDUMP is the cross toolchain's objdump for the DLL's processor.
set -euo pipefail
objdump=$1
dll=$2
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
required=(
  _ZN10VyrBlitterC1Eii _ZN10VyrBlitterD1Ev _ZN10VyrBlitteraSERKS_
  _ZN10VyrBlitter16VyrReInitBlitterEii
  _ZN10VyrBlitter7VyrBlitEP5HDC__P19tagBITMAPINFOHEADERP7tagRECTS5_
  _ZN10VyrBlitter7VyrBlitEP6HWND__P19tagBITMAPINFOHEADERP7tagRECTS5_
  _ZN10VyrBlitter15AssignBlitterFnEii
  _ZN10VyrBlitter22VyrRealizeFixedPaletteEP6HWND__
  _ZN10VyrBlitter17VyrRealizePaletteEP6HWND__P19tagBITMAPINFOHEADER
  _ZN10VyrBlitter17VyrRealizePaletteEP6HWND__P10tagRGBQUADi
)
status=0
for symbol in "${required[@]}"; do
  if grep -q -- "$symbol" <<<"$exports"; then
    echo "exported: $symbol"
  else
    echo "NOT EXPORTED: $symbol" >&2
    status=1
  fi
done
exit $status
