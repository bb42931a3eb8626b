# obj.dll, the shipped Wavefront OBJ model plugin, built into the staged plugins folder beside vmr.dll.
# The .def file pins the export names to exactly the six plain sk_ names the program looks up.
add_model_plugin(obj ${DIST_DIR}/plugins
  ${CMAKE_CURRENT_LIST_DIR}/obj_plugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../common/mesh_plugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj.def
)
target_link_libraries(obj PRIVATE obj_format)
if(MINGW)
  target_compile_options(obj PRIVATE -Wall -Wextra)
endif()
