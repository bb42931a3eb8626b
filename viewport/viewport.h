// The OpenGL viewport window, its rendering context, and the frame.
#pragma once
#include <windows.h>

extern HWND viewportWindow;
extern HDC viewportDC;
extern HGLRC renderingContext;

void createViewport();
void renderFrame();
