// The colour panel window: a saturation-value square and a hue strip that set the pen colour as they are
// clicked or dragged, the pen colour, the last colours painted with and the palette of the texture's picture.
#include "skin/colour_panel_view.h"

#include "paint/colour_panel.h"
#include "paint/paint_options.h"
#include "shell/window_helpers.h"

HWND colourPanelWindow;

static void (*penColourSetHandler)();
static HDC panelDC;
static int32_t panelWidth, panelHeight;
static std::vector<uint32_t> panelPixels;
static ColourPanelLayout panelLayout;
// Where the square and the strip mark the pen colour. Kept rather than read from the pen colour each time, so a
// drag through grey or black keeps its hue and the square keeps the very fractions it was clicked at.
static Hsv shownColour;

// Which part a held button drags: the square or the strip follow the cursor beyond their edges meanwhile.
static PanelPart dragging = PanelPart::none;

static Rgb penRgb()
{
    const uint8_t *pen = brushSettings.penColor;
    return {pen[0], pen[1], pen[2]};
}

static void layOutPanel()
{
    panelLayout = layoutColourPanel(panelWidth, panelHeight, textureSwatches.size());
}

static void paintPanel(HWND window)
{
    shownColour = followPenColour(shownColour, penRgb());
    if (panelPixels.empty() || !panelDC) {
        ValidateRect(window, nullptr);
        return;
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const ColourPanelLook look = {shownColour, penRgb(), &recentColours, &textureSwatches,
                                  {GetRValue(face), GetGValue(face), GetBValue(face)}};
    drawColourPanel(panelLayout, look, panelWidth, panelHeight, panelPixels.data());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = panelWidth;
    info.bmiHeader.biHeight = -panelHeight;   // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(panelDC, 0, 0, static_cast<DWORD>(panelWidth), static_cast<DWORD>(panelHeight), 0, 0, 0,
                      static_cast<UINT>(panelHeight), panelPixels.data(), &info, DIB_RGB_COLORS);
    ValidateRect(window, nullptr);
}

void redrawColourPanel()
{
    if (colourPanelWindow)
        SendMessageA(colourPanelWindow, WM_PAINT, 0, 0);
}

// The pen colour became `colour` through the panel; `shown` is where the square and the strip mark it.
static void setPenColour(Rgb colour, Hsv shown)
{
    shownColour = shown;
    const bool changed = colour != penRgb();
    brushSettings.penColor[0] = colour.red;
    brushSettings.penColor[1] = colour.green;
    brushSettings.penColor[2] = colour.blue;
    if (changed && penColourSetHandler)
        penColourSetHandler();   // which shows the panel again too
    else
        redrawColourPanel();
}

static void dragTo(int32_t x, int32_t y)
{
    if (dragging == PanelPart::square) {
        const Hsv picked = squareColourAt(panelLayout.square, x, y, shownColour.hue);
        setPenColour(rgbFromHsv(picked), picked);
    } else if (dragging == PanelPart::hueStrip) {
        Hsv picked = shownColour;
        picked.hue = hueAt(panelLayout.hueStrip, y);
        setPenColour(rgbFromHsv(picked), picked);
    }
}

static void pressAt(HWND window, int32_t x, int32_t y)
{
    const PanelHit hit = hitColourPanel(panelLayout, x, y, recentColours.count, textureSwatches.size());
    switch (hit.part) {
    case PanelPart::square:
    case PanelPart::hueStrip:
        dragging = hit.part;
        SetCapture(window);
        dragTo(x, y);
        break;
    case PanelPart::recent:
    case PanelPart::palette: {
        const Rgb colour = hit.part == PanelPart::recent ? recentColours.colours[hit.index]
                                                         : textureSwatches[static_cast<size_t>(hit.index)];
        setPenColour(colour, followPenColour(shownColour, colour));
        break;
    }
    default:
        break;
    }
}

static void sizePanel(HWND window)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    panelWidth = client.right > 0 ? client.right : 1;
    panelHeight = client.bottom > 0 ? client.bottom : 1;
    panelPixels.assign(static_cast<size_t>(panelWidth) * static_cast<size_t>(panelHeight), 0);
    layOutPanel();
}

static LRESULT CALLBACK colourPanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int32_t x = static_cast<int16_t>(LOWORD(lParam)), y = static_cast<int16_t>(HIWORD(lParam));
    switch (message) {
    case WM_PAINT:
        paintPanel(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the paint covers every pixel
    case WM_SIZE:
        sizePanel(window);
        redrawColourPanel();
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);   // out of the text boxes, as a click on the skin view does, so the shortcuts act
        pressAt(window, x, y);
        return 0;
    case WM_MOUSEMOVE:
        if (dragging != PanelPart::none && (wParam & MK_LBUTTON))
            dragTo(x, y);
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window)
            ReleaseCapture();
        dragging = PanelPart::none;
        return 0;
    case WM_CAPTURECHANGED:
        dragging = PanelPart::none;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createColourPanel(int left, int top, int width, int height, int id, void (*penColourSet)())
{
    penColourSetHandler = penColourSet;
    if (!registerChildClass("ColourPanelWindowClass", colourPanelWindowProc))
        return;
    RECT r = {left, top, left + width, top + height};
    MapDialogRect(mainWindow, &r);
    colourPanelWindow = CreateWindowExA(0, "ColourPanelWindowClass", nullptr, WS_CHILD | WS_VISIBLE, r.left, r.top,
                                        r.right - r.left, r.bottom - r.top, mainWindow,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), appInstance, nullptr);
    if (!colourPanelWindow)
        return;
    panelDC = GetDC(colourPanelWindow);
    sizePanel(colourPanelWindow);
    shownColour = hsvFromRgb(penRgb(), Hsv{0, 0, 0});
}

void noteStrokeColour(DabKind kind)
{
    if (strokePaintsPenColour(kind, paintOptions.usePattern, paintOptions.useColor) &&
        noteColourUsed(recentColours, penRgb()))
        redrawColourPanel();
}

void offerTextureSwatches(const std::vector<uint8_t> &palette)
{
    textureSwatches = swatchesFromPalette(palette);
    layOutPanel();
    redrawColourPanel();
}
