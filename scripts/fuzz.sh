#!/usr/bin/env bash
# A long fuzzing run of one target (bmp_reader, png_reader or blitter_api):
#   bash scripts/fuzz.sh TARGET [SECONDS] [LIBFUZZER OPTION...]
# Builds the fuzz targets with Clang in build/fuzz, then fuzzes from the
# regression corpus for SECONDS (default 3600). What it finds goes to
# build/fuzz/long/TARGET/, which later runs start from too; an input that
# fails is saved there as crash-*, leak-*, timeout-* or oom-*.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: bash scripts/fuzz.sh bmp_reader|png_reader|blitter_api [SECONDS] [LIBFUZZER OPTION...]}
seconds=${2:-3600}
shift $(( $# < 2 ? $# : 2 ))
[[ -d tests/fuzz/corpus/$target ]] || { echo "fuzz.sh: no target '$target'" >&2; exit 2; }

if [[ ! -f build/fuzz/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIBDRAW_FUZZ=ON \
    -DDIBDRAW_TESTS=OFF -DDIBDRAW_BENCH=OFF
fi
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "${target}_fuzz"

found=build/fuzz/long/$target
mkdir -p "$found"
status=0
"build/fuzz/tests/fuzz/${target}_fuzz" -max_len=16384 -rss_limit_mb=2048 -timeout=20 \
  -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$found/" "$@" \
  "$found" "tests/fuzz/corpus/$target" || status=$?
if (( status != 0 )); then
  echo "fuzz.sh: $target failed; once mended, keep the input: cp $found/crash-... tests/fuzz/corpus/$target/"
fi
exit "$status"
