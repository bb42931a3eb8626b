# The native build: unit tests of the platform-free code under AddressSanitizer and UBSan, benchmarks on an
# unsanitised copy of the core, the data generators, and the end-to-end tests that drive the Windows build
# (configured with PELTERINE_WIN_BUILD) under Wine.

# The fuzzers: a clang build of their own (PELTERINE_FUZZ), which the usual build runs as tests when
# PELTERINE_FUZZ_BUILD names it.
include(${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
if(PELTERINE_FUZZ)
  return()
endif()

option(PELTERINE_SANITIZE "Build the core and its tests with AddressSanitizer and UBSan" ON)

function(sanitize target)
  if(PELTERINE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                                             -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
sanitize(pelterine_core)
foreach(reader model_common vmr_format mesh_builder obj_format md2_format gltf_format plugin_rules)
  sanitize(${reader})
endforeach()

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

set(NATIVE_TEST_PATTERN "*.cpp" CACHE STRING "Which tests/native files to build (a glob)")
file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/${NATIVE_TEST_PATTERN})
add_executable(native_tests ${NATIVE_TEST_SOURCES} tools/pattern_art.cpp tools/vmr_meshes.cpp tools/md2_models.cpp
                            tools/island_models.cpp tools/gltf_models.cpp)
target_link_libraries(native_tests PRIVATE pelterine_core vmr_format obj_format md2_format gltf_format plugin_rules
                                           GTest::gtest
                                           GTest::gtest_main)
target_compile_definitions(native_tests PRIVATE PELTERINE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
sanitize(native_tests)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)

# The generators of the committed default data; the tests check the committed files against them.
add_executable(make_pattern tools/make_pattern.cpp tools/pattern_art.cpp)
target_link_libraries(make_pattern PRIVATE pelterine_core)
sanitize(make_pattern)
add_executable(make_vmr tools/make_vmr.cpp tools/vmr_meshes.cpp)
target_link_libraries(make_vmr PRIVATE vmr_format)
sanitize(make_vmr)
# Not default data: writes the island models' OBJ text for painting on the model by hand or under Wine.
add_executable(make_island_obj tools/make_island_obj.cpp tools/island_models.cpp)
target_link_libraries(make_island_obj PRIVATE pelterine_core)
sanitize(make_island_obj)

# Benchmarks measure the code as shipped: unsanitised, optimised copies of the libraries they time.
find_package(benchmark QUIET)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(benchmark_FOUND AND BENCH_SOURCES)
  foreach(library pelterine_core model_common vmr_format mesh_builder obj_format md2_format gltf_format)
    get_target_property(sources ${library} SOURCES)
    add_library(${library}_fast STATIC ${sources})
    target_include_directories(${library}_fast PUBLIC ${CMAKE_SOURCE_DIR})
    target_include_directories(${library}_fast SYSTEM PUBLIC ${STB_INCLUDE_DIR})
    target_compile_options(${library}_fast PRIVATE -O2)
    target_link_libraries(${library}_fast PUBLIC ZLIB::ZLIB)
  endforeach()
  target_include_directories(gltf_format_fast SYSTEM PUBLIC ${GLTF_INCLUDE_DIR})
  target_compile_definitions(gltf_format_fast PUBLIC $<TARGET_PROPERTY:gltf_format,INTERFACE_COMPILE_DEFINITIONS>)
  add_executable(benchmarks ${BENCH_SOURCES} tools/island_models.cpp tools/md2_models.cpp tools/gltf_models.cpp)
  target_compile_options(benchmarks PRIVATE -O2)
  target_link_libraries(benchmarks PRIVATE pelterine_core_fast obj_format_fast md2_format_fast gltf_format_fast
                                           mesh_builder_fast vmr_format_fast model_common_fast benchmark::benchmark
                                           benchmark::benchmark_main)
endif()

set(PELTERINE_WIN_BUILD "" CACHE PATH "Build folder of the Windows build, for the end-to-end tests")
if(PELTERINE_WIN_BUILD)
  include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
endif()

# The layering of the program's folders and files (tools/include_graph.py says what it checks).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME include_graph COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/include_graph.py)
  # The user guide's table of keys names every shortcut the program has.
  add_test(NAME keys_table COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/keys_table.py)
endif()
