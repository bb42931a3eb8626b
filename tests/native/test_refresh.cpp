// Tests of the refresh after painting: once per batch of dabs, only where they painted.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/brush.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"

namespace {

struct Dab {
    uint32_t wParam;
    TexelPoint at;
    bool usePattern;
    bool onTheFly;
};

struct Outcome {
    std::vector<uint8_t> gl, base, view, level0;
};

// The same start for both ways of refreshing: a random texture of a size chosen by the seed (odd widths among
// them), grid and pattern, brush sizes from 0 (paints nothing) to far beyond the texture.
void prepare(uint32_t seed, bool grid)
{
    std::mt19937 rng(seed);
    resetToDefaults();
    const int32_t textureSides[][2] = {{256, 256}, {301, 193}, {8, 40}, {512, 128}};
    ASSERT_TRUE(resizeSkinStore(textureSides[seed % 4][0], textureSides[seed % 4][1]));
    for (size_t i = 0; i < skinByteCount(); ++i)
        skinBase[i] = uint8_t(rng());
    updateSkinCopies(allTexels());
    for (int line = 0; line < 12; ++line) {
        int32_t row = static_cast<int32_t>(rng() % static_cast<uint32_t>(skinHeight));
        for (int32_t x = 0; x < skinWidth; ++x)
            gridLayer[texelOffset(x, row) + line % 3] = 0;
    }
    composeSkinShown(grid);
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
        int32_t x = static_cast<int32_t>(rng() % 4 ? rng() % 320 : spots[rng() % 8]);
        int32_t y = static_cast<int32_t>(rng() % 4 ? rng() % 320 : spots[rng() % 8]);
        dabs.push_back({buttons[rng() % 5], TexelPoint{x, 255 - y}, rng() % 2 == 0, rng() % 4 != 0});
    }
    return dabs;
}

std::vector<uint8_t> whole(const uint8_t *buffer)
{
    return std::vector<uint8_t>(buffer, buffer + skinByteCount());
}

Outcome snapshot(const std::vector<uint8_t> &level0)
{
    return {whole(skinGL), whole(skinBase), whole(skinShown), level0};
}

// Every dab followed by the whole grid overlay and, on the fly, a whole upload of level 0.
Outcome refreshEachDab(const std::vector<Dab> &dabs, bool grid)
{
    std::vector<uint8_t> level0 = whole(skinGL);
    for (const Dab &d : dabs) {
        if (!paintDab(d.wParam, d.at, d.usePattern))
            continue;
        if (grid)
            overlayGrid();
        if (d.onTheFly)
            level0 = whole(skinGL);
    }
    return snapshot(level0);
}

// The dabs recorded, refreshed at random points of the sequence, uploading only the rows asked for. "Texture
// on the fly" changes through a command, and every command starts by refreshing what is pending.
Outcome refreshEachBatch(const std::vector<Dab> &dabs, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> level0 = whole(skinGL);
    resetSkinRefresh();
    auto refresh = [&] {
        RefreshWork work = takePendingRefresh();
        if (!work.upload)
            return;
        size_t from = texelOffset(0, work.firstRow);
        size_t bytes = static_cast<size_t>(work.rowCount) * static_cast<size_t>(skinWidth) * 3;
        std::copy(skinGL + from, skinGL + from + bytes, level0.begin() + static_cast<ptrdiff_t>(from));
        noteTextureUploaded();
    };
    bool onTheFly = true;
    for (const Dab &d : dabs) {
        if (d.onTheFly != onTheFly)
            refresh();
        onTheFly = d.onTheFly;
        SkinRect changed;
        if (paintDab(d.wParam, d.at, d.usePattern, &changed))
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
        Outcome batched = refreshEachBatch(dabs, seed * 7);
        resetPatternStore();
        ASSERT_TRUE(each.gl == batched.gl) << "skinGL, seed " << seed;
        ASSERT_TRUE(each.base == batched.base) << "skinBase, seed " << seed;
        ASSERT_TRUE(each.view == batched.view) << "skinShown, seed " << seed;
        ASSERT_TRUE(each.level0 == batched.level0) << "uploaded level 0, seed " << seed;
    }
}

TEST(SkinRefresh, AskedRowsAreThoseTheDabsPaintedSinceTheLastUpload)
{
    resetToDefaults();
    initSkinStore();
    resetSkinRefresh();
    noteDab(paintSquare(10, 20, 3, 0, 0, 0), false);   // rows 19..21, not uploaded: texture off the fly
    RefreshWork off = takePendingRefresh();
    EXPECT_FALSE(off.upload);
    noteDab(paintSquare(10, 200, 1, 0, 0, 0), true);   // row 200, on the fly: 19..200 must go up
    RefreshWork on = takePendingRefresh();
    EXPECT_TRUE(on.upload);
    EXPECT_EQ(19, on.firstRow);
    EXPECT_EQ(182, on.rowCount);
    EXPECT_EQ(200, on.view.bottom);   // the view was drawn in between: only the new dab is left
    noteTextureUploaded();
    noteDab(noTexels(), true);   // a size-0 brush: an upload asked for, with nothing left to send
    RefreshWork none = takePendingRefresh();
    EXPECT_TRUE(none.upload);
    EXPECT_EQ(0, none.rowCount);
    EXPECT_TRUE(isEmptyRect(none.view));
}

} // namespace
