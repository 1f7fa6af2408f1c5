#!/usr/bin/env bash
# Builds everything and runs every test through ctest:
#   release    the Linux build on the virtual display
#   sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz       the libFuzzer targets (Clang): their regression corpus, and a
#              minute of fuzzing each
#   win32      the 32-bit Windows DLLs, and their tests under Wine
#   win64      the 64-bit Windows DLLs, and their tests under Wine
#   python     the Python package, installed into a venv as the README says,
#              and its pytest tests against the release build's tool
# The Windows builds need the mingw-w64 cross-compilers and their Wine tests
# need Wine and Xvfb (bash scripts/setup.sh --windows --wine); what is not
# installed is reported as skipped. The last line is
# "dibdraw: N passed, M failed, K skipped"; the exit status is non-zero on
# any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/setup.sh --python || exit 1

passed=0
failed=0
skipped=0
failures=()

fail() {  # what
  failures+=("$1")
  failed=$((failed + 1))
}

build() {  # name, cmake arguments...
  local name=$1 dir=build/$1
  shift
  echo "== build $name"
  mkdir -p build
  if ! cmake -S "$root" -B "$dir" "$@" >"$dir.configure.log" 2>&1; then
    tail -n 40 "$dir.configure.log"
    fail "$name: configure failed"
    return 1
  fi
  if ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    tail -n 60 "$dir.build.log"
    fail "$name: build failed"
    return 1
  fi
}

# Runs a build's tests and adds ctest's counts to the totals. Every Linux
# test case is a ctest test of its own; under Wine a test runs a whole
# program or cross-check, whose own counts are shown after ctest's lines.
run_tests() {  # name
  local name=$1 log=build/$1.ctest.log
  echo "== test $name"
  ctest --test-dir "build/$name" --output-on-failure -j "$jobs" --timeout 900 >"$log" 2>&1
  grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+:|^Test project|^Internal ctest|^$' "$log"
  local summary
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z $summary ]]; then
    fail "$name: ctest gave no result"
    return
  fi
  local total bad skips
  read -r bad total < <(sed -E 's/.*, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' <<<"$summary")
  skips=$(grep -c -E '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log")
  passed=$((passed + total - bad - skips))
  failed=$((failed + bad))
  skipped=$((skipped + skips))
  (( bad == 0 )) || failures+=("$name: $bad test(s) failed (build/$name.ctest.log)")
  [[ $name == win* ]] || return
  awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 }
       /^depth [0-9]+: [0-9]+ passed/ || /^\[  (PASSED|FAILED)  \] [0-9]+ tests?[,.]/ ||
       /^\[  SKIPPED \] [0-9]+ tests?,/ { sub(/, listed below:$/, ""); print "   " name ": " $0 }' \
    "build/$name/Testing/Temporary/LastTest.log" 2>/dev/null
}

# The package installed as the README says, into build/python-venv, and its
# tests with the release build's tool as their reference; counts from
# pytest's JUnit report.
run_python_tests() {
  local venv=build/python-venv log=build/python.log report=build/python.junit.xml
  echo "== test python"
  rm -rf "$venv" "$report"
  if ! { /usr/bin/python3 -m venv --system-site-packages "$venv" &&
         "$venv/bin/pip" install --no-index --no-build-isolation ./python; } >"$log" 2>&1; then
    tail -n 40 "$log"
    fail "python: the package did not install (build/python.log)"
    return
  fi
  DIBDRAW_TOOL=$root/build/release/tools/dibdraw "$venv/bin/python" -m pytest -q -p no:cacheprovider \
    --junitxml="$report" python/tests >>"$log" 2>&1
  tail -n 15 "$log"
  local counts
  if ! counts=$(/usr/bin/python3 -c '
import sys, xml.etree.ElementTree as tree
suite = tree.parse(sys.argv[1]).getroot()
suite = suite if suite.tag == "testsuite" else suite[0]
total, bad, skips = (int(suite.get(k, 0)) for k in ("tests", "failures", "skipped"))
bad += int(suite.get("errors", 0))
print(total - bad - skips, bad, skips)' "$report" 2>/dev/null); then
    fail "python: pytest gave no result (build/python.log)"
    return
  fi
  local good bad skips
  read -r good bad skips <<<"$counts"
  passed=$((passed + good))
  failed=$((failed + bad))
  skipped=$((skipped + skips))
  (( bad == 0 )) || failures+=("python: $bad test(s) failed (build/python.log)")
}

if build release -DCMAKE_BUILD_TYPE=Release; then
  run_tests release
  run_python_tests
fi
if build sanitize -DCMAKE_BUILD_TYPE=Debug -DDIBDRAW_SANITIZE=ON -DDIBDRAW_BENCH=OFF; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests sanitize
fi
if build fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DDIBDRAW_FUZZ=ON -DDIBDRAW_TESTS=OFF -DDIBDRAW_BENCH=OFF; then
  run_tests fuzz
fi

wine_tests=ON
if ! command -v wine >/dev/null 2>&1 || ! command -v Xvfb >/dev/null 2>&1; then
  echo "== SKIPPED the Windows tests under Wine: wine or Xvfb is not installed (bash scripts/setup.sh --wine)"
  wine_tests=OFF
fi
for arch in i686 x86_64; do
  name=win32
  [[ $arch == x86_64 ]] && name=win64
  if ! command -v "$arch-w64-mingw32-g++" >/dev/null 2>&1; then
    echo "== SKIPPED the $name build: $arch-w64-mingw32-g++ is not installed (bash scripts/setup.sh --windows)"
    continue
  fi
  if [[ $wine_tests == ON ]]; then
    reason=$(bash scripts/wine.sh can-run "$arch")
    status=$?
    (( status == 77 )) && echo "== $reason"
    (( status != 0 && status != 77 )) && fail "$name: Wine cannot run here: $reason"
  fi
  if build "$name" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
       -DDIBDRAW_BENCH=OFF -DDIBDRAW_WINE_TESTS=$wine_tests -DDIBDRAW_HOST_BUILD_DIR="$root/build/release"; then
    run_tests "$name"
  fi
done

echo
for failure in "${failures[@]}"; do
  echo "FAILED: $failure"
done
echo "dibdraw: $passed passed, $failed failed, $skipped skipped"
(( failed == 0 ))
