// The config.cfg layout: 78 bytes of brush settings and custom colours, encoded and decoded on bytes.
#include "app/settings.h"

#include "paint/brush.h"

namespace {

// Field offsets: back to back, no alignment, integers little-endian.
const size_t PEN_COLOR_AT = 0;
const size_t PEN_SIZE_AT = 3;
const size_t ERASER_COLOR_AT = 7;
const size_t ERASER_SIZE_AT = 10;
const size_t CUSTOM_COLORS_AT = 14;
const size_t CUSTOM_COLOR_COUNT = 16;

void putU32(uint8_t *p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value & 0xFFu);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFFu);
    p[2] = static_cast<uint8_t>((value >> 16) & 0xFFu);
    p[3] = static_cast<uint8_t>((value >> 24) & 0xFFu);
}

uint32_t readU32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A field is taken only when all of its bytes are in the file: half a size or half a colour
// would be a value nobody chose.
bool fieldFits(size_t size, size_t offset, size_t bytes)
{
    return offset <= size && size - offset >= bytes;
}

void readColor(const uint8_t *data, size_t size, size_t offset, uint8_t *color)
{
    if (!fieldFits(size, offset, 3))
        return;
    color[0] = data[offset];
    color[1] = data[offset + 1];
    color[2] = data[offset + 2];
}

bool readSize(const uint8_t *data, size_t size, size_t offset, int32_t &value)
{
    if (!fieldFits(size, offset, 4))
        return false;
    value = static_cast<int32_t>(readU32(data + offset));
    return true;
}

} // namespace

std::array<uint8_t, SETTINGS_BYTES> encodeSettings()
{
    const BrushSettings &b = brushSettings;
    std::array<uint8_t, SETTINGS_BYTES> out{};
    for (size_t i = 0; i < 3; ++i) {
        out[PEN_COLOR_AT + i] = b.penColor[i];
        out[ERASER_COLOR_AT + i] = b.eraserColor[i];
    }
    putU32(out.data() + PEN_SIZE_AT, static_cast<uint32_t>(b.penSize));
    putU32(out.data() + ERASER_SIZE_AT, static_cast<uint32_t>(b.eraserSize));
    for (size_t i = 0; i < CUSTOM_COLOR_COUNT; ++i)
        putU32(out.data() + CUSTOM_COLORS_AT + 4 * i, b.customColors[i]);
    return out;
}

unsigned decodeSettings(const uint8_t *data, size_t size)
{
    BrushSettings &b = brushSettings;
    unsigned sizesRead = 0;
    readColor(data, size, PEN_COLOR_AT, b.penColor);
    if (readSize(data, size, PEN_SIZE_AT, b.penSize))
        sizesRead |= 1u;
    readColor(data, size, ERASER_COLOR_AT, b.eraserColor);
    if (readSize(data, size, ERASER_SIZE_AT, b.eraserSize))
        sizesRead |= 2u;
    for (size_t i = 0; i < CUSTOM_COLOR_COUNT; ++i) {
        const size_t offset = CUSTOM_COLORS_AT + 4 * i;
        if (fieldFits(size, offset, 4))
            b.customColors[i] = readU32(data + offset);
    }
    return sizesRead;
}
