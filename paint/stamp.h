// Tinting the pattern brush with the pen colour and stamping it into the skin buffers.
#pragma once
#include <cstdint>

#include "texture/skin_store.h"

enum : int32_t { STAMP_DARKEN = 0, STAMP_BRIGHTEN = 1 };

// patternBrush := patternSource.
void untintBrush();

// patternBrush := the screen blend of patternSource with the pen colour (red, green, blue), colour with colour.
void tintBrush(const uint8_t penColor[3]);

// Darkens (mode 0) or brightens (other modes) the active layer under the brush centred on (x, y), the composite
// following.
// Returns the texels the stamp lands on (none without a pattern).
SkinRect stampPattern(int32_t x, int32_t y, int32_t mode);

// The same stamp done one pattern pixel at a time, the plain form the fast one is checked against.
SkinRect stampPatternReference(int32_t x, int32_t y, int32_t mode);

// The mirror image of stampPattern(x, y, mode) across the texture's vertical centre line: the pattern flipped left
// to right, its column landing on texel column skinWidth - 1 - X wherever the plain stamp's lands on X.
SkinRect stampPatternMirrored(int32_t x, int32_t y, int32_t mode);

// Darkens (mode 0) or brightens (other modes) texel (x, y) of the active layer, which must lie on the texture, by
// pattern pixel (column j, row i from the bottom), brought onto the pattern if it lies off it; nothing without a
// pattern. The caller brings the composite up to date.
void stampTexel(int32_t x, int32_t y, int32_t j, int32_t i, int32_t mode);
