// The layer stack as an OpenRaster file and back, and whether a flat picture holds a stack without loss.
#pragma once
#include <cstdint>
#include <vector>

#include "picture/ora.h"
#include "texture/layers.h"

// The whole .ora file of the stack, with compositeBgr (its composition, rows bottom-up) as the merged picture;
// empty when it cannot be made. The layers are lent to the writer and are back when it returns.
std::vector<uint8_t> encodeLayerStack(LayerStack &stack, const uint8_t *compositeBgr, OraProgress progress = nullptr);

// A decoded file's layers become the stack (taken over), the top one active.
void layerStackFromOra(OraImage &&image, LayerStack &stack);

// One visible, opaque, Normal layer at 100 %: what a flat picture holds exactly.
bool isFlatStack(const LayerStack &stack);
