# What `cmake --install` puts in a prefix, and the archives `cpack` makes of it:
#   bin/      the Windows DLLs and the dibdraw tool
#   lib/      the Linux libraries, the Windows import libraries, the CMake
#             package (lib/cmake/dibdraw32) and dibdraw32.pc
#   include/  dibdraw32/VyrBlitter.h (the class), dibdraw32/dibdraw32.h (the C
#             interface) and the headers they include
#   lib/      on Windows also dibdraw32.def and dibdraw32.lib, the import
#             library MSVC links against, where llvm-dlltool is installed
# On Linux the virtual display the library draws through is installed too.
include(CMakePackageConfigHelpers)

set(DIBDRAW_INSTALL_TARGETS dibdraw32 memkit40)
set(DIBDRAW_PC_PLATFORM_LIBS "-lgdi32 -luser32")
if(NOT WIN32)
  list(APPEND DIBDRAW_INSTALL_TARGETS vdisplay)
  set(DIBDRAW_PC_PLATFORM_LIBS "-lvdisplay")
endif()
install(TARGETS ${DIBDRAW_INSTALL_TARGETS} EXPORT dibdraw32Targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(FILES include/dibdraw32/BlitResult.h include/dibdraw32/Diagnostics.h include/dibdraw32/VyrBlitter.h
  include/dibdraw32/dibdraw32.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dibdraw32)
install(FILES platform/dibplatform.h memkit40/memkit40.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(NOT WIN32)
  install(FILES platform/vdisplay/gdi.h platform/vdisplay/gdi_types.h platform/vdisplay/gdi_structs.h
    platform/vdisplay/vdisplay.h platform/vdisplay/vdisplay_c.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vdisplay)
endif()

set(DIBDRAW_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dibdraw32)
install(EXPORT dibdraw32Targets NAMESPACE dibdraw32:: DESTINATION ${DIBDRAW_CMAKE_DIR})
configure_package_config_file(cmake/dibdraw32Config.cmake.in ${PROJECT_BINARY_DIR}/dibdraw32Config.cmake
  INSTALL_DESTINATION ${DIBDRAW_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/dibdraw32ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/dibdraw32Config.cmake ${PROJECT_BINARY_DIR}/dibdraw32ConfigVersion.cmake
  DESTINATION ${DIBDRAW_CMAKE_DIR})

configure_file(cmake/dibdraw32.pc.in ${PROJECT_BINARY_DIR}/dibdraw32.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/dibdraw32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(WIN32)
  install(FILES README.md LICENSE DESTINATION .)
else()
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME dibdraw32)
set(CPACK_PACKAGE_VENDOR "the dibdraw32 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Draws device-independent bitmaps on displays of any depth")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
