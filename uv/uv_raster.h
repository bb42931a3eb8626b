// The mapping grid as a picture of its own: the model's texture triangles drawn as anti-aliased black lines one
// texel wide on a transparent background, to lay over the texture in another program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Red-green-blue-alpha rows, top row first (as a PNG holds them), width x height, for triangles given as six
// floats each (u0, v0, u1, v1, u2, v2). Each corner lies at the centre of the texel the grid puts it on
// (gridCoordinate, v = 0 the bottom row); a texel's alpha is 255 * (1 - its centre's distance to the nearest
// edge) where that is positive, so a line along a row or column covers exactly the texels the grid draws.
// Colour is black throughout. Empty when a side is 0 or less.
std::vector<uint8_t> rasterUvLayout(const float *triangles, size_t count, int32_t width, int32_t height);
