// The paint bucket: a click fills the region of the clicked texel's colour within the model's part under it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "paint/brush.h"
#include "texture/skin_store.h"

// The texel across the texture's vertical centre line: column skinWidth - 1 - x, the same row.
TexelPoint mirroredTexel(TexelPoint at);

// Fills from each seed: the 4-connected region of exactly the seed texel's colour, limited to the islands of
// modelLayout that cover the seed or, with islandReach, a texel at most that far from it (on the model a picked
// texel may lie just outside its island's edge); not limited where no island is found, nor without islands. All
// regions are found on the texture as it was before any of them is painted, so seeds in one region fill it once.
// The pen fills with its colour and the eraser with its own, at paintOptions.opacity (through the stroke
// mixer); with usePattern the pen darkens and the eraser brightens each texel by the pattern tiled from the
// texture's origin (texel (x, y) by pattern pixel (x mod width, y mod height)). The gutter around the texels
// filled within islands then takes their colour (bleedAroundMask). Seeds off the texture fill nothing. Returns
// the texels changed.
SkinRect fillFromSeeds(DabKind kind, const TexelPoint *seeds, size_t count, bool usePattern, int32_t islandReach);
