// Tests of opening files from outside: the sorting of dropped and handed-over files, the command line, when a
// watched file is read again, the UV layout picture and the clipboard's bitmaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/open_rules.h"
#include "app/reload_rules.h"
#include "picture/dib.h"
#include "uv/grid.h"
#include "uv/uv_raster.h"

namespace {

const std::vector<PluginFilter> kPlugins = {
    {"md2.dll", {"*.md2"}}, {"obj.dll", {"*.obj"}}, {"any.dll", {"*.obj", "*.x?z"}}};

TEST(OpenRules, FilterPatternsSplitAPluginListAndFallBackToVmr)
{
    const char list[] = "Wavefront (*.obj)\0*.obj; *.OBJ\0Quake\0*.md2\0";
    EXPECT_EQ(filterPatterns(list), (std::vector<std::string>{"*.obj", "*.OBJ", "*.md2"}));
    EXPECT_EQ(filterPatterns(nullptr), std::vector<std::string>{"*.vmr"});
    EXPECT_EQ(filterPatterns("odd\0"), std::vector<std::string>{"*.vmr"});
}

TEST(OpenRules, WildcardsTakeNamesInAnyCaseAndLookOnlyAtTheName)
{
    EXPECT_TRUE(filterTakes({"*.vmr"}, "C:\\Models\\Box.VMR"));
    EXPECT_TRUE(filterTakes({"*.x?z"}, "a/b.xyz"));
    EXPECT_FALSE(filterTakes({"*.x?z"}, "b.xz"));
    EXPECT_FALSE(filterTakes({"*.vmr"}, "C:\\dir.vmr\\box"));
    EXPECT_TRUE(isPictureName("skin.JPEG"));
    EXPECT_TRUE(isPictureName("layers.ora"));
    EXPECT_FALSE(isPictureName("model.obj"));
}

TEST(OpenRules, DropSortsModelsAndPicturesAndRefusesTheRest)
{
    struct Case {
        std::vector<std::string> files;
        std::string model, plugin, picture;
        std::vector<std::string> refused;
    } cases[] = {
        {{"skin.png", "box.vmr"}, "box.vmr", "", "skin.png", {}},           // the loaded plugin takes it
        {{"head.obj"}, "head.obj", "obj.dll", "", {}},                       // the first plugin that takes it
        {{"a.xyz", "b.md2"}, "a.xyz", "any.dll", "", {"b.md2"}},             // one model only
        {{"a.png", "b.bmp", "notes.txt"}, "", "", "a.png", {"b.bmp", "notes.txt"}},
    };
    for (const Case &c : cases) {
        const OpenPlan plan = planOpenFiles(c.files, {"*.vmr"}, kPlugins);
        EXPECT_EQ(plan.model, c.model);
        EXPECT_EQ(plan.modelPlugin, c.plugin);
        EXPECT_EQ(plan.picture, c.picture);
        EXPECT_EQ(plan.refused, c.refused);
    }
    EXPECT_EQ(refusedFilesMessage({"a.txt", "b"}), "Pelterine cannot open a.txt\nPelterine cannot open b");
    const std::string many = refusedFilesMessage(std::vector<std::string>(REFUSED_FILES_NAMED + 3, "x"));
    EXPECT_EQ(many.substr(many.rfind('\n')), "\nand 3 more files");
    EXPECT_EQ(std::count(many.begin(), many.end(), '\n'), long(REFUSED_FILES_NAMED));
}

TEST(OpenRules, CommandLineTakesModelAndPictureInEitherOrder)
{
    const std::vector<std::string> files = commandLineFiles({"pelterine.exe", "skin.bmp", "", "box.vmr"});
    EXPECT_EQ(files, (std::vector<std::string>{"skin.bmp", "box.vmr"}));
    const OpenPlan plan = planOpenFiles(files, {"*.vmr"}, {});
    EXPECT_EQ(plan.model, "box.vmr");
    EXPECT_EQ(plan.picture, "skin.bmp");
    EXPECT_TRUE(commandLineFiles({"pelterine.exe"}).empty());
}

TEST(OpenRules, HandedFilesRoundTripAndStopAtTheirBounds)
{
    const std::vector<std::string> files = {"C:\\a b\\m.vmr", "\xe8\xa9\xa6.png"};
    const std::string block = encodeHandedFiles(files);
    EXPECT_EQ(decodeHandedFiles(block.data(), block.size()), files);
    EXPECT_EQ(decodeHandedFiles(block.data(), block.size() - 1), std::vector<std::string>{files[0]});
    const std::string many = encodeHandedFiles(std::vector<std::string>(MAX_HANDED_FILES + 3, "x"));
    EXPECT_EQ(decodeHandedFiles(many.data(), many.size()).size(), size_t(MAX_HANDED_FILES));
}

TEST(ReloadRules, ReadsOnlyAStableChangeAndNeverTheProgramsOwnFile)
{
    WatchedFile file;
    const FileStamp saved{true, 100, 10}, writing{true, 200, 5}, written{true, 201, 20}, gone{};
    knowFile(file, saved);
    EXPECT_EQ(lookAtFile(file, saved, 0), ReloadStep::none);
    EXPECT_EQ(lookAtFile(file, writing, 1000), ReloadStep::wait);
    EXPECT_EQ(lookAtFile(file, written, 1250), ReloadStep::wait);   // still growing: the clock starts again
    EXPECT_EQ(lookAtFile(file, written, 1250 + FILE_STABLE_MILLIS - 1), ReloadStep::wait);
    EXPECT_EQ(lookAtFile(file, written, 1250 + FILE_STABLE_MILLIS), ReloadStep::read);
    EXPECT_EQ(lookAtFile(file, written, 2000), ReloadStep::read);   // a read that failed is tried again
    knowFile(file, written);                                        // loaded, or declined
    EXPECT_EQ(lookAtFile(file, written, 3000), ReloadStep::none);
    EXPECT_EQ(lookAtFile(file, gone, 4000), ReloadStep::none);
    EXPECT_EQ(lookAtFile(file, written, 5000), ReloadStep::none);   // back as it was
}

// The alpha of texel (x, y), y counted from the bottom as in the texture.
int alphaAt(const std::vector<uint8_t> &rgba, int width, int height, int x, int y)
{
    return rgba[(size_t(height - 1 - y) * width + x) * 4 + 3];
}

TEST(UvRaster, AKnownTriangleCoversTheGridsTexelsAndShadesItsNeighbours)
{
    const int W = 9, H = 8;
    const float triangle[6] = {0, 0, 1, 0, 0, 1};   // corners on texels (0, 0), (8, 0), (0, 7)
    const std::vector<uint8_t> rgba = rasterUvLayout(triangle, 1, W, H);
    ASSERT_EQ(rgba.size(), size_t(W * H * 4));
    std::vector<uint8_t> grid(size_t(W * H * 3));
    clearGrid(grid.data(), W, H);
    drawGridTriangles(triangle, 1, grid.data(), W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            EXPECT_EQ(rgba[(size_t(H - 1 - y) * W + x) * 4], 0);   // black wherever it shows
            if (grid[(size_t(y) * W + x) * 3] != 0)
                continue;
            // The grid's walk rounds across the line, the picture shades by distance: they meet within a texel.
            int strongest = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (x + dx >= 0 && x + dx < W && y + dy >= 0 && y + dy < H)
                        strongest = std::max(strongest, alphaAt(rgba, W, H, x + dx, y + dy));
            EXPECT_GE(strongest, 128) << x << "," << y;
            EXPECT_GT(alphaAt(rgba, W, H, x, y), 64) << x << "," << y;
        }
    EXPECT_EQ(alphaAt(rgba, W, H, 4, 0), 255);   // the bottom edge, along a row: full
    EXPECT_EQ(alphaAt(rgba, W, H, 0, 5), 255);
    EXPECT_EQ(alphaAt(rgba, W, H, 1, 1), 0);     // one texel in from two edges: untouched
    EXPECT_EQ(alphaAt(rgba, W, H, 3, 3), 0);
    // Beside the long edge from (8, 0) to (0, 7), by its distance to the texel's centre.
    const double distance = std::fabs(7 * 4 + 8 * 4 - 56) / std::sqrt(49.0 + 64.0);
    EXPECT_EQ(alphaAt(rgba, W, H, 4, 4), int(std::lround(255 * (1 - distance))));
}

TEST(UvRaster, CoordinatesFarOffTheTextureStayInside)
{
    const float triangles[12] = {-3, -3, 5, 0.5f, 0.5f, 40, NAN, 0, 0, 0, 1, 1};
    const std::vector<uint8_t> rgba = rasterUvLayout(triangles, 2, 16, 16);
    EXPECT_EQ(rgba.size(), size_t(16 * 16 * 4));
    EXPECT_TRUE(rasterUvLayout(triangles, 2, 0, 16).empty());
}

TEST(Dib, TheTextureRoundTripsThroughTheClipboardsBitmap)
{
    const int W = 3, H = 2;   // odd width: rows padded; red at the bottom left, blue at the top right
    const uint8_t bgr[W * H * 3] = {0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255, 0, 0};
    const std::vector<uint8_t> dib = encodeDib(bgr, W, H);
    ASSERT_EQ(dib.size(), size_t(40 + 12 * H));
    DibPicture picture;
    ASSERT_EQ(decodeDib(dib.data(), dib.size(), picture), nullptr);
    ASSERT_EQ(picture.width, W);
    ASSERT_EQ(picture.height, H);
    const uint8_t topFirst[W * H * 4] = {7, 8, 9, 255, 10, 11, 12, 255, 255, 0, 0, 255,
                                         0, 0, 255, 255, 1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(0, std::memcmp(picture.bgra.data(), topFirst, sizeof topFirst));
}

// A V5 header (124 bytes) for a top-down 32-bit picture with the given masks.
std::vector<uint8_t> v5Header(int32_t width, int32_t height, uint32_t compression, const uint32_t (&masks)[4])
{
    std::vector<uint8_t> h(124, 0);
    const uint32_t fields[] = {124, uint32_t(width), uint32_t(-height), 1 | 32u << 16, compression};
    std::memcpy(h.data(), fields, sizeof fields);
    std::memcpy(h.data() + 40, masks, sizeof masks);
    return h;
}

TEST(Dib, AV5BitmapKeepsItsAlphaAndAPlainOneIsOpaque)
{
    std::vector<uint8_t> dib = v5Header(1, 2, 3, {0x000000ff, 0x0000ff00, 0x00ff0000, 0xff000000});
    const uint8_t pixels[8] = {10, 20, 30, 128, 1, 2, 3, 0};   // red in the low byte: masks say where
    dib.insert(dib.end(), pixels, pixels + 8);
    DibPicture picture;
    ASSERT_EQ(decodeDib(dib.data(), dib.size(), picture), nullptr);
    EXPECT_EQ(picture.bgra, (std::vector<uint8_t>{30, 20, 10, 128, 3, 2, 1, 0}));
    std::vector<uint8_t> plain = v5Header(1, 2, 0, {0, 0, 0, 0});
    plain.resize(40);
    plain[0] = 40;
    plain.insert(plain.end(), pixels, pixels + 8);
    ASSERT_EQ(decodeDib(plain.data(), plain.size(), picture), nullptr);
    EXPECT_EQ(picture.bgra, (std::vector<uint8_t>{10, 20, 30, 255, 1, 2, 3, 255}));
}

TEST(Dib, APaletteBitmapIsReadAndDamagedOnesAreRefused)
{
    std::vector<uint8_t> dib(40, 0);
    const uint32_t fields[] = {40, 2, 1, 1 | 1u << 16, 0, 0, 0, 0, 2};
    std::memcpy(dib.data(), fields, sizeof fields);
    const uint8_t rest[] = {0, 0, 0, 0, 255, 255, 255, 0, 0x40, 0, 0, 0};   // palette black, white; pixels 0, 1
    dib.insert(dib.end(), rest, rest + sizeof rest);
    DibPicture picture;
    ASSERT_EQ(decodeDib(dib.data(), dib.size(), picture), nullptr);
    EXPECT_EQ(picture.bgra, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255}));
    for (size_t cut : {size_t(0), size_t(39), dib.size() - 1})
        EXPECT_NE(decodeDib(dib.data(), cut, picture), nullptr) << cut;
    dib[14] = 7;   // no such bit count
    EXPECT_NE(decodeDib(dib.data(), dib.size(), picture), nullptr);
    EXPECT_TRUE(picture.bgra.empty());
}

} // namespace
