// The skin view's mouse rule and the solid square brush.
#pragma once
#include <cstdint>

#include "skin/skin_store.h"

enum : uint32_t { MOUSE_LBUTTON = 0x0001, MOUSE_RBUTTON = 0x0002, MOUSE_CONTROL = 0x0008 };

enum class DabKind { none, pen, eraser };

// Only exactly the left or exactly the right button paints; any other wParam (Shift, Ctrl, both, none) does not.
DabKind dabKindFor(uint32_t wParam);

// The texel under the cursor: column from the left, row from the bottom.
void texelFromCursor(uint32_t lParam, int32_t &x, int32_t &y);

// Writes a size x size square centred on (x, y) into skinBase, skinView and skinGL; parts beyond an
// edge land on the edge. Sizes of 0 or less paint nothing. Returns the texels written.
SkinRect paintSquare(int32_t x, int32_t y, int32_t size, uint8_t red, uint8_t green, uint8_t blue);

// One dab of the pen or the eraser at texel (x, y): a square, or a pattern stamp when usePattern.
// Returns the texels it changed (none for a square of size 0 or less).
SkinRect paintDabAt(DabKind kind, int32_t x, int32_t y, bool usePattern);

// One dab for a mouse message. Returns false when the buttons say nothing is painted (and nothing must
// follow); changed, when given, receives the texels the dab changed.
bool paintDab(uint32_t wParam, uint32_t lParam, bool usePattern, SkinRect *changed = nullptr);

// penColor := the painted texture's colour at texel (x, y), brought onto the texture if it lies off it.
void pickTexelColour(int32_t x, int32_t y);

// Ctrl + left click picks a colour: for a button press whose wParam is exactly MK_LBUTTON | MK_CONTROL, penColor
// becomes the painted texture's colour under the cursor (never the grid's) and true is returned.
bool pickPenColor(uint32_t wParam, uint32_t lParam);
