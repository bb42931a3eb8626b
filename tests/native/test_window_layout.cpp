// Tests of the main window's layout as it grows: the split of the extra room between the viewport and the skin
// view, controls that move with them, nothing that overlaps or leaves the client area, and the DPI scaling.
#include <gtest/gtest.h>

#include "shell/window_layout.h"

namespace {

const LayoutRole V = LayoutRole::viewport, S = LayoutRole::skinShown, G = LayoutRole::container,
                 W = LayoutRole::stretch, C = LayoutRole::control;

LayoutItem item(LayoutRole role, int32_t l, int32_t t, int32_t r, int32_t b)
{
    return {{l, t, r, b, role == G}, role};
}

// The main window as Windows lays it out at 96 DPI ("MS Shell Dlg" 8 pt), in pixels of the client area.
const ClientSize START = {933, 531};
const std::vector<LayoutItem> MAIN_WINDOW = {
    item(V, 10, 10, 522, 522),     item(G, 532, 11, 922, 141),    item(G, 532, 150, 922, 520),
    item(W, 546, 36, 826, 55),     item(C, 828, 36, 847, 57),     item(C, 849, 36, 907, 57),    // path, ..., Load
    item(C, 546, 67, 652, 81),     item(C, 546, 86, 648, 106),    item(C, 670, 68, 760, 81),
    item(C, 670, 86, 766, 99),     item(C, 546, 115, 684, 128),   item(W, 705, 112, 841, 125),  // plugin name
    item(C, 849, 109, 907, 130),   item(C, 546, 172, 594, 185),   item(C, 610, 169, 670, 189),
    item(C, 670, 169, 711, 190),   item(C, 841, 169, 910, 190),   item(C, 546, 198, 606, 211),
    item(C, 610, 195, 670, 215),   item(C, 670, 195, 711, 216),   item(S, 545, 227, 801, 483),
    item(C, 811, 227, 875, 291),   item(C, 810, 299, 912, 320),   item(C, 810, 327, 889, 340),  // pattern column
    item(C, 810, 348, 874, 361),   item(C, 810, 374, 912, 387),   item(C, 810, 395, 912, 408),
    item(C, 544, 491, 631, 512),   item(C, 636, 491, 726, 512),   item(C, 730, 491, 820, 512),  // bottom row
    item(C, 825, 491, 868, 512),   item(C, 873, 491, 916, 512),
};

bool overlap(const LayoutBox &a, const LayoutBox &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool inside(const LayoutBox &inner, const LayoutBox &outer)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

size_t indexOf(LayoutRole role)
{
    for (size_t i = 0; i < MAIN_WINDOW.size(); ++i)
        if (MAIN_WINDOW[i].role == role)
            return i;
    return 0;
}

int32_t width(const LayoutBox &b)
{
    return b.right - b.left;
}

int32_t height(const LayoutBox &b)
{
    return b.bottom - b.top;
}

TEST(LayoutAtSize, TheStartSizeAndAnythingSmallerLayOutAsAtTheStart)
{
    for (ClientSize size : {START, ClientSize{500, 300}, ClientSize{933, 200}, ClientSize{0, 0}}) {
        const std::vector<LayoutBox> placed = layoutAtSize(MAIN_WINDOW, START, size);
        ASSERT_EQ(MAIN_WINDOW.size(), placed.size());
        for (size_t i = 0; i < placed.size(); ++i) {
            const LayoutBox &a = placed[i], &b = MAIN_WINDOW[i].start;
            EXPECT_TRUE(a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
                << "item " << i << " at " << size.width << " x " << size.height;
        }
    }
}

TEST(LayoutAtSize, NothingOverlapsOrLeavesTheClientAreaAndGroupsKeepTheirControls)
{
    const ClientSize sizes[] = {{1233, 531}, {933, 931}, {1233, 731}, {1920, 1000}, {1033, 1131}, {934, 532}};
    for (ClientSize size : sizes)
        for (int32_t share : {int32_t(NO_VIEWPORT_SHARE), 0, 5000, 10000}) {
        const std::vector<LayoutBox> placed = layoutAtSize(MAIN_WINDOW, START, size, share);
        for (size_t i = 0; i < placed.size(); ++i) {
            const LayoutBox &a = placed[i];
            EXPECT_TRUE(0 <= a.left && 0 <= a.top && a.right <= size.width && a.bottom <= size.height)
                << "item " << i << " leaves " << size.width << " x " << size.height;
            EXPECT_TRUE(a.left < a.right && a.top < a.bottom) << "item " << i;
            for (size_t j = 0; j < placed.size(); ++j) {
                if (i == j)
                    continue;
                const LayoutBox &b = placed[j];
                if (inside(MAIN_WINDOW[j].start, MAIN_WINDOW[i].start) && a.container)
                    EXPECT_TRUE(inside(b, a)) << "item " << j << " leaves group " << i << " at " << size.width;
                else if (j > i && !a.container && !b.container)
                    EXPECT_FALSE(overlap(a, b)) << "items " << i << " and " << j << " at " << size.width << " x "
                                                << size.height;
                // Order: what was left of (or above) another stays so.
                const LayoutBox &sa = MAIN_WINDOW[i].start, &sb = MAIN_WINDOW[j].start;
                if (!a.container && !b.container && sa.right <= sb.left)
                    EXPECT_LE(a.right, b.left) << "items " << i << ", " << j;
                if (!a.container && !b.container && sa.bottom <= sb.top)
                    EXPECT_LE(a.bottom, b.top) << "items " << i << ", " << j;
            }
        }
    }
}

TEST(LayoutAtSize, TheViewsShareTheExtraWidthAtTheSplittersPlaceAndBothTakeTheHeight)
{
    struct Case {
        ClientSize size;
        int32_t share, viewportWidth, skinWidth;
    } cases[] = {
        {{1233, 731}, NO_VIEWPORT_SHARE, 712, 356},   // never dragged: in proportion to the start widths, 2 : 1
        {{933, 531}, NO_VIEWPORT_SHARE, 512, 256},    // the start size: the start layout
        {{1233, 531}, 5000, 534, 534},                // half and half
        {{1233, 731}, 10000, 812, 256},               // all to the viewport: the skin view keeps its start width
        {{1233, 731}, 0, 256, 812},                   // all to the skin view: the viewport keeps half its width
        {{933, 531}, 2000, 256, 512},                 // at the start size the viewport can still give up width
        {{1920, 1000}, 6667, 1170, 585},              // maximised on a 1080-line screen
    };
    const size_t viewport = indexOf(V), skin = indexOf(S);
    for (const Case &c : cases) {
        const std::vector<LayoutBox> placed = layoutAtSize(MAIN_WINDOW, START, c.size, c.share);
        EXPECT_EQ(10, placed[viewport].left);
        EXPECT_EQ(10, placed[viewport].top);
        EXPECT_EQ(c.viewportWidth, width(placed[viewport])) << c.size.width << " x " << c.size.height << " " << c.share;
        EXPECT_EQ(c.skinWidth, width(placed[skin])) << c.size.width << " x " << c.size.height << " " << c.share;
        EXPECT_EQ(c.size.height - 19, height(placed[viewport]));
        EXPECT_EQ(c.size.height - 275, height(placed[skin]));
        // No gap opens: the skin view keeps its margins to the viewport side and to the group's right and bottom.
        EXPECT_EQ(placed[viewport].right + 23, placed[skin].left);
        EXPECT_EQ(c.size.width - 132, placed[skin].right);
        // The share that gives this width gives it back.
        const int32_t share = viewportShareFor(MAIN_WINDOW, START, c.size, width(placed[viewport]));
        EXPECT_EQ(c.viewportWidth, width(layoutAtSize(MAIN_WINDOW, START, c.size, share)[viewport]));
    }
    // Asked for less than the limits allow, the share is the limit's.
    const int32_t tooNarrow = viewportShareFor(MAIN_WINDOW, START, {1233, 731}, 5);
    EXPECT_EQ(layoutGrowth(MAIN_WINDOW, START, {1233, 731}, 0).viewport,
              layoutGrowth(MAIN_WINDOW, START, {1233, 731}, tooNarrow).viewport);
}

TEST(LayoutAtSize, TheSplitterFollowsTheViewportsEdgeAndTheHeight)
{
    std::vector<LayoutItem> items = MAIN_WINDOW;
    items.push_back(item(LayoutRole::splitter, 522, 10, 532, 521));
    const std::vector<LayoutBox> placed = layoutAtSize(items, START, {1233, 731}, 3000);
    const LayoutBox &viewport = placed[indexOf(V)], &bar = placed.back();
    EXPECT_EQ(std::vector<int32_t>({viewport.right, 10, viewport.right + 10, 721}),
              std::vector<int32_t>({bar.left, bar.top, bar.right, bar.bottom}));
}

TEST(LayoutAtSize, ControlsMoveWithTheViewNextToThemAndTextBoxesStretch)
{
    const std::vector<LayoutBox> placed = layoutAtSize(MAIN_WINDOW, START, {1233, 731});   // +300, +200
    struct Case {
        size_t index;
        int32_t dLeft, dTop, dRight, dBottom;
    } cases[] = {
        {3, 200, 0, 300, 0},     // the model path: from the viewport's edge to the window's
        {5, 300, 0, 300, 0},     // "Load", right of it
        {6, 200, 0, 200, 0},     // "Texture on the fly", with the viewport
        {11, 200, 0, 300, 0},    // the plugin name, up to "Plugins..."
        {13, 200, 0, 200, 0},    // "Pen Size :", above the skin view
        {16, 300, 0, 300, 0},    // "Colors...", right of the skin view
        {21, 300, 0, 300, 0},    // the pattern view
        {27, 200, 200, 200, 200}, // "New Texture...", below the skin view
        {31, 300, 200, 300, 200}, // "Redo", below and right of it
        {1, 200, 0, 300, 0},     // the Options group
        {2, 200, 0, 300, 200},   // the Skin group
    };
    for (const Case &c : cases) {
        const LayoutBox &a = placed[c.index], &b = MAIN_WINDOW[c.index].start;
        EXPECT_EQ(c.dLeft, a.left - b.left) << "item " << c.index;
        EXPECT_EQ(c.dTop, a.top - b.top) << "item " << c.index;
        EXPECT_EQ(c.dRight, a.right - b.right) << "item " << c.index;
        EXPECT_EQ(c.dBottom, a.bottom - b.bottom) << "item " << c.index;
    }
}

TEST(LayoutAtSize, AStretchingItemStopsShortOfAControlThatDoesNotFollowTheWindow)
{
    // A text box with a button right after it that moves with the viewport, and one whose row ends beyond the skin
    // view's right edge.
    const std::vector<LayoutItem> items = {
        item(V, 0, 0, 100, 100),   item(S, 120, 50, 200, 100),
        item(W, 120, 0, 150, 10),  item(C, 155, 0, 170, 10),    // button left of the skin view's right edge
        item(W, 120, 20, 150, 30), item(C, 205, 20, 220, 30),   // button right of it
    };
    // +100, +50: the viewport takes 100 / 180 of the extra width, 56.
    const std::vector<LayoutBox> placed = layoutAtSize(items, {230, 110}, {330, 160});
    EXPECT_EQ(150 + 56, placed[2].right) << "no wider: the button after it moves with the viewport only";
    EXPECT_EQ(155 + 56, placed[3].left);
    EXPECT_EQ(150 + 100, placed[4].right);
    EXPECT_EQ(205 + 100, placed[5].left);
}

TEST(LayoutAtSize, TheStripUnderTheViewportFollowsItsBottomAndItsWidth)
{
    const std::vector<LayoutItem> items = {
        item(V, 10, 10, 110, 110),
        item(LayoutRole::belowViewport, 10, 114, 40, 130),
        item(LayoutRole::belowViewportStretch, 44, 114, 80, 130),
        item(LayoutRole::belowViewportEnd, 84, 114, 110, 130),
        item(S, 120, 50, 200, 100),
    };
    // +100, +60: the viewport takes 100 / 180 of the extra width, 56.
    std::vector<LayoutBox> placed = layoutAtSize(items, {210, 140}, {310, 200});
    EXPECT_EQ(170, placed[0].bottom);
    EXPECT_EQ(10, placed[1].left);
    EXPECT_EQ(40, placed[1].right);
    EXPECT_EQ(174, placed[1].top);
    EXPECT_EQ(44, placed[2].left);
    EXPECT_EQ(136, placed[2].right);
    EXPECT_EQ(140, placed[3].left);
    EXPECT_EQ(166, placed[3].right);
    EXPECT_EQ(190, placed[3].bottom);
    // A viewport that gives up width keeps 16 pixels of a strip that stretches with it.
    placed = layoutAtSize(items, {210, 140}, {210, 140}, 0);
    EXPECT_EQ(16, placed[2].right - placed[2].left);
    EXPECT_EQ(90, placed[0].right);
}

TEST(ScaleLayout, CarriesEveryEdgeToTheNewDpiAndBack)
{
    std::vector<LayoutItem> items = MAIN_WINDOW;
    ClientSize start = START;
    scaleLayout(items, start, 96, 144);
    EXPECT_EQ(1400, start.width);   // 933 * 1.5 = 1399.5
    EXPECT_EQ(797, start.height);
    const LayoutBox &viewport = items[indexOf(V)].start;
    EXPECT_TRUE(viewport.left == 15 && viewport.top == 15 && viewport.right == 783 && viewport.bottom == 783);
    // Boxes that touched still touch: the OK button begins where the pen size box ends.
    EXPECT_EQ(items[14].start.right, items[15].start.left);
    EXPECT_TRUE(items[1].start.container);
    scaleLayout(items, start, 144, 96);
    EXPECT_EQ(START.width, start.width);
    EXPECT_EQ(START.height, start.height);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_NEAR(MAIN_WINDOW[i].start.left, items[i].start.left, 1) << i;
        EXPECT_NEAR(MAIN_WINDOW[i].start.bottom, items[i].start.bottom, 1) << i;
    }
    ClientSize unchanged = START;
    scaleLayout(items, unchanged, 0, 96);
    EXPECT_EQ(START.width, unchanged.width) << "a DPI of 0 (unknown) changes nothing";
}

} // namespace
