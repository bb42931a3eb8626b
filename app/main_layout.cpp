// The main window's layout after start-up: resizing, the smallest size, and a change of DPI.
#include "app/main_layout.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/settings_file.h"
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

// Where the user left the splitter (NO_VIEWPORT_SHARE: never dragged), and the window at its start size.
static int32_t viewportShare = NO_VIEWPORT_SHARE;
static HWND splitterWindow;

static LayoutRole roleOf(HWND child)
{
    if (child == viewportWindow)
        return LayoutRole::viewport;
    if (child == splitterWindow)
        return LayoutRole::splitter;
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
    // The Layers panel under the animation row: the group and the list widen with the viewport, the buttons,
    // the opacity and the mode stay at its right edge.
    if (id == IDC_LAYERS_GROUP || id == IDC_LAYER_LIST)
        return LayoutRole::belowViewportStretch;
    if (id >= IDC_NEW_LAYER && id <= IDC_LAYER_MODE)
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
    // Smaller than at the start after all (a window manager that does not hold the minimum): laid out as at the
    // start for now, and set back to the smallest size once this size change is over.
    if ((width < startClient.width || height < startClient.height) && !IsZoomed(layoutWindow))
        PostMessageW(layoutWindow, WM_RESTORE_MINIMUM_SIZE, 0, 0);
    const std::vector<LayoutBox> boxes = layoutAtSize(startItems, startClient, {width, height}, viewportShare);
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

void keepMinimumWindowSize(WINDOWPOS &position)
{
    if (!layoutWindow || (position.flags & SWP_NOSIZE) || IsIconic(layoutWindow))
        return;
    const SIZE smallest = windowSizeFor(startClient);
    position.cx = std::max<int>(position.cx, smallest.cx);
    position.cy = std::max<int>(position.cy, smallest.cy);
}

void restoreMinimumWindowSize()
{
    if (!layoutWindow || IsIconic(layoutWindow) || IsZoomed(layoutWindow))
        return;
    RECT client = {}, frame = {};
    GetClientRect(layoutWindow, &client);
    GetWindowRect(layoutWindow, &frame);
    if (client.right >= startClient.width && client.bottom >= startClient.height)
        return;
    const SIZE smallest = windowSizeFor(startClient);
    SetWindowPos(layoutWindow, nullptr, 0, 0, std::max<LONG>(frame.right - frame.left, smallest.cx),
                 std::max<LONG>(frame.bottom - frame.top, smallest.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- the splitter

static const wchar_t SPLITTER_CLASS[] = L"SplitterWindowClass";
static int grabOffset;   // where in the bar the drag took hold of it

static void dragSplitterTo(int barLeft)
{
    RECT client = {};
    GetClientRect(layoutWindow, &client);
    const RECT view = childRectInClient(layoutWindow, viewportWindow);
    viewportShare = viewportShareFor(startItems, startClient, {client.right, client.bottom}, barLeft - view.left);
    layoutMainWindow(client.right, client.bottom);
}

static void paintSplitter(HWND bar)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT r = {};
    GetClientRect(bar, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    // A short grip in the middle says that the bar can be taken hold of.
    const int middle = (r.left + r.right) / 2, half = std::min<LONG>(20, r.bottom / 4);
    RECT grip = {middle - 1, r.bottom / 2 - half, middle + 1, r.bottom / 2 + half};
    DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
    EndPaint(bar, &paint);
}

static LRESULT CALLBACK splitterWindowProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paintSplitter(bar);
        return 0;
    case WM_LBUTTONDOWN:
        grabOffset = static_cast<int16_t>(LOWORD(lParam));
        SetCapture(bar);   // the drag goes on over the views on either side
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == bar && (wParam & MK_LBUTTON)) {
            POINT at = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
            MapWindowPoints(bar, layoutWindow, &at, 1);
            dragSplitterTo(at.x - grabOffset);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == bar)
            ReleaseCapture();
        return 0;
    }
    return DefWindowProcW(bar, message, wParam, lParam);
}

// The controls right of the viewport: everything whose left edge lies at or beyond the viewport's right edge.
static LONG controlsLeft(HWND window, const RECT &view)
{
    LONG left = LONG_MAX;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = childRectInClient(window, child);
        if (child != viewportWindow && r.left >= view.right)
            left = std::min(left, r.left);
    }
    return left;
}

void createSplitter(HWND window)
{
    const RECT view = childRectInClient(window, viewportWindow);
    const LONG barWidth = MulDiv(10, windowDpi(window), 96);
    const LONG left = controlsLeft(window, view);
    if (left == LONG_MAX)
        return;
    const LONG gap = left - view.right - barWidth;
    if (gap > 0) {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const RECT r = childRectInClient(window, child);
            if (child != viewportWindow && r.left >= view.right)
                SetWindowPos(child, nullptr, r.left - gap, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT frame = {};
        GetWindowRect(window, &frame);
        // Narrower by the gap, and still centred where it was.
        SetWindowPos(window, nullptr, frame.left + gap / 2, frame.top, frame.right - frame.left - gap,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    WNDCLASSEXW barClass = {};
    barClass.cbSize = sizeof barClass;
    barClass.lpfnWndProc = splitterWindowProc;
    barClass.hInstance = appInstance;
    barClass.hCursor = LoadCursor(nullptr, IDC_SIZEWE);
    barClass.lpszClassName = SPLITTER_CLASS;
    if (!RegisterClassExW(&barClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    RECT client = {};
    GetClientRect(window, &client);
    splitterWindow = CreateWindowExW(0, SPLITTER_CLASS, L"", WS_CHILD | WS_VISIBLE, view.right, view.top, barWidth,
                                     client.bottom - 2 * view.top, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SPLITTER)), appInstance, nullptr);
}

void restoreLayoutPreferences()
{
    int32_t share = NO_VIEWPORT_SHARE;
    if (!preferenceInteger(preferences, "layout.viewportShare", 0, VIEWPORT_SHARE_WHOLE, share))
        return;
    viewportShare = share;
    if (!layoutWindow)
        return;
    RECT client = {};
    GetClientRect(layoutWindow, &client);
    layoutMainWindow(client.right, client.bottom);
}

void storeLayoutPreferences()
{
    if (viewportShare >= 0)
        preferences["layout.viewportShare"] = std::to_string(viewportShare);
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
