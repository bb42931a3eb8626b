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

// WM_WINDOWPOSCHANGING: a size below the start size, however it came (a window manager that ignores the limits
// above), is raised to it.
void keepMinimumWindowSize(WINDOWPOS &position);

// Posted by the layout when the window was made smaller than at the start after all: sets it back to the
// smallest size it allows.
enum : UINT { WM_RESTORE_MINIMUM_SIZE = WM_APP + 20 };
void restoreMinimumWindowSize();

// Before the start layout is recorded: closes the gap that a dialog font wider than Windows' leaves between the
// viewport (placed in pixels) and the controls right of it (placed in dialog units), moving those controls and
// the window's right edge left, and puts the splitter (IDC_SPLITTER) in what remains.
void createSplitter(HWND window);

// The splitter's place kept across starts (layout.viewportShare in pelterine.ini): read after readSettings, and
// stored into the preferences before writeSettings.
void restoreLayoutPreferences();
void storeLayoutPreferences();

// WM_DPICHANGED: the start layout and the dialog's font scaled to the new DPI, then the window placed where the
// system suggests, which lays it out again.
void changeMainWindowDpi(int dpi, const RECT &suggested);
