// The Win32 shell's services that every subsystem uses: the program's handles, child windows, control state,
// the message helper, the choosers and file access. Nothing here depends on any subsystem.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Registers the class of one of the three child windows; false when registration fails.
bool registerChildClass(const char *name, WNDPROC procedure);

// Creates one of the three child windows at (x, y) of the main window's client area.
HWND createChildWindow(const char *className, int x, int y, int width, int height);

// The main window's client pixel at the same dialog-unit point as (x, y), a position laid out for the
// dialog's font as Windows draws it ("MS Shell Dlg" 8 pt); under that font it is (x, y) itself.
POINT placeInMainWindow(int x, int y);

bool isChecked(int controlId);

// The one way the program reports: a message box with no owner window.
void showMessage(const char *text, const char *caption, UINT icon);
// The same for a question: flags name the buttons and the icon; returns the button pressed (IDYES...).
int askUser(const char *text, const char *caption, UINT flags);

// Choosers. The returned path is a new copy the caller releases with free(); nullptr when cancelled.
char *chooseOpenPath(const char *filterText, const char *filterPattern);
// The open chooser with a whole filter list as the common dialogs take it: "text\0pattern\0...\0\0".
char *chooseOpenPathFrom(const char *filters);
// The save chooser with a whole filter list; defaultExtension is without its dot ("bmp").
char *chooseSavePath(const char *filters, const char *defaultExtension);
bool chooseColor(COLORREF &color);

// Reads a whole file into bytes; false when it cannot be opened or read.
bool readWholeFile(const char *path, std::vector<uint8_t> &bytes);

// Writes into a temporary file beside the target, checks every write and the close, then replaces the target.
// On any failure the target is left as it was and false is returned.
bool writeFileSafely(const char *path, const uint8_t *data, size_t size);
