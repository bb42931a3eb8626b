// Fuzzes the texture file reader: any bytes give one of its messages with nothing kept, or a picture of the
// header's size that passed every check; 24-bit and 8-bit pixels are those a plain reading of the file gives;
// saved again with encodeTexture the picture comes back the same.
#include <cstring>
#include <vector>

#include "picture/bmp.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

// Writing a larger picture out and reading it again on every run would be slow; it is still read and checked.
const size_t ROUND_TRIP_PIXELS = 1 << 16;

const char *const MSG_TRUNCATED = "Picture file is truncated";
const char *const MSG_COMPRESSED = "Picture is compressed, too hard for me :P";
const char *const MSG_PLANES = "Plan number incorrect, must be 1";

// A file of the given kind: headers (an info header of infoSize bytes), `extra` after them (a palette or
// masks), then rows of `rowBytes` bytes padded to 4, each filled from `fill`.
std::vector<uint8_t> seedFile(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t infoSize,
                              const std::vector<uint32_t> &extra, uint8_t (*fill)(size_t x, size_t row))
{
    const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
    const size_t rowBytes = (static_cast<size_t>(width) * bits + 7) / 8, stride = (rowBytes + 3) / 4 * 4;
    std::vector<uint8_t> file(14 + infoSize + 4 * extra.size(), 0);
    file[0] = 'B', file[1] = 'M';
    writeLe32(file.data() + 10, static_cast<uint32_t>(file.size()));
    writeLe32(file.data() + 14, infoSize);
    writeLe32(file.data() + 18, static_cast<uint32_t>(width));
    writeLe32(file.data() + 22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = static_cast<uint8_t>(bits);
    writeLe32(file.data() + 30, compression);
    for (size_t i = 0; i < extra.size(); ++i)
        writeLe32(file.data() + 14 + infoSize + 4 * i, extra[i]);
    for (size_t row = 0; row < rows; ++row)
        for (size_t x = 0; x < stride; ++x)
            file.push_back(x < rowBytes ? fill(x, row) : 0);
    writeLe32(file.data() + 2, static_cast<uint32_t>(file.size()));
    return file;
}

uint8_t anyByte(size_t x, size_t row)
{
    return static_cast<uint8_t>(x * 37 + row * 11);
}

uint8_t indexBelowFive(size_t x, size_t row)
{
    return static_cast<uint8_t>((x + row) % 5);
}

std::vector<uint32_t> palette(uint32_t count)
{
    std::vector<uint32_t> entries;
    for (uint32_t i = 0; i < count; ++i)
        entries.push_back(i * 0x0A1B2Cu + 0x102030u);
    return entries;
}

FuzzSeeds textureSeeds()
{
    FuzzSeeds seeds;
    seeds.push_back(seedFile(13, 7, 24, 0, 40, {}, anyByte));
    seeds.push_back(seedFile(5, -3, 24, 0, 40, {}, anyByte)); // top-down
    seeds.push_back(seedFile(13, 7, 8, 0, 40, palette(5), indexBelowFive));
    std::vector<uint8_t> shortPalette = seedFile(13, 7, 8, 0, 40, palette(5), indexBelowFive);
    writeLe32(shortPalette.data() + 46, 5);
    seeds.push_back(shortPalette);
    seeds.push_back(seedFile(9, 4, 4, 0, 40, palette(16), anyByte));
    seeds.push_back(seedFile(21, 3, 1, 0, 124, palette(2), anyByte));
    seeds.push_back(seedFile(7, 5, 16, 3, 40, {0xF800, 0x07E0, 0x001F}, anyByte));
    seeds.push_back(seedFile(7, 5, 16, 0, 40, {}, anyByte));
    seeds.push_back(seedFile(6, 3, 32, 0, 40, {}, anyByte));
    // A V5 header: masks, alpha included, inside the header's 124 bytes.
    std::vector<uint8_t> v5 = seedFile(6, -3, 32, 3, 124, {}, anyByte);
    const uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    for (int i = 0; i < 4; ++i)
        writeLe32(v5.data() + 54 + 4 * i, masks[i]);
    seeds.push_back(v5);
    seeds.emplace_back(seeds[0].begin(), seeds[0].begin() + BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES);
    return seeds;
}

// The first checks of the order, straight from the header bytes: compression, then the plane count.
void checkRefusalOrder(const uint8_t *data, size_t size, const char *message)
{
    if (size < BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES) {
        FUZZ_CHECK(std::strcmp(message, MSG_TRUNCATED) == 0, "short headers not truncated");
        return;
    }
    const uint16_t bits = readLe16(data + 28);
    const uint32_t compression = readLe32(data + 30);
    const bool bitFields = compression == 3 && (bits == 16 || bits == 32);
    if (compression != 0 && !bitFields)
        FUZZ_CHECK(std::strcmp(message, MSG_COMPRESSED) == 0, "compression not refused first");
    else if (readLe16(data + 26) != 1)
        FUZZ_CHECK(std::strcmp(message, MSG_PLANES) == 0, "planes not refused second");
}

// The header of a file that was accepted, read here straight from the bytes, against the picture.
void checkAcceptedHeader(const uint8_t *data, size_t size, const Picture &picture)
{
    FUZZ_CHECK(size >= BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES, "accepted a file shorter than its headers");
    const int32_t width = static_cast<int32_t>(readLe32(data + 18));
    const int64_t height = static_cast<int32_t>(readLe32(data + 22));
    const uint16_t bits = readLe16(data + 28);
    const uint32_t compression = readLe32(data + 30);
    FUZZ_CHECK(readLe16(data + 26) == 1, "accepted a plane count other than 1");
    FUZZ_CHECK(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32, "accepted a bit count");
    FUZZ_CHECK(compression == 0 || (compression == 3 && (bits == 16 || bits == 32)), "accepted a compression");
    FUZZ_CHECK(picture.width == width && width > 0, "the width is not the header's");
    FUZZ_CHECK(picture.height == (height < 0 ? -height : height) && height != 0, "the height is not the header's");
    FUZZ_CHECK(picture.width <= MAX_PICTURE_SIDE && picture.height <= MAX_PICTURE_SIDE, "a side beyond the limit");
    const size_t pixels = size_t(picture.width) * size_t(picture.height);
    FUZZ_CHECK(pixels <= MAX_PICTURE_PIXELS, "more pixels than the limit");
    FUZZ_CHECK(picture.pixels.size() == pixels * 3, "pixel bytes do not match the size");
    if (compression == 0)
        FUZZ_CHECK(picture.exact, "a file without alpha is not exact");
}

// 24-bit and 8-bit pixels as a plain reading of the file gives them: rows padded to 4 bytes from bfOffBits,
// turned over when the height is negative; an 8-bit index names a palette entry after the info header.
void checkPlainPixels(const uint8_t *data, const Picture &picture)
{
    const uint16_t bits = readLe16(data + 28);
    if (bits != 24 && bits != 8)
        return;
    const bool topDown = static_cast<int32_t>(readLe32(data + 22)) < 0;
    const size_t width = size_t(picture.width), rows = size_t(picture.height);
    const size_t stride = (width * bits / 8 + 3) / 4 * 4;
    const uint8_t *pixels = data + readLe32(data + 10);
    const size_t paletteAt = 14 + size_t(readLe32(data + 14));
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t *fileRow = pixels + (topDown ? rows - 1 - r : r) * stride;
        const uint8_t *row = picture.pixels.data() + r * width * 3;
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *expected = bits == 24 ? fileRow + 3 * x : data + paletteAt + 4 * size_t(fileRow[x]);
            FUZZ_CHECK(std::memcmp(row + 3 * x, expected, 3) == 0, "a pixel differs from a plain reading");
        }
    }
}

// Saved as the program saves it, the picture reads back unchanged, and the header alone is the file's start.
void checkSaveRoundTrip(const Picture &picture)
{
    const std::vector<uint8_t> rgb = swappedRedAndBlue(picture.pixels.data(), picture.pixels.size());
    BitmapHeader header;
    setupBitmapHeader(header, picture.width, picture.height);
    const std::vector<uint8_t> file = encodeTexture(rgb.data(), header);
    FUZZ_CHECK(file.size() == bmpFileBytes(picture.width, picture.height), "a saved texture has the wrong size");
    uint8_t head[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES];
    encodeTextureHeader(header, head);
    FUZZ_CHECK(std::memcmp(head, file.data(), sizeof head) == 0, "the header alone differs from the file's start");
    Picture again;
    FUZZ_CHECK(parseTexture(file.data(), file.size(), again) == nullptr, "a saved texture is refused");
    FUZZ_CHECK(again.width == picture.width && again.height == picture.height, "a saved texture changed size");
    FUZZ_CHECK(again.pixels == picture.pixels, "a saved texture reads back different pixels");
    FUZZ_CHECK(again.exact, "a saved texture is not exact");
}

} // namespace

FUZZ_SEEDS(textureSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Picture picture;
    picture.width = 3;
    picture.pixels.assign(9, 0xA5);
    const char *message = parseTexture(data, size, picture);
    if (message != nullptr) {
        FUZZ_CHECK(message[0] != '\0', "an empty refusal message");
        FUZZ_CHECK(picture.width == 0 && picture.height == 0 && picture.pixels.empty(), "a refusal kept pixels");
        checkRefusalOrder(data, size, message);
        return 0;
    }
    checkAcceptedHeader(data, size, picture);
    checkPlainPixels(data, picture);
    if (size_t(picture.width) * size_t(picture.height) <= ROUND_TRIP_PIXELS)
        checkSaveRoundTrip(picture);
    return 0;
}
