// Tests of the glTF reader on files the tests write: node transforms, mirrored nodes, the primitive modes, the
// base-colour picture in its three forms, and every refusal with its reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model-plugins/gltf/gltf_format.h"
#include "tools/gltf_models.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Floats = std::vector<float>;
using nlohmann::json;

std::string decode(const Bytes &file, Mesh &mesh, GltfPicture &picture, const std::string &folder = "")
{
    Bytes exact(file.begin(), file.end()); // exactly sized, so AddressSanitizer sees a read past the end
    mesh.positions = {1, 2, 3};
    picture.file = "stale";
    return decodeGltf(folder, exact.data(), exact.size(), mesh, picture);
}

Bytes textBytes(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

TEST(GltfFormat, AGlbIsPlacedByItsNodesWithComputedNormalsAndBringsItsEmbeddedPicture)
{
    Mesh mesh;
    GltfPicture picture;
    ASSERT_EQ("", decode(encodeGlb(makeGltfSample()), mesh, picture));
    // Scaled by 2 in node 1, then moved by (10, 0, 0) in node 0.
    EXPECT_EQ(Floats({10, 0, 0, 12, 0, 0, 12, 2, 0, 10, 2, 0}), mesh.positions);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 0, 2, 3}), mesh.indices);
    ASSERT_TRUE(mesh.hasTexCoords);
    EXPECT_EQ(Floats({0, 0, 1, 0, 1, 1, 0, 1}), mesh.texCoords); // v turned to run up the picture
    EXPECT_EQ(Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), mesh.normals);
    EXPECT_EQ("PICTURE!", std::string(picture.bytes.begin(), picture.bytes.end()));
    EXPECT_EQ("", picture.file);
}

TEST(GltfFormat, AMirroringNodeKeepsTrianglesFacingOutAndGivenNormalsTurnWithTheirNode)
{
    GltfSample mirrored = makeGltfSample();
    mirrored.document["nodes"][1]["scale"] = {-2, 2, 2};
    Mesh mesh;
    GltfPicture picture;
    ASSERT_EQ("", decode(encodeGlb(mirrored), mesh, picture));
    EXPECT_EQ(Floats({10, 0, 0, 8, 0, 0, 8, 2, 0, 10, 2, 0}), mesh.positions);
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 0, 3, 2}), mesh.indices);
    EXPECT_EQ(Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), mesh.normals);

    // Normals (0, 0, 1) given, node 1 turned a quarter about y: they point along +x.
    GltfSample turned = makeGltfSample();
    appendFloats(turned.bin, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    turned.document["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", 100}, {"byteLength", 48}});
    turned.document["buffers"][0]["byteLength"] = turned.bin.size();
    turned.document["accessors"].push_back({{"bufferView", 4}, {"componentType", 5126}, {"count", 4}, {"type", "VEC3"}});
    turned.document["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = 3;
    turned.document["nodes"][1]["rotation"] = {0, 0.70710678, 0, 0.70710678};
    ASSERT_EQ("", decode(encodeGlb(turned), mesh, picture));
    for (size_t v = 0; v < 4; ++v) {
        EXPECT_NEAR(1.0f, mesh.normals[v * 3], 1e-6f);
        EXPECT_NEAR(0.0f, mesh.normals[v * 3 + 2], 1e-6f);
    }
    // Corner (1, 0, 0): scaled to (2, 0, 0), turned to (0, 0, -2), moved by node 0.
    EXPECT_NEAR(10.0f, mesh.positions[3], 1e-5f);
    EXPECT_NEAR(-2.0f, mesh.positions[5], 1e-5f);
}

TEST(GltfFormat, TrianglesStripsAndFansAreDrawnAndPointsAndLinesPassedOver)
{
    const struct {
        int mode;
        size_t triangles;
    } cases[] = {{4, 2}, {5, 4}, {6, 4}, {0, 0}, {1, 0}, {3, 0}};
    for (const auto &c : cases) {
        GltfSample sample = makeGltfSample();
        sample.document["meshes"][0]["primitives"][0]["mode"] = c.mode;
        Mesh mesh;
        GltfPicture picture;
        ASSERT_EQ("", decode(encodeGlb(sample), mesh, picture)) << c.mode;
        EXPECT_EQ(c.triangles, meshTriangleCount(mesh)) << c.mode;
    }
}

TEST(GltfFormat, ThePictureIsTheBaseColourOfTheMaterialOnMostTrianglesInAnyOfItsThreeForms)
{
    const struct {
        const char *name;
        std::function<void(json &)> change;
        const char *file;
        const char *bytes;
    } cases[] = {
        {"data URI", [](json &d) { d["images"][0] = {{"uri", "data:image/png;base64,UElDVFVSRSE="}}; }, "",
         "PICTURE!"},
        {"file", [](json &d) { d["images"][0] = {{"uri", "skins/box%20a.png"}}; }, "skins\\box a.png", ""},
        {"no texture", [](json &d) { d["materials"][0] = json::object(); }, "", ""},
        {"no material", [](json &d) { d["meshes"][0]["primitives"][0].erase("material"); }, "", ""},
        {"most triangles",
         [](json &d) {
             json other = d["meshes"][0]["primitives"][0];
             other["material"] = 1;
             d["meshes"][0]["primitives"].push_back(other);
             d["meshes"][0]["primitives"].push_back(other);
             d["materials"].push_back({{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 1}}}}}});
             d["textures"].push_back({{"source", 1}});
             d["images"].push_back({{"uri", "other.png"}});
         },
         "other.png", ""},
    };
    for (const auto &c : cases) {
        GltfSample sample = makeGltfSample();
        c.change(sample.document);
        Mesh mesh;
        GltfPicture picture;
        ASSERT_EQ("", decode(textBytes(encodeGltfText(sample)), mesh, picture)) << c.name;
        EXPECT_EQ(c.file, picture.file) << c.name;
        EXPECT_EQ(c.bytes, std::string(picture.bytes.begin(), picture.bytes.end())) << c.name;
    }
}

TEST(GltfFormat, TheBufferFileBesideTheModelIsRead)
{
    const std::string folder = testing::TempDir();
    GltfSample sample = makeGltfSample();
    std::FILE *bin = std::fopen((folder + "gltf_test_box.bin").c_str(), "wb");
    ASSERT_NE(nullptr, bin);
    std::fwrite(sample.bin.data(), 1, sample.bin.size(), bin);
    std::fclose(bin);
    sample.document["buffers"][0]["uri"] = "gltf_test_box.bin";
    Mesh mesh;
    GltfPicture picture;
    EXPECT_EQ("", decode(textBytes(sample.document.dump()), mesh, picture, folder));
    EXPECT_EQ(4u, meshVertexCount(mesh));
    std::remove((folder + "gltf_test_box.bin").c_str());
}

TEST(GltfFormat, DamagedFilesAreRefusedWithTheirReasonAndLeaveNoModel)
{
    const struct {
        std::function<void(GltfSample &)> change;
        const char *reason; // the whole reason, or its beginning when it ends with "..."
    } cases[] = {
        {[](GltfSample &s) { s.document["asset"] = 5; }, "the file is not valid glTF: ..."},
        {[](GltfSample &s) { s.document["buffers"][0]["byteLength"] = 1000; }, "the file is not valid glTF: ..."},
        {[](GltfSample &s) { s.document["buffers"][0]["uri"] = "missing.bin"; }, "the file is not valid glTF: ..."},
        {[](GltfSample &s) { s.document["bufferViews"][3]["byteLength"] = 9; },
         "buffer view 3 (9 bytes at 92) runs past the end of buffer 0 (100 bytes)"},
        {[](GltfSample &s) { s.document["bufferViews"][0]["buffer"] = 1; },
         "buffer index 1 is out of range (buffers in the file: 1)"},
        {[](GltfSample &s) { s.document["accessors"][0]["count"] = 5; },
         "accessor 0 of the positions (5 elements at 0) runs past the end of buffer view 0 (48 bytes)"},
        {[](GltfSample &s) { s.document["accessors"][0]["type"] = "VEC2"; },
         "accessor 0 of the positions is not of a type they may have"},
        {[](GltfSample &s) { s.document["accessors"][2]["componentType"] = 5126; },
         "accessor 2 of the indices is not of a type they may have"},
        {[](GltfSample &s) { s.document["bufferViews"][0]["byteStride"] = 4; },
         "accessor 0 of the positions has elements 4 bytes apart, closer than their 12 bytes"},
        {[](GltfSample &s) { s.document["accessors"][0]["count"] = 3, s.document["accessors"][1]["count"] = 3; },
         "mesh 0: vertex index 3 is out of range (the primitive has 3 vertices)"},
        {[](GltfSample &s) { s.document["accessors"][1]["count"] = 3; },
         "mesh 0: its attributes do not have as many elements as its positions"},
        {[](GltfSample &s) { s.document["meshes"][0]["primitives"][0]["attributes"]["POSITION"] = 7; },
         "accessor index 7 is out of range (accessors in the file: 3)"},
        {[](GltfSample &s) { s.document["meshes"][0]["primitives"][0]["indices"] = 7; },
         "the file is not valid glTF: ..."}, // the library checks this one itself
        {[](GltfSample &s) { s.document["nodes"][1]["children"] = {0}; }, "node 0 is among its own children"},
        {[](GltfSample &s) { s.document["scenes"][0]["nodes"] = {4}; },
         "node index 4 is out of range (nodes in the file: 2)"},
        {[](GltfSample &s) { s.document["nodes"][1]["mesh"] = 2; },
         "mesh index 2 is out of range (meshes in the file: 1)"},
        {[](GltfSample &s) { s.document["meshes"][0]["primitives"][0]["material"] = 3; },
         "material index 3 is out of range (materials in the file: 1)"},
        {[](GltfSample &s) { s.document["textures"][0]["source"] = 2; },
         "image index 2 is out of range (images in the file: 1)"},
        {[](GltfSample &s) {
             s.document["extensionsUsed"] = {"KHR_draco_mesh_compression"};
             s.document["extensionsRequired"] = {"KHR_draco_mesh_compression"};
         },
         "the file needs the extension KHR_draco_mesh_compression, which this plugin does not read"},
    };
    for (const auto &c : cases) {
        GltfSample sample = makeGltfSample();
        c.change(sample);
        Mesh mesh;
        GltfPicture picture;
        const std::string reason = decode(encodeGlb(sample), mesh, picture);
        const std::string expected = c.reason;
        if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0)
            EXPECT_EQ(expected.substr(0, expected.size() - 3), reason.substr(0, expected.size() - 3)) << reason;
        else
            EXPECT_EQ(expected, reason);
        EXPECT_TRUE(mesh.positions.empty() && mesh.indices.empty() && picture.file.empty() && picture.bytes.empty())
            << expected;
    }
    Mesh mesh;
    GltfPicture picture;
    EXPECT_EQ(0u, decode(textBytes("{\"asset\":"), mesh, picture).find("the file is not valid glTF: "));
}

} // namespace
