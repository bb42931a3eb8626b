// Tests of the refresh after painting: once per batch of dabs, only where they painted.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/state.h"
#include "pattern/pattern_store.h"
#include "skin/brush.h"
#include "skin/skin_refresh.h"
#include "skin/skin_store.h"

namespace {

struct Dab {
    uint32_t wParam;
    uint32_t lParam;
    bool usePattern;
    bool onTheFly;
};

struct Outcome {
    std::vector<uint8_t> gl, base, view, level0;
};

// The same start for both ways of refreshing: a random texture, grid and pattern, brush sizes from 0 (paints
// nothing) to far beyond the texture.
void prepare(uint32_t seed, bool grid)
{
    std::mt19937 rng(seed);
    resetToDefaults();
    initSkinStore();
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        uint8_t c[3] = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        skinBase[i] = c[0], skinBase[i + 1] = c[1], skinBase[i + 2] = c[2];
        skinGL[i] = c[2], skinGL[i + 1] = c[1], skinGL[i + 2] = c[0];
    }
    for (int line = 0; line < 12; ++line) {
        size_t row = rng() % SKIN_SIDE;
        for (size_t x = 0; x < SKIN_SIDE; ++x)
            gridLayer[(row * SKIN_SIDE + x) * 3 + line % 3] = 0;
    }
    recomposeSkinView(grid);
    const int32_t sides[] = {2, 4, 32, 64, 256};
    PatternImage pattern{sides[rng() % 5], sides[rng() % 5], {}};
    for (int32_t i = 0; i < pattern.width * pattern.height * 3; ++i)
        pattern.pixels.push_back(uint8_t(rng() % 3 == 0 ? 255 : rng()));
    installPattern(pattern);
    const int32_t sizes[] = {0, 1, 3, 4, 7, 40, 300, 2147483647};
    brushSettings.penSize = sizes[rng() % 8];
    brushSettings.eraserSize = sizes[rng() % 8];
}

std::vector<Dab> randomDabs(uint32_t seed, size_t count)
{
    std::mt19937 rng(seed);
    const uint32_t buttons[] = {0x1, 0x2, 0x0, 0x3, 0x9};   // pen, eraser, and some that paint nothing
    const uint32_t spots[] = {0, 1, 127, 254, 255, 256, 4000, 65535};
    std::vector<Dab> dabs;
    for (size_t i = 0; i < count; ++i) {
        uint32_t x = rng() % 4 ? rng() % 256 : spots[rng() % 8];
        uint32_t y = rng() % 4 ? rng() % 256 : spots[rng() % 8];
        dabs.push_back({buttons[rng() % 5], (y << 16) | x, rng() % 2 == 0, rng() % 4 != 0});
    }
    return dabs;
}

Outcome snapshot(const std::vector<uint8_t> &level0)
{
    return {std::vector<uint8_t>(skinGL, skinGL + SKIN_BYTES), std::vector<uint8_t>(skinBase, skinBase + SKIN_BYTES),
            std::vector<uint8_t>(skinView, skinView + SKIN_BYTES), level0};
}

// Every dab followed by the whole grid overlay and, on the fly, a whole upload of level 0.
Outcome refreshEachDab(const std::vector<Dab> &dabs, bool grid)
{
    std::vector<uint8_t> level0(skinGL, skinGL + SKIN_BYTES);
    for (const Dab &d : dabs) {
        if (!paintDab(d.wParam, d.lParam, d.usePattern))
            continue;
        if (grid)
            overlayGrid();
        if (d.onTheFly)
            level0.assign(skinGL, skinGL + SKIN_BYTES);
    }
    return snapshot(level0);
}

// The dabs recorded, refreshed at random points of the sequence, uploading only the rows asked for. "Texture
// on the fly" changes through a command, and every command starts by refreshing what is pending.
Outcome refreshEachBatch(const std::vector<Dab> &dabs, bool grid, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> level0(skinGL, skinGL + SKIN_BYTES);
    resetSkinRefresh();
    auto refresh = [&] {
        RefreshWork work = takePendingRefresh(grid);
        if (!work.upload)
            return;
        size_t from = static_cast<size_t>(work.firstRow) * SKIN_SIDE * 3;
        size_t bytes = static_cast<size_t>(work.rowCount) * SKIN_SIDE * 3;
        std::copy(skinGL + from, skinGL + from + bytes, level0.begin() + static_cast<ptrdiff_t>(from));
        noteTextureUploaded();
    };
    bool onTheFly = true;
    for (const Dab &d : dabs) {
        if (d.onTheFly != onTheFly)
            refresh();
        onTheFly = d.onTheFly;
        SkinRect changed;
        if (paintDab(d.wParam, d.lParam, d.usePattern, &changed))
            noteDab(changed, d.onTheFly);
        if (rng() % 5 == 0)
            refresh();
    }
    refresh();
    return snapshot(level0);
}

TEST(SkinRefresh, OnceABatchGivesTheSameBuffersAndLevelZeroAsEveryDab)
{
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        bool grid = seed % 2 == 0;
        std::vector<Dab> dabs = randomDabs(seed, 40);
        prepare(seed, grid);
        Outcome each = refreshEachDab(dabs, grid);
        prepare(seed, grid);
        Outcome batched = refreshEachBatch(dabs, grid, seed * 7);
        resetPatternStore();
        ASSERT_TRUE(each.gl == batched.gl) << "skinGL, seed " << seed;
        ASSERT_TRUE(each.base == batched.base) << "skinBase, seed " << seed;
        ASSERT_TRUE(each.view == batched.view) << "skinView, seed " << seed;
        ASSERT_TRUE(each.level0 == batched.level0) << "uploaded level 0, seed " << seed;
    }
}

TEST(SkinRefresh, AskedRowsAreThoseTheDabsPaintedSinceTheLastUpload)
{
    resetToDefaults();
    initSkinStore();
    resetSkinRefresh();
    noteDab(paintSquare(10, 20, 3, 0, 0, 0), false);   // rows 19..21, not uploaded: texture off the fly
    RefreshWork off = takePendingRefresh(false);
    EXPECT_FALSE(off.upload);
    noteDab(paintSquare(10, 200, 1, 0, 0, 0), true);   // row 200, on the fly: 19..200 must go up
    RefreshWork on = takePendingRefresh(false);
    EXPECT_TRUE(on.upload);
    EXPECT_EQ(19, on.firstRow);
    EXPECT_EQ(182, on.rowCount);
    EXPECT_EQ(200, on.view.bottom);   // the view was drawn in between: only the new dab is left
    noteTextureUploaded();
    noteDab(noTexels(), true);   // a size-0 brush: an upload asked for, with nothing left to send
    RefreshWork none = takePendingRefresh(false);
    EXPECT_TRUE(none.upload);
    EXPECT_EQ(0, none.rowCount);
    EXPECT_TRUE(isEmptyRect(none.view));
    noteViewNotShown();   // a model load recomposed the view without drawing it
    noteDab(paintSquare(5, 5, 1, 0, 0, 0), true);
    SkinRect next = takePendingRefresh(false).view;
    EXPECT_TRUE(next.left == 0 && next.bottom == 0 && next.right == 255 && next.top == 255) << "the next repaint draws it all";
}

} // namespace
