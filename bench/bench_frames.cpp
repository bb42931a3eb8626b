// Speed of the moving and the glTF models: one blended pose of a 10,000-triangle MD2 (drawn every frame while it
// plays), and reading a 100,000-triangle .glb.
#include <benchmark/benchmark.h>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/gltf/gltf_format.h"
#include "model-plugins/md2/md2_format.h"
#include "tools/gltf_models.h"
#include "tools/md2_models.h"

namespace {

// A grid of 71 x 71 quads (10,082 triangles) over 72 x 72 file vertices, each with its own skin coordinate, in
// eight frames that raise the vertices differently.
Md2Model gridMd2()
{
    const int side = 71, row = side + 1;
    Md2Model model;
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i)
            model.texCoords.insert(model.texCoords.end(), {int16_t(i * 3), int16_t(j * 3)});
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const uint16_t a = uint16_t(j * row + i), b = uint16_t(a + 1), c = uint16_t(a + row + 1),
                           d = uint16_t(a + row);
            model.triangles.insert(model.triangles.end(), {a, b, c, a, b, c, a, c, d, a, c, d});
        }
    for (int f = 0; f < 8; ++f) {
        Md2Frame frame = {{0.1f, 0.1f, 0.1f}, {0, 0, 0}, "run" + std::to_string(f + 1), {}};
        for (int j = 0; j <= side; ++j)
            for (int i = 0; i <= side; ++i)
                frame.vertices.insert(frame.vertices.end(),
                                      {uint8_t(i * 3), uint8_t(j * 3), uint8_t((i * 7 + j * 3 + f * 20) % 255), 0});
        model.frames.push_back(frame);
    }
    return model;
}

void BM_BlendMd2Pose10kTriangles(benchmark::State &state)
{
    const std::vector<uint8_t> file = encodeMd2(gridMd2());
    Mesh mesh;
    if (decodeMd2(file.data(), file.size(), mesh).error != Md2Error::None || meshTriangleCount(mesh) < 10000) {
        state.SkipWithError("the model was not read");
        return;
    }
    float pose = 0.0f;
    for (auto _ : state) {
        pose = pose + 0.37f < 7.0f ? pose + 0.37f : 0.0f;
        blendMeshPose(mesh, pose);
        benchmark::DoNotOptimize(mesh.positions.data());
    }
    state.counters["triangles"] = double(meshTriangleCount(mesh));
}

void BM_ReadGlb100kTriangles(benchmark::State &state)
{
    static const std::vector<uint8_t> file = encodeGlb(makeGltfGrid(250, 200)); // 100,000 triangles
    for (auto _ : state) {
        Mesh mesh;
        GltfPicture picture;
        const std::string refusal = decodeGltf("", file.data(), file.size(), mesh, picture);
        if (!refusal.empty() || meshTriangleCount(mesh) != 100000) {
            state.SkipWithError("the model was not read");
            return;
        }
        fitMeshInCube(mesh, MODEL_FIT_SIDE);
        benchmark::DoNotOptimize(mesh.positions.data());
    }
}

} // namespace

BENCHMARK(BM_BlendMd2Pose10kTriangles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadGlb100kTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);
