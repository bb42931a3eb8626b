// Fuzzes the .vmr reader: a refused file leaves the mesh empty; an accepted one is a mesh the writer
// accepts, and writing it gives back exactly the bytes that were read.
#include <cstring>
#include <vector>

#include "model-plugins/vmr/vmr_format.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/fuzz/fuzz_mesh.h"
#include "tools/vmr_meshes.h"

namespace {

// One triangle without texture coordinates, the smallest mesh with any array in it.
Mesh seedTriangle()
{
    Mesh mesh;
    mesh.positions = {0, 0, 0, 1, 0, 0, 0, 2, 0};
    mesh.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    mesh.indices = {0, 1, 2};
    return mesh;
}

FuzzSeeds vmrSeeds()
{
    std::vector<Mesh> meshes = {Mesh(), seedTriangle(), makeDefaultBox(), makeUntexturedBox(),
                                   makeOutsideBox(), makeGridMesh(2, 1.0f)};
    FuzzSeeds seeds;
    for (const Mesh &mesh : meshes) {
        std::vector<uint8_t> bytes;
        if (encodeVmr(mesh, bytes) == VmrError::None)
            seeds.push_back(bytes);
    }
    return seeds;
}

} // namespace

FUZZ_SEEDS(vmrSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Start from a mesh with something in it: a refusal must not leave it half filled.
    Mesh mesh = filledMesh();
    VmrError error = decodeVmr(data, size, mesh);
    if (error != VmrError::None) {
        FUZZ_CHECK(meshEmpty(mesh), "a refused file left data in the mesh");
        FUZZ_CHECK(vmrErrorText(error) != nullptr, "an error without text");
        return 0;
    }
    FUZZ_CHECK(checkVmrMesh(mesh) == VmrError::None, "the reader accepted a mesh the writer refuses");
    std::vector<uint8_t> again;
    FUZZ_CHECK(encodeVmr(mesh, again) == VmrError::None, "an accepted mesh cannot be written");
    FUZZ_CHECK(again.size() == size && std::memcmp(again.data(), data, size) == 0,
               "an accepted file is not written back byte for byte");
    return 0;
}
