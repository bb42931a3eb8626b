// Fuzzes the pattern file check: an accepted file has sides the store can hold, its rows are the file's
// rows (padding dropped, top-down files turned over), it survives a save and reload, and the store takes it.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "paint/pattern_store.h"
#include "picture/bmp.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

// An image whose rows, columns and colours all differ, so a swap of any two shows.
PatternImage seedImage(int32_t width, int32_t height)
{
    PatternImage image{width, height, {}};
    for (int32_t row = 0; row < height; ++row)
        for (int32_t column = 0; column < width; ++column) {
            image.pixels.push_back(static_cast<uint8_t>(200 - row * 3));       // blue
            image.pixels.push_back(static_cast<uint8_t>(column * 7 + row));    // green
            image.pixels.push_back(static_cast<uint8_t>(10 + column * 5));     // red
        }
    return image;
}

// The same picture as a top-down file: negative height, rows from the top.
std::vector<uint8_t> topDownFile(const PatternImage &image)
{
    std::vector<uint8_t> file = encodePattern(image);
    size_t stride = bmpRowStride(static_cast<size_t>(image.width));
    std::vector<uint8_t> flipped(file.begin(), file.begin() + 54);
    for (int32_t row = image.height - 1; row >= 0; --row) {
        auto start = file.begin() + 54 + static_cast<ptrdiff_t>(stride) * row;
        flipped.insert(flipped.end(), start, start + static_cast<ptrdiff_t>(stride));
    }
    writeLe32(flipped.data() + 22, static_cast<uint32_t>(-image.height));
    return flipped;
}

FuzzSeeds patternSeeds()
{
    FuzzSeeds seeds;
    seeds.push_back(encodePattern(seedImage(6, 4)));    // rows of 18 bytes padded to 20
    seeds.push_back(encodePattern(seedImage(4, 2)));    // rows without padding
    seeds.push_back(encodePattern(seedImage(2, 256)));
    seeds.push_back(encodePattern(seedImage(64, 64)));
    seeds.push_back(topDownFile(seedImage(10, 6)));
    std::vector<uint8_t> unpaddedEnd = encodePattern(seedImage(6, 4));
    unpaddedEnd.resize(unpaddedEnd.size() - 2);         // the last row's padding left out
    seeds.push_back(unpaddedEnd);
    return seeds;
}

struct PatternFields {
    uint32_t offset;
    int32_t width;
    int32_t height;
};

// The header of an accepted file, read here straight from the bytes and checked against the store's limits.
PatternFields checkAcceptedHeader(const uint8_t *data, size_t size)
{
    FUZZ_CHECK(size >= 54, "accepted a file shorter than its headers");
    PatternFields f{readLe32(data + 10), static_cast<int32_t>(readLe32(data + 18)),
                    static_cast<int32_t>(readLe32(data + 22))};
    FUZZ_CHECK(f.width > 0 && f.width <= 256 && f.width % 2 == 0, "accepted a width the store cannot hold");
    FUZZ_CHECK(f.height != 0 && f.height >= -256 && f.height <= 256 && f.height % 2 == 0,
               "accepted a height the store cannot hold");
    FUZZ_CHECK(readLe16(data + 26) == 1, "accepted a plane count other than 1");
    FUZZ_CHECK(readLe16(data + 28) == 24, "accepted a bit count other than 24");
    FUZZ_CHECK(readLe32(data + 30) == 0, "accepted a compressed file");
    return f;
}

// Each stored row is the file's row at bfOffBits + row * stride, bottom row first either way.
void checkRows(const uint8_t *data, size_t size, const PatternFields &f, const PatternImage &image)
{
    size_t rows = static_cast<size_t>(std::abs(f.height));
    size_t rowBytes = static_cast<size_t>(f.width) * 3;
    size_t stride = (rowBytes + 3) / 4 * 4;
    FUZZ_CHECK(image.width == f.width && image.height == static_cast<int32_t>(rows), "stored size differs");
    FUZZ_CHECK(image.pixels.size() == rowBytes * rows, "stored pixels are not 3 * width * height bytes");
    for (size_t r = 0; r < rows; ++r) {
        size_t from = size_t(f.offset) + r * stride;
        FUZZ_CHECK(from <= size && size - from >= rowBytes, "accepted a file whose rows run past its end");
        size_t storedRow = f.height < 0 ? rows - 1 - r : r;
        FUZZ_CHECK(std::memcmp(image.pixels.data() + storedRow * rowBytes, data + from, rowBytes) == 0,
                   "a stored row is not the file's row");
    }
}

// Written as a file and read back, the image is the same; the store then holds it untinted.
void checkReloadAndInstall(const PatternImage &image)
{
    std::vector<uint8_t> file = encodePattern(image);
    FUZZ_CHECK(!file.empty(), "an accepted image cannot be encoded");
    PatternImage again{0, 0, {}};
    FUZZ_CHECK(parsePattern(file.data(), file.size(), again) == nullptr, "an encoded image is refused");
    FUZZ_CHECK(again.width == image.width && again.height == image.height && again.pixels == image.pixels,
               "an encoded image reads back different");

    FUZZ_CHECK(installPattern(image), "the store refused an accepted image");
    FUZZ_CHECK(patternWidth == image.width && patternHeight == image.height, "store size differs");
    FUZZ_CHECK(patternHeader.biWidth == image.width && patternHeader.biHeight == image.height,
               "store header differs");
    FUZZ_CHECK(std::memcmp(patternSource, image.pixels.data(), image.pixels.size()) == 0, "source differs");
    FUZZ_CHECK(std::memcmp(patternBrush, image.pixels.data(), image.pixels.size()) == 0, "brush differs");
    resetPatternStore();
}

} // namespace

FUZZ_SEEDS(patternSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PatternImage image{-1, -1, {}};
    const char *message = parsePattern(data, size, image);
    if (message != nullptr) {
        FUZZ_CHECK(message[0] != '\0', "an empty refusal message");
        return 0;
    }
    PatternFields fields = checkAcceptedHeader(data, size);
    checkRows(data, size, fields, image);
    checkReloadAndInstall(image);
    return 0;
}
