// Tests of the paint bucket on the gutter box's layout, and of the flat view's mirrored dab.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/brush.h"
#include "paint/bucket.h"
#include "uv/grid.h"
#include "uv/model_layout.h"
#include "texture/skin_store.h"
#include "tools/island_models.h"

namespace {

typedef std::set<std::pair<int32_t, int32_t>> Texels;

class BucketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
        box = makeGutterBox();
        gridTriangles.clear();
        for (const UvTriangle &t : box.triangles)
            gridTriangles.insert(gridTriangles.end(), {t.u[0], t.v[0], t.u[1], t.v[1], t.u[2], t.v[2]});
        drawGridLayer();
    }
    void TearDown() override
    {
        gridTriangles.clear();
        drawGridLayer();
        resetPatternStore();
    }

    const SkinRect &chart(const char *name) const
    {
        for (const IslandChart &c : box.charts)
            if (c.name == name)
                return c.texels;
        throw std::logic_error(name);
    }

    // Texels whose blue byte is not white.
    static Texels paintedTexels()
    {
        Texels out;
        for (int32_t y = 0; y < skinHeight; ++y)
            for (int32_t x = 0; x < skinWidth; ++x)
                if (skinBase[texelOffset(x, y)] != 255)
                    out.insert({x, y});
        return out;
    }

    bool inAnyChart(int32_t x, int32_t y) const
    {
        for (const IslandChart &c : box.charts)
            if (x >= c.texels.left && x <= c.texels.right && y >= c.texels.bottom && y <= c.texels.top)
                return true;
        return false;
    }

    IslandModel box;
};

TEST_F(BucketTest, AFillPaintsTheIslandUnderTheSeedAndTheGutterBesideItOnly)
{
    ASSERT_EQ(13, modelLayout.islandCount) << "the layout follows the grid's triangles";
    const SkinRect top = chart("top-left");
    const TexelPoint seed = {20, 100};
    fillFromSeeds(DabKind::pen, &seed, 1, false, 0);
    Texels expected;
    for (int32_t y = top.bottom - 2; y <= top.top + 2; ++y)
        for (int32_t x = top.left - 2; x <= top.right + 2; ++x)
            if ((x >= top.left && x <= top.right && y >= top.bottom && y <= top.top) || !inAnyChart(x, y))
                expected.insert({x, y});
    EXPECT_EQ(expected, paintedTexels()) << "the island, and the gutter within two texels but no hidden patch";
    EXPECT_EQ(0, skinGL[texelOffset(20, 100)]) << "the copies follow";

    // A second fill inside a part painted over the fill stops at that paint.
    brushSettings.penColor[2] = 20;
    paintSquare(25, 110, 5, 1, 2, 3);
    const TexelPoint inside = {25, 110};
    const Texels before = paintedTexels();
    fillFromSeeds(DabKind::pen, &inside, 1, false, 0);
    for (int32_t y = 0; y < skinHeight; ++y)
        for (int32_t x = 0; x < skinWidth; ++x) {
            const bool square = x >= 23 && x <= 27 && y >= 108 && y <= 112;
            ASSERT_EQ(square ? 20 : before.count({x, y}) ? 170 : 255, skinBase[texelOffset(x, y)]) << x << ", " << y;
        }
}

TEST_F(BucketTest, WhereNoIslandLiesTheFillIsUnlimitedAndTheMirroredSeedFillsToo)
{
    // Lines at columns 230 and 25 cut the texture; seeds in the gutter at 240 and its mirror 15 fill the two
    // outer parts (the charts included: they are white too), the part between stays as it is, and nothing bleeds
    // over the lines.
    for (int32_t y = 0; y < 256; ++y) {
        paintSquare(230, y, 1, 0, 0, 0);
        paintSquare(25, y, 1, 0, 0, 0);
    }
    const TexelPoint seeds[2] = {TexelPoint{240, 200}, mirroredTexel(TexelPoint{240, 200})};
    EXPECT_EQ(15, seeds[1].x);
    brushSettings.penColor[2] = 9;
    const SkinRect changed = fillFromSeeds(DabKind::pen, seeds, 2, false, 0);
    EXPECT_TRUE(changed.left == 0 && changed.right == 255);
    for (int32_t x = 0; x < 256; ++x)
        EXPECT_EQ(x < 25 || x > 230 ? 9 : x == 25 || x == 230 ? 0 : 255, skinBase[texelOffset(x, 200)]) << x;
}

TEST_F(BucketTest, WithThePatternEachTexelChangesByThePatternTiledFromTheOrigin)
{
    PatternImage image{4, 2, {}};
    for (int32_t k = 0; k < 8; ++k)
        image.pixels.insert(image.pixels.end(), {uint8_t(30 * k), uint8_t(200 - 10 * k), uint8_t(5 * k)});
    ASSERT_TRUE(installPattern(image));
    const TexelPoint seed = {20, 100};
    fillFromSeeds(DabKind::pen, &seed, 1, true, 0);
    const SkinRect top = chart("top-left");
    for (int32_t y = top.bottom; y <= top.top; ++y)
        for (int32_t x = top.left; x <= top.right; ++x) {
            const uint8_t *p = &image.pixels[size_t((y % 2) * 4 + x % 4) * 3];
            ASSERT_EQ(p[0], skinBase[texelOffset(x, y)]) << "white darkened by 255 - p leaves p";
            ASSERT_EQ(p[2], skinBase[texelOffset(x, y) + 2]);
        }
}

// The mirrored dab paints exactly what the dab paints, mirrored: checked on a white texture for the pen of odd
// and even sizes and for an asymmetric pattern, inside and at the edges where parts of it land on the edge.
TEST(MirroredDab, PaintsTheDabsMirrorImage)
{
    PatternImage image{6, 4, {}};
    for (int32_t k = 0; k < 24; ++k)
        image.pixels.insert(image.pixels.end(), {uint8_t(9 * k), uint8_t(250 - 5 * k), uint8_t(100 + k)});
    for (int32_t size : {3, 4, 0}) {
        for (int32_t x : {40, 1, 254, -3}) {
            resetToDefaults();
            ASSERT_TRUE(installPattern(image));
            brushSettings.penSize = size;
            const bool usePattern = size == 0;
            ASSERT_TRUE(resizeSkinStore(33, 20));
            paintDabAt(DabKind::pen, x % 33, 7, usePattern);
            std::vector<uint8_t> mirrored(skinByteCount());
            for (int32_t y = 0; y < 20; ++y)
                for (int32_t c = 0; c < 33; ++c)
                    for (int k = 0; k < 3; ++k)
                        mirrored[texelOffset(32 - c, y) + k] = skinBase[texelOffset(c, y) + k];
            initSkinStore();
            ASSERT_TRUE(resizeSkinStore(33, 20));
            paintMirroredDabAt(DabKind::pen, x % 33, 7, usePattern);
            EXPECT_EQ(mirrored, std::vector<uint8_t>(skinBase, skinBase + skinByteCount()))
                << (usePattern ? "pattern" : "pen") << " size " << size << " at " << x;
        }
    }
    resetPatternStore();
}

} // namespace
