// Speed of composing the zoomable skin view, which runs on every pan, zoom and repaint of a dab.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "skin/skin_view_map.h"

namespace {

// A regular mesh of cells * cells squares, two triangles each, over the whole texture: 78 gives 12,168.
std::vector<float> meshTriangles(int cells)
{
    std::vector<float> t;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            float u0 = float(i) / cells, u1 = float(i + 1) / cells, v0 = float(j) / cells, v1 = float(j + 1) / cells;
            t.insert(t.end(), {u0, v0, u1, v0, u1, v1, u0, v0, u1, v1, u0, v1});
        }
    return t;
}

// Arguments: view width, view height, zoom step, mesh cells a side (0: the grid hidden).
void BM_ComposeView(benchmark::State &state)
{
    const int32_t side = 2048;
    std::vector<uint8_t> texture(size_t(side) * side * 3);
    for (size_t i = 0; i < texture.size(); ++i)
        texture[i] = uint8_t(i * 2654435761u >> 24);
    int32_t width = int32_t(state.range(0)), height = int32_t(state.range(1));
    ViewMap map = makeViewMap(side, side, width, height);
    while (map.step != state.range(2))
        zoomViewAt(map, width / 2, height / 2, map.step < state.range(2) ? 1 : -1);
    std::vector<float> triangles = meshTriangles(int(state.range(3)));
    ViewSource source{texture.data(), nullptr, triangles.data(), triangles.size() / 6};
    std::vector<uint32_t> screen(size_t(width) * height);
    for (auto _ : state) {
        composeView(map, source, wholeView(map), screen.data());
        benchmark::ClobberMemory();
    }
    state.counters["triangles"] = double(source.triangleCount);
}
BENCHMARK(BM_ComposeView)
    ->Unit(benchmark::kMicrosecond)
    ->Args({256, 256, 0, 0})
    ->Args({256, 256, 0, 78})
    ->Args({256, 256, ZOOM_STEP_COUNT - 1, 0})
    ->Args({256, 256, ZOOM_STEP_COUNT - 1, 78})
    ->Args({1024, 768, 0, 0})
    ->Args({1024, 768, 0, 78})
    ->Args({1024, 768, ZOOM_STEP_COUNT - 1, 0})
    ->Args({1024, 768, ZOOM_STEP_COUNT - 1, 78});

} // namespace
