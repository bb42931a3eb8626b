# vmr.dll, the shipped model plugin, built into the staged plugins folder. The .def file pins the export
# names to exactly the six plain sk_ names the program looks up.
add_model_plugin(vmr ${DIST_DIR}/plugins
  ${CMAKE_CURRENT_LIST_DIR}/vmr_plugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../common/mesh_plugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vmr.def
)
target_link_libraries(vmr PRIVATE vmr_format)
if(MINGW)
  target_compile_options(vmr PRIVATE -Wall -Wextra)
endif()
