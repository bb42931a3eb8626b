// Layout arithmetic of the dialogs: the main window's positions laid out in pixels for the standard dialog units,
// carried over to the dialog's own units, and the room a label may take on its row in any dialog.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A dialog's base units: pixels in 4 horizontal and in 8 vertical dialog units, as MapDialogRect scales them.
struct DialogBaseUnits {
    int32_t x;
    int32_t y;
};

// "MS Shell Dlg" 8 pt on Windows at 96 dots an inch: 1.5 pixels a dialog unit across, 1.625 down.
constexpr DialogBaseUnits standardBaseUnits = {6, 13};

struct PixelPoint {
    int32_t x;
    int32_t y;
};

// The pixel at the same dialog-unit point as `laidOut`, a position laid out for the standard units, under a
// dialog with the base units `units`. Each axis whose result lies within 2 pixels of `laidOut` keeps it exactly.
PixelPoint placeForDialogUnits(PixelPoint laidOut, DialogBaseUnits units);

// A control's rectangle in pixels of the dialog's client area; a container (a group box) frames others.
struct LayoutBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    bool container;
};

// The right edge for a left-aligned label that needs `needed` pixels: boxes[label] widened up to the next box
// on its row, the right side of a container around it, or `clientRight`, whichever comes first; never narrowed.
int32_t widenedLabelRight(const std::vector<LayoutBox> &boxes, size_t label, int32_t needed, int32_t clientRight);
