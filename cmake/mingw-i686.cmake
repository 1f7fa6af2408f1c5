# Cross-compiles the 32-bit Windows DLLs, the main deliverable, with Debian's
# mingw-w64 toolchain. SSE2 is the baseline: every processor that runs a
# supported Windows has it, and the compiler's default (a Pentium Pro) leaves
# the integer loops unvectorized. Results do not depend on it: the library's
# arithmetic is integer throughout.
set(DIBDRAW_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")
