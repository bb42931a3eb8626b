// The mapping coordinate grid: the model's texture triangles, texture coordinates to layer pixels, and the line
// walk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin-api/plugin_api.h"

// The model's texture triangles as the grid draws them, copied from the plugin's table at a model load: six
// floats each, u0, v0, u1, v1, u2, v2. Kept so the grid can be drawn again at another texture size, and on the
// screen at any zoom.
extern std::vector<float> gridTriangles;

// Reads the entries [first, first + count) of a plugin's table into `out`, six floats for each usable triangle
// (the others are left out (a null entry, a null corner, a non-finite coordinate)), and returns how many triangles it wrote. It
// calls and allocates nothing, so a guard can run it on the plugin's behalf: a bad pointer in the table faults
// inside it and nowhere else. `out` has room for 6 * count floats.
int32_t readTexCoordTriangles(const TexCoordTriangle *const *table, int32_t first, int32_t count, float *out);

// Fills gridLayer with white, then outlines gridTriangles into it at the texture's size; the model's texture
// layout (modelLayout) follows them too, since every change of the triangles or of the size passes here.
void drawGridLayer();

// Column (or row) of a texture coordinate on a texture `side` texels across: trunc(u * K * side) with K the
// float nearest 0.9999. Out-of-range and NaN coordinates are brought to a value far outside the layer, never UB.
int32_t gridCoordinate(float u, int32_t side);

// Black line from (x0, y0) to (x1, y1) into a width x height layer, 16.16 walk along the longer axis; the start
// is drawn, the end is not. Pixels outside the layer are dropped.
void drawGridLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t *target, int32_t width, int32_t height);

// Fills a width x height layer with white (no grid).
void clearGrid(uint8_t *target, int32_t width, int32_t height);

// Outlines triangles given as six floats each into a width x height layer.
void drawGridTriangles(const float *triangles, size_t count, uint8_t *target, int32_t width, int32_t height);

// Outlines count triangles of a plugin's table into a width x height layer, skipping the unusable ones as
// readTexCoordTriangles does.
void drawGridTable(const TexCoordTriangle *const *table, int32_t count, uint8_t *target, int32_t width,
                   int32_t height);
