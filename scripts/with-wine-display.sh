#!/usr/bin/env bash
# Runs a command under Wine's GDI on a fresh Xvfb screen of the given depth:
#   scripts/with-wine-display.sh DEPTH COMMAND [ARGS...]
# DEPTH is 8 (256 colours with a palette), 16 or 24. DISPLAY, WINEPREFIX and
# WINEDEBUG are set for the command; the prefix is kept in build/wineprefix so
# that only the first run pays for creating it.
set -euo pipefail
depth=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)

export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"

number=$((90 + depth))
while [[ -e /tmp/.X${number}-lock ]]; do
  number=$((number + 1))
done
Xvfb ":$number" -screen 0 "1024x768x$depth" -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'wineserver -k 2>/dev/null || true; kill $server 2>/dev/null; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
  [[ -e /tmp/.X11-unix/X$number ]] && break
  sleep 0.1
done
export DISPLAY=":$number"

if [[ ! -d "$WINEPREFIX" ]]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
"$@"
