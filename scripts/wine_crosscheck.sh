#!/usr/bin/env bash
# Wine conformance cross-check at one screen depth: the same `dibdraw render`
# invocations on Wine's GDI (the Windows build, dibdraw.exe, on an Xvfb
# screen of depth 8, 16 or 24) and on the matching virtual display (8, 16 and
# 32 bits) must end alike, print the same --info lines and show the same
# colours pixel for pixel.
#
#   scripts/wine.sh run scripts/wine_crosscheck.sh [-v] DEPTH LINUX_BUILD WINDOWS_BUILD
#
# It runs inside `scripts/wine.sh run`, which provides the screen, the Wine
# prefix (with the X11 settings the check needs) and the loader in $WINE; the
# Windows builds' ctest tests wine_crosscheck_DEPTH do exactly that.
# LINUX_BUILD holds tools/dibdraw and tests/dibdraw_conformance; WINDOWS_BUILD
# holds tools/dibdraw.exe with its DLLs. -v names every case, not only the
# failed ones. The work files go to WINDOWS_BUILD/crosscheck/DEPTH: a failed
# case leaves both screens there (wine/NAME.bmp, vd/NAME.bmp, or NAME itself
# for the PNG cases). The last line
# is "depth DEPTH: N passed, M failed"; the exit status is non-zero on any
# failure.
#
# On the 8-bit screen the virtual display is given the system palette a Wine
# process starts with (`dibdraw.exe palette`, then --system-palette).
set -uo pipefail

verbose=0
if [[ "${1:-}" == "-v" ]]; then
  verbose=1
  shift
fi
if (( $# != 3 )) || [[ -z ${WINE:-} ]]; then
  echo "usage: scripts/wine.sh run scripts/wine_crosscheck.sh [-v] DEPTH LINUX_BUILD WINDOWS_BUILD" >&2
  exit 2
fi
depth=$1
linux_build=$(cd "$2" && pwd) || exit 2
windows_build=$(cd "$3" && pwd) || exit 2
# Wine reads its standard input; the cases come in on the loop's.
null=/dev/null

# The cases of one depth, one per line: a name, then the render arguments
# both sides get (inputs are in images/). Every case also gets -o, --display
# and --info; the screen goes to NAME.bmp, or to NAME itself when the name
# ends in .png.
cases() {  # depth
  local depth=$1 image
  for image in one one_bw four eight eight_few eight_grey true; do
    echo "$image images/$image.bmp"
    echo "$image-enlarged images/$image.bmp --size 131x77"
    echo "$image-reduced images/$image.bmp --size 23x13"
    echo "$image-mixed images/$image.bmp --src 7,2,40,30 --size 70x17"
    echo "$image-clipped images/$image.bmp --src 5,3,33,21"
    echo "$image-clipped-outside images/$image.bmp --src -4,-6,30,19 --dst 2,3,40,30"
  done
  for image in one_clear0 one_clear1; do
    local clear="--transparent ${image#one_clear}"
    echo "$image images/$image.bmp $clear --background 0,128,128"
    echo "$image-enlarged images/$image.bmp $clear --size 100x61 --background 128,0,0"
    echo "$image-reduced images/$image.bmp $clear --size 30x11 --background 0,0,128"
    echo "$image-other-background images/$image.bmp $clear --size 50x40 --background 200,100,50"
  done
  echo "window images/true.bmp --screen 80x60 --window 10,8,70,52 --dst -6,-4,50,40 --background 128,0,128"
  echo "window-transparent images/one_clear0.bmp --transparent 0 --screen 80x60 --window 5,5,60,50 --size 90x60 --background 0,0,128"
  echo "source-outside images/true.bmp --src 60,0,80,10 --dst 0,0,20,10 --background 128,128,0"
  echo "embedded"
  echo "embedded-reduced --size 192x144"
  # PNG input and output: the Windows Imaging Component against libpng.
  echo "one-png images/one.png --size 60x40"
  echo "four-png images/four.png"
  echo "eight-png images/eight.png --src 3,2,40,30"
  echo "true-png images/true.png --size 70x50"
  echo "fading-png images/fading.png --background 0,128,128"
  echo "true-out.png images/true.bmp"
  echo "four-out.png images/four.bmp --size 60x40"
  echo "fading-out.png images/fading.png --background 128,0,0 --size 80x30"
  echo "true-dither-2 images/true.bmp --dither 2"
  echo "true-dither-9 images/true.bmp --dither 9 --size 80x50"
  if [[ $depth == 8 ]]; then
    local palette dither
    for image in one four eight eight_few eight_grey true; do
      for palette in 0 1 2; do
        for dither in 0 1 2 3; do
          echo "$image-p$palette-d$dither images/$image.bmp --palette $palette --dither $dither"
        done
        echo "$image-p$palette-enlarged images/$image.bmp --palette $palette --dither 2 --size 120x70"
        echo "$image-p$palette-reduced images/$image.bmp --palette $palette --dither 0 --size 27x15"
      done
      echo "$image-p2-realize-image images/$image.bmp --palette 2 --realize image --dither 1"
      echo "$image-p2-realize-fixed images/$image.bmp --palette 2 --realize fixed"
      echo "$image-p1-realize-none images/$image.bmp --palette 1 --realize none --dither 2"
      echo "$image-p0-realize-none images/$image.bmp --palette 0 --realize none --dither 1"
    done
    echo "window-p1 images/eight.bmp --palette 1 --screen 80x60 --window 10,8,70,52 --dst -6,-4,50,40 --background 0,0,128"
    echo "embedded-p1-d2 --palette 1 --dither 2"
    echo "embedded-p2-d3 --palette 2 --dither 3 --size 200x100"
    echo "one_clear0-p1 images/one_clear0.bmp --transparent 0 --palette 1 --background 0,128,128"
    echo "one_clear1-p2-enlarged images/one_clear1.bmp --transparent 1 --palette 2 --size 90x50 --background 128,128,128"
  fi
  if [[ $depth == 8 ]]; then
    # A realized palette, then a 1-bit image reduced in width: the grey path
    # must draw through the palette the realization left.
    local realize
    for image in one one_bw; do
      for realize in fixed:0 image:1; do
        for dither in 0 1 2 3; do
          echo "$image-realize-${realize%:*}-reduced-d$dither images/$image.bmp --palette ${realize#*:} --realize ${realize%:*} --dither $dither --size 17x9"
        done
        echo "$image-realize-${realize%:*}-narrow-tall images/$image.bmp --palette ${realize#*:} --realize ${realize%:*} --dither 2 --size 26x54"
      done
    done
    echo "one_clear0-realize-fixed-reduced images/one_clear0.bmp --palette 0 --realize fixed --size 17x9 --background 0,0,128"
    echo "one_clear1-realize-image-reduced images/one_clear1.bmp --palette 1 --realize image --dither 3 --size 30x11 --background 128,0,0"
  fi
}

run_depth() {
  local display
  case $depth in
    8) display=8 ;;
    16) display=16 ;;
    *) display=32 ;;  # Wine reports an X screen of depth 24 as 32 bits per pixel
  esac
  local work=$windows_build/crosscheck/$depth
  rm -rf "$work"
  mkdir -p "$work/images" "$work/wine" "$work/vd"
  cd "$work" || return 1
  local passed=0 failed=0
  fail() {  # name, what
    echo "FAILED depth $depth: $1: $2"
    failed=$((failed + 1))
  }

  "$linux_build/tests/dibdraw_conformance" images images || { fail images "cannot write the images"; return 1; }
  local wine_tool=$windows_build/tools/dibdraw.exe
  local vd_extra=()
  if [[ $depth == 8 ]]; then
    if ! "$WINE" "$wine_tool" palette --display 8 -o palette-start.txt <"$null" >wine/palette.err 2>&1; then
      fail palette "dibdraw.exe palette failed: $(tr -d '\r' <wine/palette.err)"
      return 1
    fi
    vd_extra=(--system-palette palette-start.txt)
  fi

  # The Windows build checks --display against the real display.
  local other=16
  [[ $display == 16 ]] && other=8
  "$WINE" "$wine_tool" render images/true.bmp -o wine/mismatch.bmp --display $other <"$null" >/dev/null 2>wine/mismatch.err
  if [[ $? == 2 && ! -e wine/mismatch.bmp ]]; then
    passed=$((passed + 1))
  else
    fail display-check "--display $other on a depth-$depth screen was not refused"
  fi

  # Runs dibdraw.exe for case NAME, its output in wine/NAME.info and .err.
  # A Wine process now and then ends with status 1 before the tool has said
  # anything (every failure of the tool names its file); such a run says
  # nothing about the library, so it is tried once more, and says so.
  run_on_wine() {  # name, dibdraw arguments...
    local name=$1 attempt rc
    shift
    for attempt in 1 2; do
      "$WINE" "$wine_tool" "$@" <"$null" >"wine/$name.info" 2>"wine/$name.err"
      rc=$?
      if [[ $rc == 0 || $rc == 3 ]] || grep -q dibdraw "wine/$name.err"; then
        break
      fi
      (( attempt == 1 )) && echo "retried depth $depth: $name: Wine ended with status $rc and no message from the tool"
    done
    return $rc
  }

  local name args out wine_rc vd_rc verdict
  while read -r name args; do
    read -ra argv <<<"$args"
    out=$name.bmp
    [[ $name == *.png ]] && out=$name
    run_on_wine "$name" render "${argv[@]}" -o "wine/$out" --display $display --info
    wine_rc=$?
    "$linux_build/tools/dibdraw" render "${argv[@]}" -o "vd/$out" --display $display "${vd_extra[@]}" --info \
      >"vd/$name.info" 2>"vd/$name.err"
    vd_rc=$?
    tr -d '\r' <"wine/$name.info" >"wine/$name.lines"
    verdict=""
    if [[ $wine_rc != 0 && $wine_rc != 3 ]]; then
      verdict="exit status $wine_rc on Wine: $(tr -d '\r' <"wine/$name.err")"
    elif [[ $wine_rc != "$vd_rc" ]]; then
      verdict="exit status $wine_rc on Wine ($(tr -d '\r' <"wine/$name.err")), $vd_rc on the virtual display"
    elif ! diff -q "wine/$name.lines" "vd/$name.info" >/dev/null; then
      verdict="--info differs: $(diff "wine/$name.lines" "vd/$name.info" | grep '^[<>]' | tr '\n' ' ')"
    elif [[ $wine_rc == 0 ]]; then
      verdict=$("$linux_build/tests/dibdraw_conformance" compare "wine/$out" "vd/$out" | tr '\n' ' ')
    fi
    if [[ -z $verdict ]]; then
      passed=$((passed + 1))
      (( verbose )) && echo "ok depth $depth: $name"
      [[ -n ${WINE_CROSSCHECK_KEEP:-} ]] || rm -f "wine/$name".* "vd/$name".* "wine/$out" "vd/$out"
    else
      fail "$name" "$verdict(render $args)"
    fi
  done < <(cases "$depth")

  if [[ $depth == 8 ]]; then
    # Every Wine process must have started from the same system palette.
    "$WINE" "$wine_tool" palette --display 8 -o palette-end.txt <"$null" >/dev/null 2>&1
    if cmp -s palette-start.txt palette-end.txt; then
      passed=$((passed + 1))
    else
      fail palette-stable "the system palette a Wine process starts with changed during the run"
    fi
  fi
  echo "depth $depth: $passed passed, $failed failed"
  (( failed == 0 ))
}

for tool in "$linux_build/tools/dibdraw" "$linux_build/tests/dibdraw_conformance" "$windows_build/tools/dibdraw.exe"; do
  if [[ ! -f $tool ]]; then
    echo "wine crosscheck: $tool is missing (build it first)" >&2
    exit 1
  fi
done
run_depth
