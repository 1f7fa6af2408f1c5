# Cross-compiles the 64-bit Windows DLLs with Debian's mingw-w64 toolchain,
# from the same sources as the 32-bit ones.
set(DIBDRAW_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
