// The painting options the main window's controls set, as plain values the painting code reads.
#pragma once

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
};

extern PaintOptions paintOptions;

// The options as the main window starts: pattern, smooth strokes, texture on the fly, the classic upload.
void resetPaintOptions();
