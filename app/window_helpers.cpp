// The program's handles and the small helpers for child windows and control state.
#include "app/shell.h"

HINSTANCE appInstance;
HWND mainWindow;

bool registerChildClass(const char *name, WNDPROC procedure)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    // CS_OWNDC: each view keeps the DC it takes at creation for every paint or frame of the run; a DC from
    // the shared cache would have to be released after each use.
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = procedure;
    wc.hInstance = appInstance;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

HWND createChildWindow(const char *className, int x, int y, int width, int height)
{
    return CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE, x, y, width, height, mainWindow, nullptr,
                           appInstance, nullptr);
}

bool isChecked(int controlId)
{
    return IsDlgButtonChecked(mainWindow, controlId) == BST_CHECKED;
}
