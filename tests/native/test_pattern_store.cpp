// Tests of the pattern store: reallocation, white fill, the blank pattern and installing a parsed one.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"

namespace {

class PatternStoreTest : public ::testing::Test {
protected:
    void SetUp() override { resetToDefaults(); }
    void TearDown() override { resetPatternStore(); }
};

bool allBytes(const uint8_t *p, size_t n, uint8_t value)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] != value)
            return false;
    return true;
}

void expectEmptyStore()
{
    EXPECT_EQ(patternSource, nullptr);
    EXPECT_EQ(patternBrush, nullptr);
    EXPECT_EQ(patternWidth, 0);
    EXPECT_EQ(patternHeight, 0);
}

// 6 x 4, red on blue, with one green pixel at column 5 of row 0 so rows and columns cannot swap unseen.
PatternImage redOnBlue()
{
    PatternImage image{6, 4, {}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 6; ++j) {
            bool red = j >= 2 && j <= 3;
            bool green = i == 0 && j == 5;
            image.pixels.push_back(red || green ? 0 : 255);
            image.pixels.push_back(green ? 255 : 0);
            image.pixels.push_back(red ? 255 : 0);
        }
    return image;
}

TEST_F(PatternStoreTest, StartsEmpty)
{
    expectEmptyStore();
}

TEST_F(PatternStoreTest, BlankPatternIsWhite64By64)
{
    ASSERT_TRUE(initPatternStore());
    EXPECT_EQ(patternWidth, 64);
    EXPECT_EQ(patternHeight, 64);
    ASSERT_NE(patternSource, nullptr);
    ASSERT_NE(patternBrush, nullptr);
    EXPECT_NE(patternSource, patternBrush);
    EXPECT_TRUE(allBytes(patternSource, 64 * 64 * 3, 255));
    EXPECT_TRUE(allBytes(patternBrush, 64 * 64 * 3, 255));
    EXPECT_EQ(patternHeader.biSize, 40u);
    EXPECT_EQ(patternHeader.biWidth, 64);
    EXPECT_EQ(patternHeader.biHeight, 64);
    EXPECT_EQ(patternHeader.biPlanes, 1);
    EXPECT_EQ(patternHeader.biBitCount, 24);
    EXPECT_EQ(patternHeader.biCompression, 0u);
}

TEST_F(PatternStoreTest, ZeroSideChangesNothing)
{
    ASSERT_TRUE(installPattern(redOnBlue()));
    const uint8_t *source = patternSource;
    const uint8_t *brush = patternBrush;
    const int32_t cases[][2] = {{0, 10}, {10, 0}, {0, 0}, {0, -5}, {-5, 0}};
    for (const auto &c : cases) {
        EXPECT_TRUE(reallocatePattern(c[0], c[1])) << c[0] << " x " << c[1];
        EXPECT_EQ(patternSource, source);
        EXPECT_EQ(patternBrush, brush);
        EXPECT_EQ(patternWidth, 6);
        EXPECT_EQ(patternHeight, 4);
        EXPECT_EQ(std::memcmp(patternSource, redOnBlue().pixels.data(), 72), 0);
    }
}

TEST_F(PatternStoreTest, ReallocateGivesBuffersOfTheNewSize)
{
    ASSERT_TRUE(initPatternStore());
    ASSERT_TRUE(reallocatePattern(6, 2));
    EXPECT_EQ(patternWidth, 6);
    EXPECT_EQ(patternHeight, 2);
    ASSERT_NE(patternSource, nullptr);
    ASSERT_NE(patternBrush, nullptr);
    // AddressSanitizer reports any buffer shorter than 6 * 2 * 3 bytes here.
    std::memset(patternSource, 1, 36);
    std::memset(patternBrush, 2, 36);
    EXPECT_TRUE(allBytes(patternSource, 36, 1));
}

TEST_F(PatternStoreTest, ImpossibleSizesFailAsAnAllocationWould)
{
    const int32_t cases[][2] = {{-2, 4}, {4, -2}, {-2, -2}, {INT32_MIN, 2}, {INT32_MAX, INT32_MAX}};
    for (const auto &c : cases) {
        ASSERT_TRUE(initPatternStore());
        EXPECT_FALSE(reallocatePattern(c[0], c[1])) << c[0] << " x " << c[1];
        expectEmptyStore();
    }
    // An empty store recovers with the next reallocation.
    EXPECT_TRUE(reallocatePattern(2, 2));
    EXPECT_EQ(patternWidth, 2);
}

TEST_F(PatternStoreTest, FillWhiteCoversExactlyTheCount)
{
    std::vector<uint8_t> buffer(20, 0);
    fillWhite(buffer.data(), 2, 3);
    EXPECT_TRUE(allBytes(buffer.data(), 18, 255));
    EXPECT_EQ(buffer[18], 0);
    EXPECT_EQ(buffer[19], 0);

    std::vector<uint8_t> untouched(20, 0);
    for (const auto &c : {std::pair<int, int>{0, 3}, {3, 0}, {-1, 3}, {3, -1}, {-2, -2}})
        fillWhite(untouched.data(), c.first, c.second);
    EXPECT_TRUE(allBytes(untouched.data(), 20, 0));
    fillWhite(nullptr, 4, 4);
}

TEST_F(PatternStoreTest, InstallCopiesPixelsIntoSourceAndBrush)
{
    ASSERT_TRUE(initPatternStore());
    PatternImage image = redOnBlue();
    ASSERT_TRUE(installPattern(image));
    EXPECT_EQ(patternWidth, 6);
    EXPECT_EQ(patternHeight, 4);
    EXPECT_EQ(std::memcmp(patternSource, image.pixels.data(), 72), 0);
    EXPECT_EQ(std::memcmp(patternBrush, image.pixels.data(), 72), 0);
    EXPECT_EQ(patternHeader.biWidth, 6);
    EXPECT_EQ(patternHeader.biHeight, 4);
    EXPECT_EQ(patternHeader.biBitCount, 24);
    // Row 0 is the bottom row: its last pixel is the green one.
    EXPECT_EQ(patternSource[15], 0);
    EXPECT_EQ(patternSource[16], 255);
    EXPECT_EQ(patternSource[17], 0);
}

TEST_F(PatternStoreTest, InstallOfTheLargestPattern)
{
    PatternImage image{256, 256, std::vector<uint8_t>(256 * 256 * 3)};
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<uint8_t>(i * 7 + i / 768);
    ASSERT_TRUE(installPattern(image));
    EXPECT_EQ(std::memcmp(patternBrush, image.pixels.data(), image.pixels.size()), 0);
}

TEST_F(PatternStoreTest, InstallRefusesEmptyOrShortImages)
{
    ASSERT_TRUE(installPattern(redOnBlue()));
    const uint8_t *source = patternSource;
    const PatternImage bad[] = {
        {0, 4, std::vector<uint8_t>(72)},
        {6, 0, std::vector<uint8_t>(72)},
        {-6, 4, std::vector<uint8_t>(72)},
        {6, -4, std::vector<uint8_t>(72)},
        {8, 4, std::vector<uint8_t>(72)},   // 96 bytes needed
    };
    for (const PatternImage &image : bad) {
        EXPECT_FALSE(installPattern(image)) << image.width << " x " << image.height;
        EXPECT_EQ(patternSource, source);
        EXPECT_EQ(patternWidth, 6);
        EXPECT_EQ(patternHeight, 4);
        EXPECT_EQ(patternHeader.biWidth, 6);
        EXPECT_EQ(std::memcmp(patternBrush, redOnBlue().pixels.data(), 72), 0);
    }
}

TEST_F(PatternStoreTest, ResetEmptiesTheStore)
{
    ASSERT_TRUE(initPatternStore());
    resetPatternStore();
    expectEmptyStore();
}

} // namespace
