// Speed of the layer stack at the largest texture: composing a dab's rectangle with 16 layers, choosing another
// active layer, and an .ora of 8 layers written and read.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "picture/ora.h"
#include "texture/layers.h"

namespace {

const int32_t SIDE = 2048;

// Layers as painters leave them: broad strokes of paint, partly transparent, with empty parts between.
void paintLayer(Layer &layer, uint32_t seed)
{
    uint32_t noise = seed * 2654435761u + 1;
    for (size_t y = 0; y < size_t(SIDE); ++y)
        for (size_t x = 0; x < size_t(SIDE); ++x) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            uint8_t *p = &layer.pixels[(y * SIDE + x) * 4];
            const bool painted = ((x / 256 + y / 256 + seed) % 3) != 0;
            p[0] = uint8_t(x / 8 + (noise & 7));
            p[1] = uint8_t(y / 8 + seed * 16);
            p[2] = uint8_t((x + y) / 16 + ((noise >> 6) & 7));
            p[3] = painted ? uint8_t(160 + (noise >> 9) % 64) : 0;
        }
}

LayerStack &paintedStack(size_t count)
{
    static LayerStack stack;
    if (stack.layers.size() != count) {
        resetLayers(stack, SIDE, SIDE, nullptr);
        while (stack.layers.size() < count) {
            newLayer(stack);
            Layer &layer = stack.layers[stack.active];
            layer.mode = static_cast<BlendMode>(stack.layers.size() % BLEND_MODE_COUNT);
            layer.opacity = 70;
            paintLayer(layer, uint32_t(stack.layers.size()));
        }
    }
    return stack;
}

// A 32 x 32 dab's rectangle on the middle layer of 16.
void BM_ComposeDab16Layers(benchmark::State &state)
{
    LayerStack &stack = paintedStack(16);
    setActiveLayer(stack, 8);
    std::vector<uint8_t> picture(size_t(SIDE) * SIDE * 3);
    composeLayers(stack, SkinRect{0, 0, SIDE - 1, SIDE - 1}, picture.data());
    int32_t x = 0;
    for (auto _ : state) {
        x = (x + 37) % (SIDE - 32);
        composeLayers(stack, SkinRect{x, x, x + 31, x + 31}, picture.data());
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(BM_ComposeDab16Layers)->Unit(benchmark::kMicrosecond);

// Another active layer and the first 32 x 32 dab on it: the cache is built again where the dab lands.
void BM_ChangeActiveLayer16(benchmark::State &state)
{
    LayerStack &stack = paintedStack(16);
    std::vector<uint8_t> picture(size_t(SIDE) * SIDE * 3);
    size_t active = 3;
    int32_t x = 0;
    for (auto _ : state) {
        active = active == 3 ? 12 : 3;
        x = (x + 613) % (SIDE - 32);
        setActiveLayer(stack, active);
        composeLayers(stack, SkinRect{x, x, x + 31, x + 31}, picture.data());
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(BM_ChangeActiveLayer16)->Unit(benchmark::kMillisecond);

// The most a change can cost: the whole picture composed from the cache built again everywhere (what a setting's
// change does, which recomposes the picture).
void BM_ChangeActiveLayerWhole16(benchmark::State &state)
{
    LayerStack &stack = paintedStack(16);
    std::vector<uint8_t> picture(size_t(SIDE) * SIDE * 3);
    size_t active = 3;
    for (auto _ : state) {
        active = active == 3 ? 12 : 3;
        setActiveLayer(stack, active);
        composeLayers(stack, SkinRect{0, 0, SIDE - 1, SIDE - 1}, picture.data());
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(BM_ChangeActiveLayerWhole16)->Unit(benchmark::kMillisecond);

OraImage eightLayers()
{
    LayerStack &stack = paintedStack(8);
    OraImage image;
    image.width = image.height = SIDE;
    for (const Layer &layer : stack.layers)
        image.layers.push_back(OraLayer{layer.name, layer.visible, layer.opacity, layer.mode, layer.pixels});
    return image;
}

void BM_SaveOra8Layers(benchmark::State &state)
{
    const OraImage image = eightLayers();
    const std::vector<uint8_t> merged(size_t(SIDE) * SIDE * 3, 128);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> file = encodeOra(image, merged.data());
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_SaveOra8Layers)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_LoadOra8Layers(benchmark::State &state)
{
    const std::vector<uint8_t> merged(size_t(SIDE) * SIDE * 3, 128);
    static const std::vector<uint8_t> file = encodeOra(eightLayers(), merged.data());
    for (auto _ : state) {
        OraImage image;
        OraStack stack;
        if (decodeOra(file.data(), file.size(), image, stack) != nullptr) {
            state.SkipWithError("the file was refused");
            break;
        }
        benchmark::DoNotOptimize(image.layers.data());
    }
}
BENCHMARK(BM_LoadOra8Layers)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
