// Tests of bleeding paint into the gutter: reach, nearest colour, never a covered texel, list and mask alike.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "paint/bleed.h"
#include "uv/uv_layout.h"

namespace {

UvTriangle tri(float u0, float v0, float u1, float v1, float u2, float v2)
{
    return UvTriangle{{u0, u1, u2}, {v0, v1, v2}};
}

// Two rectangular islands on texel boundaries of a 29 x 17 texture: columns 4..10 and 12..18, rows 3..12, with
// a gutter of one column between them.
UvLayout twoIslands()
{
    const float w = 29, h = 17;
    std::vector<UvTriangle> t;
    for (float left : {4.0f, 12.0f}) {
        float l = left / w, r = (left + 7) / w, b = 3 / h, top = 13 / h;
        t.push_back(tri(l, b, r, b, r, top));
        t.push_back(tri(l, b, r, top, l, top));
    }
    UvLayout layout;
    buildUvLayout(t.data(), t.size(), 29, 17, layout);
    return layout;
}

struct Texture {
    int32_t w, h;
    std::vector<uint8_t> bgr;
    const uint8_t *at(int32_t x, int32_t y) const { return &bgr[(size_t(y) * w + x) * 3]; }
    void set(int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r)
    {
        uint8_t *p = &bgr[(size_t(y) * w + x) * 3];
        p[0] = b, p[1] = g, p[2] = r;
    }
};

TEST(Bleed, FillsTheGutterTwoTexelsFromAPaintedIslandAndNoMore)
{
    UvLayout layout = twoIslands();
    Texture t{29, 17, std::vector<uint8_t>(29 * 17 * 3, 255)};
    std::vector<uint8_t> painted(29 * 17, 0);
    for (int32_t y = 3; y <= 12; ++y)
        for (int32_t x = 4; x <= 10; ++x) {
            t.set(x, y, 200, 100, 10);
            painted[size_t(y) * 29 + x] = 1;
        }
    SkinRect r = bleedAroundMask(layout, t.bgr.data(), painted.data(), SkinRect{4, 3, 10, 12});
    EXPECT_TRUE(r.left == 2 && r.bottom == 1 && r.right == 12 && r.top == 14);
    for (int32_t y = 0; y < 17; ++y)
        for (int32_t x = 0; x < 29; ++x) {
            bool near = x >= 2 && x <= 12 && y >= 1 && y <= 14;
            bool otherIsland = x >= 12 && x <= 18 && y >= 3 && y <= 12;
            EXPECT_EQ(t.at(x, y)[0], near && !otherIsland ? 200 : 255) << x << ", " << y;
        }
}

TEST(Bleed, TakesTheNearestPaintedColourTiesBelowThenLeft)
{
    UvLayout layout = twoIslands();
    Texture t{29, 17, std::vector<uint8_t>(29 * 17 * 3, 255)};
    // Painted texels: two in the gutter's row 0 (uncovered, so they keep their own colour) and one island texel.
    t.set(10, 3, 1, 0, 0);
    t.set(11, 0, 2, 0, 0);
    t.set(13, 0, 3, 0, 0);
    t.set(23, 1, 4, 0, 0);
    t.set(23, 3, 5, 0, 0);
    std::vector<uint32_t> list = {3 * 29 + 10, 0 * 29 + 11, 0 * 29 + 13, 3 * 29 + 23, 1 * 29 + 23, 100000};
    bleedAroundTexels(layout, t.bgr.data(), list.data(), list.size());
    EXPECT_EQ(t.at(11, 2)[0], 1);  // (10, 3) at distance^2 2, (11, 0) at 4
    EXPECT_EQ(t.at(11, 1)[0], 2);  // (11, 0) at 1
    EXPECT_EQ(t.at(12, 0)[0], 2);  // (11, 0) and (13, 0) both at 1: the left one
    EXPECT_EQ(t.at(12, 1)[0], 2);  // (11, 0) and (13, 0) both at 2: same row, the left one
    EXPECT_EQ(t.at(23, 2)[0], 4);  // (23, 1) and (23, 3) both at 1: the one below
    EXPECT_EQ(t.at(13, 0)[0], 3);  // painted, uncovered: keeps its own
    EXPECT_EQ(t.at(10, 4)[0], 255);  // covered: never written
    EXPECT_EQ(t.at(12, 4)[0], 255);  // the other island's
    EXPECT_EQ(t.at(11, 5)[0], 1);  // (10, 3) at 5, the only one in reach
    // Wrapping: column 0 and the top row are next to column 28 and row 0.
    EXPECT_EQ(t.at(11, 16)[0], 2);
    EXPECT_EQ(t.at(11, 15)[0], 2);
    EXPECT_EQ(t.at(11, 14)[0], 255);
}

TEST(Bleed, NoIslandsNoBleed)
{
    UvLayout layout;
    std::vector<UvTriangle> flat = {tri(0, 0, 0.5f, 0.5f, 1, 1)};
    buildUvLayout(flat.data(), flat.size(), 8, 8, layout);
    std::vector<uint8_t> bgr(8 * 8 * 3, 255), painted(64, 0);
    bgr[0] = 0;
    painted[0] = 1;
    uint32_t first = 0;
    EXPECT_TRUE(isEmptyRect(bleedAroundTexels(layout, bgr.data(), &first, 1)));
    EXPECT_TRUE(isEmptyRect(bleedAroundMask(layout, bgr.data(), painted.data(), SkinRect{0, 0, 0, 0})));
    EXPECT_EQ(bgr[3], 255);
}

// The rule itself, texel by texel over the whole texture, searching the 5 x 5 square with wrap.
std::vector<uint8_t> referenceBleed(const UvLayout &layout, std::vector<uint8_t> bgr,
                                    const std::vector<uint8_t> &painted)
{
    const int32_t w = layout.width, h = layout.height;
    std::vector<uint8_t> out = bgr;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            size_t at = size_t(y) * w + x;
            if (layout.covered[at] || painted[at])
                continue;
            int best = 99;
            for (int32_t dy = -2; dy <= 2; ++dy)
                for (int32_t dx = -2; dx <= 2; ++dx) {
                    size_t from = size_t((y + dy + h) % h) * w + size_t((x + dx + w) % w);
                    if (painted[from] && dx * dx + dy * dy < best) {
                        best = dx * dx + dy * dy;
                        std::copy(&bgr[from * 3], &bgr[from * 3 + 3], &out[at * 3]);
                    }
                }
        }
    return out;
}

TEST(Bleed, ListAndMaskMatchTheRuleOnRandomLayouts)
{
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> coordinate(-0.2f, 1.2f);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 12; ++round) {
        const int32_t w = round % 2 ? 61 : 8, h = round % 2 ? 47 : 9;
        std::vector<UvTriangle> t;
        for (int k = 0; k < 4; ++k) {
            float u = coordinate(rng), v = coordinate(rng);
            t.push_back(tri(u, v, u + 0.3f, v + coordinate(rng) / 4, u + coordinate(rng) / 4, v + 0.3f));
        }
        UvLayout layout;
        buildUvLayout(t.data(), t.size(), w, h, layout);
        std::vector<uint8_t> bgr(size_t(w) * h * 3), painted(size_t(w) * h, 0);
        for (uint8_t &b : bgr)
            b = uint8_t(byte(rng));
        // A painted blob that may cross an edge, and its list.
        int32_t cx = byte(rng) % w, cy = byte(rng) % h, reach = round % 3 + 1;
        std::vector<uint32_t> list;
        SkinRect rect{w, h, -1, -1};
        for (int32_t dy = -reach; dy <= reach; ++dy)
            for (int32_t dx = -reach; dx <= reach; ++dx) {
                int32_t x = (cx + dx + w) % w, y = (cy + dy + h) % h;
                if (byte(rng) < 200) {
                    painted[size_t(y) * w + x] = 1;
                    list.push_back(uint32_t(y * w + x));
                    rect = joinRects(rect, SkinRect{x, y, x, y});
                }
            }
        std::vector<uint8_t> want = referenceBleed(layout, bgr, painted), byList = bgr, byMask = bgr;
        SkinRect a = bleedAroundTexels(layout, byList.data(), list.data(), list.size());
        SkinRect b = bleedAroundMask(layout, byMask.data(), painted.data(), rect);
        ASSERT_EQ(byList, want) << "round " << round;
        ASSERT_EQ(byMask, want) << "round " << round;
        EXPECT_TRUE(a.left == b.left && a.right == b.right && a.bottom == b.bottom && a.top == b.top);
        for (size_t i = 0; i < painted.size(); ++i)
            if (want[i * 3] != bgr[i * 3] || want[i * 3 + 1] != bgr[i * 3 + 1] || want[i * 3 + 2] != bgr[i * 3 + 2]) {
                int32_t x = int32_t(i % w), y = int32_t(i / w);
                ASSERT_TRUE(x >= a.left && x <= a.right && y >= a.bottom && y <= a.top);
            }
    }
}

} // namespace
