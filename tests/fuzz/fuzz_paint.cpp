// Fuzzes the brushes with positions, sizes and pattern sizes from the input, far off the texture included:
// the square must write exactly what the described per-pixel loop writes, the fast stamp must leave the
// three skin buffers byte-identical to the plain stamp, and a dab with the wrong buttons changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/brush.h"
#include "texture/active_layer.h"
#include "texture/skin_store.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/native/start_texture.h"

namespace {

const int MAX_STEPS = 12;
const int32_t MAX_PATTERN_SIDE = 300;   // past the loader's 256: the stamp itself puts no limit on it
const int32_t PLAIN_SQUARE_LIMIT = 300; // bigger squares are checked by their clamped ranges

// A copy of the three skin buffers. The copies are static: fresh 196,608-byte allocations for every
// step would cost more than the code under test.
struct SkinCopy {
    uint8_t gl[SKIN_BYTES], view[SKIN_BYTES], base[SKIN_BYTES];
    std::vector<uint8_t> layer; // the active layer, which the brushes paint and the skin buffers show
};
SkinCopy before, expected, fast;

FUZZ_HARNESS void saveSkin(SkinCopy &copy)
{
    std::memcpy(copy.gl, skinGL, SKIN_BYTES);
    std::memcpy(copy.view, skinShown, SKIN_BYTES);
    std::memcpy(copy.base, skinBase, SKIN_BYTES);
    copy.layer = paintLayer().pixels;
}

FUZZ_HARNESS void loadSkin(const SkinCopy &copy)
{
    std::memcpy(skinGL, copy.gl, SKIN_BYTES);
    std::memcpy(skinShown, copy.view, SKIN_BYTES);
    std::memcpy(skinBase, copy.base, SKIN_BYTES);
    paintLayer().pixels = copy.layer;
}

FUZZ_HARNESS bool skinEquals(const SkinCopy &copy)
{
    return std::memcmp(skinGL, copy.gl, SKIN_BYTES) == 0 && std::memcmp(skinShown, copy.view, SKIN_BYTES) == 0 &&
           std::memcmp(skinBase, copy.base, SKIN_BYTES) == 0;
}

// A fixed block of noise, more than three skin buffers long; inputs pick windows into it.
const uint8_t *noiseBlock()
{
    static std::vector<uint8_t> noise;
    if (noise.empty()) {
        noise.resize(3 * SKIN_BYTES + 65536);
        fillRandom(noise.data(), noise.size(), 0x2545F491u);
    }
    return noise.data();
}

// Mostly near the texture, where edges and overhangs are; sometimes anywhere an int32 reaches.
int32_t consumePosition(FuzzedDataProvider &fdp)
{
    return fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int32_t>(-400, 700) : fdp.ConsumeIntegral<int32_t>();
}

int32_t consumeSize(FuzzedDataProvider &fdp)
{
    return fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int32_t>(-3, 40) : fdp.ConsumeIntegral<int32_t>();
}

FUZZ_HARNESS int64_t clampTo(int64_t v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

FUZZ_HARNESS void putTexel(SkinCopy &skin, int64_t px, int64_t py, uint8_t red, uint8_t green, uint8_t blue)
{
    size_t at = static_cast<size_t>(py * 256 + px) * 3;
    skin.gl[at] = red, skin.gl[at + 1] = green, skin.gl[at + 2] = blue;
    skin.view[at] = skin.base[at] = blue;
    skin.view[at + 1] = skin.base[at + 1] = green;
    skin.view[at + 2] = skin.base[at + 2] = red;
}

// The square as described: every offset of a size x size square, each coordinate clamped on its own.
// Too big a square for that loop is written as the product of the clamped ranges, which it equals.
FUZZ_HARNESS void plainSquare(SkinCopy &skin, int64_t x, int64_t y, int64_t size, uint8_t red, uint8_t green, uint8_t blue)
{
    int64_t half = size / 2;
    if (size <= PLAIN_SQUARE_LIMIT) {
        for (int64_t r = 0; r < size; ++r)
            for (int64_t c = 0; c < size; ++c)
                putTexel(skin, clampTo(x - half + c), clampTo(y - half + r), red, green, blue);
        return;
    }
    for (int64_t py = clampTo(y - half); py <= clampTo(y - half + size - 1); ++py)
        for (int64_t px = clampTo(x - half); px <= clampTo(x - half + size - 1); ++px)
            putTexel(skin, px, py, red, green, blue);
}

void checkSquare(FuzzedDataProvider &fdp)
{
    int32_t x = consumePosition(fdp), y = consumePosition(fdp), size = consumeSize(fdp);
    uint8_t red = fdp.ConsumeIntegral<uint8_t>(), green = fdp.ConsumeIntegral<uint8_t>();
    uint8_t blue = fdp.ConsumeIntegral<uint8_t>();
    saveSkin(expected);
    plainSquare(expected, x, y, size, red, green, blue);
    paintSquare(x, y, size, red, green, blue);
    FUZZ_CHECK(skinEquals(expected), "paintSquare differs from the per-pixel square");
}

// Pattern pixels from noise: as it is; faint (bytes 254 or 255, amounts of 0 or 1, which add up on an
// edge texel without saturating, so a pixel piled on the wrong texel or left out shows); or a few dark
// dots on white.
FUZZ_HARNESS void fillPattern(uint8_t *pixels, size_t bytes, const uint8_t *noise, int kind)
{
    for (size_t i = 0; i < bytes; ++i) {
        uint8_t n = noise[i];
        pixels[i] = kind == 0 ? n : kind == 1 ? static_cast<uint8_t>(254 + (n & 1)) : n < 8 ? n * 32 : 255;
    }
}

// A new pattern of fuzzed size and content. Zero or negative sides take the store's early exits.
void newPattern(FuzzedDataProvider &fdp)
{
    // Mostly small, which keeps the runs fast; big ones still come often enough to reach every edge.
    int32_t largest = fdp.ConsumeIntegralInRange<int>(0, 3) == 0 ? MAX_PATTERN_SIDE : 24;
    int32_t width = fdp.ConsumeIntegralInRange<int32_t>(-2, largest);
    int32_t height = fdp.ConsumeIntegralInRange<int32_t>(-2, largest);
    size_t at = fdp.ConsumeIntegral<uint16_t>();
    int kind = fdp.ConsumeIntegralInRange<int>(0, 2);
    bool allocated = reallocatePattern(width, height);
    bool present = patternSource != nullptr && patternBrush != nullptr;
    FUZZ_CHECK(present == (patternWidth > 0 && patternHeight > 0), "pattern buffers and sizes disagree");
    if (!allocated || width <= 0 || height <= 0)
        return;
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    fillPattern(patternSource, bytes, noiseBlock() + at, kind);
    std::memcpy(patternBrush, patternSource, bytes);
}

void checkStamp(FuzzedDataProvider &fdp)
{
    int32_t x = consumePosition(fdp), y = consumePosition(fdp);
    int32_t mode = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int32_t>(0, 1) : fdp.ConsumeIntegral<int32_t>();
    saveSkin(before);
    stampPattern(x, y, mode);
    saveSkin(fast);
    loadSkin(before);
    stampPatternReference(x, y, mode);
    FUZZ_CHECK(skinEquals(fast), "stampPattern differs from stampPatternReference");
}

// Only exactly the left or the right button paints; any other wParam leaves the texture alone.
void checkDab(FuzzedDataProvider &fdp)
{
    static const uint32_t BUTTONS[] = {0, MOUSE_LBUTTON, MOUSE_RBUTTON, MOUSE_LBUTTON | MOUSE_RBUTTON,
                                       MOUSE_LBUTTON | 0x4, MOUSE_RBUTTON | 0x8, 0x10};
    uint32_t wParam = fdp.ConsumeBool() ? BUTTONS[fdp.ConsumeIntegralInRange<size_t>(0, 6)]
                                        : fdp.ConsumeIntegral<uint32_t>();
    TexelPoint at = {consumePosition(fdp), consumePosition(fdp)};
    bool usePattern = fdp.ConsumeBool();
    brushSettings.penSize = consumeSize(fdp);
    brushSettings.eraserSize = consumeSize(fdp);
    saveSkin(before);
    bool painted = paintDab(wParam, at, usePattern);
    FUZZ_CHECK(painted == (wParam == MOUSE_LBUTTON || wParam == MOUSE_RBUTTON), "wrong buttons decide a dab");
    FUZZ_CHECK(painted || skinEquals(before), "a dab that paints nothing changed the texture");
}

// The skin starts as noise (a window into one fixed noise block, placed by the input), all white, all
// black (both saturation ends) or mid grey (room both ways for the faint patterns to add up).
void startSkin(FuzzedDataProvider &fdp)
{
    const uint8_t *noise = noiseBlock();
    resetToDefaults();
    initSkinStore();
    initPatternStore();
    int fill = fdp.ConsumeIntegralInRange<int>(0, 3);
    size_t at = fdp.ConsumeIntegral<uint16_t>();
    for (uint8_t *buffer : {skinGL, skinShown, skinBase}) {
        if (fill == 0)
            std::memcpy(buffer, noise + at, SKIN_BYTES);
        else
            std::memset(buffer, fill == 1 ? 255 : fill == 2 ? 0 : 128, SKIN_BYTES);
        at += SKIN_BYTES;
    }
}

} // namespace

FuzzSeeds paintSeeds()
{
    return randomSeeds(64, 0x85EBCA6Bu);
}

FUZZ_SEEDS(paintSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    startSkin(fdp);
    for (int step = 0; step < MAX_STEPS && fdp.remaining_bytes() > 0; ++step) {
        switch (fdp.ConsumeIntegralInRange<int>(0, 5)) {
        case 0: checkSquare(fdp); break;
        case 1: newPattern(fdp); break;
        case 2:
            brushSettings.penColor[0] = fdp.ConsumeIntegral<uint8_t>();
            brushSettings.penColor[1] = fdp.ConsumeIntegral<uint8_t>();
            brushSettings.penColor[2] = fdp.ConsumeIntegral<uint8_t>();
            tintBrush(brushSettings.penColor);
            break;
        case 3: untintBrush(); break;
        case 4: checkStamp(fdp); break;
        default: checkDab(fdp); break;
        }
    }
    resetPatternStore();
    return 0;
}
