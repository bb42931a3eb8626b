// The painting options the main window's controls set, as plain values the painting code reads.
#pragma once
#include <cstdint>

// The tip the pen and the eraser paint with: the square of the first versions, or an anti-aliased disc.
enum class BrushShape : int32_t { square = 0, round = 1 };

constexpr int32_t MIN_HARDNESS = 0, MAX_HARDNESS = 100, MIN_OPACITY = 1, MAX_OPACITY = 100;

struct PaintOptions {
    bool usePattern;        // both buttons stamp the pattern instead of the pen and the eraser
    bool useColor;          // the pattern is tinted with the pen colour
    bool smoothStrokes;     // a drag paints an unbroken line of dabs, not one dab a mouse message
    bool paintOnModel;      // the viewport's buttons paint on the model instead of moving the camera
    bool mirror;            // every dab is painted mirrored as well
    bool fill;              // a press fills the region under it instead of painting a dab
    bool showGrid;          // the mapping grid lies over the skin view
    bool textureOnTheFly;   // every dab reaches the GL texture at once, not only at "Apply Texture"
    bool classicUpload;     // level 0 alone is kept current
    bool mipmapUpload;      // every mipmap level is rebuilt
    BrushShape brushShape;  // the tip of the pen and the eraser (the pattern is its own tip)
    int32_t hardness;       // per cent: 100 a hard edge; less, a fall from the middle to nothing at the edge
    int32_t opacity;        // per cent: the most a stroke moves a texel towards its colour
};

extern PaintOptions paintOptions;

// The options as the main window starts: pattern, smooth strokes, texture on the fly, the classic upload, and a
// hard square tip at full opacity.
void resetPaintOptions();
PaintOptions startPaintOptions();
