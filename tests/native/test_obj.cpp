// Tests of the OBJ reader: corner forms, indices, polygons, layout, dedup, normals, refusals, caps, fitting.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model-plugins/obj/obj_format.h"
#include "model-plugins/vmr/vmr_format.h"

namespace {

using Floats = std::vector<float>;
using Indices = std::vector<uint32_t>;

struct Decoded {
    ObjStatus status;
    Mesh mesh;
};

// A mesh with something in every array: a refusal must leave nothing of it behind.
Mesh filledMesh()
{
    Mesh mesh;
    mesh.positions = {9, 9, 9};
    mesh.normals = {0, 0, 1};
    mesh.texCoords = {0.5f, 0.5f};
    mesh.indices = {0, 0, 0};
    mesh.hasTexCoords = true;
    return mesh;
}

bool isEmpty(const Mesh &mesh)
{
    return mesh.positions.empty() && mesh.normals.empty() && mesh.texCoords.empty() && mesh.indices.empty() &&
           !mesh.hasTexCoords;
}

// Decodes from an exact-size heap copy with no NUL after it, so AddressSanitizer reports any read past
// the end. Every accepted mesh must be one the .vmr writer accepts too (sizes agree, finite, in range).
Decoded decode(const std::string &text, const ObjLimits &limits = ObjLimits())
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    Decoded d;
    d.mesh = filledMesh();
    d.status = decodeObj(bytes.data(), bytes.size(), d.mesh, limits);
    if (d.status.error == ObjError::None)
        EXPECT_EQ(VmrError::None, checkVmrMesh(d.mesh)) << text;
    else
        EXPECT_TRUE(isEmpty(d.mesh)) << "a refused text left data in the mesh: " << text;
    return d;
}

Mesh accepted(const std::string &text)
{
    Decoded d = decode(text);
    EXPECT_EQ(ObjError::None, d.status.error) << objErrorText(d.status.error) << " at line " << d.status.line
                                              << " of:\n" << text;
    return d.mesh;
}

void expectSameMesh(const Mesh &expected, const Mesh &got, const std::string &what)
{
    EXPECT_EQ(expected.positions, got.positions) << what;
    EXPECT_EQ(expected.normals, got.normals) << what;
    EXPECT_EQ(expected.texCoords, got.texCoords) << what;
    EXPECT_EQ(expected.indices, got.indices) << what;
    EXPECT_EQ(expected.hasTexCoords, got.hasTexCoords) << what;
}

void expectNear(const Floats &expected, const Floats &got, const std::string &what)
{
    ASSERT_EQ(expected.size(), got.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(expected[i], got[i], 1e-6) << what << ", value " << i;
}

// Three positions in the plane z = 3, counter-clockwise seen from +z (so their face normal is +z), three
// texture coordinates and three normals of lengths 2, 3 and 4 along z, y and x.
const std::string ELEMENTS = "v 1 2 3\nv -4 5.5 3\nv 7 -8 3\n"
                             "vt 0.125 0.25\nvt 0.5 0.75\nvt 1 0\n"
                             "vn 0 0 2\nvn 0 3 0\nvn 4 0 0\n";
const Floats POSITIONS = {1, 2, 3, -4, 5.5f, 3, 7, -8, 3};
const Floats UP = {0, 0, 1, 0, 0, 1, 0, 0, 1};

TEST(ObjFormat, EveryCornerFormGivesItsVertexArrays)
{
    struct Case {
        const char *face;
        Floats texCoords;  // empty: the mesh has none
        Floats normals;
    };
    const Case cases[] = {
        {"f 1 2 3", {}, UP},
        {"f 1/1 2/2 3/3", {0.125f, 0.25f, 0.5f, 0.75f, 1, 0}, UP},
        {"f 1//1 2//2 3//3", {}, {0, 0, 1, 0, 1, 0, 1, 0, 0}},
        {"f 1/3/2 2/2/3 3/1/1", {1, 0, 0.5f, 0.75f, 0.125f, 0.25f}, {0, 1, 0, 1, 0, 0, 0, 0, 1}},
        {"f -3/-1/-3 -2/-2/-2 -1/-3/-1", {1, 0, 0.5f, 0.75f, 0.125f, 0.25f}, {0, 0, 1, 0, 1, 0, 1, 0, 0}},
        // Forms mixed within a face: one corner without a texture coordinate means none for the model,
        // and the corner without a normal gets the computed one.
        {"f 1/1 2//2 3/3/3", {}, {0, 0, 1, 0, 1, 0, 1, 0, 0}},
        {"f 1/1/2 2/2 3/3", {0.125f, 0.25f, 0.5f, 0.75f, 1, 0}, {0, 1, 0, 0, 0, 1, 0, 0, 1}},
    };
    for (const Case &c : cases) {
        Mesh mesh = accepted(ELEMENTS + c.face + "\n");
        EXPECT_EQ(POSITIONS, mesh.positions) << c.face;
        EXPECT_EQ(c.texCoords, mesh.texCoords) << c.face;
        EXPECT_EQ(!c.texCoords.empty(), mesh.hasTexCoords) << c.face;
        EXPECT_EQ(c.normals, mesh.normals) << c.face;
        EXPECT_EQ(Indices({0, 1, 2}), mesh.indices) << c.face;
    }
}

TEST(ObjFormat, NumbersAreReadWithoutLocaleInEveryPlainForm)
{
    Mesh mesh = accepted("v +1 -2.5 .5\nv 1E2 2.5e+1 -0\nv 0001.25 1e-50 1e-40\n"
                            "vt 0.5\nvt 0.25 0.75 9\nvt 1 1\n"
                            "v 1 2 3 1 0.5 0.25 0.125\n"  // x y z, then w or a colour: read and ignored
                            "f 1/1 2/2 3/3 4/1\n");
    ASSERT_EQ(12u, mesh.positions.size());
    EXPECT_EQ(Floats({1, -2.5f, 0.5f, 100, 25, 0, 1.25f, 0, 1e-40f, 1, 2, 3}), mesh.positions);
    EXPECT_TRUE(std::signbit(mesh.positions[5])) << "-0 keeps its sign";
    // vt u alone has v = 0; a third number (w) is ignored.
    EXPECT_EQ(Floats({0.5f, 0, 0.25f, 0.75f, 1, 1, 0.5f, 0}), mesh.texCoords);
}

TEST(ObjFormat, NegativeIndicesCountBackFromTheElementsDefinedSoFar)
{
    Mesh mesh = accepted("v 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0.25 0\nvt 0.5 0\n"
                            "f -3/-2 -2/-1 -1/-2\n"
                            "v 2 2 2\nvt 0.75 0\n"
                            "f -1/-1 -2/-2 -3/-3\n");
    EXPECT_EQ(Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 2, 2, 0, 0, 1, 0, 1, 0}), mesh.positions);
    EXPECT_EQ(Floats({0.25f, 0, 0.5f, 0, 0.25f, 0, 0.75f, 0, 0.5f, 0, 0.25f, 0}), mesh.texCoords);
    EXPECT_EQ(Indices({0, 1, 2, 3, 4, 5}), mesh.indices);
}

TEST(ObjFormat, PolygonsAreSplitAsFansAroundTheirFirstCorner)
{
    const std::string pentagon = "v 0 0 0\nv 2 0 0\nv 3 2 0\nv 1 3 0\nv -1 2 0\n";
    struct Case {
        const char *faces;
        Indices indices;
        Floats positions;  // in the order the corners first appear
    };
    const Case cases[] = {
        {"f 1 2 3", {0, 1, 2}, {0, 0, 0, 2, 0, 0, 3, 2, 0}},
        {"f 1 2 3 4", {0, 1, 2, 0, 2, 3}, {0, 0, 0, 2, 0, 0, 3, 2, 0, 1, 3, 0}},
        {"f 1 2 3 4 5", {0, 1, 2, 0, 2, 3, 0, 3, 4}, {0, 0, 0, 2, 0, 0, 3, 2, 0, 1, 3, 0, -1, 2, 0}},
        {"f 3 4 5 1 2", {0, 1, 2, 0, 2, 3, 0, 3, 4}, {3, 2, 0, 1, 3, 0, -1, 2, 0, 0, 0, 0, 2, 0, 0}},
        {"f 2 3 4\nf 1 2 4 5", {0, 1, 2, 3, 0, 2, 3, 2, 4}, {2, 0, 0, 3, 2, 0, 1, 3, 0, 0, 0, 0, -1, 2, 0}},
    };
    for (const Case &c : cases) {
        Mesh mesh = accepted(pentagon + c.faces + "\n");
        EXPECT_EQ(c.indices, mesh.indices) << c.faces;
        EXPECT_EQ(c.positions, mesh.positions) << c.faces;
        for (size_t i = 0; i < mesh.normals.size(); i += 3)
            EXPECT_EQ(Floats({0, 0, 1}), Floats(mesh.normals.begin() + i, mesh.normals.begin() + i + 3)) << c.faces;
    }
}

// The corners of a cube of side 2, the six faces counter-clockwise from outside, and one normal per face.
const std::string CUBE = "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                         "vn 0 0 1\nvn 1 0 0\nvn 0 0 -1\nvn -1 0 0\nvn 0 1 0\nvn 0 -1 0\n";

// The faces with corners "v", "v/vt" (vt: the corner's place in its face, so every face shows the
// same square), "v//vn" (vn: the face's own) or "v/vt/vn".
std::string cubeFaces(bool uv, bool normal)
{
    const int faces[6][4] = {{1, 2, 3, 4}, {2, 6, 7, 3}, {6, 5, 8, 7}, {5, 1, 4, 8}, {4, 3, 7, 8}, {5, 6, 2, 1}};
    std::string text;
    for (int f = 0; f < 6; ++f) {
        text += "f";
        for (int k = 0; k < 4; ++k) {
            text += " " + std::to_string(faces[f][k]);
            if (uv || normal)
                text += "/" + (uv ? std::to_string(k + 1) : std::string());
            if (normal)
                text += "/" + std::to_string(f + 1);
        }
        text += "\n";
    }
    return text;
}

// A text with NUL bytes in it: the literal's whole length, not up to its first NUL.
template <size_t N>
std::string withNul(const char (&text)[N])
{
    return std::string(text, N - 1);
}

TEST(ObjFormat, CornersAreSharedExactlyWhenTheirIndexTriplesMatch)
{
    struct Case {
        std::string text;
        size_t vertices;
        size_t triangles;
    };
    const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n";
    const Case cases[] = {
        {CUBE + cubeFaces(false, false), 8, 12},           // positions only: every corner shared by three faces
        {CUBE + cubeFaces(false, true), 24, 12},           // a normal per face: no corner shared between faces
        {CUBE + cubeFaces(true, true), 24, 12},
        {CUBE + cubeFaces(true, false), 20, 12},           // the same square on every face: shared where vt agrees
        {quad + "f 1 2 3\nf 1 3 4\n", 4, 2},               // an edge shared by two triangles
        {quad + "f 1 2 3\nf -4 -2 -1\n", 4, 2},            // the same triple written as negative indices
        {quad + "f 1/1 2/1 3/1\nf 1/2 3/1 4/1\n", 5, 2},   // one position with two texture coordinates
        {quad + "f 1 2 3\nf 1//1 3//1 4//1\n", 6, 2},      // "1" and "1//1" are different corners
        {quad + "f 1 1 1\n", 1, 1},                        // a degenerate triangle
    };
    for (const Case &c : cases) {
        Mesh mesh = accepted(c.text);
        EXPECT_EQ(c.vertices, meshVertexCount(mesh)) << c.text;
        EXPECT_EQ(c.triangles, meshTriangleCount(mesh)) << c.text;
    }
}

TEST(ObjFormat, ManySharedCornersKeepTheirPositions)
{
    // A 60 x 60 grid of quads over 61 x 61 positions: thousands of lookups through a growing table.
    const int side = 61;
    std::string text;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            text += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
    for (int j = 0; j + 1 < side; ++j) {
        for (int i = 0; i + 1 < side; ++i) {
            int a = j * side + i + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + side + 1) +
                    " " + std::to_string(a + side) + "\n";
        }
    }
    Mesh mesh = accepted(text);
    ASSERT_EQ(size_t(side * side), meshVertexCount(mesh));
    ASSERT_EQ(size_t(2 * (side - 1) * (side - 1)), meshTriangleCount(mesh));
    // Each triangle's corners lie where the face said: (i, j), (i + 1, j), (i + 1, j + 1) for the first.
    for (int q = 0; q < (side - 1) * (side - 1); ++q) {
        int i = q % (side - 1), j = q / (side - 1);
        const float want[3][2] = {{float(i), float(j)}, {float(i + 1), float(j)}, {float(i + 1), float(j + 1)}};
        for (int k = 0; k < 3; ++k) {
            uint32_t v = mesh.indices[size_t(q) * 6 + k];
            EXPECT_EQ(want[k][0], mesh.positions[v * 3]) << "quad " << q << " corner " << k;
            EXPECT_EQ(want[k][1], mesh.positions[v * 3 + 1]) << "quad " << q << " corner " << k;
        }
    }
}

TEST(ObjFormat, LineEndsCommentsContinuationsAndIgnoredStatementsChangeNothing)
{
    const std::string plain = "v 1 2 3\nv -4 5.5 3\nv 7 -8 3\nv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\n"
                              "f 1/1 2/2 3/1\nf 1/2 3/1 4/2\n";
    const Mesh reference = accepted(plain);
    ASSERT_EQ(6u, reference.indices.size());
    const std::string variants[] = {
        "v 1 2 3\r\nv -4 5.5 3\r\nv 7 -8 3\r\nv 0 0 9\r\nvt 0.125 0.25\r\nvt 0.5 0.75\r\n"
        "f 1/1 2/2 3/1\r\nf 1/2 3/1 4/2\r\n",
        "v 1 2 3\rv -4 5.5 3\rv 7 -8 3\rv 0 0 9\rvt 0.125 0.25\rvt 0.5 0.75\rf 1/1 2/2 3/1\rf 1/2 3/1 4/2\r",
        "v 1 2 3\nv -4 5.5 3\r\nv 7 -8 3\rv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\nf 1/1 2/2 3/1\nf 1/2 3/1 4/2",
        "# a comment\n\n   \nv 1 2 3 # trailing comment\n\tv\t-4  5.5\t3\nv 7 -8 3#\nv 0 0 9\n"
        "vt 0.125 0.25\nvt 0.5 0.75\n#f 9 9 9\nf 1/1 2/2 3/1\nf 1/2 3/1 4/2 # the end",
        "v 1 2 \\\n 3\nv -4 \\\r\n5.5 3\nv 7 -8 \\\r3\nv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\n"
        "f 1/1 \\\n2/2 \\\n 3/1\nf 1/2 3/1 4/2 \\",
        "\xEF\xBB\xBFv 1 2 3\nv -4 5.5 3\nv 7 -8 3\nv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\n"
        "f 1/1 2/2 3/1\nf 1/2 3/1 4/2\n",
        "mtllib a.mtl\no thing\ng one two\ns 1\nusemtl red\nv 1 2 3\nv -4 5.5 3\nl 1 2 99\nv 7 -8 3\np 0 -7\n"
        "vp 0.5 0.5\nv 0 0 9\nvx 1 2 3\nvt 0.125 0.25\nvt 0.5 0.75\ns off\nfo 1 2\nf 1/1 2/2 3/1\ng\n"
        "curv 0 1 1 2\nF 1 2 3\nf 1/2 3/1 4/2\n",
        // A comment ending in a backslash does not swallow the next line.
        "# note \\\nv 1 2 3\nv -4 5.5 3\nv 7 -8 3\nv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\n"
        "f 1/1 2/2 3/1\nf 1/2 3/1 4/2\n",
        withNul("g with\0nul\nv 1 2 3\nv -4 5.5 3\nv 7 -8 3\nv 0 0 9\nvt 0.125 0.25\nvt 0.5 0.75\n"
                "f 1/1 2/2 3/1\nf 1/2 3/1 4/2\n# \0 in a comment\n"),
    };
    for (const std::string &text : variants)
        expectSameMesh(reference, accepted(text), text);
}

TEST(ObjFormat, RefusalsNameTheLineCountedAcrossEveryLineEnd)
{
    struct Case {
        std::string text;
        size_t line;
    };
    const Case cases[] = {
        {"v 0 0 0\nv x 0 0\n", 2},
        {"v 0 0 0\r\nv 0 0 0\r\nv x 0 0\r\n", 3},
        {"v 0 0 0\rv 0 0 0\rv 0 0 0\rv x 0 0", 4},
        {"\n\r\n\r\r\nv x 0 0", 5},
        {"v 0 0 \\\n 0\nv 0 \\\r\n\\\n0 0\nv x 0 0\n", 6},
        {"# \\\nv x 0 0\n", 2},
        {"v 0 0 0\nv 0 0 \\\nx\n", 2},  // a statement is blamed on the line it starts on
    };
    for (const Case &c : cases) {
        Decoded d = decode(c.text);
        EXPECT_EQ(ObjError::BadNumber, d.status.error) << c.text;
        EXPECT_EQ(c.line, d.status.line) << c.text;
    }
}

TEST(ObjFormat, MalformedStatementsRefuseTheWholeFile)
{
    // Five good lines, then the bad one on line 6.
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    struct Case {
        std::string line;
        ObjError error;
    };
    const Case cases[] = {
        {"v 1 2", ObjError::BadStatement},
        {"v", ObjError::BadStatement},
        {"v 1 2 3 4 5 6 7 8", ObjError::BadStatement},
        {"vt", ObjError::BadStatement},
        {"vt 1 2 3 4", ObjError::BadStatement},
        {"vn 1 2", ObjError::BadStatement},
        {"vn 1 2 3 4", ObjError::BadStatement},
        {"v 1 2 x", ObjError::BadNumber},
        {"v 1 2 3 abc", ObjError::BadNumber},
        {"v 1 2 ,5", ObjError::BadNumber},
        {"v 1 2 .", ObjError::BadNumber},
        {"v 1 2 .e5", ObjError::BadNumber},
        {"v 1 2 e5", ObjError::BadNumber},
        {withNul("v 1 2 \0" "3"), ObjError::BadNumber},
        {"v nan 0 0", ObjError::BadNumber},
        {"v 0 -nan(1) 0", ObjError::BadNumber},
        {"v inf 0 0", ObjError::BadNumber},
        {"v 0 0 -infinity", ObjError::BadNumber},
        {"v 1e39 0 0", ObjError::BadNumber},
        {"v 0 -3.5e38 0", ObjError::BadNumber},
        {"v 1e400 0 0", ObjError::BadNumber},
        {"v +-1 0 0", ObjError::BadNumber},
        {"v ++1 0 0", ObjError::BadNumber},
        {"v - 0 0", ObjError::BadNumber},
        {"v + 0 0", ObjError::BadNumber},
        {"vt nan", ObjError::BadNumber},
        {"vn 0 0 inf", ObjError::BadNumber},
        {"v 0 0 0 nan", ObjError::BadNumber},  // ignored numbers must still be numbers
        {"f", ObjError::BadFace},
        {"f 1 2", ObjError::BadFace},
        {"f 1 2 # 3", ObjError::BadFace},
        {"f 1 2 3/", ObjError::BadFace},
        {"f 1 2 3//", ObjError::BadFace},
        {"f 1 2 3/1/", ObjError::BadFace},
        {"f 1 2 3/1/1/1", ObjError::BadFace},
        {"f /1 2 3", ObjError::BadFace},
        {"f 1 2 //1", ObjError::BadFace},
        {"f 0 1 2", ObjError::BadIndex},
        {"f 1 2 4", ObjError::BadIndex},
        {"f -4 1 2", ObjError::BadIndex},
        {"f 1/2 2/1 3/1", ObjError::BadIndex},
        {"f 1/0 2/1 3/1", ObjError::BadIndex},
        {"f 1//2 2//1 3//1", ObjError::BadIndex},
        {"f 1//-2 2//1 3//1", ObjError::BadIndex},
        {"f 1 2 3.0", ObjError::BadIndex},
        {"f 1 2 +3", ObjError::BadIndex},
        {"f 1 2 3a", ObjError::BadIndex},
        {"f 1 2 a", ObjError::BadIndex},
        {"f 1 2 -", ObjError::BadIndex},
        {"f 1 2 99999999999999999999999", ObjError::BadIndex},
        {"f 1 2 4294967297", ObjError::BadIndex},
        {"f 1 2 -9223372036854775808", ObjError::BadIndex},
        {"f 1 2 4\nv 0 0 1", ObjError::BadIndex},  // no forward references
        {"f 1 2 3 1 2 3 0", ObjError::BadIndex},   // a bad corner late in a long face
    };
    for (const Case &c : cases) {
        Decoded d = decode(head + c.line + "\nv 5 5 5\nf 1 2 3\n");
        EXPECT_EQ(c.error, d.status.error) << c.line << " (" << objErrorText(d.status.error) << ")";
        EXPECT_EQ(6u, d.status.line) << c.line;
    }
}

// Exporters that bend the syntax: each token is read as the longest number it starts with, as strtod does.
TEST(ObjFormat, NumbersAreReadAsTheLongestNumberTheyStartWith)
{
    const struct {
        std::string token;
        float value;
    } cases[] = {
        {"3.1+e2", 3.1f}, {"1,5", 1.0f},     {"0x10", 0.0f},   {"1e", 1.0f},      {"1e+", 1.0f},
        {"2E-", 2.0f},    {"1.2.3", 1.2f},   {"-.5q", -0.5f},  {"+7;", 7.0f},     {"1e-3.5", 0.001f},
        {"12abc", 12.0f}, {"2.5E+1x", 25.0f}, {"-0x", -0.0f},   {"1e-50z", 0.0f}, {withNul("4\0" "2"), 4.0f},
    };
    for (const auto &c : cases) {
        Mesh mesh = accepted("v 0 0 0\nv 1 0 0\nv " + c.token + " 5 6\nf 1 2 3\n");
        ASSERT_EQ(9u, mesh.positions.size()) << c.token;
        EXPECT_EQ(c.value, mesh.positions[6]) << c.token;
        EXPECT_EQ(5.0f, mesh.positions[7]) << c.token;
    }
    // The same in texture coordinates and normals.
    Mesh mesh = accepted("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25,1 0.5+e1\nvn 0 0 2.0.0\nf 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(Floats({0.25f, 0.5f, 0.25f, 0.5f, 0.25f, 0.5f}), mesh.texCoords);
    EXPECT_EQ(Floats({0, 0, 1, 0, 0, 1, 0, 0, 1}), mesh.normals);
}

TEST(ObjFormat, RefusalsSayWhyInPlainWordsWithTheLine)
{
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    struct Case {
        std::string line;
        const char *reason;
    };
    const Case cases[] = {
        {"v ,5 0 0", "line 6: \",5\" is not a number"},
        {"v 0 -nan 0", "line 6: \"-nan\" is not a finite number"},
        {"vn 0 0 inf", "line 6: \"inf\" is not a finite number"},
        {"v 1e39 0 0", "line 6: \"1e39\" is out of range"},
        {"v 0 0 x" + std::string(30, '7'), "line 6: \"x77777777777777777777777...\" is not a number"},
        {withNul("v 1 2 \0\x80 3"), "line 6: \"??\" is not a number"},
        {"v 1 2 1e39x", "line 6: \"1e39x\" is out of range"},
        {"v 1 2", "line 6: v takes 3 to 7 numbers"},
        {"vt 1 2 3 4", "line 6: vt takes 1 to 3 numbers"},
        {"vn 1 2", "line 6: vn takes 3 numbers"},
        {"f 1 2", "line 6: a face needs at least three corners"},
        {"f 1 2 3/", "line 6: \"3/\" is not a face corner"},
        {"f 1 2 40", "line 6: vertex index 40 is out of range"},
        {"f 1 2 99999999999999999999999", "line 6: vertex index 99999999999999999999999 is out of range"},
        {"f 1/0 2/1 3/1", "line 6: texture coordinate index 0 is out of range"},
        {"f 1//-2 2//1 3//1", "line 6: normal index -2 is out of range"},
        {"f 1 2 3a", "line 6: \"3a\" is not a vertex index"},
    };
    for (const Case &c : cases)
        EXPECT_STREQ(c.reason, decode(head + c.line + "\n").status.reason) << c.line;
    EXPECT_STREQ("", decode(head).status.reason);
}

TEST(ObjFormat, TextsWithoutFacesAreEmptyModels)
{
    const std::string texts[] = {"", "\n\n", "# only a comment", "v 1 2 3\nv 4 5 6\nvt 0 0\nvn 0 0 1\n",
                                 "l 1 2\np 1\ng nothing\n"};
    for (const std::string &text : texts) {
        Decoded d = decode(text);
        EXPECT_EQ(ObjError::None, d.status.error) << text;
        EXPECT_TRUE(isEmpty(d.mesh)) << text;
    }
    Mesh mesh = filledMesh();
    EXPECT_EQ(ObjError::None, decodeObj(nullptr, 0, mesh).error);
    EXPECT_TRUE(isEmpty(mesh));
    mesh = filledMesh();
    EXPECT_EQ(ObjError::None, decodeObj(nullptr, 12, mesh).error) << "no data is no data, whatever the size";
    EXPECT_TRUE(isEmpty(mesh));
}

TEST(ObjFormat, GivenNormalsAreNormalisedAndMissingOnesComputed)
{
    struct Case {
        const char *name;
        std::string text;
        Floats normals;
    };
    const float a = 1.0f / std::sqrt(257.0f), b = 16.0f / std::sqrt(257.0f);
    const Case cases[] = {
        {"lengths other than one", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 3 4 0\nvn 0 0 -0.5\nvn 1e-30 0 0\n"
                                   "f 1//1 2//2 3//3\n",
         {0.6f, 0.8f, 0, 0, 0, -1, 1, 0, 0}},
        {"a zero normal is computed instead", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 0\nvn 0 1 0\n"
                                              "f 1//1 2//2 3//1\n",
         {0, 0, 1, 0, 1, 0, 0, 0, 1}},
        {"clockwise gives -z", "v 0 0 0\nv 0 1 0\nv 1 0 0\nf 1 2 3\n", {0, 0, -1, 0, 0, -1, 0, 0, -1}},
        // A big triangle facing +z (twice its area: 16) and a small one facing +y (1) share the origin.
        {"weighted by area", "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 1\nv 1 0 0\nf 1 2 3\nf 1 4 5\n",
         {0, a, b, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0}},
        // The same position with two texture coordinates: one smooth normal, no seam in the lighting.
        {"smooth across uv seams", "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 1\nv 1 0 0\nvt 0 0\nvt 1 1\n"
                                   "f 1/1 2/1 3/1\nf 1/2 4/2 5/2\n",
         {0, a, b, 0, 0, 1, 0, 0, 1, 0, a, b, 0, 1, 0, 0, 1, 0}},
        {"huge coordinates", "v 0 0 0\nv 0 3e38 0\nv 3e38 0 0\nf 1 2 3\n", {0, 0, -1, 0, 0, -1, 0, 0, -1}},
        {"tiny coordinates", "v 0 0 0\nv 0 1e-30 0\nv 1e-30 0 0\nf 1 2 3\n", {0, 0, -1, 0, 0, -1, 0, 0, -1}},
        {"degenerate triangles fall back to +z", "v 0 0 0\nv 1 1 1\nv 2 2 2\nf 1 2 3\nf 2 2 2\n",
         {0, 0, 1, 0, 0, 1, 0, 0, 1}},
        {"all at the origin", "v 0 0 0\nf 1 1 1\n", {0, 0, 1}},
    };
    for (const Case &c : cases)
        expectNear(c.normals, accepted(c.text).normals, c.name);
}

TEST(ObjFormat, TextureCoordinatesOnlyWhenEveryCornerHasOne)
{
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0.25 0.5\nvt 0.75 1\n";
    struct Case {
        const char *faces;
        bool hasTexCoords;
    };
    const Case cases[] = {
        {"f 1/1 2/2 3/1\nf 2/2 4/1 3/2", true},
        {"f 1/1 2/2 3/1\nf 2 4 3", false},
        {"f 1 2 3\nf 2/2 4/1 3/2", false},
        {"f 1/1 2/2 3/1 4", false},
    };
    for (const Case &c : cases) {
        Mesh mesh = accepted(head + c.faces + "\n");
        EXPECT_EQ(c.hasTexCoords, mesh.hasTexCoords) << c.faces;
        EXPECT_EQ(c.hasTexCoords ? meshVertexCount(mesh) * 2 : 0u, mesh.texCoords.size()) << c.faces;
    }
}

TEST(ObjFormat, CapsRefuseOneBeyondAndAcceptExactlyAtThem)
{
    struct Case {
        const char *name;
        std::string text;
        ObjLimits limits;
        ObjError error;
        size_t line;
        const char *reason;
    };
    ObjLimits three;
    three.elements = 3;
    ObjLimits four;
    four.vertices = 4;
    ObjLimits two;
    two.triangles = 2;
    const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    const Case cases[] = {
        {"three of each kind", "v 0 0 0\nvt 0 0\nv 1 0 0\nvn 0 0 1\nv 0 1 0\nvt 1 1\nvn 0 1 0\nvt 0 1\nvn 1 0 0\n"
                               "f 1/1/1 2/2/2 3/3/3\n",
         three, ObjError::None, 0, ""},
        {"a fourth v", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 1\n", three, ObjError::TooManyElements, 4,
         "line 4: more than 3 v statements"},
        {"a fourth vt", "v 0 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\n", three, ObjError::TooManyElements, 5,
         "line 5: more than 3 vt statements"},
        {"a fourth vn", "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n", three, ObjError::TooManyElements, 4,
         "line 4: more than 3 vn statements"},
        {"four corners, reused", quad + "f 1 2 3 4\nf 4 3 2 1\nf -4 -3 -2\n", four, ObjError::None, 0, ""},
        {"a fifth corner", quad + "vn 0 0 1\nf 1 2 3 4\nf 1 2 3//1\n", four, ObjError::TooManyVertices, 7,
         "line 7: more than 4 distinct face corners"},
        {"a quad", quad + "f 1 2 3 4\n", two, ObjError::None, 0, ""},
        {"a pentagon", quad + "f 1 2 3 4 1\n", two, ObjError::TooManyTriangles, 5,
         "line 5: more than 2 triangles"},
        {"a third triangle", quad + "f 1 2 3\nf 1 3 4\nf 2 3 4\n", two, ObjError::TooManyTriangles, 7,
         "line 7: more than 2 triangles"},
    };
    for (const Case &c : cases) {
        Decoded d = decode(c.text, c.limits);
        EXPECT_EQ(c.error, d.status.error) << c.name;
        EXPECT_EQ(c.line, d.status.line) << c.name;
        EXPECT_STREQ(c.reason, d.status.reason) << c.name;
    }
}

TEST(ObjFormat, LongLinesAndLongNumbersAreRead)
{
    // One face of 100,000 corners, a comment of a megabyte, a number of 5,000 digits, a statement
    // continued over a thousand lines.
    std::string face = "f";
    for (int k = 0; k < 100000; ++k)
        face += k % 2 ? " 2" : " 3";
    std::string text = "# " + std::string(1 << 20, 'x') + "\nv 0 0 0\nv " + std::string(5000, '0') + "1.5 0 0\nv ";
    for (int k = 0; k < 1000; ++k)
        text += " \\\n";
    text += "0 1 0\n" + std::string("f 1 2 ") + face.substr(2) + "\n";
    Mesh mesh = accepted(text);
    EXPECT_EQ(Floats({0, 0, 0, 1.5f, 0, 0, 0, 1, 0}), mesh.positions);
    ASSERT_EQ(size_t(100000), meshTriangleCount(mesh));
    EXPECT_EQ(Indices({0, 1, 2, 0, 2, 1, 0, 1, 2}), Indices(mesh.indices.begin(), mesh.indices.begin() + 9));
}

TEST(ObjFormat, FittingCentresTheBoxAndScalesItsLongestSideToTheCube)
{
    Mesh mesh = accepted("v 10 20 30\nv 14 21 31\nv 10 22 30.5\nvn 0 0 2\nf 1//1 2//1 3//1\n");
    const Floats normals = mesh.normals;
    fitMeshInCube(mesh, 20.0f);
    // x spans 10..14, y 20..22, z 30..31: the centre (12, 21, 30.5) moves to the origin, x scales to 20.
    EXPECT_EQ(Floats({-10, -5, -2.5f, 10, 0, 2.5f, -10, 5, 0}), mesh.positions);
    EXPECT_EQ(normals, mesh.normals);

    Mesh point = accepted("v 3 -4 5\nf 1 1 1\n");
    fitMeshInCube(point, 20.0f);
    EXPECT_EQ(Floats({0, 0, 0}), point.positions);

    Mesh huge = accepted("v -3e38 -1e38 0\nv 3e38 1e38 0\nv 0 0 1\nf 1 2 3\n");
    fitMeshInCube(huge, 20.0f);
    expectNear({-10, -10.0f / 3, 0, 10, 10.0f / 3, 0, 0, 0, 0}, huge.positions, "huge coordinates");

    Mesh empty;
    fitMeshInCube(empty, 20.0f);
    EXPECT_TRUE(isEmpty(empty));
}

} // namespace
