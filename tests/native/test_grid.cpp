// Tests of the mapping coordinate grid: coordinate mapping, the line walk and the triangle table.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "uv/grid.h"
#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

namespace {

typedef std::set<std::pair<int, int>> PixelSet;

// A layer with guard bytes on both sides, so a stray write beyond it shows up.
struct GuardedLayer {
    static constexpr size_t GUARD = 4096;
    std::vector<uint8_t> bytes;
    GuardedLayer() : bytes(SKIN_BYTES + 2 * GUARD, 0xAB) { clearGrid(layer(), 256, 256); }
    uint8_t *layer() { return bytes.data() + GUARD; }
    bool guardsIntact() const
    {
        for (size_t i = 0; i < GUARD; ++i)
            if (bytes[i] != 0xAB || bytes[GUARD + SKIN_BYTES + i] != 0xAB)
                return false;
        return true;
    }
    // Black pixels as (column, row); any pixel neither black nor white fails the test.
    PixelSet black()
    {
        PixelSet set;
        const uint8_t *p = layer();
        for (int i = 0; i < 65536; ++i) {
            int sum = p[3 * i] + p[3 * i + 1] + p[3 * i + 2];
            EXPECT_TRUE(sum == 0 || sum == 765) << "pixel " << i;
            if (sum == 0)
                set.insert({i % 256, i / 256});
        }
        return set;
    }
};

// The line walk in its plainest form: every step, 32-bit accumulator, pixels outside dropped.
// Only for lines whose ends are in the layer or close to it.
PixelSet plainWalk(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    PixelSet set;
    int32_t dx = x1 - x0, dy = y1 - y0;
    int32_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    auto keep = [&set](int32_t x, int32_t y) {
        if (x >= 0 && x < 256 && y >= 0 && y < 256)
            set.insert({x, y});
    };
    if (ady > adx) {
        int32_t s = dy >= 0 ? 1 : -1, slope = dx * 65536 / ady, acc = 0;
        for (int32_t k = 0; k < ady; ++k, acc += slope)
            keep(x0 + (acc >> 16), y0 + k * s);
    } else if (dx != 0) {
        int32_t s = dx >= 0 ? 1 : -1, slope = dy * 65536 / adx, acc = 0;
        for (int32_t k = 0; k < adx; ++k, acc += slope)
            keep(x0 + k * s, y0 + (acc >> 16));
    }
    return set;
}

PixelSet drawn(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    GuardedLayer g;
    drawGridLine(x0, y0, x1, y1, g.layer(), 256, 256);
    EXPECT_TRUE(g.guardsIntact());
    return g.black();
}

TEST(GridMapping, CoordinatesTruncateTowardZero)
{
    struct Case {
        float u;
        int32_t column;
    };
    const Case cases[] = {
        {0.0f, 0}, {-0.001f, 0}, {1.0f, 255}, {0.5f, 127}, {0.25f, 63}, {1.001f, 256}, {-0.004f, -1}, {-1.0f, -255},
    };
    for (const Case &c : cases)
        EXPECT_EQ(gridCoordinate(c.u, 256), c.column) << c.u;
}

TEST(GridMapping, NonFiniteAndHugeValuesStayFarOutside)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(gridCoordinate(inf, 256), 1 << 24);
    EXPECT_EQ(gridCoordinate(-inf, 256), -(1 << 24));
    EXPECT_EQ(gridCoordinate(1e30f, 256), 1 << 24);
    EXPECT_EQ(gridCoordinate(-3e38f, 256), -(1 << 24));
    EXPECT_LT(gridCoordinate(std::nanf(""), 256), -(1 << 24));
}

TEST(GridLine, ShortSegmentsDrawTheirStartButNotTheirEnd)
{
    struct Case {
        int32_t x0, y0, x1, y1;
        PixelSet pixels;
    };
    const Case cases[] = {
        {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 0}}},
        {3, 1, 0, 0, {{3, 1}, {2, 0}, {1, 0}}},
        {0, 0, 1, 3, {{0, 0}, {0, 1}, {0, 2}}},
        {10, 10, 14, 14, {{10, 10}, {11, 11}, {12, 12}, {13, 13}}},
        {14, 10, 10, 14, {{14, 10}, {13, 11}, {12, 12}, {11, 13}}},
        {20, 30, 20, 26, {{20, 30}, {20, 29}, {20, 28}, {20, 27}}},
        {7, 7, 7, 7, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(drawn(c.x0, c.y0, c.x1, c.y1), c.pixels) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
}

TEST(GridLine, MatchesThePlainWalkInsideAndOutsideTheLayer)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int32_t> inside(0, 255), around(-600, 860);
    for (int round = 0; round < 3000; ++round) {
        bool in = round % 2 == 0;
        int32_t x0 = in ? inside(rng) : around(rng), y0 = in ? inside(rng) : around(rng);
        int32_t x1 = in ? inside(rng) : around(rng), y1 = in ? inside(rng) : around(rng);
        ASSERT_EQ(drawn(x0, y0, x1, y1), plainWalk(x0, y0, x1, y1))
            << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(GridLine, FarOffLinesAreCutAtTheLayer)
{
    // Flat enough that the slope truncates to 0: the whole of row 5.
    PixelSet row5;
    for (int x = 0; x < 256; ++x)
        row5.insert({x, 5});
    EXPECT_EQ(drawn(-(1 << 30), 5, 1 << 30, 7), row5);

    PixelSet diagonal;
    for (int k = 0; k < 256; ++k)
        diagonal.insert({k, k});
    EXPECT_EQ(drawn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), diagonal);

    PixelSet column9;
    for (int y = 0; y < 256; ++y)
        column9.insert({9, y});
    EXPECT_EQ(drawn(9, INT32_MAX, 9, INT32_MIN), column9);

    EXPECT_TRUE(drawn(INT32_MIN, -5, INT32_MAX, -5).empty());
    EXPECT_TRUE(drawn(300, INT32_MIN, 300, INT32_MAX).empty());
    EXPECT_TRUE(drawn(-(1 << 24), -(1 << 24), -(1 << 24) + 1000, 7).empty());
}

const float P00[2] = {0.0f, 0.0f};
const float P10[2] = {1.0f, 0.0f};
const float P01[2] = {0.0f, 1.0f};

PixelSet unitTriangle()
{
    PixelSet set;
    for (int k = 0; k < 255; ++k) {
        set.insert({k, 0});          // row 0, columns 0..254
        set.insert({255 - k, k});    // the diagonal from (255, 0) to (1, 254)
        set.insert({0, 255 - k});    // column 0, rows 255 down to 1
    }
    return set;
}

TEST(GridTable, UnitTriangleOutline)
{
    TexCoordTriangle t{{P00, P10, P01}};
    const TexCoordTriangle *table[] = {&t};
    GuardedLayer g;
    drawGridTable(table, 1, g.layer(), 256, 256);
    PixelSet got = g.black();
    EXPECT_EQ(got, unitTriangle());
    EXPECT_EQ(got.size(), 765u);
    EXPECT_TRUE(got.count({0, 0}) && got.count({255, 0}) && got.count({0, 255}));
}

TEST(GridTable, BrokenEntriesAreSkipped)
{
    const float nan = std::nanf("");
    const float PNaN[2] = {0.5f, nan};
    const float Pmid[2] = {0.5f, 0.5f};
    TexCoordTriangle good{{P00, P10, P01}};
    TexCoordTriangle nullCorner{{Pmid, nullptr, P10}};
    TexCoordTriangle nanCorner{{Pmid, PNaN, P10}};
    const float inf = std::numeric_limits<float>::infinity();
    const float PInf[2] = {inf, -inf};
    TexCoordTriangle infCorner{{PInf, P10, P01}};
    const TexCoordTriangle *table[] = {nullptr, &nullCorner, &good, &nanCorner, &infCorner, nullptr};
    GuardedLayer g;
    drawGridTable(table, 6, g.layer(), 256, 256);
    EXPECT_EQ(g.black(), unitTriangle());
    EXPECT_TRUE(g.guardsIntact());
}

TEST(GridTable, TrianglesAreReadFromAnyEntryOnward)
{
    const float Pmid[2] = {0.5f, 0.25f};
    TexCoordTriangle good{{P00, P10, P01}};
    TexCoordTriangle other{{Pmid, P01, P10}};
    TexCoordTriangle nullCorner{{Pmid, nullptr, P10}};
    const TexCoordTriangle *table[] = {&good, nullptr, &nullCorner, &other, &good};
    float out[6 * 5] = {};
    EXPECT_EQ(1, readTexCoordTriangles(table, 1, 3, out)) << "entries 1..3: only `other` is usable";
    const float expected[6] = {0.5f, 0.25f, 0.0f, 1.0f, 1.0f, 0.0f};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], out[i]) << i;
    EXPECT_EQ(0.0f, out[6]);
    EXPECT_EQ(0, readTexCoordTriangles(table, 4, 0, out));
    EXPECT_EQ(3, readTexCoordTriangles(table, 0, 5, out));
}

TEST(GridTable, NoTableOrNoCountDrawsNothing)
{
    TexCoordTriangle t{{P00, P10, P01}};
    const TexCoordTriangle *table[] = {&t};
    GuardedLayer g;
    drawGridTable(nullptr, 5, g.layer(), 256, 256);
    drawGridTable(table, 0, g.layer(), 256, 256);
    drawGridTable(table, -1, g.layer(), 256, 256);
    drawGridTable(table, INT32_MIN, g.layer(), 256, 256);
    EXPECT_TRUE(g.black().empty());
}

TEST(GridTable, DegenerateTriangleLeavesNoMark)
{
    const float A[2] = {0.5f, 0.5f};
    const float B[2] = {0.499f, 0.4995f};   // also pixel (127, 127)
    TexCoordTriangle t{{A, B, A}};
    const TexCoordTriangle *table[] = {&t};
    GuardedLayer g;
    drawGridTable(table, 1, g.layer(), 256, 256);
    EXPECT_TRUE(g.black().empty());
}

TEST(GridTable, ClearGridMakesTheLayerWhite)
{
    std::vector<uint8_t> layer(SKIN_BYTES, 0);
    clearGrid(layer.data(), 256, 256);
    for (uint8_t b : layer)
        ASSERT_EQ(b, 255);
}

} // namespace
