// The pattern view window, pattern files, and the pattern brush commands.
#include "skin/pattern_view.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "resources/resource.h"
#include "shell/choosers.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/window_helpers.h"
#include "paint/brush.h"
#include "picture/picture.h"
#include "picture/bmp.h"
#include "paint/paint_options.h"
#include "skin/colour_panel_view.h"

HWND patternViewWindow;
HDC patternViewDC;

// A failed allocation is not worth a message box: the brush simply has no pattern until the next load.
static void beepIfFailed(bool allocated)
{
    if (!allocated)
        Beep(500, 500);
}

void repaintPatternView()
{
    SendMessageA(patternViewWindow, WM_PAINT, 0, 0);
}

// GDI takes DIB rows padded to 4 bytes, while the store keeps rows of exactly 3 * width bytes for the stamp:
// widths whose rows need padding are blitted from a padded copy.
static const uint8_t *blitPixels()
{
    const size_t width = static_cast<size_t>(patternWidth);
    const size_t stride = bmpRowStride(width);
    if (stride == width * 3)
        return patternBrush;
    static std::vector<uint8_t> padded;
    padded.assign(stride * static_cast<size_t>(patternHeight), 0);
    for (size_t row = 0; row < static_cast<size_t>(patternHeight); ++row)
        std::memcpy(&padded[row * stride], patternBrush + row * width * 3, width * 3);
    return padded.data();
}

static void paintPatternView(HWND window)
{
    // Drawn without BeginPaint, like the skin view, so a sent WM_PAINT draws at once.
    // Nothing to draw while allocation has left the store without buffers.
    if (patternBrush)
        StretchDIBits(patternViewDC, 0, 0, 64, 64, 0, 0, patternWidth, patternHeight, blitPixels(),
                      reinterpret_cast<const BITMAPINFO *>(&patternHeader), DIB_RGB_COLORS, SRCCOPY);
    ValidateRect(window, nullptr);
}

static LRESULT CALLBACK patternViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        paintPatternView(window);
    return DefWindowProcA(window, message, wParam, lParam);
}

void createPatternView(int x, int y)
{
    if (!registerChildClass("PatternWindowClass", patternViewWindowProc))
        return;
    patternViewWindow = createChildWindow("PatternWindowClass", x, y, 64, 64);
    if (!patternViewWindow)
        return;
    beepIfFailed(initPatternStore());
    patternViewDC = GetDC(patternViewWindow);
    ShowWindow(patternViewWindow, SW_SHOW);
    UpdateWindow(patternViewWindow);
}

// The start pattern may be missing in silence; a file the user chose that cannot be read is reported.
static int loadPatternFile(const char *fileName, bool reportUnreadable)
{
    std::vector<uint8_t> file;
    const FileRead read = readWholeFile(fileName, file, MAX_PICTURE_FILE_BYTES);
    if (read == FileRead::tooLarge)
        showMessage(MSG_PICTURE_TOO_LARGE, fileName, MB_ICONERROR);
    else if (read == FileRead::unreadable && reportUnreadable)
        showMessage(MSG_FILE_UNREADABLE, fileName, MB_ICONERROR);
    if (read != FileRead::read)
        return 0;
    PatternImage image;
    if (const char *refusal = decodePatternFile(fileName, file.data(), file.size(), image)) {
        showMessage(refusal, fileName, MB_ICONERROR);
        return 0;
    }
    bool allocated = installPattern(image);
    if (!allocated)
        showMessage("Not enough memory for this pattern", fileName, MB_ICONERROR);
    repaintPatternView();
    return allocated ? 1 : 0;
}

int loadPattern(const char *fileName)
{
    return loadPatternFile(fileName, false);
}

void loadPatternCommand()
{
    char *path = chooseOpenPathFrom(PATTERN_OPEN_FILTERS);
    if (!path)
        return;
    loadPatternFile(path, true);
    std::free(path);
}

void penColorChanged()
{
    redrawColourPanel();
    if (paintOptions.usePattern && paintOptions.useColor) {
        tintBrush(brushSettings.penColor);
        repaintPatternView();
    }
}

void usePatternCommand()
{
    EnableWindow(GetDlgItem(mainWindow, IDC_USE_COLOR), paintOptions.usePattern ? TRUE : FALSE);
}

void useColorCommand()
{
    if (paintOptions.useColor)
        tintBrush(brushSettings.penColor);
    else
        untintBrush();
    repaintPatternView();
}
