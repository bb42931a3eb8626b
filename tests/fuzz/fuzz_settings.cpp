// Fuzzes the config.cfg reader: a field wholly inside the data takes the file's bytes, any other keeps
// its value, and the result bits say exactly which sizes were read.
#include <array>
#include <cstring>

#include "app/settings.h"
#include "app/state.h"
#include "paint/brush.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

struct Field {
    size_t offset;
    size_t bytes;
};

// The layout as the file is documented: pen colour, pen size, eraser colour, eraser size, 16 colours.
const Field FIELDS[] = {
    {0, 3},  {3, 4},  {7, 3},  {10, 4}, {14, 4}, {18, 4}, {22, 4}, {26, 4}, {30, 4}, {34, 4},
    {38, 4}, {42, 4}, {46, 4}, {50, 4}, {54, 4}, {58, 4}, {62, 4}, {66, 4}, {70, 4}, {74, 4},
};

// Values unlike any default and unlike each other, so a field that is wrongly kept or taken shows.
void setKnownValues()
{
    brushSettings.penColor[0] = 11, brushSettings.penColor[1] = 12, brushSettings.penColor[2] = 13;
    brushSettings.penSize = -123456789;
    brushSettings.eraserColor[0] = 21, brushSettings.eraserColor[1] = 22, brushSettings.eraserColor[2] = 23;
    brushSettings.eraserSize = 0x5EADBEEF;
    for (uint32_t i = 0; i < 16; ++i)
        brushSettings.customColors[i] = 0xC0FFEE00u + i;
}

FuzzSeeds settingsSeeds()
{
    resetToDefaults();
    std::array<uint8_t, SETTINGS_BYTES> defaults = encodeSettings();
    setKnownValues();
    std::array<uint8_t, SETTINGS_BYTES> known = encodeSettings();
    FuzzSeeds seeds{{defaults.begin(), defaults.end()}, {known.begin(), known.end()}};
    seeds.emplace_back(known.begin(), known.begin() + 12); // cut inside the eraser size
    return seeds;
}

} // namespace

FUZZ_SEEDS(settingsSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setKnownValues();
    const std::array<uint8_t, SETTINGS_BYTES> before = encodeSettings();
    unsigned sizesRead = decodeSettings(data, size);
    const std::array<uint8_t, SETTINGS_BYTES> after = encodeSettings();

    for (const Field &field : FIELDS) {
        bool inside = field.offset + field.bytes <= size;
        const uint8_t *expected = inside ? data + field.offset : before.data() + field.offset;
        FUZZ_CHECK(std::memcmp(after.data() + field.offset, expected, field.bytes) == 0,
                   inside ? "a field inside the data was not read" : "a field cut off by the end changed");
    }
    unsigned expectedBits = (size >= 7 ? 1u : 0u) | (size >= 14 ? 2u : 0u);
    FUZZ_CHECK(sizesRead == expectedBits, "the result bits do not match the sizes read");
    return 0;
}
