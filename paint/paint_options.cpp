// The painting options and their start values.
#include "paint/paint_options.h"

PaintOptions paintOptions;

PaintOptions startPaintOptions()
{
    PaintOptions o = PaintOptions{};
    o.usePattern = true;
    o.smoothStrokes = true;
    o.textureOnTheFly = true;
    o.classicUpload = true;
    o.brushShape = BrushShape::square;
    o.hardness = MAX_HARDNESS;
    o.opacity = MAX_OPACITY;
    return o;
}

void resetPaintOptions()
{
    paintOptions = startPaintOptions();
}
