# The end-to-end tests' Win32 driver: a console program that reads and drives Pelterine's windows from outside.
add_executable(pelterine_driver tests/driver/driver.cpp)
if(MINGW)
  target_compile_options(pelterine_driver PRIVATE -Wall -Wextra -municode)
  target_link_options(pelterine_driver PRIVATE -municode)
endif()
target_compile_definitions(pelterine_driver PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_libraries(pelterine_driver PRIVATE user32 gdi32 comdlg32 psapi ${STATIC_RUNTIME})
set_target_properties(pelterine_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools-bin)
