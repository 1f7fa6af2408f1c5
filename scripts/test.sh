#!/usr/bin/env bash
# Builds everything and runs every test: the normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build on Linux, then the
# Windows DLLs and dibdraw.exe when the mingw-w64 cross-compiler is present,
# then the Wine conformance cross-check when Wine and Xvfb are too.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/setup.sh || exit 1

passed=0
failed=0
failures=()

record() {  # name, ctest log
  local summary
  summary=$(grep -E '[0-9]+% tests passed' "$2" | tail -n 1)
  local total bad
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
  if [[ -z "$summary" ]]; then
    failures+=("$1: no test result")
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  (( bad == 0 )) || failures+=("$1: $bad failed")
}

linux_build() {  # dir, cmake args...
  local dir=$1; shift
  echo "== build $dir"
  cmake -S "$root" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1 || { tail -n 60 "$dir.build.log"; return 1; }
}

run_ctest() {  # name, dir
  echo "== test $1"
  (cd "$2" && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 | tee "$2.ctest.log" | grep -E -v '^ +[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' || true
  record "$1" "$2.ctest.log"
}

mkdir -p build
if linux_build build/release -DCMAKE_BUILD_TYPE=Release; then
  run_ctest release build/release
else
  failures+=("release build failed"); failed=$((failed + 1))
fi

if linux_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DDIBDRAW_SANITIZE=ON -DDIBDRAW_BENCH=OFF; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest sanitize build/sanitize
else
  failures+=("sanitizer build failed"); failed=$((failed + 1))
fi

windows_built=0
if command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  # DIBDRAW_TESTS builds the Windows tests, run under Wine below.
  if linux_build build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
       -DCMAKE_BUILD_TYPE=Release -DDIBDRAW_TESTS=ON -DDIBDRAW_BENCH=OFF -DDIBDRAW_TOOLS=ON; then
    windows_built=1
    echo "== check dibdraw32.dll exports"
    if bash scripts/check_dll_exports.sh build/win32/dibdraw32.dll >build/win32.exports.log 2>&1; then
      passed=$((passed + 1))
      echo "dibdraw32.dll exports every VyrBlitter method"
    else
      cat build/win32.exports.log
      failures+=("dibdraw32.dll exports"); failed=$((failed + 1))
    fi
  else
    failures+=("Windows cross-build failed"); failed=$((failed + 1))
  fi
else
  echo "== SKIPPED the Windows DLLs: i686-w64-mingw32-g++ is not installed (bash scripts/setup.sh --windows installs it)"
fi

# ---- Windows tests under Wine ----------------------------------------------
# The Windows build's own tests of the library against Wine's GDI on Xvfb
# screens of 8, 16 and 24 bits; GoogleTest's summary lines are counted.
if (( windows_built )); then
  if ! command -v wine >/dev/null 2>&1 || ! command -v Xvfb >/dev/null 2>&1; then
    echo "== SKIPPED the Windows tests under Wine: wine or Xvfb is not installed"
  elif [[ ! -f build/win32/tests/windows/dibdraw_wine_tests.exe ]]; then
    echo "== SKIPPED the Windows tests under Wine: not built (no GoogleTest sources in /usr/src/googletest)"
  else
    echo "== Windows tests under Wine"
    bash scripts/wine_tests.sh build/win32 2>&1 | tee build/win32.wine-tests.log
    wine_passed=$(awk '/^\[  PASSED  \] [0-9]+ tests?\./ { n += $4 } END { print n + 0 }' build/win32.wine-tests.log)
    wine_failed=$(awk '/^\[  FAILED  \] [0-9]+ tests?,/ { n += $4 } END { print n + 0 }' build/win32.wine-tests.log)
    wine_broken=$(grep -c '^run failed:' build/win32.wine-tests.log)
    passed=$((passed + wine_passed))
    failed=$((failed + wine_failed + wine_broken))
    (( wine_failed == 0 )) || failures+=("Windows tests under Wine: ${wine_failed} failed")
    (( wine_broken == 0 )) || failures+=("Windows tests under Wine: ${wine_broken} run(s) without a result")
  fi
fi
# ---- end of Windows tests under Wine ----------------------------------------

# ---- Wine conformance: dibdraw.exe on Wine's GDI against the virtual display
if ! command -v wine >/dev/null 2>&1 || ! command -v Xvfb >/dev/null 2>&1; then
  echo "== SKIPPED the Wine conformance cross-check: wine and Xvfb are not installed (bash scripts/setup.sh --wine installs them)"
elif ! command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  echo "== SKIPPED the Wine conformance cross-check: it needs the Windows build (bash scripts/setup.sh --windows)"
elif printf '%s\n' "${failures[@]}" | grep -q -x -e 'release build failed' -e 'Windows cross-build failed' ||
     [[ ! -f build/win32/tools/dibdraw.exe || ! -x build/release/tools/dibdraw ]]; then
  failures+=("Wine conformance: not run, dibdraw.exe or the Linux dibdraw was not built"); failed=$((failed + 1))
else
  echo "== Wine conformance: the same renders on Wine at depths 8, 16, 24 and on the virtual display"
  bash scripts/wine_crosscheck.sh build/release build/win32 2>&1 | tee build/crosscheck.log
  summary=$(grep -E '^wine crosscheck: [0-9]+ passed, [0-9]+ failed' build/crosscheck.log | tail -n 1)
  if [[ -z "$summary" ]]; then
    failures+=("Wine conformance: no result"); failed=$((failed + 1))
  else
    crosscheck_passed=$(sed -E 's/^wine crosscheck: ([0-9]+) passed.*/\1/' <<<"$summary")
    crosscheck_failed=$(sed -E 's/.*, ([0-9]+) failed$/\1/' <<<"$summary")
    passed=$((passed + crosscheck_passed))
    failed=$((failed + crosscheck_failed))
    (( crosscheck_failed == 0 )) || failures+=("Wine conformance: $crosscheck_failed failed (see build/crosscheck)")
  fi
fi
# ---- end of Wine conformance

echo
for failure in "${failures[@]}"; do
  echo "FAILED: $failure"
done
echo "dibdraw: $passed passed, $failed failed"
(( failed == 0 ))
