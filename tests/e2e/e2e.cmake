# End-to-end tests: each tests/e2e/test_*.py drives the Windows build's pelterine.exe under Wine as one CTest test.
# They start Wine and Xvfb and keep a core busy, so they run one at a time. A file may ask for a longer
# limit with a line "# e2e-timeout: <seconds>".
find_package(Python3 COMPONENTS Interpreter REQUIRED)
file(GLOB E2E_TEST_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(test_file ${E2E_TEST_FILES})
  get_filename_component(test_name ${test_file} NAME_WE)
  set(test_timeout 300)
  file(STRINGS ${test_file} timeout_line REGEX "^# e2e-timeout: [0-9]+" LIMIT_COUNT 1)
  if(timeout_line)
    string(REGEX REPLACE "^# e2e-timeout: ([0-9]+).*" "\\1" test_timeout "${timeout_line}")
  endif()
  add_test(NAME e2e_${test_name}
    COMMAND ${Python3_EXECUTABLE} ${test_file} --win-build ${PELTERINE_WIN_BUILD} --source ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_${test_name} PROPERTIES RUN_SERIAL TRUE TIMEOUT ${test_timeout} LABELS e2e
                       ENVIRONMENT PELTERINE_NATIVE_BUILD=${CMAKE_BINARY_DIR})
endforeach()
