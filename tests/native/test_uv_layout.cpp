// Tests of the texture layout: islands joined by shared edges, texel coverage, islands under a texel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "uv/uv_layout.h"

namespace {

UvTriangle tri(float u0, float v0, float u1, float v1, float u2, float v2)
{
    return UvTriangle{{u0, u1, u2}, {v0, v1, v2}};
}

const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST(UvLayoutIslands, JoinOnlyThroughWholeSharedEdges)
{
    struct Case {
        const char *what;
        std::vector<UvTriangle> triangles;
        std::vector<int32_t> islands;
    };
    const UvTriangle a = tri(0.1f, 0.1f, 0.5f, 0.1f, 0.1f, 0.5f);
    const Case cases[] = {
        {"edge shared in reverse order", {a, tri(0.5f, 0.1f, 0.5f, 0.5f, 0.1f, 0.5f)}, {0, 0}},
        {"edge shared in the same order", {a, tri(0.5f, 0.1f, 0.1f, 0.5f, 0.9f, 0.9f)}, {0, 0}},
        {"corner-only touch", {a, tri(0.5f, 0.1f, 0.9f, 0.1f, 0.9f, 0.5f)}, {0, 1}},
        {"one corner a float step off", {a, tri(0.5f, 0.1f, 0.5f, 0.5f, std::nextafter(0.1f, 1.0f), 0.5f)}, {0, 1}},
        {"minus zero is zero", {tri(0, 0, 1, 0, 0, 1), tri(-0.0f, 1, 1, -0.0f, 1, 1)}, {0, 0}},
        {"collinear corners", {tri(0, 0, 0.5f, 0.5f, 1, 1), a}, {NO_ISLAND, 0}},
        {"repeated corner", {a, tri(0.5f, 0.1f, 0.1f, 0.5f, 0.5f, 0.1f)}, {0, NO_ISLAND}},
        {"NaN, infinity, beyond the limit",
         {tri(NaN, 0, 1, 0, 0, 1), tri(0, 0, INFINITY, 0, 0, 1), tri(0, 0, 1, 0, 0, 2e6f), a}, {-1, -1, -1, 0}},
        // A sliver whose edges are those of both neighbours must not bridge them.
        {"degenerate bridge",
         {tri(0, 0, 1, 0, 0.5f, -1), tri(0, 0, 0.5f, 0, 1, 0), tri(0.5f, 0, 1, 0, 0.7f, 1)}, {0, NO_ISLAND, 1}},
        {"islands numbered by first triangle",
         {tri(0.6f, 0.6f, 0.9f, 0.6f, 0.9f, 0.9f), a, tri(0.9f, 0.6f, 0.9f, 0.9f, 1, 1)}, {0, 1, 0}},
    };
    for (const Case &c : cases) {
        UvLayout layout;
        buildIslands(c.triangles.data(), c.triangles.size(), layout);
        EXPECT_EQ(layout.islandOfTriangle, c.islands) << c.what;
    }
}

TEST(UvLayoutIslands, ListsEachIslandsTriangles)
{
    std::vector<UvTriangle> t = {tri(0.6f, 0.6f, 0.9f, 0.6f, 0.9f, 0.9f), tri(0, 0, 0, 0, 0, 0),
                                 tri(0.1f, 0.1f, 0.5f, 0.1f, 0.1f, 0.5f), tri(0.9f, 0.6f, 0.9f, 0.9f, 1, 1)};
    UvLayout layout;
    buildUvLayout(t.data(), t.size(), 40, 30, layout);
    EXPECT_EQ(layout.islandCount, 2);
    EXPECT_EQ(layout.islandStart, (std::vector<uint32_t>{0, 2, 3}));
    EXPECT_EQ(layout.islandTriangles, (std::vector<uint32_t>{0, 3, 2}));
}

// Exact reference: corners on multiples of 1/1024, everything scaled by 2048 into integers; every repeat of
// the triangle's box (with a margin) is tried.
std::vector<uint8_t> referenceCoverage(const std::vector<UvTriangle> &t, int32_t w, int32_t h)
{
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    for (const UvTriangle &c : t) {
        int64_t x[3], y[3];
        for (int i = 0; i < 3; ++i) {
            x[i] = int64_t(std::lround(c.u[i] * 1024.0)) * w * 2;
            y[i] = int64_t(std::lround(c.v[i] * 1024.0)) * h * 2;
        }
        auto cross = [&](int i, int64_t px, int64_t py) {
            int j = (i + 1) % 3;
            return (x[j] - x[i]) * (py - y[i]) - (y[j] - y[i]) * (px - x[i]);
        };
        int64_t area = cross(0, x[2], y[2]);
        if (area == 0)
            continue;
        int64_t x0 = std::min({x[0], x[1], x[2]}) / 2048 - 2, x1 = std::max({x[0], x[1], x[2]}) / 2048 + 2;
        int64_t y0 = std::min({y[0], y[1], y[2]}) / 2048 - 2, y1 = std::max({y[0], y[1], y[2]}) / 2048 + 2;
        for (int64_t cy = y0; cy <= y1; ++cy)
            for (int64_t cx = x0; cx <= x1; ++cx) {
                int64_t px = cx * 2048 + 1024, py = cy * 2048 + 1024;
                bool in = true;
                for (int i = 0; i < 3; ++i)
                    in = in && (area > 0 ? cross(i, px, py) >= 0 : cross(i, px, py) <= 0);
                if (in)
                    mask[size_t((cy % h + h) % h) * w + size_t((cx % w + w) % w)] = 1;
            }
    }
    return mask;
}

TEST(UvLayoutCoverage, MatchesExactCentreTestWithWrapAtOddSizes)
{
    // Odd sizes, and 16 x 8 with corners on a grid of half texels, where many centres lie exactly on edges.
    std::mt19937 rng(19);
    std::uniform_int_distribution<int> corner(-22, 53), step(-9, 9);
    for (int round = 0; round < 20; ++round) {
        int32_t w = round % 2 ? 301 : 16, h = round % 2 ? 193 : 8;
        float unit = round % 2 ? 1 / 1024.0f : 1 / 32.0f;
        int scale = round % 2 ? 32 : 1;
        std::vector<UvTriangle> t;
        for (int k = 0; k < 12; ++k) {
            int u = corner(rng) * scale, v = corner(rng) * scale;
            t.push_back(tri(u * unit, v * unit, (u + step(rng) * scale) * unit, (v + step(rng) * scale) * unit,
                            (u + step(rng) * scale) * unit, v * unit));
        }
        UvLayout layout;
        buildUvLayout(t.data(), t.size(), w, h, layout);
        ASSERT_EQ(layout.covered, referenceCoverage(t, w, h)) << "round " << round;
        for (int32_t y = 0; y < h; y += 3)
            for (int32_t x = 0; x < w; x += 2) {
                bool any = false;
                for (const UvTriangle &c : t)
                    any = any || triangleCoversTexel(c, w, h, x, y);
                ASSERT_EQ(any, layout.covered[size_t(y) * w + x] != 0);
            }
    }
}

TEST(UvLayoutCoverage, SharedEdgeLeavesNoHole)
{
    // Quads split along a diagonal through texel centres: every centre on or near the diagonal is covered,
    // whichever triangle claims it.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> start(20, 60), slope(-9, 9);
    for (int round = 0; round < 40; ++round) {
        // At 256 x 128 the diagonal runs exactly through texel centres; at 301 x 193 within rounding of them.
        const int32_t w = round % 2 ? 301 : 256, h = round % 2 ? 193 : 128;
        double ax = start(rng) + 0.5, ay = start(rng) + 40.5, p = 2 + round % 7, q = slope(rng);
        double n = std::floor(std::min(40 / std::max(std::fabs(q), 1.0), 180 / p)), cx = ax + n * p, cy = ay + n * q;
        double length = std::hypot(cx - ax, cy - ay), nx = -(cy - ay) / length, ny = (cx - ax) / length;
        double bx = (ax + cx) / 2 + 30 * nx, by = (ay + cy) / 2 + 30 * ny, dx = bx - 60 * nx, dy = by - 60 * ny;
        auto u = [&](double x) { return float(x / w); };
        auto v = [&](double y) { return float(y / h); };
        std::vector<UvTriangle> t = {tri(u(ax), v(ay), u(bx), v(by), u(cx), v(cy)),
                                     tri(u(ax), v(ay), u(cx), v(cy), u(dx), v(dy))};
        UvLayout layout;
        buildUvLayout(t.data(), t.size(), w, h, layout);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                double along = ((x + 0.5 - ax) * (cx - ax) + (y + 0.5 - ay) * (cy - ay)) / (length * length);
                double off = (x + 0.5 - ax) * nx + (y + 0.5 - ay) * ny;
                if (along > 0.05 && along < 0.95 && std::fabs(off) < 1.0)
                    ASSERT_TRUE(layout.covered[size_t(y) * w + x]) << x << ", " << y << " round " << round;
            }
    }
}

TEST(UvLayoutCoverage, WrapsRepeatsAndCapsHugeTriangles)
{
    const int32_t w = 24, h = 10;
    std::vector<UvTriangle> straddling = {tri(-0.25f, 0.5f, 0.25f, 0.0f, 0.25f, 1.0f)};
    std::vector<UvTriangle> shifted = {tri(2.75f, -2.5f, 3.25f, -3.0f, 3.25f, -2.0f)};
    UvLayout a, b;
    buildUvLayout(straddling.data(), 1, w, h, a);
    buildUvLayout(shifted.data(), 1, w, h, b);
    EXPECT_EQ(a.covered, b.covered);
    EXPECT_TRUE(a.covered[5 * w + 0] && a.covered[5 * w + w - 1] && a.covered[5 * w + 5]);
    EXPECT_FALSE(a.covered[5 * w + 12]);
    std::vector<UvTriangle> huge = {tri(-40, -40, 90, -40, -40, 90)};
    buildUvLayout(huge.data(), 1, w, h, a);
    EXPECT_EQ(a.covered, std::vector<uint8_t>(size_t(w) * h, 1));
}

TEST(UvLayoutIslands, IslandsUnderATexelAgreeWithTheirMasks)
{
    // Two mirrored halves overlapping on columns 8..11, a third island apart, a gutter, and a degenerate one.
    const int32_t w = 40, h = 30;
    std::vector<UvTriangle> t = {tri(0.1f, 0.1f, 0.3f, 0.1f, 0.3f, 0.9f), tri(0.1f, 0.1f, 0.3f, 0.9f, 0.1f, 0.9f),
                                 tri(0.2f, 0.1f, 0.4f, 0.1f, 0.2f, 0.9f), tri(0.6f, 0.2f, 0.9f, 0.2f, 0.9f, 0.5f),
                                 tri(0.2f, 0.2f, 0.2f, 0.2f, 0.5f, 0.5f)};
    UvLayout layout;
    buildUvLayout(t.data(), t.size(), w, h, layout);
    ASSERT_EQ(layout.islandCount, 3);
    EXPECT_EQ(islandsAtTexel(layout, 9, 10), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(islandsAtTexel(layout, 5, 10), (std::vector<int32_t>{0}));
    EXPECT_EQ(islandsAtTexel(layout, 30, 8), (std::vector<int32_t>{2}));
    EXPECT_TRUE(islandsAtTexel(layout, 20, 25).empty());
    EXPECT_TRUE(islandsAtTexel(layout, w, 5).empty());
    std::vector<uint8_t> masks[3], all;
    for (int32_t i = 0; i < 3; ++i)
        maskIslands(layout, &i, 1, masks[i]);
    const int32_t pair[] = {2, 0, 7, -1};
    maskIslands(layout, pair, 4, all);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            size_t at = size_t(y) * w + x;
            std::vector<int32_t> want;
            for (int32_t i = 0; i < 3; ++i)
                if (masks[i][at])
                    want.push_back(i);
            ASSERT_EQ(islandsAtTexel(layout, x, y), want) << x << ", " << y;
            ASSERT_EQ(all[at], masks[0][at] | masks[2][at]);
            ASSERT_EQ(layout.covered[at], masks[0][at] | masks[1][at] | masks[2][at]);
        }
}

TEST(UvLayout, UnusableTrianglesAndSizesOutOfRange)
{
    const UvTriangle whole = {{0.1f, 0.9f, 0.1f}, {0.1f, 0.1f, 0.9f}}, holed = {{0.1f, NaN, 0.1f}, {0.1f, NaN, 0.9f}};
    const std::vector<UvTriangle> t = {whole, {{NaN, NaN, NaN}, {NaN, NaN, NaN}}, holed, whole};
    UvLayout layout;
    buildUvLayout(t.data(), t.size(), 16, 16, layout);
    EXPECT_EQ(layout.islandOfTriangle, (std::vector<int32_t>{0, NO_ISLAND, NO_ISLAND, 0}));
    for (int32_t side : {0, -5, 65536 + 1}) {
        buildUvLayout(t.data(), t.size(), side, 65536, layout);
        EXPECT_TRUE(layout.covered.empty() && layout.triangles.empty()) << side;
    }
}

} // namespace
