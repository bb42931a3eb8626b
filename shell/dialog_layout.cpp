// Layout arithmetic of the dialogs: standard-unit positions carried over to other dialog fonts, label room.
#include "shell/dialog_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// Rounding inside the dialog manager moves a point by a pixel at most, while a real change of font moves the
// views by tens of pixels (one base unit more moves x 545 by 91 pixels and y 227 by 17): a shift of up to 2
// pixels is rounding, and the laid-out pixel stays.
static const int32_t roundingTolerance = 2;

static int32_t scaleAxis(int32_t laidOut, int32_t base, int32_t standardBase)
{
    const int32_t scaled = static_cast<int32_t>(std::lround(static_cast<double>(laidOut) * base / standardBase));
    return std::abs(scaled - laidOut) <= roundingTolerance ? laidOut : scaled;
}

PixelPoint placeForDialogUnits(PixelPoint laidOut, DialogBaseUnits units)
{
    return {scaleAxis(laidOut.x, units.x, standardBaseUnits.x), scaleAxis(laidOut.y, units.y, standardBaseUnits.y)};
}

int32_t widenedLabelRight(const std::vector<LayoutBox> &boxes, size_t label, int32_t needed, int32_t clientRight)
{
    const LayoutBox &own = boxes[label];
    int32_t limit = clientRight;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const LayoutBox &other = boxes[i];
        if (i == label || other.top >= own.bottom || own.top >= other.bottom)
            continue;
        if (other.container && other.left <= own.left)
            limit = std::min(limit, other.right);
        else if (other.left >= own.left)
            limit = std::min(limit, other.left);
    }
    return std::max(own.right, std::min(own.left + needed, limit));
}
