// The loaded model's surface read from the plugin's own drawing in OpenGL's feedback mode, once per model, for
// Mirror on the flat texture.
#pragma once

#include "plugins/plugin_guard.h"

// When the model changed since the last call: forgets the old surface and, for a model with texture coordinates,
// lets the plugin draw it twice in feedback mode (once to find where it lies, once within a box that holds it
// closely) and keeps its triangles (setModelSurface). Every piece of GL state it touches is put back. Returns the
// plugin's fault, if any, for the caller to report.
PluginFault captureModelSurface();
