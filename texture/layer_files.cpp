// The layer stack as an OpenRaster file and back, and whether a flat picture holds a stack without loss.
#include "texture/layer_files.h"

#include <utility>

std::vector<uint8_t> encodeLayerStack(LayerStack &stack, const uint8_t *compositeBgr, OraProgress progress)
{
    // The pixels move to the writer's image and back: a stack of 2048 x 2048 layers is not copied to be saved.
    OraImage image;
    image.width = stack.width;
    image.height = stack.height;
    for (Layer &layer : stack.layers)
        image.layers.push_back(OraLayer{layer.name, layer.visible, layer.opacity, layer.mode, std::move(layer.pixels)});
    std::vector<uint8_t> file = encodeOra(image, compositeBgr, progress);
    for (size_t i = 0; i < stack.layers.size(); ++i)
        stack.layers[i].pixels = std::move(image.layers[i].pixels);
    return file;
}

void layerStackFromOra(OraImage &&image, LayerStack &stack)
{
    stack = LayerStack();
    stack.width = image.width;
    stack.height = image.height;
    for (OraLayer &layer : image.layers)
        stack.layers.push_back(Layer{std::move(layer.name), layer.visible, layer.opacity, layer.mode,
                                     std::move(layer.pixels)});
    stack.active = stack.layers.empty() ? 0 : stack.layers.size() - 1;
}

bool isFlatStack(const LayerStack &stack)
{
    if (stack.layers.size() != 1)
        return false;
    const Layer &layer = stack.layers[0];
    if (!layer.visible || layer.opacity != 100 || layer.mode != BlendMode::Normal)
        return false;
    for (size_t t = 3; t < layer.pixels.size(); t += 4)
        if (layer.pixels[t] != 255)
            return false;
    return true;
}
