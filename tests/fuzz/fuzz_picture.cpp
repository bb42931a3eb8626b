// Fuzzes the PNG, TGA and JPEG readers: any bytes give the damaged or the too-large refusal with nothing kept
// (too large only when the header claims a size beyond the limits), or a picture within the size limits
// whose pixels, written again as PNG and TGA, read back the same; a pattern of any format keeps the pattern
// size rules; a small picture scales to the texture size the fitting rule gives.
#include <cstring>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "picture/picture.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

// Anything larger is still decoded, but not written out and scaled again on every run, which would be slow.
const size_t ROUND_TRIP_PIXELS = 1 << 16;

void appendTo(void *context, void *data, int size)
{
    auto *out = static_cast<std::vector<uint8_t> *>(context);
    out->insert(out->end(), static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
}

FuzzSeeds pictureSeeds()
{
    Picture picture;
    picture.width = 5;
    picture.height = 3;
    for (int i = 0; i < 5 * 3 * 3; ++i)
        picture.pixels.push_back(static_cast<uint8_t>(i * 37));
    FuzzSeeds seeds{encodePicture(PictureFormat::Png, picture), encodePicture(PictureFormat::Tga, picture)};
    // A picture with transparency, a JPEG, and a run-length TGA.
    std::vector<uint8_t> rgba(6 * 4 * 4), file;
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = static_cast<uint8_t>(i * 11);
    stbi_write_png_to_func(appendTo, &file, 6, 4, 4, rgba.data(), 6 * 4);
    seeds.push_back(file);
    file.clear();
    stbi_write_jpg_to_func(appendTo, &file, 6, 4, 4, rgba.data(), 80);
    seeds.push_back(file);
    file.clear();
    stbi_write_tga_with_rle = 1;
    stbi_write_tga_to_func(appendTo, &file, 6, 4, 4, rgba.data());
    seeds.push_back(file);
    return seeds;
}

void checkWrittenBack(const Picture &picture, PictureFormat format)
{
    std::vector<uint8_t> file = encodePicture(format, picture);
    FUZZ_CHECK(!file.empty(), "a decoded picture cannot be written");
    Picture again;
    FUZZ_CHECK(decodePicture(file.data(), file.size(), again) == nullptr, "a written picture is refused");
    FUZZ_CHECK(again.width == picture.width && again.height == picture.height, "a written picture changed size");
    FUZZ_CHECK(again.pixels == picture.pixels, "a written picture reads back different pixels");
    FUZZ_CHECK(again.exact, "a written picture is not exact");
}

void checkPattern(const uint8_t *data, size_t size)
{
    PatternImage image{};
    const char *refusal = decodePatternFile("pattern.tga", data, size, image);
    if (refusal != nullptr) {
        FUZZ_CHECK(refusal[0] != '\0', "an empty pattern refusal");
        return;
    }
    FUZZ_CHECK(image.width > 0 && image.width <= 256 && image.width % 2 == 0, "a pattern width out of the rules");
    FUZZ_CHECK(image.height > 0 && image.height <= 256 && image.height % 2 == 0, "a pattern height out of the rules");
    FUZZ_CHECK(image.pixels.size() == size_t(image.width) * size_t(image.height) * 3, "pattern pixels miscounted");
}

} // namespace

FUZZ_SEEDS(pictureSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Picture picture;
    const char *refusal = decodePicture(data, size, picture);
    checkPattern(data, size);
    if (refusal != nullptr) {
        FUZZ_CHECK(refusal == MSG_PICTURE_DAMAGED || refusal == MSG_PICTURE_TOO_LARGE, "an unknown refusal");
        // Asked only after the reader got that far: stb's header reader is not safe on every JPEG.
        int width = 0, height = 0, channels = 0;
        if (refusal == MSG_PICTURE_TOO_LARGE)
            FUZZ_CHECK(stbi_info_from_memory(data, int(size), &width, &height, &channels) &&
                           isPictureTooLarge(width, height),
                       "too large without a size beyond the limits");
        FUZZ_CHECK(picture.width == 0 && picture.height == 0 && picture.pixels.empty(), "a refusal kept pixels");
        return 0;
    }
    FUZZ_CHECK(picture.width > 0 && picture.width <= MAX_PICTURE_SIDE, "a width beyond the limit");
    FUZZ_CHECK(picture.height > 0 && picture.height <= MAX_PICTURE_SIDE, "a height beyond the limit");
    const size_t pixels = size_t(picture.width) * size_t(picture.height);
    FUZZ_CHECK(pixels <= MAX_PICTURE_PIXELS, "more pixels than the limit");
    FUZZ_CHECK(picture.pixels.size() == pixels * 3, "pixel bytes do not match the size");
    if (picture.exact)
        FUZZ_CHECK(!(size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF), "a JPEG counted exact");
    if (pixels > ROUND_TRIP_PIXELS)
        return 0;
    checkWrittenBack(picture, PictureFormat::Png);
    checkWrittenBack(picture, PictureFormat::Tga);
    int32_t width = 0, height = 0;
    if (!fitTextureSize(picture.width, picture.height, width, height))
        return 0;
    FUZZ_CHECK(width >= TEXTURE_MIN_SIDE && width <= TEXTURE_MAX_SIDE, "a fitted width out of the texture sides");
    FUZZ_CHECK(height >= TEXTURE_MIN_SIDE && height <= TEXTURE_MAX_SIDE, "a fitted height out of the texture sides");
    Picture scaled;
    FUZZ_CHECK(scalePicture(picture, width, height, scaled), "a decoded picture does not scale");
    FUZZ_CHECK(scaled.pixels.size() == size_t(width) * size_t(height) * 3, "a scaled texture of the wrong size");
    return 0;
}
