// Tests of the projected brush: the texel size measured from a pass, the footprint's texels, their paint, and
// where a stroke's dabs go; the passes are made up from a known mapping of the screen onto the texture.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "uv/model_layout.h"
#include "texture/active_layer.h"
#include "texture/skin_store.h"
#include "viewport/projected_brush.h"

namespace {

// The texel a screen point shows (column, row from the bottom), or false for no model there.
typedef std::function<bool(double x, double y, int32_t &column, int32_t &row)> ScreenMap;

PickGrid makeGrid(const PickRegion &region, int32_t textureWidth, const ScreenMap &map)
{
    PickGrid grid;
    grid.region = region;
    grid.textureWidth = textureWidth;
    for (int32_t j = 0; j < region.rows; ++j)
        for (int32_t i = 0; i < region.columns; ++i) {
            int32_t c, r;
            const bool hit = map(region.left + (i + 0.5) / region.scale, region.top + (j + 0.5) / region.scale, c, r);
            grid.texels.push_back(hit ? r * textureWidth + c : NO_TEXEL);
        }
    return grid;
}

// A flat surface seen straight on: `across` pixels a texel along x, `down` along y, texel (0, 0) at (0, 0).
ScreenMap flatMap(double across, double down, int32_t offsetColumn = 0, int32_t offsetRow = 0)
{
    return [=](double x, double y, int32_t &c, int32_t &r) {
        c = offsetColumn + int32_t(std::floor(x / across));
        r = offsetRow + int32_t(std::floor(y / down));
        return x >= 0 && y >= 0;
    };
}

TEST(TexelSize, MeasuredOnEitherSideOfASeamAsWithoutIt)
{
    // Left of x = 100 one island at 2.5 pixels a texel, right of it another, far away in the texture, at 4.
    ScreenMap left = flatMap(2.5, 2.5, 10, 10), right = flatMap(4, 4, 150, 80);
    ScreenMap seam = [&](double x, double y, int32_t &c, int32_t &r) { return x < 100 ? left(x, y, c, r) : right(x, y, c, r); };
    const PickGrid grid = makeGrid(PickRegion{60, 20, 3, 240, 120}, 256, seam);
    for (double x : {90.0, 97.0, 99.0}) {
        const TexelMeasure m = findTexelSize(grid, x, 40, FIRST_TEXEL_SIZE);
        ASSERT_TRUE(m.found);
        EXPECT_NEAR(2.5, m.size.pixels, 0.25) << "at " << x;
        EXPECT_NEAR(2.5, m.size.narrowest, 0.25) << "at " << x;
    }
    EXPECT_NEAR(4.0, findTexelSize(grid, 106, 40, FIRST_TEXEL_SIZE).size.pixels, 0.4);
    // Seen at a slant: 4 pixels a texel across, 1 down: the area's side is 2, the narrowest way 1.
    const TexelMeasure slant = findTexelSize(makeGrid(PickRegion{0, 0, 4, 160, 160}, 256, flatMap(4, 1)), 20, 20,
                                             FIRST_TEXEL_SIZE);
    ASSERT_TRUE(slant.found);
    EXPECT_NEAR(2.0, slant.size.pixels, 0.15);
    EXPECT_NEAR(1.0, slant.size.narrowest, 0.15);
    // Over the background there is nothing to measure.
    const ScreenMap nothing = [](double, double, int32_t &, int32_t &) { return false; };
    EXPECT_FALSE(findTexelSize(makeGrid(PickRegion{0, 0, 1, 40, 40}, 256, nothing), 20, 20, FIRST_TEXEL_SIZE).found);
}

TEST(FootprintTexels, EveryTexelUnderTheFootprintOnceAlsoWhereTexelsAreSmallerThanPixels)
{
    // Four texels a pixel each way, sampled at eight a pixel: the footprint of 2 x 2 pixels holds 8 x 8 texels.
    const double size = 0.25;
    const PickGrid grid = makeGrid(PickRegion{8, 8, 8, 32, 32}, 256, flatMap(size, size));
    const ProjectedDab dab = makeProjectedDab(10, 10, 8, 8, TexelSize{size, size});
    std::vector<FootprintTexel> texels;
    collectFootprintTexels(grid, dab, texels);
    std::set<int32_t> expected;
    for (int32_t r = 36; r < 44; ++r)
        for (int32_t c = 36; c < 44; ++c)
            expected.insert(r * 256 + c);
    std::set<int32_t> found;
    for (const FootprintTexel &t : texels) {
        EXPECT_TRUE(found.insert(t.texel).second) << "texel " << t.texel << " twice";
        EXPECT_NEAR((t.texel % 256 + 0.5) * size, t.x, 1e-9) << "its samples' mean point";
    }
    EXPECT_EQ(expected, found);
    // A footprint smaller than a sample still paints the texel under its centre.
    collectFootprintTexels(grid, makeProjectedDab(10.3, 10.3, 1, 1, TexelSize{0.01, 0.01}), texels);
    ASSERT_EQ(1u, texels.size());
    EXPECT_EQ(41 * 256 + 41, texels[0].texel);
}

class ProjectedPaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
    }
    void TearDown() override
    {
        resetPatternStore();
        modelLayout = UvLayout();
    }
};

TEST_F(ProjectedPaintTest, ThePatternLaidOverTheFootprintPaintsAsTheFlatViewsStamp)
{
    // A 6 x 4 pattern of distinct pixels, and the texture seen as the flat view shows it three pixels a texel:
    // screen row 0 shows the top row.
    PatternImage image{6, 4, {}};
    for (int32_t k = 0; k < 24; ++k)
        image.pixels.insert(image.pixels.end(), {uint8_t(10 * k), uint8_t(255 - 7 * k), uint8_t(40 + 5 * k)});
    ASSERT_TRUE(installPattern(image));
    ScreenMap upright = [](double x, double y, int32_t &c, int32_t &r) {
        c = int32_t(std::floor(x / 3));
        r = 255 - int32_t(std::floor(y / 3));
        return true;
    };
    // Centred on the bottom-left corner of texel (100, 50), where the stamp centred on that texel lands.
    const PickGrid grid = makeGrid(PickRegion{280, 600, 2, 80, 60}, 256, upright);
    const ProjectedDab dab = makeProjectedDab(300, 3 * (256 - 50), 6, 4, TexelSize{3, 3});
    std::vector<FootprintTexel> texels;
    collectFootprintTexels(grid, dab, texels);
    ASSERT_EQ(24u, texels.size());
    for (int32_t mode : {STAMP_DARKEN, STAMP_BRIGHTEN}) {
        initSkinStore();
        for (size_t k = 0; k < skinByteCount(); ++k)
            skinBase[k] = uint8_t(k * 37);
        resetTextureLayers(skinWidth, skinHeight, skinBase);
        std::vector<uint8_t> start(skinBase, skinBase + skinByteCount());
        stampPattern(100, 50, mode);
        std::vector<uint8_t> stamped(skinBase, skinBase + skinByteCount());
        std::copy(start.begin(), start.end(), skinBase);
        resetTextureLayers(skinWidth, skinHeight, skinBase);
        const SkinRect r = paintFootprint(mode == STAMP_DARKEN ? DabKind::pen : DabKind::eraser, true, dab, texels);
        EXPECT_EQ(stamped, std::vector<uint8_t>(skinBase, skinBase + skinByteCount())) << "mode " << mode;
        EXPECT_TRUE(r.left == 97 && r.right == 102 && r.bottom == 48 && r.top == 51);
    }
}

TEST_F(ProjectedPaintTest, ThePenFillsTheFootprintAndBleedsIntoTheGutterNeverIntoATriangle)
{
    // Two islands side by side in the texture, columns 8..39 and 42..73 of rows 8..71, with a 2-texel gutter.
    const float a[] = {8 / 256.f, 8 / 256.f, 40 / 256.f, 8 / 256.f, 40 / 256.f, 72 / 256.f,
                       8 / 256.f, 8 / 256.f, 40 / 256.f, 72 / 256.f, 8 / 256.f, 72 / 256.f,
                       42 / 256.f, 8 / 256.f, 74 / 256.f, 8 / 256.f, 74 / 256.f, 72 / 256.f,
                       42 / 256.f, 8 / 256.f, 74 / 256.f, 72 / 256.f, 42 / 256.f, 72 / 256.f};
    layOutModelTriangles(a, 4);
    // On the screen the first island's right edge meets the second's left edge at x = 100, as on the model.
    ScreenMap seam = [](double x, double y, int32_t &c, int32_t &r) {
        c = x < 100 ? 39 - int32_t(std::floor((100 - x) / 2)) : 42 + int32_t(std::floor((x - 100) / 2));
        r = 40 - int32_t(std::floor(y / 2));
        return true;
    };
    const PickGrid grid = makeGrid(PickRegion{80, 0, 2, 80, 40}, 256, seam);
    const ProjectedDab dab = makeProjectedDab(100, 11, 3, 3, TexelSize{2, 2});
    std::vector<FootprintTexel> texels;
    collectFootprintTexels(grid, dab, texels);
    paintFootprint(DabKind::pen, false, dab, texels);
    // The footprint [97, 103) x [8, 14) shows columns 38 and 39 of the first island and 42 and 43 of the second
    // in rows 34 to 36; the gutter's columns 40 and 41 take their colour within two texels of them.
    std::set<std::pair<int32_t, int32_t>> expected, painted;
    for (int32_t r = 34; r <= 36; ++r)
        for (int32_t c : {38, 39, 42, 43})
            expected.insert({c, r});
    for (int32_t r = 32; r <= 38; ++r)
        for (int32_t c : {40, 41})
            expected.insert({c, r});
    for (int32_t r = 0; r < 256; ++r)
        for (int32_t c = 0; c < 256; ++c)
            if (skinBase[texelOffset(c, r)] != 255)
                painted.insert({c, r});
    EXPECT_EQ(expected, painted);
    EXPECT_EQ(170, skinGL[texelOffset(40, 32) + 2]) << "the copies follow the bleed";
}

TEST(ProjectedDabs, ASlantedStrokeOverlapsFromDabToDabInTheTexture)
{
    // Seen at a grazing angle: a texel is 4 pixels across and half a pixel down. A drag down the screen crosses
    // two texel rows a pixel; dabs a quarter footprint apart must still share texels, or the line breaks.
    const ScreenMap grazing = flatMap(4, 0.5);
    std::vector<CursorPoint> points;
    for (int32_t y = 20; y <= 80; ++y)
        points.push_back(CursorPoint{40, y});
    const PickGrid grid = makeGrid(PickRegion{0, 0, 8, 640, 800}, 256, grazing);
    DabPlacement placed;
    placeProjectedDabs(grid, points, true, 3, 3, 200, 200, ProjectedStroke{false, 0, 0, FIRST_TEXEL_SIZE}, placed);
    ASSERT_GT(placed.dabs.size(), 3u);
    EXPECT_FALSE(placed.retry);
    std::vector<FootprintTexel> texels;
    std::set<int32_t> previous, rows;
    for (const ProjectedDab &dab : placed.dabs) {
        collectFootprintTexels(grid, dab, texels);
        std::set<int32_t> now;
        for (const FootprintTexel &t : texels) {
            now.insert(t.texel);
            rows.insert(t.texel / 256);
        }
        bool shared = previous.empty();
        for (int32_t t : now)
            shared = shared || previous.count(t) > 0;
        EXPECT_TRUE(shared) << "the dab at y = " << dab.y << " shares no texel with the one before";
        previous = now;
    }
    EXPECT_EQ(*rows.rbegin() - *rows.begin() + 1, int32_t(rows.size())) << "every texel row of the way is painted";
}

TEST(ProjectedDabs, APassTooCoarseOrTooSmallIsDrawnAgainFinerOrWider)
{
    std::vector<CursorPoint> at = {CursorPoint{50, 50}};
    const ProjectedStroke fresh = {false, 0, 0, FIRST_TEXEL_SIZE};
    DabPlacement placed;
    // Texels of a quarter pixel met one sample a pixel: the next pass is planned several times finer.
    const PickRegion coarse = planPickRegion(at, 3, 3, FIRST_TEXEL_SIZE, 200, 200, 512, 512);
    placeProjectedDabs(makeGrid(coarse, 2048, flatMap(0.25, 0.25)), at, true, 3, 3, 200, 200, fresh, placed);
    ASSERT_TRUE(placed.retry);
    const PickRegion finer = planPickRegion(at, 3, 3, placed.guess, 200, 200, 512, 512);
    EXPECT_GE(finer.scale, PICK_SAMPLES_NEEDED / 0.25);
    EXPECT_TRUE(regionImproves(finer, coarse));
    // Texels of 20 pixels: a 32-texel pattern's footprint reaches far beyond the pass planned for 2.
    placeProjectedDabs(makeGrid(coarse, 256, flatMap(20, 20)), at, true, 32, 32, 200, 200, fresh, placed);
    ASSERT_TRUE(placed.retry);
    const PickRegion wider = planPickRegion(at, 32, 32, placed.guess, 200, 200, 512, 512);
    EXPECT_TRUE(wider.left == 0 && wider.top == 0 && wider.columns / wider.scale == 200) << "the whole view";
    EXPECT_TRUE(regionImproves(wider, coarse));
}

} // namespace
