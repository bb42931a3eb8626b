// The plugin's sk_draw under the fault guard, and the GL state put back after a plugin that faulted half-way.
#pragma once

#include <cstddef>
#include <vector>

#include "plugins/plugin_guard.h"

// Lets the plugin draw the model (sk_draw) under the fault guard. When it faults, the GL state it may have left
// half-set is put back (matrix stacks, attribute stacks, enabled states, client arrays, the skin texture) and
// the fault is returned.
PluginFault drawPluginModel();
// Sets the GL state a frame relies on, whatever a plugin left: the modelview matrix current and nothing pushed,
// the identity texture matrix, the program's enables on and the others off, no client array, the skin texture
// bound with the default environment. Run before every frame and after the plugin's drawing.
void setFrameState();

// Lets the plugin draw the model once in GL_FEEDBACK mode under an identity modelview and the orthographic
// projection glOrtho(-halfSide, halfSide) on all three axes, into a 2 x 2 viewport, and hands back the GL_3D
// feedback values (the first maxValues of them when it drew more). The frame's matrices, viewport and render
// mode are as before afterwards.
PluginFault feedbackPluginModel(double halfSide, size_t maxValues, std::vector<float> &values);
