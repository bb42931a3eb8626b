// Tests of the brush tip (coverage, falloff), the stroke mask's opacity rule, and the brush keys' steps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/state.h"
#include "paint/brush.h"
#include "paint/brush_tip.h"
#include "paint/bucket.h"
#include "paint/paint_options.h"
#include "paint/stroke.h"
#include "paint/stroke_mask.h"
#include "tests/native/start_texture.h"

namespace {

const uint32_t LEFT = 0x1, RIGHT = 0x2;
const double PI = 3.14159265358979323846;

class TipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
        paintOptions.usePattern = false;
    }
    static const uint8_t *texel(int x, int y) { return skinBase + (static_cast<size_t>(y) * SKIN_SIDE + x) * 3; }
    static void tip(BrushShape shape, int32_t hardness, int32_t opacity)
    {
        paintOptions.brushShape = shape;
        paintOptions.hardness = hardness;
        paintOptions.opacity = opacity;
    }
};

double sum(const TipDab &dab)
{
    double total = 0;
    for (float w : dab.weights)
        total += w;
    return total;
}

float weightAt(const TipDab &dab, int32_t x, int32_t y)
{
    return dab.weights[static_cast<size_t>(y - dab.bottom) * static_cast<size_t>(dab.width) + (x - dab.left)];
}

TEST(RoundTip, CoverageAtSubTexelCentresSumsToTheDiscsArea)
{
    struct Case {
        int32_t size;
        double x, y;
    } const cases[] = {{1, 10.5, 10.5}, {1, 10.0, 10.0}, {2, 10.0, 10.0}, {3, 20.3, 7.8},
                       {16, 30.25, 40.75}, {64, 100.1, 100.9}, {101, 128.0, 128.5}};
    TipDab dab;
    for (const Case &c : cases) {
        roundTipWeights(BrushPoint{c.x, c.y}, c.size, 100, 256, 256, dab);
        const double area = PI * c.size * c.size / 4;
        EXPECT_NEAR(sum(dab), area, 0.005 * area + 0.01) << c.size << " at " << c.x << "," << c.y;
        for (float w : dab.weights)
            ASSERT_TRUE(w >= 0.0f && w <= 1.0f);
    }
}

TEST(RoundTip, IsRoundSymmetricAndCutAtTheTexture)
{
    TipDab dab;
    roundTipWeights(BrushPoint{50.5, 60.5}, 9, 40, 256, 256, dab);
    for (int32_t dy = -4; dy <= 4; ++dy)
        for (int32_t dx = -4; dx <= 4; ++dx) {
            const float w = weightAt(dab, 50 + dx, 60 + dy);
            EXPECT_FLOAT_EQ(w, weightAt(dab, 50 - dx, 60 + dy));
            EXPECT_NEAR(w, weightAt(dab, 50 + dy, 60 + dx), 2e-3);   // columns are sampled, rows exact
        }
    EXPECT_EQ(weightAt(dab, 46, 56), 0.0f);   // the square's corner lies outside the disc
    EXPECT_EQ(weightAt(dab, 50, 60), 1.0f);
    roundTipWeights(BrushPoint{1.0, 1.0}, 8, 100, 256, 256, dab);
    EXPECT_EQ(dab.left, 0);
    EXPECT_EQ(dab.bottom, 0);
    roundTipWeights(BrushPoint{-20.0, 5.0}, 8, 100, 256, 256, dab);
    EXPECT_TRUE(dab.weights.empty());
}

TEST(Falloff, FallsMonotonicallyFromFullInTheCoreToNothingAtTheEdge)
{
    for (int32_t hardness : {0, 25, 50, 75, 99, 100}) {
        float last = 1.0f;
        for (int k = 0; k <= 100; ++k) {
            const float f = tipFalloff(k / 100.0f, hardness);
            EXPECT_LE(f, last) << hardness << " at " << k;
            last = f;
        }
        EXPECT_EQ(tipFalloff(0.0f, hardness), 1.0f);
        if (hardness < 100)
            EXPECT_EQ(tipFalloff(hardness / 100.0f, hardness), 1.0f);
        EXPECT_EQ(tipFalloff(1.0f, hardness), 0.0f);
    }
    EXPECT_NEAR(tipFalloff(0.5f, 0), 0.5f, 1e-6);   // the smooth curve's middle
    EXPECT_NEAR(tipFalloff(0.75f, 50), 0.5f, 1e-6);
}

TEST(ScreenTip, RoundCoversTheDiscAntiAliasedOverATexel)
{
    struct Case {
        BrushShape shape;
        double dx, dy;
        int32_t hardness;
        float weight;
    } const cases[] = {
        {BrushShape::round, 0, 0, 0, 1.0f},      {BrushShape::round, 3, 4, 100, 1.0f},
        {BrushShape::round, 6, 8, 100, 0.5f},    {BrushShape::round, 7.5, 10, 100, 0.0f},
        {BrushShape::square, 9.9, 9.9, 100, 1.0f}, {BrushShape::square, 5, 1, 0, 0.5f},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(screenTipWeight(c.shape, c.dx, c.dy, 10.0, 2.0, c.hardness), c.weight, 1e-6) << c.dx << "," << c.dy;
}

TEST_F(TipTest, AFreshStartPaintsTheSpecifiedHardSquare)
{
    paintSquare(100, 155, 3, 0, 119, 170);
    const std::vector<uint8_t> expected(skinBase, skinBase + SKIN_BYTES);
    initSkinStore();
    ASSERT_TRUE(paintDab(LEFT, TexelPoint{100, 155}, false));
    EXPECT_EQ(0, std::memcmp(expected.data(), skinBase, SKIN_BYTES));
}

TEST_F(TipTest, AStrokeNeverGivesATexelMoreThanItsOpacityHoweverOftenItPasses)
{
    tip(BrushShape::round, 100, 50);
    brushSettings.penColor[0] = brushSettings.penColor[1] = brushSettings.penColor[2] = 0;
    strokeMessage(StrokeEvent::buttonDown, LEFT, BrushPoint{40.5, 40.5}, false, true);
    for (int pass = 0; pass < 10; ++pass)
        strokeMessage(StrokeEvent::move, LEFT, BrushPoint{pass % 2 ? 30.5 : 50.5, 40.5}, false, true);
    strokeMessage(StrokeEvent::buttonUp, 0, BrushPoint{50.5, 40.5}, false, true);
    EXPECT_EQ(texel(40, 40)[0], 128);   // 255 halfway to 0, rounded
    EXPECT_EQ(strokeMaskTexels(), 0u);  // the mask is dropped with the stroke
    strokeMessage(StrokeEvent::buttonDown, LEFT, BrushPoint{40.5, 40.5}, false, true);
    EXPECT_EQ(texel(40, 40)[0], 64);    // a second stroke adds to the first
    EXPECT_GT(strokeMaskTexels(), 0u);
    EXPECT_LT(strokeMaskTexels(), 10u); // ... and the mask holds only the texels it touched
}

TEST_F(TipTest, TheEraserAtHalfOpacityBringsATexelHalfwayToItsColour)
{
    tip(BrushShape::square, 100, 100);
    paintDab(LEFT, TexelPoint{20, 20}, false);
    endStrokeMask();
    tip(BrushShape::square, 100, 50);
    paintDab(RIGHT, TexelPoint{20, 20}, false);
    EXPECT_EQ(texel(20, 20)[0], (170 + 255 + 1) / 2);   // blue 170 halfway to white
    EXPECT_EQ(texel(20, 20)[1], (119 + 255 + 1) / 2);
}

TEST_F(TipTest, ASoftRoundDabIsFullAtItsMiddleAndLighterOutwards)
{
    tip(BrushShape::round, 0, 100);
    brushSettings.penSize = 21;
    paintTipAt(DabKind::pen, BrushPoint{60.5, 60.5}, false);
    int last = -1;
    for (int dx = 0; dx <= 11; ++dx) {
        EXPECT_GE(texel(60 + dx, 60)[2], last) << dx;   // red 0 -> 255 outwards
        last = texel(60 + dx, 60)[2];
    }
    EXPECT_EQ(texel(60, 60)[2], 0);
    EXPECT_EQ(texel(71, 60)[2], 255);
    EXPECT_EQ(texel(68, 68)[2], 255);   // round: the square's corner stays white
}

TEST_F(TipTest, ASoftStrokesEdgeRunsEvenWithoutAScallopAtEachDab)
{
    for (BrushShape shape : {BrushShape::round, BrushShape::square}) {
        initSkinStore();
        tip(shape, 20, 85);
        brushSettings.penSize = 14;
        strokeMessage(StrokeEvent::buttonDown, LEFT, BrushPoint{20.5, 40.5}, false, true);
        strokeMessage(StrokeEvent::move, LEFT, BrushPoint{140.5, 40.5}, false, true);
        strokeMessage(StrokeEvent::buttonUp, 0, BrushPoint{140.5, 40.5}, false, true);
        for (int dy : {3, 4, 5}) {
            int low = 255, high = 0;
            for (int x = 50; x <= 110; ++x) {
                low = std::min(low, int(texel(x, 40 + dy)[2]));
                high = std::max(high, int(texel(x, 40 + dy)[2]));
            }
            EXPECT_LE(high - low, 3) << (shape == BrushShape::round ? "round" : "square") << ", row +" << dy;
        }
    }
}

TEST_F(TipTest, ATinyRoundTipStillPaintsWhereTheCursorIs)
{
    tip(BrushShape::round, 0, 100);
    brushSettings.penSize = 1;
    paintTipAt(DabKind::pen, BrushPoint{30.0, 30.0}, false);   // on a texel corner
    for (int y : {29, 30})
        for (int x : {29, 30})
            EXPECT_LT(texel(x, y)[0], 255) << x << "," << y;
}

TEST_F(TipTest, FillPaintsAtTheOpacity)
{
    tip(BrushShape::square, 100, 50);
    const TexelPoint seed = {5, 5};
    fillFromSeeds(DabKind::pen, &seed, 1, false, 0);
    EXPECT_EQ(texel(200, 200)[2], 128);   // red 255 halfway to 0
}

TEST(BrushKeys, SizeStepsByOneBelowTenThenByAboutATenth)
{
    struct Case {
        int32_t size;
        bool grow;
        int32_t next;
    } const cases[] = {{1, false, 1}, {1, true, 2}, {9, true, 10}, {10, true, 11}, {10, false, 9}, {11, false, 10},
                       {50, true, 55}, {50, false, 45}, {64, true, 70}, {2048, true, 2048}, {0, true, 2}};
    for (const Case &c : cases)
        EXPECT_EQ(stepBrushSize(c.size, c.grow), c.next) << c.size << (c.grow ? " up" : " down");
    EXPECT_EQ(stepHardness(100, true), 100);
    EXPECT_EQ(stepHardness(100, false), 75);
    EXPECT_EQ(stepHardness(60, false), 50);
    EXPECT_EQ(stepHardness(60, true), 75);
    EXPECT_EQ(stepHardness(0, false), 0);
    EXPECT_EQ(opacityForDigit(0), 100);
    EXPECT_EQ(opacityForDigit(3), 30);
}

} // namespace
