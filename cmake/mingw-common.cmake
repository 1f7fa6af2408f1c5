# Shared by the mingw-w64 toolchain files: Debian's cross-compiler for the
# processor in DIBDRAW_MINGW_ARCH (i686 or x86_64), finding libraries and
# headers only in that target's root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DIBDRAW_MINGW_ARCH})
set(CMAKE_C_COMPILER ${DIBDRAW_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${DIBDRAW_MINGW_ARCH}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${DIBDRAW_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DIBDRAW_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Where this toolchain is, for builds that the project's tests make with it.
set(DIBDRAW_TOOLCHAIN_FILE ${CMAKE_CURRENT_LIST_DIR}/mingw-${DIBDRAW_MINGW_ARCH}.cmake)
