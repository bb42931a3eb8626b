// One viewport frame: poll the input, move the camera, spin, paint on the model, let the plugin draw, present it.
#pragma once

#include "plugins/plugin_guard.h"

// Draws and presents one frame. A plugin that faulted on the way is returned, not reported: the caller reports
// it once the frame is out of the way, never from inside GL drawing.
PluginFault renderFrame();
