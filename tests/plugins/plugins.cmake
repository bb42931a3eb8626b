# Test plugins for the end-to-end tests, built into test-plugins/; a test copies the ones it needs into
# the plugins\ folder of its working folder. Target names carry a prefix; the DLL names do not.
set(TEST_PLUGIN_DIR ${CMAKE_BINARY_DIR}/test-plugins)
set(TEST_PLUGIN_NAMES noload_nodraw nodraw bare recorder example_quad frame_timer breach)

add_custom_target(test_plugins)
foreach(plugin ${TEST_PLUGIN_NAMES})
  add_model_plugin(testplugin_${plugin} ${TEST_PLUGIN_DIR} ${CMAKE_CURRENT_LIST_DIR}/${plugin}.c)
  set_target_properties(testplugin_${plugin} PROPERTIES OUTPUT_NAME ${plugin})
  if(MINGW)
    target_compile_options(testplugin_${plugin} PRIVATE -Wall -Wextra)
  endif()
  add_dependencies(test_plugins testplugin_${plugin})
endforeach()

# A file named like a library that is not one: LoadLibraryA refuses it.
file(WRITE ${TEST_PLUGIN_DIR}/notadll.dll "This is a text file, not a library.\n")

# A C++ plugin that faults where its file name says (see faulty.cpp); a test copies it under such names.
add_model_plugin(testplugin_faulty ${TEST_PLUGIN_DIR} ${CMAKE_CURRENT_LIST_DIR}/faulty.cpp)
set_target_properties(testplugin_faulty PROPERTIES OUTPUT_NAME faulty)
if(MINGW)
  target_compile_options(testplugin_faulty PRIVATE -Wall -Wextra)
endif()
add_dependencies(test_plugins testplugin_faulty)

# A C++ plugin whose exports come out decorated: what the contract header's prototypes prevent.
add_model_plugin(testplugin_mangled ${TEST_PLUGIN_DIR} ${CMAKE_CURRENT_LIST_DIR}/mangled.cpp)
set_target_properties(testplugin_mangled PROPERTIES OUTPUT_NAME mangled)
add_dependencies(test_plugins testplugin_mangled)
