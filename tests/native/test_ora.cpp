// Tests of the zip container and OpenRaster files: the reader's refusals, a stack written and read back, and
// stack.xml as other programs write it, with offsets, nested stacks and modes this program does not have.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <stb_image.h>

#include "picture/ora.h"
#include "picture/zip.h"
#include "picture/bmp.h"
#include "picture/picture.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes bytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

void addEntry(ZipWriter &zip, const char *name, const Bytes &data, bool compress)
{
    ASSERT_TRUE(addZipEntry(zip, name, data.data(), data.size(), compress));
}

// Two entries, the first stored, the second deflated: local headers at 0 and 36, the directory after them.
Bytes twoEntryZip()
{
    ZipWriter zip;
    addEntry(zip, "a", bytesOf("stored!"), false);
    addEntry(zip, "bb", bytesOf(std::string(300, 'x')), true);
    EXPECT_TRUE(finishZip(zip));
    return zip.bytes;
}

void put16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

uint32_t get32(const Bytes &b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(Zip, ReadsWhatItWrites)
{
    const Bytes zip = twoEntryZip();
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(readZipDirectory(zip.data(), zip.size(), entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].method, ZIP_STORED);
    EXPECT_EQ(entries[1].method, ZIP_DEFLATED);
    Bytes out;
    ASSERT_TRUE(readZipEntry(zip.data(), zip.size(), *findZipEntry(entries, "bb"), 300, out));
    EXPECT_EQ(out, bytesOf(std::string(300, 'x')));
    EXPECT_FALSE(readZipEntry(zip.data(), zip.size(), entries[1], 299, out)) << "over the cap";
    EXPECT_TRUE(out.empty());
}

struct ZipDamage {
    const char *what;
    void (*damage)(Bytes &zip, size_t end, size_t directory);
};

// Each case breaks one thing in a good archive; end and directory are the offsets of the end record and of
// the central directory.
const ZipDamage ZIP_DAMAGES[] = {
    {"cut short", [](Bytes &z, size_t, size_t) { z.resize(z.size() - 1); }},
    {"comment length past the end", [](Bytes &z, size_t e, size_t) { put16(z, e + 20, 1); }},
    {"more entries than listed", [](Bytes &z, size_t e, size_t) { put16(z, e + 8, 3), put16(z, e + 10, 3); }},
    {"entries on another disk", [](Bytes &z, size_t e, size_t) { put16(z, e + 4, 1); }},
    {"directory size off", [](Bytes &z, size_t e, size_t) { put32(z, e + 12, get32(z, e + 12) - 1); }},
    {"directory past its end", [](Bytes &z, size_t e, size_t) { put32(z, e + 16, get32(z, e + 16) + 1); }},
    {"central signature", [](Bytes &z, size_t, size_t d) { z[d] = 'X'; }},
    {"name running past", [](Bytes &z, size_t, size_t d) { put16(z, d + 28, 200); }},
    {"encrypted", [](Bytes &z, size_t, size_t d) { put16(z, d + 8, 1); }},
    {"stored sizes differ", [](Bytes &z, size_t, size_t d) { put32(z, d + 24, 8); }},
    {"zip64 size", [](Bytes &z, size_t, size_t d) { put32(z, d + 20, 0xFFFFFFFF); }},
    {"data past the directory", [](Bytes &z, size_t, size_t d) { put32(z, d + 20 + 47, 0x10000); }},
    {"local header past", [](Bytes &z, size_t, size_t d) { put32(z, d + 42, uint32_t(d)); }},
    {"entries overlap", [](Bytes &z, size_t, size_t d) { put32(z, d + 20, 17), put32(z, d + 24, 17); }},
    {"local signature", [](Bytes &z, size_t, size_t) { z[0] = 'X'; }},
    {"local name differs", [](Bytes &z, size_t, size_t) { z[30] = 'z'; }},
    {"local method differs", [](Bytes &z, size_t, size_t) { put16(z, 8, 8); }},
};

TEST(Zip, RefusesEveryInconsistency)
{
    const Bytes good = twoEntryZip();
    const size_t end = good.size() - 22, directory = get32(good, end + 16);
    for (const ZipDamage &c : ZIP_DAMAGES) {
        Bytes zip = good;
        c.damage(zip, end, directory);
        std::vector<ZipEntry> entries;
        EXPECT_FALSE(readZipDirectory(zip.data(), zip.size(), entries)) << c.what;
        EXPECT_TRUE(entries.empty()) << c.what;
    }
}

TEST(Zip, RefusesEntriesThatDoNotReadBack)
{
    const Bytes good = twoEntryZip();
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(readZipDirectory(good.data(), good.size(), entries));
    Bytes out, zip = good;
    zip[entries[0].dataOffset] ^= 1; // the checksum no longer holds
    EXPECT_FALSE(readZipEntry(zip.data(), zip.size(), entries[0], 100, out));
    zip = good;
    zip[entries[1].dataOffset] = 0xFF; // no valid deflate block type
    EXPECT_FALSE(readZipEntry(zip.data(), zip.size(), entries[1], 1000, out));
    ZipEntry longer = entries[1];
    longer.size += 1; // inflates to less than its size
    EXPECT_FALSE(readZipEntry(good.data(), good.size(), longer, 1000, out));
    ZipEntry other = entries[0];
    other.method = 12; // bzip2
    EXPECT_FALSE(readZipEntry(good.data(), good.size(), other, 100, out));
}

// Red-green-blue(-alpha) top-down rows of an asymmetric picture.
Bytes rampRows(int width, int height, int channels)
{
    Bytes rows(size_t(width) * size_t(height) * size_t(channels));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = uint8_t(i * 29 + i / 7);
    return rows;
}

TEST(Ora, LayersWrittenReadBackTheSame)
{
    OraImage image;
    image.width = 5;
    image.height = 3;
    const BlendMode modes[3] = {BlendMode::Normal, BlendMode::Overlay, BlendMode::Add};
    for (int i = 0; i < 3; ++i) {
        OraLayer layer;
        layer.name = i == 2 ? "Dirt & \"rust\" <3" : "Layer " + std::to_string(i);
        layer.visible = i != 1;
        layer.opacity = 30 * i + 10;
        layer.mode = modes[i];
        layer.pixels = rampRows(5, 3, 4);
        layer.pixels[size_t(i)] ^= 0x55;
        image.layers.push_back(layer);
    }
    const Bytes merged = rampRows(5, 3, 3);
    const Bytes file = encodeOra(image, merged.data());
    ASSERT_TRUE(isOraFile(file.data(), file.size()));
    OraImage back;
    OraStack stack;
    ASSERT_EQ(decodeOra(file.data(), file.size(), back, stack), nullptr);
    ASSERT_EQ(back.layers.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.layers[i].name, image.layers[i].name);
        EXPECT_EQ(back.layers[i].visible, image.layers[i].visible);
        EXPECT_EQ(back.layers[i].opacity, image.layers[i].opacity);
        EXPECT_EQ(back.layers[i].mode, image.layers[i].mode);
        EXPECT_EQ(back.layers[i].pixels, image.layers[i].pixels) << i;
    }
    // The merged picture is the composite as given; mimetype is the first entry, stored.
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(readZipDirectory(file.data(), file.size(), entries));
    EXPECT_EQ(entries[0].name, "mimetype");
    Bytes png;
    ASSERT_TRUE(readZipEntry(file.data(), file.size(), *findZipEntry(entries, "mergedimage.png"), 1 << 20, png));
    int w = 0, h = 0, n = 0;
    stbi_uc *rgb = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr);
    const Bytes topDownRgb(rgb, rgb + 45);
    stbi_image_free(rgb);
    EXPECT_EQ(topDownRgb[0], merged[(2 * 5) * 3 + 2]) << "top row first, red first";
}

TEST(Ora, ThumbnailKeepsTheShapeWithin256)
{
    OraImage image;
    image.width = 300;
    image.height = 20;
    image.layers.resize(1);
    image.layers[0].pixels.assign(300 * 20 * 4, 200);
    const Bytes merged(300 * 20 * 3, 90), file = encodeOra(image, merged.data());
    std::vector<ZipEntry> entries;
    Bytes png;
    ASSERT_TRUE(readZipDirectory(file.data(), file.size(), entries));
    ASSERT_TRUE(readZipEntry(file.data(), file.size(), *findZipEntry(entries, "Thumbnails/thumbnail.png"), 1 << 20, png));
    int w = 0, h = 0, n = 0;
    ASSERT_TRUE(stbi_info_from_memory(png.data(), int(png.size()), &w, &h, &n));
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 17);
}

// A file as another program may write it: layers cropped to their content at offsets, one reaching past the
// canvas, a nested stack with its own offset and visibility, and a mode this program does not have (twice).
Bytes handMadeOra()
{
    const std::string xml =
        "<?xml version='1.0' encoding='UTF-8'?>\n<!-- written by hand -->\n"
        "<image w=\"6\" h=\"4\" version=\"0.0.5\"><stack>\n"
        " <layer src=\"data/dot.png\" name=\"dot\" x=\"4\" y=\"1\" composite-op=\"svg:color-dodge\"/>\n"
        " <stack x=\"1\" y=\"2\" visibility=\"hidden\" opacity=\"0.5\">\n"
        "  <layer src=\"data/dot.png\" name=\"inner &amp; &#233;\" x=\"0\" y=\"0\" opacity=\"0.8\"/>\n"
        "  <layer src=\"data/dot.png\" name=\"dodge\" composite-op=\"svg:color-dodge\"/>\n"
        " </stack>\n"
        " <layer src=\"data/big.png\" name=\"big\" x=\"-1\" y=\"-1\" composite-op=\"svg:multiply\"></layer>\n"
        "</stack></image>\n";
    Bytes dot = encodePng(2, 1, 4, Bytes{255, 0, 0, 255, 0, 0, 255, 128}.data());
    const Bytes bigRows = rampRows(8, 6, 4);
    Bytes big = encodePng(8, 6, 4, bigRows.data());
    ZipWriter zip;
    addEntry(zip, "mimetype", bytesOf(ORA_MIMETYPE), false);
    addEntry(zip, "stack.xml", bytesOf(xml), true);
    addEntry(zip, "data/dot.png", dot, false);
    addEntry(zip, "data/big.png", big, true);
    EXPECT_TRUE(finishZip(zip));
    return zip.bytes;
}

TEST(Ora, OtherProgramsFilesOpenPlacedAndFlattened)
{
    const Bytes file = handMadeOra();
    OraImage image;
    OraStack stack;
    ASSERT_EQ(decodeOra(file.data(), file.size(), image, stack), nullptr);
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.layers.size(), 4u);
    const char *names[4] = {"big", "dodge", "inner & \xC3\xA9", "dot"}; // bottom first
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image.layers[i].name, names[i]);
    EXPECT_EQ(image.layers[0].mode, BlendMode::Multiply);
    EXPECT_EQ(image.layers[3].mode, BlendMode::Normal);
    EXPECT_FALSE(image.layers[1].visible);
    EXPECT_EQ(image.layers[2].opacity, 40);
    EXPECT_EQ(stack.unknownModes, std::vector<std::string>{"svg:color-dodge"});
    EXPECT_NE(unknownModesWarning(stack.unknownModes).find("\"svg:color-dodge\""), std::string::npos);
    // "dot" at x 4, y 1 from the top: row 2 from the bottom; its second pixel is blue at half alpha.
    auto texel = [&](int layer, int x, int row) { return &image.layers[layer].pixels[size_t(row * 6 + x) * 4]; };
    EXPECT_EQ(Bytes(texel(3, 4, 2), texel(3, 4, 2) + 4), (Bytes{0, 0, 255, 255}));
    EXPECT_EQ(Bytes(texel(3, 5, 2), texel(3, 5, 2) + 4), (Bytes{255, 0, 0, 128}));
    EXPECT_EQ(texel(3, 3, 2)[3], 0);
    // The nested stack's offset (1, 2) places its layer's first pixel at row 1 from the bottom.
    EXPECT_EQ(Bytes(texel(2, 1, 1), texel(2, 1, 1) + 4), (Bytes{0, 0, 255, 255}));
    // "big" is cut: canvas texel (0, top row) is its pixel (1, 1).
    const Bytes rows = rampRows(8, 6, 4);
    const uint8_t *source = &rows[(1 * 8 + 1) * 4];
    EXPECT_EQ(Bytes(texel(0, 0, 3), texel(0, 0, 3) + 4), (Bytes{source[2], source[1], source[0], source[3]}));
}

TEST(Ora, StackXmlRefusals)
{
    const char *const BAD[] = {
        "<image w='4' h='4'><stack><layer src='a.png'/></stack>",             // never closed
        "<image w='4' h='4'><stack><layer src='a.png'/></layer></image>",     // mismatched
        "<image w='0' h='4'><stack/></image>",                                // no size
        "<image w='4' h='4'/>",                                               // no stack
        "<picture w='4' h='4'><stack/></picture>",                            // not an image
        "<image w='4' h='4'><stack><layer name='x'/></stack></image>",        // no src
        "<image w='4' h='4'><stack><layer src='a' x='1e999'/></stack></image>",
        "<image w='4' h='4'><stack><layer src='a' name='&bogus;'/></stack></image>",
    };
    for (const char *xml : BAD) {
        OraStack stack;
        EXPECT_FALSE(parseOraStack(xml, std::strlen(xml), stack)) << xml;
    }
}

TEST(Ora, DamagedAndOversizedFilesAreRefused)
{
    Bytes file = handMadeOra();
    OraImage image;
    OraStack stack;
    file[file.size() - 30] ^= 0xFF; // inside the directory
    EXPECT_EQ(decodeOra(file.data(), file.size(), image, stack), MSG_PICTURE_DAMAGED);
    const std::string xml = "<image w='9000' h='9000'><stack/></image>";
    ZipWriter zip;
    addEntry(zip, "mimetype", bytesOf(ORA_MIMETYPE), false);
    addEntry(zip, "stack.xml", bytesOf(xml), false);
    ASSERT_TRUE(finishZip(zip));
    EXPECT_EQ(decodeOra(zip.bytes.data(), zip.bytes.size(), image, stack), MSG_PICTURE_TOO_LARGE);
    EXPECT_TRUE(image.layers.empty());
}

TEST(Ora, TextureSavedAsOneOpaqueLayerIsKnownByItsBytes)
{
    BitmapHeader header;
    setupBitmapHeader(header, 5, 3);
    const Bytes rgb = rampRows(5, 3, 3);
    const Bytes file = encodeTextureAs(PictureFormat::Ora, rgb.data(), header);
    EXPECT_EQ(savedFormatOf("skin.ORA"), PictureFormat::Ora);
    EXPECT_EQ(pictureFormatOf("skin.bmp", file.data(), file.size()), PictureFormat::Ora);
    OraImage image;
    OraStack stack;
    ASSERT_EQ(decodeOra(file.data(), file.size(), image, stack), nullptr);
    ASSERT_EQ(image.layers.size(), 1u);
    EXPECT_EQ(image.layers[0].name, "Background");
    for (size_t t = 0; t < 15; ++t) {
        const Bytes texel(&image.layers[0].pixels[t * 4], &image.layers[0].pixels[t * 4] + 4);
        ASSERT_EQ(texel, (Bytes{rgb[t * 3 + 2], rgb[t * 3 + 1], rgb[t * 3], 255})) << t;
    }
}

} // namespace
