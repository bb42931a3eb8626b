# The Windows build: pelterine.exe, the shipped and test plugins, the test driver, and the staged dist/ folder.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)

if(MINGW)
  set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
endif()

add_executable(pelterine WIN32
  shell/choosers.cpp
  shell/dialog_labels.cpp
  shell/files.cpp
  shell/frame_clock.cpp
  shell/message.cpp
  shell/wide_paths.cpp
  shell/window_helpers.cpp
  app/main.cpp
  app/frame_loop.cpp
  app/animation_controls.cpp
  app/layers_panel.cpp
  app/main_layout.cpp
  app/main_window.cpp
  app/brush_controls.cpp
  app/recovery.cpp
  app/session.cpp
  app/settings_file.cpp
  app/single_instance.cpp
  app/open_files.cpp
  app/file_watch.cpp
  app/clipboard.cpp
  app/export_uv.cpp
  skin/skin_view.cpp
  skin/skin_commands.cpp
  skin/skin_texture.cpp
  skin/new_texture_dialog.cpp
  skin/texture_files.cpp
  skin/pattern_view.cpp
  skin/colour_panel_view.cpp
  viewport/viewport.cpp
  viewport/gl_state.cpp
  viewport/frame.cpp
  viewport/paint_on_model.cpp
  viewport/plugin_draw.cpp
  viewport/model_surface.cpp
  plugins/plugin_slot.cpp
  plugins/plugin_guard.cpp
  plugins/model.cpp
  plugins/plugins_dialog.cpp
  plugins/library_problem.cpp
  resources/pelterine.rc
)
target_link_libraries(pelterine PRIVATE pelterine_core opengl32 glu32 gdi32 user32 comdlg32 comctl32 winmm shell32 ${STATIC_RUNTIME})
if(MINGW)
  target_compile_options(pelterine PRIVATE -Wall -Wextra)
endif()
set_target_properties(pelterine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})

# The version resource takes the project's version from a generated header; tools/package.sh names the release
# zip from the same version, written beside the build.
configure_file(${CMAKE_SOURCE_DIR}/resources/pelterine_version.h.in ${CMAKE_BINARY_DIR}/generated/pelterine_version.h
               @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/pelterine-version.txt "${PROJECT_VERSION}\n")
target_include_directories(pelterine PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(resources/pelterine.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/resources/pelterine.exe.manifest;${CMAKE_SOURCE_DIR}/resources/pelterine.ico;${CMAKE_BINARY_DIR}/generated/pelterine_version.h")
if(MSVC)
  # The manifest is the program's own, in pelterine.rc: the linker must not make another.
  target_link_options(pelterine PRIVATE /MANIFEST:NO)
endif()

# Model plugins are loaded by name from dist/plugins: no "lib" prefix.
function(add_model_plugin name out_dir)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${out_dir})
  # The kit's files include the contract header and each other by their bare names, as in the release's sdk\.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/plugin-api ${CMAKE_SOURCE_DIR}/sdk)
  target_compile_definitions(${name} PRIVATE PELTERINE_PLUGIN_BUILD)
  target_link_libraries(${name} PRIVATE opengl32 ${STATIC_RUNTIME})
endfunction()

# A shipped model plugin: model-plugins/<name>/<name>_plugin.cpp with its .def file, which pins the export
# names to exactly the plain sk_ names the program looks up, the mesh code they share, and its format reader.
function(add_shipped_plugin name format_library)
  set(folder ${CMAKE_SOURCE_DIR}/model-plugins)
  add_model_plugin(${name} ${DIST_DIR}/plugins
    ${folder}/${name}/${name}_plugin.cpp ${folder}/common/mesh_plugin.cpp ${CMAKE_SOURCE_DIR}/sdk/sk_mesh.c
    ${folder}/${name}/${name}.def)
  target_link_libraries(${name} PRIVATE ${format_library} mesh_builder)
  if(MINGW)
    target_compile_options(${name} PRIVATE -Wall -Wextra)
  endif()
endfunction()

# The plugin authors' checker, shipped in the release's sdk\ folder: a console program.
add_executable(plugincheck tools/plugincheck/plugincheck.cpp plugins/plugin_guard.cpp plugins/library_problem.cpp
  shell/wide_paths.cpp)
target_link_libraries(plugincheck PRIVATE plugin_rules pelterine_core opengl32 glu32 gdi32 user32 ${STATIC_RUNTIME})
if(MINGW)
  target_compile_options(plugincheck PRIVATE -Wall -Wextra)
endif()
set_target_properties(plugincheck PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sdk)

# The kit's example plugin, built here too so that a change to the contract or the helper that breaks it shows at
# once; the end-to-end tests build it again from the release zip, as an author would.
add_model_plugin(ply_example ${CMAKE_BINARY_DIR}/test-plugins ${CMAKE_SOURCE_DIR}/sdk/example/ply_example.c
                 ${CMAKE_SOURCE_DIR}/sdk/sk_mesh.c ${CMAKE_SOURCE_DIR}/sdk/example/ply_example.def)

include(model-plugins/vmr/plugin.cmake OPTIONAL)
include(model-plugins/obj/plugin.cmake OPTIONAL)
include(model-plugins/md2/plugin.cmake OPTIONAL)
include(model-plugins/gltf/plugin.cmake OPTIONAL)
include(tests/plugins/plugins.cmake OPTIONAL)
include(tests/driver/driver.cmake OPTIONAL)
include(data/data.cmake OPTIONAL)
