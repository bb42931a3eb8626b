// Fuzzes the texture file check: any bytes give a message with the pixels untouched, or exactly the
// 196,608 pixel bytes at bfOffBits of a file whose header is acceptable; saved again they come back.
#include <cstring>
#include <vector>

#include "skin/bmp.h"
#include "skin/skin_store.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

const uint8_t UNTOUCHED = 0xA5;

// A texture that shows a swap of rows, columns or red and blue: red follows the column, blue the row.
std::vector<uint8_t> seedTexture()
{
    std::vector<uint8_t> rgb(SKIN_BYTES);
    for (size_t i = 0; i < SKIN_PIXELS; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(i % 256);
        rgb[3 * i + 1] = static_cast<uint8_t>((i % 256) ^ (i / 256));
        rgb[3 * i + 2] = static_cast<uint8_t>(i / 256);
    }
    BitmapHeader header;
    setupBitmapHeader(header, SKIN_SIDE, SKIN_SIDE);
    return encodeTexture(rgb.data(), header);
}

FuzzSeeds textureSeeds()
{
    std::vector<uint8_t> valid = seedTexture();
    FuzzSeeds seeds{valid};
    // The headers alone, and a file cut one byte short of its last pixel.
    seeds.emplace_back(valid.begin(), valid.begin() + BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES);
    seeds.emplace_back(valid.begin(), valid.end() - 1);
    // Pixels after a gap of six bytes.
    std::vector<uint8_t> gap(valid.begin(), valid.begin() + 54);
    gap.insert(gap.end(), 6, 0xEE);
    gap.insert(gap.end(), valid.begin() + 54, valid.end());
    writeLe32(gap.data() + 10, 60);
    seeds.push_back(gap);
    // Pixels from offset 0, overlapping the headers: the smallest file the check can accept.
    std::vector<uint8_t> overlap(valid.begin(), valid.begin() + SKIN_BYTES);
    writeLe32(overlap.data() + 10, 0);
    seeds.push_back(overlap);
    return seeds;
}

FUZZ_HARNESS bool allUntouched(const std::vector<uint8_t> &bgr)
{
    for (uint8_t byte : bgr)
        if (byte != UNTOUCHED)
            return false;
    return true;
}

// The header of a file that was accepted, read here straight from the bytes.
void checkAcceptedHeader(const uint8_t *data, size_t size)
{
    FUZZ_CHECK(size >= BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES, "accepted a file shorter than its headers");
    FUZZ_CHECK(static_cast<int32_t>(readLe32(data + 18)) == 256, "accepted a width other than 256");
    FUZZ_CHECK(static_cast<int32_t>(readLe32(data + 22)) == 256, "accepted a height other than 256");
    FUZZ_CHECK(readLe16(data + 26) == 1, "accepted a plane count other than 1");
    FUZZ_CHECK(readLe16(data + 28) == 24, "accepted a bit count other than 24");
    FUZZ_CHECK(readLe32(data + 30) == 0, "accepted a compressed file");
}

// Loaded into the store and saved as the program saves, the pixels read back unchanged.
void checkSaveRoundTrip(const std::vector<uint8_t> &bgr)
{
    FUZZ_CHECK(replaceTexture(SKIN_SIDE, SKIN_SIDE, bgr.data()), "a 256 x 256 texture could not be held");
    BitmapHeader header;
    setupBitmapHeader(header, SKIN_SIDE, SKIN_SIDE);
    std::vector<uint8_t> file = encodeTexture(skinGL, header);
    FUZZ_CHECK(file.size() == BMP_TEXTURE_FILE_BYTES, "a saved texture has the wrong size");
    std::vector<uint8_t> again(SKIN_BYTES);
    FUZZ_CHECK(parseTexture(file.data(), file.size(), again.data()) == nullptr, "a saved texture is refused");
    FUZZ_CHECK(again == bgr, "a saved texture reads back different pixels");
    FUZZ_CHECK(std::memcmp(skinBase, bgr.data(), SKIN_BYTES) == 0, "skinBase differs from the file's pixels");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    writeSeeds(*argc, *argv, textureSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exactly the pixel bytes, so AddressSanitizer sees any write past them.
    std::vector<uint8_t> bgr(SKIN_BYTES, UNTOUCHED);
    const char *message = parseTexture(data, size, bgr.data());
    if (message != nullptr) {
        FUZZ_CHECK(message[0] != '\0', "an empty refusal message");
        FUZZ_CHECK(allUntouched(bgr), "a refused file wrote pixels");
        return 0;
    }
    checkAcceptedHeader(data, size);
    uint32_t offset = readLe32(data + 10);
    FUZZ_CHECK(offset <= size && size - offset >= SKIN_BYTES, "accepted a file whose pixels run past its end");
    FUZZ_CHECK(std::memcmp(bgr.data(), data + offset, SKIN_BYTES) == 0, "pixels not taken from bfOffBits");
    checkSaveRoundTrip(bgr);
    return 0;
}
