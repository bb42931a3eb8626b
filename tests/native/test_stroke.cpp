// Tests of strokes on the skin view (the smooth line of dabs, where strokes begin and end), undo and redo, and
// the colour picker.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/brush.h"
#include "texture/history.h"
#include "paint/stroke.h"
#include "tests/native/start_texture.h"

namespace {

const uint32_t LEFT = 0x1, RIGHT = 0x2, CONTROL = 0x8;

// The texel under a point of a 256 x 256 texture shown at one pixel per texel.
TexelPoint at(int32_t x, int32_t windowY)
{
    return TexelPoint{x, 255 - windowY};
}

class StrokeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
    }
    void TearDown() override { resetPatternStore(); }

    std::vector<uint8_t> texture() const { return std::vector<uint8_t>(skinBase, skinBase + SKIN_BYTES); }
};

bool painted(int x, int y)
{
    return skinBase[(static_cast<size_t>(y) * SKIN_SIDE + x) * 3] != 255;
}

TEST(StrokeLine, DabsEverySpacingAlongTheLongerAxisEndingExactlyOnTheNewTexel)
{
    struct Case {
        int32_t x0, y0, x1, y1, spacing;
        std::vector<TexelPoint> dabs;
    };
    const Case cases[] = {
        {0, 0, 10, 0, 4, {{4, 0}, {8, 0}, {10, 0}}},
        {10, 0, 0, 0, 4, {{6, 0}, {2, 0}, {0, 0}}},
        {0, 0, 3, 9, 3, {{1, 3}, {2, 6}, {3, 9}}},               // the longer axis is the vertical one
        {0, 0, 4, -2, 1, {{1, -1}, {2, -1}, {3, -2}, {4, -2}}},  // halves round away from zero
        {5, 5, 5, 5, 1, {{5, 5}}},                                // a move on the spot still paints once
        {0, 0, 7, 7, 100, {{7, 7}}},                              // a huge brush: the end alone
    };
    std::vector<TexelPoint> got;
    for (const Case &c : cases) {
        lineDabs(c.x0, c.y0, c.x1, c.y1, c.spacing, got);
        ASSERT_EQ(c.dabs.size(), got.size()) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i].x == c.dabs[i].x && got[i].y == c.dabs[i].y) << "dab " << i;
    }
    lineDabs(0, 255, 65535, -65280, 1, got);   // the farthest a cursor word reaches: every texel, no overflow
    EXPECT_EQ(65535u, got.size());
    EXPECT_TRUE(got.back().x == 65535 && got.back().y == -65280);
}

TEST(StrokeLine, SpacingIsAQuarterOfTheBrushAtLeastOne)
{
    EXPECT_EQ(1, dabSpacing(3));
    EXPECT_EQ(1, dabSpacing(0));
    EXPECT_EQ(1, dabSpacing(-8));
    EXPECT_EQ(8, dabSpacing(32));
    EXPECT_EQ(536870911, dabSpacing(2147483647));
}

TEST_F(StrokeTest, AFastSmoothMovePaintsAnUnbrokenLineAndAPlainOneSeparateDabs)
{
    for (bool smooth : {true, false}) {
        initSkinStore();
        resetStroke();
        strokeMessage(StrokeEvent::buttonDown, LEFT, at(20, 100), false, smooth);
        strokeMessage(StrokeEvent::move, LEFT, at(220, 100), false, smooth);
        int gaps = 0;
        for (int x = 20; x <= 220; ++x)
            gaps += painted(x, 155) ? 0 : 1;
        EXPECT_EQ(smooth ? 0 : 197, gaps) << (smooth ? "smooth" : "plain");
    }
}

TEST_F(StrokeTest, AStrokeEndsAtTheReleaseOrAtAnyOtherButtonsAndIsOneUndoStep)
{
    std::vector<uint8_t> before = texture();
    StrokeStep s = strokeMessage(StrokeEvent::move, LEFT, at(10, 10), false, true);   // entering with the button
    EXPECT_TRUE(s.began && s.painted);
    strokeMessage(StrokeEvent::move, LEFT, at(60, 10), false, true);
    s = strokeMessage(StrokeEvent::move, LEFT | 0x4, at(90, 10), false, true);   // Shift joins in: no more
    EXPECT_TRUE(s.ended && s.kept && !s.painted);
    EXPECT_FALSE(painted(90, 245));
    EXPECT_EQ(1u, historySteps());
    EXPECT_EQ(1, textureChanged);

    s = strokeMessage(StrokeEvent::buttonDown, RIGHT, at(30, 10), false, true);   // the eraser, a new stroke
    EXPECT_TRUE(s.began);
    s = strokeMessage(StrokeEvent::buttonUp, 0, at(30, 10), false, true);
    EXPECT_TRUE(s.ended && s.kept);
    EXPECT_EQ(2u, historySteps());

    undoStep();
    undoStep();
    EXPECT_TRUE(texture() == before);
    EXPECT_FALSE(canUndo());
}

TEST_F(StrokeTest, LeavingTheViewBreaksTheLineButNotTheStroke)
{
    strokeMessage(StrokeEvent::buttonDown, LEFT, at(10, 50), false, true);
    breakStrokeLine();
    strokeMessage(StrokeEvent::move, LEFT, at(200, 50), false, true);
    EXPECT_FALSE(painted(100, 205));
    EXPECT_TRUE(painted(200, 205));
    EXPECT_TRUE(stroke.active);
}

TEST_F(StrokeTest, ControlClickPicksThePaintedColourNotTheGridAndPaintsNothing)
{
    paintSquare(40, 40, 1, 12, 34, 56);
    std::memset(gridLayer, 0, SKIN_BYTES);
    EXPECT_FALSE(pickPenColor(LEFT, at(40, 215)));
    EXPECT_TRUE(pickPenColor(LEFT | CONTROL, at(40, 215)));
    EXPECT_TRUE(brushSettings.penColor[0] == 12 && brushSettings.penColor[1] == 34 && brushSettings.penColor[2] == 56);
    StrokeStep s = strokeMessage(StrokeEvent::buttonDown, LEFT | CONTROL, at(41, 215), false, true);
    EXPECT_FALSE(s.painted);
}

TEST_F(StrokeTest, HistoryRestoresExactlyDropsRedoAndStaysWithinItsBudget)
{
    std::vector<uint8_t> states[3] = {texture()};
    for (int i = 1; i <= 2; ++i) {
        beginHistoryStep();
        paintSquare(i * 50, i * 50, 9, uint8_t(i), 2, 3);
        ASSERT_TRUE(endHistoryStep());
        states[i] = texture();
    }
    undoStep();
    EXPECT_TRUE(texture() == states[1]);
    redoStep();
    EXPECT_TRUE(texture() == states[2]);
    undoStep();
    beginHistoryStep();
    EXPECT_FALSE(endHistoryStep()) << "a step that changed nothing is not kept";
    EXPECT_TRUE(canRedo());
    beginHistoryStep();
    paintSquare(200, 10, 1, 0, 0, 0);
    endHistoryStep();
    EXPECT_FALSE(canRedo()) << "a new step drops what could have been redone";
    for (size_t i = 0; i < SKIN_BYTES; i += 3)   // skinGL follows skinBase through undo and redo
        ASSERT_TRUE(skinGL[i] == skinBase[i + 2] && skinGL[i + 2] == skinBase[i]);

    // Whole-texture steps, far more than fit: the oldest go, the last 100 at least stay.
    for (int i = 0; i < 400; ++i) {
        beginHistoryStep();
        paintSquare(128, 128, 256, uint8_t(i), uint8_t(i >> 8), 7);
        endHistoryStep();
        ASSERT_LE(historyBytes(), size_t{HISTORY_BUDGET_BYTES});
    }
    EXPECT_GE(historySteps(), 100u);
    EXPECT_LT(historySteps(), 400u);
    for (size_t i = 0; i < 100; ++i)
        undoStep();
    EXPECT_EQ(uint8_t(299), skinBase[2 + (128 * SKIN_SIDE + 128) * 3]) << "100 undos bring back the 300th step";
}

} // namespace
