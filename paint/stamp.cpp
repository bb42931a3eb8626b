// Tinting the pattern brush with the pen colour and stamping it into the skin buffers.
#include "paint/stamp.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define STAMP_SSE2 1
#else
#define STAMP_SSE2 0
#endif

#include "paint/pattern_store.h"
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

uint8_t darken(uint8_t value, uint8_t amount)
{
    return value > amount ? static_cast<uint8_t>(value - amount) : 0;
}

uint8_t brighten(uint8_t value, uint8_t amount)
{
    return amount > 255 - value ? 255 : static_cast<uint8_t>(value + amount);
}

// Darkens or brightens one blue-green-red texel by the darkness of one blue-green-red brush pixel.
void changeTexel(uint8_t *texel, const uint8_t *brush, bool dark)
{
    for (int k = 0; k < 3; ++k) {
        uint8_t amount = static_cast<uint8_t>(255 - brush[k]);
        texel[k] = dark ? darken(texel[k], amount) : brighten(texel[k], amount);
    }
}

// target[k] := target[k] -/+ amounts[k], saturating, for count bytes.
void applyAmounts(uint8_t *target, const uint8_t *amounts, size_t count, bool dark)
{
    size_t k = 0;
#if STAMP_SSE2
    for (; k + 16 <= count; k += 16) {
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i *>(target + k));
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(amounts + k));
        t = dark ? _mm_subs_epu8(t, a) : _mm_adds_epu8(t, a);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(target + k), t);
    }
#endif
    for (; k < count; ++k)
        target[k] = dark ? darken(target[k], amounts[k]) : brighten(target[k], amounts[k]);
}

enum : size_t { MAX_RUN_PIXELS = 256 };   // a pattern is at most 256 pixels wide

// pixels (at most MAX_RUN_PIXELS) consecutive brush pixels onto as many consecutive texels of skinBase.
void stampRun(uint8_t *texels, const uint8_t *brush, size_t pixels, bool dark)
{
    uint8_t amounts[MAX_RUN_PIXELS * 3];
    size_t bytes = pixels * 3;
    for (size_t k = 0; k < bytes; ++k)
        amounts[k] = static_cast<uint8_t>(255 - brush[k]);
    applyAmounts(texels, amounts, bytes, dark);
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
    for (int32_t i = 0; i < patternHeight; ++i) {
        int32_t row = clampRow(y0 + i);
        const uint8_t *brush = patternBrush + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        for (int32_t j = 0; j < patternWidth; ++j)
            changeTexel(skinBase + texelOffset(clampColumn(x0 + j), row), brush + 3 * j, dark);
    }
    SkinRect r = stampedRect(x, y);
    updateSkinCopies(r);
    return r;
}

// The fast stamp: the pattern pixels of a row that land on distinct texels form one run of bytes,
// done 16 at a time with saturating arithmetic; only the pixels beyond an edge, which pile up on the
// edge texel, go one by one. Within a stamp every amount has the same sign, so the order of the
// updates does not change the result.
static void stampBrushRows(const uint8_t *brushPixels, int64_t x0, int64_t y0, bool dark)
{
    // Pattern columns [runFirst, runEnd) land on texel columns 0..W-1 without clamping; those before land on
    // the first column, those after on the last.
    int64_t runFirst = std::min<int64_t>(std::max<int64_t>(-x0, 0), patternWidth);
    int64_t runEnd = std::max<int64_t>(std::min<int64_t>(skinWidth - x0, patternWidth), runFirst);
    for (int32_t i = 0; i < patternHeight; ++i) {
        uint8_t *row = skinBase + texelOffset(0, clampRow(y0 + i));
        const uint8_t *brush = brushPixels + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        if (runEnd > runFirst)
            stampRun(row + (x0 + runFirst) * 3, brush + runFirst * 3, static_cast<size_t>(runEnd - runFirst), dark);
        for (int64_t j = 0; j < runFirst; ++j)
            changeTexel(row, brush + j * 3, dark);
        for (int64_t j = runEnd; j < patternWidth; ++j)
            changeTexel(row + static_cast<size_t>(skinWidth - 1) * 3, brush + j * 3, dark);
    }
}

SkinRect stampPattern(int32_t x, int32_t y, int32_t mode)
{
    if (!patternPresent())
        return noTexels();
    stampBrushRows(patternBrush, int64_t{x} - patternWidth / 2, int64_t{y} - patternHeight / 2, mode == STAMP_DARKEN);
    SkinRect r = stampedRect(x, y);
    updateSkinCopies(r);
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
    updateSkinCopies(r);
    return r;
}

void stampTexel(int32_t x, int32_t y, int32_t j, int32_t i, int32_t mode)
{
    if (!patternPresent())
        return;
    j = j < 0 ? 0 : j >= patternWidth ? patternWidth - 1 : j;
    i = i < 0 ? 0 : i >= patternHeight ? patternHeight - 1 : i;
    const uint8_t *brush = patternBrush + (static_cast<size_t>(i) * static_cast<size_t>(patternWidth) + j) * 3;
    changeTexel(skinBase + texelOffset(x, y), brush, mode == STAMP_DARKEN);
}
