// Fuzzes the PCX reader and writer: any bytes give a refusal with nothing kept, or a picture within the size limits
// with exactly 3 bytes a pixel, exact, whose 8-bit pixels are all colours of its palette; written again with its
// own palette (or, for 24-bit files, a palette built from it) it reads back the same pixels whenever the
// palette holds them all; and the texture loader says damaged exactly when the reader refuses.
#include <algorithm>
#include <vector>

#include "picture/pcx.h"
#include "picture/picture.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

// Anything larger is still decoded, but not written out again on every run, which would be slow.
const size_t ROUND_TRIP_PIXELS = 1 << 16;

FuzzSeeds pcxSeeds()
{
    Picture picture;
    picture.width = 5;
    picture.height = 3;
    for (int i = 0; i < 5 * 3 * 3; ++i)
        picture.pixels.push_back(static_cast<uint8_t>(i % 4 * 70));
    PcxPalette palette = {};
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint8_t>(i * 7);
    FuzzSeeds seeds{encodePcx(picture, buildPcxPalette(picture)), encodePcx(picture, palette)};
    // A 24-bit file of 3 x 2 pixels, lines of 4 bytes a plane, its runs crossing lines and planes.
    std::vector<uint8_t> planes(128, 0);
    const uint8_t header[] = {0x0A, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0};
    std::copy(header, header + sizeof header, planes.begin());
    planes[65] = 3;
    planes[66] = 4;
    const uint8_t coded[] = {0xC5, 0x10, 0x20, 0xC3, 0x30, 0xC9, 0xF0, 0xC5, 0x40, 0xC1, 0xC7};
    planes.insert(planes.end(), coded, coded + sizeof coded);
    seeds.push_back(planes);
    return seeds;
}

// Whether every pixel's colour is one of the palette's: then writing with it loses nothing.
FUZZ_HARNESS bool paletteHoldsAll(const Picture &picture, const PcxPalette &palette)
{
    std::vector<uint32_t> colours;
    for (size_t e = 0; e < PCX_PALETTE_COLOURS; ++e)
        colours.push_back(uint32_t(palette[e * 3]) << 16 | uint32_t(palette[e * 3 + 1]) << 8 | palette[e * 3 + 2]);
    std::sort(colours.begin(), colours.end());
    const std::vector<uint8_t> &p = picture.pixels;
    for (size_t i = 0; i < p.size(); i += 3) {
        const uint32_t colour = uint32_t(p[i + 2]) << 16 | uint32_t(p[i + 1]) << 8 | p[i];
        if (!std::binary_search(colours.begin(), colours.end(), colour))
            return false;
    }
    return true;
}

FUZZ_HARNESS void checkWrittenBack(const Picture &picture, const PcxPalette &palette)
{
    const std::vector<uint8_t> file = encodePcx(picture, palette);
    FUZZ_CHECK(!file.empty(), "a decoded picture cannot be written");
    PcxImage again;
    FUZZ_CHECK(decodePcx(file.data(), file.size(), again) == PcxError::None, "a written file is refused");
    FUZZ_CHECK(again.picture.width == picture.width && again.picture.height == picture.height,
               "a written picture changed size");
    FUZZ_CHECK(again.paletted && again.palette == palette, "a written file lost its palette");
    if (paletteHoldsAll(picture, palette))
        FUZZ_CHECK(again.picture.pixels == picture.pixels, "colours of the palette came back different");
}

} // namespace

FUZZ_SEEDS(pcxSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PcxImage image;
    const PcxError error = decodePcx(data, size, image);
    Picture loaded;
    const char *refusal = decodeTextureFile("skin.pcx", data, size, loaded);
    const char *expected = error == PcxError::None       ? nullptr
                           : error == PcxError::TooLarge ? MSG_PICTURE_TOO_LARGE
                                                         : MSG_PICTURE_DAMAGED;
    FUZZ_CHECK(refusal == expected, "the loader and the reader disagree");
    if (error != PcxError::None) {
        FUZZ_CHECK(image.picture.width == 0 && image.picture.pixels.empty() && !image.paletted,
                   "a refusal kept pixels");
        return 0;
    }
    FUZZ_CHECK(loaded.pixels == image.picture.pixels, "the loader gives other pixels");
    const Picture &picture = image.picture;
    FUZZ_CHECK(picture.width > 0 && picture.width <= MAX_PICTURE_SIDE, "a width beyond the limit");
    FUZZ_CHECK(picture.height > 0 && picture.height <= MAX_PICTURE_SIDE, "a height beyond the limit");
    const size_t pixels = size_t(picture.width) * size_t(picture.height);
    FUZZ_CHECK(pixels <= MAX_PICTURE_PIXELS, "more pixels than the limit");
    FUZZ_CHECK(picture.pixels.size() == pixels * 3, "pixel bytes do not match the size");
    FUZZ_CHECK(picture.exact, "a decoded PCX is not exact");
    if (pixels > ROUND_TRIP_PIXELS)
        return 0;
    if (image.paletted) {
        FUZZ_CHECK(paletteHoldsAll(picture, image.palette), "an 8-bit pixel that is no colour of the palette");
        checkWrittenBack(picture, image.palette);
    } else {
        checkWrittenBack(picture, buildPcxPalette(picture));
    }
    return 0;
}
