#!/usr/bin/env bash
# Checks what the library exports:
#   scripts/check_dll_exports.sh OBJDUMP DLL HEADER   dibdraw32.dll: the
#       VyrBlitter class's methods, and every function of the C interface's
#       HEADER by its plain name
#   scripts/check_dll_exports.sh --linux LIB HEADER   libdibdraw32.so: every
#       function of HEADER by its plain name
# OBJDUMP is the cross toolchain's objdump for the DLL's processor. size_t is
# mangled by the DLL's architecture: j (unsigned int) on i686, y (unsigned
# long long) on x86-64.
set -euo pipefail
library=$2
header=$3
mapfile -t c_functions < <(grep -oE 'WINAPI Dibdraw[A-Za-z]+\(' "$header" | sed -E 's/WINAPI |\(//g')
(( ${#c_functions[@]} >= 10 )) || { echo "$header: found only ${#c_functions[@]} C functions" >&2; exit 1; }

status=0
check() {  # exports, symbols...
  local exports=$1 symbol
  shift
  for symbol in "$@"; do
    if grep -qx -- "$symbol" <<<"$exports"; then
      echo "exported: $symbol"
    else
      echo "NOT EXPORTED: $symbol" >&2
      status=1
    fi
  done
}

if [[ $1 == --linux ]]; then
  check "$(nm -D --defined-only "$library" | awk '{print $3}')" "${c_functions[@]}"
  exit $status
fi

objdump=$1
dll=$library
format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
case "$format" in
  pei-i386) size_t=j ;;
  pei-x86-64) size_t=y ;;
  *)
    echo "$dll: not a 32- or 64-bit x86 DLL (file format '$format')" >&2
    exit 1
    ;;
esac
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n -E 's/^\s*\[ *[0-9]+\] //p')
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
check "$exports" "${required[@]}" "${c_functions[@]}"
decorated=$(grep -E '^_?Dibdraw.*@' <<<"$exports" || true)
if [[ -n $decorated ]]; then
  echo "DECORATED EXPORTS:"$'\n'"$decorated" >&2
  status=1
fi
exit $status
