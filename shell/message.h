// The one way the program reports: a message box, with no owner window for reports and a question about the
// main window's work owned by it.
#pragma once
#include <windows.h>

void showMessage(const char *text, const char *caption, UINT icon);
// The same for a question: flags name the buttons and the icon; returns the button pressed (IDYES...).
int askUser(const char *text, const char *caption, UINT flags);
// A question (or a message) that belongs to a window: modal to it and on top of it, so that window takes no
// input until it is answered.
int askUserOwnedBy(HWND owner, const char *text, const char *caption, UINT flags);
