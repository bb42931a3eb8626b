// The frame loop: waiting messages are handled in batches, and a viewport frame is drawn whenever none waits.
#include "app/frame_loop.h"

#include <windows.h>

#include "app/animation_controls.h"
#include "app/brush_controls.h"
#include "app/layers_panel.h"
#include "app/export_uv.h"
#include "app/file_watch.h"
#include "app/recovery.h"
#include "app/state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/frame_clock.h"
#include "shell/frame_pacer.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"
#include "viewport/frame.h"
#include "viewport/viewport.h"

static HACCEL shortcuts;

void loadShortcuts()
{
    shortcuts = LoadAcceleratorsA(appInstance, MAKEINTRESOURCEA(IDA_MAIN));
}

// Ctrl+Z and the other shortcuts act on the texture while the main window is active, except that a text box
// with the keyboard focus keeps them (Ctrl+Z, Ctrl+C, Ctrl+V) for its own text.
static bool translateShortcut(MSG &msg)
{
    bool key = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR ||
               msg.message == WM_SYSCHAR;
    if (!key || !shortcuts || GetActiveWindow() != mainWindow)
        return false;
    HWND focus = GetFocus();
    // Any text box keeps Ctrl+C, Ctrl+V and Ctrl+Z for its text, a combo box's among them.
    wchar_t focusClass[16] = L"";
    if (focus && GetClassNameW(focus, focusClass, 16) && lstrcmpiW(focusClass, L"Edit") == 0)
        return false;
    if (focus && GetParent(focus) == mainWindow) {
        int id = GetDlgCtrlID(focus);
        if (id == IDC_MODEL_PATH || id == IDC_PEN_SIZE || id == IDC_ERASER_SIZE)
            return false;
    }
    return TranslateAcceleratorW(mainWindow, shortcuts, &msg) != 0;
}

// While nothing in the viewport moves the loop sleeps until a message comes, waking this often to look at F5 and
// the autosave: a few looks a second cost nothing measurable.
static const int64_t IDLE_LOOK_MICROS = 250000;

static bool frameDue(bool minimized)
{
    return viewportFrameDue(minimized, viewportMoving(), viewportFrameRequested());
}

// Enter in the model path or a size box presses the button beside it ("Load", "OK"). There is no dialog
// navigation, so Enter anywhere else, like Tab, does nothing. A held key's repeats press nothing more.
static bool pressButtonForEnter(const MSG &msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN || !msg.hwnd || GetParent(msg.hwnd) != mainWindow)
        return false;
    int button;
    switch (GetDlgCtrlID(msg.hwnd)) {
    case IDC_MODEL_PATH: button = IDC_LOAD_MODEL; break;
    case IDC_PEN_SIZE: button = IDC_PEN_SIZE_OK; break;
    case IDC_ERASER_SIZE: button = IDC_ERASER_SIZE_OK; break;
    default: return false;
    }
    const bool repeat = (msg.lParam & (1 << 30)) != 0;
    if (!repeat)
        SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, button)));
    // A size, once applied, is done with: the keyboard goes back to the painting, so Ctrl+Z undoes a stroke
    // again and Ctrl+0 fits the view, instead of acting on the box's text.
    if (button != IDC_LOAD_MODEL && skinViewWindow)
        SetFocus(skinViewWindow);
    return true;
}

// F and Home frame the model again while the keyboard is with the views, the main window or a button: in a text
// box, a list or a trackbar the keys keep their own meaning. With Ctrl or Alt they are someone else's.
static bool frameModelForKey(const MSG &msg)
{
    if (msg.message != WM_KEYDOWN || (msg.wParam != 'F' && msg.wParam != VK_HOME) ||
        (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000) || GetActiveWindow() != mainWindow)
        return false;
    HWND focus = GetFocus();
    wchar_t className[16] = L"";
    if (focus && focus != mainWindow && focus != viewportWindow && focus != skinViewWindow &&
        (!GetClassNameW(focus, className, 16) || lstrcmpiW(className, L"Button") != 0))
        return false;
    requestModelFraming();
    return true;
}

// The wheel goes to the window with the keyboard focus; over the skin view or the viewport it zooms the one under
// the cursor whatever has the focus (a list or a combo box would otherwise take it for itself).
static bool zoomViewForWheel(const MSG &msg)
{
    if (msg.message != WM_MOUSEWHEEL)
        return false;
    const int x = static_cast<int16_t>(LOWORD(msg.lParam)), y = static_cast<int16_t>(HIWORD(msg.lParam));
    const int delta = GET_WHEEL_DELTA_WPARAM(msg.wParam);
    return zoomSkinViewAt(x, y, delta) || zoomViewportAt(x, y, delta);
}

void runFrameLoop()
{
    // Peeking for the main window only still brings its children's messages; the quit message, posted to
    // the thread, is never taken here, so `running` alone ends the loop.
    startPacingToDisplay();
    while (running) {
        MSG msg;
        // The wide functions: the main window and its text boxes are Unicode windows, so typed text of any
        // language reaches them whole.
        if (PeekMessageW(&msg, mainWindow, 0, 0, PM_NOREMOVE)) {
            while (PeekMessageW(&msg, mainWindow, 0, 0, PM_REMOVE)) {
                noteKeyMessage(msg.message, msg.wParam);
                if (pressButtonForEnter(msg) || frameModelForKey(msg) || zoomViewForWheel(msg) ||
                    translateShortcut(msg) || brushKey(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        flushPaintedRefresh();
        // The brush outline goes when the cursor has left the view, even where no leave message says so.
        followBrushOutline();
        refreshLayersPanel();
        autosaveIfDue();
        followAnimation();
        watchOpenFiles();
        followModelForExport();
        // Nothing moves and nothing changed: no frame at all until something does.
        const bool minimized = IsIconic(mainWindow) != FALSE;
        if (!minimized && !frameDue(false))
            pollSpinKeyWhileIdle();
        if (!frameDue(minimized)) {
            waitForFrameOrInput(IDLE_LOOK_MICROS);
            continue;
        }
        // No frame before the display can show it: drawing faster only burns a core and spins the model
        // faster than the display's rate. A swap that already waits for the display needs no extra wait.
        int64_t now = nowMicros();
        int64_t wait = swapWaitsForDisplay() ? 0 : frameWaitMicros(framePacer, now);
        if (wait > 0) {
            waitForFrameOrInput(wait);
            continue;
        }
        noteFrameStart(framePacer, now);
        noteViewportFrameDrawn();
        // A plugin that faulted while drawing is reported here, after its frame, never from inside GL drawing.
        reportPluginFault(renderFrame());
    }
}
