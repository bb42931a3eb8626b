// Loading a model through the plugin, building the mapping grid from its texture coordinates, and the commands
// that load a model.
#pragma once

#include "plugins/plugin_guard.h"

// Hands the path to the plugin's sk_load and brings the texture, the skin view and the grid up to date; then
// loads the picture the model is painted with, when there is one (named by the plugin, or named after the model).
void loadModel(const char *path);
// The same model loaded again through a plugin that was reloaded: no picture and no save question, since the
// texture already is what the user paints.
void reloadModel(const char *path);
// Rebuilds the grid layer from the plugin's texture triangles; the fault when the plugin faulted on the way.
PluginFault buildGrid();
// The loaded model has texture triangles the grid can show (the grid box may be checked).
bool modelHasGrid();
void loadModelCommand();
void chooseModelCommand();
