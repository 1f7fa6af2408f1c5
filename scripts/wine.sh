#!/usr/bin/env bash
# Runs the Windows builds under Wine on Xvfb screens; the Windows builds'
# ctest tests call it (tests/windows/CMakeLists.txt), and it serves by hand
# too. The screen, the Wine prefix and the processor come from the
# environment:
#   DIBDRAW_XVFB_STATE   folder of a running screen (written by xvfb-start)
#   DIBDRAW_WINE_ARCH    i686 or x86_64: which Wine loader runs the program
#   DIBDRAW_WINE_PREFIX  the Wine prefix, created on first use
#
#   scripts/wine.sh xvfb-start DEPTH [WIDTHxHEIGHT]
#                                       start a screen of DEPTH bits (8, 16, 24),
#                                       1024x768 unless a size is given
#   scripts/wine.sh xvfb-stop           stop it
#   scripts/wine.sh run COMMAND...      run COMMAND with DISPLAY, WINEPREFIX and
#                                       WINE (the loader) set; stop the prefix's
#                                       wineserver afterwards
#   scripts/wine.sh gtest EXE [ARGS]    run a GoogleTest program under Wine and
#                                       fail unless it ends with a clean summary
#   scripts/wine.sh can-run ARCH        whether this machine runs Wine for ARCH
#
# 64-bit Wine runs on every x86-64 kernel. 32-bit Wine needs a kernel that
# executes i386 binaries; where it cannot, `run` and `gtest` print why and
# exit 77, which ctest counts as skipped. Anything else that keeps Wine from
# giving a result is a failure.
set -uo pipefail

readonly skip_status=77
readonly wine32_loader=/usr/lib/wine/wine
readonly wine64_loader=/usr/lib/wine/wine64
# Left by scripts/setup.sh when wine32 could not be installed here.
readonly wine32_note=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine32-unavailable

die() {
  echo "wine.sh: $*" >&2
  exit 1
}

need() {  # variable
  [[ -n ${!1:-} ]] || die "$1 is not set"
}

loader_for() {  # arch
  case $1 in
    i686) echo "$wine32_loader" ;;
    x86_64) echo "$wine64_loader" ;;
    *) die "unknown Wine processor '$1' (i686 or x86_64)" ;;
  esac
}

# Returns 0 where Wine runs ARCH here. A kernel that cannot execute i386
# binaries, or a package index that could not install wine32 (setup.sh
# records that), is a reason to skip: it prints why and returns 77. Any other
# missing package is an error, reported as missing.
can_run() {  # arch
  local loader
  loader=$(loader_for "$1")
  if [[ ! -e $loader ]]; then
    local package=wine64
    [[ $1 == i686 ]] && package=wine32
    if [[ $1 == i686 && -f $wine32_note ]]; then
      echo "SKIPPED the 32-bit Windows tests: $(cat "$wine32_note")"
      return $skip_status
    fi
    die "$loader is missing: install $package (bash scripts/setup.sh --wine)"
  fi
  command -v Xvfb >/dev/null 2>&1 || die "Xvfb is missing: install xvfb (bash scripts/setup.sh --wine)"
  local output
  if ! output=$("$loader" --version 2>&1); then
    if [[ $1 == i686 ]] && grep -q -i 'exec format error' <<<"$output"; then
      echo "SKIPPED the 32-bit Windows tests: this kernel cannot execute i386 binaries"
      return $skip_status
    fi
    die "$loader does not start: $output"
  fi
}

xvfb_start() {  # depth [widthxheight]
  need DIBDRAW_XVFB_STATE
  local state=$DIBDRAW_XVFB_STATE size=${2:-1024x768}
  xvfb_stop
  mkdir -p "$state"
  # Xvfb picks a free display number itself and writes it to descriptor 3,
  # so that screens started side by side never collide. It runs in a session
  # of its own, detached from the caller's output, to outlive this script.
  setsid Xvfb -displayfd 3 -screen 0 "${size}x$1" -nolisten tcp \
    3>"$state/display" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/pid"
  for _ in $(seq 1 100); do
    if [[ -s $state/display ]]; then
      echo "Xvfb :$(cat "$state/display") at depth $1, $size"
      return 0
    fi
    kill -0 "$(cat "$state/pid")" 2>/dev/null || break
    sleep 0.1
  done
  cat "$state/xvfb.log" >&2
  die "Xvfb did not start at depth $1"
}

xvfb_stop() {
  need DIBDRAW_XVFB_STATE
  local pid_file=$DIBDRAW_XVFB_STATE/pid
  if [[ -f $pid_file ]]; then
    kill "$(cat "$pid_file")" 2>/dev/null || true
    rm -f "$pid_file" "$DIBDRAW_XVFB_STATE/display"
  fi
}

# Creates the prefix once, under a lock, with the two X11 driver settings the
# cross-check needs for dibdraw.exe alone:
#   ClientSideGraphics=N  draw through the X server. With client-side window
#       surfaces Wine 8 draws a 256-colour window through the default 8-bit
#       DIB colour table, whatever palette is realized, which no Windows does.
#   PrivateColorMap=Y     give the process its own X colormap, so that all
#       236 free system palette entries can be realized, as on Windows; in the
#       shared colormap Xvfb leaves only some of them to a second client.
ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [[ -f $WINEPREFIX/.dibdraw-ready ]] && exit 0
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot --init >/dev/null 2>&1
    wineserver -w
    local settings=$WINEPREFIX.settings.reg
    cat >"$settings" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\dibdraw.exe\X11 Driver]
"ClientSideGraphics"="N"
"PrivateColorMap"="Y"
EOF
    "$WINE" reg import "$(winepath_of "$settings")" </dev/null >/dev/null 2>&1 ||
      { echo "wine.sh: cannot import the Wine settings into $WINEPREFIX" >&2; exit 1; }
    wineserver -w
    touch "$WINEPREFIX/.dibdraw-ready"
  ) 9>"$WINEPREFIX.lock"
}

# Wine maps the root of the Unix file system to drive Z:.
winepath_of() {  # unix path
  local absolute
  absolute=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  echo "Z:${absolute//\//\\}"
}

run() {  # command...
  need DIBDRAW_XVFB_STATE
  need DIBDRAW_WINE_ARCH
  need DIBDRAW_WINE_PREFIX
  can_run "$DIBDRAW_WINE_ARCH" || exit
  [[ -s $DIBDRAW_XVFB_STATE/display ]] || die "no screen is running in $DIBDRAW_XVFB_STATE (xvfb-start first)"
  export DISPLAY=":$(cat "$DIBDRAW_XVFB_STATE/display")"
  export WINEPREFIX=$DIBDRAW_WINE_PREFIX
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  WINE=$(loader_for "$DIBDRAW_WINE_ARCH")
  export WINE WINELOADER=$WINE
  if [[ $DIBDRAW_WINE_ARCH == i686 ]]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  ensure_prefix || exit 1
  "$@"
  local status=$?
  # Without a window manager Wine's desktop lingers; the next program may
  # run on another screen.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return $status
}

wine_exec() {  # program args...
  "$WINE" "$@" </dev/null
}

# GoogleTest's closing summary decides: a run that prints none, or exits
# with a failure code although no test failed, has no result and fails.
gtest() {  # exe args...
  local log
  log=$(mktemp)
  # Wine's console writes CR LF line ends.
  run wine_exec "$@" --gtest_color=no 2>&1 | tr -d '\r' | tee "$log"
  local status=${PIPESTATUS[0]}
  local verdict=0
  if (( status == skip_status )); then
    verdict=$skip_status
  elif ! grep -q -E '^\[  PASSED  \] [0-9]+ tests?\.' "$log"; then
    echo "wine.sh: $1 gave no test result (exit status $status)"
    verdict=1
  elif grep -q -E '^\[  FAILED  \] [0-9]+ tests?,' "$log"; then
    verdict=1
  elif (( status != 0 )); then
    echo "wine.sh: $1 exited with status $status although no test failed"
    verdict=1
  fi
  rm -f "$log"
  return $verdict
}

case ${1:-} in
  xvfb-start) xvfb_start "${2:?depth}" ${3:+"$3"} ;;
  xvfb-stop) xvfb_stop ;;
  run) shift; run "$@" ;;
  gtest) shift; gtest "$@" ;;
  can-run) can_run "${2:?arch}" ;;
  *) die "usage: wine.sh xvfb-start DEPTH [WIDTHxHEIGHT] | xvfb-stop | run COMMAND... | gtest EXE [ARGS] | can-run ARCH" ;;
esac
