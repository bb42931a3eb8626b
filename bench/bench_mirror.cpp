// Speed of Mirror through the model on the flat texture: building the mirror map of a model of 100,000 triangles
// at three texture sizes, and working out the mirror texels of a 32 x 32 dab the first time it is painted.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "uv/mirror_map.h"

namespace {

// A tube of 200 x 250 quads about the plane x = 0; its left half laid out on the texture's left, its right half
// turned upside down on the right, so each texel's mirror lies elsewhere on the sheet.
const std::vector<SurfaceTriangle> &tube()
{
    static std::vector<SurfaceTriangle> triangles;
    if (!triangles.empty())
        return triangles;
    const int around = 200, along = 250;
    auto corner = [&](int i, int j, bool right, float *p, float *uv) {
        const double a = 2 * M_PI * i / around, s = double(i) / around, t = double(j) / along;
        p[0] = float(std::sin(a) * 5), p[1] = float(j * 0.1), p[2] = float(std::cos(a) * 5);
        uv[0] = float(right ? 1.5 - s : s);
        uv[1] = float(right ? 0.95 - t * 0.9 : t * 0.9);
    };
    const int order[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < along; ++j) {
            const int c[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            for (const auto &tri : order) {
                SurfaceTriangle t;
                for (int k = 0; k < 3; ++k)
                    corner(c[tri[k]][0], c[tri[k]][1], i >= around / 2, t.position[k], t.uv[k]);
                triangles.push_back(t);
            }
        }
    return triangles;
}

void BM_BuildMirrorMap(benchmark::State &state)
{
    const int32_t side = int32_t(state.range(0));
    MirrorMap map;
    for (auto _ : state) {
        buildMirrorMap(tube().data(), tube().size(), 0.0f, side, side, map);
        benchmark::DoNotOptimize(map.triangleAtTexel.data());
    }
}
BENCHMARK(BM_BuildMirrorMap)->Arg(256)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_MirrorADabFirstTime(benchmark::State &state)
{
    const int32_t side = int32_t(state.range(0));
    MirrorMap map;
    for (auto _ : state) {
        state.PauseTiming();
        buildMirrorMap(tube().data(), tube().size(), 0.0f, side, side, map);
        state.ResumeTiming();
        int32_t found = 0, mx = 0, my = 0;
        for (int32_t y = side / 4; y < side / 4 + 32; ++y)
            for (int32_t x = side / 8; x < side / 8 + 32; ++x)
                found += mirrorTexelThroughModel(map, x, y, mx, my) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_MirrorADabFirstTime)->Arg(256)->Arg(2048)->Unit(benchmark::kMillisecond);

} // namespace
