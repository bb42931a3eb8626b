// Tests of PNG, TGA and JPEG pictures: which reader a file goes to, decoding with its limits, transparency over
// white, scaling, and textures saved in each format reading back the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <stb_image_write.h>
#include <zlib.h>

#include "picture/picture.h"
#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void appendTo(void *context, void *data, int size)
{
    auto *out = static_cast<Bytes *>(context);
    out->insert(out->end(), static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
}

// Files made with stb's writers straight from top-down rows, independently of the program's encoders.
Bytes writePng(int width, int height, int channels, const Bytes &topDown)
{
    Bytes file;
    stbi_write_png_to_func(appendTo, &file, width, height, channels, topDown.data(), width * channels);
    return file;
}

Bytes writeJpeg(int width, int height, const Bytes &rgbTopDown)
{
    Bytes file;
    stbi_write_jpg_to_func(appendTo, &file, width, height, 3, rgbTopDown.data(), 95);
    return file;
}

// An uncompressed 24-bit TGA header claiming the given size, followed by `pixelBytes` bytes of grey.
Bytes tgaFile(int width, int height, size_t pixelBytes)
{
    Bytes file(18, 0);
    file[2] = 2;
    file[12] = uint8_t(width), file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height), file[15] = uint8_t(height >> 8);
    file[16] = 24;
    file.insert(file.end(), pixelBytes, 0x80);
    return file;
}

// A run-length coded TGA header claiming the given size, followed by `bytes` bytes of packets.
Bytes rleTga(int width, int height, size_t bytes)
{
    Bytes file = tgaFile(width, height, bytes);
    file[2] = 10;
    return file;
}

// A small JPEG whose frame header claims the given size.
Bytes jpegClaiming(int width, int height)
{
    Bytes file = writeJpeg(8, 8, Bytes(8 * 8 * 3, 90));
    for (size_t at = 2; at + 8 < file.size(); ++at)
        if (file[at] == 0xFF && file[at + 1] == 0xC0) {
            file[at + 5] = uint8_t(height >> 8), file[at + 6] = uint8_t(height);
            file[at + 7] = uint8_t(width >> 8), file[at + 8] = uint8_t(width);
            break;
        }
    return file;
}

// A uniform grey picture of the given size as a PNG.
Bytes greyPng(int width, int height, uint8_t grey = 0x80)
{
    return writePng(width, height, 3, Bytes(size_t(width) * height * 3, grey));
}

// A texture in blue-green-red that shows swapped rows, columns or colours.
Bytes asymmetricTexture()
{
    Bytes bgr(SKIN_BYTES);
    for (size_t i = 0; i < SKIN_PIXELS; ++i) {
        bgr[3 * i] = uint8_t(i / 256);
        bgr[3 * i + 1] = uint8_t((i % 256) ^ (i / 256) ^ 0x5A);
        bgr[3 * i + 2] = uint8_t(i % 256);
    }
    return bgr;
}

TEST(Picture, ChoosesTheReaderBySignatureThenByTheTgaName)
{
    const Bytes png = greyPng(2, 2);
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0};
    const Bytes other = {'B', 'M', 0, 0};
    const struct {
        const char *path;
        const Bytes &data;
        PictureFormat format;
    } cases[] = {
        {"a.bmp", png, PictureFormat::Png},      {"a.tga", png, PictureFormat::Png},
        {"a.png", jpeg, PictureFormat::Jpeg},    {"a.TGA", other, PictureFormat::Tga},
        {"a.Tga", other, PictureFormat::Tga},    {"a.png", other, PictureFormat::Bmp},
        {"a.jpg", other, PictureFormat::Bmp},    {"tga", other, PictureFormat::Bmp},
        {"a.tga.bmp", other, PictureFormat::Bmp}, {nullptr, other, PictureFormat::Bmp},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pictureFormatOf(c.path, c.data.data(), c.data.size()), c.format) << (c.path ? c.path : "null");
    EXPECT_EQ(pictureFormatOf("a.tga", nullptr, 0), PictureFormat::Tga);
}

TEST(Picture, SavedFormatFollowsTheName)
{
    EXPECT_EQ(savedFormatOf("C:\\skins\\a.PNG"), PictureFormat::Png);
    EXPECT_EQ(savedFormatOf("a.tga"), PictureFormat::Tga);
    EXPECT_EQ(savedFormatOf("a.bmp"), PictureFormat::Bmp);
    EXPECT_EQ(savedFormatOf("a.jpg"), PictureFormat::Jpeg);
    EXPECT_EQ(savedFormatOf("a.JPEG"), PictureFormat::Jpeg);
    EXPECT_EQ(savedFormatOf("png"), PictureFormat::Bmp);
}

// What is saved in each format loads back as exactly the same texture, in all three buffers.
TEST(Picture, TextureSavedInEachFormatLoadsBackIdentical)
{
    const Bytes bgr = asymmetricTexture();
    const struct {
        const char *path;
        Bytes start;
    } cases[] = {{"t.bmp", {'B', 'M'}}, {"t.png", {0x89, 'P', 'N', 'G'}}, {"t.tga", {0, 0, 2}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        initSkinStore();
        replaceTexture(256, 256, bgr.data());
        const Bytes file = encodeTextureAs(savedFormatOf(c.path), skinGL, skinHeader);
        ASSERT_GT(file.size(), 3u);
        EXPECT_EQ(Bytes(file.begin(), file.begin() + c.start.size()), c.start);

        initSkinStore();
        Picture picture;
        ASSERT_EQ(decodeTextureFile(c.path, file.data(), file.size(), picture), nullptr);
        EXPECT_EQ(picture.width, SKIN_SIDE);
        EXPECT_EQ(picture.height, SKIN_SIDE);
        EXPECT_TRUE(picture.exact);
        ASSERT_EQ(picture.pixels, bgr);
        replaceTexture(256, 256, picture.pixels.data());
        composeSkinShown(false);
        EXPECT_EQ(Bytes(skinBase, skinBase + SKIN_BYTES), bgr);
        EXPECT_EQ(Bytes(skinShown, skinShown + SKIN_BYTES), bgr);
        for (size_t i = 0; i < SKIN_BYTES; i += 3)
            ASSERT_TRUE(skinGL[i] == bgr[i + 2] && skinGL[i + 1] == bgr[i + 1] && skinGL[i + 2] == bgr[i]) << i;
    }
}

// Rows come out bottom row first in blue-green-red; transparency is laid over white and makes the
// picture inexact, as does JPEG; an opaque PNG with an alpha channel stays exact.
TEST(Picture, DecodesRowsBottomUpAndLaysTransparencyOverWhite)
{
    // 3 x 2, top row: opaque red, transparent green, half-transparent black; bottom row: opaque blue,
    // opaque white, opaque (10, 20, 30).
    const Bytes rgba = {255, 0, 0, 255, 0, 255, 0, 0,   0, 0, 0, 128,
                        0, 0, 255, 255, 255, 255, 255, 255, 10, 20, 30, 255};
    const Bytes file = writePng(3, 2, 4, rgba);
    Picture picture;
    ASSERT_EQ(decodePicture(file.data(), file.size(), picture), nullptr);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    const Bytes expected = {255, 0, 0,     255, 255, 255, 30, 20, 10,    // bottom row, blue-green-red
                            0, 0, 255,     255, 255, 255, 127, 127, 127};
    EXPECT_EQ(picture.pixels, expected);
    EXPECT_FALSE(picture.exact);

    Bytes opaque = rgba;
    opaque[7] = opaque[11] = 255;
    const Bytes opaqueFile = writePng(3, 2, 4, opaque);
    ASSERT_EQ(decodePicture(opaqueFile.data(), opaqueFile.size(), picture), nullptr);
    EXPECT_TRUE(picture.exact);

    Bytes jpeg = writeJpeg(8, 8, Bytes(8 * 8 * 3, 200));
    for (const bool padded : {false, true}) { // fill bytes before the marker: still a JPEG, never exact
        if (padded)
            jpeg.insert(jpeg.begin(), 3, 0xFF);
        ASSERT_EQ(decodePicture(jpeg.data(), jpeg.size(), picture), nullptr);
        EXPECT_EQ(picture.width, 8);
        EXPECT_FALSE(picture.exact);
        for (uint8_t v : picture.pixels)
            EXPECT_NEAR(v, 200, 3);
    }
}

TEST(Picture, RefusesDamagedAndOversizedFilesWithoutDecoding)
{
    const Bytes good = greyPng(5, 3);
    Bytes cut(good.begin(), good.begin() + good.size() / 2);
    Bytes noise = good;
    for (size_t i = 40; i < noise.size(); ++i)
        noise[i] ^= 0x55;
    // IHDR width (offset 16) and height (offset 20) patched: stb does not check the chunk's CRC, our limits do.
    auto patched = [&](uint32_t width, uint32_t height) {
        Bytes b = good;
        for (int k = 0; k < 4; ++k)
            b[16 + k] = uint8_t(width >> (24 - 8 * k)), b[20 + k] = uint8_t(height >> (24 - 8 * k));
        return b;
    };
    const Bytes jpeg = writeJpeg(8, 8, Bytes(8 * 8 * 3, 90));
    // A Huffman table that claims 512 codes, more than a table can hold.
    Bytes overfull = jpeg;
    for (size_t at = 2; at + 21 < overfull.size(); ++at)
        if (overfull[at] == 0xFF && overfull[at + 1] == 0xC4) {
            std::memset(&overfull[at + 5], 0x20, 16);
            break;
        }
    ASSERT_NE(overfull, jpeg);
    // The same behind fill bytes, which the decoder skips before the start-of-image marker.
    Bytes padded(5, 0xFF);
    padded.insert(padded.end(), overfull.begin(), overfull.end());
    const struct {
        Bytes file;
        const char *message;
    } cases[] = {
        {overfull, MSG_PICTURE_DAMAGED},
        {padded, MSG_PICTURE_DAMAGED},
        {Bytes(), MSG_PICTURE_DAMAGED},
        {cut, MSG_PICTURE_DAMAGED},
        {noise, MSG_PICTURE_DAMAGED},
        {patched(0, 5), MSG_PICTURE_DAMAGED},
        {Bytes(jpeg.begin(), jpeg.begin() + 200), MSG_PICTURE_DAMAGED},
        {tgaFile(4, 4, 10), MSG_PICTURE_DAMAGED},        // pixels cut short
        {rleTga(4096, 4096, 1000), MSG_PICTURE_DAMAGED}, // far too few packets for its pixels
        {jpegClaiming(4096, 4096), MSG_PICTURE_DAMAGED}, // far too few bytes for its blocks
        {Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, MSG_PICTURE_DAMAGED},
        // Refused for their size, told so even when the rest of the file is missing.
        {patched(MAX_PICTURE_SIDE + 1, 100), MSG_PICTURE_TOO_LARGE},
        {patched(1, MAX_PICTURE_SIDE + 1), MSG_PICTURE_TOO_LARGE},
        {patched(100000, 1), MSG_PICTURE_TOO_LARGE},
        {patched(4097, 4096), MSG_PICTURE_TOO_LARGE}, // both sides allowed, too many pixels
        {tgaFile(MAX_PICTURE_SIDE + 1, 2, 64), MSG_PICTURE_TOO_LARGE},
        {jpegClaiming(MAX_PICTURE_SIDE + 1, 100), MSG_PICTURE_TOO_LARGE},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        Picture picture;
        picture.width = 7;
        EXPECT_STREQ(decodePicture(cases[i].file.data(), cases[i].file.size(), picture), cases[i].message)
            << "case " << i;
        EXPECT_EQ(picture.width, 0) << "case " << i;
        EXPECT_TRUE(picture.pixels.empty()) << "case " << i;
    }
    Picture picture;
    const Bytes tga = tgaFile(4, 2, 4 * 2 * 3);
    ASSERT_EQ(decodePicture(tga.data(), tga.size(), picture), nullptr);
    EXPECT_EQ(picture.pixels, Bytes(24, 0x80));
}

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's allocation hooks (its runtime has them; GCC ships no header declaring them).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void *, size_t),
                                                          void (*free_hook)(const volatile void *));
size_t largestAllocation = 0;
void noteAllocation(const volatile void *, size_t size)
{
    if (size > largestAllocation)
        largestAllocation = size;
}
void noteFree(const volatile void *) {}
#endif

// A PNG chunk claiming far more than the file holds is refused before the decoder makes room for it.
TEST(Picture, ChunksLongerThanTheFileAreRefusedBeforeAnyRoomIsMade)
{
#if defined(__SANITIZE_ADDRESS__)
    static const int installed = __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree);
    ASSERT_TRUE(installed);
    Bytes png = greyPng(6, 4);
    ASSERT_EQ(std::memcmp(&png[37], "IDAT", 4), 0); // after the signature and the 25 bytes of IHDR
    png[33] = 0x3F, png[34] = 0xFF, png[35] = 0xFF, png[36] = 0xF0; // a gigabyte less 16 bytes
    // Whole, and cut two bytes into the chunk's data, before its CRC could be there.
    for (const size_t size : {png.size(), size_t(43)}) {
        largestAllocation = 0;
        Picture picture;
        EXPECT_EQ(decodePicture(png.data(), size, picture), MSG_PICTURE_DAMAGED) << size;
        EXPECT_LT(largestAllocation, size_t(1) << 20) << size;
    }
#else
    GTEST_SKIP() << "needs AddressSanitizer's allocation hooks";
#endif
}

// A PNG of the given header whose one IDAT chunk holds `raw` deflated, CRCs and all.
Bytes pngAround(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, uint8_t interlace, const Bytes &raw)
{
    Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&file](const char *type, const Bytes &body) {
        const uint32_t length = uint32_t(body.size());
        for (int shift = 24; shift >= 0; shift -= 8)
            file.push_back(uint8_t(length >> shift));
        Bytes typed(type, type + 4);
        typed.insert(typed.end(), body.begin(), body.end());
        file.insert(file.end(), typed.begin(), typed.end());
        const uLong crc = crc32(0, typed.data(), uInt(typed.size()));
        for (int shift = 24; shift >= 0; shift -= 8)
            file.push_back(uint8_t(crc >> shift));
    };
    chunk("IHDR", {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                   uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height), depth,
                   colour, 0, 0, interlace});
    uLongf packedSize = compressBound(uLong(raw.size()));
    Bytes packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9);
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return file;
}

// The deflate stream is inflated into exactly the bytes the header implies: a stream that holds more (here
// 8 MiB behind an 8 x 8 header, a few kilobytes of file) is refused with little memory; exactly that many bytes,
// interlaced or not, decode.
TEST(Picture, PngStreamsThatInflatePastTheirPictureAreRefused)
{
    struct Case { uint32_t width, height; uint8_t depth, colour, interlace; size_t raw; };
    // 8 x 8 RGB: 8 rows of 1 + 24 bytes. 5 x 3 grey-alpha 16-bit Adam7 (4 bytes a pixel): passes 1, 2 and 4
    // hold 1 x 1 pixels, 5 holds 3 x 1, 6 holds 2 x 2, 7 holds 5 x 1, and pass 3 is empty.
    const Case cases[] = {{8, 8, 8, 2, 0, 8 * 25}, {5, 3, 16, 4, 1, 3 * 5 + 13 + 2 * 9 + 21}};
    for (const Case &c : cases) {
        Picture picture;
        const Bytes exact = pngAround(c.width, c.height, c.depth, c.colour, c.interlace, Bytes(c.raw, 0));
        EXPECT_EQ(decodePicture(exact.data(), exact.size(), picture), nullptr) << c.width;
        const Bytes over = pngAround(c.width, c.height, c.depth, c.colour, c.interlace, Bytes(c.raw + 1, 0));
        EXPECT_EQ(decodePicture(over.data(), over.size(), picture), MSG_PICTURE_DAMAGED) << c.width;
    }
    const Bytes bomb = pngAround(8, 8, 8, 2, 0, Bytes(size_t(8) << 20, 0));
    ASSERT_LT(bomb.size(), size_t(16) << 10);
#if defined(__SANITIZE_ADDRESS__)
    static const int installed = __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree);
    ASSERT_TRUE(installed);
    largestAllocation = 0;
#endif
    Picture picture;
    EXPECT_EQ(decodePicture(bomb.data(), bomb.size(), picture), MSG_PICTURE_DAMAGED);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(largestAllocation, size_t(64) << 10);
#endif
}

// Every format at its own size; a BMP keeps its own loader's checks and messages whatever its name; a ".tga"
// that is no TGA is damaged.
TEST(Picture, TextureFilesLoadAtTheirOwnSize)
{
    PatternImage small{130, 6, Bytes(130 * 6 * 3, 1)};
    const Bytes bmp = encodePattern(small);
    Picture picture;
    for (const char *path : {"a.bmp", "a.png"}) {
        ASSERT_EQ(decodeTextureFile(path, bmp.data(), bmp.size(), picture), nullptr) << path;
        EXPECT_EQ(picture.width, 130);
        EXPECT_EQ(picture.height, 6);
        EXPECT_EQ(picture.pixels, small.pixels);
    }
    Bytes compressed = bmp;
    compressed[30] = 1;
    EXPECT_STREQ(decodeTextureFile("a.png", compressed.data(), compressed.size(), picture),
                 "Picture is compressed, too hard for me :P");
    EXPECT_EQ(decodeTextureFile("a.tga", bmp.data(), bmp.size(), picture), MSG_PICTURE_DAMAGED);
    const Bytes png = greyPng(300, 20);
    ASSERT_EQ(decodeTextureFile("a.bmp", png.data(), png.size(), picture), nullptr);
    EXPECT_EQ(picture.width, 300);
    EXPECT_EQ(picture.height, 20);
}

// A picture too large for its size or its file says so in every format.
TEST(Picture, TooLargeIsToldForEveryFormat)
{
    Bytes bmp = encodePattern(PatternImage{4, 2, Bytes(4 * 2 * 3, 1)});
    bmp[18] = 0x01, bmp[19] = 0x20, bmp[22] = 100; // 8193 x 100
    const Bytes tga = tgaFile(MAX_PICTURE_SIDE + 1, 100, 0);
    const Bytes jpeg = jpegClaiming(100, MAX_PICTURE_SIDE + 1);
    Picture picture;
    EXPECT_EQ(decodeTextureFile("a.bmp", bmp.data(), bmp.size(), picture), MSG_PICTURE_TOO_LARGE);
    EXPECT_EQ(decodeTextureFile("a.tga", tga.data(), tga.size(), picture), MSG_PICTURE_TOO_LARGE);
    EXPECT_EQ(decodeTextureFile("a.jpg", jpeg.data(), jpeg.size(), picture), MSG_PICTURE_TOO_LARGE);
    EXPECT_STREQ(MSG_PICTURE_TOO_LARGE, "Picture file is too large");

    // One byte over the file limit, whatever it holds; a PNG at the limit is read as far as its bytes go.
    Bytes huge(MAX_PICTURE_FILE_BYTES + 1, 0);
    const Bytes png = greyPng(3, 3);
    std::copy(png.begin(), png.end(), huge.begin());
    EXPECT_EQ(decodeTextureFile("a.png", huge.data(), huge.size(), picture), MSG_PICTURE_TOO_LARGE);
    EXPECT_EQ(decodePicture(huge.data(), huge.size(), picture), MSG_PICTURE_TOO_LARGE);
    ASSERT_EQ(decodeTextureFile("a.png", huge.data(), huge.size() - 1, picture), nullptr);
    EXPECT_EQ(picture.width, 3);
    const Bytes goodBmp = encodePattern(PatternImage{4, 2, Bytes(4 * 2 * 3, 1)});
    std::copy(goodBmp.begin(), goodBmp.end(), huge.begin());
    EXPECT_EQ(decodeTextureFile("a.bmp", huge.data(), huge.size(), picture), MSG_PICTURE_TOO_LARGE);
    ASSERT_EQ(decodeTextureFile("a.bmp", huge.data(), huge.size() - 1, picture), nullptr);
    EXPECT_EQ(picture.width, 4);
}

// The file limit holds the bulkiest file of the largest picture: a 16-bit RGBA PNG of 4096 x 4096 stored without
// compression (a filter byte a row, a 5-byte header every 65,535 bytes of deflate, an IDAT chunk every 8 KiB).
TEST(Picture, FileLimitHoldsA16BitRgbaPngOfTheLargestPicture)
{
    const size_t raw = size_t(4096) * (1 + 4096 * 8);
    const size_t deflated = raw + (raw / 65535 + 1) * 5 + 6;
    const size_t chunked = 8 + 25 + deflated + (deflated / 8192 + 1) * 12 + 12;
    EXPECT_GT(chunked, size_t(130) * 1000 * 1000);
    EXPECT_GE(MAX_PICTURE_FILE_BYTES, chunked + chunked / 16);
    EXPECT_GE(MAX_PICTURE_FILE_BYTES, 54 + 84 + 256 * 4 + MAX_PICTURE_PIXELS * 4); // a 32-bit BMP
}

TEST(Picture, PatternsOfEveryFormatKeepTheSizeRules)
{
    const struct {
        int width, height;
        const char *message;
    } cases[] = {
        {3, 2, "Pattern incorrect, width must be multiple of 2"},
        {2, 5, "Pattern incorrect, height must be multiple of 2"},
        {258, 2, "Pattern width incorrect, must be less or equal to 256"},
        {2, 258, "Pattern height incorrect, must be less or equal than 256"},
        {256, 256, nullptr},
        {2, 2, nullptr},
    };
    for (const auto &c : cases) {
        const Bytes png = greyPng(c.width, c.height, 0x33);
        PatternImage image{};
        const char *refusal = decodePatternFile("p.png", png.data(), png.size(), image);
        EXPECT_STREQ(refusal, c.message) << c.width << " x " << c.height;
        if (!c.message)
            EXPECT_EQ(image.pixels, Bytes(size_t(c.width) * c.height * 3, 0x33));
    }
    PatternImage image{};
    const Bytes damaged = {0xFF, 0xD8, 0xFF, 0};
    EXPECT_EQ(decodePatternFile("p.jpg", damaged.data(), damaged.size(), image), MSG_PICTURE_DAMAGED);
    PatternImage pattern{4, 2, asymmetricTexture()};
    pattern.pixels.resize(4 * 2 * 3);
    const Bytes bmp = encodePattern(pattern);
    ASSERT_EQ(decodePatternFile("p.bmp", bmp.data(), bmp.size(), image), nullptr);
    EXPECT_EQ(image.pixels, pattern.pixels);
}

TEST(Picture, ScalesToTheAskedSizeKeepingFlatColours)
{
    const Bytes png = greyPng(300, 77, 0x80);
    Picture picture;
    ASSERT_EQ(decodePicture(png.data(), png.size(), picture), nullptr);
    for (const int side : {256, 16}) {
        Picture scaled;
        ASSERT_TRUE(scalePicture(picture, side, SKIN_SIDE, scaled));
        EXPECT_EQ(scaled.width, side);
        EXPECT_EQ(scaled.height, SKIN_SIDE);
        EXPECT_FALSE(scaled.exact);
        ASSERT_EQ(scaled.pixels.size(), size_t(side) * SKIN_SIDE * 3);
        for (uint8_t v : scaled.pixels)
            ASSERT_NEAR(v, 0x80, 1);
    }
    // Black and white columns average to the sRGB value of half the light (188), not to 128.
    Bytes stripes(4 * 2 * 3);
    for (size_t i = 0; i < stripes.size(); ++i)
        stripes[i] = (i / 3) % 2 ? 255 : 0;
    picture = Picture();
    picture.width = 4;
    picture.height = 2;
    picture.pixels = stripes;
    Picture scaled;
    ASSERT_TRUE(scalePicture(picture, 1, 1, scaled));
    EXPECT_NEAR(scaled.pixels[0], 188, 2);
    EXPECT_FALSE(scalePicture(Picture(), SKIN_SIDE, SKIN_SIDE, scaled));
    EXPECT_FALSE(scalePicture(picture, 0, SKIN_SIDE, scaled));
}

TEST(Picture, ScaleQuestionNamesBothSizes)
{
    EXPECT_EQ(scaleQuestion(3000, 2000, 2048, 1365),
              "The picture is 3000 \xC3\x97 2000 pixels. Scale it to 2048 \xC3\x97 1365?");
}

TEST(Picture, FitsTextureSizesKeepingTheAspect)
{
    const struct {
        int32_t width, height;
        bool scaled;
        int32_t fittedWidth, fittedHeight;
    } cases[] = {
        {256, 256, false, 256, 256},    {8, 2048, false, 8, 2048},      {301, 193, false, 301, 193},
        {2048, 2048, false, 2048, 2048}, {4096, 1024, true, 2048, 512},  {1024, 4096, true, 512, 2048},
        {3000, 2000, true, 2048, 1365},  {2000, 3000, true, 1365, 2048}, {2049, 2049, true, 2048, 2048},
        {2049, 1025, true, 2048, 1024},  {2049, 1023, true, 2048, 1023}, {8192, 1, true, 2048, 8},
        {8192, 20, true, 2048, 8},       {4, 4, true, 8, 8},             {4, 100, true, 8, 200},
        {3, 5, true, 8, 13},             {7, 100, true, 8, 114},         {1, 1000, true, 8, 2048},
        {1000, 1, true, 2048, 8},        {1, 1, true, 8, 8},             {0, 10, false, 0, 10},
        {10, -1, false, 10, -1},
    };
    for (const auto &c : cases) {
        int32_t width = -99, height = -99;
        EXPECT_EQ(fitTextureSize(c.width, c.height, width, height), c.scaled) << c.width << " x " << c.height;
        EXPECT_EQ(width, c.fittedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(height, c.fittedHeight) << c.width << " x " << c.height;
    }
}

// At any size a texture written in each format reads back as the same picture, and BMP as the same bytes too.
TEST(Picture, TextureOfAnySizeSavedInEachFormatLoadsBackIdentical)
{
    for (const auto &size : {std::pair<int32_t, int32_t>{301, 193}, {8, 2048}, {13, 9}}) {
        const int32_t width = size.first, height = size.second;
        Bytes rgb(size_t(width) * height * 3), bgr(rgb.size());
        for (size_t i = 0; i < rgb.size(); i += 3) {
            const size_t x = i / 3 % size_t(width), y = i / 3 / size_t(width);
            rgb[i] = bgr[i + 2] = uint8_t(x * 3 + (y == 0 ? 90 : 0)); // red to the right, more in the bottom row
            rgb[i + 1] = bgr[i + 1] = uint8_t(y);
            rgb[i + 2] = bgr[i] = uint8_t(200 - x);
        }
        BitmapHeader header;
        setupBitmapHeader(header, width, height);
        for (const char *path : {"t.bmp", "t.png", "t.tga"}) {
            SCOPED_TRACE(std::string(path) + " at " + std::to_string(width) + " x " + std::to_string(height));
            const Bytes file = encodeTextureAs(savedFormatOf(path), rgb.data(), header);
            Picture picture;
            ASSERT_EQ(decodeTextureFile(path, file.data(), file.size(), picture), nullptr);
            EXPECT_EQ(picture.width, width);
            EXPECT_EQ(picture.height, height);
            EXPECT_TRUE(picture.exact);
            EXPECT_EQ(picture.pixels, bgr);
        }
        EXPECT_EQ(encodeTextureAs(PictureFormat::Bmp, rgb.data(), header), encodeTexture(rgb.data(), header));
    }
    BitmapHeader empty;
    setupBitmapHeader(empty, 0, 8);
    const Bytes rgb(24, 1);
    EXPECT_TRUE(encodeTextureAs(PictureFormat::Png, rgb.data(), empty).empty());
    EXPECT_TRUE(encodeTextureAs(PictureFormat::Tga, rgb.data(), empty).empty());
}

TEST(Picture, EncodeRefusesWhatItCannotWrite)
{
    Picture picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels.assign(11, 0);
    EXPECT_TRUE(encodePicture(PictureFormat::Png, picture).empty());
    picture.pixels.assign(12, 0);
    EXPECT_FALSE(encodePicture(PictureFormat::Tga, picture).empty());
    EXPECT_TRUE(encodePicture(PictureFormat::Bmp, picture).empty());
}

// A JPEG is written at quality 95: it reads back close, and is a file Ctrl+S may write back (after its question).
TEST(Picture, JpegIsWrittenCloseAndWritesBack)
{
    Picture picture;
    picture.width = 16;
    picture.height = 16;
    for (size_t i = 0; i < 256; ++i)
        picture.pixels.insert(picture.pixels.end(), {uint8_t(i), uint8_t(200 - i / 16 * 8), 90});
    const Bytes file = encodePicture(PictureFormat::Jpeg, picture);
    Picture read;
    TextureOrigin origin;
    ASSERT_EQ(nullptr, decodeTextureFile("t.jpg", file.data(), file.size(), read, origin));
    EXPECT_EQ(PictureFormat::Jpeg, origin.format);
    EXPECT_TRUE(origin.writesBack);
    EXPECT_FALSE(read.exact);
    ASSERT_EQ(picture.pixels.size(), read.pixels.size());
    for (size_t i = 0; i < read.pixels.size(); ++i)
        ASSERT_NEAR(picture.pixels[i], read.pixels[i], 12) << i;
}

} // namespace
