// One viewport frame: poll the input, move the camera, spin, paint on the model, let the plugin draw, present it.
#pragma once

#include <windows.h>

#include "plugins/plugin_guard.h"

// Draws and presents one frame. A plugin that faulted on the way is returned, not reported: the caller reports
// it once the frame is out of the way, never from inside GL drawing.
PluginFault renderFrame();

// True while the viewport needs frames of its own accord: the model spins or plays its frames, a button that moves
// the camera is held, or a stroke is being painted on the model. Otherwise frames are drawn only when asked for.
bool viewportMoving();

// While no frames are drawn nothing polls the keys, yet F5 resumes the spin whichever window has the focus:
// the frame loop looks at it a few times a second meanwhile.
void pollSpinKeyWhileIdle();

// A key message on its way to any of the program's windows: F5 resumes the spin at once, even if the key is up
// again before the next frame polls it.
void noteKeyMessage(UINT message, WPARAM key);

// F, Home or "Frame": the next frame frames the model again (a load frames it by itself).
void requestModelFraming();

// The mouse wheel turned by wheelDelta (WHEEL_DELTA a notch) with the cursor at a screen point: over the viewport
// it moves the camera towards the model (wheel turned away from the user) or back, about the cursor, and returns
// true; elsewhere it does nothing and returns false.
bool zoomViewportAt(int screenX, int screenY, int wheelDelta);
