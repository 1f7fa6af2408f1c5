#!/usr/bin/env bash
# Builds the dibdraw tool and renders its embedded image as a 256-colour
# display with ordered dither shows it, writing out/dibdraw.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target dibdraw >/dev/null
mkdir -p out
build/release/tools/dibdraw render -o out/dibdraw.png --display 8 --info "$@"
echo "wrote out/dibdraw.png"
