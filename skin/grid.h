// The mapping coordinate grid: texture coordinates to layer pixels, and the line walk.
#pragma once
#include <cstdint>

#include "plugins/plugin_api.h"

// Column (or row) of a texture coordinate: trunc(u * K * 256) with K the float nearest 0.9999.
// Out-of-range and NaN coordinates are brought to a value far outside the layer, never UB.
int32_t gridCoordinate(float u);

// Black line from (x0, y0) to (x1, y1) into a 256 x 256 layer, 16.16 walk along the longer axis;
// the start is drawn, the end is not. Pixels outside the layer are dropped.
void drawGridLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t *target);

// Fills the layer with white (no grid).
void clearGrid(uint8_t *target);

// Outlines count triangles of a plugin's table into the layer. Triangles given by a null entry, or with a
// null corner or a non-finite (NaN or infinite) coordinate, are skipped; a null table or a count of 0 or less draws nothing.
void drawGridTable(const TexCoordTriangle *const *table, int32_t count, uint8_t *target);
