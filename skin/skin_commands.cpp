// The main window's commands that change the texture's settings and history: undo and redo, texture on the
// fly, the grid box, and the brush's sizes and colour.
#include "skin/skin_commands.h"

#include <windows.h>

#include "resources/resource.h"
#include "shell/choosers.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "paint/brush.h"
#include "texture/history.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"
#include "skin/skin_view.h"
#include "paint/paint_options.h"

// Puts back what undo or redo changed: the texture uploaded there and the view repainted; across a change of
// size, everything that depends on the size follows first. The texture counts as unchanged when the history
// stands where the last load or save left it. A move that could not be made says so and changes nothing.
static void showHistoryChange(const HistoryMove &move, int32_t widthBefore, int32_t heightBefore, const char *what)
{
    updateUndoButtons();
    if (!move.done) {
        if (what != nullptr)
            showMessage(what, "Pelterine", MB_ICONERROR);
        return;
    }
    markTextureChanged();
    textureChanged = isHistoryClean() ? 0 : 1;
    if (isEmptyRect(move.changed))
        return;
    if (skinWidth != widthBefore || skinHeight != heightBefore) {
        showResizedTexture();
        return;
    }
    noteDab(move.changed, true);
    flushPaintedRefresh();
}

void undoCommand()
{
    finishStroke();
    const int32_t width = skinWidth, height = skinHeight;
    const bool possible = canUndo();
    showHistoryChange(undoStep(), width, height,
                      possible ? "Not enough memory to undo: the texture is as it was." : nullptr);
}

void redoCommand()
{
    finishStroke();
    const int32_t width = skinWidth, height = skinHeight;
    const bool possible = canRedo();
    showHistoryChange(redoStep(), width, height,
                      possible ? "Not enough memory to redo: the texture is as it was." : nullptr);
}

void textureOnTheFlyCommand()
{
    EnableWindow(GetDlgItem(mainWindow, IDC_APPLY_TEXTURE), paintOptions.textureOnTheFly ? FALSE : TRUE);
}

void applyPenSizeCommand()
{
    brushSettings.penSize = static_cast<int32_t>(GetDlgItemInt(mainWindow, IDC_PEN_SIZE, nullptr, FALSE));
}

void applyEraserSizeCommand()
{
    brushSettings.eraserSize = static_cast<int32_t>(GetDlgItemInt(mainWindow, IDC_ERASER_SIZE, nullptr, FALSE));
}

void uncheckGrid()
{
    CheckDlgButton(mainWindow, IDC_GRID, BST_UNCHECKED);
    paintOptions.showGrid = false;
}

void gridCommand(bool modelHasTexCoords)
{
    if (!modelHasTexCoords) {
        uncheckGrid();
        return;
    }
    composeSkinShown(paintOptions.showGrid);
    redrawSkinView();
}

bool colorsCommand()
{
    static_assert(sizeof(COLORREF) == sizeof(ColorRef), "custom colours are kept as COLORREF");
    // The chooser opens on the pen colour, so OK without a change keeps it.
    const uint8_t *pen = brushSettings.penColor;
    COLORREF color = RGB(pen[0], pen[1], pen[2]);
    if (!chooseColor(color, reinterpret_cast<COLORREF *>(brushSettings.customColors)))
        return false;
    brushSettings.penColor[0] = GetRValue(color);
    brushSettings.penColor[1] = GetGValue(color);
    brushSettings.penColor[2] = GetBValue(color);
    return true;
}
