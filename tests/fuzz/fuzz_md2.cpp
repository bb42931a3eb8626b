// Fuzzes the MD2 reader: a refused file leaves the mesh empty and says why; an accepted one is a mesh the .vmr
// writer accepts, with unit normals, every vertex used, one triangle per triangle of the file and at most three
// vertices each, texture coordinates exactly when it has triangles, and it fits into the view's cube.
#include "model-plugins/md2/md2_format.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/fuzz/fuzz_mesh.h"
#include "tools/md2_models.h"

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

FUZZ_HARNESS void checkAccepted(const uint8_t *data, const Mesh &mesh)
{
    checkBuiltMesh(mesh);
    size_t triangles = meshTriangleCount(mesh);
    FUZZ_CHECK(triangles == size_t(readLe32(data + MD2_NUM_TRIANGLES)), "not one triangle per file triangle");
    FUZZ_CHECK(meshVertexCount(mesh) <= 3 * triangles, "more vertices than corners");
    FUZZ_CHECK(mesh.hasTexCoords == (triangles > 0), "texture coordinates not exactly with triangles");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    writeSeeds(*argc, *argv, md2Seeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Start from a mesh with something in it: a refusal must not leave it half filled.
    Mesh mesh = filledMesh();
    Md2Status status = decodeMd2(data, size, mesh);
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
