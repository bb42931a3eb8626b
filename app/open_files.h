// Files from outside the program's choosers: dropped on the main window, named on the command line, or handed
// over by a second Pelterine started in the same folder. Each set opens as a drop does.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The files of this process's command line (CommandLineToArgvW), as full paths in UTF-8 from the folder the
// process started in.
std::vector<std::string> commandLineFilePaths();

// "Open with" and a file's shortcut may start the program in a folder of their own (the document's, the
// system's): with files on the command line and no plugins folder there, the program's own folder becomes the
// working folder, where its plugins and settings are.
void settleWorkingFolder();

// Opens the command line's files once the main window is up.
void openStartFiles();

// WM_DROPFILES: takes the dropped files (wide paths) and opens them.
void dropFiles(HDROP drop);

// A second start hands its files to the Pelterine whose main window this is; true when it took them.
bool handFilesTo(HWND runningWindow, const std::vector<std::string> &paths);

// WM_COPYDATA from a second start: true when it held files, which then open once the window is free (no box, no
// chooser, no dialog of its own, no plugin call and no stroke underway).
bool receiveHandedFiles(const COPYDATASTRUCT &data);

// The main window's message and timer that open files waiting for the window to be free.
enum : UINT { WM_OPEN_WAITING_FILES = WM_APP + 30 };
enum : UINT_PTR { OPEN_FILES_TIMER = 30 };
void openWaitingFiles();
