// The stroke mixer: every texel the pen or the eraser paints goes through here, so that a stroke's opacity
// caps what it does to a texel however often its dabs pass over it.
#pragma once
#include <cstdint>

#include "paint/brush_tip.h"
#include "texture/skin_store.h"

// A stroke runs from beginStrokeMask to endStrokeMask (a press to its release, one fill, one stroke on the model).
// Meanwhile the mask remembers, for each texel the stroke touched and for it alone, the colour the texel held
// when the stroke first touched it and the stroke's coverage there: the largest weight any of its dabs gave it.
// A write outside a stroke is a stroke of its own. The mask forgets everything when the texture changes size.
void beginStrokeMask();
void endStrokeMask();

// Lays `weight` (0..1) of `colour` (red, green, blue) at texel (x, y), which must lie on the texture: the texel's
// coverage becomes the larger of what it was and weight, and the texel becomes its colour at the stroke's start
// moved coverage * opacity / 100 of the way to colour (rounded to the nearest byte). So a stroke at 50 % passing
// ten times over a texel leaves it halfway, and a second stroke adds to the first.
// Writes the active layer alone; the caller brings the composite up to date (showLayersIn) once for all its
// texels. The eraser (erase) on a layer above the bottom one moves the texel's alpha that share towards none
// instead, leaving its colour; a texel with some transparency moves towards the colour, opaque.
void mixStrokeTexel(int32_t x, int32_t y, float weight, const uint8_t colour[3], int32_t opacity, bool erase = false);

// Mixes a whole dab (its parts off the texture are dropped), brings the copies up to date and returns the texels
// written.
SkinRect mixTipDab(const TipDab &dab, const uint8_t colour[3], int32_t opacity, bool erase = false);

// Mixes a square tip of side `size` on texel (x, y) (squareTipWeight), its parts beyond an edge landing on the
// edge as the specified square's do: only the clamped ranges are walked, so any size costs what it covers.
// Brings the copies up to date and returns the texels written.
SkinRect mixSquareDab(int32_t x, int32_t y, int32_t size, int32_t hardness, const uint8_t colour[3], int32_t opacity,
                      bool erase = false);

// Texels the mask holds now (for tests and for the cost it keeps).
size_t strokeMaskTexels();
