// Tests of PNG, TGA and JPEG pictures: which reader a file goes to, decoding with its limits, transparency over
// white, scaling, and textures saved in each format reading back the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "skin/picture.h"
#include "skin/skin_store.h"

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
    EXPECT_EQ(savedFormatOf("a.jpg"), PictureFormat::Bmp);
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
        recomposeSkinView(false);
        EXPECT_EQ(Bytes(skinBase, skinBase + SKIN_BYTES), bgr);
        EXPECT_EQ(Bytes(skinView, skinView + SKIN_BYTES), bgr);
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

    const Bytes jpeg = writeJpeg(8, 8, Bytes(8 * 8 * 3, 200));
    ASSERT_EQ(decodePicture(jpeg.data(), jpeg.size(), picture), nullptr);
    EXPECT_EQ(picture.width, 8);
    EXPECT_FALSE(picture.exact);
    for (uint8_t v : picture.pixels)
        EXPECT_NEAR(v, 200, 3);
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
    const Bytes cases[] = {
        overfull,
        Bytes(),
        cut,
        noise,
        patched(MAX_PICTURE_SIDE + 1, 1),
        patched(1, MAX_PICTURE_SIDE + 1),
        patched(4097, 4096),                          // both sides allowed, too many pixels
        Bytes(jpeg.begin(), jpeg.begin() + 200),
        tgaFile(MAX_PICTURE_SIDE + 1, 2, 64),
        tgaFile(4, 4, 10),                            // pixels cut short
        rleTga(4096, 4096, 1000),                     // far too few packets for its pixels
        jpegClaiming(4096, 4096),                     // far too few bytes for its blocks
        Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        Picture picture;
        picture.width = 7;
        EXPECT_EQ(decodePicture(cases[i].data(), cases[i].size(), picture), MSG_PICTURE_DAMAGED) << "case " << i;
        EXPECT_EQ(picture.width, 0) << "case " << i;
        EXPECT_TRUE(picture.pixels.empty()) << "case " << i;
    }
    Picture picture;
    const Bytes tga = tgaFile(4, 2, 4 * 2 * 3);
    ASSERT_EQ(decodePicture(tga.data(), tga.size(), picture), nullptr);
    EXPECT_EQ(picture.pixels, Bytes(24, 0x80));
}

// A BMP keeps its own loader's checks and messages; a ".tga" that is no TGA is damaged.
TEST(Picture, TextureFilesKeepTheBmpMessages)
{
    PatternImage small{128, 128, Bytes(128 * 128 * 3, 1)};
    const Bytes bmp = encodePattern(small);
    Picture picture;
    EXPECT_STREQ(decodeTextureFile("a.bmp", bmp.data(), bmp.size(), picture), "Picture width incorrect, must be 256");
    EXPECT_STREQ(decodeTextureFile("a.png", bmp.data(), bmp.size(), picture), "Picture width incorrect, must be 256");
    EXPECT_EQ(decodeTextureFile("a.tga", bmp.data(), bmp.size(), picture), MSG_PICTURE_DAMAGED);
    const Bytes png = greyPng(300, 20);
    ASSERT_EQ(decodeTextureFile("a.bmp", png.data(), png.size(), picture), nullptr);
    EXPECT_EQ(picture.width, 300);
    EXPECT_EQ(picture.height, 20);
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

TEST(Picture, ScaleQuestionNamesTheRealSize)
{
    EXPECT_EQ(scaleQuestion(300, 77), "The picture is 300 \xC3\x97 77 pixels. Scale it to 256 \xC3\x97 256?");
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
    EXPECT_TRUE(encodePicture(PictureFormat::Jpeg, picture).empty());
    EXPECT_TRUE(encodePicture(PictureFormat::Bmp, picture).empty());
}

} // namespace
