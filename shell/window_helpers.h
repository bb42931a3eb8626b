// The program's instance and main window, and the small helpers for child windows and control state.
#pragma once
#include <windows.h>

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Registers the class of one of the child windows; false when registration fails.
bool registerChildClass(const char *name, WNDPROC procedure);

// Creates one of the child windows at (x, y) of the main window's client area.
HWND createChildWindow(const char *className, int x, int y, int width, int height);

// The main window's client pixel at the same dialog-unit point as (x, y), a position laid out for the
// dialog's font as Windows draws it ("MS Shell Dlg" 8 pt); under that font it is (x, y) itself.
POINT placeInMainWindow(int x, int y);

bool isChecked(int controlId);
