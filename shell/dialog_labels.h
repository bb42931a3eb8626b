// Fitting a dialog's labels to their text under whatever font the dialog was given.
#pragma once
#include <windows.h>

#include <initializer_list>

// Labels are sized for the dialog font of Windows; under a wider one (Wine's stand-in for "MS Shell Dlg") a
// label wraps its last words out of sight ("Available plugins :" showed "Available"). Widens every left-aligned
// static text of the dialog that does not fit on its line, up to the next control on its row, the side of a
// group box around it, or the client area's edge. The windows in `ignored` (views the program draws itself)
// are neither widened nor counted as in the way.
void widenLabelsToText(HWND dialog, std::initializer_list<HWND> ignored = {});
