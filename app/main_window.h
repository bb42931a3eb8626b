// The main window: its dialog procedure, the frame loop it runs, and the settings file it reads and writes.
#pragma once
#include <windows.h>

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handles waiting messages in batches and draws a frame whenever none is waiting, until running is 0.
void runFrameLoop();

// Settings file: read near the end of initialisation, written at close.
void readSettings();
void writeSettings();
