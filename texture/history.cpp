// Undo and redo of the texture's layers: strokes kept tile by tile before and after on the layer they painted,
// layer operations by what they moved, and loads by the whole stack they replaced.
#include "texture/history.h"

#include <cstring>
#include <deque>
#include <iterator>
#include <utility>
#include <vector>

#include "texture/active_layer.h"

namespace {

// 16 x 16 texels: a stroke across the texture touches a few dozen tiles, so a step stores far less than a
// whole copy of the layer, and a tile's rows are short enough to compare and copy quickly. Tiles on the right
// and top edges may be narrower; they are stored at full size all the same.
enum : int32_t { TILE = 16 };
enum : size_t { TILE_ROW_BYTES = TILE * LAYER_TEXEL_BYTES, TILE_BYTES = TILE * TILE * LAYER_TEXEL_BYTES };

enum class StepKind { tiles, stack, layers, settings, move };

struct Step {
    StepKind kind = StepKind::tiles;
    size_t layer = 0;              // tiles: the layer painted; settings: the layer set; move: the lower one
    std::vector<uint32_t> tiles;   // indices, row-major
    std::vector<uint8_t> before;   // the layer's bytes of each tile, TILE_BYTES each, rows bottom-up
    std::vector<uint8_t> after;
    LayerStack stack;              // stack: the other stack
    size_t count = 0;              // layers: how many stand at `layer` now
    std::vector<Layer> other;      // layers: those that stand there on the other side; settings: one, no pixels
    size_t otherActive = 0;        // layers, move: the active layer on the other side
    // The texture after this step, among every state the history has held: what the clean mark names.
    uint64_t state = 0;
};

std::deque<Step> steps;
size_t undoable;          // steps[0 .. undoable) can be undone, steps[undoable ..] redone
size_t keptBytes;
bool stepOpen;
size_t startLayer;
int32_t startWidth, startHeight;
std::vector<uint8_t> startPixels;
// The state before steps[0] (a step dropped for the budget, or a reset), the next unused state number, and the
// state the texture had when it was last loaded or saved. A mark that names a state the history no longer
// reaches (redo steps dropped by a new stroke) never matches again.
uint64_t baseState = 1;
uint64_t nextState = 2;
uint64_t cleanState = 1;

size_t layersBytes(const std::vector<Layer> &layers)
{
    size_t bytes = 0;
    for (const Layer &layer : layers)
        bytes += layer.pixels.capacity() + sizeof(Layer);
    return bytes;
}

size_t stepBytes(const Step &s)
{
    // What the step holds on the heap, not only what it uses: the budget is memory.
    return s.before.capacity() + s.after.capacity() + s.tiles.capacity() * sizeof(uint32_t) +
           layersBytes(s.stack.layers) + layersBytes(s.other) + sizeof(Step);
}

int32_t tilesAcross()
{
    return (skinWidth + TILE - 1) / TILE;
}

SkinRect tileRect(uint32_t tile)
{
    int32_t x = static_cast<int32_t>(tile % static_cast<uint32_t>(tilesAcross())) * TILE;
    int32_t y = static_cast<int32_t>(tile / static_cast<uint32_t>(tilesAcross())) * TILE;
    return clipToSkin(SkinRect{x, y, x + TILE - 1, y + TILE - 1});
}

size_t layerOffset(int32_t x, int32_t y)
{
    return (static_cast<size_t>(y) * static_cast<size_t>(skinWidth) + static_cast<size_t>(x)) * LAYER_TEXEL_BYTES;
}

size_t rowBytesOf(const SkinRect &r)
{
    return static_cast<size_t>(r.right - r.left + 1) * LAYER_TEXEL_BYTES;
}

bool tileDiffers(const uint8_t *pixels, uint32_t tile)
{
    const SkinRect r = tileRect(tile);
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        const size_t at = layerOffset(r.left, y);
        if (std::memcmp(startPixels.data() + at, pixels + at, rowBytesOf(r)) != 0)
            return true;
    }
    return false;
}

void copyTileOut(const uint8_t *pixels, uint32_t tile, std::vector<uint8_t> &out)
{
    const SkinRect r = tileRect(tile);
    size_t start = out.size();
    out.resize(start + TILE_BYTES, 0);
    for (int32_t y = r.bottom; y <= r.top; ++y)
        std::memcpy(&out[start + static_cast<size_t>(y - r.bottom) * TILE_ROW_BYTES], pixels + layerOffset(r.left, y),
                    rowBytesOf(r));
}

void copyTileIn(const uint8_t *kept, uint32_t tile, uint8_t *pixels)
{
    const SkinRect r = tileRect(tile);
    for (int32_t y = r.bottom; y <= r.top; ++y)
        std::memcpy(pixels + layerOffset(r.left, y), kept + static_cast<size_t>(y - r.bottom) * TILE_ROW_BYTES,
                    rowBytesOf(r));
}

void swapSettings(Layer &a, Layer &b)
{
    std::swap(a.name, b.name);
    std::swap(a.visible, b.visible);
    std::swap(a.opacity, b.opacity);
    std::swap(a.mode, b.mode);
}

// Layers [at, at + count) go into `other` and `other`'s stand there instead.
void swapLayers(Step &s)
{
    auto first = layerStack.layers.begin() + static_cast<std::ptrdiff_t>(s.layer);
    std::vector<Layer> taken(std::make_move_iterator(first),
                             std::make_move_iterator(first + static_cast<std::ptrdiff_t>(s.count)));
    layerStack.layers.erase(first, first + static_cast<std::ptrdiff_t>(s.count));
    layerStack.layers.insert(layerStack.layers.begin() + static_cast<std::ptrdiff_t>(s.layer),
                             std::make_move_iterator(s.other.begin()), std::make_move_iterator(s.other.end()));
    s.count = s.other.size();
    s.other = std::move(taken);
}

SkinRect applyTiles(const Step &s, bool forward)
{
    const std::vector<uint8_t> &kept = forward ? s.after : s.before;
    uint8_t *pixels = layerStack.layers[s.layer].pixels.data();
    SkinRect changed = noTexels();
    for (size_t i = 0; i < s.tiles.size(); ++i) {
        copyTileIn(kept.data() + i * TILE_BYTES, s.tiles[i], pixels);
        changed = joinRects(changed, tileRect(s.tiles[i]));
    }
    // The cache holds the layers other than the active one: another layer's change must rebuild it.
    if (s.layer != layerStack.active)
        invalidateLayerCache(layerStack);
    showLayersIn(changed);
    return changed;
}

// Applies a step either way; every kind but tiles is its own inverse, trading what it holds for what stands.
SkinRect applyStep(Step &s, bool forward)
{
    switch (s.kind) {
    case StepKind::tiles:
        return applyTiles(s, forward);
    case StepKind::stack:
        // Both sizes were held when the step was made; if memory has run out since, nothing changes.
        return swapLayerStack(s.stack) ? allTexels() : noTexels();
    case StepKind::layers:
        swapLayers(s);
        std::swap(layerStack.active, s.otherActive);
        break;
    case StepKind::settings:
        swapSettings(layerStack.layers[s.layer], s.other[0]);
        break;
    case StepKind::move:
        std::swap(layerStack.layers[s.layer], layerStack.layers[s.layer + 1]);
        std::swap(layerStack.active, s.otherActive);
        break;
    }
    invalidateLayerCache(layerStack);
    showAllLayers();
    return allTexels();
}

void dropRedoSteps()
{
    while (steps.size() > undoable) {
        keptBytes -= stepBytes(steps.back());
        steps.pop_back();
    }
}

bool collectTiles(Step &step)
{
    const uint8_t *pixels = layerStack.layers[step.layer].pixels.data();
    const uint32_t tileCount =
        static_cast<uint32_t>(tilesAcross()) * static_cast<uint32_t>((skinHeight + TILE - 1) / TILE);
    for (uint32_t tile = 0; tile < tileCount; ++tile) {
        if (!tileDiffers(pixels, tile))
            continue;
        step.tiles.push_back(tile);
        copyTileOut(startPixels.data(), tile, step.before);
        copyTileOut(pixels, tile, step.after);
    }
    // The tiles were appended one by one: give back the growth slack, up to half of what a step would hold.
    step.tiles.shrink_to_fit();
    step.before.shrink_to_fit();
    step.after.shrink_to_fit();
    return !step.tiles.empty();
}

void keepStep(Step &&step)
{
    dropRedoSteps();
    step.state = nextState++;
    keptBytes += stepBytes(step);
    steps.push_back(std::move(step));
    undoable = steps.size();
    // The newest step is always kept, however large: a texture bigger than the budget can still be undone.
    while (keptBytes > HISTORY_BUDGET_BYTES && steps.size() > 1) {
        keptBytes -= stepBytes(steps.front());
        baseState = steps.front().state;
        steps.pop_front();
        --undoable;
    }
}

uint64_t currentState()
{
    return undoable > 0 ? steps[undoable - 1].state : baseState;
}

SkinRect applyCounted(Step &s, bool forward)
{
    keptBytes -= stepBytes(s);
    const SkinRect changed = applyStep(s, forward);
    keptBytes += stepBytes(s);
    return changed;
}

} // namespace

void resetHistory()
{
    steps.clear();
    undoable = 0;
    keptBytes = 0;
    stepOpen = false;
    startPixels = std::vector<uint8_t>();
    // A state of its own, so that no mark set before the reset matches what follows it; the texture as it
    // stands is clean.
    baseState = nextState++;
    cleanState = baseState;
}

void beginHistoryStep()
{
    const Layer &layer = paintLayer();
    startLayer = layerStack.active;
    startWidth = skinWidth;
    startHeight = skinHeight;
    startPixels = layer.pixels;
    stepOpen = true;
}

bool endHistoryStep()
{
    if (!stepOpen)
        return false;
    stepOpen = false;
    Step step;
    step.layer = startLayer;
    // Only the layer the step began on is compared: a step whose stack changed shape meanwhile has no tiles.
    const bool same = startWidth == skinWidth && startHeight == skinHeight && startLayer < layerStack.layers.size() &&
                      layerStack.layers[startLayer].pixels.size() == startPixels.size();
    const bool changed = same && collectTiles(step);
    startPixels = std::vector<uint8_t>();
    if (!changed)
        return false;
    keepStep(std::move(step));
    return true;
}

void keepStackStep(LayerStack &&before)
{
    Step step;
    step.kind = StepKind::stack;
    step.stack.width = before.width;
    step.stack.height = before.height;
    step.stack.active = before.active;
    step.stack.layers = std::move(before.layers);
    keepStep(std::move(step));
}

void keepLayersStep(size_t at, size_t count, std::vector<Layer> &&before, size_t activeBefore)
{
    Step step;
    step.kind = StepKind::layers;
    step.layer = at;
    step.count = count;
    step.other = std::move(before);
    step.otherActive = activeBefore;
    keepStep(std::move(step));
}

void keepSettingsStep(size_t index, const Layer &before)
{
    Step step;
    step.kind = StepKind::settings;
    step.layer = index;
    step.other.push_back(Layer{before.name, before.visible, before.opacity, before.mode, {}});
    keepStep(std::move(step));
}

void keepMoveStep(size_t lower, size_t activeBefore)
{
    Step step;
    step.kind = StepKind::move;
    step.layer = lower;
    step.otherActive = activeBefore;
    keepStep(std::move(step));
}

bool canUndo()
{
    return undoable > 0;
}

bool canRedo()
{
    return undoable < steps.size();
}

// A step swaps what it keeps with what stands in the stack, so it needs no memory of its own and always moves.
HistoryMove undoStep()
{
    HistoryMove move;
    if (!canUndo())
        return move;
    move.changed = applyCounted(steps[--undoable], false);
    move.done = true;
    return move;
}

HistoryMove redoStep()
{
    HistoryMove move;
    if (!canRedo())
        return move;
    move.changed = applyCounted(steps[undoable++], true);
    move.done = true;
    return move;
}

void markHistoryClean()
{
    cleanState = currentState();
}

void forgetHistoryClean()
{
    cleanState = 0; // no state has the number 0
}

bool isHistoryClean()
{
    return cleanState == currentState();
}

size_t historyBytes()
{
    return keptBytes;
}

size_t historySteps()
{
    return steps.size();
}
