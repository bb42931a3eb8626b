// The texture as a stack of layers, each at the texture's size with alpha, a name, visibility, opacity and a
// blend mode; their composition over white, of the whole picture or of one rectangle from cached parts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/blend_mode.h"
#include "texture/skin_store.h"

// No more layers than this, and none that would take their pixels past the budget.
enum : size_t { MAX_LAYERS = 64, LAYER_STACK_BUDGET = size_t{1} << 30 };

extern const char *const MSG_NO_LAYER_MEMORY;
extern const char *const MSG_TOO_MANY_LAYERS;

struct Layer {
    std::string name;
    bool visible = true;
    int32_t opacity = 100; // per cent
    BlendMode mode = BlendMode::Normal;
    // Blue, green, red, alpha (not premultiplied), rows bottom-up as in the skin buffers: texel (x, y) starts at
    // byte (y * width + x) * 4.
    std::vector<uint8_t> pixels;
};

// What the composition of a rectangle starts from while the active layer stays the same: the picture of the
// layers below it, and for the layers above it, per texel, either the colour they give whatever lies below
// (a covering layer: visible, Normal, fully opaque there, at 100 %) with nothing left to apply, or the layers
// that are not empty there. Built a tile at a time, when a composition first needs the tile: choosing another
// active layer costs nothing until a dab lands, and then only where it lands.
enum : int32_t { LAYER_CACHE_TILE = 64 };

struct LayerCache {
    bool valid = false;               // the parts below are sized for the stack and `ready` says which hold
    std::vector<uint8_t> ready;       // per tile, row-major: 1 when built for the active layer
    std::vector<uint8_t> below;       // blue, green, red
    std::vector<uint8_t> aboveColour; // blue, green, red where covered
    std::vector<uint8_t> covered;     // 1 where a layer above covers the texel
    std::vector<uint64_t> aboveMask;  // bit i: layer i lies above the active one and shows at the texel
};

struct LayerStack {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Layer> layers; // bottom first
    size_t active = 0;
    LayerCache cache;
};

// The program's texture as layers; skinBase holds their composition.
extern LayerStack layerStack;

// The opacity of one texel of a layer: its alpha weighed by the layer's opacity, 0..255.
uint8_t effectiveAlpha(uint8_t alpha, int32_t opacity);

// A mode's result for one channel of the picture below (backdrop) and the layer (source), 0..255.
uint8_t blendChannel(BlendMode mode, uint8_t backdrop, uint8_t source);

// The backdrop with the layer laid over it at that effective alpha.
uint8_t composeChannel(BlendMode mode, uint8_t backdrop, uint8_t source, uint8_t alpha);

// Bytes of pixels the stack holds.
size_t layerStackBytes(const LayerStack &stack);

// nullptr when one more layer of the stack's size fits, otherwise the message that says why not.
const char *roomForLayer(const LayerStack &stack);

// One opaque layer, "Background", holding width x height blue-green-red texels (white when bgr is nullptr).
// False, with the stack unchanged, when memory runs out.
bool resetLayers(LayerStack &stack, int32_t width, int32_t height, const uint8_t *bgr);

// The operations of the Layers panel, on the active layer. Each returns nullptr, or the message to show when
// it cannot be done (the stack then unchanged); the ones that cannot fail return whether anything changed.
const char *newLayer(LayerStack &stack);                  // a transparent layer above the active one
const char *duplicateLayer(LayerStack &stack);            // a copy above it, named "<name> copy"
bool deleteLayer(LayerStack &stack);                      // never the last layer
bool moveLayer(LayerStack &stack, bool up);               // swaps it with its neighbour
bool mergeLayerDown(LayerStack &stack);                   // lays it over the layer below, which keeps its settings
// Another active layer; the cache is then built again, a tile at a time as compositions need it.
void setActiveLayer(LayerStack &stack, size_t index);

// A name for a new layer that no layer has yet: "Layer 2", "Layer 3", ...
std::string freshLayerName(const LayerStack &stack);

// Must follow any change to the layers other than painting on the active one: their order, settings, count,
// or which is active.
void invalidateLayerCache(LayerStack &stack);

// Composes rectangle r of the stack into bgr (rows of 3 * width bytes, bottom-up, as skinBase), from the cache,
// which is built first when it is not valid. The cost a texel does not grow with the layers that are empty,
// hidden or covered there.
void composeLayers(LayerStack &stack, const SkinRect &r, uint8_t *bgr);

// The same, layer after layer with no cache: what composeLayers must always equal.
void composeLayersPlain(const LayerStack &stack, const SkinRect &r, uint8_t *bgr);
