// Tinting the pattern brush with the pen colour and stamping it into the skin buffers.
#include "paint/stamp.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "paint/pattern_store.h"
#include "texture/active_layer.h"
#include "texture/skin_store.h"

namespace {

bool patternPresent()
{
    return patternSource != nullptr && patternBrush != nullptr && patternWidth > 0 && patternHeight > 0;
}

size_t patternBytesNow()
{
    return static_cast<size_t>(patternWidth) * static_cast<size_t>(patternHeight) * 3;
}

// The active layer's texel (x, y), which must lie on the texture.
uint8_t *layerTexel(uint8_t *pixels, int32_t x, int32_t y)
{
    return pixels + (static_cast<size_t>(y) * static_cast<size_t>(skinWidth) + static_cast<size_t>(x)) * LAYER_TEXEL_BYTES;
}

// The texels a stamp centred on (x, y) lands on, edges included.
SkinRect stampedRect(int32_t x, int32_t y)
{
    if (!patternPresent())
        return noTexels();
    return clampedRect(int64_t{x} - patternWidth / 2, int64_t{y} - patternHeight / 2, patternWidth, patternHeight);
}

} // namespace

void untintBrush()
{
    if (!patternPresent())
        return;
    std::memcpy(patternBrush, patternSource, patternBytesNow());
}

void tintBrush(const uint8_t penColor[3])
{
    if (!patternPresent())
        return;
    // The pattern holds blue, green, red; penColor red, green, blue: pair them by colour.
    const uint8_t pen[3] = {penColor[2], penColor[1], penColor[0]};
    size_t bytes = patternBytesNow();
    for (size_t i = 0; i < bytes; ++i) {
        unsigned q = (255u - patternSource[i]) * (255u - pen[i % 3]) / 255u;
        patternBrush[i] = static_cast<uint8_t>(255u - q);
    }
}

SkinRect stampPatternReference(int32_t x, int32_t y, int32_t mode)
{
    if (!patternPresent())
        return noTexels();
    bool dark = mode == STAMP_DARKEN;
    // int64: a cursor far off the view must not overflow the pattern's placement.
    int64_t x0 = int64_t{x} - patternWidth / 2;
    int64_t y0 = int64_t{y} - patternHeight / 2;
    uint8_t *pixels = paintLayer().pixels.data();
    const bool clears = eraserClears();
    for (int32_t i = 0; i < patternHeight; ++i) {
        int32_t row = clampRow(y0 + i);
        const uint8_t *brush = patternBrush + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        for (int32_t j = 0; j < patternWidth; ++j)
            tintTexel(layerTexel(pixels, clampColumn(x0 + j), row), brush + 3 * j, dark, clears);
    }
    SkinRect r = stampedRect(x, y);
    showLayersIn(r);
    return r;
}

// The stamp a row at a time: the pattern pixels of a row that land on distinct texels form one run of
// texels; only the pixels beyond an edge, which pile up on the edge texel, are brought onto it one by one.
// Within a stamp every amount has the same sign, so the order of the updates does not change the result.
static void stampBrushRows(const uint8_t *brushPixels, int64_t x0, int64_t y0, bool dark)
{
    // Pattern columns [runFirst, runEnd) land on texel columns 0..W-1 without clamping; those before land on
    // the first column, those after on the last.
    int64_t runFirst = std::min<int64_t>(std::max<int64_t>(-x0, 0), patternWidth);
    int64_t runEnd = std::max<int64_t>(std::min<int64_t>(skinWidth - x0, patternWidth), runFirst);
    uint8_t *pixels = paintLayer().pixels.data();
    const bool clears = eraserClears();
    for (int32_t i = 0; i < patternHeight; ++i) {
        uint8_t *row = layerTexel(pixels, 0, clampRow(y0 + i));
        const uint8_t *brush = brushPixels + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        for (int64_t j = runFirst; j < runEnd; ++j)
            tintTexel(row + (x0 + j) * LAYER_TEXEL_BYTES, brush + j * 3, dark, clears);
        for (int64_t j = 0; j < runFirst; ++j)
            tintTexel(row, brush + j * 3, dark, clears);
        for (int64_t j = runEnd; j < patternWidth; ++j)
            tintTexel(row + static_cast<size_t>(skinWidth - 1) * LAYER_TEXEL_BYTES, brush + j * 3, dark, clears);
    }
}

SkinRect stampPattern(int32_t x, int32_t y, int32_t mode)
{
    if (!patternPresent())
        return noTexels();
    stampBrushRows(patternBrush, int64_t{x} - patternWidth / 2, int64_t{y} - patternHeight / 2, mode == STAMP_DARKEN);
    SkinRect r = stampedRect(x, y);
    showLayersIn(r);
    return r;
}

SkinRect stampPatternMirrored(int32_t x, int32_t y, int32_t mode)
{
    if (!patternPresent())
        return noTexels();
    static std::vector<uint8_t> flipped;
    flipped.resize(patternBytesNow());
    const size_t rowBytes = static_cast<size_t>(patternWidth) * 3;
    for (int32_t i = 0; i < patternHeight; ++i) {
        const uint8_t *from = patternBrush + static_cast<size_t>(i) * rowBytes;
        uint8_t *to = flipped.data() + static_cast<size_t>(i) * rowBytes;
        for (int32_t j = 0; j < patternWidth; ++j)
            std::memcpy(to + static_cast<size_t>(patternWidth - 1 - j) * 3, from + static_cast<size_t>(j) * 3, 3);
    }
    // Plain pattern column j lands on X = x - w/2 + j; its mirror W - 1 - X is where flipped column w - 1 - j
    // must land, which puts the flipped pattern's first column at W - x - w/2 (the sides are even).
    const int64_t x0 = int64_t{skinWidth} - x - patternWidth / 2;
    stampBrushRows(flipped.data(), x0, int64_t{y} - patternHeight / 2, mode == STAMP_DARKEN);
    SkinRect r = clampedRect(x0, int64_t{y} - patternHeight / 2, patternWidth, patternHeight);
    showLayersIn(r);
    return r;
}

void stampTexel(int32_t x, int32_t y, int32_t j, int32_t i, int32_t mode)
{
    if (!patternPresent())
        return;
    j = j < 0 ? 0 : j >= patternWidth ? patternWidth - 1 : j;
    i = i < 0 ? 0 : i >= patternHeight ? patternHeight - 1 : i;
    const uint8_t *brush = patternBrush + (static_cast<size_t>(i) * static_cast<size_t>(patternWidth) + j) * 3;
    tintTexel(paintTexel(x, y), brush, mode == STAMP_DARKEN, eraserClears());
}
