// Tests of the shipped data: data/super_pattern_01.bmp is what make_pattern draws, and a good pattern.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "picture/bmp.h"
#include "tools/pattern_art.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes readShippedPattern()
{
    std::ifstream in(PELTERINE_SOURCE_DIR "/data/super_pattern_01.bmp", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ShippedPattern, IsWhatTheGeneratorDraws)
{
    const Bytes shipped = readShippedPattern();
    ASSERT_FALSE(shipped.empty()) << "data/super_pattern_01.bmp is missing; run make_pattern";
    EXPECT_TRUE(shipped == encodeDefaultPattern()) << "data/super_pattern_01.bmp is stale; run make_pattern";
}

TEST(ShippedPattern, LoadsAsAGreyRoundStamp)
{
    const Bytes shipped = readShippedPattern();
    PatternImage image{0, 0, {}};
    ASSERT_EQ(parsePattern(shipped.data(), shipped.size(), image), nullptr);
    ASSERT_EQ(image.width, DEFAULT_PATTERN_SIDE);
    ASSERT_EQ(image.height, DEFAULT_PATTERN_SIDE);
    // Plain bottom-up BI_RGB with the pixels right after the headers, as any viewer expects.
    BmpFields f{};
    ASSERT_TRUE(readBmpFields(shipped.data(), shipped.size(), f));
    EXPECT_EQ(f.bfOffBits, 54u);
    EXPECT_GT(f.biHeight, 0);
    EXPECT_EQ(shipped[0], 'B');
    EXPECT_EQ(shipped[1], 'M');

    const int32_t side = image.width;
    int darkest = 255;
    for (int32_t row = 0; row < side; ++row) {
        for (int32_t col = 0; col < side; ++col) {
            const uint8_t *p = &image.pixels[(static_cast<size_t>(row) * side + col) * 3];
            // Neutral grey, so a tinted brush paints the pen colour itself.
            ASSERT_EQ(p[0], p[1]) << col << ", " << row;
            ASSERT_EQ(p[1], p[2]) << col << ", " << row;
            // White all round the border, so the stamp has no hard square edge.
            if (row == 0 || col == 0 || row == side - 1 || col == side - 1) {
                ASSERT_EQ(p[0], 255) << col << ", " << row;
            }
            if (p[0] < darkest)
                darkest = p[0];
        }
    }
    EXPECT_EQ(darkest, 0);
    // Black in the middle.
    const size_t middle = (static_cast<size_t>(side / 2) * side + side / 2) * 3;
    EXPECT_EQ(image.pixels[middle], 0);
}

} // namespace
