// The program's instance and main window, and the small helpers for child windows and control state.
#pragma once
#include <windows.h>

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Whether a mouse button is held now: VK_LBUTTON, VK_RBUTTON or VK_MBUTTON as the user's settings name them (with
// swapped buttons the physical right one is the left), read from the key state's high bit only: its low bit
// means "pressed since the last look", which would count a button already released as held.
bool isMouseButtonDown(int virtualKey);

// Registers the class of one of the child windows; false when registration fails.
bool registerChildClass(const char *name, WNDPROC procedure);

// Creates one of the child windows at (x, y) of the main window's client area.
HWND createChildWindow(const char *className, int x, int y, int width, int height);

// Creates a control of a window class (WS_CHILD and `style`) at rectangle r of the window's client area, with
// the window's font and `id` as its control ID.
HWND createControl(HWND window, const wchar_t *className, const wchar_t *text, DWORD style, int id, const RECT &r);

// The main window's client pixel at the same dialog-unit point as (x, y), a position laid out for the
// dialog's font as Windows draws it ("MS Shell Dlg" 8 pt); under that font it is (x, y) itself.
POINT placeInMainWindow(int x, int y);


// A group box: a button control of the group-box style, which frames others.
bool isGroupBox(HWND control);

// Where a child window lies in its parent's client area.
RECT childRectInClient(HWND parent, HWND child);

// The dots per inch a window is shown at: its monitor's where the system scales per monitor (Windows 10 1607 and
// later), the system's otherwise; 96 is 100 %. The views' start sizes and the skin view's start zoom follow it.
int windowDpi(HWND window);
