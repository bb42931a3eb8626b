// The Layers panel's operations on the program's stack, each one undo step, the composite shown again after it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "picture/blend_mode.h"
#include "texture/layers.h"

// Each returns nullptr when done, or the message to show when it cannot be (nothing then changed).
const char *addLayerEdit();        // a transparent layer above the active one, made active
const char *duplicateLayerEdit();  // a copy of the active layer above it, made active
// A transparent layer named `name` above the active one, made active, whose pixels `fill` lays in before the step
// is kept: a paste is one step, undone by taking the layer away.
const char *addFilledLayerEdit(const std::string &name, void (*fill)(Layer &layer, const void *context),
                               const void *context);

// Each returns whether anything changed (and a step was kept).
bool deleteLayerEdit();            // the active layer, never the last one
bool moveLayerEdit(bool up);       // the active layer one place up or down
bool mergeDownEdit();              // the active layer laid over the one below it
bool renameLayerEdit(size_t index, const std::string &name);
bool showLayerEdit(size_t index, bool visible);
bool layerModeEdit(size_t index, BlendMode mode);

// The opacity changes at once as a trackbar is dragged; the step is kept when the drag ends, from the opacity
// it started at to the last one (also before any other change, should the end never come).
bool layerOpacityEdit(size_t index, int32_t opacity);
bool endOpacityDrag();
