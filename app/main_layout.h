// The main window's layout after start-up: the children laid out again as the window is resized, maximized or
// restored, the start size as the smallest, and the layout carried to another DPI when the window moves to a
// screen that has one.
#pragma once
#include <windows.h>

// Notes where every child of the main window lies now, at the start size, as the layout to grow from. Until
// then resizing lays nothing out.
void recordStartLayout(HWND window);

// WM_SIZE: lays the children out for a client area of this size.
void layoutMainWindow(int width, int height);

// WM_GETMINMAXINFO: the window never gets smaller than at the start.
void limitMainWindowSize(MINMAXINFO &limits);

// WM_DPICHANGED: the start layout and the dialog's font scaled to the new DPI, then the window placed where the
// system suggests, which lays it out again.
void changeMainWindowDpi(int dpi, const RECT &suggested);
