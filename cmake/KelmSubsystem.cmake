# Each subsystem is a library target of its own, kelm_<name>, that names the
# subsystems it uses. Its code sees its own headers, public and internal, and
# only the public headers of what it uses: the headers are staged as links
# under the build folder, one tree per subsystem, and no target has the source
# folder on its include path. So an include that climbs the layers, or reaches
# into another subsystem's internals, does not compile.
#
# The stage of a subsystem holds:
#   stage/<name>/public/<folder>/<header>    its public headers (HEADERS)
#   stage/<name>/internal/<folder>/<header>  every other header of its folders
#   stage/<name>/layer/<folder>/<header>     what a platform part shares with
#                                            the others (LAYER_HEADERS)
# and stage/kelm/kelm/<folder>/<header> holds every public header of the
# library with the umbrella kelm.h, laid out as they are installed.
#
# The stage is laid out afresh at each configure, so that a header that moved
# or left the public set is no longer seen where it was.

set(KELM_STAGE ${PROJECT_BINARY_DIR}/stage)
file(REMOVE_RECURSE ${KELM_STAGE})

function(kelm_stage_header tree source)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
  get_filename_component(dir ${KELM_STAGE}/${tree}/${rel} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${source} ${KELM_STAGE}/${tree}/${rel} SYMBOLIC)
endfunction()

# Warnings belong to the targets, so that a plain configure gets them too;
# KELM_WERROR makes them errors (the dev preset sets it).
function(kelm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(KELM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kelm_front_end(NAME EXPORT_NAME E HEADER H SOURCES ... USES ...)
# A front end of the window layer is a static library of its own, kelm_NAME,
# over the library's public calls, installed beside kelm for hosts as
# KelmLib::E with its one header H. USES names the stages of the platform
# parts its header and code include (ui, gdi, platform); its users link kelm
# themselves.
function(kelm_front_end name)
  cmake_parse_arguments(arg "" "EXPORT_NAME;HEADER" "SOURCES;USES" ${ARGN})
  set(target kelm_${name})
  set(header ${CMAKE_CURRENT_SOURCE_DIR}/${arg_HEADER})
  add_library(${target} STATIC ${arg_SOURCES})
  kelm_stage_header(${name}/public ${header})
  kelm_stage_header(kelm/kelm ${header})
  set(includes $<BUILD_INTERFACE:${KELM_STAGE}/${name}/public>)
  foreach(part IN LISTS arg_USES)
    list(APPEND includes $<BUILD_INTERFACE:${KELM_STAGE}/${part}/public>)
  endforeach()
  target_include_directories(${target} PUBLIC ${includes}
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kelm>)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${arg_EXPORT_NAME})
  kelm_warnings(${target})
  add_library(KelmLib::${arg_EXPORT_NAME} ALIAS ${target})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  install(FILES ${arg_HEADER} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kelm/${folder})
  install(TARGETS ${target} EXPORT KelmLibTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()

# kelm_subsystem(NAME [PLATFORM_PART] DEPENDS ... SOURCES ... HEADERS ...
#                LAYER_HEADERS ... TESTS ... TEST_LIBS ...)
# The parts of the platform layer (PLATFORM_PART) also see the LAYER_HEADERS
# of the parts they name: headers that the layer's parts share among
# themselves (the core's handle table, its system-call seam) and that nothing
# above the layer sees; they are staged under stage/<name>/layer and never
# installed. Tests build into one binary, <NAME>_test, beside the library.
function(kelm_subsystem name)
  cmake_parse_arguments(arg "PLATFORM_PART" ""
    "DEPENDS;SOURCES;HEADERS;LAYER_HEADERS;TESTS;TEST_LIBS" ${ARGN})
  set(target kelm_${name})

  set(public "")
  foreach(h ${arg_HEADERS})
    list(APPEND public ${CMAKE_CURRENT_SOURCE_DIR}/${h})
    kelm_stage_header(${name}/public ${CMAKE_CURRENT_SOURCE_DIR}/${h})
    kelm_stage_header(kelm/kelm ${CMAKE_CURRENT_SOURCE_DIR}/${h})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${h})
    set_property(GLOBAL APPEND PROPERTY KELM_PUBLIC_HEADERS ${rel})
  endforeach()
  foreach(h ${arg_LAYER_HEADERS})
    kelm_stage_header(${name}/layer ${CMAKE_CURRENT_SOURCE_DIR}/${h})
  endforeach()
  file(GLOB all_headers ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(h ${all_headers})
    if(NOT h IN_LIST public)
      kelm_stage_header(${name}/internal ${h})
    endif()
  endforeach()

  # What the part sees of the other parts of the layer it names.
  set(layer "")
  if(arg_PLATFORM_PART)
    foreach(d ${arg_DEPENDS})
      list(APPEND layer ${KELM_STAGE}/${d}/layer)
    endforeach()
  endif()

  list(TRANSFORM arg_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  add_library(${target} OBJECT ${arg_SOURCES})
  target_include_directories(${target}
    PUBLIC $<BUILD_INTERFACE:${KELM_STAGE}/${name}/public>
    PRIVATE ${KELM_STAGE}/${name}/internal ${layer})
  foreach(d ${arg_DEPENDS})
    target_link_libraries(${target} PUBLIC kelm_${d})
  endforeach()
  kelm_warnings(${target})
  # Only what carries KELM_EXPORT leaves the shared library.
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  set_property(GLOBAL APPEND PROPERTY KELM_SUBSYSTEMS ${target})

  if(KELM_BUILD_TESTS AND arg_TESTS)
    add_executable(${name}_test ${arg_TESTS})
    target_include_directories(${name}_test PRIVATE ${KELM_STAGE}/${name}/internal ${layer}
      ${KELM_STAGE}/testing)
    target_link_libraries(${name}_test PRIVATE kelm_static kelm_testing GTest::gtest_main
      ${arg_TEST_LIBS})
    kelm_warnings(${name}_test)
    target_compile_definitions(${name}_test PRIVATE
      KELM_SHARED_DATA_DIR="${PROJECT_SOURCE_DIR}/../shared/data")
    gtest_discover_tests(${name}_test DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
  endif()
endfunction()

# For the in-tree programs that measure or fuzz a subsystem's internals
# (benchmarks, fuzz targets): its internal headers too.
function(kelm_see_internals target owner)
  target_include_directories(${target} PRIVATE ${KELM_STAGE}/${owner}/internal
    ${KELM_STAGE}/${owner}/public)
endfunction()

# kelm_refuses(NAME HEADER): a test that the code of the part NAME cannot
# include HEADER, a header of a part it does not name: compiled with the
# part's own include path, the include must find nothing.
function(kelm_refuses name header)
  if(NOT KELM_BUILD_TESTS)
    return()
  endif()
  string(MAKE_C_IDENTIFIER ${header} id)
  add_test(NAME ${name}_refuses_${id}
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only
      "-I$<JOIN:$<TARGET_PROPERTY:kelm_${name},INCLUDE_DIRECTORIES>,;-I>"
      -include ${header} -x c++ /dev/null
    COMMAND_EXPAND_LISTS)
  set_tests_properties(${name}_refuses_${id} PROPERTIES
    PASS_REGULAR_EXPRESSION "${header}: No such file or directory")
endfunction()
