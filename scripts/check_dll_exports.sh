#!/usr/bin/env bash
# Checks that dibdraw32.dll exports the VyrBlitter class's methods.
set -euo pipefail
dll="$1"
exports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
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
