// The entry: start-up, the main window's creation, and the frame loop.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"
#include "app/shell.h"
#include "app/state.h"
#include "resources/resource.h"
#include "viewport/viewport.h"

void runFrameLoop()
{
    // Peeking for the main window only still brings its children's messages; the quit message, posted to
    // the thread, is never taken here, so `running` alone ends the loop.
    while (running) {
        MSG msg;
        if (PeekMessageA(&msg, mainWindow, 0, 0, PM_NOREMOVE)) {
            while (PeekMessageA(&msg, mainWindow, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            renderFrame();
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    appInstance = instance;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    resetToDefaults();

    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, mainWindowProc, 0);
    if (!window) {
        showMessage("Error creating main window.", "Error", MB_ICONERROR);
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    running = 1;
    runFrameLoop();
    return 0;
}
