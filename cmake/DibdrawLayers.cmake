# The library's layers, one object library per folder, and what keeps them
# in order: a layer reaches only its own headers and those of the layers it
# is built on, and calls only what they define.

# dibdraw_layer(TARGET FOLDER [BELOW LOWER_TARGET] SOURCES ...): the sources
# of FOLDER as the object library TARGET. Each folder's headers are found
# through an include root of their own in the build tree (a link to the
# folder), which only the folder itself and the layers above it are given;
# so an include of a higher layer's header fails to compile.
function(dibdraw_layer target folder)
  cmake_parse_arguments(LAYER "" "BELOW" "SOURCES" ${ARGN})
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  add_library(${target} OBJECT ${LAYER_SOURCES})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_definitions(${target} PUBLIC DIBDRAW32_BUILD)
  target_include_directories(${target} PUBLIC ${root} ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/platform)
  target_link_libraries(${target} PUBLIC ${LAYER_BELOW} memkit40 ${DIBDRAW_PLATFORM_LIBS})
endfunction()

# dibdraw_check_layers(LAYER...): layers from the lowest up. Each, linked
# with the layers below it alone into a shared library that may leave
# nothing undefined, proves that it calls nothing above it; a call upward
# fails the build. Linux builds without sanitizers check (their runtimes
# would be left undefined); the Windows DLLs are made of the same objects.
function(dibdraw_check_layers)
  if(WIN32 OR DIBDRAW_SANITIZE OR DIBDRAW_FUZZ)
    return()
  endif()
  set(objects)
  foreach(layer IN LISTS ARGN)
    list(APPEND objects $<TARGET_OBJECTS:${layer}>)
    add_library(${layer}_layer_check SHARED ${objects})
    target_link_libraries(${layer}_layer_check PRIVATE memkit40 ${DIBDRAW_PLATFORM_LIBS})
    target_link_options(${layer}_layer_check PRIVATE -Wl,--no-undefined)
  endforeach()
endfunction()

# dibdraw_test_layer_includes(LAYER FOLDER OWN_HEADER UPPER_HEADER): a test
# that a source compiled as LAYER's sources are finds OWN_HEADER and does not
# find UPPER_HEADER, a header of a layer above it.
function(dibdraw_test_layer_includes layer folder own upper)
  set(flags "-I$<JOIN:$<TARGET_PROPERTY:${layer},INCLUDE_DIRECTORIES>,;-I>")
  add_test(NAME layer_includes_${folder}
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_layer_includes.sh ${CMAKE_CXX_COMPILER}
                   ${own} ${upper} "${flags}"
           COMMAND_EXPAND_LISTS)
endfunction()
