// Tests of the BMP layout: texture and pattern files parsed from bytes, and the files we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "skin/bmp.h"

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

Bytes validTexture()
{
    return makeFile(256, 256, storedPixels(256, 256));
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

const RefusalCase textureRefusals[] = {
    {"width 128 (128 x 128)", [](Bytes &f) { poke32(f, WIDTH, 128); poke32(f, HEIGHT, 128); },
     "Picture width incorrect, must be 256"},
    {"height 128", [](Bytes &f) { poke32(f, HEIGHT, 128); }, "Picture height incorrect, must be 256"},
    {"top-down 256 rows", [](Bytes &f) { poke32(f, HEIGHT, static_cast<uint32_t>(-256)); },
     "Picture height incorrect, must be 256"},
    {"8 bits", [](Bytes &f) { poke16(f, BIT_COUNT, 8); }, "Picture is non 24 bits"},
    {"8 bits and compressed", [](Bytes &f) { poke16(f, BIT_COUNT, 8); poke32(f, COMPRESSION, 1); },
     "Picture is non 24 bits"},
    {"32 bits", [](Bytes &f) { poke16(f, BIT_COUNT, 32); }, "Picture is non 24 bits"},
    {"bitfields compression", [](Bytes &f) { poke32(f, COMPRESSION, 3); },
     "Picture is compressed, too hard for me :P"},
    {"compressed with 2 planes", [](Bytes &f) { poke32(f, COMPRESSION, 1); poke16(f, PLANES, 2); },
     "Picture is compressed, too hard for me :P"},
    {"2 planes", [](Bytes &f) { poke16(f, PLANES, 2); }, "Plan number incorrect, must be 1"},
    {"0 planes", [](Bytes &f) { poke16(f, PLANES, 0); }, "Plan number incorrect, must be 1"},
    {"width wrong with pixels missing", [](Bytes &f) { poke32(f, WIDTH, 255); f.resize(54); },
     "Picture width incorrect, must be 256"},
    {"empty", [](Bytes &f) { f.clear(); }, "Picture file is truncated"},
    {"file header only", [](Bytes &f) { f.resize(14); }, "Picture file is truncated"},
    {"info header cut", [](Bytes &f) { f.resize(53); }, "Picture file is truncated"},
    {"headers only", [](Bytes &f) { f.resize(54); }, "Picture file is truncated"},
    {"last pixel byte missing", [](Bytes &f) { f.pop_back(); }, "Picture file is truncated"},
    {"pixels start at the end", [](Bytes &f) { poke32(f, OFF_BITS, static_cast<uint32_t>(f.size())); },
     "Picture file is truncated"},
    {"pixels start one byte late", [](Bytes &f) { poke32(f, OFF_BITS, 55); }, "Picture file is truncated"},
    {"offset beyond the end", [](Bytes &f) { poke32(f, OFF_BITS, static_cast<uint32_t>(f.size() + 1)); },
     "Picture file is truncated"},
    {"offset near 4 GiB", [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu); }, "Picture file is truncated"},
    {"offset wraps with the pixel size", [](Bytes &f) { poke32(f, OFF_BITS, 0xFFFFFFFFu - 196607u); },
     "Picture file is truncated"},
};

TEST(TextureFile, RefusesEachFaultWithItsMessageAndWritesNothing)
{
    for (const RefusalCase &c : textureRefusals) {
        SCOPED_TRACE(c.name);
        Bytes file = validTexture();
        c.change(file);
        Bytes out(SKIN_BYTES, 0x5A);
        const char *message = parseTexture(file.data(), file.size(), out.data());
        ASSERT_NE(message, nullptr);
        EXPECT_STREQ(message, c.message);
        EXPECT_EQ(out, Bytes(SKIN_BYTES, 0x5A));
    }
}

struct TextureLoadCase {
    const char *name;
    Bytes file;
};

TEST(TextureFile, LoadsPixelsFromTheirOffset)
{
    const Bytes expected = storedPixels(256, 256);
    Bytes noSignature = validTexture();
    noSignature[0] = 'X';
    noSignature[1] = 'Y';
    Bytes trailing = validTexture();
    trailing.insert(trailing.end(), 10, 0x77);
    Bytes oddHeaderWords = validTexture();
    poke32(oddHeaderWords, 2, 12345);  // bfSize is not looked at
    poke32(oddHeaderWords, 14, 124);   // nor biSize
    poke32(oddHeaderWords, 34, 99999); // nor biSizeImage
    const TextureLoadCase cases[] = {
        {"headers and pixels, nothing more", validTexture()},
        {"no BM signature", noSignature},
        {"gap of junk before the pixels", makeFile(256, 256, expected, 100)},
        {"trailing bytes", trailing},
        {"unchecked fields with odd values", oddHeaderWords},
    };
    for (const TextureLoadCase &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out(SKIN_BYTES, 0x5A);
        EXPECT_EQ(parseTexture(c.file.data(), c.file.size(), out.data()), nullptr);
        EXPECT_EQ(out, expected);
    }
}

TEST(TextureFile, ReadBmpFieldsNeedsBothHeaders)
{
    Bytes file = validTexture();
    poke32(file, OFF_BITS, 0x01020304u);
    poke32(file, WIDTH, static_cast<uint32_t>(-7));
    poke32(file, HEIGHT, 0x80000000u);
    poke16(file, PLANES, 0xBEEF);
    poke16(file, BIT_COUNT, 0x1234);
    poke32(file, COMPRESSION, 0xCAFEF00Du);
    BmpFields f{};
    ASSERT_TRUE(readBmpFields(file.data(), 54, f));
    EXPECT_EQ(f.bfOffBits, 0x01020304u);
    EXPECT_EQ(f.biWidth, -7);
    EXPECT_EQ(f.biHeight, INT32_MIN);
    EXPECT_EQ(f.biPlanes, 0xBEEF);
    EXPECT_EQ(f.biBitCount, 0x1234);
    EXPECT_EQ(f.biCompression, 0xCAFEF00Du);
    EXPECT_FALSE(readBmpFields(file.data(), 53, f));
}

// Red, green, blue of texel (x, y): a blue picture with a red bottom-left texel, a green top-right
// one and a gradient, so row order and colour order both show.
Bytes asymmetricTextureRgb()
{
    Bytes rgb(SKIN_BYTES);
    for (size_t y = 0; y < 256; ++y)
        for (size_t x = 0; x < 256; ++x) {
            uint8_t *p = &rgb[(y * 256 + x) * 3];
            p[0] = static_cast<uint8_t>(x / 2);
            p[1] = static_cast<uint8_t>(y / 3);
            p[2] = 255;
        }
    rgb[0] = 255, rgb[1] = 0, rgb[2] = 0;
    uint8_t *topRight = &rgb[SKIN_BYTES - 3];
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

TEST(TextureFile, SavedFileLoadsBackAsTheSamePicture)
{
    BitmapHeader header;
    setupBitmapHeader(header, 256, 256);
    const Bytes rgb = asymmetricTextureRgb();
    const Bytes file = encodeTexture(rgb.data(), header);
    Bytes bgr(SKIN_BYTES, 0);
    ASSERT_EQ(parseTexture(file.data(), file.size(), bgr.data()), nullptr);
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        ASSERT_EQ(bgr[i], rgb[i + 2]);
        ASSERT_EQ(bgr[i + 1], rgb[i + 1]);
        ASSERT_EQ(bgr[i + 2], rgb[i]);
    }
}

// ---- Pattern files --------------------------------------------------------------------------------

const char *const WIDTH_EVEN = "Pattern incorrect, width must be multiple of 2";
const char *const HEIGHT_EVEN = "Pattern incorrect, height must be multiple of 2";
const char *const WIDTH_MAX = "Pattern width incorrect, must be less or equal to 256";
const char *const HEIGHT_MAX = "Pattern height incorrect, must be less or equal than 256";
const char *const PATTERN_BITS = "Pattern is non 24 bits";
const char *const PATTERN_COMPRESSED = "Pattern is compressed, too hard for me :P";
const char *const PLANES_ONE = "Plan number incorrect, must be 1";
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

} // namespace
