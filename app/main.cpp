// The entry: start-up, the main window's creation, and the frame loop.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include "app/frame_loop.h"
#include "app/main_window.h"
#include "app/open_files.h"
#include "app/recovery.h"
#include "app/session.h"
#include "app/single_instance.h"
#include "app/state.h"
#include "resources/resource.h"
#include "shell/message.h"
#include "shell/window_helpers.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    appInstance = instance;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    settleWorkingFolder();
    // Another Pelterine in this folder owns its files: nothing here may touch them, the recovery least of all.
    if (!claimWorkingFolder())
        return 0;
    resetToDefaults();
    startRecovery();

    // A Unicode window, so its text boxes take paths and text of any language.
    HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, mainWindowProc, 0);
    if (!window) {
        showMessage("Error creating main window.", "Error", MB_ICONERROR);
        return 1;
    }
    publishMainWindow(window);
    loadShortcuts();
    ShowWindow(window, SW_SHOW);
    running = 1;
    // A recovered painting comes back on the model and through the plugin it was painted with.
    const AutosaveRecord recovered = offerRecoveredTexture();
    restoreRecoveredModel(recovered.plugin, recovered.model);
    openStartFiles();
    // Timed waits are only as fine as the system timer: ask for 1 ms so frames keep the display's pace.
    timeBeginPeriod(1);
    runFrameLoop();
    timeEndPeriod(1);
    return 0;
}
