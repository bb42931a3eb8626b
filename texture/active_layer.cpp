// The layer the painters write (the active one), the eraser's meaning on it, and the composite brought up to date
// in skinBase after they wrote.
#include "texture/active_layer.h"

#include <utility>

Layer &paintLayer()
{
    if (layerStack.layers.empty() || layerStack.width != skinWidth || layerStack.height != skinHeight)
        resetLayers(layerStack, skinWidth, skinHeight, skinBase);
    return layerStack.layers[layerStack.active];
}

uint8_t *paintTexel(int32_t x, int32_t y)
{
    const size_t t = static_cast<size_t>(y) * static_cast<size_t>(skinWidth) + static_cast<size_t>(x);
    return paintLayer().pixels.data() + t * LAYER_TEXEL_BYTES;
}

bool eraserClears()
{
    return layerStack.active > 0;
}

void eraseTexel(uint8_t *texel, const uint8_t eraserRgb[3])
{
    if (eraserClears())
        texel[3] = 0;
    else
        putColour(texel, eraserRgb);
}

void tintTexel(uint8_t *texel, const uint8_t *brush, bool dark, bool clears)
{
    int most = 0;
    for (int k = 0; k < 3; ++k)
        most = brush[k] < 255 - most ? 255 - brush[k] : most;
    if (most == 0)
        return;
    if (dark && texel[3] == 0)
        texel[0] = texel[1] = texel[2] = 255;
    for (int k = 0; k < 3; ++k) {
        const int amount = 255 - brush[k];
        const int value = dark ? texel[k] - amount : texel[k] + amount;
        texel[k] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
    if (dark)
        texel[3] = 255;
    else if (clears)
        texel[3] = static_cast<uint8_t>(texel[3] > most ? texel[3] - most : 0);
}

void showLayersIn(const SkinRect &area)
{
    const SkinRect r = clipToSkin(area);
    if (isEmptyRect(r))
        return;
    paintLayer();
    composeLayers(layerStack, r, skinBase);
    updateSkinCopies(r);
}

uint32_t layersRevision;

void showAllLayers()
{
    ++layersRevision;
    showLayersIn(allTexels());
}

bool resetTextureLayers(int32_t width, int32_t height, const uint8_t *bgr)
{
    LayerStack stack;
    if (!resetLayers(stack, width, height, bgr))
        return false;
    return swapLayerStack(stack);
}

bool swapLayerStack(LayerStack &stack)
{
    if ((stack.width != skinWidth || stack.height != skinHeight) && !resizeSkinStore(stack.width, stack.height))
        return false;
    std::swap(layerStack.layers, stack.layers);
    std::swap(layerStack.width, stack.width);
    std::swap(layerStack.height, stack.height);
    std::swap(layerStack.active, stack.active);
    layerStack.cache = LayerCache();
    stack.cache = LayerCache();
    showAllLayers();
    return true;
}
