// Mirror on the flat texture through the loaded model: the texels a dab paints, painted again at the texels
// showing their mirror images on the model, and the mirrored seed of a fill.
#pragma once
#include <cstdint>

#include "paint/brush.h"
#include "texture/skin_store.h"

// Whether the flat texture's Mirror goes through the model: a model with texture coordinates whose surface the
// viewport has read. Otherwise it mirrors across the texture's middle column.
bool mirrorsThroughModel();

// The mirror image, through the model, of paintDabAt(kind, x, y, usePattern): each texel the square covers, or
// each texel a pattern pixel lands on, is painted at its mirror texel (the pen's or eraser's colour, or that
// pattern pixel), once, unless the dab itself covers that texel. Texels with no mirror image stay as they are.
// Returns the texels written.
SkinRect paintDabMirroredThroughModel(DabKind kind, int32_t x, int32_t y, bool usePattern);

// Where the mirrored fill of a click at `at` starts: the mirror texel through the model when one is known, or the
// texel across the middle column without a model. False when the model shows no mirror image of that texel.
bool mirroredSeed(TexelPoint at, TexelPoint &mirror);
