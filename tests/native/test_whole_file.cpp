// Tests of reading a whole file up to a limit: files at, below and above the limit around the reader's chunk
// size, files that cannot be read, and a limit for pictures that every picture within the pixel limits meets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/whole_file.h"
#include "picture/bmp.h"

namespace {

typedef std::vector<uint8_t> Bytes;

std::string tempPath(const std::string &name)
{
    return ::testing::TempDir() + "pelterine-whole-file-" + name;
}

// Bytes that differ from one position to the next, so a chunk read twice or skipped cannot go unseen.
Bytes patterned(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

std::string writeTemp(const std::string &name, const Bytes &bytes)
{
    const std::string path = tempPath(name);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(nullptr, file);
    if (file) {
        if (!bytes.empty())
            EXPECT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), file));
        EXPECT_EQ(0, std::fclose(file));
    }
    return path;
}

TEST(ReadWholeFile, ReadsUpToTheLimitAndRefusesOneByteMore)
{
    // Sizes around the 64 KiB chunks the reader takes, each with limits one under, at and one over its size.
    for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{65537}, size_t{200001}}) {
        const Bytes content = patterned(size);
        const std::string path = writeTemp("sized", content);
        Bytes read = {1, 2, 3};
        EXPECT_EQ(FileRead::read, readWholeFile(path.c_str(), read, size)) << size;
        EXPECT_EQ(content, read) << size;
        EXPECT_EQ(FileRead::read, readWholeFile(path.c_str(), read, size + 1)) << size;
        EXPECT_EQ(content, read) << size;
        if (size > 0) {
            EXPECT_EQ(FileRead::tooLarge, readWholeFile(path.c_str(), read, size - 1)) << size;
            EXPECT_TRUE(read.empty()) << size;
        }
        std::remove(path.c_str());
    }
}

TEST(ReadWholeFile, FarOverTheLimitIsTooLargeNotUnreadable)
{
    const std::string path = writeTemp("large", patterned(300000));
    Bytes read;
    EXPECT_EQ(FileRead::tooLarge, readWholeFile(path.c_str(), read, 1000));
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(FileRead::tooLarge, readWholeFile(path.c_str(), read, 0));
    std::remove(path.c_str());
}

TEST(ReadWholeFile, MissingFileOrFolderIsUnreadable)
{
    Bytes read = {9};
    EXPECT_EQ(FileRead::unreadable, readWholeFile(tempPath("no-such-file").c_str(), read, 1000));
    EXPECT_TRUE(read.empty());
    // A folder opens on some systems but gives no bytes: unreadable, whatever size it claims.
    EXPECT_EQ(FileRead::unreadable, readWholeFile(::testing::TempDir().c_str(), read, 1000));
    EXPECT_EQ(FileRead::unreadable, readWholeFile(::testing::TempDir().c_str(), read, MAX_PICTURE_FILE_BYTES));
    EXPECT_TRUE(read.empty());
}

// The size of a PNG of 16-bit red, green, blue and alpha whose pixels are stored without compression: the
// signature, IHDR and IEND, a filter byte before each row, zlib's header, check value and 5 bytes for each stored
// block of at most 65,535 bytes, in IDAT chunks of 8,192 bytes with 12 bytes each around them.
size_t storedRgba16PngBytes(size_t width, size_t height)
{
    const size_t raw = height * (1 + width * 8);
    const size_t zlib = 2 + raw + 5 * ((raw + 65534) / 65535) + 4;
    const size_t chunks = (zlib + 8191) / 8192;
    return 8 + 25 + zlib + 12 * chunks + 12;
}

TEST(PictureFileLimit, HoldsEveryPictureThePixelLimitsAllowAtSixteenBitsWithAlpha)
{
    const size_t sides[][2] = {{4096, 4096}, {8192, 2048}, {2048, 8192}};
    for (const auto &side : sides) {
        ASSERT_LE(side[0] * side[1], size_t{MAX_PICTURE_PIXELS});
        const size_t bytes = storedRgba16PngBytes(side[0], side[1]);
        EXPECT_GT(bytes, size_t{128} << 20) << side[0] << " x " << side[1];
        // Even a compressor that makes such data an eighth larger stays under the limit.
        EXPECT_LT(bytes + bytes / 8, size_t{MAX_PICTURE_FILE_BYTES}) << side[0] << " x " << side[1];
    }
}

}  // namespace
