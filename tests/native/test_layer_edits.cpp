// Tests of the texture as its layers: painting the active one, the eraser above the bottom, undo of strokes and of
// every layer operation, a load's step, the stack's OpenRaster file and whether a flat picture holds it.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/state.h"
#include "paint/brush.h"
#include "paint/stroke.h"
#include "paint/stroke_mask.h"
#include "texture/active_layer.h"
#include "texture/history.h"
#include "texture/layer_edits.h"
#include "texture/layer_files.h"
#include "tests/native/start_texture.h"

namespace {

size_t progressTold;

void countProgress(size_t done, size_t total)
{
    EXPECT_LT(done, total) << "the merged picture and the thumbnail come after the layers";
    progressTold = done;
}

class LayerEdits : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
    }

    // One stroke of one dab at texel (x, y), kept as an undo step.
    static void dab(uint32_t button, int32_t x, int32_t y)
    {
        strokeMessage(StrokeEvent::buttonDown, button, TexelPoint{x, y}, false, false);
        strokeMessage(StrokeEvent::buttonUp, 0, TexelPoint{x, y}, false, false);
    }

    static std::vector<uint8_t> composite() { return std::vector<uint8_t>(skinBase, skinBase + SKIN_BYTES); }

    static std::vector<uint8_t> plain()
    {
        std::vector<uint8_t> out(SKIN_BYTES);
        composeLayersPlain(layerStack, allTexels(), out.data());
        return out;
    }

    static const uint8_t *texel(int32_t x, int32_t y) { return skinBase + texelOffset(x, y); }
};

TEST_F(LayerEdits, StrokesLandOnTheActiveLayerAndTheEraserClearsOnlyAboveTheBottom)
{
    brushSettings.penColor[0] = 200, brushSettings.penColor[1] = 0, brushSettings.penColor[2] = 0;
    dab(MOUSE_LBUTTON, 10, 10);
    ASSERT_EQ(nullptr, addLayerEdit());
    brushSettings.penColor[0] = 0, brushSettings.penColor[2] = 200;
    dab(MOUSE_LBUTTON, 11, 10);
    ASSERT_EQ(2u, layerStack.layers.size());
    EXPECT_EQ(255, layerStack.layers[1].pixels[(10 * SKIN_SIDE + 11) * 4 + 3]);
    EXPECT_EQ(0, layerStack.layers[1].pixels[(10 * SKIN_SIDE + 30) * 4 + 3]) << "the new layer is clear elsewhere";
    EXPECT_EQ(200, texel(11, 10)[0]) << "the upper layer's blue shows";
    EXPECT_EQ(plain(), composite());
    dab(MOUSE_RBUTTON, 11, 10);   // the eraser, 7 wide, on the upper layer
    EXPECT_EQ(200, texel(11, 10)[2]) << "the lower layer's red shows again";
    EXPECT_EQ(0, texel(11, 10)[0]);
    EXPECT_EQ(255, texel(12, 10)[0]) << "white where neither layer holds paint";
    setActiveLayer(layerStack, 0);
    dab(MOUSE_RBUTTON, 10, 10);
    EXPECT_EQ(255, layerStack.layers[0].pixels[(10 * SKIN_SIDE + 10) * 4 + 3]) << "the bottom stays opaque";
    EXPECT_EQ(255, texel(10, 10)[2]);
    EXPECT_EQ(255, texel(10, 10)[0]);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(undoStep().changed.right >= 0);
    EXPECT_EQ(200, texel(11, 10)[0]) << "undo reaches the strokes on either layer";
    EXPECT_EQ(200, texel(9, 10)[2]);
    EXPECT_EQ(plain(), composite());
}

TEST_F(LayerEdits, TheMixerCoversClearTexelsAndItsEraserTakesItsShareOfThePaintAway)
{
    addLayerEdit();
    const uint8_t red[3] = {200, 0, 0};
    beginStrokeMask();
    mixStrokeTexel(5, 5, 1.0f, red, 50);
    endStrokeMask();
    const uint8_t *t = paintTexel(5, 5);
    EXPECT_TRUE(t[3] == 128 && t[2] == 200 && t[0] == 0) << "half covered, in the pen's own colour";
    beginStrokeMask();
    mixStrokeTexel(5, 5, 1.0f, brushSettings.eraserColor, 50, true);
    endStrokeMask();
    EXPECT_TRUE(t[3] == 64 && t[2] == 200) << "half the paint taken away, its colour kept";
}

TEST_F(LayerEdits, EveryLayerOperationIsOneStepThatUndoesAndRedoesExactly)
{
    dab(MOUSE_LBUTTON, 20, 20);
    ASSERT_EQ(nullptr, duplicateLayerEdit());
    brushSettings.penColor[1] = 250;
    dab(MOUSE_LBUTTON, 22, 20);
    const std::function<bool()> edits[] = {
        [] { return addLayerEdit() == nullptr; },
        [] { return duplicateLayerEdit() == nullptr; },
        [] { return deleteLayerEdit(); },
        [] { return moveLayerEdit(false); },
        [] { return mergeDownEdit(); },
        [] { return renameLayerEdit(1, "shading"); },
        [] { return showLayerEdit(1, false); },
        [] { return layerModeEdit(1, BlendMode::Multiply); },
        [] { return layerOpacityEdit(1, 40) && endOpacityDrag(); },
    };
    for (size_t e = 0; e < sizeof edits / sizeof *edits; ++e) {
        const LayerStack before = layerStack;
        const std::vector<uint8_t> picture = composite();
        ASSERT_TRUE(edits[e]()) << e;
        EXPECT_TRUE(canUndo() && !canRedo()) << e;
        EXPECT_EQ(plain(), composite()) << e;
        const LayerStack after = layerStack;
        undoStep();
        ASSERT_EQ(before.layers.size(), layerStack.layers.size()) << e;
        EXPECT_EQ(before.active, layerStack.active) << e;
        for (size_t i = 0; i < before.layers.size(); ++i) {
            const Layer &a = before.layers[i], &b = layerStack.layers[i];
            EXPECT_TRUE(a.name == b.name && a.visible == b.visible && a.opacity == b.opacity && a.mode == b.mode &&
                        a.pixels == b.pixels)
                << e << " layer " << i;
        }
        EXPECT_EQ(picture, composite()) << e;
        redoStep();
        EXPECT_EQ(after.layers.size(), layerStack.layers.size()) << e;
        EXPECT_EQ(plain(), composite()) << e;
        undoStep();
    }
}

TEST_F(LayerEdits, TheLastLayerCannotGoAndTheBottomCannotMergeOrMoveDown)
{
    paintLayer();
    EXPECT_FALSE(deleteLayerEdit());
    EXPECT_FALSE(mergeDownEdit());
    EXPECT_FALSE(moveLayerEdit(false));
    EXPECT_FALSE(moveLayerEdit(true));
    EXPECT_EQ(0u, historySteps());
}

TEST_F(LayerEdits, AnOpacityDragIsOneStepFromWhereItStarted)
{
    addLayerEdit();
    dab(MOUSE_LBUTTON, 5, 5);
    const size_t steps = historySteps();
    for (int opacity : {90, 70, 50})
        ASSERT_TRUE(layerOpacityEdit(1, opacity));
    EXPECT_EQ(steps, historySteps()) << "nothing kept while the drag goes on";
    ASSERT_TRUE(endOpacityDrag());
    EXPECT_EQ(steps + 1, historySteps());
    undoStep();
    EXPECT_EQ(100, layerStack.layers[1].opacity);
}

TEST_F(LayerEdits, AStackStepBringsBackTheWholeStackAtItsSize)
{
    addLayerEdit();
    dab(MOUSE_LBUTTON, 5, 5);
    const std::vector<uint8_t> picture = composite();
    LayerStack loaded;
    std::vector<uint8_t> grey(64 * 32 * 3, 90);
    ASSERT_TRUE(resetLayers(loaded, 64, 32, grey.data()));
    ASSERT_TRUE(swapLayerStack(loaded));
    keepStackStep(std::move(loaded));
    EXPECT_EQ(64, skinWidth);
    EXPECT_EQ(90, skinBase[0]);
    undoStep();
    ASSERT_EQ(SKIN_SIDE, skinWidth);
    EXPECT_EQ(2u, layerStack.layers.size());
    EXPECT_EQ(picture, composite());
}

TEST_F(LayerEdits, TheStackSurvivesItsOpenRasterFileAndOnlyAPlainOneIsFlat)
{
    paintLayer();
    EXPECT_TRUE(isFlatStack(layerStack));
    addLayerEdit();
    dab(MOUSE_LBUTTON, 40, 50);
    layerModeEdit(1, BlendMode::Screen);
    layerOpacityEdit(1, 60);
    endOpacityDrag();
    EXPECT_FALSE(isFlatStack(layerStack));
    const std::vector<uint8_t> file = encodeLayerStack(layerStack, skinBase, countProgress);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(2u, progressTold) << "told after each layer";
    ASSERT_EQ(size_t{SKIN_PIXELS} * 4, layerStack.layers[1].pixels.size()) << "the layers are back after the save";
    OraImage image;
    OraStack stack;
    ASSERT_EQ(nullptr, decodeOra(file.data(), file.size(), image, stack));
    LayerStack read;
    layerStackFromOra(std::move(image), read);
    ASSERT_EQ(2u, read.layers.size());
    EXPECT_EQ(1u, read.active);
    for (size_t i = 0; i < 2; ++i) {
        const Layer &a = layerStack.layers[i], &b = read.layers[i];
        EXPECT_TRUE(a.name == b.name && a.opacity == b.opacity && a.mode == b.mode && a.pixels == b.pixels) << i;
    }
}

} // namespace
