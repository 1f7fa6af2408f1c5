#!/usr/bin/env bash
# Installs what the tests need (scripts/setup.sh), builds everything and runs
# every test:
#   release    the Linux build on the virtual display
#   sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz       the libFuzzer targets (Clang): their regression corpus, and a
#              minute of fuzzing each
#   win32      the 32-bit Windows DLLs, and their tests under Wine
#   win64      the 64-bit Windows DLLs, and their tests under Wine
#   python     the Python package, installed into a venv as the README says,
#              and its pytest tests against the release build's tool
# Totals come from the JUnit reports of ctest and pytest. The last line is
# "dibdraw: N passed, M failed, K skipped"; the exit status is non-zero on
# any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
bash scripts/setup.sh --windows --wine --python || exit 1
mkdir -p build
passed=0 failed=0 skipped=0
failures=()

fail() { failures+=("$1"); failed=$((failed + 1)); }

# Adds a JUnit report's counts to the totals.
count() {  # name, report
  local good bad skips
  read -r good bad skips < <(/usr/bin/python3 scripts/junit_counts.py "$2") ||
    { fail "$1: no test result (build/$1.log)"; return; }
  passed=$((passed + good)) failed=$((failed + bad)) skipped=$((skipped + skips))
  (( bad == 0 )) || failures+=("$1: $bad test(s) failed (build/$1.log)")
}

# Builds NAME with the cmake arguments and runs its tests, showing only what
# did not pass and ctest's summary.
suite() {  # name, cmake arguments...
  local name=$1; shift
  echo "== build $name"
  if ! { cmake -S "$root" -B "build/$name" "$@" && cmake --build "build/$name" -j "$jobs"; } \
       >"build/$name.build.log" 2>&1; then
    tail -n 60 "build/$name.build.log"
    fail "$name: build failed (build/$name.build.log)"
    return 1
  fi
  echo "== test $name"
  ctest --test-dir "build/$name" --output-on-failure -j "$jobs" --timeout 900 \
    --output-junit "$root/build/$name.junit.xml" >"build/$name.log" 2>&1
  grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+:|^Test project|^$' "build/$name.log"
  count "$name" "build/$name.junit.xml"
}

# The package installed as the README says, tested against the release tool.
run_python_tests() {
  echo "== test python"
  bash scripts/python_tests.sh build/release build/python-venv "$root/build/python.junit.xml" >build/python.log 2>&1
  (( $? == 2 )) && { tail -n 40 build/python.log; fail "python: the package did not install (build/python.log)"; return; }
  tail -n 1 build/python.log
  count python build/python.junit.xml
}

suite release -DCMAKE_BUILD_TYPE=Release && run_python_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  suite sanitize -DCMAKE_BUILD_TYPE=Debug -DDIBDRAW_SANITIZE=ON -DDIBDRAW_BENCH=OFF
suite fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIBDRAW_FUZZ=ON -DDIBDRAW_TESTS=OFF -DDIBDRAW_BENCH=OFF
for target in win32:i686 win64:x86_64; do
  name=${target%:*} arch=${target#*:}
  # Where the kernel cannot execute i386 binaries, wine.sh says so and exits
  # 77, as the 32-bit Wine tests then do: ctest counts them as skipped.
  reason=$(bash scripts/wine.sh can-run "$arch")
  case $? in
    0) ;;
    77) echo "== $reason" ;;
    *) fail "$name: Wine cannot run here: $reason" ;;
  esac
  suite "$name" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DDIBDRAW_BENCH=OFF -DDIBDRAW_HOST_BUILD_DIR="$root/build/release"
done

echo
(( ${#failures[@]} )) && printf 'FAILED: %s\n' "${failures[@]}"
echo "dibdraw: $passed passed, $failed failed, $skipped skipped"
(( failed == 0 ))
