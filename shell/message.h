// The one way the program reports: a message box with no owner window.
#pragma once
#include <windows.h>

void showMessage(const char *text, const char *caption, UINT icon);
// The same for a question: flags name the buttons and the icon; returns the button pressed (IDYES...).
int askUser(const char *text, const char *caption, UINT flags);
