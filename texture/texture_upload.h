// How a texture of any size reaches OpenGL 1.1, which takes only sides that are powers of two: a copy scaled up
// to the next power of two by the nearest texel, so no colour bleeds between texels and a texture coordinate
// still lands on the texel it names.
#pragma once
#include <cstdint>

// The largest side OpenGL takes (GL_MAX_TEXTURE_SIZE of the context: 1024 in Windows' own software OpenGL),
// brought down to a power of two; values under 64, which OpenGL 1.1 does not allow, count as 64. Until it is
// set, no limit.
void setUploadLimit(int32_t glMaxTextureSize);
int32_t uploadLimit();

// The side of the copy GL receives for a side-long axis: the smallest power of two at least `side` (side >= 1),
// or the upload limit when that is smaller. Past the limit the copy is scaled down by the nearest texel; the
// painting itself keeps its full size.
int32_t uploadSide(int32_t side);

// The texel of a side-long axis that texel `copyIndex` of the copySide-long copy shows: the one under its
// centre.
int32_t sourceTexelOf(int32_t copyIndex, int32_t side, int32_t copySide);

// Writes rows [firstCopyRow, firstCopyRow + copyRowCount) of the copyWidth x copyHeight copy of a width x height
// texture (3 bytes a texel, rows bottom-up, no padding on either side).
void scaleUpRows(const uint8_t *texels, int32_t width, int32_t height, uint8_t *copy, int32_t copyWidth,
                 int32_t copyHeight, int32_t firstCopyRow, int32_t copyRowCount);

// The rows of the copy that show texture rows [first, first + count): [copyFirst, copyFirst + copyCount).
void copyRowsShowing(int32_t first, int32_t count, int32_t height, int32_t copyHeight, int32_t &copyFirst,
                     int32_t &copyCount);
