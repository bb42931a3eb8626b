// Undo and redo of the texture: each step keeps what it changed, tile by tile, before and after.
#pragma once
#include <cstddef>
#include <cstdint>

#include "skin/skin_store.h"

// Steps are dropped from the oldest on once the history would hold more than this; a step holds at most the
// whole texture twice (384 KiB), so well over 100 steps always fit.
enum : size_t { HISTORY_BUDGET_BYTES = size_t{64} << 20 };

void resetHistory();

// Remembers the texture as it is now, as the start of a step (a stroke, a texture load).
void beginHistoryStep();

// Ends the step begun last: keeps what it changed as one step that can be undone, and drops the steps that
// could have been redone. A step that changed nothing is not kept; returns whether one was.
bool endHistoryStep();

bool historyStepOpen();
bool canUndo();
bool canRedo();

// Puts skinBase and skinGL back as they were before the last step (or after the next one, for redo); returns
// the texels that changed, for the caller to recompose and refresh. Nothing happens when there is nothing to
// undo (redo).
SkinRect undoStep();
SkinRect redoStep();

// Bytes the kept steps hold, and how many there are.
size_t historyBytes();
size_t historySteps();
