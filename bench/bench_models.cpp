// Speed of obj.dll's reader on a large model: a generated OBJ of a million triangles, read and fitted.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/obj/obj_format.h"

namespace {

// A wavy square of side x side quads over (side + 1)^2 positions, as an exporter writes one: every position
// with its own texture coordinate and normal, faces of "v/vt/vn" corners; 2 x side^2 triangles.
std::string wavyGridObj(int side)
{
    std::string text = "# wavy grid\no grid\n";
    char line[96];
    for (int j = 0; j <= side; ++j) {
        for (int i = 0; i <= side; ++i) {
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.4f %.4f 1\n", i * 0.01,
                          j * 0.01, ((i * 7 + j * 3) % 11) * 0.001, double(i) / side, double(j) / side,
                          ((i % 5) - 2) * 0.1, ((j % 7) - 3) * 0.1);
            text += line;
        }
    }
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            int a = j * (side + 1) + i + 1, b = a + 1, c = b + side + 1, d = a + side + 1;
            std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c,
                          d, d, d);
            text += line;
        }
    }
    return text;
}

void BM_ReadObjMillionTriangles(benchmark::State &state)
{
    static const std::string text = wavyGridObj(708); // 1,002,528 triangles
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(text.data());
    size_t triangles = 0;
    for (auto _ : state) {
        Mesh mesh;
        ObjStatus status = decodeObj(bytes, text.size(), mesh);
        if (status.error != ObjError::None)
            state.SkipWithError(status.reason);
        fitMeshInCube(mesh, MODEL_FIT_SIDE);
        triangles = meshTriangleCount(mesh);
        benchmark::DoNotOptimize(mesh.positions.data());
    }
    state.counters["triangles"] = double(triangles);
    state.counters["MB"] = double(text.size()) / 1e6;
}
BENCHMARK(BM_ReadObjMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
