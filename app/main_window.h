// The main window: its dialog procedure, the initialisation that brings the program up, and command routing.
#pragma once
#include <windows.h>

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
