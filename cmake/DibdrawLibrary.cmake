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
# (Name@N). The i686 link exports each as "Name@N == Name": the export table
# says Name, while mingw's import library keeps the symbol _Name@N that
# stdcall callers refer to (ld's --kill-at would strip that too). The x64
# build, whose functions have no suffix, links a copy without it.
# Where llvm-dlltool is installed, DEF also gives TARGET.lib, the import
# library MSVC and clang-cl link against; both are installed beside mingw's
# libTARGET.dll.a.
function(dibdraw_c_exports target def)
  file(READ ${def} text)
  get_filename_component(name ${def} NAME)
  set(linked ${CMAKE_CURRENT_BINARY_DIR}/${name})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@([0-9]+)" "\\1@\\2 == \\1" linked_text "${text}")
    set(import_def ${def})
  else()
    string(REGEX REPLACE "@[0-9]+" "" linked_text "${text}")
    set(import_def ${linked})
  endif()
  file(WRITE ${linked} "${linked_text}")
  target_sources(${target} PRIVATE ${linked})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})

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
  add_custom_command(OUTPUT ${lib} COMMAND ${DIBDRAW_LLVM_DLLTOOL} ${dlltool_args} -d ${import_def} -l ${lib}
                     DEPENDS ${import_def} VERBATIM)
  add_custom_target(${target}_msvc_import ALL DEPENDS ${lib})
  install(FILES ${lib} ${import_def} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
