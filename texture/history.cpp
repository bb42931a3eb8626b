// Undo and redo of the texture: each step keeps what it changed, tile by tile, before and after, or the whole
// texture on both sides when it changed size.
#include "texture/history.h"

#include <cstring>
#include <deque>
#include <vector>

namespace {

// 16 x 16 texels: a stroke across the texture touches a few dozen tiles, so a step stores far less than a
// whole copy of the texture, and a tile's rows are short enough to compare and copy quickly. Tiles on the right
// and top edges may be narrower; they are stored at full size all the same.
enum : int32_t { TILE = 16 };
enum : size_t { TILE_ROW_BYTES = TILE * 3, TILE_BYTES = TILE * TILE * 3 };

struct WholeTexture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;   // skinBase bytes, rows bottom-up
};

struct Step {
    std::vector<uint32_t> tiles;   // indices, row-major
    std::vector<uint8_t> before;   // skinBase bytes of each tile, TILE_BYTES each, rows bottom-up
    std::vector<uint8_t> after;
    // A step that changed the texture's size (a load, a new texture) keeps both whole pictures instead.
    bool resized = false;
    WholeTexture wholeBefore;
    WholeTexture wholeAfter;
};

std::deque<Step> steps;
size_t undoable;          // steps[0 .. undoable) can be undone, steps[undoable ..] redone
size_t keptBytes;
bool stepOpen;
WholeTexture stepStart;

size_t stepBytes(const Step &s)
{
    // What the step holds on the heap, not only what it uses: the budget is memory.
    return s.before.capacity() + s.after.capacity() + s.tiles.capacity() * sizeof(uint32_t) +
           s.wholeBefore.pixels.capacity() + s.wholeAfter.pixels.capacity() + sizeof(Step);
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

bool tileDiffers(uint32_t tile)
{
    const SkinRect r = tileRect(tile);
    const size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        size_t at = texelOffset(r.left, y);
        if (std::memcmp(stepStart.pixels.data() + at, skinBase + at, rowBytes) != 0)
            return true;
    }
    return false;
}

void copyTileOut(const uint8_t *buffer, uint32_t tile, std::vector<uint8_t> &out)
{
    const SkinRect r = tileRect(tile);
    const size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    size_t start = out.size();
    out.resize(start + TILE_BYTES, 0);
    for (int32_t y = r.bottom; y <= r.top; ++y)
        std::memcpy(&out[start + static_cast<size_t>(y - r.bottom) * TILE_ROW_BYTES], buffer + texelOffset(r.left, y),
                    rowBytes);
}

void copyTileIn(const uint8_t *kept, uint32_t tile)
{
    const SkinRect r = tileRect(tile);
    const size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    for (int32_t y = r.bottom; y <= r.top; ++y)
        std::memcpy(skinBase + texelOffset(r.left, y), kept + static_cast<size_t>(y - r.bottom) * TILE_ROW_BYTES,
                    rowBytes);
}

void takeWholeTexture(WholeTexture &picture)
{
    picture.width = skinWidth;
    picture.height = skinHeight;
    picture.pixels.assign(skinBase, skinBase + skinByteCount());
}

SkinRect applyStep(const Step &s, bool forward)
{
    if (s.resized) {
        const WholeTexture &kept = forward ? s.wholeAfter : s.wholeBefore;
        // Both sizes were held when the step was made; if memory has run out since, nothing changes.
        if (!replaceTexture(kept.width, kept.height, kept.pixels.data()))
            return noTexels();
        return allTexels();
    }
    const std::vector<uint8_t> &kept = forward ? s.after : s.before;
    SkinRect changed = noTexels();
    for (size_t i = 0; i < s.tiles.size(); ++i) {
        copyTileIn(kept.data() + i * TILE_BYTES, s.tiles[i]);
        changed = joinRects(changed, tileRect(s.tiles[i]));
    }
    updateSkinCopies(changed);
    return changed;
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
    const uint32_t tileCount =
        static_cast<uint32_t>(tilesAcross()) * static_cast<uint32_t>((skinHeight + TILE - 1) / TILE);
    for (uint32_t tile = 0; tile < tileCount; ++tile) {
        if (!tileDiffers(tile))
            continue;
        step.tiles.push_back(tile);
        copyTileOut(stepStart.pixels.data(), tile, step.before);
        copyTileOut(skinBase, tile, step.after);
    }
    // The tiles were appended one by one: give back the growth slack, up to half of what a step would hold.
    step.tiles.shrink_to_fit();
    step.before.shrink_to_fit();
    step.after.shrink_to_fit();
    return !step.tiles.empty();
}

} // namespace

void resetHistory()
{
    steps.clear();
    undoable = 0;
    keptBytes = 0;
    stepOpen = false;
    stepStart = WholeTexture();
}

void beginHistoryStep()
{
    takeWholeTexture(stepStart);
    stepOpen = true;
}

bool endHistoryStep()
{
    if (!stepOpen)
        return false;
    stepOpen = false;
    Step step;
    if (stepStart.width != skinWidth || stepStart.height != skinHeight) {
        step.resized = true;
        step.wholeBefore = std::move(stepStart);
        takeWholeTexture(step.wholeAfter);
    } else if (!collectTiles(step)) {
        return false;
    }
    stepStart = WholeTexture();
    dropRedoSteps();
    keptBytes += stepBytes(step);
    steps.push_back(std::move(step));
    undoable = steps.size();
    // The newest step is always kept, however large: a texture bigger than the budget can still be undone.
    while (keptBytes > HISTORY_BUDGET_BYTES && steps.size() > 1) {
        keptBytes -= stepBytes(steps.front());
        steps.pop_front();
        --undoable;
    }
    return true;
}

bool canUndo()
{
    return undoable > 0;
}

bool canRedo()
{
    return undoable < steps.size();
}

SkinRect undoStep()
{
    if (!canUndo())
        return noTexels();
    return applyStep(steps[--undoable], false);
}

SkinRect redoStep()
{
    if (!canRedo())
        return noTexels();
    return applyStep(steps[undoable++], true);
}

size_t historyBytes()
{
    return keptBytes;
}

size_t historySteps()
{
    return steps.size();
}
