# Shared build settings and helper functions for every folder.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
# The sanitized debug build is the test build: a warning there fails it. Third-party
# headers come in through imported targets, so they are system headers and do not count.
if(CMAKE_BUILD_TYPE STREQUAL "Debug" AND TONALITH_SANITIZE)
  set(TONALITH_WERROR_DEFAULT ON)
else()
  set(TONALITH_WERROR_DEFAULT OFF)
endif()
option(TONALITH_WERROR "Treat compiler warnings as errors" ${TONALITH_WERROR_DEFAULT})
if(TONALITH_WERROR)
  add_compile_options(-Werror)
endif()
# Bounds checks in the standard library's containers (operator[], front, back, ...);
# unlike _GLIBCXX_DEBUG it leaves the ABI alone, so plug-ins and programs still match.
add_compile_definitions($<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
add_compile_definitions(TONALITH_VERSION="${PROJECT_VERSION}")

if(TONALITH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Everything lands in two folders so the program finds its plug-ins the way an
# installed copy does: bin/ and lib/tonalith/plugins/.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
set(TONALITH_PLUGIN_OUTPUT_DIR ${CMAKE_BINARY_DIR}/lib/tonalith/plugins)
set(TONALITH_FIELD_DATA_DEFAULT ${CMAKE_SOURCE_DIR}/../shared/testdata)
set(TONALITH_REFERENCE_DEFAULT ${CMAKE_SOURCE_DIR}/../shared/reference)
# An installed copy finds the framework's libraries beside the programs' folder,
# wherever the tree was installed; plug-ins sit two folders below lib/.
set(CMAKE_INSTALL_RPATH "$ORIGIN/../lib")

# tonalith_add_plugin(NAME Emberkit MODEL model_target SOURCES ... [LIBS ...] [DATA files...])
# Builds a synth plug-in: a shared module <NAME>.so that exports only SynthMemoryInfo,
# with its data files copied beside it.
function(tonalith_add_plugin)
  cmake_parse_arguments(P "" "NAME;MODEL" "SOURCES;LIBS;DATA" ${ARGN})
  add_library(${P_NAME} MODULE ${P_SOURCES})
  target_link_libraries(${P_NAME} PRIVATE ${P_MODEL} tonalith-basic ${P_LIBS})
  set_target_properties(${P_NAME} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${TONALITH_PLUGIN_OUTPUT_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    INSTALL_RPATH "$ORIGIN/../..")
  target_link_options(${P_NAME} PRIVATE -Wl,--no-undefined)
  foreach(file IN LISTS P_DATA)
    get_filename_component(fname ${file} NAME)
    add_custom_command(TARGET ${P_NAME} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${TONALITH_PLUGIN_OUTPUT_DIR}/${fname})
  endforeach()
  install(TARGETS ${P_NAME} LIBRARY DESTINATION lib/tonalith/plugins)
  if(P_DATA)
    install(FILES ${P_DATA} DESTINATION lib/tonalith/plugins)
  endif()
endfunction()

# tonalith_add_model(NAME target SOURCES ... [LIBS ...])
# A plug-in's model as a static library without Qt, for the plug-in and its tests.
function(tonalith_add_model)
  cmake_parse_arguments(P "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_library(${P_NAME} STATIC ${P_SOURCES})
  target_link_libraries(${P_NAME} PUBLIC tonalith-basic ${P_LIBS})
  target_include_directories(${P_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  set_target_properties(${P_NAME} PROPERTIES CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# tonalith_add_gtest(NAME target SOURCES ... [LIBS ...] [TIMEOUT s] [SERIAL])
# A GoogleTest executable registered with CTest. Its main sets up a private
# settings folder and the offscreen Qt platform, so no test touches the user's files.
function(tonalith_add_gtest)
  if(NOT TONALITH_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(P "SERIAL" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT P_TIMEOUT)
    set(P_TIMEOUT 120)
  endif()
  add_executable(${P_NAME} ${P_SOURCES})
  target_link_libraries(${P_NAME} PRIVATE tonalith-test-main ${P_LIBS})
  set(props TIMEOUT ${P_TIMEOUT})
  if(P_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${P_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()

include(GoogleTest)
