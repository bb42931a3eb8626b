// The OpenGL viewport window, its rendering context, and the frame.
#pragma once
#include <windows.h>

extern HWND viewportWindow;
extern HDC viewportDC;
extern HGLRC renderingContext;

void createViewport();
void renderFrame();

// Ends a frame: swaps the buffers, or under a Wine that cannot show OpenGL in a child window, copies the
// frame onto the viewport itself.
void presentFrame();

// True when the frame's buffer swap already waits for the display's refresh.
bool swapWaitsForDisplay();
