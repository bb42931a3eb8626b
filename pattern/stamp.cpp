// Tinting the pattern brush with the pen colour and stamping it into the skin buffers.
#include "pattern/stamp.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define STAMP_SSE2 1
#else
#define STAMP_SSE2 0
#endif

#include "pattern/pattern_store.h"
#include "skin/skin_store.h"

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

// Applies the three amounts to one texel; first is the amount for the texel's first byte.
void changeTexel(uint8_t *texel, uint8_t first, uint8_t second, uint8_t third, bool dark)
{
    if (dark) {
        texel[0] = darken(texel[0], first);
        texel[1] = darken(texel[1], second);
        texel[2] = darken(texel[2], third);
    } else {
        texel[0] = brighten(texel[0], first);
        texel[1] = brighten(texel[1], second);
        texel[2] = brighten(texel[2], third);
    }
}

void stampPixel(size_t at, const uint8_t *brush, bool dark)
{
    uint8_t aB = static_cast<uint8_t>(255 - brush[0]);
    uint8_t aG = static_cast<uint8_t>(255 - brush[1]);
    uint8_t aR = static_cast<uint8_t>(255 - brush[2]);
    changeTexel(skinView + at, aB, aG, aR, dark);
    changeTexel(skinBase + at, aB, aG, aR, dark);
    changeTexel(skinGL + at, aR, aG, aB, dark);
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

// pixels (at most 256) consecutive brush pixels onto as many consecutive texels starting at byte at.
void stampRun(size_t at, const uint8_t *brush, size_t pixels, bool dark)
{
    uint8_t amounts[SKIN_SIDE * 3];    // blue, green, red: the order of skinView and skinBase
    uint8_t swapped[SKIN_SIDE * 3];    // red, green, blue: the order of skinGL
    size_t bytes = pixels * 3;
    for (size_t k = 0; k < bytes; k += 3) {
        amounts[k] = static_cast<uint8_t>(255 - brush[k]);
        amounts[k + 1] = static_cast<uint8_t>(255 - brush[k + 1]);
        amounts[k + 2] = static_cast<uint8_t>(255 - brush[k + 2]);
        swapped[k] = amounts[k + 2];
        swapped[k + 1] = amounts[k + 1];
        swapped[k + 2] = amounts[k];
    }
    applyAmounts(skinView + at, amounts, bytes, dark);
    applyAmounts(skinBase + at, amounts, bytes, dark);
    applyAmounts(skinGL + at, swapped, bytes, dark);
}

// The texels a stamp centred on (x, y) lands on, edges included.
SkinRect stampedRect(int32_t x, int32_t y)
{
    if (!patternPresent())
        return noTexels();
    return clampedRect(int64_t{x} - patternWidth / 2, int64_t{y} - patternHeight / 2, patternWidth, patternHeight);
}

} // namespace

void restoreBrush()
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
        int32_t row = clampToSkin(y0 + i);
        const uint8_t *brush = patternBrush + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        for (int32_t j = 0; j < patternWidth; ++j) {
            int32_t column = clampToSkin(x0 + j);
            uint8_t aB = static_cast<uint8_t>(255 - brush[3 * j]);
            uint8_t aG = static_cast<uint8_t>(255 - brush[3 * j + 1]);
            uint8_t aR = static_cast<uint8_t>(255 - brush[3 * j + 2]);
            size_t at = (static_cast<size_t>(row) * SKIN_SIDE + static_cast<size_t>(column)) * 3;
            changeTexel(skinView + at, aB, aG, aR, dark);
            changeTexel(skinBase + at, aB, aG, aR, dark);
            changeTexel(skinGL + at, aR, aG, aB, dark);
        }
    }
    return stampedRect(x, y);
}

// The fast stamp: the pattern pixels of a row that land on distinct texels form one run of bytes,
// done 16 at a time with saturating arithmetic; only the pixels beyond an edge, which pile up on the
// edge texel, go one by one. Within a stamp every amount has the same sign, so the order of the
// updates does not change the result.
SkinRect stampPattern(int32_t x, int32_t y, int32_t mode)
{
    if (!patternPresent())
        return noTexels();
    bool dark = mode == STAMP_DARKEN;
    int64_t x0 = int64_t{x} - patternWidth / 2;
    int64_t y0 = int64_t{y} - patternHeight / 2;
    // Pattern columns [runFirst, runEnd) land on texel columns 0..255 without clamping; those before
    // land on column 0, those after on column 255.
    int64_t runFirst = std::min<int64_t>(std::max<int64_t>(-x0, 0), patternWidth);
    int64_t runEnd = std::max<int64_t>(std::min<int64_t>(SKIN_SIDE - x0, patternWidth), runFirst);
    for (int32_t i = 0; i < patternHeight; ++i) {
        size_t rowStart = static_cast<size_t>(clampToSkin(y0 + i)) * SKIN_SIDE * 3;
        const uint8_t *brush = patternBrush + static_cast<size_t>(i) * static_cast<size_t>(patternWidth) * 3;
        if (runEnd > runFirst) {
            size_t at = rowStart + static_cast<size_t>(x0 + runFirst) * 3;
            stampRun(at, brush + runFirst * 3, static_cast<size_t>(runEnd - runFirst), dark);
        }
        for (int64_t j = 0; j < runFirst; ++j)
            stampPixel(rowStart, brush + j * 3, dark);
        for (int64_t j = runEnd; j < patternWidth; ++j)
            stampPixel(rowStart + (SKIN_SIDE - 1) * 3, brush + j * 3, dark);
    }
    return stampedRect(x, y);
}
