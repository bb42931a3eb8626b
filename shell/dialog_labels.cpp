// Fitting a dialog's labels to their text under whatever font the dialog was given.
#include "shell/dialog_labels.h"

#include <algorithm>
#include <vector>

#include "shell/dialog_layout.h"
#include "shell/window_helpers.h"

static bool hasClass(HWND control, const char *name)
{
    char className[16] = "";
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

static LONG styleType(HWND control, LONG mask)
{
    return GetWindowLongA(control, GWL_STYLE) & mask;
}

static bool isLeftAlignedText(HWND control)
{
    LONG type = styleType(control, SS_TYPEMASK);
    return hasClass(control, "Static") && (type == SS_LEFT || type == SS_LEFTNOWORDWRAP);
}

static LayoutBox boxInClient(HWND dialog, HWND child)
{
    const RECT rect = childRectInClient(dialog, child);
    return {rect.left, rect.top, rect.right, rect.bottom, isGroupBox(child)};
}

// The width of the control's text on one line in the dialog's font.
static LONG textWidth(HWND dialog, HWND control)
{
    char text[256] = "";
    int length = GetWindowTextA(control, text, sizeof text);
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, length, &size);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return size.cx;
}

void widenLabelsToText(HWND dialog, std::initializer_list<HWND> ignored)
{
    std::vector<HWND> controls;
    std::vector<LayoutBox> boxes;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (std::find(ignored.begin(), ignored.end(), child) != ignored.end())
            continue;
        controls.push_back(child);
        boxes.push_back(boxInClient(dialog, child));
    }
    RECT client;
    GetClientRect(dialog, &client);
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!isLeftAlignedText(controls[i]))
            continue;
        LayoutBox &label = boxes[i];
        const int32_t right = widenedLabelRight(boxes, i, textWidth(dialog, controls[i]), client.right);
        if (right == label.right)
            continue;
        label.right = right;   // a wider label is in the way of the labels after it on its row
        SetWindowPos(controls[i], nullptr, 0, 0, label.right - label.left, label.bottom - label.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
