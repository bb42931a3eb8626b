// The brush settings, the skin view's mouse rule and the solid square brush.
#pragma once
#include <cstdint>

#include "paint/brush_tip.h"
#include "texture/skin_store.h"

// A COLORREF as GDI stores it: red in the low byte, then green, then blue.
typedef uint32_t ColorRef;

// What the pen and the eraser paint with. Colours are red, green, blue, as in the settings file.
struct BrushSettings {
    uint8_t penColor[3];
    int32_t penSize;
    uint8_t eraserColor[3];
    int32_t eraserSize;
    // The colour chooser's custom slots: kept with the brush colours they were made for, in config.cfg.
    ColorRef customColors[16];
};

extern BrushSettings brushSettings;

// Pen 0, 119, 170 of size 3, a white eraser of size 7, black custom colours.
void resetBrushSettings();

enum : uint32_t { MOUSE_LBUTTON = 0x0001, MOUSE_RBUTTON = 0x0002, MOUSE_CONTROL = 0x0008 };

enum class DabKind { none, pen, eraser };

// Only exactly the left or exactly the right button paints; any other wParam (Shift, Ctrl, both, none) does not.
DabKind dabKindFor(uint32_t wParam);

// A texel: column from the left, row from the bottom. The skin view maps the cursor onto one (it may lie off the
// texture; the brushes bring what they paint onto the edges).
struct TexelPoint {
    int32_t x;
    int32_t y;
};

// Writes a size x size square centred on (x, y) into the skin buffers; parts beyond an edge land on the edge.
// Sizes of 0 or less paint nothing. Returns the texels written. The plain specified square, outside any stroke:
// the pen and the eraser paint through the stroke mixer (mixSquareDab), whose hard square at full opacity
// writes the same texels.
// Written into the active layer, the composite following; the eraser's square (erase) takes the paint away on an
// upper layer.
SkinRect paintSquare(int32_t x, int32_t y, int32_t size, uint8_t red, uint8_t green, uint8_t blue,
                     bool erase = false);

// One dab of the pen or the eraser at texel (x, y): the tip of paintOptions (shape, hardness, opacity) through
// the stroke mixer, or a pattern stamp when usePattern. A round tip is centred on the texel's centre.
// Returns the texels it changed (none for a tip of size 0 or less).
SkinRect paintDabAt(DabKind kind, int32_t x, int32_t y, bool usePattern);

// The same at a point between texel centres: a round tip is centred exactly there; the square and the pattern
// on the texel under it.
SkinRect paintTipAt(DabKind kind, BrushPoint at, bool usePattern);

// paintTipAt mirrored across the texture's vertical centre line (paintMirroredDabAt for the square and the
// pattern; a round tip's centre at skinWidth - x).
SkinRect paintMirroredTipAt(DabKind kind, BrushPoint at, bool usePattern);

// The texel under a point.
TexelPoint texelOf(BrushPoint at);

// The pen's or the eraser's size and colour.
int32_t tipSize(DabKind kind);
const uint8_t *tipColour(DabKind kind);

// The mirror image of paintDabAt(kind, x, y, usePattern) across the texture's vertical centre line: every texel
// the dab paints at column X, this paints at column skinWidth - 1 - X, a pattern flipped left to right.
SkinRect paintMirroredDabAt(DabKind kind, int32_t x, int32_t y, bool usePattern);

// One dab for a mouse message whose cursor lies over texel `at`. Returns false when the buttons say nothing is
// painted (and nothing must follow); changed, when given, receives the texels the dab changed.
bool paintDab(uint32_t wParam, TexelPoint at, bool usePattern, SkinRect *changed = nullptr);

// brushSettings.penColor := the painted texture's colour at texel (x, y), brought onto the texture if it lies off it.
void pickTexelColour(int32_t x, int32_t y);

// Ctrl + left click picks a colour: for a button press whose wParam is exactly MK_LBUTTON | MK_CONTROL, the pen
// colour becomes the painted texture's colour at texel `at` (never the grid's) and true is returned.
bool pickPenColor(uint32_t wParam, TexelPoint at);
