#!/usr/bin/env bash
# Checks what a build installs, as a host project would use it:
#   scripts/check_package.sh STEP BUILD_DIR COMPILER [TOOLCHAIN_FILE]
#   install       installs BUILD_DIR anew into BUILD_DIR/package/prefix; a
#                 Linux library must export nothing of its internals
#   header        <dibdraw32/VyrBlitter.h> compiles with -I PREFIX/include alone
#   find-package  examples/host builds with find_package(dibdraw32) and runs
#   pkg-config    examples/host/host.cpp builds with pkg-config's flags and runs
#   c-header      <dibdraw32/dibdraw32.h> compiles as C89 with -I PREFIX/include alone
#   c-find-package, c-pkg-config
#                 the same two builds of examples/c_host, a C program using the
#                 C interface
#   archive       cpack makes the build's archive, holding what a host needs
# The host programs are built with the build's COMPILER (its C compiler for
# the c- steps). A Windows build
# (cross-built with TOOLCHAIN_FILE) builds it with the same cross-compiler and runs it under Wine (scripts/wine.sh, from
# the ctest tests that set up its screen); where Wine cannot run that
# processor the program is built and its run skipped (exit 77).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
step=${1:?step}
build=$(cd "${2:?build dir}" && pwd) || exit 1
work=$build/package
prefix=$work/prefix

die() {
  echo "check_package: $*" >&2
  exit 1
}

compiler=${3:?compiler}
toolchain=${4:-}
windows=0
[[ -n $toolchain ]] && windows=1
exe=
runtime=()
if (( windows )); then
  exe=.exe
  # The host carries its own C++ runtime, as the project's DLLs do, so that
  # it needs no DLL but theirs.
  runtime=(-static-libgcc -static-libstdc++)
fi

# Runs a host program built against the prefix and checks it drew right.
run_host() {  # program
  if (( windows )); then
    # Windows finds the DLLs beside the program first.
    cp "$prefix"/bin/*.dll "$(dirname "$1")/" || die "no DLLs in $prefix/bin"
    bash "$root/scripts/wine.sh" run bash -c '"$WINE" "$0" </dev/null | tr -d "\r"' "$1"
  else
    "$1"
  fi
}

case $step in
  install)
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix" || die "cmake --install failed"
    for file in include/dibdraw32/VyrBlitter.h include/dibplatform.h include/memkit40.h \
                lib/cmake/dibdraw32/dibdraw32Config.cmake lib/pkgconfig/dibdraw32.pc bin/dibdraw$exe; do
      [[ -f $prefix/$file ]] || die "$file was not installed"
    done
    if (( ! windows )); then
      internals=$(nm -D --defined-only -C "$prefix/lib/libdibdraw32.so" | grep 'dibdraw::' || true)
      [[ -z $internals ]] || die "libdibdraw32.so exports internal routines:"$'\n'"$internals"
    fi
    ;;
  header)
    echo '#include <dibdraw32/VyrBlitter.h>' >"$work/header_alone.cpp"
    "$compiler" -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I "$prefix/include" "$work/header_alone.cpp" ||
      die "the public header does not compile with -I $prefix/include alone"
    ;;
  c-header)
    echo '#include <dibdraw32/dibdraw32.h>' >"$work/c_header_alone.c"
    "$compiler" -x c -std=c89 -pedantic -Wall -Wextra -Werror -fsyntax-only -I "$prefix/include" "$work/c_header_alone.c" ||
      die "the C header does not compile as C89 with -I $prefix/include alone"
    ;;
  find-package | c-find-package)
    example=host
    [[ $step == c-* ]] && example=c_host
    host=$work/$example-cmake
    rm -rf "$host"
    args=(-S "$root/examples/$example" -B "$host" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release)
    [[ -n $toolchain ]] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_EXE_LINKER_FLAGS="${runtime[*]}")
    cmake "${args[@]}" >"$work/$example-cmake.log" 2>&1 || { cat "$work/$example-cmake.log"; die "configuring $example failed"; }
    cmake --build "$host" || die "building $example failed"
    run_host "$host/$example$exe"
    ;;
  pkg-config | c-pkg-config)
    source=$root/examples/host/host.cpp
    language=(-std=c++17)
    if [[ $step == c-* ]]; then
      source=$root/examples/c_host/c_host.c
      language=(-std=c99)
    fi
    host=$work/$(basename "${source%.*}")-pkg-config
    mkdir -p "$host"
    # The .pc file finds its prefix from its own place.
    read -ra flags < <(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --cflags --libs dibdraw32) ||
      die "pkg-config does not find dibdraw32 in $prefix"
    rpath=()
    (( windows )) || rpath=(-Wl,-rpath,"$prefix/lib")
    program=$host/$(basename "${source%.*}")$exe
    "$compiler" "${language[@]}" "$source" -o "$program" "${flags[@]}" "${rpath[@]}" "${runtime[@]}" ||
      die "building $(basename "$source") with pkg-config's flags failed"
    run_host "$program"
    ;;
  archive)
    rm -rf "$work/archive"
    (cd "$build" && cpack -B "$work/archive" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; die "cpack failed"; }
    archive=$(find "$work/archive" -maxdepth 1 -name 'dibdraw32-*.zip' -o -maxdepth 1 -name 'dibdraw32-*.tar.gz' | head -n 1)
    [[ -n $archive ]] || die "cpack made no archive"
    echo "archive: $(basename "$archive")"
    listing=$(cd "$work" && cmake -E tar tf "$archive")
    if (( windows )); then
      expected=(bin/dibdraw32.dll bin/memkit40.dll bin/dibdraw.exe lib/libdibdraw32.dll.a lib/libmemkit40.dll.a
                lib/dibdraw32.lib lib/dibdraw32.def include/dibdraw32/VyrBlitter.h include/dibdraw32/dibdraw32.h
                lib/cmake/dibdraw32/dibdraw32Config.cmake README.md LICENSE)
    else
      expected=(lib/libdibdraw32.so.1.1.0 lib/libmemkit40.so.1 lib/libvdisplay.so bin/dibdraw
                include/dibdraw32/VyrBlitter.h include/dibdraw32/dibdraw32.h include/vdisplay/gdi.h
                include/vdisplay/vdisplay_c.h lib/cmake/dibdraw32/dibdraw32Config.cmake
                lib/pkgconfig/dibdraw32.pc share/doc/dibdraw32/LICENSE)
    fi
    for file in "${expected[@]}"; do
      grep -q -x -E "(\./)?$file" <<<"$listing" || die "$(basename "$archive") lacks $file"
    done
    ;;
  *) die "unknown step '$step'" ;;
esac
