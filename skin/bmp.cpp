// The BMP layout shared by texture and pattern files: parse and validate from bytes, encode to bytes.
#include "skin/bmp.h"

#include <cstring>

namespace {

const size_t BMP_HEADERS_BYTES = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES;
const int32_t PATTERN_MAX_SIDE = 256;

// The messages of the two loaders. The ones about truncated files are ours: a short file would
// otherwise be checked on header bytes that are not there, or leave pixels undefined.
const char *const MSG_TEXTURE_TRUNCATED = "Picture file is truncated";
const char *const MSG_TEXTURE_WIDTH = "Picture width incorrect, must be 256";
const char *const MSG_TEXTURE_HEIGHT = "Picture height incorrect, must be 256";
const char *const MSG_TEXTURE_BITS = "Picture is non 24 bits";
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

void putU16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFFu));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFFu));
}

void putU32(std::vector<uint8_t> &out, uint32_t value)
{
    putU16(out, value & 0xFFFFu);
    putU16(out, value >> 16);
}

// Both files start the same way: "BM", the file size, two reserved words and the pixel offset 54.
void putFileHeader(std::vector<uint8_t> &out, uint32_t fileBytes)
{
    out.push_back('B');
    out.push_back('M');
    putU32(out, fileBytes);
    putU16(out, 0);
    putU16(out, 0);
    putU32(out, static_cast<uint32_t>(BMP_HEADERS_BYTES));
}

// The 40-byte BITMAPINFOHEADER part, field by field, so the bytes do not depend on the host.
void putInfoHeader(std::vector<uint8_t> &out, const BitmapHeader &header)
{
    putU32(out, header.biSize);
    putU32(out, static_cast<uint32_t>(header.biWidth));
    putU32(out, static_cast<uint32_t>(header.biHeight));
    putU16(out, header.biPlanes);
    putU16(out, header.biBitCount);
    putU32(out, header.biCompression);
    putU32(out, header.biSizeImage);
    putU32(out, static_cast<uint32_t>(header.biXPelsPerMeter));
    putU32(out, static_cast<uint32_t>(header.biYPelsPerMeter));
    putU32(out, header.biClrUsed);
    putU32(out, header.biClrImportant);
}

// True when `count` bytes starting at file offset `offset` lie inside the data.
bool spanFits(size_t size, size_t offset, size_t count)
{
    return offset <= size && size - offset >= count;
}

const char *checkTextureFields(const BmpFields &f)
{
    if (f.biWidth != SKIN_SIDE)
        return MSG_TEXTURE_WIDTH;
    if (f.biHeight != SKIN_SIDE)
        return MSG_TEXTURE_HEIGHT;
    if (f.biBitCount != 24)
        return MSG_TEXTURE_BITS;
    if (f.biCompression != 0)
        return MSG_TEXTURE_COMPRESSED;
    if (f.biPlanes != 1)
        return MSG_PLANES;
    return nullptr;
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

} // namespace

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
    fields.biWidth = static_cast<int32_t>(readU32(data + 18));
    fields.biHeight = static_cast<int32_t>(readU32(data + 22));
    fields.biPlanes = readU16(data + 26);
    fields.biBitCount = readU16(data + 28);
    fields.biCompression = readU32(data + 30);
    return true;
}

const char *parseTexture(const uint8_t *data, size_t size, uint8_t *bgr)
{
    BmpFields f;
    if (!readBmpFields(data, size, f))
        return MSG_TEXTURE_TRUNCATED;
    if (const char *message = checkTextureFields(f))
        return message;
    // 256 rows of 768 bytes need no padding: the pixels are one block.
    if (!spanFits(size, f.bfOffBits, SKIN_BYTES))
        return MSG_TEXTURE_TRUNCATED;
    std::memcpy(bgr, data + f.bfOffBits, SKIN_BYTES);
    return nullptr;
}

std::vector<uint8_t> encodeTexture(const uint8_t *rgb, const BitmapHeader &header)
{
    std::vector<uint8_t> out;
    out.reserve(BMP_TEXTURE_FILE_BYTES);
    putFileHeader(out, static_cast<uint32_t>(BMP_TEXTURE_FILE_BYTES));
    putInfoHeader(out, header);
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        out.push_back(rgb[i + 2]);
        out.push_back(rgb[i + 1]);
        out.push_back(rgb[i]);
    }
    return out;
}

void encodeTextureHeader(const BitmapHeader &header, uint8_t out[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES])
{
    std::vector<uint8_t> bytes;
    putFileHeader(bytes, static_cast<uint32_t>(BMP_TEXTURE_FILE_BYTES));
    putInfoHeader(bytes, header);
    std::memcpy(out, bytes.data(), BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES);
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

    std::vector<uint8_t> out;
    out.reserve(BMP_HEADERS_BYTES + stride * rows);
    putFileHeader(out, static_cast<uint32_t>(BMP_HEADERS_BYTES + stride * rows));
    putInfoHeader(out, header);
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t *row = image.pixels.data() + r * rowBytes;
        out.insert(out.end(), row, row + rowBytes);
        out.insert(out.end(), stride - rowBytes, 0);
    }
    return out;
}
