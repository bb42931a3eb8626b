// The BMP layout shared by texture and pattern files: parse and validate from bytes, encode to bytes.
#include "picture/bmp.h"

#include <cstring>
#include <utility>

namespace {

const size_t BMP_HEADERS_BYTES = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES;
const int32_t PATTERN_MAX_SIDE = 256;

// The messages of the two loaders. The ones about truncated files are ours: a short file would
// otherwise be checked on header bytes that are not there, or leave pixels undefined.
const char *const MSG_TEXTURE_TRUNCATED = "Picture file is truncated";
const char *const MSG_TEXTURE_COMPRESSED = "Picture is compressed, too hard for me :P";
const char *const MSG_PLANES = "Plan number incorrect, must be 1";

const char *const MSG_PATTERN_TRUNCATED = "Pattern file is truncated";
const char *const MSG_PATTERN_WIDTH_EVEN = "Pattern incorrect, width must be multiple of 2";
const char *const MSG_PATTERN_HEIGHT_EVEN = "Pattern incorrect, height must be multiple of 2";
const char *const MSG_PATTERN_WIDTH_MAX = "Pattern width incorrect, must be less or equal to 256";
const char *const MSG_PATTERN_HEIGHT_MAX = "Pattern height incorrect, must be less or equal than 256";
const char *const MSG_PATTERN_BITS = "Pattern is non 24 bits";
const char *const MSG_PATTERN_COMPRESSED = "Pattern is compressed, too hard for me :P";
const char *const MSG_PATTERN_WIDTH_POSITIVE = "Pattern incorrect, width must be greater than 0";
const char *const MSG_PATTERN_HEIGHT_ZERO = "Pattern incorrect, height must not be 0";

uint16_t readU16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t readU32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Writes a field at p and returns the byte after it.
uint8_t *putU16(uint8_t *p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value & 0xFFu);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFFu);
    return p + 2;
}

uint8_t *putU32(uint8_t *p, uint32_t value)
{
    return putU16(putU16(p, value & 0xFFFFu), value >> 16);
}

// Both files start the same way: "BM", the file size, two reserved words and the pixel offset 54; then the
// 40-byte BITMAPINFOHEADER part, field by field, so the bytes do not depend on the host. Written in place,
// without the heap, since the crash writer needs it too.
void putHeaders(uint8_t *out, const BitmapHeader &header, uint32_t fileBytes)
{
    uint8_t *p = out;
    *p++ = 'B';
    *p++ = 'M';
    p = putU32(p, fileBytes);
    p = putU16(p, 0);
    p = putU16(p, 0);
    p = putU32(p, static_cast<uint32_t>(BMP_HEADERS_BYTES));
    p = putU32(p, header.biSize);
    p = putU32(p, static_cast<uint32_t>(header.biWidth));
    p = putU32(p, static_cast<uint32_t>(header.biHeight));
    p = putU16(p, header.biPlanes);
    p = putU16(p, header.biBitCount);
    p = putU32(p, header.biCompression);
    p = putU32(p, header.biSizeImage);
    p = putU32(p, static_cast<uint32_t>(header.biXPelsPerMeter));
    p = putU32(p, static_cast<uint32_t>(header.biYPelsPerMeter));
    p = putU32(p, header.biClrUsed);
    putU32(p, header.biClrImportant);
}

// True when `count` bytes starting at file offset `offset` lie inside the data. 64-bit, so that offsets
// and counts taken from a header never wrap.
bool spanFits(size_t size, uint64_t offset, uint64_t count)
{
    return offset <= size && uint64_t(size) - offset >= count;
}

// The loader's own seven checks, in their order, on the signed values.
const char *checkPatternFields(const BmpFields &f)
{
    if (const char *message = checkPatternSize(f.biWidth, f.biHeight))
        return message;
    if (f.biBitCount != 24)
        return MSG_PATTERN_BITS;
    if (f.biCompression != 0)
        return MSG_PATTERN_COMPRESSED;
    if (f.biPlanes != 1)
        return MSG_PLANES;
    return nullptr;
}

// Sizes the seven checks let through but the store cannot hold. A negative height is a top-down
// file, so only its magnitude is bounded.
const char *checkPatternSides(const BmpFields &f)
{
    if (f.biWidth <= 0)
        return MSG_PATTERN_WIDTH_POSITIVE;
    if (f.biHeight == 0)
        return MSG_PATTERN_HEIGHT_ZERO;
    if (f.biHeight < -PATTERN_MAX_SIDE)
        return MSG_PATTERN_HEIGHT_MAX;
    return nullptr;
}

// ---- Texture files ------------------------------------------------------------------------------

const uint32_t BI_RGB = 0;
const uint32_t BI_BITFIELDS = 3;
// The colour masks of a bit-field file begin right after the 40 bytes that every info header shares: after
// a BITMAPINFOHEADER, or inside the longer headers. Only headers of 56 bytes or more (V3, V4, V5) hold an
// alpha mask after them.
const size_t MASKS_OFFSET = BMP_HEADERS_BYTES;
const uint32_t HEADER_WITH_ALPHA_MASK = 56;

// One channel of a 16- or 32-bit pixel: its bits, and its largest value (0 for an absent alpha).
struct ChannelBits {
    uint32_t mask;
    unsigned shift;
    uint32_t top;
};

// How the pixels of a texture file are laid out, worked out from its headers.
struct BmpPixelLayout {
    size_t width;
    size_t rows;
    bool topDown;
    unsigned bits;
    size_t stride;   // from one row to the next: rows are padded to a multiple of 4 bytes
    size_t rowBytes; // the bytes that hold a row's pixels; writers often leave out the last row's padding
    size_t paletteCount;
    uint8_t palette[256][3]; // blue, green, red
    ChannelBits channels[4]; // red, green, blue, alpha
};

bool readsBitFields(const BmpFields &f)
{
    return f.biCompression == BI_BITFIELDS && (f.biBitCount == 16 || f.biBitCount == 32);
}

// The checks on the header alone, in their order.
const char *checkTextureFields(const BmpFields &f)
{
    if (f.biCompression != BI_RGB && !readsBitFields(f))
        return MSG_TEXTURE_COMPRESSED;
    if (f.biPlanes != 1)
        return MSG_PLANES;
    switch (f.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return MSG_PICTURE_DAMAGED;
    }
    if (f.biWidth <= 0 || f.biHeight == 0)
        return MSG_PICTURE_DAMAGED;
    if (isPictureTooLarge(f.biWidth, f.biHeight < 0 ? -int64_t{f.biHeight} : int64_t{f.biHeight}))
        return MSG_PICTURE_TOO_LARGE;
    return nullptr;
}

// A palette of biClrUsed entries (2^bits when 0; entries past 2^bits can never be named, so they need not
// be there), right after the info header, each entry blue, green, red and a byte that is not used.
const char *readPalette(const uint8_t *data, size_t size, const BmpFields &f, BmpPixelLayout &layout)
{
    if (f.biSize < BMP_INFO_HEADER_BYTES)
        return MSG_PICTURE_DAMAGED;
    const size_t most = size_t{1} << layout.bits;
    layout.paletteCount = f.biClrUsed == 0 || f.biClrUsed > most ? most : f.biClrUsed;
    const uint64_t at = uint64_t{BMP_FILE_HEADER_BYTES} + f.biSize;
    if (!spanFits(size, at, 4 * uint64_t{layout.paletteCount}))
        return MSG_TEXTURE_TRUNCATED;
    for (size_t i = 0; i < layout.paletteCount; ++i)
        std::memcpy(layout.palette[i], data + at + 4 * i, 3);
    return nullptr;
}

// A mask must be one run of set bits within the pixel; 0 means the channel is absent.
bool readChannel(uint32_t mask, unsigned bits, ChannelBits &channel)
{
    channel = ChannelBits{mask, 0, 0};
    if (mask == 0)
        return true;
    if (bits < 32 && (mask >> bits) != 0)
        return false;
    while (((mask >> channel.shift) & 1u) == 0)
        ++channel.shift;
    const uint32_t run = mask >> channel.shift;
    channel.top = run;
    return (run & (run + 1)) == 0;
}

// Without bit fields a 16-bit pixel is 5-5-5 with the top bit unused and a 32-bit one blue, green, red and
// an unused byte, which some writers fill with junk: it is not alpha.
const char *readMasks(const uint8_t *data, size_t size, const BmpFields &f, BmpPixelLayout &layout)
{
    uint32_t masks[4] = {0x7C00u, 0x03E0u, 0x001Fu, 0};
    if (f.biCompression == BI_RGB && layout.bits == 32) {
        masks[0] = 0xFF0000u;
        masks[1] = 0xFF00u;
        masks[2] = 0xFFu;
    } else if (f.biCompression == BI_BITFIELDS) {
        const size_t count = f.biSize >= HEADER_WITH_ALPHA_MASK ? 4 : 3;
        if (!spanFits(size, MASKS_OFFSET, 4 * count))
            return MSG_TEXTURE_TRUNCATED;
        for (size_t i = 0; i < 4; ++i)
            masks[i] = i < count ? readU32(data + MASKS_OFFSET + 4 * i) : 0;
    }
    for (size_t i = 0; i < 4; ++i)
        if (!readChannel(masks[i], layout.bits, layout.channels[i]) || (i < 3 && masks[i] == 0))
            return MSG_PICTURE_DAMAGED;
    return nullptr;
}

// Everything but the pixels themselves: the rows, the palette or the masks, and that the rows are there.
const char *readPixelLayout(const uint8_t *data, size_t size, const BmpFields &f, BmpPixelLayout &layout)
{
    layout.width = static_cast<size_t>(f.biWidth);
    layout.topDown = f.biHeight < 0;
    layout.rows = static_cast<size_t>(layout.topDown ? -int64_t{f.biHeight} : int64_t{f.biHeight});
    layout.bits = f.biBitCount;
    layout.rowBytes = (layout.width * layout.bits + 7) / 8;
    layout.stride = (layout.width * layout.bits + 31) / 32 * 4;
    const char *message = layout.bits <= 8 ? readPalette(data, size, f, layout)
                          : layout.bits != 24 ? readMasks(data, size, f, layout)
                                              : nullptr;
    if (message)
        return message;
    if (!spanFits(size, f.bfOffBits, uint64_t{layout.stride} * (layout.rows - 1) + layout.rowBytes))
        return MSG_TEXTURE_TRUNCATED;
    return nullptr;
}

// Blue, green, red of each index of a palette row, the first pixel in a byte's high bits; false at an index
// past the palette.
bool readIndexedRow(const uint8_t *src, const BmpPixelLayout &layout, uint8_t *dst)
{
    const unsigned bits = layout.bits;
    const unsigned perByte = 8 / bits;
    const unsigned lowBits = (1u << bits) - 1;
    for (size_t x = 0; x < layout.width; ++x, dst += 3) {
        const unsigned shift = 8 - bits * (static_cast<unsigned>(x % perByte) + 1);
        const unsigned index = (src[x / perByte] >> shift) & lowBits;
        if (index >= layout.paletteCount)
            return false;
        std::memcpy(dst, layout.palette[index], 3);
    }
    return true;
}

uint32_t readMaskedPixel(const uint8_t *src, unsigned bits)
{
    return bits == 16 ? readU16(src) : readU32(src);
}

// A channel's value brought to 0..255, rounded.
uint8_t channelValue(uint32_t pixel, const ChannelBits &channel)
{
    const uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.top == 255)
        return static_cast<uint8_t>(value);
    return static_cast<uint8_t>((uint64_t{value} * 255 + channel.top / 2) / channel.top);
}

// Writers that have no alpha often leave an alpha mask with every alpha 0: such a file is opaque, not clear.
bool anyAlpha(const uint8_t *src, const BmpPixelLayout &layout)
{
    const ChannelBits &alpha = layout.channels[3];
    if (alpha.mask == 0)
        return false;
    const unsigned bytes = layout.bits / 8;
    for (size_t r = 0; r < layout.rows; ++r)
        for (size_t x = 0; x < layout.width; ++x)
            if (readMaskedPixel(src + r * layout.stride + x * bytes, layout.bits) & alpha.mask)
                return true;
    return false;
}

// Blue, green, red of each 16- or 32-bit pixel of a row, over white when alpha counts; `opaque` is cleared
// at the first pixel that was not fully opaque.
void readMaskedRow(const uint8_t *src, const BmpPixelLayout &layout, bool alpha, bool &opaque, uint8_t *dst)
{
    const unsigned bytes = layout.bits / 8;
    const ChannelBits *channels = layout.channels;
    for (size_t x = 0; x < layout.width; ++x, src += bytes, dst += 3) {
        const uint32_t pixel = readMaskedPixel(src, layout.bits);
        dst[0] = channelValue(pixel, channels[2]);
        dst[1] = channelValue(pixel, channels[1]);
        dst[2] = channelValue(pixel, channels[0]);
        if (!alpha)
            continue;
        const uint8_t a = channelValue(pixel, channels[3]);
        opaque = opaque && a == 255;
        for (int i = 0; i < 3; ++i)
            dst[i] = overWhite(dst[i], a);
    }
}

// The rows, bottom row first; false at a palette index past the palette.
bool readTexturePixels(const uint8_t *src, const BmpPixelLayout &layout, Picture &picture)
{
    const size_t rowBytes = layout.width * 3;
    const bool alpha = layout.bits >= 16 && anyAlpha(src, layout);
    bool opaque = true;
    picture.pixels.resize(rowBytes * layout.rows);
    for (size_t r = 0; r < layout.rows; ++r) {
        const uint8_t *row = src + r * layout.stride;
        uint8_t *dst = picture.pixels.data() + (layout.topDown ? layout.rows - 1 - r : r) * rowBytes;
        if (layout.bits <= 8) {
            if (!readIndexedRow(row, layout, dst))
                return false;
        } else if (layout.bits == 24) {
            std::memcpy(dst, row, rowBytes);
        } else {
            readMaskedRow(row, layout, alpha, opaque, dst);
        }
    }
    // A channel of more than 8 bits was cut down, so saving over its file would lose something.
    bool narrow = true;
    if (layout.bits >= 16)
        for (int i = 0; i < 3; ++i)
            narrow = narrow && layout.channels[i].top <= 255;
    picture.exact = opaque && narrow;
    return true;
}

} // namespace

const char *const MSG_PICTURE_DAMAGED = "Picture file is damaged or not supported";
const char *const MSG_PICTURE_TOO_LARGE = "Picture file is too large";
const char *const MSG_FILE_UNREADABLE = "Unable to read the file";
const char *const MSG_NO_MEMORY_FOR_TEXTURE = "Not enough memory for a texture of this size";

bool isPictureTooLarge(int64_t width, int64_t height)
{
    return width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE ||
           uint64_t(width) * uint64_t(height) > MAX_PICTURE_PIXELS;
}

uint8_t overWhite(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

const char *checkPatternSize(int32_t width, int32_t height)
{
    if (width % 2 != 0)
        return MSG_PATTERN_WIDTH_EVEN;
    if (height % 2 != 0)
        return MSG_PATTERN_HEIGHT_EVEN;
    if (width > PATTERN_MAX_SIDE)
        return MSG_PATTERN_WIDTH_MAX;
    if (height > PATTERN_MAX_SIDE)
        return MSG_PATTERN_HEIGHT_MAX;
    return nullptr;
}

size_t bmpRowStride(size_t width)
{
    return (width * 3 + 3) / 4 * 4;
}

bool readBmpFields(const uint8_t *data, size_t size, BmpFields &fields)
{
    if (size < BMP_HEADERS_BYTES)
        return false;
    fields.bfOffBits = readU32(data + 10);
    fields.biSize = readU32(data + 14);
    fields.biWidth = static_cast<int32_t>(readU32(data + 18));
    fields.biHeight = static_cast<int32_t>(readU32(data + 22));
    fields.biPlanes = readU16(data + 26);
    fields.biBitCount = readU16(data + 28);
    fields.biCompression = readU32(data + 30);
    fields.biClrUsed = readU32(data + 46);
    return true;
}

const char *parseTexture(const uint8_t *data, size_t size, Picture &picture)
{
    picture = Picture();
    BmpFields f;
    if (!readBmpFields(data, size, f))
        return MSG_TEXTURE_TRUNCATED;
    if (const char *message = checkTextureFields(f))
        return message;
    BmpPixelLayout layout{};
    if (const char *message = readPixelLayout(data, size, f, layout))
        return message;
    Picture read;
    read.width = f.biWidth;
    read.height = static_cast<int32_t>(layout.rows);
    if (!readTexturePixels(data + f.bfOffBits, layout, read))
        return MSG_PICTURE_DAMAGED;
    picture = std::move(read);
    return nullptr;
}

std::vector<uint8_t> texturePaletteOf(const uint8_t *data, size_t size)
{
    BmpFields f;
    BmpPixelLayout layout{};
    if (!readBmpFields(data, size, f) || checkTextureFields(f) != nullptr || f.biBitCount > 8 ||
        readPixelLayout(data, size, f, layout) != nullptr)
        return {};
    std::vector<uint8_t> colours(layout.paletteCount * 3);
    for (size_t i = 0; i < layout.paletteCount; ++i) {
        colours[3 * i] = layout.palette[i][2];
        colours[3 * i + 1] = layout.palette[i][1];
        colours[3 * i + 2] = layout.palette[i][0];
    }
    return colours;
}

size_t bmpFileBytes(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return 0;
    const uint64_t bytes = BMP_HEADERS_BYTES + uint64_t{bmpRowStride(static_cast<size_t>(width))} * uint64_t(height);
    // The file's size field has 32 bits.
    return bytes > UINT32_MAX ? 0 : static_cast<size_t>(bytes);
}

std::vector<uint8_t> encodeTexture(const uint8_t *rgb, const BitmapHeader &header)
{
    const size_t fileBytes = bmpFileBytes(header.biWidth, header.biHeight);
    if (fileBytes == 0)
        return {};
    const size_t rowBytes = static_cast<size_t>(header.biWidth) * 3;
    const size_t stride = bmpRowStride(static_cast<size_t>(header.biWidth));
    const size_t rows = static_cast<size_t>(header.biHeight);
    std::vector<uint8_t> out(fileBytes); // zeros: the padding stays so
    putHeaders(out.data(), header, static_cast<uint32_t>(fileBytes));
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t *src = rgb + r * rowBytes;
        uint8_t *dst = out.data() + BMP_HEADERS_BYTES + r * stride;
        for (size_t i = 0; i < rowBytes; i += 3) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
        }
    }
    return out;
}

std::vector<uint8_t> encodePalettedBmp(int32_t width, int32_t height, const uint8_t *indices, const uint8_t *palette)
{
    if (width <= 0 || height <= 0 || width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE)
        return {};
    const size_t PALETTE_BYTES = 256 * 4;
    const size_t columns = static_cast<size_t>(width), rows = static_cast<size_t>(height);
    const size_t stride = (columns + 3) & ~size_t{3};
    const size_t fileBytes = BMP_HEADERS_BYTES + PALETTE_BYTES + stride * rows;
    BitmapHeader header;
    setupBitmapHeader(header, width, height);
    header.biBitCount = 8;
    header.biClrUsed = 256;
    std::vector<uint8_t> out(fileBytes); // zeros: the padding stays so
    putHeaders(out.data(), header, static_cast<uint32_t>(fileBytes));
    putU32(out.data() + 10, static_cast<uint32_t>(BMP_HEADERS_BYTES + PALETTE_BYTES));
    uint8_t *entry = out.data() + BMP_HEADERS_BYTES;
    for (size_t i = 0; i < 256; ++i, entry += 4) {
        entry[0] = palette[i * 3 + 2];
        entry[1] = palette[i * 3 + 1];
        entry[2] = palette[i * 3];
    }
    for (size_t r = 0; r < rows; ++r)
        std::memcpy(out.data() + BMP_HEADERS_BYTES + PALETTE_BYTES + r * stride, indices + r * columns, columns);
    return out;
}

void encodeTextureHeader(const BitmapHeader &header, uint8_t out[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES])
{
    putHeaders(out, header, static_cast<uint32_t>(bmpFileBytes(header.biWidth, header.biHeight)));
}

const char *parsePattern(const uint8_t *data, size_t size, PatternImage &image)
{
    BmpFields f;
    if (!readBmpFields(data, size, f))
        return MSG_PATTERN_TRUNCATED;
    if (const char *message = checkPatternFields(f))
        return message;
    if (const char *message = checkPatternSides(f))
        return message;

    const bool topDown = f.biHeight < 0;
    const size_t width = static_cast<size_t>(f.biWidth);
    const size_t rows = topDown ? static_cast<size_t>(-static_cast<int64_t>(f.biHeight))
                                : static_cast<size_t>(f.biHeight);
    const size_t rowBytes = width * 3;
    const size_t stride = bmpRowStride(width);
    // Writers often drop the padding of the last row, so only its pixels have to be there.
    if (!spanFits(size, f.bfOffBits, stride * (rows - 1) + rowBytes))
        return MSG_PATTERN_TRUNCATED;

    image.width = f.biWidth;
    image.height = static_cast<int32_t>(rows);
    image.pixels.resize(rowBytes * rows);
    const uint8_t *src = data + f.bfOffBits;
    for (size_t r = 0; r < rows; ++r) {
        const size_t storedRow = topDown ? rows - 1 - r : r;
        std::memcpy(image.pixels.data() + storedRow * rowBytes, src + r * stride, rowBytes);
    }
    return nullptr;
}

std::vector<uint8_t> encodePattern(const PatternImage &image)
{
    if (image.width <= 0 || image.height <= 0 ||
        uint64_t(image.pixels.size()) != uint64_t(3) * uint64_t(image.width) * uint64_t(image.height))
        return {};
    const size_t width = static_cast<size_t>(image.width);
    const size_t rows = static_cast<size_t>(image.height);
    const size_t rowBytes = width * 3;
    const size_t stride = bmpRowStride(width);

    BitmapHeader header;
    setupBitmapHeader(header, image.width, image.height);
    header.biSizeImage = static_cast<uint32_t>(stride * rows);

    std::vector<uint8_t> out(BMP_HEADERS_BYTES + stride * rows); // zeros: the padding stays so
    putHeaders(out.data(), header, static_cast<uint32_t>(out.size()));
    for (size_t r = 0; r < rows; ++r)
        std::memcpy(out.data() + BMP_HEADERS_BYTES + r * stride, image.pixels.data() + r * rowBytes, rowBytes);
    return out;
}

std::vector<uint8_t> swappedRedAndBlue(const uint8_t *pixels, size_t bytes)
{
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i + 2 < bytes; i += 3) {
        out[i] = pixels[i + 2];
        out[i + 1] = pixels[i + 1];
        out[i + 2] = pixels[i];
    }
    return out;
}

void setupBitmapHeader(BitmapHeader &header, int32_t width, int32_t height)
{
    std::memset(&header, 0, sizeof header);
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
}
