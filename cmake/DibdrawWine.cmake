# Tests of a Windows build that run under Wine on Xvfb screens
# (scripts/wine.sh). Each screen depth is a ctest fixture, xvfb_DEPTH,
# started and stopped around its tests. The Wine tests of one build share a
# Wine prefix and so run one at a time. Where the kernel cannot execute i386
# binaries the 32-bit build's Wine tests are skipped (scripts/wine.sh exits 77).
option(DIBDRAW_WINE_TESTS "Run the Windows build's tests under Wine (needs wine and Xvfb)" ON)
set(DIBDRAW_WINE_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine.sh)

# Registers a test whose command runs under Wine on the screen of `depth`.
function(dibdraw_wine_test name depth)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED xvfb_${depth}
    RESOURCE_LOCK wineprefix
    SKIP_RETURN_CODE 77
    TIMEOUT 900
    ENVIRONMENT "DIBDRAW_WINE_ARCH=${CMAKE_SYSTEM_PROCESSOR};DIBDRAW_WINE_PREFIX=${PROJECT_BINARY_DIR}/wineprefix;DIBDRAW_XVFB_STATE=${PROJECT_BINARY_DIR}/xvfb/${depth}")
endfunction()

if(DIBDRAW_WINE_TESTS)
  foreach(depth 8 16 24)
    add_test(NAME xvfb_start_${depth} COMMAND bash ${DIBDRAW_WINE_SCRIPT} xvfb-start ${depth})
    add_test(NAME xvfb_stop_${depth} COMMAND bash ${DIBDRAW_WINE_SCRIPT} xvfb-stop)
    set_tests_properties(xvfb_start_${depth} PROPERTIES FIXTURES_SETUP xvfb_${depth}
      ENVIRONMENT DIBDRAW_XVFB_STATE=${PROJECT_BINARY_DIR}/xvfb/${depth})
    set_tests_properties(xvfb_stop_${depth} PROPERTIES FIXTURES_CLEANUP xvfb_${depth}
      ENVIRONMENT DIBDRAW_XVFB_STATE=${PROJECT_BINARY_DIR}/xvfb/${depth})
  endforeach()
endif()
