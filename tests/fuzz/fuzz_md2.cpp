// Fuzzes the MD2 reader: a refused file leaves the mesh empty and says why; an accepted one is a mesh the .vmr
// writer accepts, with unit normals, every vertex used, one triangle per triangle of the file and at most three
// vertices each, texture coordinates exactly when it has triangles, and it fits into the view's cube. Skin names
// come only from a file whose layout checks out, each shorter than its field; their candidates are clean paths.
#include <string>
#include <vector>

#include "model-plugins/md2/md2_format.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/fuzz/fuzz_mesh.h"
#include "tools/md2_models.h"
#include "tests/native/start_texture.h"

namespace {

FuzzSeeds md2Seeds()
{
    Md2Model sample = makeMd2Sample();
    Md2Model oneFrame = sample;
    oneFrame.frames.resize(1);
    oneFrame.skins.clear();
    oneFrame.glCommands.clear();
    Md2Model bare = oneFrame;
    bare.triangles.clear();
    return {encodeMd2(sample), encodeMd2(oneFrame), encodeMd2(bare)};
}

// Refusals of the header and the sections, after which no skin name may be read.
FUZZ_HARNESS bool layoutRefused(Md2Error error)
{
    return error == Md2Error::TooShort || error == Md2Error::BadMagic || error == Md2Error::BadVersion ||
           error == Md2Error::BadSkinSize || error == Md2Error::BadCount || error == Md2Error::BadLength ||
           error == Md2Error::BadSection || error == Md2Error::BadFrameSize;
}

FUZZ_HARNESS void checkSkins(const uint8_t *data, size_t size, Md2Error error)
{
    std::vector<std::string> names = readMd2SkinNames(data, size);
    FUZZ_CHECK(names.empty() || !layoutRefused(error), "skin names read from a damaged layout");
    FUZZ_CHECK(names.size() <= MD2_MAX_SKIN_NAMES, "more skin names than the cap");
    for (const std::string &name : names)
        FUZZ_CHECK(!name.empty() && name.size() < MD2_SKIN_BYTES && name.find('\0') == std::string::npos,
                   "a skin name longer than its field or holding a NUL");
    std::vector<std::string> candidates = md2SkinCandidates(names);
    FUZZ_CHECK(candidates.size() <= 6 * names.size(), "more than six places for a skin");
    for (size_t i = 0; i < candidates.size(); ++i) {
        FUZZ_CHECK(!candidates[i].empty() && candidates[i].find('/') == std::string::npos, "an unclean candidate");
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(candidates[i] != candidates[j], "a candidate named twice");
    }
}

FUZZ_HARNESS void checkAccepted(const uint8_t *data, const Mesh &mesh)
{
    checkBuiltMesh(mesh);
    size_t triangles = meshTriangleCount(mesh);
    FUZZ_CHECK(triangles == size_t(readLe32(data + MD2_NUM_TRIANGLES)), "not one triangle per file triangle");
    FUZZ_CHECK(meshVertexCount(mesh) <= 3 * triangles, "more vertices than corners");
    FUZZ_CHECK(mesh.hasTexCoords == (triangles > 0), "texture coordinates not exactly with triangles");
}

} // namespace

FUZZ_SEEDS(md2Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Start from a mesh with something in it: a refusal must not leave it half filled.
    Mesh mesh = filledMesh();
    Md2Status status = decodeMd2(data, size, mesh);
    checkSkins(data, size, status.error);
    if (status.error != Md2Error::None) {
        FUZZ_CHECK(meshEmpty(mesh), "a refused file left data in the mesh");
        FUZZ_CHECK(status.reason[0] != '\0', "a refusal without a reason");
        return 0;
    }
    FUZZ_CHECK(status.reason[0] == '\0', "a reason given for an accepted file");
    checkAccepted(data, mesh);
    checkFitted(mesh);
    return 0;
}
