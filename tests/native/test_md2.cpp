// Tests of the MD2 reader: frame 0, axes, skin coordinates, shared corners, every refusal with its reason, and
// the frames as poses blended vertex by vertex.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "model-plugins/md2/md2_format.h"
#include "model-plugins/vmr/vmr_format.h"
#include "tests/native/byte_fields.h"
#include "tools/md2_models.h"
#include "tests/native/start_texture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Floats = std::vector<float>;

// Decodes from an exact-size copy, so AddressSanitizer sees any read past the end, into a mesh that a refusal
// must empty.
Md2Status decode(const Bytes &bytes, Mesh &mesh)
{
    Bytes exact(bytes.begin(), bytes.end());
    mesh.positions = {1, 2, 3};
    mesh.indices = {0, 0, 0};
    return decodeMd2(exact.data(), exact.size(), mesh);
}

const Bytes SAMPLE = encodeMd2(makeMd2Sample());
// Where encodeMd2 puts the sample's sections: skin at 68, texture coordinates at 132, triangles at 152,
// frames (60 bytes each) at 188, GL commands at 308; 356 bytes in all.
enum : size_t { TEXCOORDS = 132, TRIANGLES = 152, FRAME0 = 188, GLCMDS = 308, END = 356 };

TEST(Md2Format, FrameZeroIsReadWithItsAxesTurnedAndEachVertexTexCoordPairOnce)
{
    Mesh mesh;
    Md2Status status = decode(SAMPLE, mesh);
    ASSERT_EQ(Md2Error::None, status.error) << status.reason;
    EXPECT_STREQ("", status.reason);
    ASSERT_EQ(VmrError::None, checkVmrMesh(mesh));
    // File vertices scaled and moved: v0 (-3, 1.5, 10), v1 (2, 1.5, 10), v2 (-3, 41.5, 10), v3 (-3, 1.5, 20),
    // turned to (y, z, x). Mesh vertices in order of first use: (v0, st0), (v2, st1), (v1, st2), (v3, st3),
    // (v0, st4); the unused v4 is dropped.
    EXPECT_EQ(Floats({1.5f, 10, -3, 41.5f, 10, -3, 1.5f, 10, 2, 1.5f, 20, -3, 1.5f, 10, -3}), mesh.positions);
    // s / 64 and 1 - t / 32, the sample's t = -8 giving v beyond 1.
    EXPECT_TRUE(mesh.hasTexCoords);
    EXPECT_EQ(Floats({0, 1, 0.25f, 0.75f, 1, 0, 0.5f, 1.25f, 0.125f, 0.25f}), mesh.texCoords);
    // Each file triangle (a, b, c) becomes (a, c, b): counter-clockwise from outside.
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 0, 3, 2, 4, 1, 3}), mesh.indices);
    // Smooth by position: both vertices at v0 share one normal.
    const Floats &n = mesh.normals;
    EXPECT_EQ(Floats(n.begin(), n.begin() + 3), Floats(n.begin() + 12, n.end()));
}

TEST(Md2Format, ModelsWithoutTrianglesAreEmptyAndBytesAfterTheHeaderLengthAreIgnored)
{
    Md2Model model = makeMd2Sample();
    model.triangles.clear();
    Mesh mesh;
    ASSERT_EQ(Md2Error::None, decode(encodeMd2(model), mesh).error);
    EXPECT_TRUE(mesh.positions.empty() && mesh.indices.empty() && !mesh.hasTexCoords);

    Bytes longer = SAMPLE;
    longer.resize(END + 10, 0xAB);
    Mesh sample, again;
    decode(SAMPLE, sample);
    ASSERT_EQ(Md2Error::None, decode(longer, again).error);
    EXPECT_EQ(sample.positions, again.positions);
    EXPECT_EQ(sample.indices, again.indices);
}

struct Corruption {
    size_t offset;  // of the int32 (or float) changed
    int32_t value;  // float bits for the frame's floats
    Md2Error error;
    const char *reason;
};

int32_t bitsOf(float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(Md2Format, EveryCountAndOffsetOutsideTheFileIsRefusedWithItsReason)
{
    const int32_t nan = bitsOf(std::numeric_limits<float>::quiet_NaN());
    const int32_t minusInfinity = bitsOf(-std::numeric_limits<float>::infinity());
    const Corruption cases[] = {
        {MD2_IDENT, 0x33504449, Md2Error::BadMagic, "the file is not an MD2 model (it does not start with \"IDP2\")"},
        {MD2_VERSION_FIELD, 7, Md2Error::BadVersion, "MD2 version 7 is not supported (only version 8 is)"},
        {MD2_SKIN_WIDTH, 0, Md2Error::BadSkinSize, "the header's skin size (0 x 32) has a side of 0 or less"},
        {MD2_SKIN_HEIGHT, -32, Md2Error::BadSkinSize, "the header's skin size (64 x -32) has a side of 0 or less"},
        {MD2_NUM_SKINS, -1, Md2Error::BadCount, "the header's count of skin names (-1) is negative"},
        {MD2_NUM_VERTICES, -1, Md2Error::BadCount, "the header's count of vertices (-1) is negative"},
        {MD2_NUM_TEXCOORDS, INT32_MIN, Md2Error::BadCount,
         "the header's count of texture coordinates (-2147483648) is negative"},
        {MD2_NUM_TRIANGLES, -3, Md2Error::BadCount, "the header's count of triangles (-3) is negative"},
        {MD2_NUM_GLCMDS, -1, Md2Error::BadCount, "the header's count of GL commands (-1) is negative"},
        {MD2_NUM_FRAMES, -2, Md2Error::BadCount, "the header's count of frames (-2) is negative"},
        {MD2_NUM_FRAMES, 0, Md2Error::BadCount, "the model has no frame"},
        {MD2_OFS_END, 67, Md2Error::BadLength, "the header says the file is 67 bytes long, but it has 356"},
        {MD2_OFS_END, END + 1, Md2Error::BadLength, "the header says the file is 357 bytes long, but it has 356"},
        {MD2_OFS_END, -1, Md2Error::BadLength, "the header says the file is -1 bytes long, but it has 356"},
        {MD2_FRAME_SIZE, 39, Md2Error::BadFrameSize, "the frame size (39 bytes) is too small for 5 vertices"},
        {MD2_FRAME_SIZE, 59, Md2Error::BadFrameSize, "the frame size (59 bytes) is too small for 5 vertices"},
        {MD2_FRAME_SIZE, INT32_MIN, Md2Error::BadFrameSize,
         "the frame size (-2147483648 bytes) is too small for 5 vertices"},
        {MD2_NUM_VERTICES, 6, Md2Error::BadFrameSize, "the frame size (60 bytes) is too small for 6 vertices"},
        {MD2_NUM_VERTICES, INT32_MAX, Md2Error::BadFrameSize,
         "the frame size (60 bytes) is too small for 2147483647 vertices"},
        {MD2_NUM_SKINS, 5, Md2Error::BadSection,
         "the skin names (5 at offset 68) run past the end of the file (356 bytes)"},
        {MD2_NUM_TEXCOORDS, 57, Md2Error::BadSection,
         "the texture coordinates (57 at offset 132) run past the end of the file (356 bytes)"},
        {MD2_NUM_TRIANGLES, INT32_MAX, Md2Error::BadSection,
         "the triangles (2147483647 at offset 152) run past the end of the file (356 bytes)"},
        {MD2_NUM_FRAMES, 3, Md2Error::BadSection,
         "the frames (3 at offset 188) run past the end of the file (356 bytes)"},
        {MD2_NUM_GLCMDS, 13, Md2Error::BadSection,
         "the GL commands (13 at offset 308) run past the end of the file (356 bytes)"},
        {MD2_OFS_SKINS, 0, Md2Error::BadSection,
         "the skin names start at offset 0, before the end of the header"},
        {MD2_OFS_TEXCOORDS, 67, Md2Error::BadSection,
         "the texture coordinates start at offset 67, before the end of the header"},
        {MD2_OFS_TRIANGLES, END + 1, Md2Error::BadSection,
         "the triangles (3 at offset 357) run past the end of the file (356 bytes)"},
        {MD2_OFS_FRAMES, INT32_MIN, Md2Error::BadSection,
         "the frames start at offset -2147483648, before the end of the header"},
        {MD2_OFS_GLCMDS, GLCMDS + 4, Md2Error::BadSection,
         "the GL commands (12 at offset 312) run past the end of the file (356 bytes)"},
        {MD2_FRAME_SIZE, 100, Md2Error::BadSection,
         "the frames (2 at offset 188) run past the end of the file (356 bytes)"},
        {MD2_OFS_END, GLCMDS, Md2Error::BadSection,
         "the GL commands (12 at offset 308) run past the end of the file (308 bytes)"},
        {MD2_NUM_VERTICES, 0, Md2Error::BadIndex,
         "triangle 0: vertex index 0 is out of range (the model has 0 vertices)"},
        {MD2_NUM_TEXCOORDS, 3, Md2Error::BadIndex,
         "triangle 1: texture coordinate index 3 is out of range (the model has 3 texture coordinates)"},
        {TRIANGLES + 12 + 4, 5 | 3 << 16, Md2Error::BadIndex,
         "triangle 1: vertex index 5 is out of range (the model has 5 vertices)"},
        {TRIANGLES + 24 + 8, -65536, Md2Error::BadIndex,
         "triangle 2: texture coordinate index 65535 is out of range (the model has 5 texture coordinates)"},
        {FRAME0 + 4, nan, Md2Error::BadFrame, "frame 0: its scale or translation is not a finite number"},
        {FRAME0 + 20, minusInfinity, Md2Error::BadFrame, "frame 0: its scale or translation is not a finite number"},
        {FRAME0 + 8, bitsOf(3e38f), Md2Error::BadFrame, "frame 0: vertex 3 lies beyond the float range"},
        {FRAME0 + 60 + 16, nan, Md2Error::BadFrame, "frame 1: its scale or translation is not a finite number"},
    };
    for (const Corruption &c : cases) {
        Bytes bytes = SAMPLE;
        putU32(bytes, c.offset, uint32_t(c.value));
        Mesh mesh;
        Md2Status status = decode(bytes, mesh);
        EXPECT_EQ(c.error, status.error) << c.reason;
        EXPECT_STREQ(c.reason, status.reason);
        EXPECT_TRUE(mesh.positions.empty() && mesh.indices.empty()) << c.reason;
    }
}

TEST(Md2Format, EmptySectionsMayStandAnywhere)
{
    Md2Model model = makeMd2Sample();
    model.skins.clear();
    model.glCommands.clear();
    Bytes bytes = encodeMd2(model);
    putU32(bytes, MD2_OFS_SKINS, uint32_t(-5));
    putU32(bytes, MD2_OFS_GLCMDS, INT32_MAX);
    Mesh mesh;
    EXPECT_EQ(Md2Error::None, decode(bytes, mesh).error);
    EXPECT_EQ(size_t(9), mesh.indices.size());
}

TEST(Md2Format, FilesCutAnywhereAreRefused)
{
    // Cut at every header field: shorter than the header. Cut in or between the sections: shorter than the
    // header's file length.
    std::vector<size_t> headerCuts = {MD2_HEADER_BYTES - 1};
    for (size_t field = MD2_IDENT; field <= MD2_OFS_END; field += 4)
        headerCuts.push_back(field);
    for (size_t cut : headerCuts) {
        Mesh mesh;
        Md2Status status = decode(Bytes(SAMPLE.begin(), SAMPLE.begin() + cut), mesh);
        EXPECT_EQ(Md2Error::TooShort, status.error) << cut;
        EXPECT_STREQ("the file is shorter than an MD2 header (68 bytes)", status.reason);
    }
    for (size_t cut : {size_t(68), size_t(TEXCOORDS), size_t(TRIANGLES + 5), size_t(FRAME0), size_t(END - 1)}) {
        Mesh mesh;
        EXPECT_EQ(Md2Error::BadLength, decode(Bytes(SAMPLE.begin(), SAMPLE.begin() + cut), mesh).error) << cut;
    }
    Mesh mesh;
    EXPECT_EQ(Md2Error::TooShort, decodeMd2(nullptr, END, mesh).error);
}

} // namespace

namespace {

using Names = std::vector<std::string>;

// The sample with these skin names, decoded for its names from an exact-size copy.
Names skinNamesOf(const Names &skins)
{
    Md2Model model = makeMd2Sample();
    model.skins = skins;
    const Bytes bytes = encodeMd2(model);
    return readMd2SkinNames(bytes.data(), bytes.size());
}

TEST(Md2Skins, NamesAreReadInHeaderOrderWithinTheirFieldsAndOnlyFromAGoodLayout)
{
    EXPECT_EQ(Names({"models/sample/skin.pcx"}), readMd2SkinNames(SAMPLE.data(), SAMPLE.size()));
    const std::string longest(63, 'n');
    EXPECT_EQ(Names({"a.pcx", "b c.tga", longest}), skinNamesOf({"a.pcx", "", "b c.tga", longest}));
    Names forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back("skin" + std::to_string(i) + ".pcx");
    EXPECT_EQ(Names(forty.begin(), forty.begin() + MD2_MAX_SKIN_NAMES), skinNamesOf(forty));
    // The one field (68 to 132) filled without a NUL names nothing; with its NUL in the last byte, 63 letters.
    Bytes full = SAMPLE;
    std::memset(full.data() + MD2_HEADER_BYTES, 'x', MD2_SKIN_BYTES);
    EXPECT_EQ(Names(), readMd2SkinNames(full.data(), full.size()));
    full[MD2_HEADER_BYTES + MD2_SKIN_BYTES - 1] = 0;
    EXPECT_EQ(Names({std::string(63, 'x')}), readMd2SkinNames(full.data(), full.size()));
    const std::pair<size_t, uint32_t> damages[] = {{MD2_OFS_SKINS, END - 10}, {MD2_OFS_SKINS, 20}, {MD2_NUM_SKINS, 6},
                                                   {MD2_NUM_SKINS, uint32_t(-1)}, {MD2_VERSION_FIELD, 7},
                                                   {MD2_OFS_END, END + 1}};
    for (const auto &damage : damages) {
        Bytes bytes = SAMPLE;
        putU32(bytes, damage.first, damage.second);
        EXPECT_EQ(Names(), readMd2SkinNames(bytes.data(), bytes.size())) << damage.first;
    }
    EXPECT_EQ(Names(), readMd2SkinNames(nullptr, SAMPLE.size()));
}

TEST(Md2Skins, CandidatesTryEachNameAsGivenThenByItsFileNameWithPcxAlsoAsPngAndTga)
{
    const struct {
        Names names;
        Names candidates;
    } cases[] = {
        {{"models/knight/skin.pcx"},
         {"models\\knight\\skin.pcx", "models\\knight\\skin.png", "models\\knight\\skin.tga", "skin.pcx", "skin.png",
          "skin.tga"}},
        {{"skin.PCX", "red.png"}, {"skin.PCX", "skin.png", "skin.tga", "red.png"}},
        {{"a/x.tga", "b/x.tga"}, {"a\\x.tga", "x.tga", "b\\x.tga"}},
        {{"C:/q2/skin.bmp"}, {"C:\\q2\\skin.bmp", "skin.bmp"}},
        {{"models/folder/", "C:"}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.candidates, md2SkinCandidates(c.names)) << c.names[0];
}

} // namespace

// The sample's frame 1 puts file vertex n at (9 - n) on every axis: a line, so its triangles have no area and its
// smooth normals fall back to (0, 0, 1).
TEST(Md2Frames, EveryFrameIsAPoseNamedByItsFrameAndBlendsVertexByVertex)
{
    Mesh mesh;
    ASSERT_EQ(Md2Error::None, decode(SAMPLE, mesh).error);
    EXPECT_EQ(std::vector<std::string>({"stand01", "stand02"}), mesh.poseNames);
    ASSERT_EQ(2u, meshPoseCount(mesh));
    const Floats frame0 = mesh.positions, normals0 = mesh.normals;
    const Floats frame1 = {9, 9, 9, 7, 7, 7, 8, 8, 8, 6, 6, 6, 9, 9, 9}; // mesh vertices v0, v2, v1, v3, v0
    struct Case {
        float pose;
        float weight; // of frame 1
    } cases[] = {{0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 1.0f}, {7.0f, 1.0f}, {-2.0f, 0.0f}};
    for (const Case &c : cases) {
        blendMeshPose(mesh, c.pose);
        for (size_t i = 0; i < frame0.size(); ++i)
            EXPECT_FLOAT_EQ(frame0[i] * (1 - c.weight) + frame1[i] * c.weight, mesh.positions[i]) << c.pose << " " << i;
        for (size_t v = 0; v < frame0.size(); v += 3) {
            const float x = normals0[v] * (1 - c.weight), y = normals0[v + 1] * (1 - c.weight),
                        z = normals0[v + 2] * (1 - c.weight) + c.weight, length = std::sqrt(x * x + y * y + z * z);
            EXPECT_NEAR(x / length, mesh.normals[v], 1e-6f);
            EXPECT_NEAR(y / length, mesh.normals[v + 1], 1e-6f);
            EXPECT_NEAR(z / length, mesh.normals[v + 2], 1e-6f);
        }
    }
}

TEST(Md2Frames, AOneFrameModelIsStill)
{
    Md2Model model = makeMd2Sample();
    model.frames.resize(1);
    Mesh mesh;
    ASSERT_EQ(Md2Error::None, decode(encodeMd2(model), mesh).error);
    const Floats before = mesh.positions;
    blendMeshPose(mesh, 0.5f);
    EXPECT_EQ(1u, meshPoseCount(mesh));
    EXPECT_TRUE(mesh.poseNames.empty() && mesh.posePositions.empty());
    EXPECT_EQ(before, mesh.positions);
}
