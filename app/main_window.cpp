// The main window: its dialog procedure, the initialisation that brings the program up, and command routing.
#include "app/main_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/animation_controls.h"
#include "app/brush_controls.h"
#include "app/layers_panel.h"
#include "app/clipboard.h"
#include "app/export_uv.h"
#include "app/open_files.h"
#include "app/main_layout.h"
#include "app/recovery.h"
#include "app/session.h"
#include "app/settings_file.h"
#include "app/state.h"
#include "skin/pattern_view.h"
#include "plugins/model.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "plugins/plugins_dialog.h"
#include "resources/resource.h"
#include "shell/client_origin.h"
#include "shell/dialog_labels.h"
#include "shell/message.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "paint/brush.h"
#include "paint/paint_options.h"
#include "skin/skin_commands.h"
#include "texture/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/skin_view.h"
#include "skin/texture_files.h"
#include "texture/layer_edits.h"
#include "skin/colour_panel_view.h"
#include "paint/colour_panel.h"
#include "viewport/frame.h"
#include "viewport/viewport.h"

// Where the views are laid out in the main window's client area, in pixels for the dialog font of Windows at
// 96 DPI; other fonts and DPIs carry the skin and pattern views to the same dialog-unit points. The viewport
// stays at its pixel place, scaled by the DPI: the controls are laid out around it.
static const POINT viewportPlace = {10, 10};
static const int viewportStartSide = 512;
static const int skinViewStartSide = 256;
static const POINT skinViewPlace = {545, 227};
// Beside the skin view, 10 pixels after its 256 pixels. Carried to its own dialog-unit point rather than put
// 10 pixels after wherever the skin view lands: under a wider font the column of "Load Pattern..." moves
// right further than the skin view's right edge, and this view stays over it.
static const POINT patternViewPlace = {545 + 256 + 10, 227};

// Under some fonts (Wine's stand-in for "MS Shell Dlg") the dialog comes out too short for the viewport at
// (10, 10) and its 10-pixel margin; grow it around its centre so nothing is clipped.
static void fitClientHeight(HWND window, LONG needed)
{
    RECT client;
    GetClientRect(window, &client);
    LONG missing = needed - (client.bottom - client.top);
    if (missing <= 0)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, frame.left, frame.top - missing / 2, frame.right - frame.left,
                 frame.bottom - frame.top + missing, SWP_NOZORDER | SWP_NOACTIVATE);
}

struct PlacedControl {
    HWND window;
    RECT rect;
    bool groupBox;
};

static bool overlaps(LONG a0, LONG a1, LONG b0, LONG b1)
{
    return a0 < b1 && b0 < a1;
}

static std::vector<PlacedControl> dialogControls(HWND window)
{
    std::vector<PlacedControl> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == viewportWindow || child == skinViewWindow || child == patternViewWindow)
            continue;
        controls.push_back({child, childRectInClient(window, child), isGroupBox(child)});
    }
    return controls;
}

static void placeControl(const PlacedControl &control)
{
    const RECT &r = control.rect;
    SetWindowPos(control.window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moves every control that a view covers, with the controls below it in its column, to just below the view.
static void clearView(std::vector<PlacedControl> &controls, const RECT &view)
{
    for (PlacedControl &covered : controls) {
        const RECT r = covered.rect;
        if (covered.groupBox || !overlaps(r.left, r.right, view.left, view.right) ||
            !overlaps(r.top, r.bottom, view.top, view.bottom))
            continue;
        LONG shift = view.bottom + 4 - r.top;
        for (PlacedControl &below : controls)
            if (!below.groupBox && below.rect.top >= r.top && overlaps(below.rect.left, below.rect.right, r.left, r.right))
                OffsetRect(&below.rect, 0, shift);
    }
}

// The dialog's layout assumes the dialog units of "MS Shell Dlg" on Windows. Under a font with smaller units
// (Wine's stand-in) the buttons under the skin and pattern views end up beneath them, out of the mouse's
// reach: move them clear, stretch the group boxes around them, and grow the window to hold them. Where the
// layout fits, nothing moves.
static void keepControlsClearOfViews(HWND window)
{
    std::vector<PlacedControl> controls = dialogControls(window);
    const RECT skin = childRectInClient(window, skinViewWindow);
    const RECT views[2] = {skin, childRectInClient(window, patternViewWindow)};
    for (const RECT &view : views)
        clearView(controls, view);
    LONG lowest = childRectInClient(window, viewportWindow).bottom;
    for (const RECT &view : views)
        lowest = std::max(lowest, view.bottom);
    for (const PlacedControl &control : controls)
        lowest = std::max(lowest, control.rect.bottom);
    for (PlacedControl &control : controls) {
        const RECT r = control.rect;
        if (control.groupBox && overlaps(r.top, r.bottom, skin.top, skin.bottom) && r.bottom < lowest + 4)
            control.rect.bottom = lowest + 4;
        placeControl(control);
    }
    fitClientHeight(window, lowest + MulDiv(10, windowDpi(window), 96));
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

// The system scales nothing of this dialog when it moves to a screen of another DPI: the window lays itself out
// again (changeMainWindowDpi). Only per-monitor systems (Windows 10 1703 and later) would, so it is looked up.
static void keepDpiScalingToOurselves(HWND window)
{
    typedef BOOL(WINAPI * SetDialogDpiChangeBehaviorFn)(HWND, int, int);
    const int disableAll = 1;   // DDC_DISABLE_ALL
    SetDialogDpiChangeBehaviorFn setBehavior = reinterpret_cast<SetDialogDpiChangeBehaviorFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    if (setBehavior)
        setBehavior(window, disableAll, disableAll);
}

// The views' start sizes follow the DPI, as the dialog's units do, so at 150 % the window is 150 % in every part.
static void createViews(HWND window)
{
    const int dpi = windowDpi(window);
    const int margin = MulDiv(viewportPlace.x, dpi, 96);
    const int viewportSide = MulDiv(viewportStartSide, dpi, 96);
    createViewport(margin, margin, viewportSide, viewportSide);
    const POINT skinPlace = placeInMainWindow(skinViewPlace.x, skinViewPlace.y);
    createSkinView(skinPlace.x, skinPlace.y);
    const int skinSide = MulDiv(skinViewStartSide, dpi, 96);
    SetWindowPos(skinViewWindow, nullptr, 0, 0, skinSide, skinSide, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The start texture fills its view: at 150 % a 256 x 256 texture shows at 1.5 pixels a texel.
    fitSkinView();
}

// The option controls are read here, and only here, whenever a command may have changed one of them: the
// painting code below reads the plain values.
static void readPaintOptions(HWND window)
{
    const auto checked = [window](int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; };
    paintOptions.usePattern = checked(IDC_USE_PATTERN);
    paintOptions.useColor = checked(IDC_USE_COLOR);
    paintOptions.smoothStrokes = checked(IDC_SMOOTH_STROKES);
    paintOptions.paintOnModel = checked(IDC_PAINT_ON_MODEL);
    paintOptions.mirror = checked(IDC_MIRROR);
    paintOptions.fill = checked(IDC_FILL);
    paintOptions.showGrid = checked(IDC_GRID);
    paintOptions.textureOnTheFly = checked(IDC_TEXTURE_ON_THE_FLY);
    paintOptions.classicUpload = checked(IDC_CLASSIC_TEXTURE);
    paintOptions.mipmapUpload = checked(IDC_MIPMAP_TEXTURE);
}

// The colour panel: below the skin view's right part and the pattern column, its recent colours kept across
// starts in pelterine.ini.
static const char RECENT_COLOURS_KEY[] = "colour.recent";

static void readRecentColours()
{
    const auto found = preferences.find(RECENT_COLOURS_KEY);
    recentColours = decodeRecentColours(found == preferences.end() ? std::string() : found->second);
    redrawColourPanel();   // the pen colour from config.cfg too
}

static void keepRecentColours()
{
    if (recentColours.count > 0)
        preferences[RECENT_COLOURS_KEY] = encodeRecentColours(recentColours);
    else
        preferences.erase(RECENT_COLOURS_KEY);
}

static void initMainWindow(HWND window)
{
    mainWindow = window;
    modelState.modelReady = 0;
    keepDpiScalingToOurselves(window);
    createViews(window);
    setPenColorPickedHandler(penColorChanged);
    const POINT patternPlace = placeInMainWindow(patternViewPlace.x, patternViewPlace.y);
    createPatternView(patternPlace.x, patternPlace.y);
    widenLabelsToText(window, {viewportWindow, skinViewWindow, patternViewWindow});
    createAnimationControls(window);
    createLayersPanel(window);
    createColourPanel(472, 300, 138, 88, IDC_COLOR_PANEL, penColorChanged);
    keepControlsClearOfViews(window);
    createSplitter(window);
    recordStartLayout(window);
    readClientOrigin(window);
    SetDlgItemTextA(window, IDC_MODEL_PATH, "_test_boite_tex.vmr");
    CheckDlgButton(window, IDC_TEXTURE_ON_THE_FLY, BST_CHECKED);
    SetDlgItemInt(window, IDC_PEN_SIZE, static_cast<UINT>(brushSettings.penSize), FALSE);
    SetDlgItemInt(window, IDC_ERASER_SIZE, static_cast<UINT>(brushSettings.eraserSize), FALSE);
    CheckDlgButton(window, IDC_CLASSIC_TEXTURE, BST_CHECKED);

    const std::string modelPath = dialogItemText(window, IDC_MODEL_PATH);
    if (!loadPlugin("vmr.dll"))
        showMessage("Unable to load plugin 'vmr.dll'", "Plugin Error", MB_ICONERROR);
    loadModel(modelPath.c_str());
    loadPattern("super_pattern_01.bmp");
    CheckDlgButton(window, IDC_USE_PATTERN, BST_CHECKED);
    EnableWindow(GetDlgItem(window, IDC_USE_COLOR), TRUE);
    readSettings();
    readRecentColours();
    restoreLayoutPreferences();
    restoreSession();
    SetFocus(GetDlgItem(window, IDC_MODEL_PATH));
    CheckDlgButton(window, IDC_SMOOTH_STROKES, BST_CHECKED);
    readPaintOptions(window);
    // The brush tip and the option boxes as the last close left them (pelterine.ini), and what follows them.
    initBrushControls(window);
    readPaintOptions(window);
    usePatternCommand();
    if (paintOptions.useColor)
        useColorCommand();
    // Files dropped from Explorer or another program open as a drop would.
    DragAcceptFiles(window, TRUE);
    followModelForExport();
}

// The commands that call the plugin or unload it. While a call into the plugin is on the stack (its own
// message box pumps the program's messages), they would run inside that call: they wait for it to return.
static bool commandCallsPlugin(int id)
{
    return id == IDC_CHOOSE_MODEL || id == IDC_LOAD_MODEL || id == IDC_PLUGINS;
}

static void runCommand(int id)
{
    if (commandCallsPlugin(id) && pluginCallUnderway()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    // A command acts on the texture as painted so far: what the last dabs left pending reaches the view and
    // the GL texture first, under the settings they were painted with; then the controls' new states count.
    flushPaintedRefresh();
    readPaintOptions(mainWindow);
    // The Layers panel's buttons, its mode box and Ctrl+Shift+N; every other command may change the stack too.
    if (layersPanelCommand(id))
        return;
    endOpacityDrag();
    switch (id) {
    case IDC_CHOOSE_MODEL: chooseModelCommand(); break;
    case IDC_LOAD_MODEL: loadModelCommand(); break;
    case IDC_TEXTURE_ON_THE_FLY: textureOnTheFlyCommand(); break;
    case IDC_APPLY_TEXTURE: uploadTexture(); break;
    case IDC_GRID: gridCommand(modelHasGrid()); break;
    case IDC_PLUGINS: openPluginsDialog(); break;
    case IDC_PEN_SIZE_OK: applyPenSizeCommand(); break;
    case IDC_ERASER_SIZE_OK: applyEraserSizeCommand(); break;
    case IDC_COLORS:
        if (colorsCommand())
            penColorChanged();
        break;
    case IDC_LOAD_PATTERN: loadPatternCommand(); break;
    case IDC_USE_PATTERN:
        usePatternCommand();
        greyBrushControls();
        break;
    case IDC_BRUSH_SHAPE: brushShapeCommand(); break;
    case IDC_USE_COLOR: useColorCommand(); break;
    case IDC_LOAD_TEXTURE: loadTextureCommand(); break;
    case IDC_NEW_TEXTURE: newTextureCommand(); break;
    case IDC_SAVE_TEXTURE: saveTextureCommand(); break;
    case IDC_UNDO: undoCommand(); break;
    case IDC_REDO: redoCommand(); break;
    case IDM_SAVE: saveTextureToCurrentFile(); break;
    case IDM_FIT_VIEW: fitSkinView(); break;
    case IDM_ACTUAL_SIZE: showSkinViewActualSize(); break;
    case IDC_PLAY: playPauseCommand(); break;
    case IDC_SEQUENCE: sequenceCommand(); break;
    case IDC_EXPORT_UV: exportUvLayoutCommand(); break;
    case IDM_COPY: copyTextureToClipboard(); break;
    case IDM_PASTE: pasteFromClipboard(); break;
    case IDC_FRAME_VIEW: requestModelFraming(); break;
    default: break;   // the radio buttons keep their own state; upload reads them
    }
    refreshLayersPanel();
    // A command that saved the texture leaves the autosave unneeded: recovery drops it now, not a frame later.
    autosaveIfDue();
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
    case WM_HSCROLL:
        // The frame trackbar, dragged or stepped with the keys.
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, IDC_FRAME_TRACKBAR))
            frameTrackbarCommand();
        else if (!layersPanelScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam)))
            brushTrackbarScrolled(reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        // The Layers list: choosing, showing and renaming layers.
        LRESULT result = 0;
        if (!layersPanelNotify(*reinterpret_cast<const NMHDR *>(lParam), result))
            return FALSE;
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_MOVE:
        decodeClientOrigin(static_cast<uint32_t>(lParam), clientOriginX, clientOriginY);
        return TRUE;
    case WM_MOUSEWHEEL:
        // The wheel goes to the window with the keyboard focus (a text box passes it up to here); over the skin
        // view it zooms the view, over the viewport the camera, wherever the focus is.
        if (zoomSkinViewAt(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)),
                           GET_WHEEL_DELTA_WPARAM(wParam)) ||
            zoomViewportAt(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)),
                           GET_WHEEL_DELTA_WPARAM(wParam))) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_SIZE:
        // Minimized, the children keep their places for the restore.
        if (wParam != SIZE_MINIMIZED)
            layoutMainWindow(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_DROPFILES:
        dropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_COPYDATA:
        // A second Pelterine started with files in this folder: they open here once the window is free.
        SetWindowLongPtrW(window, DWLP_MSGRESULT,
                          receiveHandedFiles(*reinterpret_cast<const COPYDATASTRUCT *>(lParam)) ? TRUE : FALSE);
        return TRUE;
    case WM_OPEN_WAITING_FILES:
        openWaitingFiles();
        return TRUE;
    case WM_TIMER:
        if (wParam != OPEN_FILES_TIMER)
            return FALSE;
        openWaitingFiles();
        return TRUE;
    case WM_GETMINMAXINFO:
        limitMainWindowSize(*reinterpret_cast<MINMAXINFO *>(lParam));
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        // Raised to the smallest size here; the default handling goes on after.
        keepMinimumWindowSize(*reinterpret_cast<WINDOWPOS *>(lParam));
        return FALSE;
    case WM_RESTORE_MINIMUM_SIZE:
        restoreMinimumWindowSize();
        return TRUE;
    case WM_DPICHANGED:
        changeMainWindowDpi(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return TRUE;
    case WM_CLOSE:
    case WM_QUIT:
        // The window is never destroyed: the loop ends on `running` and the process exits. The settings are
        // written before the quit message is posted, since a pending quit message would end the message box
        // that reports a failed write before the user could see it. A changed texture is offered for saving
        // first; Cancel keeps the program open with nothing written.
        flushPaintedRefresh();
        if (!offerToSaveTexture())
            return TRUE;
        removeAutosave();   // saved, unchanged, or "No": nothing left to recover
        running = 0;
        storeBrushPreferences();
        keepRecentColours();
        storeLayoutPreferences();
        storeSession();
        writeSettings();
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}
