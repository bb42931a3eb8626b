// The OpenGL viewport window, its rendering context, and the frame.
#pragma once
#include <windows.h>

extern HWND viewportWindow;
extern HDC viewportDC;
extern HGLRC renderingContext;

void createViewport();
void renderFrame();

// Lets the plugin draw the model (sk_draw) under the fault guard. When it faults, the GL state it may have left
// half-set is put back (matrix stacks, attribute stacks, enabled states, client arrays, the skin texture), the
// fault stays pending for the frame loop to report after the frame, and false is returned.
bool drawPluginModel();

// The fixed GL state and the projection the viewport sets up at its creation, set again.
void restoreRenderingState();

// Ends a frame: swaps the buffers, or under a Wine that cannot show OpenGL in a child window, copies the
// frame onto the viewport itself.
void presentFrame();

// True when the frame's buffer swap already waits for the display's refresh.
bool swapWaitsForDisplay();
