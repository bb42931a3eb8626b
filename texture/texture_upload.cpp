// How a texture of any size reaches OpenGL 1.1, which takes only sides that are powers of two.
#include "texture/texture_upload.h"

#include <cstddef>
#include <cstring>
#include <vector>

static int32_t largestUploadSide = (INT32_MAX >> 1) + 1;

void setUploadLimit(int32_t glMaxTextureSize)
{
    int32_t p = 64;
    while (p <= glMaxTextureSize / 2)
        p <<= 1;
    largestUploadSide = p;
}

int32_t uploadLimit()
{
    return largestUploadSide;
}

int32_t uploadSide(int32_t side)
{
    int32_t p = 1;
    while (p < side && p < largestUploadSide)
        p <<= 1;
    return p;
}

int32_t sourceTexelOf(int32_t copyIndex, int32_t side, int32_t copySide)
{
    // The centre of copy texel i lies at (i + 0.5) / copySide of the axis, which is texel
    // floor((2i + 1) * side / (2 * copySide)); in 64 bits nothing overflows.
    return static_cast<int32_t>((2 * int64_t{copyIndex} + 1) * side / (2 * int64_t{copySide}));
}

void scaleUpRows(const uint8_t *texels, int32_t width, int32_t height, uint8_t *copy, int32_t copyWidth,
                 int32_t copyHeight, int32_t firstCopyRow, int32_t copyRowCount)
{
    std::vector<int32_t> columns(static_cast<size_t>(copyWidth));
    for (int32_t i = 0; i < copyWidth; ++i)
        columns[static_cast<size_t>(i)] = sourceTexelOf(i, width, copyWidth) * 3;
    const size_t copyRowBytes = static_cast<size_t>(copyWidth) * 3;
    for (int32_t j = firstCopyRow; j < firstCopyRow + copyRowCount; ++j) {
        const uint8_t *source =
            texels + static_cast<size_t>(sourceTexelOf(j, height, copyHeight)) * static_cast<size_t>(width) * 3;
        uint8_t *out = copy + static_cast<size_t>(j) * copyRowBytes;
        // Rows of the copy that show the same texture row are the same bytes.
        if (j > firstCopyRow && sourceTexelOf(j - 1, height, copyHeight) == sourceTexelOf(j, height, copyHeight)) {
            std::memcpy(out, out - copyRowBytes, copyRowBytes);
            continue;
        }
        for (int32_t i = 0; i < copyWidth; ++i) {
            const uint8_t *texel = source + columns[static_cast<size_t>(i)];
            out[3 * i] = texel[0];
            out[3 * i + 1] = texel[1];
            out[3 * i + 2] = texel[2];
        }
    }
}

void copyRowsShowing(int32_t first, int32_t count, int32_t height, int32_t copyHeight, int32_t &copyFirst,
                     int32_t &copyCount)
{
    // The copy's rows show the texture's rows in order, so the rows that show [first, first + count) are one run.
    int32_t j = 0;
    while (j < copyHeight && sourceTexelOf(j, height, copyHeight) < first)
        ++j;
    copyFirst = j;
    while (j < copyHeight && sourceTexelOf(j, height, copyHeight) < first + count)
        ++j;
    copyCount = j - copyFirst;
}
