// One Pelterine per working folder: config.cfg, the autosave and the recovered texture belong to the folder, and
// two programs writing them would spoil each other's.
#pragma once
#include <windows.h>

// Claims the working folder for this process. When another Pelterine holds it: says so, brings that one's main
// window to the front and returns false, and the caller ends without touching anything in the folder.
bool claimWorkingFolder();

// Tells a Pelterine started later in the same folder which window to bring to the front.
void publishMainWindow(HWND window);
