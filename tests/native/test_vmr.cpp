// Tests of the .vmr reader and writer, the mesh generators, the committed default model and the plugin docs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model-plugins/vmr/vmr_format.h"
#include "tests/native/byte_fields.h"
#include "tools/vmr_meshes.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Where the sources are: the build says so, otherwise this file's path minus its place in the tree.
std::string sourceRoot()
{
#ifdef PELTERINE_SOURCE_DIR
    return std::string(PELTERINE_SOURCE_DIR) + "/";
#else
    std::string file = __FILE__;
    const std::string tail = "tests/native/test_vmr.cpp";
    return file.size() >= tail.size() ? file.substr(0, file.size() - tail.size()) : std::string();
#endif
}

Bytes readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Four vertices of distinct, asymmetric values (so a swapped or shifted array cannot pass), two triangles.
Mesh smallMesh()
{
    Mesh mesh;
    mesh.hasTexCoords = true;
    mesh.positions = {-1.5f, 2.25f, 3.0f, 4.5f, -5.0f, 6.125f, 7.0f, 8.5f, -9.75f, 0.1f, -0.0f, 1e-40f};
    mesh.normals = {0, 0, 1, 0, 1, 0, 1, 0, 0, 0.6f, 0.8f, 0};
    mesh.texCoords = {0.125f, 0.875f, 0.5f, 0.25f, 1.0f, 0.0f, 0.3f, 0.7f};
    mesh.indices = {0, 1, 2, 3, 2, 1};
    return mesh;
}

Bytes encoded(const Mesh &mesh)
{
    Bytes bytes;
    EXPECT_EQ(encodeVmr(mesh, bytes), VmrError::None);
    return bytes;
}

uint32_t u32At(const Bytes &bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

std::vector<uint32_t> bitsOf(const std::vector<float> &values)
{
    std::vector<uint32_t> bits(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        std::memcpy(&bits[i], &values[i], sizeof(float));
    return bits;
}

// Two meshes hold the same values, compared bit for bit (so -0.0 and denormals count).
void expectSameMesh(const Mesh &a, const Mesh &b)
{
    EXPECT_EQ(a.hasTexCoords, b.hasTexCoords);
    EXPECT_EQ(bitsOf(a.positions), bitsOf(b.positions));
    EXPECT_EQ(bitsOf(a.normals), bitsOf(b.normals));
    EXPECT_EQ(bitsOf(a.texCoords), bitsOf(b.texCoords));
    EXPECT_EQ(a.indices, b.indices);
}

bool meshIsEmpty(const Mesh &mesh)
{
    return mesh.positions.empty() && mesh.normals.empty() && mesh.texCoords.empty() && mesh.indices.empty() &&
           !mesh.hasTexCoords;
}

// Offsets of the small mesh's sections (4 vertices with texture coordinates, 2 triangles).
enum : size_t {
    SMALL_POSITIONS = 20,
    SMALL_NORMALS = SMALL_POSITIONS + 4 * 12,
    SMALL_UVS = SMALL_NORMALS + 4 * 12,
    SMALL_INDICES = SMALL_UVS + 4 * 8,
    SMALL_END = SMALL_INDICES + 2 * 12,
};

TEST(VmrFormat, HeaderAndSectionsSitAtTheDocumentedOffsets)
{
    Mesh mesh = smallMesh();
    Bytes bytes = encoded(mesh);
    ASSERT_EQ(bytes.size(), size_t(SMALL_END));
    EXPECT_EQ(0, std::memcmp(bytes.data(), "VMRM", 4));
    EXPECT_EQ(u32At(bytes, 4), 1u);
    EXPECT_EQ(u32At(bytes, 8), 1u);  // texture coordinates present
    EXPECT_EQ(u32At(bytes, 12), 4u); // vertices
    EXPECT_EQ(u32At(bytes, 16), 2u); // triangles
    EXPECT_EQ(bytes[4], 1) << "little-endian";
    float first;
    uint32_t bits = u32At(bytes, SMALL_POSITIONS);
    std::memcpy(&first, &bits, 4);
    EXPECT_EQ(first, -1.5f);
    bits = u32At(bytes, SMALL_NORMALS + 9 * 4);
    std::memcpy(&first, &bits, 4);
    EXPECT_EQ(first, 0.6f); // fourth normal's x
    bits = u32At(bytes, SMALL_UVS + 4);
    std::memcpy(&first, &bits, 4);
    EXPECT_EQ(first, 0.875f); // first v
    EXPECT_EQ(u32At(bytes, SMALL_INDICES + 12), 3u);
    EXPECT_EQ(u32At(bytes, SMALL_END - 4), 1u);
}

TEST(VmrFormat, RoundTripKeepsEveryValue)
{
    Mesh empty;
    const Mesh meshes[] = {smallMesh(), makeDefaultBox(), makeUntexturedBox(), makeOutsideBox(),
                              makeSphereMesh(12, 15.0f), makeGridMesh(7, 15.0f), empty};
    for (const Mesh &mesh : meshes) {
        Bytes bytes = encoded(mesh);
        Mesh back;
        ASSERT_EQ(decodeVmr(bytes.data(), bytes.size(), back), VmrError::None);
        expectSameMesh(mesh, back);
    }
}

TEST(VmrFormat, FileWithoutTextureCoordinatesHasNoUvSection)
{
    Mesh mesh = smallMesh();
    mesh.hasTexCoords = false;
    mesh.texCoords.clear();
    Bytes bytes = encoded(mesh);
    EXPECT_EQ(bytes.size(), size_t(SMALL_END - 4 * 8));
    EXPECT_EQ(u32At(bytes, 8), 0u);
    EXPECT_EQ(u32At(bytes, SMALL_UVS), 0u) << "indices follow the normals at once";
}

struct MalformedCase {
    const char *name;
    std::function<void(Bytes &)> change;
    VmrError expected;
};

std::vector<MalformedCase> malformedCases()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    return {
        {"empty", [](Bytes &b) { b.clear(); }, VmrError::TooShort},
        {"header cut by one byte", [](Bytes &b) { b.resize(19); }, VmrError::TooShort},
        {"magic lower case", [](Bytes &b) { std::memcpy(b.data(), "vmrm", 4); }, VmrError::BadMagic},
        {"magic last byte", [](Bytes &b) { b[3] = 'N'; }, VmrError::BadMagic},
        {"version 0", [](Bytes &b) { putU32(b, 4, 0); }, VmrError::BadVersion},
        {"version 2", [](Bytes &b) { putU32(b, 4, 2); }, VmrError::BadVersion},
        {"version big-endian 1", [](Bytes &b) { putU32(b, 4, 0x01000000u); }, VmrError::BadVersion},
        {"unknown flag bit 1", [](Bytes &b) { putU32(b, 8, 3); }, VmrError::BadFlags},
        {"unknown flag bit 31", [](Bytes &b) { putU32(b, 8, 0x80000001u); }, VmrError::BadFlags},
        {"vertex count over the cap", [](Bytes &b) { putU32(b, 12, VMR_MAX_VERTICES + 1); },
         VmrError::TooManyVertices},
        {"vertex count all ones", [](Bytes &b) { putU32(b, 12, 0xFFFFFFFFu); }, VmrError::TooManyVertices},
        {"vertex bytes overflow 32 bits", [](Bytes &b) { putU32(b, 12, 0x08000000u); },
         VmrError::TooManyVertices},
        {"triangle count over the cap", [](Bytes &b) { putU32(b, 16, VMR_MAX_TRIANGLES + 1); },
         VmrError::TooManyTriangles},
        {"triangle count all ones", [](Bytes &b) { putU32(b, 16, 0xFFFFFFFFu); }, VmrError::TooManyTriangles},
        {"vertex count at the cap", [](Bytes &b) { putU32(b, 12, VMR_MAX_VERTICES); }, VmrError::Truncated},
        {"triangle count at the cap", [](Bytes &b) { putU32(b, 16, VMR_MAX_TRIANGLES); }, VmrError::Truncated},
        {"one vertex more", [](Bytes &b) { putU32(b, 12, 5); }, VmrError::Truncated},
        {"one triangle more", [](Bytes &b) { putU32(b, 16, 3); }, VmrError::Truncated},
        {"one vertex less", [](Bytes &b) { putU32(b, 12, 3); }, VmrError::TrailingBytes},
        {"texture flag cleared", [](Bytes &b) { putU32(b, 8, 0); }, VmrError::TrailingBytes},
        {"cut after the header", [](Bytes &b) { b.resize(SMALL_POSITIONS); }, VmrError::Truncated},
        {"cut after the positions", [](Bytes &b) { b.resize(SMALL_NORMALS); }, VmrError::Truncated},
        {"cut after the normals", [](Bytes &b) { b.resize(SMALL_UVS); }, VmrError::Truncated},
        {"cut after the uvs", [](Bytes &b) { b.resize(SMALL_INDICES); }, VmrError::Truncated},
        {"cut inside the last index", [](Bytes &b) { b.resize(SMALL_END - 1); }, VmrError::Truncated},
        {"one trailing byte", [](Bytes &b) { b.push_back(0); }, VmrError::TrailingBytes},
        {"index equal to the vertex count", [](Bytes &b) { putU32(b, SMALL_END - 4, 4); },
         VmrError::IndexOutOfRange},
        {"index all ones", [](Bytes &b) { putU32(b, SMALL_INDICES, 0xFFFFFFFFu); }, VmrError::IndexOutOfRange},
        {"NaN position", [nan](Bytes &b) { putFloat(b, SMALL_POSITIONS + 4, nan); }, VmrError::BadFloat},
        {"infinite normal", [inf](Bytes &b) { putFloat(b, SMALL_UVS - 4, inf); }, VmrError::BadFloat},
        {"minus infinite u", [inf](Bytes &b) { putFloat(b, SMALL_UVS, -inf); }, VmrError::BadFloat},
        {"NaN last v", [nan](Bytes &b) { putFloat(b, SMALL_INDICES - 4, nan); }, VmrError::BadFloat},
    };
}

TEST(VmrFormat, MalformedFilesFailCleanlyWithTheirReason)
{
    const Bytes valid = encoded(smallMesh());
    for (const MalformedCase &c : malformedCases()) {
        Bytes bytes = valid;
        c.change(bytes);
        // The decoder gets an exact-size copy, so ASan sees any read past the end.
        std::vector<uint8_t> exact(bytes.begin(), bytes.end());
        Mesh mesh = smallMesh(); // must come back empty
        EXPECT_EQ(decodeVmr(exact.data(), exact.size(), mesh), c.expected) << c.name;
        EXPECT_TRUE(meshIsEmpty(mesh)) << c.name;
    }
}

TEST(VmrFormat, NullDataFails)
{
    Mesh mesh = smallMesh();
    EXPECT_EQ(decodeVmr(nullptr, 0, mesh), VmrError::TooShort);
    EXPECT_EQ(decodeVmr(nullptr, 100, mesh), VmrError::TooShort);
    EXPECT_TRUE(meshIsEmpty(mesh));
}

TEST(VmrFormat, EveryShorterPrefixFails)
{
    const Bytes valid = encoded(makeDefaultBox());
    for (size_t size = 0; size < valid.size(); ++size) {
        Bytes prefix(valid.begin(), valid.begin() + size);
        Mesh mesh;
        VmrError error = decodeVmr(prefix.data(), prefix.size(), mesh);
        EXPECT_EQ(error, size < VMR_HEADER_BYTES ? VmrError::TooShort : VmrError::Truncated) << size;
    }
}

// Random byte changes: the decoder never misbehaves, and what it accepts it writes back identically.
TEST(VmrFormat, RandomlyDamagedFilesNeverMisbehave)
{
    const Bytes valid = encoded(smallMesh());
    std::mt19937 random(20240611u);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        Bytes bytes = valid;
        int changes = 1 + int(random() % 4);
        for (int k = 0; k < changes; ++k)
            bytes[random() % bytes.size()] = uint8_t(random());
        if (random() % 8 == 0)
            bytes.resize(random() % (bytes.size() + 1));
        Mesh mesh;
        if (decodeVmr(bytes.data(), bytes.size(), mesh) != VmrError::None) {
            EXPECT_TRUE(meshIsEmpty(mesh));
            continue;
        }
        ++accepted;
        Bytes again;
        ASSERT_EQ(encodeVmr(mesh, again), VmrError::None);
        EXPECT_EQ(again, bytes) << "round " << round;
    }
    EXPECT_GT(accepted, 0) << "changes inside the float arrays should mostly still decode";
}

TEST(VmrFormat, EncoderRefusesMeshesTheDecoderWouldRefuse)
{
    struct Case {
        const char *name;
        std::function<void(Mesh &)> change;
        VmrError expected;
    };
    const Case cases[] = {
        {"normals short", [](Mesh &m) { m.normals.pop_back(); }, VmrError::Inconsistent},
        {"positions not in threes", [](Mesh &m) { m.positions.pop_back(); }, VmrError::Inconsistent},
        {"uvs without the flag", [](Mesh &m) { m.hasTexCoords = false; }, VmrError::Inconsistent},
        {"flag without uvs", [](Mesh &m) { m.texCoords.clear(); }, VmrError::Inconsistent},
        {"indices not in threes", [](Mesh &m) { m.indices.pop_back(); }, VmrError::Inconsistent},
        {"index out of range", [](Mesh &m) { m.indices[5] = 4; }, VmrError::IndexOutOfRange},
        {"NaN uv", [](Mesh &m) { m.texCoords[3] = std::nanf(""); }, VmrError::BadFloat},
    };
    for (const Case &c : cases) {
        Mesh mesh = smallMesh();
        c.change(mesh);
        Bytes out = {1, 2, 3};
        EXPECT_EQ(encodeVmr(mesh, out), c.expected) << c.name;
        EXPECT_TRUE(out.empty()) << c.name;
    }
}

// --- Generated meshes ---

struct V3 {
    double x, y, z;
};

V3 vertexOf(const std::vector<float> &array, uint32_t index)
{
    return {array[index * 3], array[index * 3 + 1], array[index * 3 + 2]};
}

V3 minus(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Every non-degenerate triangle winds counter-clockwise seen from outside (its face normal points away
// from the origin) and agrees with its vertex normals. Returns the count of degenerate triangles.
int checkOutwardWinding(const Mesh &mesh)
{
    int degenerate = 0;
    for (size_t t = 0; t < meshTriangleCount(mesh); ++t) {
        const uint32_t *corner = &mesh.indices[t * 3];
        V3 a = vertexOf(mesh.positions, corner[0]), b = vertexOf(mesh.positions, corner[1]);
        V3 c = vertexOf(mesh.positions, corner[2]);
        V3 face = cross(minus(b, a), minus(c, a));
        if (dot(face, face) < 1e-12) {
            ++degenerate;
            continue;
        }
        V3 centroid = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        EXPECT_GT(dot(face, centroid), 0) << "triangle " << t;
        for (int k = 0; k < 3; ++k)
            EXPECT_GT(dot(face, vertexOf(mesh.normals, corner[k])), 0) << "triangle " << t;
    }
    return degenerate;
}

void expectUvsInsideTexture(const Mesh &mesh)
{
    ASSERT_TRUE(mesh.hasTexCoords);
    for (float t : mesh.texCoords) {
        EXPECT_GE(t, 0.0f);
        EXPECT_LE(t, 1.0f);
    }
}

TEST(VmrMeshes, DefaultBoxIsACubeOfSide20WithOutwardFaces)
{
    Mesh box = makeDefaultBox();
    ASSERT_EQ(checkVmrMesh(box), VmrError::None);
    EXPECT_EQ(meshVertexCount(box), 24u);
    EXPECT_EQ(meshTriangleCount(box), 12u);
    for (float p : box.positions)
        EXPECT_EQ(std::fabs(p), 10.0f);
    EXPECT_EQ(checkOutwardWinding(box), 0);
    // Each face's normal is a unit axis along which all four of its corners lie at +10.
    for (uint32_t v = 0; v < 24; ++v) {
        V3 n = vertexOf(box.normals, v);
        EXPECT_DOUBLE_EQ(dot(n, n), 1.0);
        EXPECT_DOUBLE_EQ(dot(n, vertexOf(box.positions, v)), 10.0) << v;
    }
    expectUvsInsideTexture(box);
}

// The six faces' texture squares are distinct 64 x 64 cells of the cross.
TEST(VmrMeshes, DefaultBoxFacesTakeDistinctCellsOfTheCross)
{
    Mesh box = makeDefaultBox();
    std::vector<std::pair<int, int>> cells;
    for (int face = 0; face < 6; ++face) {
        float uMin = 2, vMin = 2, uMax = -1, vMax = -1;
        for (int k = 0; k < 4; ++k) {
            float u = box.texCoords[(face * 4 + k) * 2], v = box.texCoords[(face * 4 + k) * 2 + 1];
            uMin = std::min(uMin, u), uMax = std::max(uMax, u);
            vMin = std::min(vMin, v), vMax = std::max(vMax, v);
        }
        EXPECT_EQ(uMax - uMin, 0.25f);
        EXPECT_EQ(vMax - vMin, 0.25f);
        EXPECT_EQ(std::fmod(uMin, 0.25f), 0.0f);
        EXPECT_EQ(std::fmod(vMin, 0.25f), 0.0f);
        cells.push_back({int(uMin * 4), int(vMin * 4)});
    }
    std::sort(cells.begin(), cells.end());
    std::vector<std::pair<int, int>> cross = {{0, 2}, {1, 1}, {1, 2}, {1, 3}, {2, 2}, {3, 2}};
    EXPECT_EQ(cells, cross);
}

// The cross is a true unfolding: wherever two faces' squares touch in the texture, the shared texture
// edge is the same edge of the cube, so the picture runs on across the fold.
TEST(VmrMeshes, DefaultBoxCrossNeighboursMeetAlongCubeEdges)
{
    Mesh box = makeDefaultBox();
    auto uvOf = [&](uint32_t v) { return std::make_pair(box.texCoords[v * 2], box.texCoords[v * 2 + 1]); };
    int sharedCorners = 0;
    for (uint32_t a = 0; a < 24; ++a) {
        for (uint32_t b = 0; b < 24; ++b) {
            if (a / 4 == b / 4 || uvOf(a) != uvOf(b))
                continue;
            V3 pa = vertexOf(box.positions, a), pb = vertexOf(box.positions, b);
            EXPECT_EQ(dot(minus(pa, pb), minus(pa, pb)), 0.0) << a << " and " << b;
            ++sharedCorners;
        }
    }
    // Ordered pairs: at each of the front square's four corners three squares meet (6 pairs each); at the
    // two corners shared by the right and back squares only two do (2 pairs each).
    EXPECT_EQ(sharedCorners, 4 * 6 + 2 * 2);
}

TEST(VmrMeshes, SphereIsClosedAndOutward)
{
    Mesh sphere = makeSphereMesh(32, 15.0f);
    ASSERT_EQ(checkVmrMesh(sphere), VmrError::None);
    EXPECT_EQ(meshTriangleCount(sphere), size_t(2 * 32 * 15));
    EXPECT_EQ(meshVertexCount(sphere), size_t(33 * 17));
    EXPECT_EQ(checkOutwardWinding(sphere), 0);
    expectUvsInsideTexture(sphere);
    for (size_t v = 0; v < meshVertexCount(sphere); ++v)
        EXPECT_NEAR(std::sqrt(dot(vertexOf(sphere.positions, uint32_t(v)), vertexOf(sphere.positions, uint32_t(v)))),
                    15.0, 1e-4);
    EXPECT_EQ(meshTriangleCount(makeSphereMesh(1, 1.0f)), size_t(2 * 3 * 1)) << "clamped to 3 segments";
}

TEST(VmrMeshes, LargeGridHasTensOfThousandsOfTrianglesFacingTheViewer)
{
    Mesh grid = makeGridMesh(128, 15.0f);
    ASSERT_EQ(checkVmrMesh(grid), VmrError::None);
    EXPECT_EQ(meshTriangleCount(grid), size_t(2 * 128 * 128));
    EXPECT_EQ(meshVertexCount(grid), size_t(129 * 129));
    expectUvsInsideTexture(grid);
    for (size_t t = 0; t < meshTriangleCount(grid); ++t) {
        const uint32_t *c = &grid.indices[t * 3];
        V3 face = cross(minus(vertexOf(grid.positions, c[1]), vertexOf(grid.positions, c[0])),
                        minus(vertexOf(grid.positions, c[2]), vertexOf(grid.positions, c[0])));
        ASSERT_GT(face.z, 0) << t;
    }
    Bytes bytes = encoded(grid);
    Mesh back;
    EXPECT_EQ(decodeVmr(bytes.data(), bytes.size(), back), VmrError::None);
}

TEST(VmrMeshes, UntexturedAndOutsideBoxesDifferOnlyInTheirTextureCoordinates)
{
    Mesh box = makeDefaultBox(), bare = makeUntexturedBox(), outside = makeOutsideBox();
    EXPECT_FALSE(bare.hasTexCoords);
    EXPECT_TRUE(bare.texCoords.empty());
    EXPECT_EQ(bare.positions, box.positions);
    EXPECT_EQ(bare.indices, box.indices);
    EXPECT_EQ(checkVmrMesh(bare), VmrError::None);
    EXPECT_EQ(outside.positions, box.positions);
    EXPECT_EQ(*std::min_element(outside.texCoords.begin(), outside.texCoords.end()), -0.25f);
    EXPECT_EQ(*std::max_element(outside.texCoords.begin(), outside.texCoords.end()), 1.25f);
}

// --- Committed files ---

TEST(VmrData, CommittedDefaultModelIsTheGeneratedBox)
{
    Bytes committed = readWholeFile(sourceRoot() + "data/_test_boite_tex.vmr");
    ASSERT_FALSE(committed.empty()) << "data/_test_boite_tex.vmr is missing";
    EXPECT_EQ(committed, encoded(makeDefaultBox())) << "regenerate it with: make_vmr box data/_test_boite_tex.vmr";
}

// The guide travels in the release zip without the source tree: every kit file it names is one the zip takes from
// sdk/ (the header comes from the contract's own folder, plugincheck.exe from the build), and it points at no
// source folder the zip lacks.
TEST(PluginDocs, GuideNamesOnlyFilesTheReleaseHolds)
{
    Bytes docs = readWholeFile(sourceRoot() + "docs/plugins.md");
    ASSERT_FALSE(docs.empty());
    const std::string text(docs.begin(), docs.end());
    for (const char *elsewhere : {"model-plugins/", "tests/", "plugins/plugin_api.h", "tools/"})
        EXPECT_EQ(std::string::npos, text.find(elsewhere)) << elsewhere;
    size_t named = 0;
    for (size_t at = text.find("sdk\\"); at != std::string::npos; at = text.find("sdk\\", at + 1)) {
        size_t end = at + 4;
        while (end < text.size() && (isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_' ||
                                     text[end] == '.' || text[end] == '\\'))
            ++end;
        std::string path = text.substr(at, end - at);
        while (!path.empty() && (path.back() == '.' || path.back() == '\\'))
            path.pop_back();
        for (char &c : path)
            c = c == '\\' ? '/' : c;
        if (path.find('.', path.rfind('/')) == std::string::npos || path == "sdk/plugin_api.h" || path == "sdk/plugincheck.exe" ||
            path.find("ply_example.dll") != std::string::npos)
            continue;
        ++named;
        EXPECT_FALSE(readWholeFile(sourceRoot() + path).empty()) << path << " is named in docs/plugins.md";
    }
    EXPECT_GT(named, 3u);
}

} // namespace
