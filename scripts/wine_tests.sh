#!/usr/bin/env bash
# Runs the Windows build's own tests of the library (dibdraw_wine_tests.exe)
# under Wine on Xvfb screens of 8 (palettized), 16 and 24 bits, one after the
# other, and prints GoogleTest's summary for each:
#   scripts/wine_tests.sh [WINDOWS_BUILD_DIR]     (default build/win32)
# The full output of each run is kept in WINDOWS_BUILD_DIR/wine-tests/.
# Exits non-zero when a test fails or a run gives no result.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win32}
exe=$build/tests/windows/dibdraw_wine_tests.exe

if ! command -v wine >/dev/null 2>&1 || ! command -v Xvfb >/dev/null 2>&1; then
  echo "wine_tests: wine and Xvfb are needed" >&2
  exit 2
fi
if [[ ! -f $exe ]]; then
  echo "wine_tests: $exe is not built" >&2
  exit 2
fi

logs=$build/wine-tests
mkdir -p "$logs"
status=0
for depth in 8 16 24; do
  log=$logs/depth-$depth.log
  echo "-- ${depth}-bit screen"
  # Wine's console writes CR LF line ends.
  timeout 600 bash scripts/with-wine-display.sh "$depth" wine "$exe" --gtest_color=no 2>&1 | tr -d '\r' >"$log"
  rc=${PIPESTATUS[0]}
  # GoogleTest's closing summary: ran, passed, skipped and failed counts, and
  # the names of the failed tests.
  sed -n -E '/^\[==========\] [0-9]+ tests? from .* ran\./,$p' "$log" |
    grep -E '^\[(==========|  PASSED  |  FAILED  )\]|^\[  SKIPPED \] [0-9]+ tests?,' |
    sed -E "/^\[  SKIPPED \]/s|, listed below:\$| (the reasons are in $log).|"
  # A run that ends without a summary, or with a failure code although no
  # test failed, is reported as "run failed" (scripts/test.sh counts it).
  if ! grep -q -E '^\[  PASSED  \] [0-9]+ tests?\.' "$log"; then
    echo "run failed: no test result (exit code $rc); the end of $log follows"
    tail -n 40 "$log"
    status=1
  elif grep -q -E '^\[  FAILED  \] [0-9]+ tests?,' "$log"; then
    # The output of each failed test, from its RUN line to its FAILED line.
    awk '/^\[ RUN      \]/ { text = "" } { text = text $0 "\n" }
         /^\[  FAILED  \] [^ ]+ \(/ { printf "%s", text; text = "" }' "$log" | head -n 200
    status=1
  elif (( rc != 0 )); then
    echo "run failed: exit code $rc although no test failed; see $log"
    status=1
  fi
done
exit $status
