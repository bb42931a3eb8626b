// Tests of the skin view's mouse rule and the solid square brush.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/brush.h"
#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

class BrushTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
    }
    void TearDown() override { resetPatternStore(); }
};

// The texel under a point of a 256 x 256 view shown at one pixel per texel.
TexelPoint cursorAt(int32_t windowX, int32_t windowY)
{
    return TexelPoint{windowX, 255 - windowY};
}

// Every texel inside the rectangle holds colour in all three buffers, in each one's byte order;
// every texel outside is still white. Reports the first mismatch only.
void expectOnlyRect(int c0, int c1, int r0, int r1, Rgb colour)
{
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            bool inside = x >= c0 && x <= c1 && y >= r0 && y <= r1;
            Rgb want = inside ? colour : Rgb{255, 255, 255};
            const size_t at = (static_cast<size_t>(y) * 256 + x) * 3;
            const uint8_t bgr[3] = {want.b, want.g, want.r};
            const uint8_t rgb[3] = {want.r, want.g, want.b};
            if (std::memcmp(skinBase + at, bgr, 3) != 0 || std::memcmp(skinShown + at, bgr, 3) != 0 ||
                std::memcmp(skinGL + at, rgb, 3) != 0) {
                ADD_FAILURE() << "texel (" << x << ", " << y << ") " << (inside ? "inside" : "outside")
                              << " the expected rectangle holds the wrong colour";
                return;
            }
        }
    }
}

bool textureIsWhite()
{
    for (size_t i = 0; i < SKIN_BYTES; ++i)
        if (skinBase[i] != 255 || skinShown[i] != 255 || skinGL[i] != 255)
            return false;
    return true;
}

TEST(BrushRule, OnlyExactlyOneButtonPaints)
{
    struct Case {
        uint32_t wParam;
        DabKind kind;
    };
    const Case cases[] = {
        {0x0000, DabKind::none},   {0x0001, DabKind::pen},  {0x0002, DabKind::eraser},
        {0x0003, DabKind::none},   {0x0005, DabKind::none}, {0x0006, DabKind::none},
        {0x0009, DabKind::none},   {0x000A, DabKind::none}, {0x000D, DabKind::none},
        {0x0010, DabKind::none},   {0x0011, DabKind::none}, {0x0012, DabKind::none},
        {0x0004, DabKind::none},   {0x0008, DabKind::none}, {0x10001, DabKind::none},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dabKindFor(c.wParam), c.kind) << "wParam " << c.wParam;
}

TEST_F(BrushTest, SquareCoversTheClampedRanges)
{
    struct Case {
        int32_t x, y, size;
        int c0, c1, r0, r1;
    };
    const Case cases[] = {
        {100, 100, 1, 100, 100, 100, 100},
        {100, 100, 3, 99, 101, 99, 101},
        {100, 100, 4, 98, 101, 98, 101},
        {100, 60, 5, 98, 102, 58, 62},
        {100, 255, 3, 99, 101, 254, 255},         // top row of the view
        {100, 0, 3, 99, 101, 0, 1},               // bottom row
        {0, 50, 7, 0, 3, 47, 53},                 // left column: three columns land on column 0
        {255, 50, 4, 253, 255, 48, 51},           // right edge, even size
        {65535, 10, 3, 255, 255, 9, 11},          // cursor word far beyond the right edge
        {20, -65280, 3, 19, 21, 0, 0},            // window row 65535
        {100, 100, INT32_MAX, 0, 255, 0, 255},    // the whole texture, at once
        {INT32_MIN, 0, INT32_MAX, 0, 0, 0, 255},
        {INT32_MAX, INT32_MAX, INT32_MAX, 255, 255, 255, 255},
        {INT32_MIN, INT32_MIN, 5, 0, 0, 0, 0},
        {INT32_MAX, INT32_MIN, 2, 255, 255, 0, 0},
    };
    const Rgb colour{200, 100, 30};
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "x " << c.x << " y " << c.y << " size " << c.size);
        initSkinStore();
        paintSquare(c.x, c.y, c.size, colour.r, colour.g, colour.b);
        expectOnlyRect(c.c0, c.c1, c.r0, c.r1, colour);
    }
}

TEST_F(BrushTest, SizesOfZeroOrLessPaintNothing)
{
    for (int32_t size : {0, -1, -4, INT32_MIN}) {
        paintSquare(100, 100, size, 0, 0, 0);
        EXPECT_TRUE(textureIsWhite()) << "size " << size;
    }
}

TEST_F(BrushTest, LeftClickPaintsTheDefaultPen)
{
    EXPECT_TRUE(paintDab(MOUSE_LBUTTON, cursorAt(100, 100), false));
    // Pen 0, 119, 170, size 3: window rows 99..101 are texture rows 154..156.
    expectOnlyRect(99, 101, 154, 156, Rgb{0, 119, 170});
    EXPECT_EQ(skinGL[(155 * 256 + 100) * 3], 0);
    EXPECT_EQ(skinBase[(155 * 256 + 100) * 3], 170);
}

TEST_F(BrushTest, RightClickPaintsTheEraser)
{
    paintSquare(128, 128, 256, 10, 20, 30);
    brushSettings.eraserColor[0] = 250;
    brushSettings.eraserColor[1] = 5;
    brushSettings.eraserColor[2] = 60;
    EXPECT_TRUE(paintDab(MOUSE_RBUTTON, cursorAt(40, 200), false));
    const int x = 40, y = 55;
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col) {
            bool inside = col >= x - 3 && col <= x + 3 && row >= y - 3 && row <= y + 3;
            const uint8_t *gl = skinGL + (row * 256 + col) * 3;
            const uint8_t want[3] = {static_cast<uint8_t>(inside ? 250 : 10),
                                     static_cast<uint8_t>(inside ? 5 : 20),
                                     static_cast<uint8_t>(inside ? 60 : 30)};
            ASSERT_EQ(std::memcmp(gl, want, 3), 0) << col << ", " << row;
        }
}

TEST_F(BrushTest, OtherButtonsPaintNothing)
{
    for (uint32_t wParam : {0x0u, 0x3u, 0x5u, 0xAu, 0x10u, 0x9u}) {
        EXPECT_FALSE(paintDab(wParam, cursorAt(100, 100), false)) << wParam;
        EXPECT_FALSE(paintDab(wParam, cursorAt(100, 100), true)) << wParam;
    }
    EXPECT_TRUE(textureIsWhite());
}

TEST_F(BrushTest, PenSizeZeroStillCountsAsADab)
{
    brushSettings.penSize = 0;
    EXPECT_TRUE(paintDab(MOUSE_LBUTTON, cursorAt(10, 10), false));
    EXPECT_TRUE(textureIsWhite());
}

TEST_F(BrushTest, PatternDabsStampInsteadOfPainting)
{
    PatternImage black{2, 2, std::vector<uint8_t>(12, 0)};
    ASSERT_TRUE(installPattern(black));
    EXPECT_TRUE(paintDab(MOUSE_LBUTTON, cursorAt(100, 100), true));
    // A 2 x 2 pattern centred on (100, 155) starts one texel left and one below.
    expectOnlyRect(99, 100, 154, 155, Rgb{0, 0, 0});
    EXPECT_TRUE(paintDab(MOUSE_RBUTTON, cursorAt(100, 100), true));
    EXPECT_TRUE(textureIsWhite());
}

} // namespace
