// The painting options and their start values.
#include "paint/paint_options.h"

PaintOptions paintOptions;

void resetPaintOptions()
{
    paintOptions = PaintOptions{};
    paintOptions.usePattern = true;
    paintOptions.smoothStrokes = true;
    paintOptions.textureOnTheFly = true;
    paintOptions.classicUpload = true;
}
