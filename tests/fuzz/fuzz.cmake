# Fuzzers of the file parsers and the painting arithmetic. With PELTERINE_FUZZ (clang only) this build
# makes the libFuzzer fuzzers and nothing else; a usual native build given PELTERINE_FUZZ_BUILD runs each
# of that build's fuzzers for a few seconds as a CTest test labelled "fuzz".
option(PELTERINE_FUZZ "Build the libFuzzer fuzzers (needs clang) instead of the unit tests" OFF)
set(PELTERINE_FUZZ_BUILD "" CACHE PATH "Build folder of a PELTERINE_FUZZ build whose fuzzers the tests run")
set(PELTERINE_FUZZ_SECONDS 8 CACHE STRING "Seconds each fuzz test runs its fuzzer")
set(PELTERINE_FUZZERS fuzz_texture fuzz_pattern fuzz_settings fuzz_vmr fuzz_grid fuzz_paint fuzz_obj fuzz_md2 fuzz_picture fuzz_pcx fuzz_gltf fuzz_ora fuzz_dib)

function(add_fuzz_tests fuzz_dir)
  foreach(name ${PELTERINE_FUZZERS})
    add_test(NAME ${name}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzzer.sh ${fuzz_dir}/${name} ${PELTERINE_FUZZ_SECONDS}
              ${CMAKE_BINARY_DIR}/fuzz-artifacts)
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  endforeach()
endfunction()

if(PELTERINE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "PELTERINE_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # UBSan must stop at the first report, or libFuzzer would never see it as a crash.
  set(FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  foreach(library pelterine_core model_common vmr_format)
    target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link ${FUZZ_SANITIZERS})
  endforeach()
  foreach(name ${PELTERINE_FUZZERS})
    add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}.cpp)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${FUZZ_SANITIZERS} -Wall -Wextra)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE pelterine_core vmr_format)
  endforeach()
  target_sources(fuzz_vmr PRIVATE ${CMAKE_SOURCE_DIR}/tools/vmr_meshes.cpp)
  set(mesh_builder_source ${CMAKE_SOURCE_DIR}/model-plugins/common/mesh_builder.cpp)
  target_sources(fuzz_obj PRIVATE ${CMAKE_SOURCE_DIR}/model-plugins/obj/obj_format.cpp
                                  ${CMAKE_SOURCE_DIR}/model-plugins/obj/obj_material.cpp ${mesh_builder_source})
  target_sources(fuzz_md2 PRIVATE ${CMAKE_SOURCE_DIR}/model-plugins/md2/md2_format.cpp ${mesh_builder_source}
                                  ${CMAKE_SOURCE_DIR}/tools/md2_models.cpp)
  target_sources(fuzz_gltf PRIVATE ${CMAKE_SOURCE_DIR}/model-plugins/gltf/gltf_format.cpp
                                   ${CMAKE_SOURCE_DIR}/model-plugins/gltf/gltf_walk.cpp ${mesh_builder_source}
                                   ${CMAKE_SOURCE_DIR}/tools/gltf_models.cpp)
  target_include_directories(fuzz_gltf SYSTEM PRIVATE ${GLTF_INCLUDE_DIR})
  target_compile_definitions(fuzz_gltf PRIVATE $<TARGET_PROPERTY:gltf_format,INTERFACE_COMPILE_DEFINITIONS>)
  enable_testing()
  add_fuzz_tests(${CMAKE_BINARY_DIR})
elseif(PELTERINE_FUZZ_BUILD)
  get_filename_component(fuzz_build_dir "${PELTERINE_FUZZ_BUILD}" ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
  enable_testing()
  add_fuzz_tests(${fuzz_build_dir})
endif()
