// Tests of textures of other sizes than 256 x 256: the copy GL receives, the grid rule, undo across a change of
// size, and the sides a new texture accepts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/state.h"
#include "paint/brush.h"
#include "uv/grid.h"
#include "texture/active_layer.h"
#include "texture/history.h"
#include "texture/skin_store.h"
#include "texture/texture_upload.h"

namespace {

TEST(UploadCopy, EveryCopyTexelShowsTheTexelItsTextureCoordinateNames)
{
    const int32_t sides[][2] = {{301, 193}, {8, 9}, {1000, 2047}, {256, 512}};
    for (const auto &side : sides) {
        const int32_t width = side[0], height = side[1];
        const int32_t copyWidth = uploadSide(width), copyHeight = uploadSide(height);
        ASSERT_GE(copyWidth, width);
        ASSERT_LT(copyWidth, 2 * width);
        ASSERT_EQ(copyWidth & (copyWidth - 1), 0);
        std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < texels.size(); i += 3) {   // each texel's colour is its own index
            const uint32_t index = static_cast<uint32_t>(i / 3);
            texels[i] = uint8_t(index), texels[i + 1] = uint8_t(index >> 8), texels[i + 2] = uint8_t(index >> 16);
        }
        std::vector<uint8_t> copy(static_cast<size_t>(copyWidth) * copyHeight * 3);
        scaleUpRows(texels.data(), width, height, copy.data(), copyWidth, copyHeight, 0, copyHeight);
        for (int32_t j = 0; j < copyHeight; j += 7) {
            for (int32_t i = 0; i < copyWidth; i += 5) {
                // The centre of copy texel (i, j) as a texture coordinate, and the texel of the texture it names.
                const int32_t x = static_cast<int32_t>((i + 0.5) / copyWidth * width);
                const int32_t y = static_cast<int32_t>((j + 0.5) / copyHeight * height);
                const uint8_t *c = &copy[(static_cast<size_t>(j) * copyWidth + i) * 3];
                const uint32_t shown = c[0] | c[1] << 8 | c[2] << 16;
                ASSERT_EQ(shown, static_cast<uint32_t>(y * width + x)) << width << " x " << height << " at " << i
                                                                       << ", " << j;
            }
        }
        // The rows a change of texture rows [first, first + count) needs are exactly those that show them.
        for (int32_t first : {0, 1, height / 2, height - 1}) {
            int32_t copyFirst, copyCount;
            copyRowsShowing(first, 1, height, copyHeight, copyFirst, copyCount);
            for (int32_t j = 0; j < copyHeight; ++j) {
                const bool shows = sourceTexelOf(j, height, copyHeight) == first;
                EXPECT_EQ(shows, j >= copyFirst && j < copyFirst + copyCount) << first << " / " << j;
            }
        }
    }
}

TEST(GridAtOtherSizes, CoordinatesScaleWithEachSide)
{
    EXPECT_EQ(300, gridCoordinate(1.0f, 301));
    EXPECT_EQ(192, gridCoordinate(1.0f, 193));
    EXPECT_EQ(96, gridCoordinate(0.5f, 193));   // 0.5 * K * 193 = 96.49
    EXPECT_EQ(2047, gridCoordinate(1.0f, 2048));
    // The triangle (0, 0), (1, 0), (0, 1) on a 301 x 193 layer: the bottom row runs to column 299, the left
    // column up to row 192, and nothing lands beyond the layer.
    resetToDefaults();
    ASSERT_TRUE(resizeSkinStore(301, 193));
    const float corners[] = {0, 0, 1, 0, 0, 1};
    gridTriangles.assign(corners, corners + 6);
    drawGridLayer();
    auto black = [](int32_t x, int32_t y) { return gridLayer[texelOffset(x, y)] == 0; };
    EXPECT_TRUE(black(0, 0));
    EXPECT_TRUE(black(299, 0));
    EXPECT_TRUE(black(300, 0)) << "the corner (1, 0) starts the diagonal";
    EXPECT_TRUE(black(0, 192));
    EXPECT_FALSE(black(150, 150));
    gridTriangles.clear();
    initSkinStore();
}

// A load: a stack of one layer of that size and colour in place of the texture's, one undo step.
void load(int32_t width, int32_t height, uint8_t value)
{
    std::vector<uint8_t> picture(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, value);
    LayerStack loaded;
    ASSERT_TRUE(resetLayers(loaded, width, height, picture.data()));
    ASSERT_TRUE(swapLayerStack(loaded));
    keepStackStep(std::move(loaded));
}

TEST(HistoryAcrossSizes, UndoBringsBackTheEarlierTextureWithItsOwnSize)
{
    resetToDefaults();
    initSkinStore();
    beginHistoryStep();
    paintSquare(10, 10, 3, 1, 2, 3);
    ASSERT_TRUE(endHistoryStep());

    load(301, 193, 40);
    beginHistoryStep();
    paintSquare(300, 192, 1, 9, 9, 9);
    ASSERT_TRUE(endHistoryStep());

    undoStep();
    EXPECT_EQ(40, skinBase[texelOffset(300, 192)]);
    SkinRect changed = undoStep().changed;
    EXPECT_EQ(256, skinWidth);
    EXPECT_EQ(256, skinHeight);
    EXPECT_EQ(255, changed.right);
    EXPECT_EQ(3, skinBase[texelOffset(10, 10)]) << "the painting before the load, red 3 in the third byte";
    EXPECT_EQ(1, skinGL[texelOffset(10, 10)]) << "skinGL follows";
    redoStep();
    EXPECT_EQ(301, skinWidth);
    EXPECT_EQ(193, skinHeight);
    EXPECT_EQ(40, skinGL[texelOffset(150, 100)]);
    redoStep();
    EXPECT_EQ(9, skinBase[texelOffset(300, 192)]);
    initSkinStore();
    resetHistory();
}

// Under a pretend GL limit of 1024 (Windows' software OpenGL) a 2048-texel side reaches GL as 1024, every copy
// texel the texel under its centre; a row no copy row samples uploads nothing, and a limit that is no power of
// two counts as the one below it.
TEST(UploadCopy, SidesPastTheGlLimitAreScaledDownToIt)
{
    setUploadLimit(1024);
    EXPECT_EQ(1024, uploadSide(2048));
    EXPECT_EQ(1024, uploadSide(1000));
    EXPECT_EQ(512, uploadSide(301));
    const int32_t width = 2048, height = 1500;
    const int32_t copyWidth = uploadSide(width), copyHeight = uploadSide(height);
    ASSERT_EQ(1024, copyHeight);
    std::vector<uint8_t> texels(size_t(width) * height * 3);
    for (size_t i = 0; i < texels.size(); i += 3) // red: the column's low byte, green: its high byte, blue: the row's
        texels[i] = uint8_t(i / 3 % width), texels[i + 1] = uint8_t(i / 3 % width >> 8),
        texels[i + 2] = uint8_t(i / 3 / width * 255 / height);
    std::vector<uint8_t> copy(size_t(copyWidth) * copyHeight * 3);
    scaleUpRows(texels.data(), width, height, copy.data(), copyWidth, copyHeight, 0, copyHeight);
    for (int32_t j : {0, 511, 1023})
        for (int32_t i : {0, 700, 1023}) {
            const uint8_t *shown = &copy[(size_t(j) * copyWidth + i) * 3];
            EXPECT_EQ(2 * i + 1, shown[0] | shown[1] << 8) << i;
            EXPECT_EQ(uint8_t(((2 * j + 1) * height / 2048) * 255 / height), shown[2]) << j;
        }
    int32_t first = -1, count = -1;
    copyRowsShowing(1498, 1, height, copyHeight, first, count);
    EXPECT_EQ(0, count) << "row 1498 falls between two sampled rows";
    copyRowsShowing(1497, 1, height, copyHeight, first, count);
    EXPECT_EQ(1022, first);
    EXPECT_EQ(1, count);
    setUploadLimit(1000);
    EXPECT_EQ(512, uploadSide(2048));
    setUploadLimit(INT32_MAX);
    EXPECT_EQ(2048, uploadSide(2048));
}

// The clean mark: the texture is unchanged wherever the history stands where the last load or save left it, and
// never again once a new stroke has dropped the way back there, or once the mark is forgotten.
TEST(HistoryCleanMark, UndoingBackToTheSavedPlaceMakesTheTextureUnchanged)
{
    resetToDefaults();
    initSkinStore();
    resetHistory();
    EXPECT_TRUE(isHistoryClean()) << "a fresh start";
    auto stroke = [](uint8_t red) {
        beginHistoryStep();
        paintSquare(20, 20, 3, red, 0, 0);
        return endHistoryStep();
    };
    ASSERT_TRUE(stroke(1));
    ASSERT_TRUE(stroke(2));
    markHistoryClean();     // saved after two strokes
    ASSERT_TRUE(stroke(3));
    EXPECT_FALSE(isHistoryClean());
    EXPECT_TRUE(undoStep().done);
    EXPECT_TRUE(isHistoryClean());
    EXPECT_TRUE(undoStep().done);
    EXPECT_FALSE(isHistoryClean());
    EXPECT_TRUE(redoStep().done);
    EXPECT_TRUE(isHistoryClean());
    undoStep();
    ASSERT_TRUE(stroke(4)); // drops the saved place
    undoStep();
    EXPECT_FALSE(isHistoryClean());
    redoStep();
    EXPECT_FALSE(isHistoryClean());
    markHistoryClean();
    forgetHistoryClean();
    EXPECT_FALSE(isHistoryClean()) << "a recovered texture";
    EXPECT_FALSE(redoStep().done) << "nothing to redo";
    resetHistory();
}

TEST(HistoryAcrossSizes, LargeTexturesKeepTheNewestStepsWithinTheBudget)
{
    resetToDefaults();
    initSkinStore();
    for (int n = 0; n < 6; ++n)   // each step keeps the 16 MiB layer it replaced
        load(2048, n % 2 ? 2048 : 2047, static_cast<uint8_t>(n));
    EXPECT_TRUE(canUndo());
    EXPECT_LE(historyBytes(), size_t{HISTORY_BUDGET_BYTES});
    EXPECT_LT(historySteps(), 6u) << "the oldest steps gave way";
    undoStep();
    EXPECT_EQ(2047, skinHeight) << "the newest step undoes to the texture before it";
    EXPECT_EQ(4, skinBase[0]);
    initSkinStore();
    resetHistory();
}

TEST(NewTextureSides, WholeNumbersFrom8To2048)
{
    struct Case {
        const char *text;
        bool accepted;
        int32_t side;
    } cases[] = {{"8", true, 8},       {"2048", true, 2048}, {" 301 ", true, 301}, {"7", false, 0},
                 {"2049", false, 0},   {"", false, 0},       {"12a", false, 0},    {"-64", false, 0},
                 {"1e3", false, 0},    {"99999999999999999999", false, 0},        {"64.0", false, 0}};
    for (const Case &c : cases) {
        int32_t side = -1;
        EXPECT_EQ(c.accepted, readTextureSide(c.text, side)) << c.text;
        if (c.accepted)
            EXPECT_EQ(c.side, side) << c.text;
    }
}

} // namespace
