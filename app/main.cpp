// The entry: start-up, the main window's creation, and the frame loop.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include "app/frame_pacer.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "app/shell.h"
#include "app/state.h"
#include "plugins/plugin_guard.h"
#include "resources/resource.h"
#include "skin/skin_view.h"
#include "viewport/viewport.h"

static int64_t nowMicros()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                                now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

static void startPacing()
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    uint32_t frequency = EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) ? mode.dmDisplayFrequency : 0;
    startFramePacer(framePacer, displayPeriodMicros(frequency));
}

// Sleeps until the next frame is due or a message arrives, whichever comes first.
static void waitForFrameOrInput(int64_t micros)
{
    DWORD milliseconds = static_cast<DWORD>((micros + 999) / 1000);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

static HACCEL shortcuts;

// Ctrl+Z and the other shortcuts act on the texture while the main window is active, except that a text box
// with the keyboard focus keeps Ctrl+Z for its own undo.
static bool translateShortcut(MSG &msg)
{
    bool key = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR ||
               msg.message == WM_SYSCHAR;
    if (!key || !shortcuts || GetActiveWindow() != mainWindow)
        return false;
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == mainWindow) {
        int id = GetDlgCtrlID(focus);
        if (id == IDC_MODEL_PATH || id == IDC_PEN_SIZE || id == IDC_ERASER_SIZE)
            return false;
    }
    return TranslateAcceleratorA(mainWindow, shortcuts, &msg) != 0;
}

void runFrameLoop()
{
    // Peeking for the main window only still brings its children's messages; the quit message, posted to
    // the thread, is never taken here, so `running` alone ends the loop.
    startPacing();
    while (running) {
        MSG msg;
        if (PeekMessageA(&msg, mainWindow, 0, 0, PM_NOREMOVE)) {
            while (PeekMessageA(&msg, mainWindow, 0, 0, PM_REMOVE)) {
                if (translateShortcut(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        refreshPaintedSkin();
        autosaveIfDue();
        // No frame before the display can show it: drawing faster only burns a core and spins the model
        // faster than the display's rate. A swap that already waits for the display needs no extra wait.
        int64_t now = nowMicros();
        int64_t wait = swapWaitsForDisplay() ? 0 : frameWaitMicros(framePacer, now);
        if (wait > 0) {
            waitForFrameOrInput(wait);
            continue;
        }
        noteFrameStart(framePacer, now);
        renderFrame();
        // A plugin that faulted while drawing is reported here, after its frame, never from inside GL drawing.
        reportPluginFault();
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    appInstance = instance;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    resetToDefaults();
    startRecovery();

    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, mainWindowProc, 0);
    if (!window) {
        showMessage("Error creating main window.", "Error", MB_ICONERROR);
        return 1;
    }
    shortcuts = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    ShowWindow(window, SW_SHOW);
    running = 1;
    offerRecoveredTexture();
    // Timed waits are only as fine as the system timer: ask for 1 ms so frames keep the display's pace.
    timeBeginPeriod(1);
    runFrameLoop();
    timeEndPeriod(1);
    return 0;
}
