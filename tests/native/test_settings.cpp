// Tests of the config.cfg layout: encoding the program-wide settings and decoding whole or short files.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "paint/brush.h"

namespace {

typedef std::vector<uint8_t> Bytes;

class Settings : public ::testing::Test {
protected:
    void SetUp() override { resetToDefaults(); }
    void TearDown() override { resetToDefaults(); }
};

// A snapshot of the settings part of the state, to compare before and after a decode.
struct Snapshot {
    std::array<uint8_t, 3> pen;
    int32_t penSize;
    std::array<uint8_t, 3> eraser;
    int32_t eraserSize;
    std::array<ColorRef, 16> custom;
};

Snapshot takeSnapshot()
{
    Snapshot s;
    for (int i = 0; i < 3; ++i) {
        s.pen[i] = brushSettings.penColor[i];
        s.eraser[i] = brushSettings.eraserColor[i];
    }
    s.penSize = brushSettings.penSize;
    s.eraserSize = brushSettings.eraserSize;
    for (int i = 0; i < 16; ++i)
        s.custom[i] = brushSettings.customColors[i];
    return s;
}

// Every field distinct, sizes with all four bytes different and one negative.
void setDistinctState()
{
    brushSettings.penColor[0] = 11, brushSettings.penColor[1] = 22, brushSettings.penColor[2] = 33;
    brushSettings.penSize = 0x01020304;
    brushSettings.eraserColor[0] = 44, brushSettings.eraserColor[1] = 55, brushSettings.eraserColor[2] = 66;
    brushSettings.eraserSize = -2;
    for (uint32_t i = 0; i < 16; ++i)
        brushSettings.customColors[i] = (i + 1) | ((i + 0x20) << 8) | ((i + 0x40) << 16);
}

TEST_F(Settings, DefaultsEncodeToTheFirstRunFile)
{
    const std::array<uint8_t, SETTINGS_BYTES> bytes = encodeSettings();
    Bytes expected = {0, 119, 170, 3, 0, 0, 0, 255, 255, 255, 7, 0, 0, 0};
    expected.resize(78, 0);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);
}

TEST_F(Settings, EncodePutsEachFieldAtItsOffsetLittleEndian)
{
    setDistinctState();
    const std::array<uint8_t, SETTINGS_BYTES> b = encodeSettings();
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 14),
              (Bytes{11, 22, 33, 0x04, 0x03, 0x02, 0x01, 44, 55, 66, 0xFE, 0xFF, 0xFF, 0xFF}));
    // Each custom colour as a COLORREF: red, green, blue, 0.
    for (size_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const size_t at = 14 + 4 * i;
        EXPECT_EQ(Bytes(b.begin() + at, b.begin() + at + 4),
                  (Bytes{static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 0x20), static_cast<uint8_t>(i + 0x40), 0}));
    }
}

TEST_F(Settings, RoundTripRestoresEveryField)
{
    setDistinctState();
    const Snapshot written = takeSnapshot();
    const std::array<uint8_t, SETTINGS_BYTES> bytes = encodeSettings();
    resetToDefaults();
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()), 3u);
    const Snapshot read = takeSnapshot();
    EXPECT_EQ(read.pen, written.pen);
    EXPECT_EQ(read.penSize, written.penSize);
    EXPECT_EQ(read.eraser, written.eraser);
    EXPECT_EQ(read.eraserSize, written.eraserSize);
    EXPECT_EQ(read.custom, written.custom);
}

struct ShortFileCase {
    size_t size;
    bool pen, penSize, eraser, eraserSize;
    int customRead; // how many custom colours lie wholly inside
    unsigned result;
};

// A file of distinct values cut short: fields wholly inside are read, the rest keep the defaults.
TEST_F(Settings, ShortFileUpdatesOnlyWholeFields)
{
    const ShortFileCase cases[] = {
        {0, false, false, false, false, 0, 0},   {2, false, false, false, false, 0, 0},
        {3, true, false, false, false, 0, 0},    {5, true, false, false, false, 0, 0},
        {6, true, false, false, false, 0, 0},    {7, true, true, false, false, 0, 1},
        {9, true, true, false, false, 0, 1},     {10, true, true, true, false, 0, 1},
        {13, true, true, true, false, 0, 1},     {14, true, true, true, true, 0, 3},
        {17, true, true, true, true, 0, 3},      {18, true, true, true, true, 1, 3},
        {40, true, true, true, true, 6, 3},      {77, true, true, true, true, 15, 3},
        {78, true, true, true, true, 16, 3},
    };
    setDistinctState();
    const std::array<uint8_t, SETTINGS_BYTES> full = encodeSettings();
    const Snapshot file = takeSnapshot();
    for (const ShortFileCase &c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        resetToDefaults();
        const Snapshot before = takeSnapshot();
        // A copy of exactly the short length, so ASan sees any read past it.
        const Bytes data(full.begin(), full.begin() + c.size);
        EXPECT_EQ(decodeSettings(data.data(), data.size()), c.result);
        const Snapshot after = takeSnapshot();
        EXPECT_EQ(after.pen, c.pen ? file.pen : before.pen);
        EXPECT_EQ(after.penSize, c.penSize ? file.penSize : before.penSize);
        EXPECT_EQ(after.eraser, c.eraser ? file.eraser : before.eraser);
        EXPECT_EQ(after.eraserSize, c.eraserSize ? file.eraserSize : before.eraserSize);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(after.custom[i], i < c.customRead ? file.custom[i] : before.custom[i]) << "custom " << i;
    }
}

TEST_F(Settings, LongerFileReadsOnlyTheFirst78Bytes)
{
    setDistinctState();
    const std::array<uint8_t, SETTINGS_BYTES> bytes = encodeSettings();
    const Snapshot written = takeSnapshot();
    Bytes longer(bytes.begin(), bytes.end());
    longer.insert(longer.end(), 20, 0x99);
    resetToDefaults();
    EXPECT_EQ(decodeSettings(longer.data(), longer.size()), 3u);
    EXPECT_EQ(takeSnapshot().custom, written.custom);
}

TEST_F(Settings, EmptyDataWithNoBufferChangesNothing)
{
    EXPECT_EQ(decodeSettings(nullptr, 0), 0u);
    EXPECT_EQ(brushSettings.penSize, 3);
    EXPECT_EQ(brushSettings.eraserSize, 7);
}

} // namespace
