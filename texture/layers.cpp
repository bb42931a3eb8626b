// The texture as a stack of layers, each at the texture's size with alpha, a name, visibility, opacity and a
// blend mode; their composition over white, of the whole picture or of one rectangle from cached parts.
#include "texture/layers.h"

#include <algorithm>
#include <new>
#include <utility>

const char *const MSG_NO_LAYER_MEMORY = "Not enough memory for another layer";
const char *const MSG_TOO_MANY_LAYERS = "A texture holds at most 64 layers";

LayerStack layerStack;

namespace {

size_t texelCount(const LayerStack &stack)
{
    return static_cast<size_t>(stack.width) * static_cast<size_t>(stack.height);
}

uint8_t opacityByte(int32_t opacity)
{
    const int32_t clamped = opacity < 0 ? 0 : opacity > 100 ? 100 : opacity;
    return static_cast<uint8_t>((clamped * 255 + 50) / 100);
}

bool shows(const Layer &layer)
{
    return layer.visible && layer.opacity > 0;
}

// Lays one layer's texel over a blue-green-red texel.
inline void composeTexel(const Layer &layer, uint8_t opacity, size_t texel, uint8_t *bgr)
{
    const uint8_t *src = layer.pixels.data() + texel * 4;
    const uint8_t alpha = static_cast<uint8_t>((src[3] * opacity + 127) / 255);
    if (alpha == 0)
        return;
    for (int c = 0; c < 3; ++c)
        bgr[c] = composeChannel(layer.mode, bgr[c], src[c], alpha);
}

// Lays a whole layer over a blue-green-red picture, the mode chosen once for all its texels.
template <BlendMode MODE>
void composeWholeLayer(const Layer &layer, uint8_t opacity, size_t texels, uint8_t *bgr)
{
    const uint8_t *src = layer.pixels.data();
    for (size_t t = 0; t < texels; ++t, src += 4, bgr += 3) {
        const int alpha = (src[3] * opacity + 127) / 255;
        if (alpha == 0)
            continue;
        for (int c = 0; c < 3; ++c) {
            const int blended = MODE == BlendMode::Normal ? src[c] : blendChannel(MODE, bgr[c], src[c]);
            bgr[c] = static_cast<uint8_t>((bgr[c] * (255 - alpha) + blended * alpha + 127) / 255);
        }
    }
}

void composeWholeLayer(const Layer &layer, size_t texels, uint8_t *bgr)
{
    const uint8_t opacity = opacityByte(layer.opacity);
    switch (layer.mode) {
    case BlendMode::Normal: composeWholeLayer<BlendMode::Normal>(layer, opacity, texels, bgr); break;
    case BlendMode::Multiply: composeWholeLayer<BlendMode::Multiply>(layer, opacity, texels, bgr); break;
    case BlendMode::Screen: composeWholeLayer<BlendMode::Screen>(layer, opacity, texels, bgr); break;
    case BlendMode::Overlay: composeWholeLayer<BlendMode::Overlay>(layer, opacity, texels, bgr); break;
    case BlendMode::Darken: composeWholeLayer<BlendMode::Darken>(layer, opacity, texels, bgr); break;
    case BlendMode::Lighten: composeWholeLayer<BlendMode::Lighten>(layer, opacity, texels, bgr); break;
    case BlendMode::Add: composeWholeLayer<BlendMode::Add>(layer, opacity, texels, bgr); break;
    }
}

// Fills the cache for the active layer: the picture below it, then for the layers above, from the top down,
// which texels a layer covers and which layers show at the others.
void buildLayerCache(LayerStack &stack)
{
    LayerCache &cache = stack.cache;
    const size_t texels = texelCount(stack);
    if (!cache.belowValid || cache.belowOf > stack.active) {
        cache.below.assign(texels * 3, 255);
        cache.belowOf = 0;
    }
    for (size_t i = cache.belowOf; i < stack.active; ++i)
        if (shows(stack.layers[i]))
            composeWholeLayer(stack.layers[i], texels, cache.below.data());
    cache.belowOf = stack.active;
    cache.belowValid = true;
    cache.covered.assign(texels, 0);
    cache.aboveMask.assign(texels, 0);
    cache.aboveColour.assign(texels * 3, 255);
    uint8_t *covered = cache.covered.data();
    uint64_t *mask = cache.aboveMask.data();
    for (size_t i = stack.layers.size(); i-- > stack.active + 1;) {
        const Layer &layer = stack.layers[i];
        if (!shows(layer))
            continue;
        const bool canCover = layer.mode == BlendMode::Normal && layer.opacity >= 100;
        const uint8_t *pixels = layer.pixels.data();
        for (size_t t = 0; t < texels; ++t) {
            const uint8_t alpha = pixels[t * 4 + 3];
            if (covered[t] || alpha == 0)
                continue;
            if (!canCover || alpha != 255) {
                mask[t] |= uint64_t{1} << i;
                continue;
            }
            covered[t] = 1;
            std::copy_n(pixels + t * 4, 3, cache.aboveColour.data() + t * 3);
            // The layers that show above it (their bits set so far) give the colour once and for all.
            for (uint64_t bits = mask[t]; bits != 0; bits &= bits - 1) {
                const Layer &over = stack.layers[static_cast<size_t>(__builtin_ctzll(bits))];
                composeTexel(over, opacityByte(over.opacity), t, cache.aboveColour.data() + t * 3);
            }
            mask[t] = 0;
        }
    }
    cache.valid = true;
}

// Places a new layer above the active one and makes it active.
const char *insertAboveActive(LayerStack &stack, Layer &&layer)
{
    try {
        stack.layers.insert(stack.layers.begin() + static_cast<std::ptrdiff_t>(stack.active + 1), std::move(layer));
    } catch (const std::bad_alloc &) {
        return MSG_NO_LAYER_MEMORY;
    }
    stack.active += 1;
    invalidateLayerCache(stack);
    return nullptr;
}

// An empty layer's pixels, or a copy's, or the message when they cannot be had.
const char *allocateLayer(const LayerStack &stack, const std::vector<uint8_t> *copyOf, Layer &layer)
{
    if (const char *refusal = roomForLayer(stack))
        return refusal;
    try {
        if (copyOf != nullptr)
            layer.pixels = *copyOf;
        else
            layer.pixels.assign(texelCount(stack) * 4, 0);
    } catch (const std::bad_alloc &) {
        return MSG_NO_LAYER_MEMORY;
    }
    return nullptr;
}

} // namespace

uint8_t effectiveAlpha(uint8_t alpha, int32_t opacity)
{
    return static_cast<uint8_t>((alpha * opacityByte(opacity) + 127) / 255);
}

uint8_t blendChannel(BlendMode mode, uint8_t backdrop, uint8_t source)
{
    const int b = backdrop, s = source;
    switch (mode) {
    case BlendMode::Normal:
        return source;
    case BlendMode::Multiply:
        return static_cast<uint8_t>((b * s + 127) / 255);
    case BlendMode::Screen:
        return static_cast<uint8_t>(b + s - (b * s + 127) / 255);
    case BlendMode::Overlay:
        // Multiply where the backdrop is dark, screen where it is light, each over twice the distance.
        return static_cast<uint8_t>(b < 128 ? (2 * b * s + 127) / 255 : 255 - (2 * (255 - b) * (255 - s) + 127) / 255);
    case BlendMode::Darken:
        return std::min(backdrop, source);
    case BlendMode::Lighten:
        return std::max(backdrop, source);
    case BlendMode::Add:
        return static_cast<uint8_t>(std::min(255, b + s));
    }
    return source;
}

uint8_t composeChannel(BlendMode mode, uint8_t backdrop, uint8_t source, uint8_t alpha)
{
    const int blended = mode == BlendMode::Normal ? source : blendChannel(mode, backdrop, source);
    return static_cast<uint8_t>((backdrop * (255 - alpha) + blended * alpha + 127) / 255);
}

size_t layerStackBytes(const LayerStack &stack)
{
    size_t bytes = 0;
    for (const Layer &layer : stack.layers)
        bytes += layer.pixels.size();
    return bytes;
}

const char *roomForLayer(const LayerStack &stack)
{
    if (stack.layers.size() >= MAX_LAYERS)
        return MSG_TOO_MANY_LAYERS;
    const size_t used = layerStackBytes(stack);
    return used > LAYER_STACK_BUDGET || LAYER_STACK_BUDGET - used < texelCount(stack) * 4 ? MSG_NO_LAYER_MEMORY
                                                                                          : nullptr;
}

bool resetLayers(LayerStack &stack, int32_t width, int32_t height, const uint8_t *bgr)
{
    if (width <= 0 || height <= 0)
        return false;
    Layer background;
    background.name = "Background";
    const size_t texels = static_cast<size_t>(width) * static_cast<size_t>(height);
    try {
        background.pixels.assign(texels * 4, 255);
        if (bgr != nullptr)
            for (size_t t = 0; t < texels; ++t)
                std::copy_n(bgr + t * 3, 3, background.pixels.data() + t * 4);
        std::vector<Layer> layers;
        layers.push_back(std::move(background));
        stack.layers.swap(layers);
    } catch (const std::bad_alloc &) {
        return false;
    }
    stack.width = width;
    stack.height = height;
    stack.active = 0;
    stack.cache = LayerCache();
    return true;
}

std::string freshLayerName(const LayerStack &stack)
{
    for (size_t n = stack.layers.size() + 1;; ++n) {
        std::string name = "Layer " + std::to_string(n);
        if (std::none_of(stack.layers.begin(), stack.layers.end(), [&](const Layer &l) { return l.name == name; }))
            return name;
    }
}

const char *newLayer(LayerStack &stack)
{
    Layer layer;
    layer.name = freshLayerName(stack);
    if (const char *refusal = allocateLayer(stack, nullptr, layer))
        return refusal;
    return insertAboveActive(stack, std::move(layer));
}

const char *duplicateLayer(LayerStack &stack)
{
    const Layer &original = stack.layers[stack.active];
    Layer copy;
    copy.name = original.name + " copy";
    copy.visible = original.visible;
    copy.opacity = original.opacity;
    copy.mode = original.mode;
    if (const char *refusal = allocateLayer(stack, &original.pixels, copy))
        return refusal;
    return insertAboveActive(stack, std::move(copy));
}

bool deleteLayer(LayerStack &stack)
{
    if (stack.layers.size() <= 1)
        return false;
    stack.layers.erase(stack.layers.begin() + static_cast<std::ptrdiff_t>(stack.active));
    if (stack.active > 0)
        stack.active -= 1;
    invalidateLayerCache(stack);
    return true;
}

bool moveLayer(LayerStack &stack, bool up)
{
    const size_t other = up ? stack.active + 1 : stack.active - 1;
    if (up ? other >= stack.layers.size() : stack.active == 0)
        return false;
    std::swap(stack.layers[stack.active], stack.layers[other]);
    stack.active = other;
    invalidateLayerCache(stack);
    return true;
}

bool mergeLayerDown(LayerStack &stack)
{
    if (stack.active == 0)
        return false;
    const Layer &upper = stack.layers[stack.active];
    Layer &lower = stack.layers[stack.active - 1];
    const uint8_t opacity = shows(upper) ? opacityByte(upper.opacity) : 0;
    const size_t texels = texelCount(stack);
    for (size_t t = 0; opacity > 0 && t < texels; ++t) {
        const uint8_t *s = upper.pixels.data() + t * 4;
        uint8_t *d = lower.pixels.data() + t * 4;
        const int sa = (s[3] * opacity + 127) / 255, da = d[3];
        if (sa == 0)
            continue;
        // The source over the lower layer's own transparency: where the lower layer is empty the upper colour
        // stands alone, where it is opaque the mode applies as in the composition.
        const int outAlpha255 = sa * 255 + da * (255 - sa); // alpha times 255
        for (int c = 0; c < 3; ++c) {
            const int mixed = (s[c] * (255 - da) + blendChannel(upper.mode, d[c], s[c]) * da + 127) / 255;
            const int weighted = mixed * sa * 255 + d[c] * da * (255 - sa);
            d[c] = static_cast<uint8_t>((weighted + outAlpha255 / 2) / outAlpha255);
        }
        d[3] = static_cast<uint8_t>((outAlpha255 + 127) / 255);
    }
    stack.layers.erase(stack.layers.begin() + static_cast<std::ptrdiff_t>(stack.active));
    stack.active -= 1;
    invalidateLayerCache(stack);
    return true;
}

void setActiveLayer(LayerStack &stack, size_t index)
{
    if (index >= stack.layers.size() || index == stack.active)
        return;
    // The layers below the old active one are unchanged: a higher layer's picture below starts from theirs.
    const bool keepBelow = stack.cache.belowValid && stack.cache.belowOf == stack.active && index > stack.active;
    stack.active = index;
    invalidateLayerCache(stack);
    stack.cache.belowValid = keepBelow;
}

void invalidateLayerCache(LayerStack &stack)
{
    stack.cache.valid = false;
    stack.cache.belowValid = false;
}

void composeLayers(LayerStack &stack, const SkinRect &r, uint8_t *bgr)
{
    if (stack.layers.empty() || isEmptyRect(r))
        return;
    if (!stack.cache.valid)
        buildLayerCache(stack);
    const LayerCache &cache = stack.cache;
    // What each layer's texels need, looked up once for the rectangle rather than at every texel.
    const uint8_t *pixels[MAX_LAYERS];
    uint8_t opacity[MAX_LAYERS];
    BlendMode mode[MAX_LAYERS];
    for (size_t i = 0; i < stack.layers.size() && i < MAX_LAYERS; ++i) {
        pixels[i] = stack.layers[i].pixels.data();
        opacity[i] = shows(stack.layers[i]) ? opacityByte(stack.layers[i].opacity) : 0;
        mode[i] = stack.layers[i].mode;
    }
    const size_t active = stack.active;
    const uint64_t activeBit = opacity[active] > 0 ? uint64_t{1} << active : 0;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        size_t t = static_cast<size_t>(y) * static_cast<size_t>(stack.width) + static_cast<size_t>(r.left);
        for (int32_t x = r.left; x <= r.right; ++x, ++t) {
            uint8_t *out = bgr + t * 3;
            if (cache.covered[t]) {
                std::copy_n(cache.aboveColour.data() + t * 3, 3, out);
                continue;
            }
            std::copy_n(cache.below.data() + t * 3, 3, out);
            // The active layer lies below every layer of the mask, so it comes first in the walk up.
            for (uint64_t bits = cache.aboveMask[t] | activeBit; bits != 0; bits &= bits - 1) {
                const size_t i = static_cast<size_t>(__builtin_ctzll(bits));
                const uint8_t *src = pixels[i] + t * 4;
                const uint8_t alpha = static_cast<uint8_t>((src[3] * opacity[i] + 127) / 255);
                if (alpha == 0)
                    continue;
                if (mode[i] == BlendMode::Normal) {
                    for (int c = 0; c < 3; ++c)
                        out[c] = static_cast<uint8_t>((out[c] * (255 - alpha) + src[c] * alpha + 127) / 255);
                } else {
                    for (int c = 0; c < 3; ++c)
                        out[c] = composeChannel(mode[i], out[c], src[c], alpha);
                }
            }
        }
    }
}

void composeLayersPlain(const LayerStack &stack, const SkinRect &r, uint8_t *bgr)
{
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        for (int32_t x = r.left; x <= r.right; ++x) {
            const size_t t = static_cast<size_t>(y) * static_cast<size_t>(stack.width) + static_cast<size_t>(x);
            uint8_t *out = bgr + t * 3;
            out[0] = out[1] = out[2] = 255;
            for (const Layer &layer : stack.layers)
                if (shows(layer))
                    composeTexel(layer, opacityByte(layer.opacity), t, out);
        }
    }
}
