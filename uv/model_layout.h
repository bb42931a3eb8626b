// The loaded model's texture layout at the texture's size: its islands and the texels they cover, which the
// fill and the gutter bleed go by.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "uv/uv_layout.h"

// Laid out from the grid's copy of the plugin's table whenever it or the texture's size changes (drawGridLayer
// does it). Empty (no islands) for a model without texture coordinates.
extern UvLayout modelLayout;

// Lays modelLayout out again at skinWidth x skinHeight from count triangles of six floats each (u0, v0, u1, v1,
// u2, v2), as the grid keeps them.
void layOutModelTriangles(const float *triangles, size_t count);

// The islands that cover texel (x, y), or failing that, those covering a texel at most `reach` away along each
// axis (a texel at an island's edge whose centre falls just outside it), nearest first. Empty when none.
std::vector<int32_t> islandsNearTexel(const UvLayout &layout, int32_t x, int32_t y, int32_t reach);
