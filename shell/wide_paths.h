// The edge between the program's UTF-8 paths and the system's wide (UTF-16) functions, the ANSI text a plugin
// takes, and the main window's text boxes, which hold text of any language.
#pragma once
#include <windows.h>

#include <string>

// A path for the wide functions. Text that is not UTF-8 is taken as the ANSI code page, where it came from.
std::wstring widePath(const char *path);
// The full path of a file named relative to the working folder (or already full), for the wide functions.
std::wstring wideFullPath(const char *path);
// A path from the wide functions, as the program keeps it.
std::string utf8Path(const wchar_t *path);

// The path of an existing file as a plugin's sk_load can take it (8-bit text in the ANSI code page): as it is
// when the code page can write it, else its short (8.3) form when that can be written. False when neither can.
bool pluginPathText(const char *path, std::string &ansi);

// A text box of a window, read and written in UTF-8 through the wide functions.
std::string dialogItemText(HWND window, int controlId);
void setDialogItemText(HWND window, int controlId, const char *text);
