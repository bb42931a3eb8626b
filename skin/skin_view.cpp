// The skin view window, the OpenGL skin texture, and the painting that reaches them.
#include "skin/skin_view.h"

#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "skin/brush.h"
#include "skin/grid.h"
#include "skin/history.h"
#include "skin/skin_refresh.h"
#include "skin/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/stroke.h"

HWND skinViewWindow;
HDC skinViewDC;

static void (*penColorPicked)();

void setPenColorPickedHandler(void (*handler)())
{
    penColorPicked = handler;
}

void repaintSkinView()
{
    SendMessageA(skinViewWindow, WM_PAINT, 0, 0);
}

void refreshSkinView()
{
    recomposeSkinView(isChecked(IDC_GRID));
}

void showResizedTexture()
{
    drawGridLayer();
    resizeSkinTexture();
    refreshSkinView();
    repaintSkinView();
}

static void paintSkinView(HWND window)
{
    // Drawn without BeginPaint: a WM_PAINT sent with nothing invalid must still draw the whole view at once.
    StretchDIBits(skinViewDC, 0, 0, skinWidth, skinHeight, 0, 0, skinWidth, skinHeight, skinView,
                  reinterpret_cast<const BITMAPINFO *>(&skinHeader), DIB_RGB_COLORS, SRCCOPY);
    ValidateRect(window, nullptr);
}

// Draws the texels of one rectangle. The source of a bottom-up DIB is addressed from its bottom row; the
// window's rows run from the top.
static void paintSkinViewRect(const SkinRect &r)
{
    int width = r.right - r.left + 1;
    int height = r.top - r.bottom + 1;
    StretchDIBits(skinViewDC, r.left, skinHeight - 1 - r.top, width, height, r.left, r.bottom, width, height,
                  skinView, reinterpret_cast<const BITMAPINFO *>(&skinHeader), DIB_RGB_COLORS, SRCCOPY);
}

void refreshPaintedSkin()
{
    if (!pendingRefresh.repaint && !pendingRefresh.upload)
        return;
    RefreshWork work = takePendingRefresh();
    if (work.upload)
        uploadPaintedRows(work.firstRow, work.rowCount);
    if (!isEmptyRect(work.view))
        paintSkinViewRect(work.view);
}

static StrokeEvent strokeEventFor(UINT message)
{
    switch (message) {
    case WM_MOUSEMOVE: return StrokeEvent::move;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return StrokeEvent::buttonDown;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: return StrokeEvent::buttonUp;
    }
    return StrokeEvent::other;
}

void updateUndoButtons()
{
    EnableWindow(GetDlgItem(mainWindow, IDC_UNDO), canUndo() ? TRUE : FALSE);
    EnableWindow(GetDlgItem(mainWindow, IDC_REDO), canRedo() ? TRUE : FALSE);
}

void finishStroke()
{
    if (endStroke())
        updateUndoButtons();
}

// Without mouse capture the view hears nothing once the cursor has left it; WM_MOUSELEAVE says so, and the
// stroke then resumes where the cursor comes back instead of drawing a line across from where it left.
static bool leaveTracked;

static void trackLeave(HWND window)
{
    if (leaveTracked)
        return;
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
    leaveTracked = TrackMouseEvent(&track) != FALSE;
}

static void paintAtCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
        SetFocus(window);   // out of the text boxes, so the shortcuts act on the texture
    const TexelPoint at = {static_cast<int16_t>(LOWORD(lParam)), skinHeight - 1 - static_cast<int16_t>(HIWORD(lParam))};
    if (message == WM_LBUTTONDOWN && pickPenColor(static_cast<uint32_t>(wParam), at) && penColorPicked)
        penColorPicked();
    StrokeStep step = strokeMessage(strokeEventFor(message), static_cast<uint32_t>(wParam), at,
                                    isChecked(IDC_USE_PATTERN), isChecked(IDC_SMOOTH_STROKES));
    if (step.kept || step.began)
        updateUndoButtons();
    if (stroke.active)
        trackLeave(window);
    if (step.painted)
        noteDab(step.changed, textureOnTheFly != 0);
}

// The refresh after painting waits until the mouse messages already queued have been painted, so a burst of
// them is refreshed once: the first dab queues a request behind them. A request in the queue, rather than a
// look at the queue after every message, costs one round trip to the window server a burst instead of one a
// message; and it is handled by whichever loop runs, a message box's modal loop included.
static const UINT WM_REFRESH_PAINTED = WM_APP + 1;
static bool refreshRequested;

static void requestRefresh(HWND window)
{
    if (refreshRequested || (!pendingRefresh.repaint && !pendingRefresh.upload))
        return;
    refreshRequested = PostMessageA(window, WM_REFRESH_PAINTED, 0, 0) != FALSE;
    if (!refreshRequested)
        refreshPaintedSkin();
}

static LRESULT CALLBACK skinViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paintSkinView(window);
        break;
    case WM_MOUSELEAVE:
        leaveTracked = false;
        breakStrokeLine();
        break;
    case WM_REFRESH_PAINTED:
        refreshRequested = false;
        refreshPaintedSkin();
        return 0;
    default:
        if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
            paintAtCursor(window, message, wParam, lParam);
            requestRefresh(window);
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createSkinView(int x, int y)
{
    static_assert(sizeof(BitmapHeader) == sizeof(BITMAPINFO), "skinHeader is handed to GDI as a BITMAPINFO");
    if (!registerChildClass("SkinWindowClass", skinViewWindowProc))
        return;

    initSkinStore();
    skinViewWindow = createChildWindow("SkinWindowClass", x, y, SKIN_START_SIDE, SKIN_START_SIDE);
    if (!skinViewWindow)
        return;
    skinViewDC = GetDC(skinViewWindow);
    createSkinTexture();
    ShowWindow(skinViewWindow, SW_SHOW);
    UpdateWindow(skinViewWindow);
}
