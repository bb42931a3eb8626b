// The skin view window: the texture shown at any zoom and pan, and the painting that reaches it.
#include "skin/skin_view.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "paint/brush.h"
#include "paint/bucket.h"
#include "paint/model_mirror.h"
#include "skin/fill_seed.h"
#include "uv/model_layout.h"
#include "uv/grid.h"
#include "texture/history.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/skin_view_map.h"
#include "skin/colour_panel_view.h"
#include "paint/stroke.h"
#include "paint/paint_options.h"
#include "paint/pattern_store.h"

HWND skinViewWindow;
HDC skinViewDC;

static void (*penColorPicked)();

// Which screen pixel shows which texel, and the view's picture as the screen shows it: 32-bit pixels, top row
// first, composed from the buffers wherever they changed.
static ViewMap viewMap;
static std::vector<uint32_t> screenPixels;

void setPenColorPickedHandler(void (*handler)())
{
    penColorPicked = handler;
}

void redrawSkinView()
{
    SendMessageA(skinViewWindow, WM_PAINT, 0, 0);
}

// The brush outline: drawn over the view on the screen only, after every blit of the pixels under it, and taken
// away by blitting those pixels again. Nothing of it reaches a buffer.
static bool outlineShown;
static BrushOutline outline;
static ViewRect outlineDrawn;

static void blitViewRect(const ViewRect &area);

static void drawOutline()
{
    if (!outlineShown)
        return;
    HGDIOBJ oldPen = SelectObject(skinViewDC, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(skinViewDC, GetStockObject(NULL_BRUSH));
    const BrushOutline &o = outline;
    // A white line with a black one inside it: the edge shows on light and dark paint alike.
    const int l = static_cast<int>(std::lround(o.left)), t = static_cast<int>(std::lround(o.top));
    const int r = static_cast<int>(std::lround(o.right)), b = static_cast<int>(std::lround(o.bottom));
    for (int ring = 0; ring < 2; ++ring) {
        SelectObject(skinViewDC, GetStockObject(ring ? BLACK_PEN : WHITE_PEN));
        if (o.round)
            Ellipse(skinViewDC, l + ring, t + ring, r - ring, b - ring);
        else
            Rectangle(skinViewDC, l + ring, t + ring, r - ring, b - ring);
    }
    SelectObject(skinViewDC, oldBrush);
    SelectObject(skinViewDC, oldPen);
}

static ViewRect outlineBounds(const BrushOutline &o)
{
    const auto bound = [](double v) { return static_cast<int32_t>(std::max(-1e6, std::min(v, 1e6))); };
    return ViewRect{bound(std::floor(o.left)) - 2, bound(std::floor(o.top)) - 2, bound(std::ceil(o.right)) + 2,
                    bound(std::ceil(o.bottom)) + 2};
}

static ViewRect clipToView(const ViewRect &r)
{
    return ViewRect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, viewMap.viewWidth),
                    std::min(r.bottom, viewMap.viewHeight)};
}

static void hideOutline()
{
    if (!outlineShown)
        return;
    outlineShown = false;
    blitViewRect(clipToView(outlineDrawn));
}

// The outline for the cursor at pixel (x, y) over texture point `at`, for the tip the buttons in wParam would
// paint with: the eraser's while the right button alone is held, otherwise the pen's; the pattern while it is
// the tip.
// The outline follows the mouse itself: a message that says the cursor is somewhere the mouse is not (one posted
// by another program) moves no outline.
static bool cursorOverView()
{
    POINT screen = {0, 0};
    return GetCursorPos(&screen) && WindowFromPoint(screen) == skinViewWindow;
}

static bool cursorIsAt(POINT client)
{
    POINT screen = {0, 0};
    if (!GetCursorPos(&screen) || WindowFromPoint(screen) != skinViewWindow)
        return false;
    ScreenToClient(skinViewWindow, &screen);
    return screen.x == client.x && screen.y == client.y;
}

static BrushPoint outlineAt;
static POINT outlineCursor;

static void showOutline(BrushPoint at, int32_t x, int32_t y, WPARAM wParam)
{
    outlineAt = at;
    outlineCursor = POINT{x, y};
    const bool eraser = (wParam & (MK_LBUTTON | MK_RBUTTON)) == MK_RBUTTON;
    const PaintOptions &o = paintOptions;
    int32_t width = eraser ? brushSettings.eraserSize : brushSettings.penSize, height = width;
    if (o.usePattern) {
        width = patternWidth;
        height = patternHeight;
    }
    const BrushOutline next =
        brushOutlineAt(viewMap, at, !o.usePattern && o.brushShape == BrushShape::round, width, height, x, y);
    hideOutline();
    // A tip of a few pixels shows no outline: a cross at the cursor would hide the very texels it paints there.
    if (next.cross)
        return;
    outline = next;
    outlineShown = true;
    outlineDrawn = outlineBounds(outline);
    drawOutline();
}

void followBrushOutline()
{
    if (outlineShown && !cursorOverView())
        hideOutline();
}

void refreshBrushOutline()
{
    if (outlineShown)
        showOutline(outlineAt, outlineCursor.x, outlineCursor.y, 0);
}

// Composes the pixels of one rectangle of the view and draws them, the outline over them where it lies.
static void showViewRect(const ViewRect &area)
{
    blitViewRect(area);
    if (outlineShown && area.left < outlineDrawn.right && outlineDrawn.left < area.right &&
        area.top < outlineDrawn.bottom && outlineDrawn.top < area.bottom)
        drawOutline();
}

// Composes the pixels of one rectangle of the view and draws them. At one screen pixel per texel the view shows
// skinShown as it is; at other zooms the painting with the grid drawn one screen pixel wide from the triangles.
static void blitViewRect(const ViewRect &area)
{
    if (area.right <= area.left || area.bottom <= area.top || screenPixels.empty())
        return;
    const bool grid = skinGridShown && !gridTriangles.empty();
    const ViewSource source = {skinBase, skinShown, grid ? gridTriangles.data() : nullptr,
                               grid ? gridTriangles.size() / 6 : 0};
    composeView(viewMap, source, area, screenPixels.data());
    // The rows of the rectangle, as a top-down DIB of their own.
    const int rows = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = viewMap.viewWidth;
    info.bmiHeader.biHeight = -rows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(skinViewDC, area.left, area.top, static_cast<DWORD>(area.right - area.left),
                      static_cast<DWORD>(rows), area.left, 0, 0, static_cast<UINT>(rows),
                      screenPixels.data() + static_cast<size_t>(area.top) * static_cast<size_t>(viewMap.viewWidth),
                      &info, DIB_RGB_COLORS);
}

static void paintSkinView(HWND window)
{
    // Drawn without BeginPaint: a WM_PAINT sent with nothing invalid must still draw the whole view at once.
    showViewRect(wholeView(viewMap));
    ValidateRect(window, nullptr);
}

// The view's client size, which the screen picture follows.
static void sizeScreenPixels()
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(skinViewWindow, &client);
    const int32_t width = client.right > 0 ? client.right : 1, height = client.bottom > 0 ? client.bottom : 1;
    screenPixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    resizeView(viewMap, width, height);
}

void fitSkinView()
{
    viewMap = makeViewMap(skinWidth, skinHeight, viewMap.viewWidth, viewMap.viewHeight);
    redrawSkinView();
}

void showSkinViewActualSize()
{
    showActualSize(viewMap);
    redrawSkinView();
}

void showResizedTexture()
{
    drawGridLayer();
    resizeSkinTexture();
    composeSkinShown(paintOptions.showGrid);
    fitSkinView();
}

void flushPaintedRefresh()
{
    if (!pendingRefresh.repaint && !pendingRefresh.upload)
        return;
    RefreshWork work = takePendingRefresh();
    if (work.upload)
        uploadPaintedRows(work.firstRow, work.rowCount);
    if (!isEmptyRect(work.view))
        showViewRect(pixelsShowingTexels(viewMap, work.view));
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

// Where the last mouse message of the view was, and whether that was inside it.
static POINT lastCursor;
static bool lastInside;

static TexelPoint texelUnder(int32_t x, int32_t y)
{
    const TexelHit hit = texelAtPixel(viewMap, x, y);
    return TexelPoint{hit.column, hit.row};
}

// The texture point under the centre of pixel (x, y): between texel centres when zoomed in; the centre of the
// texel the pixel shows wherever the two would disagree (a pixel centre on a texel's edge).
static BrushPoint pointUnder(int32_t x, int32_t y)
{
    const TexelPoint texel = texelUnder(x, y);
    const BrushPoint p = texturePointAt(viewMap, x + 0.5, y + 0.5);
    const TexelPoint t = texelOf(p);
    if (t.x != texel.x || t.y != texel.y)
        return BrushPoint{texel.x + 0.5, texel.y + 0.5};
    return p;
}

// The last point of the way from `from` (inside the view) to `to` (outside it) that still lies inside.
static POINT edgeOnTheWayOut(POINT from, POINT to)
{
    double t = 1.0;
    const double limits[2][2] = {{0.0, viewMap.viewWidth - 1.0}, {0.0, viewMap.viewHeight - 1.0}};
    const double start[2] = {double(from.x), double(from.y)}, move[2] = {double(to.x - from.x), double(to.y - from.y)};
    for (int axis = 0; axis < 2; ++axis) {
        const double end = start[axis] + move[axis];
        if (end < limits[axis][0])
            t = std::min(t, (limits[axis][0] - start[axis]) / move[axis]);
        else if (end > limits[axis][1])
            t = std::min(t, (limits[axis][1] - start[axis]) / move[axis]);
    }
    return POINT{static_cast<LONG>(from.x + move[0] * t + 0.5), static_cast<LONG>(from.y + move[1] * t + 0.5)};
}

static void noteStrokeStep(HWND window, const StrokeStep &step)
{
    if (step.kept || step.began)
        updateUndoButtons();
    if (step.began)
        noteStrokeColour(stroke.kind);
    if (stroke.active)
        trackLeave(window);
    if (step.painted)
        noteDab(step.changed, paintOptions.textureOnTheFly);
}

// "Fill": a press with exactly one button fills from the texel under it (and from its mirror image with
// "Mirror"), as one undo step; moves paint nothing.
static void fillAtCursor(UINT message, WPARAM wParam, POINT cursor, bool usePattern, bool mirror)
{
    const DabKind kind = dabKindFor(static_cast<uint32_t>(wParam));
    if ((message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN) || kind == DabKind::none)
        return;
    finishStroke();
    beginHistoryStep();
    // A click a few pixels beside an island fills that island, not the gutter around it; the mirrored seed is the
    // model's other side when the model is known, the texel across the middle column otherwise.
    TexelPoint seeds[2] = {fillSeedAt(viewMap, modelLayout, cursor.x, cursor.y, FILL_CLICK_REACH), TexelPoint{0, 0}};
    const bool mirrored = mirror && mirroredSeed(seeds[0], seeds[1]);
    const SkinRect changed = fillFromSeeds(kind, seeds, mirrored ? 2 : 1, usePattern, 0);
    noteStrokeColour(kind);
    if (endHistoryStep())
        markTextureChanged();
    updateUndoButtons();
    noteDab(changed, paintOptions.textureOnTheFly);
}

static void paintAtCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT cursor = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
    const bool inside = cursor.x >= 0 && cursor.y >= 0 && cursor.x < viewMap.viewWidth && cursor.y < viewMap.viewHeight;
    const StrokeEvent event = strokeEventFor(message);
    if (!inside || message == WM_MOUSEWHEEL) {
        hideOutline();
    } else if (cursorIsAt(cursor)) {
        trackLeave(window);
        showOutline(pointUnder(cursor.x, cursor.y), cursor.x, cursor.y, wParam);
    }
    const bool usePattern = paintOptions.usePattern, smooth = paintOptions.smoothStrokes;
    const bool mirror = paintOptions.mirror;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        SetFocus(window);   // out of the text boxes, so the shortcuts act on the texture
        // While the button is held the view keeps hearing the cursor beyond its edges, so it knows where a stroke
        // left and where it came back; otherwise a stroke that leaves and re-enters elsewhere would draw a line
        // across. Only for a button that is really down: a press without its release must not keep the mouse.
        if (isMouseButtonDown(VK_LBUTTON) || isMouseButtonDown(VK_RBUTTON))
            SetCapture(window);
    }
    // The mouse goes back once no button is held, whichever message says so first.
    if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == window)
        ReleaseCapture();
    if (paintOptions.fill) {
        const TexelPoint at = texelUnder(cursor.x, cursor.y);
        if (message == WM_LBUTTONDOWN && pickPenColor(static_cast<uint32_t>(wParam), at) && penColorPicked)
            penColorPicked();
        else if (inside)
            fillAtCursor(message, wParam, cursor, usePattern, mirror);
        return;
    }
    // While a button is held the system may go on sending the view the cursor's moves beyond its edges. The line
    // runs to the edge where the cursor left and breaks there; the stroke goes on where it comes back.
    if (!inside && event == StrokeEvent::move && dabKindFor(static_cast<uint32_t>(wParam)) != DabKind::none) {
        if (stroke.active && stroke.joined && lastInside && smooth) {
            const POINT edge = edgeOnTheWayOut(lastCursor, cursor);
            noteStrokeStep(window, strokeMessage(event, static_cast<uint32_t>(wParam), pointUnder(edge.x, edge.y),
                                                 usePattern, smooth, mirror));
        }
        breakStrokeLine();
        lastInside = false;
        return;
    }
    const TexelPoint at = texelUnder(cursor.x, cursor.y);
    if (message == WM_LBUTTONDOWN && pickPenColor(static_cast<uint32_t>(wParam), at) && penColorPicked)
        penColorPicked();
    noteStrokeStep(window, strokeMessage(event, static_cast<uint32_t>(wParam), pointUnder(cursor.x, cursor.y),
                                         usePattern, smooth, mirror));
    lastCursor = cursor;
    lastInside = inside;
}

// A middle-button drag pans the view; the view holds the mouse meanwhile, so the drag goes on beyond its edges.
static bool panning;
static POINT panFrom;

static bool panWithMiddleButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT cursor = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
    switch (message) {
    case WM_MBUTTONDOWN:
        panning = true;
        panFrom = cursor;
        SetCapture(window);
        return false;   // the stroke hears of the press too: it ends a stroke under way
    case WM_MOUSEMOVE:
        if (!panning)
            return false;
        panView(viewMap, cursor.x - panFrom.x, cursor.y - panFrom.y);
        panFrom = cursor;
        outlineShown = false;
        redrawSkinView();
        return true;
    case WM_MBUTTONUP:
        if (panning) {
            panning = false;
            if (!(wParam & (MK_LBUTTON | MK_RBUTTON)))
                ReleaseCapture();
        }
        return false;
    }
    return false;
}

bool zoomSkinViewAt(int screenX, int screenY, int wheelDelta)
{
    POINT cursor = {screenX, screenY};
    ScreenToClient(skinViewWindow, &cursor);
    if (cursor.x < 0 || cursor.y < 0 || cursor.x >= viewMap.viewWidth || cursor.y >= viewMap.viewHeight)
        return false;
    // Wheels that turn in finer steps than a notch add up to whole notches.
    static int rest;
    rest += wheelDelta;
    bool zoomed = false;
    for (; rest >= WHEEL_DELTA; rest -= WHEEL_DELTA)
        zoomed = zoomViewAt(viewMap, cursor.x, cursor.y, 1) || zoomed;
    for (; rest <= -WHEEL_DELTA; rest += WHEEL_DELTA)
        zoomed = zoomViewAt(viewMap, cursor.x, cursor.y, -1) || zoomed;
    if (zoomed) {
        outlineShown = false;   // drawn again at the new zoom with the next move
        redrawSkinView();
    }
    return true;
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
        flushPaintedRefresh();
}

static LRESULT CALLBACK skinViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paintSkinView(window);
        break;
    case WM_SIZE:
        if (!screenPixels.empty()) {
            sizeScreenPixels();
            redrawSkinView();
        }
        break;
    case WM_MOUSELEAVE:
        leaveTracked = false;
        hideOutline();
        breakStrokeLine();
        break;
    case WM_CAPTURECHANGED:
        panning = false;
        lastInside = false;   // whatever comes next is not joined to a cursor the view no longer follows
        break;
    case WM_MOUSEWHEEL:
        // Over the view it is handled here and not passed on (the main window would zoom a second time);
        // elsewhere (the view has the focus, the cursor is over the viewport) the main window takes it.
        if (!zoomSkinViewAt(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)),
                            GET_WHEEL_DELTA_WPARAM(wParam)))
            break;
        return 0;
    case WM_REFRESH_PAINTED:
        refreshRequested = false;
        flushPaintedRefresh();
        return 0;
    default:
        if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
            if (panWithMiddleButton(window, message, wParam, lParam))
                break;
            paintAtCursor(window, message, wParam, lParam);
            requestRefresh(window);
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createSkinView(int x, int y)
{
    if (!registerChildClass("SkinWindowClass", skinViewWindowProc))
        return;
    initSkinStore();
    skinViewWindow = createChildWindow("SkinWindowClass", x, y, SKIN_START_SIDE, SKIN_START_SIDE);
    if (!skinViewWindow)
        return;
    skinViewDC = GetDC(skinViewWindow);
    viewMap = makeViewMap(skinWidth, skinHeight, SKIN_START_SIDE, SKIN_START_SIDE);
    sizeScreenPixels();
    viewMap = makeViewMap(skinWidth, skinHeight, viewMap.viewWidth, viewMap.viewHeight);
    createSkinTexture();
    ShowWindow(skinViewWindow, SW_SHOW);
    UpdateWindow(skinViewWindow);
}
