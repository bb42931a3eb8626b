// Fuzzes the reader of the clipboard's bitmaps and the block a second start hands over: any bytes give a
// refusal with nothing kept, or a picture within the size limits with exactly 4 bytes a pixel; a picture read
// from an opaque 24-bit block is written again and reads back the same; decoded paths are never empty.
#include <vector>

#include "app/open_rules.h"
#include "picture/bmp.h"
#include "picture/dib.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

FuzzSeeds dibSeeds()
{
    const uint8_t bgr[5 * 3 * 3] = {0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90, 255};
    return {encodeDib(bgr, 5, 3), encodeDib(bgr, 1, 1)};
}

} // namespace

FUZZ_SEEDS(dibSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const std::string &path : decodeHandedFiles(reinterpret_cast<const char *>(data), size))
        FUZZ_CHECK(!path.empty(), "an empty path was handed over");
    DibPicture picture;
    if (decodeDib(data, size, picture)) {
        FUZZ_CHECK(picture.width == 0 && picture.bgra.empty(), "a refusal kept pixels");
        return 0;
    }
    FUZZ_CHECK(picture.width > 0 && picture.height > 0, "a picture without pixels");
    FUZZ_CHECK(!isPictureTooLarge(picture.width, picture.height), "a picture beyond the limits");
    const size_t pixels = size_t(picture.width) * size_t(picture.height);
    FUZZ_CHECK(picture.bgra.size() == pixels * 4, "pixel bytes do not match the size");
    if (pixels > (1 << 16))
        return 0;
    std::vector<uint8_t> bgr;
    for (int32_t row = picture.height - 1; row >= 0; --row)
        for (int32_t x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c)
                bgr.push_back(picture.bgra[(size_t(row) * size_t(picture.width) + size_t(x)) * 4 + size_t(c)]);
    const std::vector<uint8_t> again = encodeDib(bgr.data(), picture.width, picture.height);
    DibPicture back;
    FUZZ_CHECK(decodeDib(again.data(), again.size(), back) == nullptr, "a written block is refused");
    for (size_t i = 0; i < back.bgra.size(); ++i)
        FUZZ_CHECK(back.bgra[i] == (i % 4 == 3 ? 255 : picture.bgra[i]), "a written block reads back different");
    return 0;
}
