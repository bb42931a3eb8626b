// Tests of the OBJ materials: libraries and triangle counts read with the model, mtllib names, MTL texts read for
// their map_Kd with every option skipped, and the picture most triangles are painted with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model-plugins/obj/obj_format.h"
#include "model-plugins/obj/obj_material.h"

namespace {

using Names = std::vector<std::string>;
using Libraries = std::vector<std::vector<MtlMaterial>>;

// Decodes from an exact-size copy, so AddressSanitizer sees any read past the end.
ObjMaterials materialsOf(const std::string &text, ObjError expected = ObjError::None)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    Mesh mesh;
    ObjMaterials materials;
    materials.libraries = {"left over"};
    EXPECT_EQ(expected, decodeObj(bytes.data(), bytes.size(), mesh, ObjLimits(), &materials).error) << text;
    return materials;
}

std::vector<MtlMaterial> mtl(const std::string &text)
{
    return readMtl(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

// The map_Kd of a material defined alone with this map_Kd line.
std::string mapOf(const std::string &line)
{
    std::vector<MtlMaterial> materials = mtl("newmtl m\n" + line + "\n");
    return materials.size() == 1 ? materials[0].diffuseMap : "<no material>";
}

const std::string FIVE_POSITIONS = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\n";

TEST(ObjMaterials, ModelsCountTheirTrianglesByMaterialAndNameTheirLibrariesOnce)
{
    const ObjMaterials m = materialsOf(FIVE_POSITIONS +
                                       "mtllib a.mtl my model.mtl # made by hand\nmtllib sub/c.mtl a.mtl\r\n"
                                       "f 1 2 3\n"              // before any usemtl: no material
                                       "usemtl skin\nf 1 2 3\nf 1 2 3 4\nusemtl metal plate\nf 1 2 3 4 5\n"
                                       "usemtl skin\nf 1 2 3\n"  // back to skin: adds up
                                       "usemtl\nf 1 2 3\nusemtl unused\n");
    EXPECT_EQ(Names({"a.mtl", "my model.mtl", "sub\\c.mtl"}), m.libraries);
    ASSERT_EQ(3u, m.used.size());
    const Names names = {m.used[0].name, m.used[1].name, m.used[2].name};
    EXPECT_EQ(Names({"skin", "metal plate", "unused"}), names);
    EXPECT_EQ(4u, m.used[0].triangles);
    EXPECT_EQ(3u, m.used[1].triangles);
    EXPECT_EQ(0u, m.used[2].triangles);

    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "mtllib lib" + std::to_string(i) + ".mtl\n";
    EXPECT_EQ(size_t(OBJ_MAX_LIBRARIES), materialsOf(many).libraries.size());
    // A refused model names nothing; odd material lines refuse nothing.
    EXPECT_TRUE(materialsOf("mtllib a.mtl\nusemtl s\n" + FIVE_POSITIONS + "f 1 2 9\n", ObjError::BadIndex)
                    .libraries.empty());
    for (const char *odd : {"usemtl", "mtllib", "mtllib \"open.mtl", "usemtl \x01", "mtllib a.mtl \\"})
        materialsOf(FIVE_POSITIONS + odd + "\nf 1 2 3\n");
}

TEST(ObjMaterials, LibraryNamesSplitAtWordsEndingInMtlOrAtQuotes)
{
    const struct {
        const char *arguments;
        Names names;
    } cases[] = {
        {" a.mtl b.MTL", {"a.mtl", "b.MTL"}},
        {"  my model.mtl other one.mtl ", {"my model.mtl", "other one.mtl"}},
        {"a.mtl no extension", {"a.mtl", "no extension"}},
        {"plain.mtl \"quoted one.mtl\" before \"q.mtl\"", {"plain.mtl", "quoted one.mtl", "before", "q.mtl"}},
        {"\"unclosed name.mtl", {"unclosed name.mtl"}},
        {"dir/sub\\x.mtl # b.mtl", {"dir\\sub\\x.mtl"}},
        {"odd#name.mtl", {"odd#name.mtl"}},
        {"\"\" bad\x01name.mtl", {}},
    };
    for (const auto &c : cases) {
        const std::string text = c.arguments;
        EXPECT_EQ(c.names, splitLibraryNames(text.data(), text.data() + text.size())) << text;
    }
}

TEST(ObjMaterials, MtlTextsGiveEachMaterialItsMapKd)
{
    const std::vector<MtlMaterial> m = mtl("# exported\nmap_Kd orphan.png\nnewmtl skin\nKd 1 1 1\nmap_Kd skin.png\n"
                                           "newmtl  metal plate  \nmap_Ka ambient.png\n"
                                           "NEWMTL cloth\r\n\tMAP_KD  textures/cloth 2.tga  \r\n"
                                           "newmtl glass\rmap_kd \"C:\\art\\glass.png\" # comment\r"
                                           "newmtl\nmap_Kd lost.png\nnewmtl last\nmap_Kd first.png\nmap_Kd second.png");
    const std::vector<std::pair<std::string, std::string>> expected = {{"skin", "skin.png"},
                                                                       {"metal plate", ""},
                                                                       {"cloth", "textures\\cloth 2.tga"},
                                                                       {"glass", "C:\\art\\glass.png"},
                                                                       {"last", "second.png"}};
    ASSERT_EQ(expected.size(), m.size());
    for (size_t i = 0; i < m.size(); ++i)
        EXPECT_EQ(expected[i], std::make_pair(m[i].name, m[i].diffuseMap));
    EXPECT_TRUE(readMtl(nullptr, 40).empty());
}

TEST(ObjMaterials, MapOptionsAreSkippedWithAsManyValuesAsEachTakes)
{
    const char *options[] = {"-blendu on", "-blendv off", "-bm 0.5", "-boost 2.25", "-cc on", "-clamp on",
                             "-imfchan r", "-texres 512", "-type sphere", "-mm 0 1", "-mm 0.2", "-o 0.1",
                             "-o -0.1 0.2 +0.3", "-s 2 2", "-t 0.5 .5 1", "-BM 1", "-s 1e1 2 1 -o 0 0 -clamp off",
                             "-unknown 1 2 3 4"};
    for (const char *option : options) {
        EXPECT_EQ("my skin.png", mapOf(std::string("map_Kd ") + option + " my skin.png")) << option;
        EXPECT_EQ("5.png", mapOf(std::string("map_Kd ") + option + " 5.png")) << option;
    }
    EXPECT_EQ("4", mapOf("map_Kd -o 1 2 3 4")) << "at most three numbers";
    EXPECT_EQ("quoted name.png", mapOf("map_Kd -bm 1 \"quoted name.png\""));
    for (const char *nothing : {"map_Kd", "map_Kd -clamp", "map_Kd -s 1 2 3", "map_Kd \"\"", "map_Kd bad\x02.png"})
        EXPECT_EQ("", mapOf(nothing)) << nothing;
}

ObjMaterials materialsUsing(const Names &libraries, const std::vector<std::pair<std::string, size_t>> &used)
{
    ObjMaterials m;
    m.libraries = libraries;
    for (const auto &use : used)
        m.used.push_back({use.first, use.second});
    return m;
}

TEST(ObjMaterials, ThePictureMostTrianglesUseIsLookedForAsNamedThenByItsFileName)
{
    const Libraries one = {{{"skin", "skin.png"}, {"metal", "metal.png"}, {"bare", ""}, {"also", "skin.png"}}};
    const struct {
        const char *what;
        ObjMaterials materials;
        Libraries libraries;
        Names candidates;
    } cases[] = {
        {"the most triangles", materialsUsing({"a.mtl"}, {{"skin", 5}, {"metal", 9}}), one, {"metal.png"}},
        {"a tie: the first used", materialsUsing({"a.mtl"}, {{"skin", 9}, {"metal", 9}}), one, {"skin.png"}},
        {"a shared picture adds up", materialsUsing({"a.mtl"}, {{"skin", 5}, {"metal", 9}, {"also", 5}}), one,
         {"skin.png"}},
        {"no map, no picture", materialsUsing({"a.mtl"}, {{"bare", 100}, {"nowhere", 100}, {"skin", 1}}), one,
         {"skin.png"}},
        {"no triangles", materialsUsing({"a.mtl"}, {{"skin", 0}}), one, {}},
        {"a library in a folder", materialsUsing({"mtl\\a.mtl"}, {{"s", 4}}), {{{"s", "tex\\s.png"}}},
         {"mtl\\tex\\s.png", "mtl\\s.png", "s.png"}},
        {"the author's disk", materialsUsing({"a.mtl"}, {{"s", 4}}), {{{"s", "C:\\Users\\bob\\s.png"}}},
         {"C:\\Users\\bob\\s.png", "s.png"}},
        {"a folder", materialsUsing({"a.mtl"}, {{"s", 4}}), {{{"s", "tex\\"}}}, {}},
        {"later definitions win; a missing library defines nothing",
         materialsUsing({"a.mtl", "gone.mtl", "b.mtl"}, {{"s", 4}}),
         {{{"s", "old.png"}, {"s", "newer.png"}}, {}, {{"s", "newest.png"}}}, {"newest.png"}},
        {"unread libraries", materialsUsing({"a.mtl", "b.mtl"}, {{"s", 4}}), {{{"s", "a.png"}}}, {"a.png"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.candidates, objTextureCandidates(c.materials, c.libraries)) << c.what;
}

// Materials are capped as the other elements are: a model selecting more distinct ones, or naming one longer
// than the cap, is refused with a reason; a library's materials past the cap are not read. Pictures are counted
// by a map, so 100,000 materials with a picture each (the most a library keeps) choose one at once.
TEST(ObjMaterials, MaterialsPastTheirCapAreRefusedOrNotRead)
{
    ObjLimits three;
    three.materials = 3;
    const std::string text = FIVE_POSITIONS + "usemtl a\nusemtl b\nusemtl a\nusemtl c\nusemtl d\nf 1 2 3\n";
    Mesh mesh;
    ObjMaterials materials;
    ObjStatus status = decodeObj(reinterpret_cast<const uint8_t *>(text.data()), text.size(), mesh, three, &materials);
    EXPECT_EQ(ObjError::TooManyMaterials, status.error);
    EXPECT_STREQ("line 10: more than 3 materials", status.reason);
    materialsOf("usemtl " + std::string(OBJ_MAX_MATERIAL_NAME, 'n') + "\n");
    materialsOf("usemtl " + std::string(OBJ_MAX_MATERIAL_NAME + 1, 'n') + "\n", ObjError::TooManyMaterials);

    std::string library;
    ObjMaterials many;
    many.libraries = {"a.mtl"};
    for (size_t i = 0; i <= OBJ_MAX_MATERIAL_COUNT; ++i) {
        library += "newmtl m" + std::to_string(i) + "\nmap_Kd p" + std::to_string(i) + ".png\n";
        many.used.push_back({"m" + std::to_string(i), i == 7 ? size_t(2) : size_t(1)});
    }
    const Libraries read = {mtl(library + "newmtl " + std::string(OBJ_MAX_MATERIAL_NAME + 1, 'n') + "\n")};
    EXPECT_EQ(size_t(OBJ_MAX_MATERIAL_COUNT), read[0].size());
    EXPECT_EQ(Names({"p7.png"}), objTextureCandidates(many, read));
}

} // namespace
