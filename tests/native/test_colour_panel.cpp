// The colour panel: hue, saturation and value both ways, the recent colours and their text, where the parts
// lie and what a click hits, and that the picture shows the colours a click picks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "paint/colour_panel.h"

namespace {

const Hsv NO_HSV = {0, 0, 0};

Rgb pixelColour(uint32_t pixel)
{
    return {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)};
}

bool within(const PanelRect &inner, const PanelRect &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.left < inner.right && inner.top < inner.bottom;
}

bool apart(const PanelRect &a, const PanelRect &b)
{
    return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
}

}  // namespace

TEST(ColourPanel, KnownColoursConvertBothWays)
{
    const struct {
        Rgb rgb;
        Hsv hsv;
    } cases[] = {{{255, 0, 0}, {0, 1, 1}},       {{255, 255, 0}, {60, 1, 1}}, {{0, 255, 0}, {120, 1, 1}},
                 {{0, 0, 255}, {240, 1, 1}},     {{255, 0, 255}, {300, 1, 1}}, {{128, 64, 64}, {0, 0.5, 128 / 255.0}},
                 {{0, 119, 170}, {198, 1, 170 / 255.0}}};
    for (const auto &c : cases) {
        const Hsv got = hsvFromRgb(c.rgb, NO_HSV);
        EXPECT_NEAR(c.hsv.hue, got.hue, 1.0);
        EXPECT_NEAR(c.hsv.saturation, got.saturation, 1e-9);
        EXPECT_NEAR(c.hsv.value, got.value, 1e-9);
        EXPECT_EQ(c.rgb, rgbFromHsv(c.hsv));
    }
    EXPECT_EQ((Rgb{255, 0, 0}), rgbFromHsv({360, 1, 1}));
    EXPECT_EQ((Rgb{255, 0, 0}), rgbFromHsv({-360, 1, 1}));
}

TEST(ColourPanel, EveryColourOfAGridComesBackExactly)
{
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 5) {
                const Rgb c = {uint8_t(r), uint8_t(g), uint8_t(b)};
                ASSERT_EQ(c, rgbFromHsv(hsvFromRgb(c, NO_HSV))) << r << " " << g << " " << b;
            }
}

TEST(ColourPanel, GreysKeepTheHueAndBlackTheSaturationToo)
{
    const Hsv kept = {200, 0.75, 0.5};
    const Hsv grey = hsvFromRgb({90, 90, 90}, kept), black = hsvFromRgb({0, 0, 0}, kept);
    EXPECT_EQ(200, grey.hue);
    EXPECT_EQ(0, grey.saturation);
    EXPECT_EQ(200, black.hue);
    EXPECT_EQ(0.75, black.saturation);
    EXPECT_EQ(0, black.value);
    // The panel keeps its own fractions while they give the pen colour, and reads a new pen colour afresh.
    const Hsv dragged = {123.4, 0.001, 0.5};
    EXPECT_EQ(123.4, followPenColour(dragged, rgbFromHsv(dragged)).hue);
    EXPECT_NEAR(0, followPenColour(dragged, {255, 0, 0}).hue, 1e-9);
}

TEST(ColourPanel, RecentColoursPutTheLastFirstMoveRepeatsAndDropTheOldest)
{
    RecentColours recent = {};
    for (int i = 0; i < RECENT_COLOURS + 2; ++i)
        EXPECT_TRUE(noteColourUsed(recent, {uint8_t(i), 0, 0}));
    ASSERT_EQ(RECENT_COLOURS, recent.count);
    EXPECT_EQ(RECENT_COLOURS + 1, recent.colours[0].red);
    EXPECT_EQ(2, recent.colours[RECENT_COLOURS - 1].red);
    EXPECT_FALSE(noteColourUsed(recent, {RECENT_COLOURS + 1, 0, 0}));
    EXPECT_TRUE(noteColourUsed(recent, {5, 0, 0}));
    const int expected[] = {5, 13, 12, 11, 10, 9, 8, 7, 6, 4, 3, 2};
    for (int i = 0; i < RECENT_COLOURS; ++i)
        EXPECT_EQ(expected[i], recent.colours[i].red) << i;
}

TEST(ColourPanel, RecentColoursReadBackFromTheirTextAndSkipWhatIsNotAColour)
{
    RecentColours recent = {};
    noteColourUsed(recent, {0x12, 0xAB, 0xFF});
    noteColourUsed(recent, {0, 119, 170});
    EXPECT_EQ("0077aa,12abff", encodeRecentColours(recent));
    const RecentColours back = decodeRecentColours(encodeRecentColours(recent));
    ASSERT_EQ(2, back.count);
    EXPECT_EQ(recent.colours[1], back.colours[1]);
    const RecentColours odd = decodeRecentColours(" 0077AA ,xyz,12345,0077aa,,1234567,ffffff");
    ASSERT_EQ(2, odd.count);
    EXPECT_EQ((Rgb{255, 255, 255}), odd.colours[1]);
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "0000" + std::string(1, "0123456789abcdefghij"[i % 16]) + "0,";
    EXPECT_EQ(RECENT_COLOURS, decodeRecentColours(many).count);
    EXPECT_EQ(0, decodeRecentColours("").count);
}

TEST(ColourPanel, OnlyStrokesOfThePenColourAreRemembered)
{
    EXPECT_TRUE(strokePaintsPenColour(DabKind::pen, false, false));
    EXPECT_TRUE(strokePaintsPenColour(DabKind::pen, true, true));
    EXPECT_FALSE(strokePaintsPenColour(DabKind::pen, true, false));
    EXPECT_FALSE(strokePaintsPenColour(DabKind::eraser, false, false));
}

TEST(ColourPanel, PartsLieInsideThePanelApartAtEverySizeAndPaletteLength)
{
    const int32_t sizes[][2] = {{207, 143}, {241, 154}, {310, 215}, {160, 100}};
    const size_t counts[] = {0, 2, 16, 256};
    for (const auto &size : sizes)
        for (size_t count : counts) {
            const ColourPanelLayout l = layoutColourPanel(size[0], size[1], count);
            const PanelRect panel = {0, 0, size[0], size[1]};
            std::vector<PanelRect> parts = {l.square, l.hueStrip, l.current};
            parts.insert(parts.end(), l.recent, l.recent + RECENT_COLOURS);
            if (count > 0) {
                EXPECT_GT(l.cell, 0) << size[0] << "x" << size[1] << " " << count;
                parts.push_back(l.palette);
            }
            for (size_t i = 0; i < parts.size(); ++i) {
                EXPECT_TRUE(within(parts[i], panel)) << i;
                for (size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_TRUE(apart(parts[i], parts[j])) << i << " " << j;
            }
            EXPECT_GE(l.square.right - l.square.left, 40);
        }
    const ColourPanelLayout tiny = layoutColourPanel(10, 10, 256);
    EXPECT_EQ(0, tiny.cell);
    EXPECT_EQ(PanelPart::none, hitColourPanel(tiny, 5, 5, 0, 256).part);
}

TEST(ColourPanel, ClicksHitThePartAndOnlyFilledSwatches)
{
    const ColourPanelLayout l = layoutColourPanel(207, 143, 19);
    const int32_t columns = l.paletteColumns;
    ASSERT_GT(columns, 0);
    ASSERT_NE(0, 19 % columns) << "the last row must have room for a cell past the last swatch";
    const auto cellX = [&](int32_t i) { return l.palette.left + l.cell * (i % columns); };
    const auto cellY = [&](int32_t i) { return l.palette.top + l.cell * (i / columns); };
    const struct {
        int32_t x, y, recentCount;
        PanelPart part;
        int32_t index;
    } cases[] = {
        {l.square.left, l.square.top, 0, PanelPart::square, 0},
        {l.hueStrip.right - 1, l.hueStrip.bottom - 1, 0, PanelPart::hueStrip, 0},
        {l.current.left + 1, l.current.top + 1, 0, PanelPart::current, 0},
        {l.recent[3].left, l.recent[3].top, 4, PanelPart::recent, 3},
        {l.recent[3].left, l.recent[3].top, 3, PanelPart::none, 0},
        {l.recent[3].right, l.recent[3].top, 12, PanelPart::none, 0},   // the gap between two
        {cellX(18), cellY(18), 0, PanelPart::palette, 18},
        {cellX(19), cellY(19), 0, PanelPart::none, 0},   // past the last
        {0, 0, 12, PanelPart::none, 0},
    };
    for (const auto &c : cases) {
        const PanelHit hit = hitColourPanel(l, c.x, c.y, c.recentCount, 19);
        EXPECT_EQ(c.part, hit.part) << c.x << "," << c.y;
        EXPECT_EQ(c.index, hit.index) << c.x << "," << c.y;
    }
}

TEST(ColourPanel, TheSquareAndTheStripPickTheirCornersAndDragsStopAtTheEdges)
{
    const PanelRect r = {10, 20, 110, 70};
    const Hsv topRight = squareColourAt(r, 109, 20, 30), beyond = squareColourAt(r, 500, -40, 30);
    EXPECT_EQ(1.0, topRight.saturation);
    EXPECT_EQ(1.0, topRight.value);
    EXPECT_EQ(topRight.saturation, beyond.saturation);
    EXPECT_EQ(topRight.value, beyond.value);
    EXPECT_EQ(0.0, squareColourAt(r, 0, 1000, 30).value);
    EXPECT_EQ(0.0, hueAt(r, 0));
    EXPECT_LT(hueAt(r, 1000), 360.0);
    EXPECT_NEAR(180.0, hueAt(r, 45), 1e-9);
}

TEST(ColourPanel, ThePictureShowsWhatEachPixelPicksTheRecentColoursAndTheSwatches)
{
    const int32_t w = 207, h = 143;
    const std::vector<Rgb> swatches = swatchesFromPalette({1, 2, 3, 250, 9, 9, 4});   // a stray byte is no colour
    ASSERT_EQ(2u, swatches.size());
    RecentColours recent = {};
    noteColourUsed(recent, {7, 8, 9});
    const Rgb pen = {0, 119, 170};
    const ColourPanelLook look = {hsvFromRgb(pen, NO_HSV), pen, &recent, &swatches, {240, 240, 240}};
    const ColourPanelLayout l = layoutColourPanel(w, h, swatches.size());
    std::vector<uint32_t> pixels(size_t(w) * h);
    drawColourPanel(l, look, w, h, pixels.data());
    const auto at = [&](int32_t x, int32_t y) { return pixelColour(pixels[size_t(y) * w + x]); };
    // Away from the marks, every pixel of the square and of the strip is the colour a click there picks.
    const int32_t markX = l.square.right - 1, markY = l.square.top + int32_t((1 - look.shown.value) * (l.square.bottom - l.square.top - 1) + 0.5);
    for (int32_t y = l.square.top; y < l.square.bottom; y += 3)
        for (int32_t x = l.square.left; x < l.square.right; x += 2)
            if (std::abs(x - markX) > 4 || std::abs(y - markY) > 4)
                ASSERT_EQ(rgbFromHsv(squareColourAt(l.square, x, y, look.shown.hue)), at(x, y)) << x << "," << y;
    EXPECT_EQ(rgbFromHsv({hueAt(l.hueStrip, l.hueStrip.top + 3), 1, 1}), at(l.hueStrip.left, l.hueStrip.top + 3));
    EXPECT_EQ(pen, at(l.current.left + 3, l.current.top + 3));
    EXPECT_EQ(recent.colours[0], at(l.recent[0].left + 2, l.recent[0].top + 2));
    EXPECT_EQ(look.background, at(l.recent[1].left + 2, l.recent[1].top + 2));
    ASSERT_EQ(2, l.paletteColumns);
    EXPECT_EQ(swatches[1], at(l.palette.left + l.cell, l.palette.top));
    EXPECT_EQ(look.background, at(l.palette.left + l.cell - 1, l.palette.top));   // the gap between swatches
    ColourPanelLook onSwatch = look;
    onSwatch.pen = swatches[1];
    drawColourPanel(l, onSwatch, w, h, pixels.data());
    EXPECT_EQ((Rgb{0, 0, 0}), at(l.palette.left + l.cell, l.palette.top));
    EXPECT_EQ(swatches[1], at(l.palette.left + l.cell + 2, l.palette.top + 2));
}
