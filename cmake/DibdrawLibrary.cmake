# dibdraw_shared_library(TARGET DESCRIPTION): names and versions one of the
# project's shared libraries. On Linux: libNAME.so.1.0.0 with the SONAME
# libNAME.so.1. On Windows: NAME.dll (no "lib", as Windows hosts expect) with
# a version resource, its import library libNAME.dll.a, and the C++ runtime
# linked statically so that the DLL needs nothing beside it.
function(dibdraw_shared_library target description)
  if(WIN32)
    set_target_properties(${target} PROPERTIES PREFIX "")
    set(DIBDRAW_RC_NAME ${target})
    set(DIBDRAW_RC_DESCRIPTION "${description}")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
  else()
    set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  endif()
endfunction()
