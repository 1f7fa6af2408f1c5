#!/usr/bin/env bash
# Side-by-side benchmark of dibdraw32 against Pillow, pixman, memcpy and a
# byte-table loop, on the 24-bit image of bench/bench_image.h at 1920x1080 and
# 4096x4096, single-threaded on core 0; and, under Wine, of VyrBlit against
# GDI's own StretchDIBits.
#
#   bench/compare.sh [--windows WINBUILD]... [BUILD [ROUNDS]]
#
#   BUILD     the Linux build, default build/release, with the dibdraw_compare
#             target built
#   ROUNDS    rounds of every measure, default 5; the tables show medians
#   --windows a mingw-w64 build (configured with DIBDRAW_BENCH on, the
#             default) with the dibdraw_window_bench target built; may be
#             given more than once. Without it, every folder win* beside BUILD
#             (build/win32, build/win64) that holds that program is used.
#
# What it prints:
#   - for each set of vector kernels the processor has (AVX-512, AVX2, SSE2;
#     the library leaves out the sets that DIBDRAW_DISABLE names), and at each
#     size: a table of whole-image work, where both sides write a whole
#     destination image (ours: VyrBlit onto the virtual display), and a table
#     of one-row work, where both sides convert every row into one row buffer
#     (ours: the converter alone);
#   - for each Windows build that Wine runs here: VyrBlit of the unscaled
#     image onto a window against StretchDIBits of the whole image onto the
#     same window, on an Xvfb screen of 24 bits.
# Rounds alternate between our measures (the C peers interleaved) and
# Pillow's; every timed run starts with caches that hold none of its data.
# Exits 1 when a goal is missed, 2 when something could not be measured.
#
# It holds the build lock for the whole run, so that no build shares the
# machine while it measures (run from a command already holding it through
# flock(1), it goes on under that lock).
set -euo pipefail

readonly lock=/tmp/dibdraw-build.lock
readonly sizes=(1920x1080 4096x4096)
readonly core=0
# Debian's Python, which has python3-pil; a pyenv python on PATH has not.
readonly python=/usr/bin/python3
# The Windows window sits this far from the screen's corner (window_blit.cpp).
readonly window_margin=32
root=$(cd "$(dirname "$0")/.." && pwd)

die() {
  echo "compare.sh: $*" >&2
  exit 2
}

# True when a process above this one holds the lock through flock(1).
caller_holds_lock() {
  local pid=$$
  while ((pid > 1)); do
    if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "^flock .*$lock"; then
      return 0
    fi
    pid=$(awk '/^PPid:/ {print $2}' "/proc/$pid/status")
  done
  return 1
}

# Wine's version, asked of the 64-bit loader: the wine command starts the
# 32-bit one, which a kernel without i386 support cannot execute.
wine_version() {
  /usr/lib/wine/wine64 --version 2>/dev/null || wine --version 2>/dev/null || echo "Wine (version unknown)"
}

take_build_lock() {
  caller_holds_lock && return
  exec 9>"$lock"
  if ! flock -n 9; then
    echo "compare.sh: waiting for the build lock $lock" >&2
    flock 9
  fi
}

# The model name, with family and model numbers where a virtual machine
# shortens the name.
processor_model() {
  cpuinfo_field() { grep -m1 "^$1[[:space:]]*:" /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'; }
  echo "$(cpuinfo_field 'model name') (family $(cpuinfo_field 'cpu family'), model $(cpuinfo_field model))"
}

# One line per kernel set the processor has, widest first: its name and the
# DIBDRAW_DISABLE value that leaves the wider ones out (none for the widest).
kernel_sets() {
  local flags sets=()
  flags=" $(grep -m1 '^flags' /proc/cpuinfo | cut -d: -f2) "
  if [[ $flags == *" avx512vbmi "* && $flags == *" avx512bw "* && $flags == *" avx512vl "* ]]; then
    sets+=("AVX-512|avx512")
  fi
  [[ $flags == *" avx2 "* ]] && sets+=("AVX2|avx2")
  sets+=("SSE2|")
  local disable="" entry
  for entry in "${sets[@]}"; do
    echo "${entry%%|*}|${disable#,}"
    disable+=",${entry#*|}"
  done
}

width_of() { echo "${1%x*}"; }
height_of() { echo "${1#*x}"; }

# Each measure does its work often enough to cover about 4096 x 4096 pixels.
reps_for() {  # size
  local pixels=$(($(width_of "$1") * $(height_of "$1")))
  local reps=$(((4096 * 4096 + pixels / 2) / pixels))
  echo $((reps > 0 ? reps : 1))
}

pinned() {
  taskset -c "$core" "$@"
}

write_pillow_script() {  # path
  cat >"$1" <<'PY'
import sys, time
from PIL import Image

width, height, reps = (int(a) for a in sys.argv[1:4])
with open(sys.argv[4], "rb") as f:
    image = Image.frombytes("RGB", (width, height), f.read(), "raw", "BGR")
image.load()
# Written through before every run, as the C side does (bench_timing.h).
junk = bytearray(int(sys.argv[5]))
filler = bytes(range(256)) * (len(junk) // 256)

def measure(name, work):
    work()  # untimed, as the C side's first run (bench_timing.h)
    seconds = 0.0
    for _ in range(reps):
        junk[:] = filler
        start = time.perf_counter()
        work()
        seconds += time.perf_counter() - start
    print(f"{width}x{height} {name} {width * height * reps / seconds / 1e6:.2f}", flush=True)

web = Image.Palette.WEB
measure("pil_p_fs", lambda: image.convert("P", palette=web, dither=Image.Dither.FLOYDSTEINBERG))
measure("pil_p_none", lambda: image.convert("P", palette=web, dither=Image.Dither.NONE))
measure("pil_1_fs", lambda: image.convert("1"))
measure("pil_1_none", lambda: image.convert("1", dither=Image.Dither.NONE))
PY
}

# The rounds of one kernel set at every size, appended to `samples`.
measure_linux() {  # disable samples
  local disable=$1 samples=$2 round size
  local environment=(env -u DIBDRAW_DISABLE)
  [[ -n $disable ]] && environment=(env DIBDRAW_DISABLE="$disable")
  for ((round = 1; round <= rounds; ++round)); do
    for size in "${sizes[@]}"; do
      echo "  round $round of $rounds, $size" >&2
      local args=("$(width_of "$size")" "$(height_of "$size")" "$(reps_for "$size")")
      pinned "${environment[@]}" "$compare" round "${args[@]}" >>"$samples"
      pinned "$python" "$work/pillow.py" "${args[@]}" "$work/$size.bgr" "$eviction_bytes" >>"$samples"
    done
  done
}

# Prints a report's tables; a missed goal is remembered for the exit status.
report() {  # samples label
  local status=0
  "$compare" report "$1" "$2" || status=$?
  ((status <= 1)) || die "the report of $1 failed"
  ((status == 0)) || missed=1
}

linux_tables() {
  local model entry
  model=$(processor_model)
  while IFS= read -r -u 3 entry; do
    local name=${entry%%|*} disable=${entry#*|}
    local samples="$work/linux-$name.txt"
    echo "measuring the $name kernels" >&2
    measure_linux "$disable" "$samples"
    echo
    local ran
    ran=$(if [[ -n $disable ]]; then DIBDRAW_DISABLE=$disable "$compare" kernels; else
      env -u DIBDRAW_DISABLE "$compare" kernels; fi)
    echo "## Vector kernels: $name (DIBDRAW_DISABLE=${disable:-unset}; the library ran its $ran set), $model"
    report "$samples" "$name kernels, $model"
  done 3< <(kernel_sets)
}

windows_builds() {
  if ((${#windows[@]} > 0)); then
    printf '%s\n' "${windows[@]}"
    return
  fi
  local dir
  for dir in "$(dirname "$build")"/win*; do
    [[ -f $dir/CMakeCache.txt ]] || continue
    if [[ -f $dir/bench/windows/dibdraw_window_bench.exe ]]; then
      echo "$dir"
    else
      echo "compare.sh: $dir has no bench/windows/dibdraw_window_bench.exe (configure it with DIBDRAW_BENCH on" \
        "and build that target); left out" >&2
    fi
  done
}

windows_arch() {  # build
  if grep -q 'i686-w64-mingw32' "$1/CMakeCache.txt"; then echo i686; else echo x86_64; fi
}

# The largest size with the window's margin on both sides.
windows_screen() {
  local widest=0 tallest=0 size
  for size in "${sizes[@]}"; do
    (($(width_of "$size") > widest)) && widest=$(width_of "$size")
    (($(height_of "$size") > tallest)) && tallest=$(height_of "$size")
  done
  echo "$((widest + 2 * window_margin))x$((tallest + 2 * window_margin))"
}

# Every size's rounds under Wine on a 24-bit Xvfb screen, appended to
# `samples`. Returns 77 where this kernel cannot run the build's Wine.
measure_windows() {  # winbuild samples
  local dir samples=$2 size status=0
  dir=$(cd "$1" && pwd)
  local program=$dir/bench/windows/dibdraw_window_bench.exe
  [[ -f $program ]] || die "$program is missing; build the dibdraw_window_bench target of $dir"
  export DIBDRAW_WINE_ARCH DIBDRAW_WINE_PREFIX=$dir/wineprefix DIBDRAW_XVFB_STATE=$dir/xvfb/bench
  DIBDRAW_WINE_ARCH=$(windows_arch "$dir")
  bash "$root/scripts/wine.sh" can-run "$DIBDRAW_WINE_ARCH" >&2 || return
  bash "$root/scripts/wine.sh" xvfb-start 24 "$(windows_screen)" >&2
  for size in "${sizes[@]}"; do
    echo "  $DIBDRAW_WINE_ARCH, $size, $rounds rounds" >&2
    pinned bash "$root/scripts/wine.sh" run bash -c '"$WINE" "$@" </dev/null' wine "$program" \
      "$(width_of "$size")" "$(height_of "$size")" "$(reps_for "$size")" "$rounds" |
      tr -d '\r' >>"$samples" || status=$?
    ((status == 0)) || break
  done
  bash "$root/scripts/wine.sh" xvfb-stop
  ((status == 0)) || die "the Windows benchmark of $dir failed (status $status)"
}

windows_tables() {
  local dir
  while IFS= read -r -u 3 dir; do
    local samples="$work/windows-$(basename "$dir").txt" status=0
    echo "measuring $dir under Wine" >&2
    measure_windows "$dir" "$samples" || status=$?
    echo
    if ((status == 77)); then
      echo "## Windows, $dir: not measured, this kernel cannot execute its i386 Wine"
      continue
    fi
    ((status == 0)) || die "Wine cannot run $dir here"
    local platform="Windows $DIBDRAW_WINE_ARCH under $(wine_version), $(processor_model)"
    echo "## $platform ($dir)"
    { grep '^#' "$samples" || true; } | sort -u | sed 's/^# /Wine: /'
    report "$samples" "$platform"
  done 3< <(windows_builds)
}

windows=()
while (($# > 0)) && [[ $1 == --windows ]]; do
  (($# >= 2)) || die "--windows needs a build folder"
  windows+=("$2")
  shift 2
done
build=${1:-build/release}
rounds=${2:-5}
compare="$build/bench/dibdraw_compare"
[[ -x $compare ]] || die "$compare is missing; build the dibdraw_compare target first"
command -v taskset >/dev/null || die "taskset (util-linux) is missing"
compare=$(cd "$(dirname "$compare")" && pwd)/$(basename "$compare")

take_build_lock
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in "${sizes[@]}"; do
  "$compare" image "$(width_of "$size")" "$(height_of "$size")" "$work/$size.bgr"
done
write_pillow_script "$work/pillow.py"
eviction_bytes=$("$compare" eviction)  # what every timed run writes through first
missed=0

echo "# dibdraw32 side by side, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
pillow_version=$("$python" -c 'import PIL; print(PIL.__version__)')
pixman_version=$(pkg-config --modversion pixman-1 2>/dev/null || echo '(version unknown)')
echo "$(processor_model), $(nproc) cores; every measure on core $core alone, medians of $rounds rounds;" \
  "every run after writing through $((eviction_bytes >> 20)) MB, twice the largest cache;" \
  "Pillow $pillow_version, pixman $pixman_version."
linux_tables
windows_tables
exit "$missed"
