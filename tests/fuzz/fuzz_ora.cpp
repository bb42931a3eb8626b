// Fuzzes the OpenRaster reader and the zip under it: any bytes are refused with one of the picture messages and
// nothing kept, or give layers of the canvas's size that, written again, read back the same.
#include <cstring>
#include <string>
#include <vector>

#include "picture/ora.h"
#include "picture/zip.h"
#include "picture/bmp.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

// Larger canvases are decoded but not written out again on every run, which would be slow.
const size_t ROUND_TRIP_PIXELS = 1 << 14;

FuzzSeeds oraSeeds()
{
    OraImage image;
    image.width = 5;
    image.height = 3;
    for (int i = 0; i < 2; ++i) {
        OraLayer layer;
        layer.name = "layer";
        layer.mode = i == 0 ? BlendMode::Normal : BlendMode::Screen;
        for (int t = 0; t < 5 * 3 * 4; ++t)
            layer.pixels.push_back(uint8_t(t * 37 + i));
        image.layers.push_back(layer);
    }
    const std::vector<uint8_t> merged(5 * 3 * 3, 200);
    // And one as another program may write it: a nested stack, offsets, a mode this program lacks.
    const std::string xml = "<image w='4' h='3'><stack><stack x='1' y='-1' opacity='0.5'>"
                            "<layer src='a.png' x='2' y='1' composite-op='svg:hue'/></stack>"
                            "<layer name='b &amp; c' src='a.png' visibility='hidden'/></stack></image>";
    const uint8_t rgba[8] = {255, 0, 0, 255, 0, 0, 255, 100};
    const std::vector<uint8_t> png = encodePng(2, 1, 4, rgba);
    ZipWriter zip;
    addZipEntry(zip, "mimetype", reinterpret_cast<const uint8_t *>(ORA_MIMETYPE), std::strlen(ORA_MIMETYPE), false);
    addZipEntry(zip, "stack.xml", reinterpret_cast<const uint8_t *>(xml.data()), xml.size(), true);
    addZipEntry(zip, "a.png", png.data(), png.size(), false);
    finishZip(zip);
    return FuzzSeeds{encodeOra(image, merged.data()), zip.bytes};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    writeSeeds(*argc, *argv, oraSeeds());
    return 0;
}

namespace {

// The bytes as stack.xml too: inside a zip, the checksums would keep most mutations from ever reaching it.
void checkStackXml(const uint8_t *data, size_t size)
{
    OraStack stack;
    if (!parseOraStack(reinterpret_cast<const char *>(data), size, stack))
        return;
    FUZZ_CHECK(stack.width > 0 && stack.height > 0, "a stack without a size");
    for (const OraStackLayer &layer : stack.layers) {
        FUZZ_CHECK(!layer.src.empty(), "a layer without its picture");
        FUZZ_CHECK(layer.opacity >= 0 && layer.opacity <= 100, "an opacity out of range");
    }
    OraStack again;
    const std::string xml = writeOraStack(stack);
    FUZZ_CHECK(parseOraStack(xml.data(), xml.size(), again), "a written stack.xml is refused");
    FUZZ_CHECK(again.layers.size() == stack.layers.size(), "a written stack.xml lost layers");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkStackXml(data, size);
    OraImage image;
    OraStack stack;
    const char *refusal = decodeOra(data, size, image, stack);
    if (refusal != nullptr) {
        FUZZ_CHECK(refusal == MSG_PICTURE_DAMAGED || refusal == MSG_PICTURE_TOO_LARGE ||
                       refusal == MSG_ORA_TOO_MANY_LAYERS,
                   "an unknown refusal");
        FUZZ_CHECK(image.layers.empty(), "a refusal kept layers");
        return 0;
    }
    FUZZ_CHECK(image.width == stack.width && image.height == stack.height, "layers not at the canvas size");
    FUZZ_CHECK(!image.layers.empty() && image.layers.size() <= ORA_MAX_LAYERS, "a layer count out of the rules");
    const size_t pixels = size_t(image.width) * size_t(image.height);
    for (const OraLayer &layer : image.layers) {
        FUZZ_CHECK(layer.pixels.size() == pixels * 4, "layer pixels miscounted");
        FUZZ_CHECK(layer.opacity >= 0 && layer.opacity <= 100, "an opacity out of range");
    }
    if (pixels > ROUND_TRIP_PIXELS)
        return 0;
    const std::vector<uint8_t> merged(pixels * 3, 255);
    const std::vector<uint8_t> file = encodeOra(image, merged.data());
    OraImage again;
    OraStack againStack;
    FUZZ_CHECK(decodeOra(file.data(), file.size(), again, againStack) == nullptr, "a written file is refused");
    FUZZ_CHECK(again.layers.size() == image.layers.size(), "a written file lost layers");
    for (size_t i = 0; i < image.layers.size(); ++i) {
        FUZZ_CHECK(again.layers[i].pixels == image.layers[i].pixels, "layer pixels changed on the way");
        FUZZ_CHECK(again.layers[i].name == image.layers[i].name, "a name changed on the way");
        FUZZ_CHECK(again.layers[i].mode == image.layers[i].mode, "a mode changed on the way");
        FUZZ_CHECK(again.layers[i].visible == image.layers[i].visible, "visibility changed on the way");
        FUZZ_CHECK(again.layers[i].opacity == image.layers[i].opacity, "an opacity changed on the way");
    }
    return 0;
}
