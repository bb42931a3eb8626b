// Undo and redo of the texture's layers: strokes kept tile by tile before and after on the layer they painted,
// layer operations by what they moved, and loads by the whole stack they replaced.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "texture/layers.h"
#include "texture/skin_store.h"

// Steps are dropped from the oldest on once the history would hold more than this (the newest is always kept);
// a stroke on a 256 x 256 texture holds at most the whole layer twice (512 KiB), so well over 100 such steps fit.
enum : size_t { HISTORY_BUDGET_BYTES = size_t{64} << 20 };

void resetHistory();

// Remembers the active layer as it is now, as the start of a step that paints it (a stroke, a fill).
void beginHistoryStep();

// Ends the step begun last: keeps what it changed on the layer as one step that can be undone, and drops the
// steps that could have been redone. A step that changed nothing is not kept; returns whether one was.
bool endHistoryStep();

// A change of the whole stack (a load, a new texture): `before` is the stack it replaced (taken over).
void keepStackStep(LayerStack &&before);

// Layers [at, at + count) now stand where `before` stood (taken over), with `activeBefore` active before: a new,
// duplicated, deleted or merged layer.
void keepLayersStep(size_t at, size_t count, std::vector<Layer> &&before, size_t activeBefore);

// Layer `index` had these settings (name, visibility, opacity, mode; its pixels are not looked at).
void keepSettingsStep(size_t index, const Layer &before);

// Layers `lower` and `lower + 1` swapped places, with `activeBefore` active before.
void keepMoveStep(size_t lower, size_t activeBefore);

bool canUndo();
bool canRedo();

// What an undo or redo did: whether it moved (false when there was nothing to undo, or when a step across a size
// change found no memory for the other size: then nothing changed, the position included), and the texels that
// changed, for the caller to refresh (all of them when the size changed: the caller then sets up what depends on
// the size again).
struct HistoryMove {
    bool done = false;
    SkinRect changed = noTexels();
};

// Puts the layers back as they were before the last step (or after the next one, for redo), the texture's size
// included, with skinBase, skinGL and skinShown brought up to date.
HistoryMove undoStep();
HistoryMove redoStep();

// The clean mark: the texture as the last load or save left it. Undoing or redoing back to that place makes the
// texture unchanged again; a stroke after undoing past it (which drops the way back) makes it unreachable.
void markHistoryClean();
// No place in the history is clean (a recovered texture, a save that reduced the colours).
void forgetHistoryClean();
bool isHistoryClean();

// Bytes the kept steps hold, and how many there are.
size_t historyBytes();
size_t historySteps();
