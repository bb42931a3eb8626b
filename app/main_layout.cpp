// The main window's layout after start-up: resizing, the smallest size, and a change of DPI.
#include "app/main_layout.h"

#include <vector>

#include "skin/pattern_view.h"
#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "shell/window_layout.h"
#include "skin/skin_view.h"
#include "viewport/viewport.h"

// The layout the window grows from: its children as they lay at the start size, at the DPI of then.
static HWND layoutWindow;
static std::vector<HWND> layoutChildren;
static std::vector<LayoutItem> startItems;
static ClientSize startClient;
static int layoutDpi;
// The dialog's font made for another DPI than the one the window was created at; the dialog's own font is the
// dialog's to free and is never deleted here.
static HFONT scaledFont;

static LayoutRole roleOf(HWND child)
{
    if (child == viewportWindow)
        return LayoutRole::viewport;
    if (child == skinViewWindow)
        return LayoutRole::skinShown;
    const int id = GetDlgCtrlID(child);
    if (id == IDC_MODEL_PATH || id == IDC_PLUGIN_NAME)
        return LayoutRole::stretch;
    if (id == IDC_PLAY)
        return LayoutRole::belowViewport;
    if (id == IDC_FRAME_TRACKBAR)
        return LayoutRole::belowViewportStretch;
    if (id == IDC_SEQUENCE || id == IDC_FRAME_VIEW)
        return LayoutRole::belowViewportEnd;
    return isGroupBox(child) ? LayoutRole::container : LayoutRole::control;
}

void recordStartLayout(HWND window)
{
    layoutWindow = window;
    layoutChildren.clear();
    startItems.clear();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = childRectInClient(window, child);
        const LayoutRole role = roleOf(child);
        layoutChildren.push_back(child);
        startItems.push_back({{r.left, r.top, r.right, r.bottom, role == LayoutRole::container}, role});
    }
    RECT client = {};
    GetClientRect(window, &client);
    startClient = {client.right, client.bottom};
    layoutDpi = windowDpi(window);
}

void layoutMainWindow(int width, int height)
{
    if (!layoutWindow || width <= 0 || height <= 0)
        return;
    const std::vector<LayoutBox> boxes = layoutAtSize(startItems, startClient, {width, height});
    HDWP moves = BeginDeferWindowPos(static_cast<int>(boxes.size()));
    for (size_t i = 0; i < boxes.size() && moves; ++i) {
        const LayoutBox &b = boxes[i];
        moves = DeferWindowPos(moves, layoutChildren[i], nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves)
        EndDeferWindowPos(moves);
    // Group boxes paint only their frame and text: what lay inside them before the move is erased by the
    // dialog, and every child paints itself again (the viewport shows its last frame).
    RedrawWindow(layoutWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The window rectangle around a client area of this size at the window's DPI.
static SIZE windowSizeFor(ClientSize client)
{
    typedef BOOL(WINAPI * AdjustForDpiFn)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const AdjustForDpiFn adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    RECT r = {0, 0, client.width, client.height};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(layoutWindow, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(layoutWindow, GWL_EXSTYLE));
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(windowDpi(layoutWindow))))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

void limitMainWindowSize(MINMAXINFO &limits)
{
    if (!layoutWindow)
        return;
    const SIZE smallest = windowSizeFor(startClient);
    limits.ptMinTrackSize.x = smallest.cx;
    limits.ptMinTrackSize.y = smallest.cy;
}

// The dialog's font, and every control's, at the new DPI: the system scales none of it for this dialog.
static void scaleFont(int from, int to)
{
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(layoutWindow, WM_GETFONT, 0, 0));
    LOGFONTW font = {};
    if (!current || !GetObjectW(current, sizeof font, &font))
        return;
    font.lfHeight = MulDiv(font.lfHeight, to, from);
    HFONT made = CreateFontIndirectW(&font);
    if (!made)
        return;
    SendMessageW(layoutWindow, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
    for (HWND child : layoutChildren)
        if (child != viewportWindow && child != skinViewWindow && child != patternViewWindow)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (scaledFont)
        DeleteObject(scaledFont);
    scaledFont = made;
}

void changeMainWindowDpi(int dpi, const RECT &suggested)
{
    if (!layoutWindow || dpi <= 0)
        return;
    if (dpi != layoutDpi) {
        scaleLayout(startItems, startClient, layoutDpi, dpi);
        // The pattern view draws its 64 pixels whatever the DPI: only its place follows.
        for (size_t i = 0; i < layoutChildren.size(); ++i)
            if (layoutChildren[i] == patternViewWindow) {
                LayoutBox &b = startItems[i].start;
                b.right = b.left + 64;
                b.bottom = b.top + 64;
            }
        scaleFont(layoutDpi, dpi);
        layoutDpi = dpi;
    }
    SetWindowPos(layoutWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client = {};
    GetClientRect(layoutWindow, &client);
    layoutMainWindow(client.right, client.bottom);
}
