// Fuzzes the glTF reader, the kept library and the walk over its result: a refused file leaves no model and no
// picture and says why; an accepted one is a mesh the .vmr writer accepts, with unit normals, every vertex used
// and every index within the vertices, and it fits into the view's cube.
#include <string>
#include <vector>

#include "model-plugins/gltf/gltf_format.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/fuzz/fuzz_mesh.h"
#include "tools/gltf_models.h"

namespace {

FuzzSeeds gltfSeeds()
{
    GltfSample sample = makeGltfSample();
    const std::string text = encodeGltfText(sample);
    GltfSample strip = makeGltfSample();
    strip.document["meshes"][0]["primitives"][0]["mode"] = 5;
    strip.document["nodes"][1]["matrix"] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -1, 0, 1, 2, 3, 1};
    strip.document["nodes"][1].erase("scale");
    return {encodeGlb(sample), std::vector<uint8_t>(text.begin(), text.end()), encodeGlb(strip),
            encodeGlb(makeGltfGrid(3, 2))};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    writeSeeds(*argc, *argv, gltfSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Mesh mesh = filledMesh();
    GltfPicture picture;
    picture.file = "stale";
    // A folder that does not exist: the files an input names are not looked for beside it.
    const std::string reason = decodeGltf("/nonexistent/", data, size, mesh, picture);
    if (!reason.empty()) {
        FUZZ_CHECK(meshEmpty(mesh), "a refused file left data in the mesh");
        FUZZ_CHECK(picture.file.empty() && picture.bytes.empty(), "a refused file left a picture");
        return 0;
    }
    checkBuiltMesh(mesh);
    FUZZ_CHECK(picture.file.empty() || picture.bytes.empty(), "a picture both named and held");
    checkFitted(mesh);
    return 0;
}
