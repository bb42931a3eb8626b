// Writing and reading the clipboard's device-independent bitmaps.
#include "picture/dib.h"

#include <cstring>

#include "picture/bmp.h"

namespace {

enum : uint32_t { BI_RGB_ = 0, BI_BITFIELDS_ = 3, BI_ALPHABITFIELDS_ = 6 };

uint32_t read32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t read16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void write32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One channel of a pixel through its mask, brought to 8 bits (a 5-bit channel's 31 becomes 255).
uint8_t channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const uint32_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / (max ? max : 1));
}

const char *const NOT_READABLE = "The picture on the clipboard is in a form Pelterine does not read.";

} // namespace

std::vector<uint8_t> encodeDib(const uint8_t *bgr, int32_t width, int32_t height)
{
    std::vector<uint8_t> out;
    if (width <= 0 || height <= 0)
        return out;
    const size_t stride = bmpRowStride(static_cast<size_t>(width));
    write32(out, 40);
    write32(out, static_cast<uint32_t>(width));
    write32(out, static_cast<uint32_t>(height));
    write32(out, 1 | 24u << 16);   // one plane, 24 bits
    write32(out, BI_RGB_);
    write32(out, static_cast<uint32_t>(stride * static_cast<size_t>(height)));
    for (int i = 0; i < 4; ++i)
        write32(out, 0);
    out.resize(40 + stride * static_cast<size_t>(height), 0);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + 40 + stride * static_cast<size_t>(y), bgr + static_cast<size_t>(y) * width * 3,
                    static_cast<size_t>(width) * 3);
    return out;
}

const char *decodeDib(const uint8_t *data, size_t size, DibPicture &picture)
{
    picture = DibPicture();
    if (size < 40 || read32(data) < 40 || read32(data) > size)
        return NOT_READABLE;
    const uint32_t headerBytes = read32(data);
    const int32_t width = static_cast<int32_t>(read32(data + 4));
    const int32_t rawHeight = static_cast<int32_t>(read32(data + 8));
    const uint16_t bits = read16(data + 14);
    const uint32_t compression = read32(data + 16);
    uint32_t used = read32(data + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
        return NOT_READABLE;
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    if (isPictureTooLarge(width, height))
        return MSG_PICTURE_TOO_LARGE;
    size_t at = headerBytes;
    uint32_t masks[4] = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};   // red, green, blue, alpha
    if (bits == 16)
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    if (compression == BI_BITFIELDS_ || compression == BI_ALPHABITFIELDS_) {
        const size_t count = compression == BI_ALPHABITFIELDS_ ? 4 : 3;
        // V4 and V5 headers hold the masks; a 40-byte header is followed by them.
        const bool inHeader = headerBytes >= 40 + 4 * count;
        const size_t from = inHeader ? 40 : headerBytes;
        if (size - from < 4 * count)
            return NOT_READABLE;
        for (size_t i = 0; i < count; ++i)
            masks[i] = read32(data + from + 4 * i);
        if (!inHeader)
            at += 4 * count;
    } else if (compression != BI_RGB_) {
        return NOT_READABLE;
    }
    if (headerBytes >= 56 && compression == BI_BITFIELDS_)
        masks[3] = read32(data + 52);   // a V4 or V5 header's alpha mask
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return NOT_READABLE;
    const uint8_t *palette = nullptr;
    if (bits <= 8) {
        const uint32_t most = 1u << bits;
        used = used == 0 || used > most ? most : used;
        if (size - at < size_t(used) * 4)
            return NOT_READABLE;
        palette = data + at;
        at += size_t(used) * 4;
    }
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    if (at > size || (size - at) / stride < static_cast<size_t>(height))
        return NOT_READABLE;
    picture.width = width;
    picture.height = height;
    picture.bgra.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t *src = data + at + stride * static_cast<size_t>(topDown ? row : height - 1 - row);
        uint8_t *dst = picture.bgra.data() + static_cast<size_t>(row) * static_cast<size_t>(width) * 4;
        for (int32_t x = 0; x < width; ++x, dst += 4) {
            if (palette) {
                const size_t bit = static_cast<size_t>(x) * bits;
                const uint32_t index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                const uint8_t *entry = palette + 4 * (index < used ? index : 0);
                dst[0] = entry[0], dst[1] = entry[1], dst[2] = entry[2], dst[3] = 255;
                continue;
            }
            const uint8_t *p = src + static_cast<size_t>(x) * bits / 8;
            const uint32_t pixel =
                bits == 16 ? read16(p) : bits == 24 ? uint32_t(p[0]) | p[1] << 8 | p[2] << 16 : read32(p);
            dst[0] = channel(pixel, masks[2]);
            dst[1] = channel(pixel, masks[1]);
            dst[2] = channel(pixel, masks[0]);
            dst[3] = masks[3] ? channel(pixel, masks[3]) : 255;
        }
    }
    return nullptr;
}
