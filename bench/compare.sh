#!/usr/bin/env bash
# Side-by-side benchmark of dibdraw32 against Pillow, pixman, memcpy and a
# byte-table loop on one 4096 x 4096 24-bit image, single-threaded on one core.
# Rounds alternate between our measures (with the C peers interleaved) and
# Pillow's, and the table shows medians over the rounds. Exits non-zero when a
# ratio misses its goal.
#
#   bench/compare.sh [build directory, default build/release] [rounds, default 5]
#
# On the shared machine run it under the build lock:
#   flock /tmp/dibdraw-build.lock bench/compare.sh
set -euo pipefail

build=${1:-build/release}
rounds=${2:-5}
compare="$build/bench/dibdraw_compare"
if [[ ! -x $compare ]]; then
    echo "compare.sh: $compare is missing; build the dibdraw_compare target first" >&2
    exit 2
fi
# Debian's Python, which has python3-pil; a pyenv python on PATH has not.
python=/usr/bin/python3
core=()
if command -v taskset >/dev/null; then
    core=(taskset -c "$(( $(nproc) - 1 ))")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$compare" image "$work/image.bgr"

cat >"$work/pillow.py" <<'PY'
import sys, time
from PIL import Image

side = 4096
with open(sys.argv[1], "rb") as f:
    image = Image.frombytes("RGB", (side, side), f.read(), "raw", "BGR")
image.load()

def measure(name, work):
    start = time.perf_counter()
    work()
    seconds = time.perf_counter() - start
    print(f"{name} {side * side / seconds / 1e6:.2f}", flush=True)

web = Image.Palette.WEB
measure("pil_p_fs", lambda: image.convert("P", palette=web, dither=Image.Dither.FLOYDSTEINBERG))
measure("pil_p_none", lambda: image.convert("P", palette=web, dither=Image.Dither.NONE))
measure("pil_1_fs", lambda: image.convert("1"))
measure("pil_1_none", lambda: image.convert("1", dither=Image.Dither.NONE))
PY

samples="$work/samples.txt"
for ((round = 1; round <= rounds; ++round)); do
    echo "round $round of $rounds" >&2
    "${core[@]}" "$compare" round >>"$samples"
    "${core[@]}" "$python" "$work/pillow.py" "$work/image.bgr" >>"$samples"
done
echo "measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $rounds rounds, one core each"
"$compare" report "$samples"
