// Tests of painting on the model: the coordinate texture's code, and which viewport pixels each frame picks.
#include <gtest/gtest.h>

#include <vector>

#include "skin/skin_store.h"
#include "viewport/model_paint.h"

namespace {

TEST(CoordinateTexture, EveryTexelDecodesToItselfAndTheClearColourToNothing)
{
    std::vector<uint8_t> texture(SKIN_BYTES);
    fillCoordinateTexture(texture.data());
    for (int32_t row = 0; row < SKIN_SIDE; ++row) {
        for (int32_t column = 0; column < SKIN_SIDE; ++column) {
            int32_t c = -1, r = -1;
            ASSERT_TRUE(decodePickedTexel(&texture[(static_cast<size_t>(row) * SKIN_SIDE + column) * 3], c, r));
            ASSERT_TRUE(c == column && r == row) << column << ", " << row;
        }
    }
    const uint8_t black[3] = {0, 0, 0}, white[3] = {255, 255, 255}, grey[3] = {128, 128, 128};
    int32_t c, r;
    EXPECT_FALSE(decodePickedTexel(black, c, r));
    EXPECT_FALSE(decodePickedTexel(white, c, r)) << "a model drawn without its texture";
    EXPECT_FALSE(decodePickedTexel(grey, c, r));
}

ModelPaintInput input(bool left, bool right, int32_t x, int32_t y, bool inside = true, bool control = false)
{
    return ModelPaintInput{left, right, control, inside, CursorPoint{x, y}};
}

TEST(ModelPaintPlan, AStrokeSamplesItsPressThenOnlyMovesUntilItsButtonIsUp)
{
    resetModelStroke();
    ModelPaintPlan plan;
    planModelPaint(input(true, false, 100, 100, false), true, plan);
    EXPECT_FALSE(plan.began) << "a press outside the viewport paints nothing";
    planModelPaint(input(true, true, 100, 100), true, plan);
    EXPECT_FALSE(plan.began) << "nor do both buttons";
    planModelPaint(input(false, true, 100, 100), true, plan);
    ASSERT_TRUE(plan.began && plan.samples.size() == 1);
    EXPECT_EQ(DabKind::eraser, modelStroke.kind);
    planModelPaint(input(false, true, 100, 100), true, plan);
    EXPECT_TRUE(plan.samples.empty()) << "holding still paints no more";
    planModelPaint(input(false, true, 110, 100, false), true, plan);   // samples go on outside the viewport
    ASSERT_EQ(5u, plan.samples.size());
    EXPECT_TRUE(plan.samples[0].x == 102 && plan.samples[4].x == 110);
    planModelPaint(input(false, false, 114, 100), true, plan);
    EXPECT_TRUE(plan.ended && !modelStroke.active);
    EXPECT_EQ(2u, plan.samples.size()) << "the move seen with the release is painted";
}

TEST(ModelPaintPlan, APressMessageStartsTheStrokeWhereTheButtonWentDown)
{
    // The press, the move and the release all came before one frame: the whole stroke is painted in it.
    resetModelStroke();
    ModelPaintPlan plan;
    ModelPaintInput late = input(false, false, 60, 20);
    late.pressed = true;
    late.pressLeft = true;
    late.press = CursorPoint{20, 20};
    planModelPaint(late, true, plan);
    EXPECT_TRUE(plan.began && plan.ended);
    EXPECT_EQ(DabKind::pen, modelStroke.kind);
    ASSERT_EQ(21u, plan.samples.size());
    EXPECT_TRUE(plan.samples.front().x == 20 && plan.samples.back().x == 60);
}

TEST(ModelPaintPlan, WithoutSmoothingEachFrameSamplesTheCursorOnly)
{
    resetModelStroke();
    ModelPaintPlan plan;
    planModelPaint(input(true, false, 10, 10), false, plan);
    planModelPaint(input(true, false, 200, 300), false, plan);
    ASSERT_EQ(1u, plan.samples.size());
    EXPECT_TRUE(plan.samples[0].x == 200 && plan.samples[0].y == 300);
}

TEST(ModelPaintPlan, SmoothDabsKeepTheirSpacingInTexels)
{
    resetModelStroke();
    const int32_t texels[][2] = {{10, 10}, {10, 10}, {13, 10}, {14, 10}, {14, 6}, {200, 40}};
    std::vector<bool> dabbed;
    for (const auto &t : texels)
        dabbed.push_back(spaceModelDab(t[0], t[1], 4));
    EXPECT_EQ((std::vector<bool>{true, false, false, true, true, true}), dabbed);
}

TEST(ModelPaintPlan, ControlClickPicksAtThePressAndPaintsNothingMore)
{
    resetModelStroke();
    ModelPaintPlan plan;
    planModelPaint(input(true, false, 50, 60, true, true), true, plan);
    EXPECT_TRUE(plan.began && modelStroke.picksColour);
    EXPECT_EQ(1u, plan.samples.size());
    planModelPaint(input(true, false, 90, 60), true, plan);
    EXPECT_TRUE(plan.samples.empty());
}

} // namespace
