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

# dibdraw_c_exports(TARGET DEF): exports a DLL's C functions by the plain
# names of DEF, a .def file whose names carry the 32-bit stdcall suffix
# (Name@N). The i686 link strips the suffix from the exported names; the x64
# build, whose functions have no suffix, links a copy without it.
# Where llvm-dlltool is installed, the .def also gives TARGET.lib, the import
# library MSVC and clang-cl link against; both are installed beside mingw's
# libTARGET.dll.a.
function(dibdraw_c_exports target def)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  else()
    file(READ ${def} text)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    get_filename_component(name ${def} NAME)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${name})
    file(WRITE ${def} "${text}")
  endif()
  target_sources(${target} PRIVATE ${def})

  find_program(DIBDRAW_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
  if(NOT DIBDRAW_LLVM_DLLTOOL)
    message(STATUS "${target}.lib skipped: no llvm-dlltool (bash scripts/setup.sh --windows)")
    return()
  endif()
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/${target}.lib)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # -k: the symbols keep their @N, the names they import do not.
    set(dlltool_args -m i386 -k)
  else()
    set(dlltool_args -m i386:x86-64)
  endif()
  add_custom_command(OUTPUT ${lib} COMMAND ${DIBDRAW_LLVM_DLLTOOL} ${dlltool_args} -d ${def} -l ${lib}
                     DEPENDS ${def} VERBATIM)
  add_custom_target(${target}_msvc_import ALL DEPENDS ${lib})
  set_target_properties(${target} PROPERTIES DIBDRAW_MSVC_IMPORT_LIBRARY ${lib})
  install(FILES ${lib} ${def} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
