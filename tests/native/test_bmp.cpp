// Tests of the BMP layout: texture files of any size and kind and pattern files parsed from bytes, and the files
// we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "picture/bmp.h"
#include "tests/native/start_texture.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void poke16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void poke32(Bytes &b, size_t at, uint32_t v)
{
    poke16(b, at, v & 0xFFFFu);
    poke16(b, at + 2, v >> 16);
}

uint32_t peek32(const Bytes &b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Field offsets in the two headers.
enum : size_t { OFF_BITS = 10, WIDTH = 18, HEIGHT = 22, PLANES = 26, BIT_COUNT = 28, COMPRESSION = 30 };

// A file written here by hand, independently of the encoders: headers, a gap of junk up to
// offBits, then the given pixel bytes.
Bytes makeFile(int32_t width, int32_t height, const Bytes &pixels, uint32_t offBits = 54)
{
    Bytes file(offBits, 0xA5); // junk in the gap, if any, must never reach the picture
    file[0] = 'B';
    file[1] = 'M';
    poke32(file, 2, static_cast<uint32_t>(offBits + pixels.size()));
    poke32(file, 6, 0);
    poke32(file, OFF_BITS, offBits);
    poke32(file, 14, 40);
    poke32(file, WIDTH, static_cast<uint32_t>(width));
    poke32(file, HEIGHT, static_cast<uint32_t>(height));
    poke16(file, PLANES, 1);
    poke16(file, BIT_COUNT, 24);
    for (size_t at = COMPRESSION; at < 54; ++at)
        file[at] = 0;
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// Blue, green, red of pixel (col, row), row counted from the bottom: differs in every direction,
// so swapped rows, columns or colours show.
void pixelAt(int32_t col, int32_t row, uint8_t *bgr)
{
    bgr[0] = static_cast<uint8_t>(col * 3 + 1);
    bgr[1] = static_cast<uint8_t>(row * 5 + 2);
    bgr[2] = static_cast<uint8_t>(200 - col * 7 + row);
}

// The pixels as the store keeps them: bottom row first, rows of exactly 3 * width bytes.
Bytes storedPixels(int32_t width, int32_t height)
{
    Bytes out(static_cast<size_t>(width) * height * 3);
    for (int32_t row = 0; row < height; ++row)
        for (int32_t col = 0; col < width; ++col)
            pixelAt(col, row, &out[(static_cast<size_t>(row) * width + col) * 3]);
    return out;
}

// The pixels as a file holds them: rows padded with `pad` to a multiple of 4 bytes, bottom row first
// unless topDown; the last row's padding left out when trimLastPad.
Bytes filePixels(int32_t width, int32_t height, bool topDown = false, bool trimLastPad = false, uint8_t pad = 0xEE)
{
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t stride = (rowBytes + 3) / 4 * 4;
    const Bytes stored = storedPixels(width, height);
    Bytes out;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t row = topDown ? height - 1 - i : i;
        out.insert(out.end(), stored.begin() + row * rowBytes, stored.begin() + (row + 1) * rowBytes);
        if (!(trimLastPad && i == height - 1))
            out.insert(out.end(), stride - rowBytes, pad);
    }
    return out;
}

Bytes validPattern()
{
    return makeFile(64, 64, storedPixels(64, 64));
}

struct RefusalCase {
    const char *name;
    std::function<void(Bytes &)> change;
    const char *message;
};

// ---- Texture files --------------------------------------------------------------------------------

const char *const TRUNCATED = "Picture file is truncated";
const char *const COMPRESSED = "Picture is compressed, too hard for me :P";
const char *const PLANES_ONE = "Plan number incorrect, must be 1";
const char *const DAMAGED = "Picture file is damaged or not supported";
const char *const TOO_LARGE = "Picture file is too large";

enum : size_t { INFO_SIZE = 14, CLR_USED = 46, MASKS = 54 };

// A texture file written here by hand: headers with the given info header size, `extra` (palette or masks)
// right after the info header, then the pixel bytes.
Bytes makeTexture(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t infoSize,
                  const Bytes &extra, const Bytes &pixels)
{
    const uint32_t offBits = 14 + infoSize + static_cast<uint32_t>(extra.size());
    Bytes file = makeFile(width, height, {}, 54);
    file.resize(14 + infoSize, 0);
    poke32(file, OFF_BITS, offBits);
    poke32(file, INFO_SIZE, infoSize);
    poke16(file, BIT_COUNT, bits);
    poke32(file, COMPRESSION, compression);
    file.insert(file.end(), extra.begin(), extra.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    poke32(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

// Rows of `bits`-wide values, each row padded to 4 bytes with 0xEE, bottom row first unless topDown. Below 8
// bits the first pixel takes a byte's high bits; 16 and 32 bits are little-endian.
Bytes packRows(int32_t width, int32_t height, unsigned bits, const std::function<uint32_t(int32_t, int32_t)> &value,
               bool topDown = false)
{
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    Bytes out;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t row = topDown ? height - 1 - i : i;
        Bytes line(stride, 0);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = value(x, row);
            if (bits < 8) {
                const size_t bit = static_cast<size_t>(x) * bits;
                line[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
            } else {
                for (unsigned k = 0; k < bits / 8; ++k)
                    line[static_cast<size_t>(x) * bits / 8 + k] = static_cast<uint8_t>(v >> (8 * k));
            }
        }
        for (size_t at = (static_cast<size_t>(width) * bits + 7) / 8; at < stride; ++at)
            line[at] = 0xEE;
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

// Palette entry i: blue, green, red all different from any other entry's; the file adds an unused byte.
void paletteColour(uint32_t i, uint8_t *bgr)
{
    bgr[0] = static_cast<uint8_t>(i * 9 + 1);
    bgr[1] = static_cast<uint8_t>(250 - i);
    bgr[2] = static_cast<uint8_t>(i * 5 + 3);
}

Bytes paletteBytes(uint32_t count)
{
    Bytes out(count * 4, 0x99);
    for (uint32_t i = 0; i < count; ++i)
        paletteColour(i, &out[i * 4]);
    return out;
}

uint32_t paletteIndex(int32_t x, int32_t row, uint32_t count)
{
    return static_cast<uint32_t>(x * 7 + row * 3) % count;
}

// A palette file of `count` entries (biClrUsed 0 when count is 2^bits) and what it must load as.
Bytes paletteTexture(int32_t width, int32_t height, uint16_t bits, uint32_t count, uint32_t infoSize = 40,
                     bool topDown = false)
{
    const auto index = [count](int32_t x, int32_t row) { return paletteIndex(x, row, count); };
    Bytes file = makeTexture(width, topDown ? -height : height, bits, 0, infoSize, paletteBytes(count),
                             packRows(width, height, bits, index, topDown));
    poke32(file, CLR_USED, count == (1u << bits) ? 0 : count);
    return file;
}

Bytes paletteTexturePixels(int32_t width, int32_t height, uint32_t count)
{
    Bytes out(static_cast<size_t>(width) * height * 3);
    for (int32_t row = 0; row < height; ++row)
        for (int32_t x = 0; x < width; ++x)
            paletteColour(paletteIndex(x, row, count), &out[(static_cast<size_t>(row) * width + x) * 3]);
    return out;
}

Bytes maskBytes(std::initializer_list<uint32_t> masks)
{
    Bytes out(masks.size() * 4);
    size_t at = 0;
    for (uint32_t m : masks)
        poke32(out, at, m), at += 4;
    return out;
}

// The pixels of pixelAt packed into 32-bit words: blue, green, red and a junk fourth byte.
uint32_t wordAt(int32_t x, int32_t row)
{
    uint8_t bgr[3];
    pixelAt(x, row, bgr);
    return bgr[0] | bgr[1] << 8 | bgr[2] << 16 | static_cast<uint32_t>((x * 31 + row) & 0xFF) << 24;
}

Bytes validTexture()
{
    return makeFile(13, 7, filePixels(13, 7));
}

Bytes validPaletteTexture()
{
    return paletteTexture(13, 7, 8, 5);
}

Bytes validBitFieldTexture()
{
    const auto word = [](int32_t x, int32_t row) { return static_cast<uint32_t>(x * 2047 + row * 13) & 0xFFFF; };
    return makeTexture(13, 7, 16, 3, 40, maskBytes({0xF800, 0x07E0, 0x001F}), packRows(13, 7, 16, word));
}

// A 32-bit bit-field file with a V5 header (124 bytes), whose four masks lie inside the header.
Bytes v5Texture(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)> &word)
{
    Bytes file = makeTexture(width, height, 32, 3, 124, {}, packRows(width, height, 32, word));
    const uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    for (size_t i = 0; i < 4; ++i)
        poke32(file, MASKS + 4 * i, masks[i]);
    return file;
}

Bytes validAlphaTexture()
{
    return v5Texture(13, 7, wordAt);
}

struct TextureRefusal {
    const char *name;
    Bytes (*valid)();
    std::function<void(Bytes &)> change;
    const char *message;
};

// One valid file, one field changed; where several faults meet, the first in the order of the checks wins.
const TextureRefusal textureRefusals[] = {
    {"run-length coded 8 bits", validPaletteTexture, [](Bytes &f) { poke32(f, COMPRESSION, 1); }, COMPRESSED},
    {"run-length coded 4 bits", validPaletteTexture, [](Bytes &f) { poke16(f, BIT_COUNT, 4); poke32(f, COMPRESSION, 2); },
     COMPRESSED},
    {"JPEG inside", validTexture, [](Bytes &f) { poke32(f, COMPRESSION, 4); }, COMPRESSED},
    {"bit fields on 24 bits", validTexture, [](Bytes &f) { poke32(f, COMPRESSION, 3); }, COMPRESSED},
    {"bit fields on 8 bits", validPaletteTexture, [](Bytes &f) { poke32(f, COMPRESSION, 3); }, COMPRESSED},
    {"alpha bit fields", validAlphaTexture, [](Bytes &f) { poke32(f, COMPRESSION, 6); }, COMPRESSED},
    {"compressed with 2 planes", validTexture, [](Bytes &f) { poke32(f, COMPRESSION, 1); poke16(f, PLANES, 2); },
     COMPRESSED},
    {"2 planes", validTexture, [](Bytes &f) { poke16(f, PLANES, 2); }, PLANES_ONE},
    {"2 planes and 7 bits", validTexture, [](Bytes &f) { poke16(f, PLANES, 2); poke16(f, BIT_COUNT, 7); }, PLANES_ONE},
    {"2 bits", validPaletteTexture, [](Bytes &f) { poke16(f, BIT_COUNT, 2); }, DAMAGED},
    {"7 bits", validTexture, [](Bytes &f) { poke16(f, BIT_COUNT, 7); }, DAMAGED},
    {"7 bits, 9000 wide", validTexture, [](Bytes &f) { poke16(f, BIT_COUNT, 7); poke32(f, WIDTH, 9000); }, DAMAGED},
    {"width 0", validTexture, [](Bytes &f) { poke32(f, WIDTH, 0); }, DAMAGED},
    {"height 0", validTexture, [](Bytes &f) { poke32(f, HEIGHT, 0); }, DAMAGED},
    {"width 0, 9000 high", validTexture, [](Bytes &f) { poke32(f, WIDTH, 0); poke32(f, HEIGHT, 9000); }, DAMAGED},
    {"width 8193", validTexture, [](Bytes &f) { poke32(f, WIDTH, 8193); }, TOO_LARGE},
    {"8193 x 100", validPaletteTexture, [](Bytes &f) { poke32(f, WIDTH, 8193); poke32(f, HEIGHT, 100); }, TOO_LARGE},
    {"height 8193", validTexture, [](Bytes &f) { poke32(f, HEIGHT, 8193); }, TOO_LARGE},
    {"top-down 8193 rows", validTexture, [](Bytes &f) { poke32(f, HEIGHT, static_cast<uint32_t>(-8193)); }, TOO_LARGE},
    {"height INT32_MIN", validTexture, [](Bytes &f) { poke32(f, HEIGHT, 0x80000000u); }, TOO_LARGE},
    {"4097 x 4096", validTexture, [](Bytes &f) { poke32(f, WIDTH, 4097); poke32(f, HEIGHT, 4096); }, TOO_LARGE},
    {"too large, pixels missing", validTexture, [](Bytes &f) { poke32(f, WIDTH, 9000); f.resize(54); }, TOO_LARGE},
    {"8192 x 2048, within the limits", validTexture, [](Bytes &f) { poke32(f, WIDTH, 8192); poke32(f, HEIGHT, 2048); },
     TRUNCATED},
    {"empty", validTexture, [](Bytes &f) { f.clear(); }, TRUNCATED},
    {"info header cut", validTexture, [](Bytes &f) { f.resize(53); }, TRUNCATED},
    {"headers only", validTexture, [](Bytes &f) { f.resize(54); }, TRUNCATED},
    {"last pixel byte missing", validTexture, [](Bytes &f) { f.resize(f.size() - 2); }, TRUNCATED},
    {"one row more than the data", validTexture, [](Bytes &f) { poke32(f, HEIGHT, 8); }, TRUNCATED},
    {"wider than the data", validTexture, [](Bytes &f) { poke32(f, WIDTH, 15); }, TRUNCATED},
    {"top-down, one row more", validTexture, [](Bytes &f) { poke32(f, HEIGHT, static_cast<uint32_t>(-8)); }, TRUNCATED},
    {"pixels start at the end", validTexture, [](Bytes &f) { poke32(f, OFF_BITS, static_cast<uint32_t>(f.size())); },
     TRUNCATED},
    {"pixels start 4 bytes late", validTexture, [](Bytes &f) { poke32(f, OFF_BITS, 58); }, TRUNCATED},
    {"offset near 4 GiB", validTexture, [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu); }, TRUNCATED},
    {"offset wraps with the pixel size", validTexture, [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu - 100); },
     TRUNCATED},
    {"palette cut", validPaletteTexture, [](Bytes &f) { f.resize(54 + 5 * 4 - 1); }, TRUNCATED},
    {"palette of 256 past the end", validPaletteTexture, [](Bytes &f) { poke32(f, CLR_USED, 256); }, TRUNCATED},
    {"header of 12 bytes before a palette", validPaletteTexture, [](Bytes &f) { poke32(f, INFO_SIZE, 12); }, DAMAGED},
    {"header past the end before a palette", validPaletteTexture, [](Bytes &f) { poke32(f, INFO_SIZE, 0xFFFFFFF0u); },
     TRUNCATED},
    {"index past the palette", validPaletteTexture, [](Bytes &f) { poke32(f, CLR_USED, 4); }, DAMAGED},
    {"palette pixels cut", validPaletteTexture, [](Bytes &f) { f.resize(f.size() - 4); }, TRUNCATED},
    {"masks cut", validBitFieldTexture, [](Bytes &f) { f.resize(54 + 11); }, TRUNCATED},
    {"red mask in two runs", validBitFieldTexture, [](Bytes &f) { poke32(f, MASKS, 0xF00F); }, DAMAGED},
    {"blue mask past 16 bits", validBitFieldTexture, [](Bytes &f) { poke32(f, MASKS + 8, 0x1F0000); }, DAMAGED},
    {"green mask 0", validBitFieldTexture, [](Bytes &f) { poke32(f, MASKS + 4, 0); }, DAMAGED},
    {"alpha mask in two runs", validAlphaTexture, [](Bytes &f) { poke32(f, MASKS + 12, 0x80000001u); }, DAMAGED},
    {"bit-field pixels cut", validAlphaTexture, [](Bytes &f) { f.pop_back(); }, TRUNCATED},
};

TEST(TextureFile, RefusesEachFaultWithItsMessageAndKeepsNothing)
{
    for (const TextureRefusal &c : textureRefusals) {
        SCOPED_TRACE(c.name);
        Bytes file = c.valid();
        Picture picture;
        ASSERT_EQ(parseTexture(file.data(), file.size(), picture), nullptr) << "the valid file";
        c.change(file);
        picture.width = 5;
        picture.pixels.assign(3, 1);
        const char *message = parseTexture(file.data(), file.size(), picture);
        ASSERT_NE(message, nullptr);
        EXPECT_STREQ(message, c.message);
        EXPECT_EQ(picture.width, 0);
        EXPECT_EQ(picture.height, 0);
        EXPECT_TRUE(picture.pixels.empty());
    }
}

void expectPicture(const Bytes &file, int32_t width, int32_t height, const Bytes &pixels, bool exact = true)
{
    Picture picture;
    ASSERT_EQ(parseTexture(file.data(), file.size(), picture), nullptr);
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_EQ(picture.exact, exact);
    EXPECT_EQ(picture.pixels, pixels);
}

struct SizeCase {
    int32_t width;
    int32_t height;
};

// Widths of every remainder mod 4 need 0 to 3 bytes of padding a row; writers may leave out the last row's.
TEST(TextureFile, Reads24BitRowsOfAnyWidthEitherWayUp)
{
    const SizeCase sizes[] = {{1, 8}, {2, 3}, {3, 5}, {4, 2}, {5, 9}, {301, 193}, {256, 256}, {8, 1}};
    for (const SizeCase &c : sizes)
        for (int variant = 0; variant < 4; ++variant) {
            const bool topDown = variant & 1, trimLastPad = variant & 2;
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + (topDown ? ", top-down" : "") +
                         (trimLastPad ? ", last row unpadded" : ""));
            const Bytes file =
                makeFile(c.width, topDown ? -c.height : c.height, filePixels(c.width, c.height, topDown, trimLastPad));
            expectPicture(file, c.width, c.height, storedPixels(c.width, c.height));
        }
}

TEST(TextureFile, LoadsPixelsFromTheirOffset)
{
    const Bytes expected = storedPixels(13, 7);
    Bytes noSignature = validTexture();
    noSignature[0] = 'X';
    noSignature[1] = 'Y';
    Bytes trailing = validTexture();
    trailing.insert(trailing.end(), 10, 0x77);
    Bytes oddHeaderWords = validTexture();
    poke32(oddHeaderWords, 2, 12345);     // bfSize is not looked at
    poke32(oddHeaderWords, 14, 124);      // nor biSize without a palette or masks
    poke32(oddHeaderWords, 34, 99999);    // nor biSizeImage
    poke32(oddHeaderWords, CLR_USED, 77); // nor biClrUsed above 8 bits
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"headers and pixels, nothing more", validTexture()},
        {"no BM signature", noSignature},
        {"gap of junk before the pixels", makeFile(13, 7, filePixels(13, 7), 100)},
        {"trailing bytes", trailing},
        {"unchecked fields with odd values", oddHeaderWords},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectPicture(c.file, 13, 7, expected);
    }
}

struct PaletteCase {
    int32_t width;
    int32_t height;
    uint16_t bits;
    uint32_t count;
    uint32_t infoSize;
    bool topDown;
};

// Each depth, at widths whose indices end inside a byte, with full and short palettes, after a longer header.
TEST(TextureFile, ReadsPaletteFilesOfEachDepth)
{
    const PaletteCase cases[] = {
        {13, 7, 1, 2, 40, false},  {1, 8, 1, 2, 40, true},    {33, 3, 1, 1, 40, false}, {13, 7, 4, 16, 40, false},
        {3, 5, 4, 7, 124, false},  {301, 193, 4, 16, 40, true}, {13, 7, 8, 256, 40, false}, {5, 9, 8, 5, 108, true},
        {301, 193, 8, 200, 40, false},
    };
    for (const PaletteCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                     ", " + std::to_string(c.count) + " colours, header " + std::to_string(c.infoSize) +
                     (c.topDown ? ", top-down" : ""));
        const Bytes file = paletteTexture(c.width, c.height, c.bits, c.count, c.infoSize, c.topDown);
        expectPicture(file, c.width, c.height, paletteTexturePixels(c.width, c.height, c.count));
    }
    // biClrUsed beyond 2^bits: only the entries an index can name have to be there.
    Bytes file = paletteTexture(13, 7, 1, 2);
    poke32(file, CLR_USED, 1000);
    expectPicture(file, 13, 7, paletteTexturePixels(13, 7, 2));
}

// 3 x 2 pictures whose pixels are given as the words of the file, bottom row first, and what they read as.
struct WordCase {
    const char *name;
    uint16_t bits;
    uint32_t compression;
    uint32_t infoSize;
    Bytes masks;
    uint32_t words[6];
    Bytes bgr;
    bool exact;
};

TEST(TextureFile, Reads16And32BitPixelsThroughTheirMasks)
{
    const WordCase cases[] = {
        {"32 bits, fourth byte unused", 32, 0, 40, {},
         {0x00FF0000, 0x7F0000FF, 0xFF00FF00, 0x12345678, 0xAA000000, 0x01FFFFFF},
         {0, 0, 255, 255, 0, 0, 0, 255, 0, 0x78, 0x56, 0x34, 0, 0, 0, 255, 255, 255}, true},
        {"32-bit masks in another order", 32, 3, 40, maskBytes({0x0000FF00, 0xFF000000, 0x00FF0000}),
         {0x0000FF00, 0x00FF0000, 0xFF000000, 0x12345678, 0x000000FF, 0xFFFFFF00},
         {0, 0, 255, 255, 0, 0, 0, 255, 0, 0x34, 0x12, 0x56, 0, 0, 0, 255, 255, 255}, true},
        {"16 bits 5-5-5", 16, 0, 40, {},
         {0x7C00, 0x001F, 0x03E0, 0x8000 | 16u << 10 | 1u << 5 | 30u, 0, 0x7FFF},
         {0, 0, 255, 255, 0, 0, 0, 255, 0, 247, 8, 132, 0, 0, 0, 255, 255, 255}, true},
        {"16 bits 5-6-5", 16, 3, 40, maskBytes({0xF800, 0x07E0, 0x001F}),
         {0xF800, 0x001F, 0x07E0, 16u << 11 | 32u << 5 | 1u, 0, 0xFFFF},
         {0, 0, 255, 255, 0, 0, 0, 255, 0, 8, 130, 132, 0, 0, 0, 255, 255, 255}, true},
        {"10 bits a channel", 32, 3, 40, maskBytes({0x3FF00000, 0x000FFC00, 0x000003FF}),
         {0x3FF00000, 0x000003FF, 0x000FFC00, 512u << 20 | 1u << 10 | 1022u, 0, 0x3FFFFFFF},
         {0, 0, 255, 255, 0, 0, 0, 255, 0, 255, 0, 128, 0, 0, 0, 255, 255, 255}, false},
    };
    for (const WordCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto word = [&c](int32_t x, int32_t row) { return c.words[row * 3 + x]; };
        const Bytes file = makeTexture(3, 2, c.bits, c.compression, c.infoSize, c.masks, packRows(3, 2, c.bits, word));
        expectPicture(file, 3, 2, c.bgr, c.exact);
    }
}

// With an alpha mask (headers from 56 bytes on), alpha is laid over white as in the other pictures.
TEST(TextureFile, LaysBitFieldAlphaOverWhite)
{
    // Bottom row: opaque red, transparent green, half-transparent black; top row: opaque blue, white, (10, 20, 30).
    const uint32_t words[6] = {0xFFFF0000, 0x0000FF00, 0x80000000, 0xFF0000FF, 0xFFFFFFFF, 0xFF0A141E};
    const auto word = [&words](int32_t x, int32_t row) { return words[row * 3 + x]; };
    const Bytes pixels = packRows(3, 2, 32, word);
    expectPicture(v5Texture(3, 2, word), 3, 2,
                  {0, 0, 255, 255, 255, 255, 127, 127, 127, 255, 0, 0, 255, 255, 255, 30, 20, 10}, false);
    // The same words under a 40-byte header have no alpha mask: the colours as they are.
    expectPicture(makeTexture(3, 2, 32, 3, 40, maskBytes({0xFF0000, 0xFF00, 0xFF}), pixels), 3, 2,
                  {0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 255, 255, 30, 20, 10}, true);
    // Every alpha 0: written without alpha, so opaque; every alpha 255: opaque and exact.
    for (const uint32_t alpha : {0x00000000u, 0xFF000000u}) {
        const auto opaque = [&words, alpha](int32_t x, int32_t row) { return (words[row * 3 + x] & 0xFFFFFF) | alpha; };
        expectPicture(v5Texture(3, 2, opaque), 3, 2,
                      {0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 255, 255, 30, 20, 10}, true);
    }
}

TEST(TextureFile, ReadBmpFieldsNeedsBothHeaders)
{
    Bytes file = validTexture();
    poke32(file, OFF_BITS, 0x01020304u);
    poke32(file, INFO_SIZE, 0x0A0B0C0Du);
    poke32(file, WIDTH, static_cast<uint32_t>(-7));
    poke32(file, HEIGHT, 0x80000000u);
    poke16(file, PLANES, 0xBEEF);
    poke16(file, BIT_COUNT, 0x1234);
    poke32(file, COMPRESSION, 0xCAFEF00Du);
    poke32(file, CLR_USED, 0x00C0FFEEu);
    BmpFields f{};
    ASSERT_TRUE(readBmpFields(file.data(), 54, f));
    EXPECT_EQ(f.bfOffBits, 0x01020304u);
    EXPECT_EQ(f.biSize, 0x0A0B0C0Du);
    EXPECT_EQ(f.biWidth, -7);
    EXPECT_EQ(f.biHeight, INT32_MIN);
    EXPECT_EQ(f.biPlanes, 0xBEEF);
    EXPECT_EQ(f.biBitCount, 0x1234);
    EXPECT_EQ(f.biCompression, 0xCAFEF00Du);
    EXPECT_EQ(f.biClrUsed, 0x00C0FFEEu);
    EXPECT_FALSE(readBmpFields(file.data(), 53, f));
}

// Red, green, blue of texel (x, y) of a width x height texture: a blue picture with a red bottom-left texel,
// a green top-right one and a gradient, so row order and colour order both show.
Bytes asymmetricTextureRgb(int32_t width = 256, int32_t height = 256)
{
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    Bytes rgb(w * h * 3);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            uint8_t *p = &rgb[(y * w + x) * 3];
            p[0] = static_cast<uint8_t>(x / 2);
            p[1] = static_cast<uint8_t>(y / 3);
            p[2] = 255;
        }
    rgb[0] = 255, rgb[1] = 0, rgb[2] = 0;
    uint8_t *topRight = &rgb[rgb.size() - 3];
    topRight[0] = 0, topRight[1] = 255, topRight[2] = 0;
    return rgb;
}

TEST(TextureFile, EncodeWritesTheSavedLayout)
{
    BitmapHeader header;
    setupBitmapHeader(header, 256, 256);
    header.colour[0] = header.colour[1] = header.colour[2] = header.colour[3] = 0xEE; // not written
    const Bytes rgb = asymmetricTextureRgb();
    const Bytes file = encodeTexture(rgb.data(), header);

    ASSERT_EQ(file.size(), 196662u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(peek32(file, 2), 196662u);
    EXPECT_EQ(peek32(file, 6), 0u);
    EXPECT_EQ(peek32(file, OFF_BITS), 54u);
    EXPECT_EQ(peek32(file, 14), 40u);
    EXPECT_EQ(peek32(file, WIDTH), 256u);
    EXPECT_EQ(peek32(file, HEIGHT), 256u);
    EXPECT_EQ(peek32(file, PLANES), 1u | (24u << 16));
    for (size_t at = COMPRESSION; at < 54; at += 4)
        EXPECT_EQ(peek32(file, at), 0u) << "header word at " << at; // BI_RGB, biSizeImage 0, zero resolution

    // The first row in the file is the bottom one, each pixel blue, green, red.
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 57), (Bytes{0, 0, 255}));
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), (Bytes{0, 255, 0}));
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        ASSERT_EQ(file[54 + i], rgb[i + 2]) << "pixel " << i / 3;
        ASSERT_EQ(file[54 + i + 1], rgb[i + 1]) << "pixel " << i / 3;
        ASSERT_EQ(file[54 + i + 2], rgb[i]) << "pixel " << i / 3;
    }
}

TEST(TextureFile, EncodeCopiesEachHeaderFieldLittleEndian)
{
    BitmapHeader header;
    setupBitmapHeader(header, 256, 256);
    header.biSizeImage = 0x11223344u;
    header.biXPelsPerMeter = 0x01020304;
    header.biYPelsPerMeter = -2;
    header.biClrUsed = 0xA0B0C0D0u;
    header.biClrImportant = 7;
    const Bytes rgb(SKIN_BYTES, 9);
    const Bytes file = encodeTexture(rgb.data(), header);
    ASSERT_EQ(file.size(), 196662u);
    EXPECT_EQ(Bytes(file.begin() + 34, file.begin() + 38), (Bytes{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(peek32(file, 38), 0x01020304u);
    EXPECT_EQ(peek32(file, 42), 0xFFFFFFFEu);
    EXPECT_EQ(peek32(file, 46), 0xA0B0C0D0u);
    EXPECT_EQ(peek32(file, 50), 7u);
}

// Rows padded with zeros to 4 bytes at every width remainder; read back they give the same picture, and written
// again the same bytes.
TEST(TextureFile, EncodePadsOddWidthRowsAndReadsBackIdentical)
{
    const SizeCase sizes[] = {{1, 8}, {2, 3}, {3, 5}, {4, 2}, {5, 9}, {301, 193}, {256, 256}, {2048, 8}};
    for (const SizeCase &c : sizes) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        BitmapHeader header;
        setupBitmapHeader(header, c.width, c.height);
        const Bytes rgb = asymmetricTextureRgb(c.width, c.height);
        const Bytes file = encodeTexture(rgb.data(), header);
        const size_t rowBytes = static_cast<size_t>(c.width) * 3, stride = (rowBytes + 3) / 4 * 4;
        ASSERT_EQ(file.size(), 54 + stride * c.height);
        EXPECT_EQ(bmpFileBytes(c.width, c.height), file.size());
        EXPECT_EQ(peek32(file, 2), file.size());
        EXPECT_EQ(peek32(file, WIDTH), static_cast<uint32_t>(c.width));
        EXPECT_EQ(peek32(file, HEIGHT), static_cast<uint32_t>(c.height));
        EXPECT_EQ(peek32(file, 34), 0u); // biSizeImage
        for (size_t row = 0; row < static_cast<size_t>(c.height); ++row)
            for (size_t i = 0; i < stride; ++i) {
                const uint8_t expected = i >= rowBytes ? 0 : rgb[row * rowBytes + i - i % 3 + 2 - i % 3];
                ASSERT_EQ(file[54 + row * stride + i], expected) << "row " << row << ", byte " << i;
            }
        uint8_t head[54];
        encodeTextureHeader(header, head);
        EXPECT_TRUE(std::equal(head, head + 54, file.begin()));

        Picture picture;
        ASSERT_EQ(parseTexture(file.data(), file.size(), picture), nullptr);
        ASSERT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.height, c.height);
        EXPECT_TRUE(picture.exact);
        Bytes rgbBack(picture.pixels.size());
        for (size_t i = 0; i < rgbBack.size(); i += 3)
            rgbBack[i] = picture.pixels[i + 2], rgbBack[i + 1] = picture.pixels[i + 1], rgbBack[i + 2] = picture.pixels[i];
        EXPECT_EQ(rgbBack, rgb);
        EXPECT_EQ(encodeTexture(rgbBack.data(), header), file);
    }
}

TEST(TextureFile, EncodeRefusesASizeOfZeroOrLess)
{
    const Bytes rgb(64 * 3, 7);
    for (const SizeCase &c : {SizeCase{0, 8}, SizeCase{8, 0}, SizeCase{-8, 8}, SizeCase{8, -8}}) {
        BitmapHeader header;
        setupBitmapHeader(header, c.width, c.height);
        EXPECT_TRUE(encodeTexture(rgb.data(), header).empty()) << c.width << " x " << c.height;
        EXPECT_EQ(bmpFileBytes(c.width, c.height), 0u);
    }
}

// ---- Pattern files --------------------------------------------------------------------------------

const char *const WIDTH_EVEN = "Pattern incorrect, width must be multiple of 2";
const char *const HEIGHT_EVEN = "Pattern incorrect, height must be multiple of 2";
const char *const WIDTH_MAX = "Pattern width incorrect, must be less or equal to 256";
const char *const HEIGHT_MAX = "Pattern height incorrect, must be less or equal than 256";
const char *const PATTERN_BITS = "Pattern is non 24 bits";
const char *const PATTERN_COMPRESSED = "Pattern is compressed, too hard for me :P";
const char *const WIDTH_POSITIVE = "Pattern incorrect, width must be greater than 0";
const char *const HEIGHT_NONZERO = "Pattern incorrect, height must not be 0";
const char *const PATTERN_TRUNCATED = "Pattern file is truncated";

void setSides(Bytes &f, int32_t width, int32_t height)
{
    poke32(f, WIDTH, static_cast<uint32_t>(width));
    poke32(f, HEIGHT, static_cast<uint32_t>(height));
}

const RefusalCase patternRefusals[] = {
    // The seven checks, one fault each.
    {"width 65", [](Bytes &f) { setSides(f, 65, 64); }, WIDTH_EVEN},
    {"height 63", [](Bytes &f) { setSides(f, 64, 63); }, HEIGHT_EVEN},
    {"width 258", [](Bytes &f) { setSides(f, 258, 64); }, WIDTH_MAX},
    {"height 300", [](Bytes &f) { setSides(f, 64, 300); }, HEIGHT_MAX},
    {"8 bits", [](Bytes &f) { poke16(f, BIT_COUNT, 8); }, PATTERN_BITS},
    {"compressed", [](Bytes &f) { poke32(f, COMPRESSION, 1); }, PATTERN_COMPRESSED},
    {"2 planes", [](Bytes &f) { poke16(f, PLANES, 2); }, PLANES_ONE},
    // Several faults: the first in the order wins.
    {"odd width and odd height", [](Bytes &f) { setSides(f, 65, 63); }, WIDTH_EVEN},
    {"odd width and height 300", [](Bytes &f) { setSides(f, 65, 300); }, WIDTH_EVEN},
    {"odd negative height", [](Bytes &f) { setSides(f, 64, -3); }, HEIGHT_EVEN},
    {"width 258 and 8 bits", [](Bytes &f) { setSides(f, 258, 64); poke16(f, BIT_COUNT, 8); }, WIDTH_MAX},
    {"width 258 and height 300", [](Bytes &f) { setSides(f, 258, 300); }, WIDTH_MAX},
    {"8 bits, 300 high", [](Bytes &f) { setSides(f, 64, 300); poke16(f, BIT_COUNT, 8); }, HEIGHT_MAX},
    {"8 bits and compressed", [](Bytes &f) { poke16(f, BIT_COUNT, 8); poke32(f, COMPRESSION, 1); },
     PATTERN_BITS},
    {"compressed with 0 planes", [](Bytes &f) { poke32(f, COMPRESSION, 3); poke16(f, PLANES, 0); },
     PATTERN_COMPRESSED},
    // Sizes the seven checks let through: refused after them, never before.
    {"width 0", [](Bytes &f) { setSides(f, 0, 64); }, WIDTH_POSITIVE},
    {"width -4", [](Bytes &f) { setSides(f, -4, 64); }, WIDTH_POSITIVE},
    {"width INT32_MIN", [](Bytes &f) { setSides(f, INT32_MIN, 64); }, WIDTH_POSITIVE},
    {"width 0, 8 bits", [](Bytes &f) { setSides(f, 0, 64); poke16(f, BIT_COUNT, 8); }, PATTERN_BITS},
    {"width 0, 2 planes", [](Bytes &f) { setSides(f, 0, 0); poke16(f, PLANES, 2); }, PLANES_ONE},
    {"height 0", [](Bytes &f) { setSides(f, 64, 0); }, HEIGHT_NONZERO},
    {"width and height 0", [](Bytes &f) { setSides(f, 0, 0); }, WIDTH_POSITIVE},
    {"top-down 300 rows", [](Bytes &f) { setSides(f, 64, -300); }, HEIGHT_MAX},
    {"top-down 258 rows", [](Bytes &f) { setSides(f, 64, -258); }, HEIGHT_MAX},
    {"height INT32_MIN", [](Bytes &f) { setSides(f, 64, INT32_MIN); }, HEIGHT_MAX},
    // Short files.
    {"empty", [](Bytes &f) { f.clear(); }, PATTERN_TRUNCATED},
    {"info header cut", [](Bytes &f) { f.resize(53); }, PATTERN_TRUNCATED},
    {"info header cut, odd width", [](Bytes &f) { setSides(f, 65, 64); f.resize(40); }, PATTERN_TRUNCATED},
    {"headers only", [](Bytes &f) { f.resize(54); }, PATTERN_TRUNCATED},
    {"last pixel byte missing", [](Bytes &f) { f.pop_back(); }, PATTERN_TRUNCATED},
    {"more rows than the data", [](Bytes &f) { setSides(f, 64, 66); }, PATTERN_TRUNCATED},
    {"wider than the data", [](Bytes &f) { setSides(f, 66, 64); }, PATTERN_TRUNCATED},
    {"pixels start at the end", [](Bytes &f) { poke32(f, OFF_BITS, static_cast<uint32_t>(f.size())); },
     PATTERN_TRUNCATED},
    {"offset beyond the end", [](Bytes &f) { poke32(f, OFF_BITS, static_cast<uint32_t>(f.size() + 9)); },
     PATTERN_TRUNCATED},
    {"offset near 4 GiB", [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu); }, PATTERN_TRUNCATED},
    {"offset wraps with the pixel size", [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu - 12287u); },
     PATTERN_TRUNCATED},
};

TEST(PatternFile, RefusesEachFaultWithItsMessage)
{
    for (const RefusalCase &c : patternRefusals) {
        SCOPED_TRACE(c.name);
        Bytes file = validPattern();
        c.change(file);
        PatternImage image{0, 0, {}};
        const char *message = parsePattern(file.data(), file.size(), image);
        ASSERT_NE(message, nullptr);
        EXPECT_STREQ(message, c.message);
    }
}

struct PatternLoadCase {
    int32_t width;
    int32_t height;
    bool trimLastPad;
};

// Even widths need 0 (multiples of 4) or 2 bytes of padding a row; writers may leave out the last row's.
TEST(PatternFile, LoadsRowsUnpaddedBottomRowFirst)
{
    const PatternLoadCase cases[] = {
        {4, 4, false}, {256, 256, false}, {2, 2, false}, {2, 6, true}, {6, 4, false}, {6, 4, true},
        {10, 2, false}, {10, 8, true}, {254, 6, false}, {254, 256, true}, {8, 256, false}, {256, 2, true},
    };
    for (const PatternLoadCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                     (c.trimLastPad ? ", last row unpadded" : ""));
        const Bytes file = makeFile(c.width, c.height, filePixels(c.width, c.height, false, c.trimLastPad));
        PatternImage image{0, 0, {}};
        ASSERT_EQ(parsePattern(file.data(), file.size(), image), nullptr);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.pixels, storedPixels(c.width, c.height));
    }
}

TEST(PatternFile, TopDownFileIsStoredBottomRowFirst)
{
    const PatternLoadCase cases[] = {{6, 4, false}, {6, 4, true}, {4, 2, false}, {256, 256, false}, {2, 256, true}};
    for (const PatternLoadCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x -" + std::to_string(c.height));
        const Bytes file = makeFile(c.width, -c.height, filePixels(c.width, c.height, true, c.trimLastPad));
        PatternImage image{0, 0, {}};
        ASSERT_EQ(parsePattern(file.data(), file.size(), image), nullptr);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.pixels, storedPixels(c.width, c.height));
    }
}

TEST(PatternFile, ReadsFromTheOffsetWhateverTheSignature)
{
    const Bytes gap = makeFile(6, 4, filePixels(6, 4), 118); // e.g. a colour table before the pixels
    Bytes noSignature = makeFile(6, 4, filePixels(6, 4));
    noSignature[0] = 0;
    noSignature[1] = 0;
    for (const Bytes *file : {&gap, static_cast<const Bytes *>(&noSignature)}) {
        PatternImage image{0, 0, {}};
        ASSERT_EQ(parsePattern(file->data(), file->size(), image), nullptr);
        EXPECT_EQ(image.pixels, storedPixels(6, 4));
    }
}

TEST(PatternFile, EncodePadsRowsAndLoadsBack)
{
    PatternImage image{6, 4, storedPixels(6, 4)};
    const Bytes file = encodePattern(image);
    ASSERT_EQ(file.size(), 54u + 20u * 4u); // 18 pixel bytes + 2 padding a row
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(peek32(file, 2), file.size());
    EXPECT_EQ(peek32(file, OFF_BITS), 54u);
    EXPECT_EQ(peek32(file, 14), 40u);
    EXPECT_EQ(peek32(file, WIDTH), 6u);
    EXPECT_EQ(peek32(file, HEIGHT), 4u);
    EXPECT_EQ(peek32(file, PLANES), 1u | (24u << 16));
    EXPECT_EQ(peek32(file, COMPRESSION), 0u);
    // Rows bottom first, each followed by two zero bytes.
    for (size_t row = 0; row < 4; ++row) {
        const size_t at = 54 + row * 20;
        EXPECT_TRUE(std::equal(file.begin() + at, file.begin() + at + 18, image.pixels.begin() + row * 18));
        EXPECT_EQ(file[at + 18], 0);
        EXPECT_EQ(file[at + 19], 0);
    }
    PatternImage back{0, 0, {}};
    ASSERT_EQ(parsePattern(file.data(), file.size(), back), nullptr);
    EXPECT_EQ(back.width, 6);
    EXPECT_EQ(back.height, 4);
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PatternFile, EncodeRefusesAnImageThatDoesNotAddUp)
{
    EXPECT_TRUE(encodePattern(PatternImage{0, 4, {}}).empty());
    EXPECT_TRUE(encodePattern(PatternImage{4, -2, Bytes(24)}).empty());
    EXPECT_TRUE(encodePattern(PatternImage{4, 2, Bytes(23)}).empty());
    EXPECT_TRUE(encodePattern(PatternImage{4, 2, Bytes(25)}).empty());
    EXPECT_EQ(encodePattern(PatternImage{4, 2, Bytes(24)}).size(), 54u + 24u);
}

TEST(PatternFile, RowStrideRoundsUpToFourBytes)
{
    EXPECT_EQ(bmpRowStride(2), 8u);
    EXPECT_EQ(bmpRowStride(4), 12u);
    EXPECT_EQ(bmpRowStride(6), 20u);
    EXPECT_EQ(bmpRowStride(10), 32u);
    EXPECT_EQ(bmpRowStride(254), 764u);
    EXPECT_EQ(bmpRowStride(256), 768u);
}

TEST(TextureFile, PaletteFilesOfferTheirColoursRedFirstAndOthersNone)
{
    const struct {
        uint16_t bits;
        uint32_t count;
    } cases[] = {{8, 5}, {4, 16}, {1, 2}};
    for (const auto &c : cases) {
        const Bytes file = paletteTexture(13, 7, c.bits, c.count);
        Bytes expected;
        for (uint32_t i = 0; i < c.count; ++i) {
            uint8_t bgr[3];
            paletteColour(i, bgr);
            expected.insert(expected.end(), {bgr[2], bgr[1], bgr[0]});
        }
        EXPECT_EQ(expected, texturePaletteOf(file.data(), file.size())) << c.bits << " bits";
    }
    const Bytes trueColour = validTexture();
    Bytes cut = validPaletteTexture();
    cut.resize(60);   // the palette cut short
    EXPECT_TRUE(texturePaletteOf(trueColour.data(), trueColour.size()).empty());
    EXPECT_TRUE(texturePaletteOf(cut.data(), cut.size()).empty());
}

} // namespace
