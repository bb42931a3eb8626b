// Tests of painting on the model: the coordinate texture's code, and which viewport pixels each frame picks.
#include <gtest/gtest.h>

#include <vector>

#include "texture/skin_store.h"
#include "viewport/model_paint.h"

namespace {

TEST(CoordinateTexture, EveryTexelOfEverySizeDecodesToItself)
{
    const int32_t sizes[][2] = {{256, 256}, {301, 193}, {8, 2048}, {2048, 2048}};
    for (const auto &size : sizes) {
        const int32_t width = size[0], height = size[1];
        std::vector<uint8_t> texture(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        fillCoordinateTexture(texture.data(), width, height);
        for (int32_t row = 0; row < height; ++row) {
            for (int32_t column = 0; column < width; ++column) {
                int32_t c = -1, r = -1;
                const uint8_t *code = &texture[(static_cast<size_t>(row) * static_cast<size_t>(width) + column) * 3];
                ASSERT_TRUE(decodePickedTexel(code, width, height, c, r));
                ASSERT_TRUE(c == column && r == row) << column << ", " << row << " of " << width << " x " << height;
            }
        }
    }
}

TEST(CoordinateTexture, TheClearColourAndUntexturedColoursAreNoTexel)
{
    const uint8_t black[3] = {0, 0, 0}, white[3] = {255, 255, 255}, grey[3] = {128, 128, 128};
    int32_t c, r;
    for (int32_t side : {256, 2048}) {
        EXPECT_FALSE(decodePickedTexel(black, side, side, c, r));
        EXPECT_FALSE(decodePickedTexel(white, side, side, c, r)) << "a model drawn without its texture";
    }
    // Of the greys a lit, untextured model shows, only one passes for a texel of a 256 x 256 texture.
    int passing = 0;
    for (int v = 0; v < 256; ++v) {
        const uint8_t flat[3] = {uint8_t(v), uint8_t(v), uint8_t(v)};
        passing += decodePickedTexel(flat, 256, 256, c, r);
    }
    EXPECT_EQ(1, passing);
    EXPECT_FALSE(decodePickedTexel(grey, 256, 256, c, r));
    uint8_t beyond[3];   // a texel of a larger texture
    coordinateTexel(300, 10, beyond);
    EXPECT_FALSE(decodePickedTexel(beyond, 256, 256, c, r));
    EXPECT_TRUE(decodePickedTexel(beyond, 301, 11, c, r));
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
    ASSERT_EQ(10u, plan.samples.size()) << "every pixel of the way";
    EXPECT_TRUE(plan.samples[0].x == 101 && plan.samples[9].x == 110);
    planModelPaint(input(false, false, 114, 100), true, plan);
    EXPECT_TRUE(plan.ended && !modelStroke.active);
    EXPECT_EQ(4u, plan.samples.size()) << "the move seen with the release is painted";
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
    ASSERT_EQ(41u, plan.samples.size());
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

TEST(ModelPaintPlan, ControlClickPicksAndAFillFillsAtThePressAndPaintNothingMore)
{
    for (bool fill : {false, true}) {
        resetModelStroke();
        ModelPaintPlan plan;
        ModelPaintInput press = input(true, false, 50, 60, true, !fill);
        press.fill = fill;
        planModelPaint(press, true, plan);
        EXPECT_TRUE(plan.began && (fill ? modelStroke.fills : modelStroke.picksColour));
        EXPECT_EQ(1u, plan.samples.size());
        planModelPaint(input(true, false, 90, 60), true, plan);
        EXPECT_TRUE(plan.samples.empty());
    }
}

} // namespace
