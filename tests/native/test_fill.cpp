// Tests of the paint bucket's region: one colour, 4-connected, within the allowed mask, wrapping when asked.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "paint/fill.h"

namespace {

// A picture drawn in text, top row first as it reads: each letter one colour ('a' the dark blue (40, 20, 0),
// others lighter reds), '#' a texel outside the allowed mask (coloured like 'a', so only the mask stops there).
struct Picture {
    int32_t w, h;
    std::vector<uint8_t> bgr, allowed;
};

Picture drawPicture(const std::vector<std::string> &rows)
{
    Picture p{int32_t(rows[0].size()), int32_t(rows.size()), {}, {}};
    for (int32_t y = 0; y < p.h; ++y)
        for (char c : rows[size_t(p.h - 1 - y)]) {
            uint8_t shade = c == '#' ? 0 : uint8_t(c - 'a');
            p.bgr.insert(p.bgr.end(), {uint8_t(40 + shade), 20, uint8_t(shade * 30)});
            p.allowed.push_back(c == '#' ? 0 : 1);
        }
    return p;
}

// The filled texels drawn back as text: 'x' filled, '.' not.
std::vector<std::string> filledRows(const std::vector<uint8_t> &filled, int32_t w, int32_t h)
{
    std::vector<std::string> rows;
    for (int32_t y = h - 1; y >= 0; --y) {
        std::string row;
        for (int32_t x = 0; x < w; ++x)
            row += filled[size_t(y) * w + x] ? 'x' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST(Fill, OneColourFourConnectedWithinTheMask)
{
    struct Case {
        const char *what;
        std::vector<std::string> picture;
        int32_t x, y;
        bool useMask, wrap;
        std::vector<std::string> want;
        SkinRect rect;
    };
    const Case cases[] = {
        {"stops at another colour, not through a diagonal", {"bbbbb", "bbaab", "aabba"}, 0, 0, false, false,
         {".....", ".....", "xx..."}, {0, 0, 1, 0}},
        {"the mask stops it where the colour would not", {"aab.a", "abbaa", "aa#aa"}, 4, 0, true, false,
         {"....x", "...xx", "...xx"}, {3, 0, 4, 2}},
        {"unlimited, the masked texel has the colour", {"aab.a", "abbaa", "aa#aa"}, 4, 0, false, false,
         {"xx..x", "x..xx", "xxxxx"}, {0, 0, 4, 2}},
        {"wrap joins opposite edges", {"abbba", "bbbbb", "abbba"}, 0, 0, false, true,
         {"x...x", ".....", "x...x"}, {0, 0, 4, 2}},
        {"without wrap they stay apart", {"abbba", "bbbbb", "abbba"}, 0, 0, false, false,
         {".....", ".....", "x...."}, {0, 0, 0, 0}},
        {"a whole row that wraps is taken once", {"aaaaa", "bbbbb", "aaaab"}, 2, 2, false, true,
         {"xxxxx", ".....", "xxxx."}, {0, 0, 4, 2}},
        {"a seed outside the mask fills nothing", {"aa#", "aaa"}, 2, 1, true, false, {"...", "..."}, {3, 2, -1, -1}},
    };
    for (const Case &c : cases) {
        Picture p = drawPicture(c.picture);
        std::vector<uint8_t> filled;
        FillRegion r = findFillRegion(p.bgr.data(), p.w, p.h, c.x, c.y, c.useMask ? p.allowed.data() : nullptr,
                                      c.wrap, filled);
        EXPECT_EQ(filledRows(filled, p.w, p.h), c.want) << c.what;
        EXPECT_EQ(std::make_pair(r.rect.left, r.rect.bottom), std::make_pair(c.rect.left, c.rect.bottom)) << c.what;
        EXPECT_EQ(std::make_pair(r.rect.right, r.rect.top), std::make_pair(c.rect.right, c.rect.top)) << c.what;
        size_t count = 0;
        for (uint8_t f : filled)
            count += f;
        EXPECT_EQ(r.texels, count) << c.what;
    }
}

TEST(Fill, SeedOffTheTextureFillsNothing)
{
    Picture p = drawPicture({"aaa", "aaa"});
    std::vector<uint8_t> filled;
    const std::pair<int32_t, int32_t> seeds[] = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}};
    for (auto [x, y] : seeds) {
        FillRegion r = findFillRegion(p.bgr.data(), p.w, p.h, x, y, nullptr, true, filled);
        EXPECT_EQ(r.texels, 0u);
        EXPECT_EQ(filled, std::vector<uint8_t>(6, 0));
    }
}

// The plain form: breadth first over 4-neighbours, wrapping when asked.
std::vector<uint8_t> referenceFill(const Picture &p, int32_t sx, int32_t sy, const uint8_t *allowed, bool wrap)
{
    std::vector<uint8_t> filled(size_t(p.w) * p.h, 0);
    auto at = [&](int32_t x, int32_t y) { return size_t(y) * p.w + x; };
    auto same = [&](size_t a, size_t b) { return std::equal(&p.bgr[a * 3], &p.bgr[a * 3 + 3], &p.bgr[b * 3]); };
    size_t seed = at(sx, sy);
    if (allowed && !allowed[seed])
        return filled;
    std::vector<std::pair<int32_t, int32_t>> queue{{sx, sy}};
    filled[seed] = 1;
    for (size_t i = 0; i < queue.size(); ++i) {
        const int32_t steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (auto [dx, dy] : steps) {
            int32_t x = queue[i].first + dx, y = queue[i].second + dy;
            if (wrap) {
                x = (x + p.w) % p.w;
                y = (y + p.h) % p.h;
            } else if (x < 0 || x >= p.w || y < 0 || y >= p.h) {
                continue;
            }
            if (!filled[at(x, y)] && (!allowed || allowed[at(x, y)]) && same(at(x, y), seed)) {
                filled[at(x, y)] = 1;
                queue.emplace_back(x, y);
            }
        }
    }
    return filled;
}

TEST(Fill, MatchesPlainFloodOnRandomPicturesOfOddSizes)
{
    std::mt19937 rng(301);
    for (int round = 0; round < 24; ++round) {
        Picture p{round % 3 ? 301 : 8, round % 3 ? 193 : 9, {}, {}};
        // Few colours in blotches, so regions are large and winding; a random mask over them.
        std::uniform_int_distribution<int> colour(0, round % 4 + 1), pick(0, 99);
        for (int32_t i = 0; i < p.w * p.h; ++i) {
            uint8_t c = pick(rng) < 70 && i > 0 ? p.bgr[size_t(i - 1) * 3] : uint8_t(colour(rng));
            p.bgr.insert(p.bgr.end(), {c, uint8_t(c * 7), 9});
            p.allowed.push_back(pick(rng) < 85);
        }
        std::uniform_int_distribution<int32_t> sx(0, p.w - 1), sy(0, p.h - 1);
        int32_t x = sx(rng), y = sy(rng);
        const uint8_t *mask = round % 2 ? p.allowed.data() : nullptr;
        bool wrap = round % 4 < 2;
        std::vector<uint8_t> filled;
        FillRegion r = findFillRegion(p.bgr.data(), p.w, p.h, x, y, mask, wrap, filled);
        ASSERT_EQ(filled, referenceFill(p, x, y, mask, wrap)) << "round " << round;
        for (int32_t yy = 0; yy < p.h; ++yy)
            for (int32_t xx = 0; xx < p.w; ++xx)
                if (filled[size_t(yy) * p.w + xx])
                    ASSERT_TRUE(xx >= r.rect.left && xx <= r.rect.right && yy >= r.rect.bottom && yy <= r.rect.top);
    }
}

TEST(Fill, UnlimitedFillOfAPlainTextureTakesEveryTexel)
{
    Picture p{301, 193, std::vector<uint8_t>(size_t(301) * 193 * 3, 255), {}};
    std::vector<uint8_t> filled;
    FillRegion r = findFillRegion(p.bgr.data(), p.w, p.h, 150, 96, nullptr, false, filled);
    EXPECT_EQ(r.texels, size_t(301) * 193);
    EXPECT_EQ(filled, std::vector<uint8_t>(size_t(301) * 193, 1));
    EXPECT_TRUE(r.rect.left == 0 && r.rect.bottom == 0 && r.rect.right == 300 && r.rect.top == 192);
}

} // namespace
