// Tests of the main window's layout arithmetic: view positions under other dialog units, label room.
#include <gtest/gtest.h>

#include "shell/dialog_layout.h"

namespace {

TEST(PlaceForDialogUnits, KeepsTheStandardPixelsAndCarriesOtherUnitsAxisByAxis)
{
    struct Case {
        DialogBaseUnits units;
        PixelPoint laidOut, expected;
    } cases[] = {
        {standardBaseUnits, {545, 227}, {545, 227}},
        {{7, 13}, {545, 227}, {636, 227}},   // wider font: 545 * 7 / 6 = 635.8
        {{7, 13}, {811, 227}, {946, 227}},
        {{6, 12}, {545, 227}, {545, 210}},   // shorter font: 227 * 12 / 13 = 209.5
        {{9, 20}, {545, 227}, {818, 349}},   // larger scaling: both axes
        {{7, 14}, {10, 10}, {10, 10}},       // moved by 2 pixels or less: rounding, kept
    };
    for (const Case &c : cases) {
        const PixelPoint got = placeForDialogUnits(c.laidOut, c.units);
        EXPECT_EQ(c.expected.x, got.x) << c.units.x << " x " << c.units.y;
        EXPECT_EQ(c.expected.y, got.y) << c.units.x << " x " << c.units.y;
    }
}

TEST(WidenedLabelRight, StopsAtTheNextBoxOnItsRowOrItsContainer)
{
    // A label 100..150 on the row 20..30, inside a group box 90..300.
    std::vector<LayoutBox> boxes = {
        {100, 20, 150, 30, false}, {90, 0, 300, 100, true}, {175, 18, 220, 32, false},   // edit on the row
        {120, 40, 130, 50, false}, {160, 0, 170, 20, false},                             // below, above
    };
    EXPECT_EQ(150, widenedLabelRight(boxes, 0, 40, 400)) << "fits: never narrowed";
    EXPECT_EQ(165, widenedLabelRight(boxes, 0, 65, 400));
    EXPECT_EQ(175, widenedLabelRight(boxes, 0, 90, 400)) << "up to the edit";
    boxes.erase(boxes.begin() + 2);
    EXPECT_EQ(300, widenedLabelRight(boxes, 0, 500, 400)) << "up to the group box's side";
    EXPECT_EQ(250, widenedLabelRight(boxes, 0, 500, 250)) << "up to the client area's side";
}

}  // namespace
