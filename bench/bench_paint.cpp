// Speed of the painting kernels that run inside every mouse message of a stroke.
#include <benchmark/benchmark.h>

#include <climits>
#include <vector>

#include "app/state.h"
#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/brush.h"
#include "paint/paint_options.h"
#include "paint/stroke_mask.h"
#include "uv/grid.h"
#include "texture/skin_store.h"

namespace {

void BM_PaintSquare(benchmark::State &state)
{
    initSkinStore();
    int32_t size = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        paintSquare(128, 128, size, 0, 119, 170);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintSquare)->Arg(3)->Arg(7)->Arg(64)->Arg(INT32_MAX);

// A grey pattern, so every byte of the three buffers is really changed (within saturation).
void stampBenchmark(benchmark::State &state, SkinRect (*stamp)(int32_t, int32_t, int32_t))
{
    resetToDefaults();
    initSkinStore();
    int32_t side = static_cast<int32_t>(state.range(0));
    PatternImage image{side, side, std::vector<uint8_t>(static_cast<size_t>(side) * side * 3, 250)};
    installPattern(image);
    int32_t mode = STAMP_DARKEN;
    for (auto _ : state) {
        stamp(128, 128, mode);
        mode = mode == STAMP_DARKEN ? STAMP_BRIGHTEN : STAMP_DARKEN;
        benchmark::ClobberMemory();
    }
    resetPatternStore();
}
void BM_StampPattern(benchmark::State &state)
{
    stampBenchmark(state, stampPattern);
}
BENCHMARK(BM_StampPattern)->Arg(64)->Arg(256);

void BM_StampPatternReference(benchmark::State &state)
{
    stampBenchmark(state, stampPatternReference);
}
BENCHMARK(BM_StampPatternReference)->Arg(64)->Arg(256);

void BM_OverlayGrid(benchmark::State &state)
{
    initSkinStore();
    static const float a[2] = {0.1f, 0.1f}, b[2] = {0.9f, 0.2f}, c[2] = {0.4f, 0.95f};
    TexCoordTriangle t{{a, b, c}};
    const TexCoordTriangle *table[] = {&t};
    drawGridTable(table, 1, gridLayer, skinWidth, skinHeight);
    for (auto _ : state) {
        overlayGrid();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_OverlayGrid);

// The core's share of one mouse message of a stroke with the grid shown: a dab with the default 32 x 32
// pattern brush along a diagonal, then the grid laid back over the texels it painted. (The shell adds the
// upload and blit of those texels.)
void BM_PatternDabWithGrid(benchmark::State &state)
{
    resetToDefaults();
    initSkinStore();
    PatternImage image{32, 32, std::vector<uint8_t>(32 * 32 * 3, 200)};
    installPattern(image);
    static const float a[2] = {0.0f, 0.0f}, b[2] = {1.0f, 0.0f}, c[2] = {0.0f, 1.0f};
    TexCoordTriangle t{{a, b, c}};
    const TexCoordTriangle *table[] = {&t};
    drawGridTable(table, 1, gridLayer, skinWidth, skinHeight);
    uint32_t step = 0;
    for (auto _ : state) {
        uint32_t xy = step++ % 256;
        SkinRect changed;
        paintDab(MOUSE_LBUTTON, TexelPoint{int32_t(xy), int32_t(255 - xy)}, true, &changed);
        overlayGridRect(changed);
        benchmark::ClobberMemory();
    }
    resetPatternStore();
}
BENCHMARK(BM_PatternDabWithGrid);

// A soft round dab through the stroke mask on a 2048 x 2048 texture, each one the first of its stroke (the mask's
// tiles made afresh), at a centre between texel centres: size 64 (target: under 30 us) and size 500 (under 2 ms).
void BM_SoftRoundDab(benchmark::State &state)
{
    resetToDefaults();
    resizeSkinStore(2048, 2048);
    paintOptions.brushShape = BrushShape::round;
    paintOptions.hardness = 50;
    paintOptions.opacity = 50;
    brushSettings.penSize = static_cast<int32_t>(state.range(0));
    double x = 700.25;
    for (auto _ : state) {
        beginStrokeMask();
        paintTipAt(DabKind::pen, BrushPoint{x, 1024.75}, false);
        x = x < 1300 ? x + 3.5 : 700.25;
        benchmark::ClobberMemory();
    }
    endStrokeMask();
    initSkinStore();
}
BENCHMARK(BM_SoftRoundDab)->Arg(64)->Arg(500)->Unit(benchmark::kMicrosecond);

} // namespace
