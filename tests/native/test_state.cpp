// The reset to defaults, the WM_MOVE origin decoding, and the skin store's overlay, recomposition and byte orders.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/state.h"
#include "paint/paint_options.h"
#include "paint/pattern_store.h"
#include "plugins/model_state.h"
#include "shell/client_origin.h"
#include "paint/brush.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"
#include "viewport/camera.h"
#include "tests/native/start_texture.h"

namespace {

TEST(ResetToDefaults, EveryItemTakesItsStartValue)
{
    // Dirty everything first, so a field the reset forgets shows up.
    running = 1;
    clientOriginX = clientOriginY = 77;
    brushSettings.penColor[0] = brushSettings.penColor[1] = brushSettings.penColor[2] = 9;
    brushSettings.penSize = brushSettings.eraserSize = 99;
    brushSettings.eraserColor[0] = brushSettings.eraserColor[1] = brushSettings.eraserColor[2] = 9;
    brushSettings.customColors[15] = 0x123456;
    paintOptions = PaintOptions{};
    paintOptions.mirror = paintOptions.fill = paintOptions.showGrid = true;
    modelState.modelReady = modelState.hasTexCoords = 1;
    camera = Camera{1, 2, 3, 4, 5, 6, 1};
    viewportInput.cursor = CursorPoint{5, 5};
    ASSERT_TRUE(reallocatePattern(4, 4));

    resetToDefaults();

    EXPECT_EQ(0, running);
    EXPECT_EQ(0, clientOriginX);
    EXPECT_EQ(0, clientOriginY);
    EXPECT_EQ(0, brushSettings.penColor[0]);
    EXPECT_EQ(119, brushSettings.penColor[1]);
    EXPECT_EQ(170, brushSettings.penColor[2]);
    EXPECT_EQ(3, brushSettings.penSize);
    EXPECT_EQ(255, brushSettings.eraserColor[0]);
    EXPECT_EQ(255, brushSettings.eraserColor[1]);
    EXPECT_EQ(255, brushSettings.eraserColor[2]);
    EXPECT_EQ(7, brushSettings.eraserSize);
    for (ColorRef c : brushSettings.customColors)
        EXPECT_EQ(0u, c);
    EXPECT_TRUE(paintOptions.usePattern && paintOptions.smoothStrokes && paintOptions.textureOnTheFly &&
                paintOptions.classicUpload);
    EXPECT_FALSE(paintOptions.useColor || paintOptions.paintOnModel || paintOptions.mirror || paintOptions.fill ||
                 paintOptions.showGrid || paintOptions.mipmapUpload);
    EXPECT_EQ(0, modelState.modelReady);
    EXPECT_EQ(0, modelState.hasTexCoords);
    EXPECT_EQ(-50.0f, camera.distance);
    EXPECT_EQ(0.0f, camera.panX);
    EXPECT_EQ(0.0f, camera.panY);
    EXPECT_EQ(0.0f, camera.yawOffset);
    EXPECT_EQ(0.0f, camera.pitchOffset);
    EXPECT_EQ(0.0f, camera.spinAngle);
    EXPECT_EQ(0, camera.spinPaused);
    EXPECT_EQ(0, viewportInput.cursor.x);
    EXPECT_EQ(nullptr, patternSource);
    EXPECT_EQ(nullptr, patternBrush);
    EXPECT_EQ(0, patternWidth);
    EXPECT_EQ(0, patternHeight);
}

TEST(ClientOrigin, HalvesAreSigned16BitValues)
{
    struct Case {
        uint32_t lParam;
        int32_t x, y;
    } cases[] = {
        {0x00000000u, 0, 0},
        {0x00E10096u, 150, 225},
        {0xFFFFFFFFu, -1, -1},
        {0x80007FFFu, 32767, -32768},
        {0x7FFF8000u, -32768, 32767},
        {0xFFF60010u, 16, -10},
    };
    for (const Case &c : cases) {
        int32_t x = 12345, y = 12345;
        decodeClientOrigin(c.lParam, x, y);
        EXPECT_EQ(c.x, x) << std::hex << c.lParam;
        EXPECT_EQ(c.y, y) << std::hex << c.lParam;
    }
}

class SkinStore : public ::testing::Test {
protected:
    void SetUp() override { initSkinStore(); }

    static void setPixel(uint8_t *buffer, int x, int y, uint8_t a, uint8_t b, uint8_t c)
    {
        uint8_t *p = buffer + (static_cast<size_t>(y) * SKIN_SIDE + x) * 3;
        p[0] = a;
        p[1] = b;
        p[2] = c;
    }

    static bool pixelIs(const uint8_t *buffer, int x, int y, uint8_t a, uint8_t b, uint8_t c)
    {
        const uint8_t *p = buffer + (static_cast<size_t>(y) * SKIN_SIDE + x) * 3;
        return p[0] == a && p[1] == b && p[2] == c;
    }
};

TEST_F(SkinStore, StartsWhiteWithTheBlitHeader)
{
    for (const uint8_t *buffer : {skinGL, skinShown, skinBase, gridLayer})
        for (size_t i = 0; i < SKIN_BYTES; ++i)
            ASSERT_EQ(255, buffer[i]);
    EXPECT_EQ(256, skinWidth);
    EXPECT_EQ(256, skinHeight);
    BitmapHeader expected;
    std::memset(&expected, 0, sizeof expected);
    expected.biSize = 40;
    expected.biWidth = expected.biHeight = 256;
    expected.biPlanes = 1;
    expected.biBitCount = 24;
    EXPECT_EQ(0, std::memcmp(&expected, &skinHeader, sizeof expected));
}

TEST_F(SkinStore, OnlyExactWhiteInTheGridIsTransparent)
{
    setPixel(skinShown, 3, 4, 10, 20, 30);
    setPixel(skinShown, 5, 6, 10, 20, 30);
    setPixel(gridLayer, 5, 6, 254, 255, 255);   // however pale, grid
    setPixel(gridLayer, 7, 8, 255, 255, 254);
    setPixel(gridLayer, 9, 10, 0, 0, 0);
    overlayGrid();
    EXPECT_TRUE(pixelIs(skinShown, 3, 4, 10, 20, 30));   // white grid pixel: picture kept
    EXPECT_TRUE(pixelIs(skinShown, 5, 6, 254, 255, 255));
    EXPECT_TRUE(pixelIs(skinShown, 7, 8, 255, 255, 254));
    EXPECT_TRUE(pixelIs(skinShown, 9, 10, 0, 0, 0));
}

TEST_F(SkinStore, OverlayMatchesThePixelByPixelRuleOnRandomGrids)
{
    // Sparse grids, dense grids, and pixels that differ from white in one byte only, at every run boundary.
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (size_t i = 0; i < SKIN_BYTES; ++i)
            skinShown[i] = static_cast<uint8_t>(byte(random));
        std::memset(gridLayer, 255, SKIN_BYTES);
        int marks = round % 4 == 0 ? 60000 : 1 + round * 37;
        std::uniform_int_distribution<size_t> where(0, SKIN_BYTES - 1);
        for (int m = 0; m < marks; ++m)
            gridLayer[where(random)] = static_cast<uint8_t>(byte(random) % 255);   // never 255: a real mark
        std::vector<uint8_t> expected(skinShown, skinShown + SKIN_BYTES);
        for (size_t i = 0; i < SKIN_BYTES; i += 3)
            if (gridLayer[i] != 255 || gridLayer[i + 1] != 255 || gridLayer[i + 2] != 255)
                std::memcpy(&expected[i], gridLayer + i, 3);
        overlayGrid();
        ASSERT_EQ(0, std::memcmp(expected.data(), skinShown, SKIN_BYTES)) << "round " << round;
    }
}

TEST_F(SkinStore, RecomposeCopiesTheBaseAndLaysTheGridOnlyWhenShown)
{
    setPixel(skinBase, 1, 2, 1, 2, 3);
    setPixel(skinShown, 200, 200, 0, 0, 0);      // stale view content must go
    setPixel(gridLayer, 1, 2, 0, 0, 0);
    setPixel(gridLayer, 4, 4, 0, 0, 0);

    composeSkinShown(false);
    EXPECT_EQ(0, std::memcmp(skinShown, skinBase, SKIN_BYTES));

    composeSkinShown(true);
    EXPECT_TRUE(pixelIs(skinShown, 1, 2, 0, 0, 0));
    EXPECT_TRUE(pixelIs(skinShown, 4, 4, 0, 0, 0));
    EXPECT_TRUE(pixelIs(skinShown, 200, 200, 255, 255, 255));
    EXPECT_TRUE(pixelIs(skinBase, 1, 2, 1, 2, 3));   // the base never holds the grid
}

TEST_F(SkinStore, ReplaceTexturePairsTheBytesByColour)
{
    static uint8_t file[SKIN_BYTES];
    for (size_t i = 0; i < SKIN_BYTES; ++i)
        file[i] = static_cast<uint8_t>(i * 7 + i / 768);
    replaceTexture(256, 256, file);
    EXPECT_EQ(0, std::memcmp(skinBase, file, SKIN_BYTES));
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        ASSERT_EQ(file[i], skinGL[i + 2]) << i;   // blue
        ASSERT_EQ(file[i + 1], skinGL[i + 1]) << i;
        ASSERT_EQ(file[i + 2], skinGL[i]) << i;   // red
    }
}

TEST(ClampToSkin, FarValuesLandOnTheEdgesOfEachAxis)
{
    ASSERT_TRUE(resizeSkinStore(301, 193));
    EXPECT_EQ(0, clampColumn(INT64_MIN));
    EXPECT_EQ(0, clampColumn(-1));
    EXPECT_EQ(128, clampColumn(128));
    EXPECT_EQ(300, clampColumn(300));
    EXPECT_EQ(300, clampColumn(301));
    EXPECT_EQ(192, clampRow(193));
    EXPECT_EQ(192, clampRow(INT64_MAX));
    EXPECT_EQ(0, clampRow(-5));
    initSkinStore();
}

TEST_F(SkinStore, ResizingGivesWhiteBuffersOfTheNewSizeOrChangesNothing)
{
    const int32_t refused[][2] = {{7, 256}, {256, 7}, {2049, 8}, {8, 2049}, {0, 0}, {-8, 8}};
    for (const auto &r : refused) {
        EXPECT_FALSE(resizeSkinStore(r[0], r[1])) << r[0] << " x " << r[1];
        EXPECT_EQ(256, skinWidth);
        EXPECT_EQ(256, skinHeight);
    }
    ASSERT_TRUE(resizeSkinStore(301, 8));
    EXPECT_EQ(301, skinHeader.biWidth);
    EXPECT_EQ(8, skinHeader.biHeight);
    for (const uint8_t *buffer : {skinGL, skinShown, skinBase, gridLayer})
        for (size_t i = 0; i < skinByteCount(); ++i)
            ASSERT_EQ(255, buffer[i]);
    // Rows are 903 bytes, with nothing between them: the last texel is the last three bytes.
    skinBase[skinByteCount() - 3] = 1;   // blue of texel (300, 7)
    gridLayer[texelOffset(300, 6)] = 0;
    composeSkinShown(true);
    updateSkinCopies(SkinRect{300, 6, 300, 7});
    EXPECT_EQ(1, skinGL[texelOffset(300, 7) + 2]);
    EXPECT_EQ(1, skinShown[texelOffset(300, 7)]);
    EXPECT_EQ(0, skinShown[texelOffset(300, 6)]) << "the grid is laid back over what a writer changed";
    std::vector<uint8_t> picture(static_cast<size_t>(9) * 10 * 3, 7);
    ASSERT_TRUE(replaceTexture(9, 10, picture.data()));
    EXPECT_EQ(9, skinWidth);
    EXPECT_EQ(10, skinHeight);
    EXPECT_EQ(0, std::memcmp(skinGL, picture.data(), picture.size()));
    initSkinStore();
}

} // namespace
