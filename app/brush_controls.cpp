// The brush tip's controls, the brush keys, and the painting options kept across starts.
#include "app/brush_controls.h"

#include <commctrl.h>

#include "app/paint_preferences.h"
#include "app/settings_file.h"
#include "paint/brush.h"
#include "paint/brush_tip.h"
#include "paint/paint_options.h"
#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"

static HWND item(int id)
{
    return GetDlgItem(mainWindow, id);
}

// The controls show the values of paintOptions and the pen size.
static void showBrushValues()
{
    const PaintOptions &o = paintOptions;
    SendMessageW(item(IDC_BRUSH_SHAPE), CB_SETCURSEL, o.brushShape == BrushShape::round ? 1 : 0, 0);
    SendMessageW(item(IDC_HARDNESS), TBM_SETPOS, TRUE, o.hardness);
    SendMessageW(item(IDC_OPACITY), TBM_SETPOS, TRUE, o.opacity);
    SetDlgItemInt(mainWindow, IDC_HARDNESS_VALUE, static_cast<UINT>(o.hardness), FALSE);
    SetDlgItemInt(mainWindow, IDC_OPACITY_VALUE, static_cast<UINT>(o.opacity), FALSE);
    refreshBrushOutline();
}

static void checkBox(int id, bool on)
{
    CheckDlgButton(mainWindow, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void initBrushControls(HWND window)
{
    HWND shape = GetDlgItem(window, IDC_BRUSH_SHAPE);
    SendMessageW(shape, CB_RESETCONTENT, 0, 0);
    SendMessageW(shape, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Square"));
    SendMessageW(shape, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Round"));
    SendMessageW(GetDlgItem(window, IDC_HARDNESS), TBM_SETRANGE, FALSE, MAKELPARAM(MIN_HARDNESS, MAX_HARDNESS));
    SendMessageW(GetDlgItem(window, IDC_OPACITY), TBM_SETRANGE, FALSE, MAKELPARAM(MIN_OPACITY, MAX_OPACITY));
    for (int id : {IDC_HARDNESS, IDC_OPACITY}) {
        SendMessageW(GetDlgItem(window, id), TBM_SETPAGESIZE, 0, 10);
        SendMessageW(GetDlgItem(window, id), TBM_SETLINESIZE, 0, 1);
    }
    // The boxes as they were at the last close; the caller reads them back into paintOptions.
    PaintOptions kept = paintOptions;
    readPaintPreferences(preferences, kept);
    paintOptions = kept;
    checkBox(IDC_USE_PATTERN, kept.usePattern);
    checkBox(IDC_USE_COLOR, kept.useColor);
    checkBox(IDC_SMOOTH_STROKES, kept.smoothStrokes);
    checkBox(IDC_PAINT_ON_MODEL, kept.paintOnModel);
    checkBox(IDC_MIRROR, kept.mirror);
    checkBox(IDC_FILL, kept.fill);
    showBrushValues();
    greyBrushControls();
}

void brushShapeCommand()
{
    const LRESULT chosen = SendMessageW(item(IDC_BRUSH_SHAPE), CB_GETCURSEL, 0, 0);
    if (chosen == 0 || chosen == 1)
        paintOptions.brushShape = chosen == 1 ? BrushShape::round : BrushShape::square;
    refreshBrushOutline();
}

bool brushTrackbarScrolled(HWND trackbar)
{
    const int value = static_cast<int>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    if (trackbar == item(IDC_HARDNESS))
        paintOptions.hardness = value;
    else if (trackbar == item(IDC_OPACITY))
        paintOptions.opacity = value;
    else
        return false;
    showBrushValues();
    return true;
}

void greyBrushControls()
{
    // The size boxes keep working as they always have (a size set now counts once the pattern is off); the
    // outline shows the pattern's size meanwhile.
    const BOOL tipOwn = paintOptions.usePattern ? FALSE : TRUE;
    for (int id : {IDC_BRUSH_SHAPE, IDC_HARDNESS, IDC_HARDNESS_VALUE})
        EnableWindow(item(id), tipOwn);
    refreshBrushOutline();
}

// A text box keeps every key typed into it.
static bool textBoxHasFocus()
{
    HWND focus = GetFocus();
    char name[16] = "";
    return focus && GetClassNameA(focus, name, sizeof name) > 0 && lstrcmpiA(name, "Edit") == 0;
}

bool brushKey(const MSG &msg)
{
    if (msg.message != WM_CHAR || GetActiveWindow() != mainWindow || textBoxHasFocus())
        return false;
    PaintOptions &o = paintOptions;
    const wchar_t key = static_cast<wchar_t>(msg.wParam);
    switch (key) {
    case L'[':
    case L']':
        brushSettings.penSize = stepBrushSize(brushSettings.penSize, key == L']');
        SetDlgItemInt(mainWindow, IDC_PEN_SIZE, static_cast<UINT>(brushSettings.penSize), FALSE);
        break;
    case L'{':
    case L'}':
        o.hardness = stepHardness(o.hardness, key == L'}');
        break;
    default:
        if (key < L'0' || key > L'9')
            return false;
        o.opacity = opacityForDigit(key - L'0');
        break;
    }
    showBrushValues();
    return true;
}

void storeBrushPreferences()
{
    storePaintPreferences(paintOptions, preferences);
}
