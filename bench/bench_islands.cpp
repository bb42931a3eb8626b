// Speed of the texture layout, the paint bucket, the gutter bleed and the UV layout picture on a model of 12,288
// triangles in six islands, and of a bucket fill over a whole plain 2048 x 2048 texture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "paint/bleed.h"
#include "paint/brush.h"
#include "paint/bucket.h"
#include "paint/fill.h"
#include "uv/model_layout.h"
#include "texture/skin_store.h"
#include "uv/uv_layout.h"
#include "uv/uv_raster.h"
#include "tools/island_models.h"

namespace {

const IslandModel &sphere()
{
    static const IslandModel model = makeIslandSphere(32);
    return model;
}

UvLayout sphereLayout(int32_t side)
{
    UvLayout layout;
    buildUvLayout(sphere().triangles.data(), sphere().triangles.size(), side, side, layout);
    return layout;
}

// The island that covers the most texels, and a texel of it (its first triangle's centroid).
void largestIsland(const UvLayout &layout, int32_t &island, int32_t &x, int32_t &y)
{
    size_t most = 0;
    std::vector<uint8_t> mask;
    for (int32_t i = 0; i < layout.islandCount; ++i) {
        maskIslands(layout, &i, 1, mask);
        size_t texels = 0;
        for (uint8_t m : mask)
            texels += m;
        if (texels > most) {
            most = texels;
            island = i;
        }
    }
    const UvTriangle &t = layout.triangles[layout.islandTriangles[layout.islandStart[size_t(island)]]];
    x = int32_t((t.u[0] + t.u[1] + t.u[2]) / 3 * float(layout.width));
    y = int32_t((t.v[0] + t.v[1] + t.v[2]) / 3 * float(layout.height));
}

void BM_BuildUvLayout(benchmark::State &state)
{
    int32_t side = int32_t(state.range(0));
    UvLayout layout;
    for (auto _ : state) {
        buildUvLayout(sphere().triangles.data(), sphere().triangles.size(), side, side, layout);
        benchmark::DoNotOptimize(layout.covered.data());
    }
    state.counters["triangles"] = double(sphere().triangles.size());
}
BENCHMARK(BM_BuildUvLayout)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

// What a click with the bucket costs before painting: the islands under the texel, their mask, the region.
void BM_FillLargestIsland(benchmark::State &state)
{
    int32_t side = int32_t(state.range(0));
    UvLayout layout = sphereLayout(side);
    int32_t island = 0, x = 0, y = 0;
    largestIsland(layout, island, x, y);
    std::vector<uint8_t> bgr(size_t(side) * size_t(side) * 3, 255), mask, filled;
    FillRegion region{};
    for (auto _ : state) {
        std::vector<int32_t> under = islandsAtTexel(layout, x, y);
        maskIslands(layout, under.data(), under.size(), mask);
        region = findFillRegion(bgr.data(), side, side, x, y, mask.data(), true, filled);
        benchmark::DoNotOptimize(filled.data());
    }
    state.counters["texels"] = double(region.texels);
}
BENCHMARK(BM_FillLargestIsland)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_FillWholeTexture(benchmark::State &state)
{
    const int32_t side = 2048;
    std::vector<uint8_t> bgr(size_t(side) * side * 3, 255), filled;
    FillRegion region{};
    for (auto _ : state) {
        region = findFillRegion(bgr.data(), side, side, 1000, 1000, nullptr, false, filled);
        benchmark::DoNotOptimize(filled.data());
    }
    state.counters["texels"] = double(region.texels);
}
BENCHMARK(BM_FillWholeTexture)->Unit(benchmark::kMillisecond);

// The bleed that follows painting the largest island's fill.
void BM_BleedAfterFill(benchmark::State &state)
{
    int32_t side = int32_t(state.range(0));
    UvLayout layout = sphereLayout(side);
    int32_t island = 0, x = 0, y = 0;
    largestIsland(layout, island, x, y);
    std::vector<uint8_t> bgr(size_t(side) * size_t(side) * 3, 255), mask, filled;
    maskIslands(layout, &island, 1, mask);
    FillRegion region = findFillRegion(bgr.data(), side, side, x, y, mask.data(), true, filled);
    for (size_t i = 0; i < filled.size(); ++i)
        if (filled[i])
            bgr[i * 3] = 0;
    for (auto _ : state) {
        SkinRect changed = bleedAroundMask(layout, bgr.data(), filled.data(), region.rect);
        benchmark::DoNotOptimize(changed);
    }
}
BENCHMARK(BM_BleedAfterFill)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

// A 32 x 32 dab on the largest island's edge, given as a list, as painting on the model hands it over.
void BM_BleedAfterDab(benchmark::State &state)
{
    UvLayout layout = sphereLayout(1024);
    int32_t island = 0, x = 0, y = 0;
    largestIsland(layout, island, x, y);
    const UvTriangle &t = layout.triangles[layout.islandTriangles[layout.islandStart[size_t(island)]]];
    int32_t cx = int32_t(t.u[0] * 1024), cy = int32_t(t.v[0] * 1024);
    std::vector<uint8_t> bgr(size_t(1024) * 1024 * 3, 255);
    std::vector<uint32_t> dab;
    for (int32_t dy = -16; dy < 16; ++dy)
        for (int32_t dx = -16; dx < 16; ++dx) {
            uint32_t at = uint32_t((cy + dy) * 1024 + cx + dx);
            if (layout.covered[at]) {
                dab.push_back(at);
                bgr[size_t(at) * 3] = 0;
            }
        }
    for (auto _ : state) {
        SkinRect changed = bleedAroundTexels(layout, bgr.data(), dab.data(), dab.size());
        benchmark::DoNotOptimize(changed);
    }
    state.counters["texels"] = double(dab.size());
}
BENCHMARK(BM_BleedAfterDab)->Unit(benchmark::kMicrosecond);

// A click with the bucket from start to end: the island under the texel, the region, the paint, the bleed and the
// copies, on a white texture each time (the undo step around it is not counted).
void BM_BucketFillLargestIsland(benchmark::State &state)
{
    int32_t side = int32_t(state.range(0));
    resizeSkinStore(side, side);
    modelLayout = sphereLayout(side);
    resetBrushSettings();
    int32_t island = 0, x = 0, y = 0;
    largestIsland(modelLayout, island, x, y);
    const TexelPoint seed = {x, y};
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(skinBase, skinBase + skinByteCount(), uint8_t(255));
        state.ResumeTiming();
        SkinRect changed = fillFromSeeds(DabKind::pen, &seed, 1, false, 0);
        benchmark::DoNotOptimize(changed);
    }
    modelLayout = UvLayout();
}
BENCHMARK(BM_BucketFillLargestIsland)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

} // namespace

// "Export UV Layout...": the anti-aliased grid of the sphere's 12,288 triangles at the texture's size.
void BM_RasterUvLayout(benchmark::State &state)
{
    const int32_t side = int32_t(state.range(0));
    std::vector<float> corners;
    for (const UvTriangle &t : sphere().triangles)
        for (int c = 0; c < 3; ++c) {
            corners.push_back(t.u[c]);
            corners.push_back(t.v[c]);
        }
    for (auto _ : state)
        benchmark::DoNotOptimize(rasterUvLayout(corners.data(), corners.size() / 6, side, side).data());
}
BENCHMARK(BM_RasterUvLayout)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
