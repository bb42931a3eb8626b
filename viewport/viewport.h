// The OpenGL viewport window, its rendering context, and how a frame reaches the screen.
#pragma once
#include <windows.h>

extern HWND viewportWindow;
extern HDC viewportDC;
extern HGLRC renderingContext;

// Creates the viewport at (x, y) of the main window's client area; its creation makes the rendering context
// current for the rest of the run. It draws at whatever size the main window's layout gives it.
void createViewport(int x, int y, int width, int height);

// Ends a frame: swaps the buffers, or under a Wine that cannot show OpenGL in a child window, copies the
// frame onto the viewport itself.
void presentFrame();

// True when the frame's buffer swap already waits for the display's refresh.
bool swapWaitsForDisplay();
