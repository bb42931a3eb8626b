// Tests of PCX pictures: files built here byte by byte (odd widths, padded lines, runs across line and plane ends),
// every refusal, writing with a palette that gives untouched texels back exactly, nearest colours against a plain
// search, built palettes, and the loaders and savers that reach the codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "picture/pcx.h"
#include "picture/picture.h"
#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

namespace {

typedef std::vector<uint8_t> Bytes;

struct PcxShape {
    size_t width, height, planes, lineBytes, xmin;
};
const PcxShape EIGHT_BIT = {5, 3, 1, 6, 0};
const PcxShape PLANES = {7, 4, 3, 8, 0};

Bytes headerOf(const PcxShape &s)
{
    Bytes h(128, 0);
    const size_t fields[][2] = {{4, s.xmin}, {8, s.xmin + s.width - 1}, {10, s.height - 1}, {66, s.lineBytes}};
    for (const auto &f : fields)
        h[f[0]] = uint8_t(f[1]), h[f[0] + 1] = uint8_t(f[1] >> 8);
    h[0] = 0x0A, h[1] = 5, h[2] = 1, h[3] = 8, h[65] = uint8_t(s.planes);
    return h;
}

// Runs of up to 63 over the whole stream, across line and plane ends as ZSoft's own writer made them.
Bytes codeStream(const Bytes &raw)
{
    Bytes coded;
    for (size_t i = 0, run = 1; i < raw.size(); i += run, run = 1) {
        while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i])
            ++run;
        if (run > 1 || raw[i] >= 0xC0)
            coded.push_back(uint8_t(0xC0 | run));
        coded.push_back(raw[i]);
    }
    return coded;
}

PcxPalette testPalette()
{
    PcxPalette p;
    for (size_t i = 0; i < 256; ++i)
        p[i * 3] = uint8_t(i), p[i * 3 + 1] = uint8_t(255 - i), p[i * 3 + 2] = uint8_t(i * 7 + 3);
    return p;
}

// The value of plane c at (x, y), y from the top; padding beyond the width that the reader must drop. Indices
// of 0xC0 and above come often, so escaped single bytes are read too.
uint8_t sampleAt(const PcxShape &s, size_t x, size_t y, size_t c)
{
    if (x >= s.width)
        return 0xEE;
    if (s.planes == 1)
        return uint8_t(x * 53 + y * 101 + 7);
    return uint8_t(c == 0 ? 40 * x + 1 : c == 1 ? 40 * x + 30 * y : 200 - 30 * y);
}

Bytes fileOf(const PcxShape &s, const Bytes &coded)
{
    Bytes file = headerOf(s);
    file.insert(file.end(), coded.begin(), coded.end());
    if (s.planes == 1) {
        const PcxPalette palette = testPalette();
        file.push_back(0x0C);
        file.insert(file.end(), palette.begin(), palette.end());
    }
    return file;
}

Bytes rawOf(const PcxShape &s)
{
    Bytes raw;
    for (size_t y = 0; y < s.height; ++y)
        for (size_t c = 0; c < s.planes; ++c)
            for (size_t x = 0; x < s.lineBytes; ++x)
                raw.push_back(sampleAt(s, x, y, c));
    return raw;
}

Bytes pcxFile(const PcxShape &s)
{
    return fileOf(s, codeStream(rawOf(s)));
}

// The picture a file of that shape must give: bottom row first, blue-green-red.
Bytes expectedPixels(const PcxShape &s)
{
    const PcxPalette p = testPalette();
    Bytes bgr;
    for (size_t row = 0; row < s.height; ++row)
        for (size_t x = 0; x < s.width; ++x) {
            const size_t y = s.height - 1 - row, i = sampleAt(s, x, y, 0);
            if (s.planes == 1)
                bgr.insert(bgr.end(), {p[i * 3 + 2], p[i * 3 + 1], p[i * 3]});
            else
                bgr.insert(bgr.end(), {sampleAt(s, x, y, 2), sampleAt(s, x, y, 1), sampleAt(s, x, y, 0)});
        }
    return bgr;
}

// Decodes from an exact-size copy, so AddressSanitizer sees any read past the end.
PcxError decode(const Bytes &file, PcxImage &image)
{
    const Bytes exact(file.begin(), file.end());
    image.picture.width = 99;
    return decodePcx(exact.data(), exact.size(), image);
}

TEST(Pcx, FilesOfEitherKindGiveTheirPixelsBottomRowFirstWithoutThePadding)
{
    const PcxShape shapes[] = {EIGHT_BIT, {1, 2, 1, 2, 0}, {5, 3, 1, 9, 300}, PLANES, {7, 2, 3, 12, 9}};
    for (const PcxShape &s : shapes) {
        PcxImage image;
        ASSERT_EQ(PcxError::None, decode(pcxFile(s), image)) << s.width << " " << s.planes;
        EXPECT_EQ(int32_t(s.width), image.picture.width);
        EXPECT_EQ(int32_t(s.height), image.picture.height);
        EXPECT_EQ(expectedPixels(s), image.picture.pixels) << s.width << " " << s.planes;
        EXPECT_TRUE(image.picture.exact);
        EXPECT_EQ(s.planes == 1, image.paletted);
        EXPECT_EQ(s.planes == 1 ? testPalette() : PcxPalette{}, image.palette);
    }
}

TEST(Pcx, RunsMayCrossLinesAndPlanesAndRunsOfNothingGiveNothing)
{
    // 630 bytes of one value in ten runs of 63, each spanning lines and planes.
    const PcxShape s = {9, 21, 3, 10, 0};
    ASSERT_EQ(20u, codeStream(Bytes(630, 0x99)).size());
    PcxImage image;
    ASSERT_EQ(PcxError::None, decode(fileOf(s, codeStream(Bytes(630, 0x99))), image));
    EXPECT_EQ(Bytes(9 * 21 * 3, 0x99), image.picture.pixels);
    // 3 x 2 in lines of 4: 10 10 10 [10] | 10 11 12 [12], with a run of no bytes first.
    ASSERT_EQ(PcxError::None, decode(fileOf({3, 2, 1, 4, 0}, {0xC0, 0x55, 0xC5, 0x10, 0x11, 0xC2, 0x12}), image));
    const PcxPalette p = testPalette();
    const Bytes bgr = image.picture.pixels;
    for (size_t at : {0, 9, 12, 15})
        EXPECT_EQ((Bytes{p[48 + 2], p[48 + 1], p[48]}), Bytes(bgr.begin() + at, bgr.begin() + at + 3)) << at;
    EXPECT_EQ((Bytes{p[54 + 2], p[54 + 1], p[54]}), Bytes(bgr.begin() + 6, bgr.begin() + 9)) << "index 0x12";
}

Bytes patched(Bytes file, size_t at, uint8_t value)
{
    file[at] = value;
    return file;
}

Bytes withHeader(Bytes file, const PcxShape &s)
{
    const Bytes header = headerOf(s);
    std::copy(header.begin(), header.end(), file.begin());
    return file;
}

TEST(Pcx, DamagedAndOtherKindsOfFilesAreRefused)
{
    const Bytes good = pcxFile(EIGHT_BIT), planes = pcxFile(PLANES);
    const size_t paletteAt = good.size() - 769;
    Bytes raw = rawOf(EIGHT_BIT), overrun = codeStream(Bytes(raw.begin(), raw.end() - 1));
    overrun.insert(overrun.end(), {0xC6, raw.back()}); // the last byte as a run of six: five past the end
    Bytes cut = good;
    cut.erase(cut.begin() + paletteAt - 3, cut.begin() + paletteAt);
    Bytes countAlone(planes.begin(), planes.end() - 2); // the padding's run of one, 0xC1 0xEE, without 0xEE
    ASSERT_EQ((Bytes{0xC1, 0xEE}), Bytes(planes.end() - 2, planes.end()));
    countAlone.push_back(0xC1);
    const struct {
        const char *what;
        Bytes file;
        PcxError error;
    } cases[] = {
        {"empty", Bytes(), PcxError::TooShort},
        {"a header cut short", Bytes(good.begin(), good.begin() + 127), PcxError::TooShort},
        {"another maker", patched(good, 0, 'B'), PcxError::NotPcx},
        {"version 3", patched(good, 1, 3), PcxError::BadVersion},
        {"not coded", patched(good, 2, 0), PcxError::BadEncoding},
        {"4 bits", patched(good, 3, 4), PcxError::BadFormat},
        {"1-bit planes", patched(planes, 3, 1), PcxError::BadFormat},
        {"2 planes", patched(good, 65, 2), PcxError::BadFormat},
        {"4 planes", patched(planes, 65, 4), PcxError::BadFormat},
        {"right edge before the left", withHeader(good, {0, 3, 1, 6, 9}), PcxError::BadSize},
        {"bottom edge before the top", patched(good, 6, 3), PcxError::BadSize},
        {"too wide", withHeader(good, {8193, 3, 1, 8194, 0}), PcxError::TooLarge},
        {"too many pixels", withHeader(planes, {4097, 4097, 3, 4098, 0}), PcxError::TooLarge},
        {"lines shorter than the width", withHeader(good, {5, 3, 1, 4, 0}), PcxError::BadLineBytes},
        {"a bad palette marker", patched(good, paletteAt, 0x0B), PcxError::NoPalette},
        {"no room for a palette", Bytes(good.begin(), good.begin() + 128 + 768), PcxError::NoPalette},
        {"8-bit pixels cut short", cut, PcxError::Truncated},
        {"24-bit pixels cut short", Bytes(planes.begin(), planes.end() - 1), PcxError::Truncated},
        {"a count without its byte", countAlone, PcxError::Truncated},
        {"far too little for the size", withHeader(planes, {4096, 4096, 3, 4096, 0}), PcxError::Truncated},
        {"a run past the end", fileOf(EIGHT_BIT, overrun), PcxError::RunPastEnd},
    };
    for (const auto &c : cases) {
        PcxImage image;
        image.paletted = true;
        EXPECT_EQ(c.error, decode(c.file, image)) << c.what;
        EXPECT_TRUE(image.picture.width == 0 && image.picture.pixels.empty() && !image.paletted) << c.what;
    }
    PcxImage image;
    EXPECT_EQ(PcxError::TooShort, decodePcx(nullptr, 500, image));
}

// The plain search the grid of candidate lists must agree with: the lowest index among the nearest.
uint8_t nearestByPlainSearch(const PcxPalette &palette, const uint8_t *bgr)
{
    int best = 1 << 30, index = 0;
    for (int i = 0; i < 256; ++i) {
        const int r = palette[i * 3] - bgr[2], g = palette[i * 3 + 1] - bgr[1], b = palette[i * 3 + 2] - bgr[0];
        if (r * r + g * g + b * b < best)
            best = r * r + g * g + b * b, index = i;
    }
    return uint8_t(index);
}

TEST(Pcx, UntouchedTexelsComeBackExactlyThroughTheFilesOwnPalette)
{
    PcxImage image, again;
    ASSERT_EQ(PcxError::None, decode(pcxFile({33, 17, 1, 34, 0}), image));
    Picture painted = image.picture;
    const size_t strokes[] = {0, 40, 41, 100, 33 * 17 - 1};
    for (size_t texel : strokes)
        painted.pixels[texel * 3] = 1, painted.pixels[texel * 3 + 1] = 2, painted.pixels[texel * 3 + 2] = 250;
    ASSERT_EQ(PcxError::None, decode(encodePcx(painted, image.palette), again));
    EXPECT_EQ(image.palette, again.palette);
    Bytes expected = image.picture.pixels;
    const uint8_t paint[3] = {1, 2, 250};
    const uint8_t *nearest = &image.palette[nearestByPlainSearch(image.palette, paint) * 3];
    for (size_t texel : strokes)
        expected[texel * 3] = nearest[2], expected[texel * 3 + 1] = nearest[1], expected[texel * 3 + 2] = nearest[0];
    EXPECT_EQ(expected, again.picture.pixels);
}

TEST(Pcx, WrittenFilesAreVersion5WithEvenLinesRunsWithinThemAndThePaletteLast)
{
    // Two lines of 131 pixels of index 0x20, the lower one with a lone 0xC5 second.
    const PcxPalette p = testPalette();
    Picture picture;
    picture.width = 131, picture.height = 2;
    for (size_t i = 0; i < 262; ++i) {
        const size_t index = i == 1 ? 0xC5 : 0x20;
        picture.pixels.insert(picture.pixels.end(), {p[index * 3 + 2], p[index * 3 + 1], p[index * 3]});
    }
    const Bytes file = encodePcx(picture, p);
    ASSERT_GT(file.size(), 128u + 769u);
    EXPECT_EQ((Bytes{0x0A, 5, 1, 8, 0, 0, 0, 0, 130, 0, 1, 0}), Bytes(file.begin(), file.begin() + 12));
    EXPECT_EQ((Bytes{1, 132, 0}), Bytes(file.begin() + 65, file.begin() + 68)) << "one plane, 132 bytes a line";
    const Bytes expected = {0xFF, 0x20, 0xFF, 0x20, 0xC5, 0x20, 0x00,             // top: 63 + 63 + 5, padding
                            0x20, 0xC1, 0xC5, 0xFF, 0x20, 0xFF, 0x20, 0xC3, 0x20, 0x00}; // 1, 0xC5, 63 + 63 + 3
    EXPECT_EQ(expected, Bytes(file.begin() + 128, file.end() - 769));
    EXPECT_EQ(0x0C, file[file.size() - 769]);
    EXPECT_EQ(Bytes(p.begin(), p.end()), Bytes(file.end() - 768, file.end()));
}

TEST(Pcx, NearestColoursMatchAPlainSearchOfThePalette)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 12; ++round) {
        // Spread, clustered (many near ties) and of few values (exact ties).
        PcxPalette palette;
        for (uint8_t &v : palette)
            v = uint8_t(round % 3 == 0 ? random() : round % 3 == 1 ? 100 + random() % 24 : random() % 4 * 85);
        Picture picture;
        picture.width = 61, picture.height = 37;
        for (size_t i = 0; i < size_t(61 * 37 * 3); ++i)
            picture.pixels.push_back(i < 24 ? uint8_t(i % 2 * 255) : uint8_t(random()));
        const std::vector<uint8_t> indices = indexPixels(picture, palette);
        ASSERT_EQ(size_t(61 * 37), indices.size());
        for (size_t i = 0; i < indices.size(); ++i)
            ASSERT_EQ(nearestByPlainSearch(palette, &picture.pixels[i * 3]), indices[i]) << round << ", " << i;
    }
}

// The largest difference in any channel once the picture is written with the palette (by default its built one)
// and read back.
int worstChannelError(const Picture &picture, const PcxPalette *palette = nullptr)
{
    PcxImage image;
    EXPECT_EQ(PcxError::None, decode(encodePcx(picture, palette ? *palette : buildPcxPalette(picture)), image));
    int worst = 0;
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(picture.pixels[i]) - int(image.picture.pixels[i])));
    return worst;
}

Picture pictureOf(int32_t width, int32_t height, uint8_t (*channel)(size_t i, int c))
{
    Picture picture;
    picture.width = width, picture.height = height;
    for (size_t i = 0; i < size_t(width) * size_t(height) * 3; ++i)
        picture.pixels.push_back(channel(i / 3, int(i % 3)));
    return picture;
}

// Channel c (blue, green, red) of pixel i: 35 colours over 7 x 5, red on blue; 256 colours in a row; 4096 in a
// 64 x 64 gradient.
uint8_t fewColours(size_t i, int c)
{
    return uint8_t(c == 0 ? 200 - i / 7 * 40 : c == 1 ? i * 10 : i % 7 * 40);
}

uint8_t allColours(size_t i, int c)
{
    return uint8_t(c == 0 ? i : c == 1 ? 255 - i : i * 3);
}

uint8_t gradient(size_t i, int c)
{
    return uint8_t(c == 0 ? 128 : c == 1 ? i / 64 * 4 : i % 64 * 4);
}

TEST(Pcx, BuiltPalettesAreExactUpTo256ColoursAndCloseBeyond)
{
    // Their own colours in the order first met from the bottom row, then black.
    const Picture few = pictureOf(7, 5, fewColours);
    const PcxPalette palette = buildPcxPalette(few);
    EXPECT_EQ((Bytes{0, 0, 200, 40, 10, 200}), Bytes(palette.begin(), palette.begin() + 6));
    EXPECT_EQ(Bytes(3 * 221, 0), Bytes(palette.begin() + 3 * 35, palette.end()));
    EXPECT_EQ(0, worstChannelError(few));
    const Picture full = pictureOf(256, 1, allColours);
    EXPECT_EQ(0, worstChannelError(full));
    Picture more = full; // a 257th colour sends it through the median cut
    more.width = 257;
    more.pixels.insert(more.pixels.end(), {1, 1, 1});
    EXPECT_GT(worstChannelError(more), 0);
    EXPECT_LE(worstChannelError(more), 3);
    // 4096 colours fill the palette, the same every time, each pixel close to its colour.
    const Picture smooth = pictureOf(64, 64, gradient);
    EXPECT_EQ(buildPcxPalette(smooth), buildPcxPalette(smooth));
    EXPECT_LE(worstChannelError(smooth), 10);
}

// The choosers' lists are checked end to end, where the user sees them.
TEST(Pcx, LoadersFindPcxByNameOrByFirstBytes)
{
    const Bytes pcx = pcxFile(EIGHT_BIT), other = {'B', 'M', 0, 0}, older = {0x0A, 3, 1, 8};
    EXPECT_EQ(PictureFormat::Pcx, pictureFormatOf("C:\\skins\\a.PCX", other.data(), other.size()));
    EXPECT_EQ(PictureFormat::Pcx, pictureFormatOf("a.bmp", pcx.data(), pcx.size()));
    EXPECT_EQ(PictureFormat::Tga, pictureFormatOf("a.tga", pcx.data(), pcx.size())) << "TGA goes by its name";
    EXPECT_EQ(PictureFormat::Bmp, pictureFormatOf("a.dat", older.data(), older.size()));
    EXPECT_EQ(PictureFormat::Pcx, savedFormatOf("a.pCx"));
}

TEST(Pcx, TexturesAndPatternsLoadFromPcxAndDamagedOnesAreSaidToBe)
{
    const Bytes planes = pcxFile(PLANES), even = pcxFile({4, 2, 3, 4, 0});
    Picture picture;
    ASSERT_EQ(nullptr, decodeTextureFile("skin.dat", planes.data(), planes.size(), picture));
    EXPECT_EQ(expectedPixels(PLANES), picture.pixels);
    ASSERT_EQ(nullptr, decodePicture(planes.data(), planes.size(), picture));
    const Bytes damaged = patched(planes, 65, 2), bmp = {'B', 'M', 1, 2, 3};
    for (const Bytes &file : {damaged, bmp}) {
        EXPECT_EQ(MSG_PICTURE_DAMAGED, decodeTextureFile("skin.pcx", file.data(), file.size(), picture));
        PatternImage image{};
        EXPECT_EQ(MSG_PICTURE_DAMAGED, decodePatternFile("p.pcx", file.data(), file.size(), image));
    }
    EXPECT_EQ(MSG_PICTURE_DAMAGED, decodePicture(damaged.data(), damaged.size(), picture));
    PatternImage image{};
    ASSERT_EQ(nullptr, decodePatternFile("p.pcx", even.data(), even.size(), image));
    EXPECT_EQ(expectedPixels({4, 2, 3, 4, 0}), image.pixels);
    EXPECT_STREQ("Pattern incorrect, width must be multiple of 2",
                 decodePatternFile("p.pcx", planes.data(), planes.size(), image));
}

TEST(Pcx, TexturesOfFewColoursSavedAsPcxLoadBackExactly)
{
    Bytes bgr(SKIN_BYTES);
    for (size_t i = 0; i < SKIN_PIXELS; ++i) // 64 colours in squares of 32
        bgr[i * 3] = uint8_t(i / 256 / 32 * 30), bgr[i * 3 + 1] = 77, bgr[i * 3 + 2] = uint8_t(i % 256 / 32 * 31);
    initSkinStore();
    replaceTexture(256, 256, bgr.data());
    const Bytes file = encodeTextureAs(savedFormatOf("t.pcx"), skinGL, skinHeader);
    Picture picture;
    ASSERT_EQ(nullptr, decodeTextureFile("t.pcx", file.data(), file.size(), picture));
    EXPECT_EQ(SKIN_SIDE, picture.width);
    EXPECT_EQ(bgr, picture.pixels);
    picture.pixels.pop_back();
    EXPECT_TRUE(encodePicture(PictureFormat::Pcx, picture).empty());
}

TEST(Pcx, TexturesFrom8BitFilesSaveWithTheirPaletteAnd24BitOnesAreNotWrittenBack)
{
    const PcxShape s = {9, 8, 1, 10, 0};
    const Bytes file = pcxFile(s), planes = pcxFile(PLANES);
    Picture picture;
    TextureOrigin origin;
    ASSERT_EQ(nullptr, decodeTextureFile("skin.pcx", planes.data(), planes.size(), picture, origin));
    EXPECT_EQ(PictureFormat::Pcx, origin.format);
    EXPECT_TRUE(picture.exact);
    EXPECT_FALSE(origin.writesBack) << "the writer would make 256 colours of a 24-bit file";
    EXPECT_TRUE(origin.swatches.empty());
    ASSERT_EQ(nullptr, decodeTextureFile("skin.dat", file.data(), file.size(), picture, origin));
    EXPECT_EQ(PictureFormat::Pcx, origin.format);
    EXPECT_TRUE(origin.writesBack);
    const PcxPalette palette = testPalette();
    EXPECT_EQ(Bytes(palette.begin(), palette.end()), origin.swatches);

    // One texel painted in palette colour 200, which the picture does not use; saved with the kept palette, the
    // file holds that palette and every texel comes back. A palette built from the texture would differ.
    std::copy(&palette[600], &palette[603], picture.pixels.rbegin());
    PcxImage image;
    ASSERT_EQ(PcxError::None, decode(encodePaletted(PictureFormat::Pcx, picture,
                                                    chooseSavePalette(picture, origin.swatches).palette), image));
    EXPECT_EQ(palette, image.palette);
    EXPECT_EQ(picture.pixels, image.picture.pixels);
    ASSERT_EQ(PcxError::None, decode(encodePicture(PictureFormat::Pcx, picture), image));
    EXPECT_NE(palette, image.palette);
}

// A picture of one row whose pixels are the given entries of the palette.
Picture rowOfEntries(const PcxPalette &palette, const std::vector<size_t> &entries)
{
    Picture picture;
    picture.width = int32_t(entries.size()), picture.height = 1;
    for (size_t e : entries)
        picture.pixels.insert(picture.pixels.end(), {palette[e * 3 + 2], palette[e * 3 + 1], palette[e * 3]});
    return picture;
}

// The loaded file's entries stay in their places; new colours go past them first, then into the places of colours
// no longer used; past 256 colours the kept entries still stay, and only then is the painting not exact.
TEST(Pcx, SavePalettesKeepTheLoadedEntriesAndAddNewColoursWhileThereIsRoom)
{
    const PcxPalette big = testPalette();
    const Bytes four(big.begin(), big.begin() + 12), all(big.begin(), big.end());
    Picture painted = rowOfEntries(big, {3, 0, 2, 201, 200, 3}); // 200, 201: colours the 4-entry file lacks
    SavePalette chosen = chooseSavePalette(painted, four);
    EXPECT_TRUE(chosen.exact);
    EXPECT_EQ(5u, chosen.colours);
    EXPECT_EQ(four, Bytes(chosen.palette.begin(), chosen.palette.begin() + 12)) << "unused entry 1 kept too";
    EXPECT_EQ((Bytes{3, 0, 2, 5, 4, 3}), indexPixels(painted, chosen.palette));

    // 250 of a full palette's entries and 6 new colours: those take the 6 unused places.
    std::vector<size_t> entries;
    for (size_t e = 0; e < 250; ++e)
        entries.push_back(e);
    Picture full = rowOfEntries(big, entries);
    for (uint8_t n = 0; n < 6; ++n)
        full.pixels.insert(full.pixels.end(), {n, 1, 1}), ++full.width;
    chosen = chooseSavePalette(full, all);
    EXPECT_TRUE(chosen.exact);
    EXPECT_EQ(Bytes(big.begin(), big.begin() + 750), Bytes(chosen.palette.begin(), chosen.palette.begin() + 750));
    PcxImage image;
    ASSERT_EQ(PcxError::None, decode(encodePcx(full, chosen.palette), image));
    EXPECT_EQ(full.pixels, image.picture.pixels);

    // A 257th colour: reduced, the full palette as it was; with 4 kept entries, those stay and the rest is chosen.
    full.pixels.insert(full.pixels.end(), {9, 9, 9}), ++full.width;
    chosen = chooseSavePalette(full, all);
    EXPECT_FALSE(chosen.exact);
    EXPECT_EQ(257u, chosen.colours);
    EXPECT_EQ(big, chosen.palette);
    chosen = chooseSavePalette(full, four);
    EXPECT_FALSE(chosen.exact);
    EXPECT_EQ(four, Bytes(chosen.palette.begin(), chosen.palette.begin() + 12));
    EXPECT_LE(worstChannelError(full, &chosen.palette), 4) << "the places past them fit the painting";
    EXPECT_EQ("The painting has 257 colours; PCX keeps 256. Reduce it?", reduceColoursQuestion(257, "PCX"));
}

// An 8-bit BMP is written with its palette and reads back exactly with it, at a third of the size.
TEST(Pcx, EightBitBmpFilesReadBackWithTheirPalette)
{
    const Picture few = pictureOf(7, 5, fewColours);
    const PcxPalette palette = chooseSavePalette(few, {}).palette;
    const Bytes file = encodePaletted(PictureFormat::Bmp, few, palette);
    EXPECT_EQ(size_t(54 + 1024 + 8 * 5), file.size());
    Picture read;
    TextureOrigin origin;
    ASSERT_EQ(nullptr, decodeTextureFile("skin.bmp", file.data(), file.size(), read, origin));
    EXPECT_EQ(few.pixels, read.pixels);
    EXPECT_TRUE(origin.writesBack);
    EXPECT_EQ(Bytes(palette.begin(), palette.end()), origin.swatches);
}

} // namespace
