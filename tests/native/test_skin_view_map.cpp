// Tests of the zoomable skin view: the pixel-to-texel mapping through zoom and pan, and the composed picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "uv/grid.h"
#include "skin/skin_view_map.h"
#include "tests/native/start_texture.h"

namespace {

uint32_t colourAt(int32_t x, int32_t y)
{
    return (uint32_t(x * 7 + y) & 0xFF) | uint32_t(y * 3 & 0xFF) << 8 | uint32_t((x ^ y) & 0xFF) << 16;
}

// Blue, green, red, rows bottom-up, every texel told apart from its neighbours.
std::vector<uint8_t> makePicture(int32_t w, int32_t h)
{
    std::vector<uint8_t> p;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            p.insert(p.end(), {uint8_t(colourAt(x, y)), uint8_t(colourAt(x, y) >> 8), uint8_t(colourAt(x, y) >> 16)});
    return p;
}

// Triangles with corners on and off the texture, six floats each, each corner within spread of its centre.
std::vector<float> randomTriangles(size_t count, unsigned seed, float spread = 0.7f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> centre(-0.2f, 1.2f), offset(-spread, spread);
    std::vector<float> t;
    for (size_t i = 0; i < count; ++i) {
        float u = centre(rng), v = centre(rng);
        for (int c = 0; c < 3; ++c)
            t.insert(t.end(), {u + offset(rng), v + offset(rng)});
    }
    return t;
}

ViewMap zoomedMap(int32_t tw, int32_t th, int32_t vw, int32_t vh, int32_t step, int32_t x, int32_t y)
{
    ViewMap m = makeViewMap(tw, th, vw, vh);
    while (m.step != step && zoomViewAt(m, x, y, step > m.step ? 1 : -1)) {
    }
    return m;
}

std::vector<int32_t> hitOf(const ViewMap &m, int32_t x, int32_t y)
{
    TexelHit h = texelAtPixel(m, x, y);
    return {h.column, h.row, h.onTexture};
}

std::vector<int32_t> sides(ViewRect r)
{
    return {r.left, r.top, r.right, r.bottom};
}

std::vector<uint32_t> compose(const ViewMap &m, const ViewSource &s, ViewRect area, uint32_t fill = 0xDEADBEEF)
{
    std::vector<uint32_t> screen(size_t(m.viewWidth) * m.viewHeight, fill);
    composeView(m, s, area, screen.data());
    return screen;
}

TEST(ViewMap, FitTakesTheLargestScaleThatFitsCentredOnWholePixels)
{
    struct Case {
        int32_t tw, th, vw, vh, num, den, step;
        std::vector<int32_t> shown;   // the pixels showing the whole texture: left, top, right, bottom
    };
    const Case cases[] = {
        {256, 256, 256, 256, 1, 1, 3, {0, 0, 256, 256}},        {301, 193, 256, 256, 256, 301, -1, {0, 45, 256, 209}},
        {308, 193, 256, 256, 64, 77, -1, {0, 47, 256, 207}},    {8, 13, 256, 256, 256, 13, -1, {49, 0, 207, 256}},
        {2048, 2048, 256, 256, 1, 8, 0, {0, 0, 256, 256}},      {2048, 1000, 1024, 768, 1, 2, 2, {0, 134, 1024, 634}},
        {10, 20, 100, 100, 5, 1, -1, {25, 0, 75, 100}},         {2048, 2048, 100, 100, 25, 512, -1, {0, 0, 100, 100}},
        {256, 256, 384, 384, 3, 2, -1, {0, 0, 384, 384}},       // the start texture at 144 DPI fills its view
    };
    for (const Case &c : cases) {
        ViewMap m = makeViewMap(c.tw, c.th, c.vw, c.vh);
        EXPECT_EQ(std::vector<int32_t>({m.zoom.num, m.zoom.den, m.step}), std::vector<int32_t>({c.num, c.den, c.step}))
            << c.tw << "x" << c.th;
        EXPECT_EQ(sides(pixelsShowingTexels(m, SkinRect{0, 0, c.tw - 1, c.th - 1})), c.shown) << c.tw << "x" << c.th;
    }
    ViewMap m = makeViewMap(256, 256, 256, 256);   // one to one, row 0 at the bottom
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x)
            ASSERT_EQ(hitOf(m, x, y), (std::vector<int32_t>{x, 255 - y, 1})) << x << "," << y;
    EXPECT_EQ(sides(pixelsShowingTexels(m, SkinRect{10, 20, 30, 40})), (std::vector<int32_t>{10, 215, 31, 236}));
    m = makeViewMap(301, 193, 256, 256);   // 256/301 from pixel (0, 45), the nearest texel under each pixel
    EXPECT_EQ(hitOf(m, 0, 45), (std::vector<int32_t>{0, 192, 1}));
    EXPECT_EQ(hitOf(m, 255, 208), (std::vector<int32_t>{300, 0, 1}));
    EXPECT_EQ(hitOf(m, 0, 0), (std::vector<int32_t>{0, 245, 0}));   // off the texture: past the nearest edge
}

TEST(ViewMap, TheWheelStepsOnFromAFittedScale)
{
    ViewMap m = makeViewMap(308, 193, 256, 256);   // 64/77, between 1/2 and 1
    ViewMap out = m;
    ASSERT_TRUE(zoomViewAt(m, 100, 100, 1));
    EXPECT_EQ(std::vector<int32_t>({m.zoom.num, m.zoom.den, m.step}), std::vector<int32_t>({1, 1, ZOOM_STEP_ACTUAL}));
    ASSERT_TRUE(zoomViewAt(out, 100, 100, -1));
    EXPECT_EQ(std::vector<int32_t>({out.zoom.num, out.zoom.den, out.step}), std::vector<int32_t>({1, 2, 2}));
    m = makeViewMap(2048, 2048, 100, 100);   // below the smallest step: nothing further out, 1/8 in
    EXPECT_FALSE(zoomViewAt(m, 50, 50, -1));
    ASSERT_TRUE(zoomViewAt(m, 50, 50, 1));
    EXPECT_EQ(m.step, 0);
    m = makeViewMap(8, 8, 1000, 1000);   // 125 pixels a texel, beyond the largest step: only out, to 32
    EXPECT_FALSE(zoomViewAt(m, 50, 50, 1));
    ASSERT_TRUE(zoomViewAt(m, 50, 50, -1));
    EXPECT_EQ(m.step, ZOOM_STEP_COUNT - 1);
}

TEST(ViewMap, ZoomKeepsTheTexelUnderTheCursorAtEveryStep)
{
    const int32_t sizes[][4] = {{301, 193, 256, 256}, {256, 256, 256, 256}, {8, 13, 333, 200}, {2048, 2048, 256, 256}};
    const int32_t cursors[][2] = {{0, 0}, {128, 128}, {255, 3}, {77, 191}, {130, 60}, {1, 254}};
    for (const auto &s : sizes)
        for (const auto &c : cursors) {
            ViewMap m = makeViewMap(s[0], s[1], s[2], s[3]);
            std::vector<int32_t> before = hitOf(m, c[0], c[1]);
            for (int direction : {1, -1})
                while (zoomViewAt(m, c[0], c[1], direction))
                    ASSERT_EQ(hitOf(m, c[0], c[1]), before) << s[0] << " step " << m.step;
            EXPECT_EQ(m.step, 0);
        }
    std::mt19937 rng(5);   // wandering cursors, each zoom about a new point
    ViewMap m = makeViewMap(301, 193, 256, 256);
    for (int i = 0; i < 2000; ++i) {
        int32_t x = int32_t(rng() % 300) - 20, y = int32_t(rng() % 300) - 20;
        std::vector<int32_t> before = hitOf(m, x, y);
        if (zoomViewAt(m, x, y, rng() % 2 ? 1 : -1)) {
            ASSERT_EQ(hitOf(m, x, y), before) << i;
        }
    }
}

TEST(ViewMap, ActualSizeResizeAndPan)
{
    ViewMap m = makeViewMap(2048, 2048, 256, 256);   // 1/8: the view's centre is texture point (1024, 1024)
    showActualSize(m);
    EXPECT_EQ(m.step, ZOOM_STEP_ACTUAL);
    EXPECT_EQ(hitOf(m, 128, 128), (std::vector<int32_t>{1024, 1023, 1}));
    EXPECT_EQ(hitOf(m, 127, 127), (std::vector<int32_t>{1023, 1024, 1}));
    m = makeViewMap(301, 193, 256, 256);   // fitted: a new size fits it again, until a zoom or a pan
    resizeView(m, 602, 386);
    EXPECT_EQ(std::vector<int32_t>({m.zoom.num, m.zoom.den}), std::vector<int32_t>({2, 1}));
    panView(m, 1, 0);
    resizeView(m, 301, 193);
    EXPECT_EQ(std::vector<int32_t>({m.zoom.num, m.zoom.den}), std::vector<int32_t>({2, 1}));
    m = makeViewMap(256, 256, 256, 256);
    showActualSize(m);
    resizeView(m, 512, 300);
    for (int32_t k = -3; k <= 3; ++k)
        EXPECT_EQ(hitOf(m, 256 + k, 150 + 2 * k), (std::vector<int32_t>{128 + k, 127 - 2 * k, 1}));
    resizeView(m, 256, 256);
    EXPECT_EQ(hitOf(m, 0, 0), (std::vector<int32_t>{0, 255, 1}));
    EXPECT_EQ(hitOf(m, 255, 255), (std::vector<int32_t>{255, 0, 1}));
    for (int32_t step : {0, 3, 5, 12}) {   // a pan moves the picture by whole pixels at every step
        ViewMap before = zoomedMap(301, 193, 256, 256, step, 90, 101), panned = before;
        panView(panned, 7, -5);
        for (int32_t y = 0; y < 256; y += 3)
            for (int32_t x = 0; x < 256; x += 5)
                ASSERT_EQ(hitOf(panned, x + 7, y - 5), hitOf(before, x, y)) << step;
    }
}

TEST(ViewMap, TexelRectanglesCoverExactlyThePixelsShowingThem)
{
    const SkinRect rects[] = {{0, 0, 0, 0}, {5, 7, 40, 9}, {-10, -10, 400, 400}, {299, 190, 310, 200},
                              {400, 10, 500, 20}};   // the last lies off the texture: no pixels
    for (int32_t step = 0; step < ZOOM_STEP_COUNT; ++step) {
        ViewMap m = zoomedMap(301, 193, 256, 200, step, 150, 61);
        panView(m, 3, -7);
        for (const SkinRect &t : rects) {
            ViewRect r = pixelsShowingTexels(m, t);
            for (int32_t y = 0; y < 200; ++y)
                for (int32_t x = 0; x < 256; ++x) {
                    TexelHit h = texelAtPixel(m, x, y);
                    bool shows = h.onTexture && h.column >= t.left && h.column <= t.right && h.row >= t.bottom &&
                                 h.row <= t.top;
                    ASSERT_EQ(shows, x >= r.left && x < r.right && y >= r.top && y < r.bottom)
                        << "step " << step << " texels " << t.left << "," << t.bottom << " pixel " << x << "," << y;
                }
        }
        TexelHit h = texelAtPixel(m, 120, 100);   // a magnified texel is a square of exactly num pixels
        ViewRect one = pixelsShowingTexels(m, SkinRect{h.column, h.row, h.column, h.row});
        if (zoomSteps[step].num >= zoomSteps[step].den) {
            EXPECT_EQ(sides(one), (std::vector<int32_t>{one.left, one.top, one.left + zoomSteps[step].num,
                                                        one.top + zoomSteps[step].num})) << step;
        }
    }
}

TEST(ComposeView, NearestTexelsGreyOutsideAndPixelGridFromEight)
{
    std::vector<uint8_t> picture = makePicture(301, 193);
    for (int32_t step = 0; step < ZOOM_STEP_COUNT; ++step) {
        ViewMap m = zoomedMap(301, 193, 256, 200, step, 140, 90);
        std::vector<uint32_t> screen = compose(m, ViewSource{picture.data(), nullptr, nullptr, 0}, wholeView(m));
        bool gridShown = zoomSteps[step].num >= 8 * zoomSteps[step].den;
        for (int32_t y = 0; y < 200; ++y)
            for (int32_t x = 0; x < 256; ++x) {
                TexelHit h = texelAtPixel(m, x, y);
                uint32_t want = h.onTexture ? colourAt(h.column, h.row) : VIEW_OUTSIDE_GREY;
                if (h.onTexture && gridShown &&
                    (texelAtPixel(m, x - 1, y).column != h.column || texelAtPixel(m, x, y - 1).row != h.row))
                    want = shadePixelGrid(want);
                ASSERT_EQ(screen[size_t(y) * 256 + x], want) << "step " << step << " pixel " << x << "," << y;
            }
    }
    const uint32_t shades[][2] = {{0xFFFFFF, 0xC0C0C0}, {0, 0x3F3F3F}, {0x808080, 0x606060}, {0xFF0000, 0xFF3F3F}};
    for (const auto &s : shades)
        EXPECT_EQ(shadePixelGrid(s[0]), s[1]) << std::hex << s[0];
}

TEST(ComposeView, PartsOfTheViewComposeAsTheWhole)
{
    std::vector<uint8_t> picture = makePicture(301, 193);
    std::vector<float> triangles = randomTriangles(300, 3), small = randomTriangles(900, 4, 0.02f);
    triangles.insert(triangles.end(), small.begin(), small.end());   // tiny ones meet the tiles' edges corner first
    ViewSource source{picture.data(), nullptr, triangles.data(), 1200};
    for (int32_t step : {0, 1, 3, 5, 9}) {
        ViewMap m = zoomedMap(301, 193, 256, 200, step, 60, 150);
        std::vector<uint32_t> whole = compose(m, source, wholeView(m)), parts(whole.size(), 0);
        for (int32_t y = -5; y < 200; y += 23)   // narrow tiles reaching over the view's edges
            for (int32_t x = -2; x < 256; x += 5)
                composeView(m, source, ViewRect{x, y, x + 5, y + 23}, parts.data());
        EXPECT_EQ(parts, whole) << step;
        std::vector<uint32_t> one = compose(m, source, ViewRect{40, 30, 41, 90});
        for (size_t i = 0; i < one.size(); ++i)
            ASSERT_EQ(one[i], (i % 256 == 40 && i / 256 >= 30 && i / 256 < 90) ? whole[i] : 0xDEADBEEF) << i;
    }
}

TEST(ComposeView, OneToOneShowsTheComposedPictureElsewhereThePaintedOne)
{
    std::vector<uint8_t> painted(256 * 256 * 3, 200), shown = makePicture(256, 256);   // painted grey
    std::vector<float> triangles = randomTriangles(5, 8);
    ViewSource source{painted.data(), shown.data(), triangles.data(), 5};
    ViewMap m = makeViewMap(256, 256, 256, 256);
    std::vector<uint32_t> screen = compose(m, source, wholeView(m));
    for (size_t i = 0; i < screen.size(); ++i)
        ASSERT_EQ(screen[i], colourAt(int32_t(i % 256), int32_t(255 - i / 256))) << i;
    zoomViewAt(m, 128, 128, 1);
    screen = compose(m, source, wholeView(m));
    size_t black = size_t(std::count(screen.begin(), screen.end(), VIEW_MAPPING_GRID));
    EXPECT_TRUE(black > 0 && size_t(std::count(screen.begin(), screen.end(), 0xC8C8C8u)) + black == screen.size());
}

TEST(ComposeView, MappingGridDrawnOneToOneMatchesTheGridLayer)
{
    std::vector<uint8_t> picture = makePicture(256, 256), layer(SKIN_BYTES);
    std::vector<float> triangles = randomTriangles(30, 11);
    std::vector<TexCoordTriangle> records;
    std::vector<const TexCoordTriangle *> table;
    for (size_t i = 0; i < 30; ++i)
        records.push_back(TexCoordTriangle{{&triangles[i * 6], &triangles[i * 6 + 2], &triangles[i * 6 + 4]}});
    for (const TexCoordTriangle &t : records)
        table.push_back(&t);
    clearGrid(layer.data(), 256, 256);
    drawGridTable(table.data(), 30, layer.data(), 256, 256);
    ViewMap m = makeViewMap(256, 256, 256, 256);
    showActualSize(m);   // one to one at every size, not fitted again
    for (int32_t size : {256, 255, 300}) {   // odd sizes put the texels half a pixel off the view's centre
        resizeView(m, size, size + 2);
        std::vector<uint32_t> screen = compose(m, ViewSource{picture.data(), nullptr, triangles.data(), 30},
                                               wholeView(m));
        for (int32_t y = 0; y < m.viewHeight; ++y)
            for (int32_t x = 0; x < size; ++x) {
                TexelHit h = texelAtPixel(m, x, y);
                bool grid = h.onTexture && layer[(size_t(h.row) * 256 + size_t(h.column)) * 3] == 0;
                uint32_t want = !h.onTexture ? VIEW_OUTSIDE_GREY : grid ? VIEW_MAPPING_GRID : colourAt(h.column, h.row);
                ASSERT_EQ(screen[size_t(y) * size + x], want) << size << ": " << x << "," << y;
            }
    }
}

TEST(ComposeView, MappingGridStaysOnePixelWideFromItsCornerTexel)
{
    std::vector<uint8_t> white(64 * 48 * 3, 255);
    // Degenerate triangles a, b, b (the line a -> b and back), across, down and diagonally (16 texels each way);
    // a lies on texel (6, 14), (31, 4), (15, 11) by the grid rule.
    const float lines[][6] = {{0.1f, 0.3f, 0.8f, 0.3f, 0.8f, 0.3f}, {0.5f, 0.1f, 0.5f, 0.9f, 0.5f, 0.9f},
                              {0.25f, 0.25f, 0.5f, 0.573f, 0.5f, 0.573f}};
    const int32_t starts[][2] = {{6, 14}, {31, 4}, {15, 11}};
    for (int32_t step : {3, 4, 6, 12})
        for (int i = 0; i < 3; ++i) {
            int32_t c = starts[i][0], r = starts[i][1];
            ViewRect a = pixelsShowingTexels(makeViewMap(64, 48, 256, 256), SkinRect{c, r, c, r});
            ViewMap m = zoomedMap(64, 48, 256, 256, step, a.left, a.top);   // corner a stays in view
            std::vector<uint32_t> screen = compose(m, ViewSource{white.data(), nullptr, lines[i], 1}, wholeView(m));
            std::vector<int> perLine(256, 0);
            bool startSeen = false;
            for (size_t p = 0; p < screen.size(); ++p)
                if (screen[p] == VIEW_MAPPING_GRID) {
                    ++perLine[i == 1 ? p / 256 : p % 256];
                    startSeen = startSeen || hitOf(m, int32_t(p % 256), int32_t(p / 256)) ==
                                                 std::vector<int32_t>{c, r, 1};
                }
            EXPECT_LE(*std::max_element(perLine.begin(), perLine.end()), 1) << "step " << step;
            EXPECT_TRUE(startSeen) << "step " << step;
        }
}

} // namespace
