#!/usr/bin/env bash
# check_layer_includes.sh COMPILER OWN_HEADER UPPER_HEADER INCLUDE_FLAGS...
# With a layer's include flags, OWN_HEADER (one of the layer's own) must
# compile and UPPER_HEADER (a higher layer's) must not be found.
set -uo pipefail
compiler=$1 own=$2 upper=$3
shift 3
compile() { local header=$1; shift; printf '#include "%s"\n' "$header" | "$compiler" -std=c++20 -fsyntax-only -DDIBDRAW32_BUILD "$@" -x c++ - 2>&1; }
if ! output=$(compile "$own" "$@"); then
  echo "FAIL: the layer's own header $own does not compile:"; echo "$output"; exit 1
fi
output=$(compile "$upper" "$@") && { echo "FAIL: $upper, a header of a higher layer, was found"; exit 1; }
grep -q "No such file" <<<"$output" || { echo "FAIL: $upper failed for another reason:"; echo "$output"; exit 1; }
echo "$own compiles; $upper is out of reach"
