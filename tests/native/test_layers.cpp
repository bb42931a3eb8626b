// Tests of the layer stack: each blend mode against its formula, a rectangle composed from the cache equal to
// the plain composition, and the operations on layers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "texture/layers.h"

namespace {

struct BlendCase {
    BlendMode mode;
    uint8_t backdrop, source, alpha, expected;
};

// Expected values worked out by hand from each mode's formula on 0..1 values, rounded to the nearest.
const BlendCase BLEND_CASES[] = {
    {BlendMode::Normal, 100, 200, 255, 200},   {BlendMode::Normal, 100, 200, 128, 150},
    {BlendMode::Multiply, 128, 64, 255, 32},   {BlendMode::Multiply, 255, 77, 255, 77},
    {BlendMode::Multiply, 200, 100, 128, 139}, {BlendMode::Screen, 100, 50, 255, 130},
    {BlendMode::Screen, 0, 0, 255, 0},         {BlendMode::Overlay, 64, 200, 255, 100},
    {BlendMode::Overlay, 192, 100, 255, 178},  {BlendMode::Darken, 90, 60, 255, 60},
    {BlendMode::Darken, 30, 60, 255, 30},      {BlendMode::Lighten, 90, 60, 255, 90},
    {BlendMode::Add, 200, 100, 255, 255},      {BlendMode::Add, 20, 30, 255, 50},
    {BlendMode::Add, 20, 30, 0, 20},
};

TEST(Layers, EachModeMeetsItsFormula)
{
    for (const BlendCase &c : BLEND_CASES)
        EXPECT_EQ(composeChannel(c.mode, c.backdrop, c.source, c.alpha), c.expected)
            << blendModeName(c.mode) << " " << int(c.backdrop) << " " << int(c.source) << " " << int(c.alpha);
    EXPECT_EQ(effectiveAlpha(255, 50), 128);
    EXPECT_EQ(effectiveAlpha(200, 100), 200);
    EXPECT_EQ(effectiveAlpha(200, 0), 0);
}

// A stack of odd size whose layers mix empty, opaque and partly transparent texels in every mode.
LayerStack randomStack(std::mt19937 &random, size_t count)
{
    LayerStack stack;
    EXPECT_TRUE(resetLayers(stack, 13, 11, nullptr));
    for (size_t i = 1; i < count; ++i) {
        EXPECT_EQ(newLayer(stack), nullptr);
        Layer &layer = stack.layers[stack.active];
        layer.mode = static_cast<BlendMode>(random() % BLEND_MODE_COUNT);
        layer.opacity = random() % 3 == 0 ? 100 : int32_t(random() % 101);
        layer.visible = random() % 5 != 0;
        for (size_t t = 0; t < layer.pixels.size(); t += 4) {
            for (int c = 0; c < 3; ++c)
                layer.pixels[t + c] = uint8_t(random());
            const uint32_t kind = random() % 3;
            layer.pixels[t + 3] = kind == 0 ? 0 : kind == 1 ? 255 : uint8_t(random());
        }
    }
    return stack;
}

TEST(Layers, DabbedRectangleComposesAsTheWholeStack)
{
    std::mt19937 random(28);
    for (int round = 0; round < 20; ++round) {
        LayerStack stack = randomStack(random, 2 + random() % 7);
        setActiveLayer(stack, random() % stack.layers.size());
        const size_t bytes = size_t(stack.width) * size_t(stack.height) * 3;
        std::vector<uint8_t> cached(bytes), plain(bytes);
        composeLayers(stack, SkinRect{0, 0, stack.width - 1, stack.height - 1}, cached.data());
        // Dabs on the active layer, each composed alone into the picture kept from before.
        for (int dab = 0; dab < 5; ++dab) {
            const SkinRect r{int32_t(random() % 10), int32_t(random() % 8), 0, 0};
            const SkinRect rect{r.left, r.bottom, r.left + int32_t(random() % 3), r.bottom + int32_t(random() % 3)};
            Layer &active = stack.layers[stack.active];
            for (int32_t y = rect.bottom; y <= rect.top; ++y)
                for (int32_t x = rect.left; x <= rect.right; ++x)
                    for (int c = 0; c < 4; ++c)
                        active.pixels[(size_t(y) * size_t(stack.width) + size_t(x)) * 4 + c] = uint8_t(random());
            composeLayers(stack, rect, cached.data());
        }
        composeLayersPlain(stack, SkinRect{0, 0, stack.width - 1, stack.height - 1}, plain.data());
        ASSERT_EQ(cached, plain) << "round " << round;
        // Each higher layer made active in turn starts from the picture below the one before.
        for (size_t active = stack.active + 1; active < stack.layers.size(); ++active) {
            setActiveLayer(stack, active);
            composeLayers(stack, SkinRect{0, 0, stack.width - 1, stack.height - 1}, cached.data());
            ASSERT_EQ(cached, plain) << "round " << round << " active " << active;
        }
    }
}

TEST(Layers, MergeDownKeepsThePicture)
{
    std::mt19937 random(7);
    LayerStack stack = randomStack(random, 2);
    stack.layers[1].visible = true;
    stack.layers[1].mode = BlendMode::Multiply;
    stack.layers[1].opacity = 60;
    const size_t bytes = size_t(stack.width) * size_t(stack.height) * 3;
    std::vector<uint8_t> before(bytes), after(bytes);
    composeLayersPlain(stack, SkinRect{0, 0, stack.width - 1, stack.height - 1}, before.data());
    ASSERT_TRUE(mergeLayerDown(stack));
    ASSERT_EQ(stack.layers.size(), 1u);
    composeLayersPlain(stack, SkinRect{0, 0, stack.width - 1, stack.height - 1}, after.data());
    EXPECT_EQ(before, after);
    EXPECT_FALSE(mergeLayerDown(stack));
    EXPECT_FALSE(deleteLayer(stack));
}

TEST(Layers, OperationsKeepOrderNamesAndTheLimit)
{
    LayerStack stack;
    ASSERT_TRUE(resetLayers(stack, 9, 8, nullptr));
    EXPECT_EQ(stack.layers[0].name, "Background");
    EXPECT_EQ(stack.layers[0].pixels[3], 255);
    ASSERT_EQ(newLayer(stack), nullptr);
    EXPECT_EQ(stack.layers[1].name, "Layer 2");
    EXPECT_EQ(stack.layers[1].pixels[3], 0);
    ASSERT_EQ(duplicateLayer(stack), nullptr);
    EXPECT_EQ(stack.layers[2].name, "Layer 2 copy");
    EXPECT_EQ(stack.active, 2u);
    EXPECT_FALSE(moveLayer(stack, true));
    EXPECT_TRUE(moveLayer(stack, false));
    EXPECT_EQ(stack.layers[1].name, "Layer 2 copy");
    EXPECT_EQ(stack.active, 1u);
    EXPECT_TRUE(deleteLayer(stack));
    EXPECT_EQ(stack.active, 0u);
    EXPECT_EQ(freshLayerName(stack), "Layer 3");
    while (stack.layers.size() < MAX_LAYERS)
        ASSERT_EQ(newLayer(stack), nullptr);
    EXPECT_EQ(newLayer(stack), MSG_TOO_MANY_LAYERS);
    EXPECT_EQ(stack.layers.size(), size_t(MAX_LAYERS));
}

} // namespace
