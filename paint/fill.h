// The paint bucket's region: the texels of one colour connected to the clicked one, within an allowed mask.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/skin_store.h"

struct FillRegion {
    SkinRect rect;  // the filled texels' bounding rectangle; empty when nothing is filled
    size_t texels;  // how many were filled
};

// The 4-connected region of texels of exactly the colour of texel (seedX, seedY) in a width x height
// blue-green-red texture, holding only texels where allowed is non-zero (allowed may be null: no limit).
// With wrap, the texture's opposite edges are neighbours, as they are on a model drawn with GL_REPEAT, so an
// island that crosses an edge is filled whole. filled := one byte per texel, 1 for the region's texels. Nothing
// is painted. A seed off the texture or outside the allowed mask fills nothing. Costs one clear of filled plus
// work in proportion to the region.
FillRegion findFillRegion(const uint8_t *bgr, int32_t width, int32_t height, int32_t seedX, int32_t seedY,
                          const uint8_t *allowed, bool wrap, std::vector<uint8_t> &filled);
