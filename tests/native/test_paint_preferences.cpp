// Tests of the brush tip and the painting options as lines of pelterine.ini.
#include <gtest/gtest.h>

#include "app/paint_preferences.h"

namespace {

TEST(PaintPreferences, RoundTripAndAFirstStartKeepsTheStartValues)
{
    PaintOptions changed = startPaintOptions();
    changed.brushShape = BrushShape::round;
    changed.hardness = 25;
    changed.opacity = 60;
    changed.usePattern = false;
    changed.mirror = true;
    Preferences kept = {{"session.model", "box.vmr"}};
    storePaintPreferences(changed, kept);
    EXPECT_EQ(kept["brush.shape"], "round");
    EXPECT_EQ(kept["session.model"], "box.vmr");
    EXPECT_EQ(kept.count("options.fill"), 0u);   // at its start value and not in the file: not written
    PaintOptions read = startPaintOptions();
    readPaintPreferences(kept, read);
    EXPECT_EQ(read.brushShape, BrushShape::round);
    EXPECT_EQ(read.hardness, 25);
    EXPECT_EQ(read.opacity, 60);
    EXPECT_FALSE(read.usePattern);
    EXPECT_TRUE(read.mirror);
    EXPECT_TRUE(read.smoothStrokes);

    Preferences none;
    storePaintPreferences(startPaintOptions(), none);
    EXPECT_TRUE(none.empty());
    storePaintPreferences(startPaintOptions(), kept);   // back to the start values: the file says so
    EXPECT_EQ(kept["brush.shape"], "square");
}

TEST(PaintPreferences, MalformedValuesLeaveTheirOptionsAlone)
{
    const Preferences bad = {{"brush.shape", "oval"}, {"brush.hardness", "101"}, {"brush.opacity", "0"},
                             {"options.fill", "yes"}};
    PaintOptions read = startPaintOptions();
    readPaintPreferences(bad, read);
    EXPECT_EQ(read.brushShape, BrushShape::square);
    EXPECT_EQ(read.hardness, 100);
    EXPECT_EQ(read.opacity, 100);
    EXPECT_FALSE(read.fill);
}

} // namespace
