// The Layers panel under the viewport: the list of layers (top first) with their visibility and names, the
// buttons of the layer operations, and the active layer's opacity and blend mode.
#include "app/layers_panel.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "picture/blend_mode.h"
#include "resources/resource.h"
#include "shell/message.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"
#include "texture/active_layer.h"
#include "texture/layer_edits.h"
#include "texture/layers.h"
#include "texture/skin_refresh.h"
#include "viewport/viewport.h"

// The revision of the stack the panel shows, and whether it is being filled (its own changes to the list then
// say nothing about the user's wishes).
static uint32_t shownRevision = UINT32_MAX;
static size_t shownActive = SIZE_MAX;
static bool filling;

static HWND control(int id)
{
    return GetDlgItem(mainWindow, id);
}

void createLayersPanel(HWND window)
{
    const RECT view = childRectInClient(window, viewportWindow);
    RECT client = {};
    GetClientRect(window, &client);
    const int dpi = windowDpi(window);
    auto px = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    // Below the animation row (24 pixels high, 4 below the viewport), down to the bottom margin; never so short
    // that its three rows do not fit (the window then grows to hold it).
    const LONG top = view.bottom + px(32);
    const LONG bottom = std::max<LONG>(client.bottom - px(10), top + px(104));
    createControl(window, L"BUTTON", L"Layers", WS_VISIBLE | BS_GROUPBOX, IDC_LAYERS_GROUP,
                  RECT{view.left, top, view.right, bottom});
    const LONG inner = top + px(18), column = view.right - px(8) - px(3 * 76 + 8);
    createControl(window, WC_LISTVIEWW, L"",
                  WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                      LVS_NOCOLUMNHEADER | LVS_EDITLABELS,
                  IDC_LAYER_LIST, RECT{view.left + px(8), inner, column - px(8), bottom - px(8)});
    HWND list = control(IDC_LAYER_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW name = {};
    name.mask = LVCF_WIDTH;
    name.cx = column - px(16) - view.left - px(8) - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&name));
    const struct {
        int id;
        const wchar_t *text;
    } buttons[6] = {{IDC_NEW_LAYER, L"New Layer"}, {IDC_DUPLICATE_LAYER, L"Duplicate"}, {IDC_DELETE_LAYER, L"Delete"},
                    {IDC_LAYER_UP, L"Up"},         {IDC_LAYER_DOWN, L"Down"},         {IDC_MERGE_DOWN, L"Merge Down"}};
    for (int i = 0; i < 6; ++i) {
        const LONG x = column + px(76 * (i % 3)), y = inner + px(26 * (i / 3));
        createControl(window, L"BUTTON", buttons[i].text, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, buttons[i].id,
                      RECT{x, y, x + px(72), y + px(22)});
    }
    const LONG row = inner + px(52);
    createControl(window, TRACKBAR_CLASSW, L"", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, IDC_LAYER_OPACITY,
                  RECT{column, row, column + px(130), row + px(24)});
    SendMessageW(control(IDC_LAYER_OPACITY), TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(control(IDC_LAYER_OPACITY), TBM_SETPAGESIZE, 0, 10);
    createControl(window, L"COMBOBOX", L"", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, IDC_LAYER_MODE,
                  RECT{column + px(134), row, column + px(3 * 76 - 4), row + px(200)});
    for (size_t m = 0; m < BLEND_MODE_COUNT; ++m)
        SendMessageW(control(IDC_LAYER_MODE), CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(widePath(blendModeName(static_cast<BlendMode>(m))).c_str()));
    refreshLayersPanel();
}

// The row of layer `index`: the top layer is the first row.
static int rowOf(size_t index)
{
    return static_cast<int>(layerStack.layers.size() - 1 - index);
}

static size_t layerOfRow(int row)
{
    return layerStack.layers.size() - 1 - static_cast<size_t>(row);
}

static void showActiveLayerSettings()
{
    const Layer &active = layerStack.layers[layerStack.active];
    const size_t count = layerStack.layers.size();
    SendMessageW(control(IDC_LAYER_OPACITY), TBM_SETPOS, TRUE, active.opacity);
    SendMessageW(control(IDC_LAYER_MODE), CB_SETCURSEL, static_cast<WPARAM>(active.mode), 0);
    EnableWindow(control(IDC_NEW_LAYER), count < MAX_LAYERS);
    EnableWindow(control(IDC_DUPLICATE_LAYER), count < MAX_LAYERS);
    EnableWindow(control(IDC_DELETE_LAYER), count > 1);
    EnableWindow(control(IDC_LAYER_UP), layerStack.active + 1 < count);
    EnableWindow(control(IDC_LAYER_DOWN), layerStack.active > 0);
    EnableWindow(control(IDC_MERGE_DOWN), layerStack.active > 0);
    ListView_SetItemState(control(IDC_LAYER_LIST), rowOf(layerStack.active), LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(control(IDC_LAYER_LIST), rowOf(layerStack.active), FALSE);
    shownActive = layerStack.active;
}

void refreshLayersPanel()
{
    HWND list = control(IDC_LAYER_LIST);
    if (!list)
        return;
    paintLayer();
    if (shownRevision == layersRevision && shownActive == layerStack.active)
        return;
    filling = true;
    if (shownRevision != layersRevision) {
        // The rows are written over in place: a change may come from the list's own notification (a check box),
        // and the row it is about must not go away under it. Rows are added or removed only at the end.
        const int rows = static_cast<int>(layerStack.layers.size());
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        while (ListView_GetItemCount(list) > rows)
            ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
        for (size_t i = layerStack.layers.size(); i-- > 0;) {
            const std::wstring name = widePath(layerStack.layers[i].name.c_str());
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = rowOf(i);
            item.pszText = const_cast<wchar_t *>(name.c_str());
            if (item.iItem >= ListView_GetItemCount(list))
                SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            else
                SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            ListView_SetCheckState(list, item.iItem, layerStack.layers[i].visible);
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        shownRevision = layersRevision;
    }
    showActiveLayerSettings();
    filling = false;
}

// After an edit: the view and the GL texture show the new composite, the undo buttons the new step.
static void showEdited(bool changed)
{
    if (changed) {
        updateUndoButtons();
        noteDab(allTexels(), true);
        flushPaintedRefresh();
    }
    refreshLayersPanel();
}

bool layersPanelCommand(int id)
{
    if (id < IDC_NEW_LAYER || id > IDC_LAYER_MODE || id == IDC_LAYER_OPACITY)
        return false;
    finishStroke();
    endOpacityDrag();
    const char *refusal = nullptr;
    bool changed = false;
    switch (id) {
    case IDC_NEW_LAYER: refusal = addLayerEdit(); changed = refusal == nullptr; break;
    case IDC_DUPLICATE_LAYER: refusal = duplicateLayerEdit(); changed = refusal == nullptr; break;
    case IDC_DELETE_LAYER: changed = deleteLayerEdit(); break;
    case IDC_LAYER_UP: changed = moveLayerEdit(true); break;
    case IDC_LAYER_DOWN: changed = moveLayerEdit(false); break;
    case IDC_MERGE_DOWN: changed = mergeDownEdit(); break;
    case IDC_LAYER_MODE: {
        const LRESULT mode = SendMessageW(control(IDC_LAYER_MODE), CB_GETCURSEL, 0, 0);
        if (mode >= 0 && mode < static_cast<LRESULT>(BLEND_MODE_COUNT))
            changed = layerModeEdit(layerStack.active, static_cast<BlendMode>(mode));
        break;
    }
    default: break;
    }
    if (refusal != nullptr)
        showMessage(refusal, "Layers", MB_ICONERROR);
    showEdited(changed);
    return true;
}

bool layersPanelScroll(HWND trackbar, int code)
{
    if (trackbar != control(IDC_LAYER_OPACITY))
        return false;
    const int opacity = static_cast<int>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    const bool changed = layerOpacityEdit(layerStack.active, opacity);
    if (changed) {
        noteDab(allTexels(), true);
        flushPaintedRefresh();
    }
    // One step for the whole drag (or key press), kept when it ends.
    if (code == SB_ENDSCROLL || code == SB_THUMBPOSITION) {
        endOpacityDrag();
        updateUndoButtons();
    }
    return true;
}

bool layersPanelNotify(const NMHDR &header, LRESULT &result)
{
    if (header.idFrom != IDC_LAYER_LIST || filling)
        return false;
    HWND list = header.hwndFrom;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW &change = reinterpret_cast<const NMLISTVIEW &>(header);
        if (change.iItem < 0 || static_cast<size_t>(change.iItem) >= layerStack.layers.size())
            return true;
        const size_t index = layerOfRow(change.iItem);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) &&
            (change.uOldState & LVIS_STATEIMAGEMASK) != 0) {
            finishStroke();
            endOpacityDrag();
            showEdited(showLayerEdit(index, ListView_GetCheckState(list, change.iItem) != FALSE));
        } else if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED) &&
                   index != layerStack.active) {
            finishStroke();
            endOpacityDrag();
            setActiveLayer(layerStack, index);
            refreshLayersPanel();
        }
        return true;
    }
    case NM_CLICK:
    case NM_DBLCLK: {
        const NMITEMACTIVATE &click = reinterpret_cast<const NMITEMACTIVATE &>(header);
        // A click on empty rows would leave nothing selected: the active layer stays chosen.
        if (click.iItem < 0)
            showActiveLayerSettings();
        else if (header.code == NM_DBLCLK)
            SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(click.iItem), 0);
        return true;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN &>(header).wVKey == VK_F2)
            SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(rowOf(layerStack.active)), 0);
        return true;
    case LVN_BEGINLABELEDITW:
        finishStroke();
        endOpacityDrag();
        result = FALSE;
        return true;
    case LVN_ENDLABELEDITW: {
        const NMLVDISPINFOW &edit = reinterpret_cast<const NMLVDISPINFOW &>(header);
        // Cancelled, or a name left empty: the list keeps the old name.
        result = edit.item.pszText != nullptr && edit.item.pszText[0] != 0 && edit.item.iItem >= 0 &&
                 renameLayerEdit(layerOfRow(edit.item.iItem), utf8Path(edit.item.pszText));
        if (result)
            updateUndoButtons();
        return true;
    }
    default:
        return false;
    }
}
