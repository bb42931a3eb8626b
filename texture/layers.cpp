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

// Lays a run of a layer's texels over a blue-green-red picture, the mode chosen once for all of them.
template <BlendMode MODE>
void composeRun(const uint8_t *src, uint8_t opacity, size_t texels, uint8_t *bgr)
{
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

void composeRun(const Layer &layer, size_t first, size_t texels, uint8_t *bgr)
{
    const uint8_t opacity = opacityByte(layer.opacity);
    const uint8_t *src = layer.pixels.data() + first * 4;
    switch (layer.mode) {
    case BlendMode::Normal: composeRun<BlendMode::Normal>(src, opacity, texels, bgr); break;
    case BlendMode::Multiply: composeRun<BlendMode::Multiply>(src, opacity, texels, bgr); break;
    case BlendMode::Screen: composeRun<BlendMode::Screen>(src, opacity, texels, bgr); break;
    case BlendMode::Overlay: composeRun<BlendMode::Overlay>(src, opacity, texels, bgr); break;
    case BlendMode::Darken: composeRun<BlendMode::Darken>(src, opacity, texels, bgr); break;
    case BlendMode::Lighten: composeRun<BlendMode::Lighten>(src, opacity, texels, bgr); break;
    case BlendMode::Add: composeRun<BlendMode::Add>(src, opacity, texels, bgr); break;
    }
}

int32_t tilesAcross(const LayerStack &stack)
{
    return (stack.width + LAYER_CACHE_TILE - 1) / LAYER_CACHE_TILE;
}

// Builds one tile of the cache for the active layer: the picture below it, then for the layers above, from the
// top down, which texels a layer covers and which layers show at the others.
void buildCacheTile(LayerStack &stack, int32_t tileX, int32_t tileY)
{
    LayerCache &cache = stack.cache;
    const int32_t left = tileX * LAYER_CACHE_TILE, bottom = tileY * LAYER_CACHE_TILE;
    const int32_t right = std::min(left + LAYER_CACHE_TILE, stack.width) - 1;
    const int32_t top = std::min(bottom + LAYER_CACHE_TILE, stack.height) - 1;
    const size_t run = static_cast<size_t>(right - left + 1);
    for (int32_t y = bottom; y <= top; ++y) {
        const size_t first = static_cast<size_t>(y) * static_cast<size_t>(stack.width) + static_cast<size_t>(left);
        uint8_t *below = cache.below.data() + first * 3;
        std::fill_n(below, run * 3, 255);
        for (size_t i = 0; i < stack.active; ++i)
            if (shows(stack.layers[i]))
                composeRun(stack.layers[i], first, run, below);
        std::fill_n(cache.covered.data() + first, run, 0);
        std::fill_n(cache.aboveMask.data() + first, run, 0);
        std::fill_n(cache.aboveColour.data() + first * 3, run * 3, 255);
        uint8_t *covered = cache.covered.data();
        uint64_t *mask = cache.aboveMask.data();
        for (size_t i = stack.layers.size(); i-- > stack.active + 1;) {
            const Layer &layer = stack.layers[i];
            if (!shows(layer))
                continue;
            const bool canCover = layer.mode == BlendMode::Normal && layer.opacity >= 100;
            const uint8_t *pixels = layer.pixels.data();
            for (size_t t = first; t < first + run; ++t) {
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
    }
    cache.ready[static_cast<size_t>(tileY) * static_cast<size_t>(tilesAcross(stack)) + static_cast<size_t>(tileX)] = 1;
}

// Sizes the cache for the stack with no tile built; false when memory runs out (the composition then goes
// without it).
bool prepareCache(LayerStack &stack)
{
    LayerCache &cache = stack.cache;
    const size_t texels = texelCount(stack);
    const size_t tiles = static_cast<size_t>(tilesAcross(stack)) *
                         static_cast<size_t>((stack.height + LAYER_CACHE_TILE - 1) / LAYER_CACHE_TILE);
    try {
        // Kept at their size from one active layer to the next: only the tiles' states start again.
        cache.below.resize(texels * 3);
        cache.aboveColour.resize(texels * 3);
        cache.covered.resize(texels);
        cache.aboveMask.resize(texels);
        cache.ready.assign(tiles, 0);
    } catch (const std::bad_alloc &) {
        cache = LayerCache();
        return false;
    }
    cache.valid = true;
    return true;
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
    stack.active = index;
    invalidateLayerCache(stack);
}

void invalidateLayerCache(LayerStack &stack)
{
    stack.cache.valid = false;
}

void composeLayers(LayerStack &stack, const SkinRect &r, uint8_t *bgr)
{
    if (stack.layers.empty() || isEmptyRect(r))
        return;
    const bool whole = r.left == 0 && r.bottom == 0 && r.right == stack.width - 1 && r.top == stack.height - 1;
    if (!stack.cache.valid && whole) {
        // The whole picture after a change of the layers (a load, a setting): a layer at a time is as quick as
        // any cache, and the cache is built later only where dabs land.
        std::fill_n(bgr, texelCount(stack) * 3, 255);
        for (const Layer &layer : stack.layers)
            if (shows(layer))
                composeRun(layer, 0, texelCount(stack), bgr);
        return;
    }
    if (!stack.cache.valid && !prepareCache(stack)) {
        composeLayersPlain(stack, r, bgr);
        return;
    }
    const int32_t across = tilesAcross(stack);
    for (int32_t ty = r.bottom / LAYER_CACHE_TILE; ty <= r.top / LAYER_CACHE_TILE; ++ty)
        for (int32_t tx = r.left / LAYER_CACHE_TILE; tx <= r.right / LAYER_CACHE_TILE; ++tx)
            if (!stack.cache.ready[static_cast<size_t>(ty) * static_cast<size_t>(across) + static_cast<size_t>(tx)])
                buildCacheTile(stack, tx, ty);
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
