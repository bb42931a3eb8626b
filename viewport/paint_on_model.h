// Painting on the model in the viewport, while "Paint on model" is checked.
#pragma once
#include <windows.h>

#include <cstdint>

#include "plugins/plugin_guard.h"

// Runs before the visible frame is drawn, with the camera's matrix in place: polls the buttons, finds the
// texels under the brush on the viewport window and paints them, so the frame shows the paint. Returns the
// fault of a plugin that faulted while the texels were being found.
PluginFault paintOnModelFrame(HWND viewport);

// A painting button is held over the model: the spin waits meanwhile.
bool paintingOnModel();

// The viewport's window procedure hands over a left or right press (client coordinates, the message's wParam),
// so that a stroke starts where the button went down even when the frame sees it later.
void notePressOnModel(bool left, int32_t x, int32_t y, uint32_t wParam);

// With "Paint on model", draws the outline of the tip at the cursor over the frame (screen only).
void drawBrushOutlineOnModel(HWND viewport);
