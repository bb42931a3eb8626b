// Tests of the pattern tint and the stamp into the skin buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/brush.h"
#include "texture/active_layer.h"
#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

namespace {

class StampTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
    }
    void TearDown() override { resetPatternStore(); }
};

// A pattern whose every pixel is the same blue, green, red.
PatternImage solidPattern(int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r)
{
    PatternImage image{w, h, {}};
    for (int32_t i = 0; i < w * h; ++i) {
        image.pixels.push_back(b);
        image.pixels.push_back(g);
        image.pixels.push_back(r);
    }
    return image;
}

void setPixel(PatternImage &image, int32_t j, int32_t i, uint8_t b, uint8_t g, uint8_t r)
{
    uint8_t *p = image.pixels.data() + (static_cast<size_t>(i) * image.width + j) * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

// Puts one colour (red, green, blue) at texel (x, y) of all three buffers.
void setTexel(int x, int y, uint8_t r, uint8_t g, uint8_t b)
{
    size_t at = (static_cast<size_t>(y) * 256 + x) * 3;
    skinBase[at] = skinShown[at] = b;
    skinBase[at + 1] = skinShown[at + 1] = g;
    skinBase[at + 2] = skinShown[at + 2] = r;
    skinGL[at] = r;
    skinGL[at + 1] = g;
    skinGL[at + 2] = b;
    resetTextureLayers(skinWidth, skinHeight, skinBase);   // the painters write the layer
}

const uint8_t *glTexel(int x, int y)
{
    return skinGL + (static_cast<size_t>(y) * 256 + x) * 3;
}

// skinShown equals skinBase, and skinGL holds the same colours with red and blue exchanged.
bool buffersAgree()
{
    if (std::memcmp(skinShown, skinBase, SKIN_BYTES) != 0)
        return false;
    for (size_t i = 0; i < SKIN_BYTES; i += 3)
        if (skinGL[i] != skinBase[i + 2] || skinGL[i + 1] != skinBase[i + 1] || skinGL[i + 2] != skinBase[i])
            return false;
    return true;
}

TEST_F(StampTest, TintIsAScreenBlendPairedByColour)
{
    struct Case {
        uint8_t source, pen, brush;
    };
    const Case cases[] = {
        {0, 170, 170}, {128, 119, 188}, {255, 37, 255}, {91, 0, 91}, {91, 255, 255}, {0, 0, 0}, {200, 100, 222},
    };
    for (const Case &c : cases) {
        // The pen's colour goes into the red byte of the pattern only; the others stay untinted.
        ASSERT_TRUE(installPattern(solidPattern(2, 2, c.source, c.source, c.source)));
        brushSettings.penColor[0] = c.pen;
        brushSettings.penColor[1] = 0;
        brushSettings.penColor[2] = 0;
        tintBrush(brushSettings.penColor);
        EXPECT_EQ(patternBrush[2], c.brush) << int(c.source) << " with " << int(c.pen);
        EXPECT_EQ(patternBrush[0], c.source);
        EXPECT_EQ(patternBrush[1], c.source);
    }
}

TEST_F(StampTest, TintOfABlackPatternIsThePenColour)
{
    ASSERT_TRUE(installPattern(solidPattern(4, 2, 0, 0, 0)));
    brushSettings.penColor[0] = 10;    // red
    brushSettings.penColor[1] = 119;   // green
    brushSettings.penColor[2] = 170;   // blue
    tintBrush(brushSettings.penColor);
    for (int p = 0; p < 8; ++p) {
        EXPECT_EQ(patternBrush[3 * p], 170);
        EXPECT_EQ(patternBrush[3 * p + 1], 119);
        EXPECT_EQ(patternBrush[3 * p + 2], 10);
    }
}

TEST_F(StampTest, BlackPenKeepsThePatternWhitePenWhitensIt)
{
    std::mt19937 rng(7);
    PatternImage image = solidPattern(6, 4, 0, 0, 0);
    for (uint8_t &b : image.pixels)
        b = static_cast<uint8_t>(rng());
    ASSERT_TRUE(installPattern(image));
    brushSettings.penColor[0] = brushSettings.penColor[1] = brushSettings.penColor[2] = 0;
    std::memset(patternBrush, 3, 72);
    tintBrush(brushSettings.penColor);
    EXPECT_EQ(std::memcmp(patternBrush, image.pixels.data(), 72), 0);
    brushSettings.penColor[0] = brushSettings.penColor[1] = brushSettings.penColor[2] = 255;
    tintBrush(brushSettings.penColor);
    for (int i = 0; i < 72; ++i)
        EXPECT_EQ(patternBrush[i], 255) << i;
    untintBrush();
    EXPECT_EQ(std::memcmp(patternBrush, image.pixels.data(), 72), 0);
}

TEST_F(StampTest, AmountsSaturate)
{
    // Only pixel (1, 1) of the 2 x 2 brush carries an amount; it lands on the stamp point.
    PatternImage image = solidPattern(2, 2, 255, 255, 255);
    setPixel(image, 1, 1, 155, 155, 155);   // amount 100
    ASSERT_TRUE(installPattern(image));
    setTexel(50, 60, 200, 50, 120);
    stampPattern(50, 60, STAMP_BRIGHTEN);
    EXPECT_EQ(glTexel(50, 60)[0], 255);
    EXPECT_EQ(glTexel(50, 60)[1], 150);
    EXPECT_EQ(glTexel(50, 60)[2], 220);
    setTexel(50, 60, 200, 50, 120);
    stampPattern(50, 60, STAMP_DARKEN);
    EXPECT_EQ(glTexel(50, 60)[0], 100);
    EXPECT_EQ(glTexel(50, 60)[1], 0);
    EXPECT_EQ(glTexel(50, 60)[2], 20);
    EXPECT_TRUE(buffersAgree());
}

TEST_F(StampTest, AmountsPairByColourInEveryBuffer)
{
    PatternImage image = solidPattern(2, 2, 255, 255, 255);
    setPixel(image, 1, 1, 245, 235, 225);   // amounts blue 10, green 20, red 30
    ASSERT_TRUE(installPattern(image));
    stampPattern(9, 9, STAMP_DARKEN);
    const uint8_t *base = skinBase + (9 * 256 + 9) * 3;
    EXPECT_EQ(base[0], 245);
    EXPECT_EQ(base[1], 235);
    EXPECT_EQ(base[2], 225);
    EXPECT_EQ(glTexel(9, 9)[0], 225);
    EXPECT_EQ(glTexel(9, 9)[1], 235);
    EXPECT_EQ(glTexel(9, 9)[2], 245);
    EXPECT_TRUE(buffersAgree());
}

TEST_F(StampTest, BlackAndWhiteBrushPixels)
{
    PatternImage image = solidPattern(2, 2, 255, 255, 255);
    setPixel(image, 1, 1, 0, 0, 0);
    ASSERT_TRUE(installPattern(image));
    setTexel(30, 30, 90, 100, 110);
    stampPattern(30, 30, STAMP_DARKEN);
    EXPECT_EQ(std::memcmp(glTexel(30, 30), "\0\0\0", 3), 0);
    stampPattern(30, 30, 7);   // any mode other than darken brightens
    EXPECT_EQ(std::memcmp(glTexel(30, 30), "\xff\xff\xff", 3), 0);
    // The white pixels fell on (29, 29), (30, 29), (29, 30) and changed nothing there.
    setTexel(30, 30, 255, 255, 255);
    EXPECT_TRUE(buffersAgree());
    for (size_t i = 0; i < SKIN_BYTES; ++i)
        ASSERT_EQ(skinGL[i], 255) << i;
}

TEST_F(StampTest, TintedBrushPaintsThePenColourOnWhite)
{
    PatternImage image = solidPattern(4, 4, 255, 255, 255);
    setPixel(image, 2, 2, 0, 0, 0);
    ASSERT_TRUE(installPattern(image));
    tintBrush(brushSettings.penColor);   // default pen 0, 119, 170
    stampPattern(100, 100, STAMP_DARKEN);
    EXPECT_EQ(glTexel(100, 100)[0], 0);
    EXPECT_EQ(glTexel(100, 100)[1], 119);
    EXPECT_EQ(glTexel(100, 100)[2], 170);
    setTexel(100, 100, 255, 255, 255);
    for (size_t i = 0; i < SKIN_BYTES; ++i)
        ASSERT_EQ(skinGL[i], 255) << i;
}

TEST_F(StampTest, CornerTexelReceives33By33Amounts)
{
    // Amount 1 at every seventh pixel, so even the corner stays below saturation; the expected
    // value of each texel is counted independently from where the pattern pixels land.
    PatternImage image = solidPattern(64, 64, 255, 255, 255);
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 64; ++j)
            if ((i * 64 + j) % 7 == 0)
                setPixel(image, j, i, 254, 254, 254);
    ASSERT_TRUE(installPattern(image));
    std::memset(skinBase, 0, SKIN_BYTES);
    std::memset(skinShown, 0, SKIN_BYTES);
    std::memset(skinGL, 0, SKIN_BYTES);
    resetTextureLayers(skinWidth, skinHeight, skinBase);
    stampPattern(0, 0, STAMP_BRIGHTEN);

    int corner = 0;
    for (int i = 0; i <= 32; ++i)
        for (int j = 0; j <= 32; ++j)
            corner += (i * 64 + j) % 7 == 0;
    EXPECT_EQ(glTexel(0, 0)[0], corner);

    // Pattern column j lands on texel column max(0, j - 32), likewise rows.
    std::vector<int> count(256 * 256, 0);
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 64; ++j)
            if ((i * 64 + j) % 7 == 0)
                ++count[std::max(0, i - 32) * 256 + std::max(0, j - 32)];
    for (int t = 0; t < 256 * 256; ++t)
        ASSERT_EQ(skinGL[3 * t], count[t]) << "texel " << t % 256 << ", " << t / 256;
    EXPECT_TRUE(buffersAgree());
}

TEST_F(StampTest, Pattern64By16CoversItsRectangle)
{
    ASSERT_TRUE(installPattern(solidPattern(64, 16, 0, 0, 0)));
    stampPattern(100, 100, STAMP_DARKEN);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            bool inside = x >= 68 && x <= 131 && y >= 92 && y <= 107;
            ASSERT_EQ(glTexel(x, y)[1], inside ? 0 : 255) << x << ", " << y;
        }
    EXPECT_TRUE(buffersAgree());
}

TEST_F(StampTest, FarOffPositionsLandOnTheEdges)
{
    ASSERT_TRUE(installPattern(solidPattern(2, 2, 0, 0, 0)));
    struct Case {
        int32_t x, y;
        int tx, ty;
    };
    const Case cases[] = {
        {INT32_MAX, INT32_MIN, 255, 0}, {INT32_MIN, INT32_MAX, 0, 255}, {65535, -65280, 255, 0}, {-3, 128, 0, 128},
    };
    for (const Case &c : cases) {
        initSkinStore();
        stampPattern(c.x, c.y, STAMP_DARKEN);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                bool hit = x == c.tx && (y == c.ty || (c.tx == 0 && c.ty == 128 && y == 127));
                ASSERT_EQ(glTexel(x, y)[0], hit ? 0 : 255) << c.x << ", " << c.y << " at " << x << ", " << y;
            }
    }
}

TEST_F(StampTest, RandomStampsKeepTheBuffersInStep)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        skinBase[i] = static_cast<uint8_t>(byte(rng));
        skinBase[i + 1] = static_cast<uint8_t>(byte(rng));
        skinBase[i + 2] = static_cast<uint8_t>(byte(rng));
    }
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        skinGL[i] = skinBase[i + 2];
        skinGL[i + 1] = skinBase[i + 1];
        skinGL[i + 2] = skinBase[i];
    }
    std::memcpy(skinShown, skinBase, SKIN_BYTES);
    resetTextureLayers(skinWidth, skinHeight, skinBase);
    const int32_t sides[] = {2, 4, 6, 16, 64, 130, 256};
    const int32_t far[] = {INT32_MIN, -70000, -1, 0, 255, 256, 65535, INT32_MAX};
    std::uniform_int_distribution<int> pick(0, 6), pickFar(0, 7), pos(-200, 455);
    for (int round = 0; round < 40; ++round) {
        PatternImage image = solidPattern(sides[pick(rng)], sides[pick(rng)], 0, 0, 0);
        for (uint8_t &b : image.pixels)
            b = static_cast<uint8_t>(byte(rng));
        ASSERT_TRUE(installPattern(image));
        int32_t x = round % 4 == 0 ? far[pickFar(rng)] : pos(rng);
        int32_t y = round % 5 == 0 ? far[pickFar(rng)] : pos(rng);
        stampPattern(x, y, round % 3 == 0 ? STAMP_BRIGHTEN : STAMP_DARKEN);
        ASSERT_TRUE(buffersAgree()) << "after round " << round;
    }
}

TEST_F(StampTest, FastStampMatchesThePlainOneOnRandomInputs)
{
    std::mt19937 rng(5150);
    std::uniform_int_distribution<int> byte(0, 255), side(1, 256), small(1, 20);
    const int32_t edges[] = {INT32_MIN, -70000, -300, -129, -128, -127, -33, -32, -31, -1, 0, 1, 2, 15, 16,
                             17, 127, 128, 239, 240, 254, 255, 256, 257, 300, 383, 384, 385, 65535, INT32_MAX};
    std::uniform_int_distribution<int> pickEdge(0, sizeof edges / sizeof edges[0] - 1), anywhere(-400, 660);
    for (int round = 0; round < 300; ++round) {
        // Odd texture sizes too: rows of 903 bytes, the pattern's runs ending on the last column.
        ASSERT_TRUE(round % 3 == 1 ? resizeSkinStore(301, 193) : resizeSkinStore(256, 256));
        const size_t bytes = skinByteCount();
        std::vector<uint8_t> start(3 * bytes), plain(3 * bytes);
        int32_t w = round % 3 == 0 ? small(rng) : side(rng);
        int32_t h = round % 4 == 0 ? small(rng) : side(rng);
        PatternImage image{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
        for (uint8_t &b : image.pixels)
            b = static_cast<uint8_t>(round % 2 ? byte(rng) : 255 - byte(rng) / 8);
        ASSERT_TRUE(installPattern(image));
        for (size_t i = 0; i < start.size(); ++i)
            start[i] = static_cast<uint8_t>(byte(rng));
        int32_t x = round % 2 ? edges[pickEdge(rng)] : anywhere(rng);
        int32_t y = round % 3 ? edges[pickEdge(rng)] : anywhere(rng);
        int32_t mode = round % 5 == 0 ? -3 : (round % 2 ? STAMP_DARKEN : STAMP_BRIGHTEN);
        uint8_t *buffers[3] = {skinShown, skinBase, skinGL};
        for (int b = 0; b < 3; ++b)
            std::memcpy(buffers[b], start.data() + b * bytes, bytes);
        resetTextureLayers(skinWidth, skinHeight, skinBase);
        stampPatternReference(x, y, mode);
        for (int b = 0; b < 3; ++b)
            std::memcpy(plain.data() + b * bytes, buffers[b], bytes);
        for (int b = 0; b < 3; ++b)
            std::memcpy(buffers[b], start.data() + b * bytes, bytes);
        resetTextureLayers(skinWidth, skinHeight, skinBase);
        stampPattern(x, y, mode);
        for (int b = 0; b < 3; ++b)
            ASSERT_EQ(std::memcmp(buffers[b], plain.data() + b * bytes, bytes), 0)
                << "buffer " << b << ", pattern " << w << " x " << h << " at " << x << ", " << y << " mode " << mode;
    }
}

TEST_F(StampTest, NothingHappensWithoutBuffers)
{
    resetPatternStore();
    untintBrush();
    tintBrush(brushSettings.penColor);
    stampPattern(100, 100, STAMP_DARKEN);
    stampPattern(100, 100, STAMP_BRIGHTEN);
    stampPatternReference(100, 100, STAMP_DARKEN);
    for (size_t i = 0; i < SKIN_BYTES; ++i)
        ASSERT_EQ(skinGL[i], 255);
    EXPECT_EQ(patternBrush, nullptr);
}

} // namespace
