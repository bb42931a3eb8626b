// Undo and redo of the texture: each step keeps what it changed, tile by tile, before and after.
#include "skin/history.h"

#include <cstring>
#include <deque>
#include <vector>

namespace {

// 16 x 16 texels: a stroke across the texture touches a few dozen tiles, so a step stores far less than a
// whole copy of the texture, and a tile's rows are short enough to compare and copy quickly.
enum : int32_t { TILE = 16, TILES_PER_ROW = SKIN_SIDE / TILE };
enum : size_t { TILE_ROW_BYTES = TILE * 3, TILE_BYTES = TILE * TILE * 3 };

struct Step {
    std::vector<uint16_t> tiles;   // indices, row-major
    std::vector<uint8_t> before;   // skinBase bytes of each tile, TILE_BYTES each, rows bottom-up
    std::vector<uint8_t> after;
};

std::deque<Step> steps;
size_t undoable;          // steps[0 .. undoable) can be undone, steps[undoable ..] redone
size_t keptBytes;
bool stepOpen;
uint8_t stepStart[SKIN_BYTES];

size_t stepBytes(const Step &s)
{
    // What the step holds on the heap, not only what it uses: the budget is memory.
    return s.before.capacity() + s.after.capacity() + s.tiles.capacity() * sizeof(uint16_t) + sizeof(Step);
}

size_t tileRowOffset(uint16_t tile, int32_t row)
{
    size_t y = static_cast<size_t>(tile / TILES_PER_ROW * TILE + row);
    size_t x = static_cast<size_t>(tile % TILES_PER_ROW * TILE);
    return (y * SKIN_SIDE + x) * 3;
}

bool tileDiffers(uint16_t tile)
{
    for (int32_t row = 0; row < TILE; ++row) {
        size_t at = tileRowOffset(tile, row);
        if (std::memcmp(stepStart + at, skinBase + at, TILE_ROW_BYTES) != 0)
            return true;
    }
    return false;
}

void copyTileOut(const uint8_t *buffer, uint16_t tile, std::vector<uint8_t> &out)
{
    for (int32_t row = 0; row < TILE; ++row) {
        const uint8_t *from = buffer + tileRowOffset(tile, row);
        out.insert(out.end(), from, from + TILE_ROW_BYTES);
    }
}

// Writes a tile's kept skinBase bytes back, with skinGL in step (red and blue exchanged).
void copyTileIn(const uint8_t *kept, uint16_t tile)
{
    for (int32_t row = 0; row < TILE; ++row) {
        size_t at = tileRowOffset(tile, row);
        const uint8_t *from = kept + static_cast<size_t>(row) * TILE_ROW_BYTES;
        std::memcpy(skinBase + at, from, TILE_ROW_BYTES);
        for (size_t i = 0; i < TILE_ROW_BYTES; i += 3) {
            skinGL[at + i] = from[i + 2];
            skinGL[at + i + 1] = from[i + 1];
            skinGL[at + i + 2] = from[i];
        }
    }
}

SkinRect tileRect(uint16_t tile)
{
    int32_t x = tile % TILES_PER_ROW * TILE;
    int32_t y = tile / TILES_PER_ROW * TILE;
    return SkinRect{x, y, x + TILE - 1, y + TILE - 1};
}

SkinRect applyStep(const Step &s, bool forward)
{
    const std::vector<uint8_t> &kept = forward ? s.after : s.before;
    SkinRect changed = noTexels();
    for (size_t i = 0; i < s.tiles.size(); ++i) {
        copyTileIn(kept.data() + i * TILE_BYTES, s.tiles[i]);
        changed = joinRects(changed, tileRect(s.tiles[i]));
    }
    return changed;
}

void dropRedoSteps()
{
    while (steps.size() > undoable) {
        keptBytes -= stepBytes(steps.back());
        steps.pop_back();
    }
}

} // namespace

void resetHistory()
{
    steps.clear();
    undoable = 0;
    keptBytes = 0;
    stepOpen = false;
}

void beginHistoryStep()
{
    std::memcpy(stepStart, skinBase, SKIN_BYTES);
    stepOpen = true;
}

bool endHistoryStep()
{
    if (!stepOpen)
        return false;
    stepOpen = false;
    Step step;
    for (uint16_t tile = 0; tile < TILES_PER_ROW * TILES_PER_ROW; ++tile) {
        if (!tileDiffers(tile))
            continue;
        step.tiles.push_back(tile);
        copyTileOut(stepStart, tile, step.before);
        copyTileOut(skinBase, tile, step.after);
    }
    if (step.tiles.empty())
        return false;
    // The tiles were appended one by one: give back the growth slack, up to half of what a step would hold.
    step.tiles.shrink_to_fit();
    step.before.shrink_to_fit();
    step.after.shrink_to_fit();
    dropRedoSteps();
    keptBytes += stepBytes(step);
    steps.push_back(std::move(step));
    undoable = steps.size();
    while (keptBytes > HISTORY_BUDGET_BYTES && steps.size() > 1) {
        keptBytes -= stepBytes(steps.front());
        steps.pop_front();
        --undoable;
    }
    return true;
}

bool historyStepOpen()
{
    return stepOpen;
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
