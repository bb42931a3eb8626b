// The main window: its dialog procedure, the initialisation that brings the program up, and command routing.
#include "app/main_window.h"

#include "app/state.h"
#include "pattern/pattern_view.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "skin/skin_view.h"
#include "viewport/viewport.h"

HWND mainWindow;

bool isChecked(int controlId)
{
    return IsDlgButtonChecked(mainWindow, controlId) == BST_CHECKED;
}

// Under some fonts (Wine's stand-in for "MS Shell Dlg") the dialog comes out too short for the viewport at
// (10, 10) and its 10-pixel margin; grow it around its centre so nothing is clipped.
static void fitClientToViewport(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int needed = 10 + 512 + 10;
    int missing = needed - (client.bottom - client.top);
    if (missing <= 0)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, frame.left, frame.top - missing / 2, frame.right - frame.left,
                 frame.bottom - frame.top + missing, SWP_NOZORDER | SWP_NOACTIVATE);
}

static void readClientOrigin(HWND window)
{
    WINDOWINFO info = {};
    info.cbSize = sizeof info;
    if (GetWindowInfo(window, &info)) {
        clientOriginX = info.rcClient.left;
        clientOriginY = info.rcClient.top;
    }
}

static void initMainWindow(HWND window)
{
    mainWindow = window;
    modelReady = 0;
    fitClientToViewport(window);
    createViewport();
    createSkinView();
    createPatternView();
    readClientOrigin(window);
    SetDlgItemTextA(window, IDC_MODEL_PATH, "_test_boite_tex.vmr");
    CheckDlgButton(window, IDC_TEXTURE_ON_THE_FLY, BST_CHECKED);
    SetDlgItemInt(window, IDC_PEN_SIZE, static_cast<UINT>(penSize), FALSE);
    SetDlgItemInt(window, IDC_ERASER_SIZE, static_cast<UINT>(eraserSize), FALSE);
    CheckDlgButton(window, IDC_CLASSIC_TEXTURE, BST_CHECKED);

    char modelPath[256] = "";
    GetDlgItemTextA(window, IDC_MODEL_PATH, modelPath, sizeof modelPath);
    if (!loadPlugin("vmr.dll"))
        showMessage("Unable to load plugin 'vmr.dll'", "Plugin Error", MB_ICONERROR);
    loadModel(modelPath);
    loadPattern("super_pattern_01.bmp");
    CheckDlgButton(window, IDC_USE_PATTERN, BST_CHECKED);
    EnableWindow(GetDlgItem(window, IDC_USE_COLOR), TRUE);
    readSettings();
    SetFocus(GetDlgItem(window, IDC_MODEL_PATH));
}

static void runCommand(int id)
{
    switch (id) {
    case IDC_CHOOSE_MODEL: chooseModelCommand(); break;
    case IDC_LOAD_MODEL: loadModelCommand(); break;
    case IDC_TEXTURE_ON_THE_FLY: textureOnTheFlyCommand(); break;
    case IDC_APPLY_TEXTURE: uploadTexture(); break;
    case IDC_GRID: gridCommand(); break;
    case IDC_PLUGINS: openPluginsDialog(); break;
    case IDC_PEN_SIZE_OK: applyPenSizeCommand(); break;
    case IDC_ERASER_SIZE_OK: applyEraserSizeCommand(); break;
    case IDC_COLORS: colorsCommand(); break;
    case IDC_LOAD_PATTERN: loadPatternCommand(); break;
    case IDC_USE_PATTERN: usePatternCommand(); break;
    case IDC_USE_COLOR: useColorCommand(); break;
    case IDC_LOAD_TEXTURE: loadTextureCommand(); break;
    case IDC_SAVE_TEXTURE: saveTextureCommand(); break;
    default: break;   // the radio buttons keep their own state; upload reads them
    }
}

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initMainWindow(window);
        return TRUE;
    case WM_COMMAND:
        // The notification code is not looked at: every notification of a control runs its command.
        runCommand(LOWORD(wParam));
        return TRUE;
    case WM_MOVE:
        decodeClientOrigin(static_cast<uint32_t>(lParam), clientOriginX, clientOriginY);
        return TRUE;
    case WM_CLOSE:
    case WM_QUIT:
        // The window is never destroyed: the loop ends on `running` and the process exits.
        PostQuitMessage(0);
        running = 0;
        writeSettings();
        return TRUE;
    }
    return FALSE;
}
