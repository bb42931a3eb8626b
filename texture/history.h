// Undo and redo of the texture: each step keeps what it changed, tile by tile, before and after.
#pragma once
#include <cstddef>
#include <cstdint>

#include "texture/skin_store.h"

// Steps are dropped from the oldest on once the history would hold more than this (the newest is always kept);
// a stroke on a 256 x 256 texture holds at most the whole texture twice (384 KiB), so well over 100 such steps
// fit.
enum : size_t { HISTORY_BUDGET_BYTES = size_t{64} << 20 };

void resetHistory();

// Remembers the texture as it is now, as the start of a step (a stroke, a texture load).
void beginHistoryStep();

// Ends the step begun last: keeps what it changed as one step that can be undone, and drops the steps that
// could have been redone. A step that changed nothing is not kept; returns whether one was.
bool endHistoryStep();

bool canUndo();
bool canRedo();

// Puts the texture back as it was before the last step (or after the next one, for redo), its size included,
// with skinGL and skinShown brought up to date; returns the texels that changed, for the caller to refresh (all
// of them when the size changed: the caller then sets up what depends on the size again). Nothing happens when
// there is nothing to undo (redo).
SkinRect undoStep();
SkinRect redoStep();

// Bytes the kept steps hold, and how many there are.
size_t historyBytes();
size_t historySteps();
