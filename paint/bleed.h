// Bleeding fresh paint into the gutter: the texels no triangle covers take the colour of the paint beside them,
// so texture filtering and mipmaps blend the paint with itself, not with the gutter, along an island's edge.
#pragma once
#include <cstddef>
#include <cstdint>

#include "texture/skin_store.h"
#include "uv/uv_layout.h"

// How far bleed reaches, in texels along each axis: every texel of the 5 x 5 square around a painted texel.
// The square, not the disc of radius 2, because filtering and mipmaps blend square blocks of texels: a disc would
// leave the diagonal corners of an island's corner unbled.
constexpr int32_t BLEED_REACH = 2;

// After texels were painted, every texel of layout.covered 0 (in no triangle) that is not painted itself and has
// a painted texel at most BLEED_REACH away along each axis takes the colour of the nearest such texel: the
// smallest squared distance, ties going to the lower row, then the lower column. Neighbours wrap across the
// texture's edges, as GL_REPEAT filtering does. Writes bgr (the layout's size, texelBytes a texel: blue-green-red,
// or with alpha as a layer holds them) and returns the rectangle of the texels it wrote. A layout without islands
// bleeds nothing.

// For a list of painted texels (y * width + x; values past the texture are ignored), as a dab paints: work in
// proportion to the list.
SkinRect bleedAroundTexels(const UvLayout &layout, uint8_t *bgr, const uint32_t *texels, size_t count,
                           size_t texelBytes = 3);

// For a mask of painted texels (one byte per texel, non-zero: painted) that are all inside rect, as a fill
// leaves: work in proportion to the rectangle grown by BLEED_REACH.
SkinRect bleedAroundMask(const UvLayout &layout, uint8_t *bgr, const uint8_t *painted, const SkinRect &rect,
                         size_t texelBytes = 3);
