// The layer the painters write (the active one), the eraser's meaning on it, and the composite brought up to date
// in skinBase after they wrote.
#pragma once
#include <cstddef>
#include <cstdint>

#include "texture/layers.h"
#include "texture/skin_store.h"

enum : size_t { LAYER_TEXEL_BYTES = 4 };

// The active layer, the stack first made one opaque layer of skinBase when it does not match the store's size
// (a store resized by itself, as at start).
Layer &paintLayer();

// Texel (x, y) of the active layer: blue, green, red, alpha. (x, y) must lie on the texture.
uint8_t *paintTexel(int32_t x, int32_t y);

// The pen's colour (red, green, blue) laid on a layer texel: that colour, opaque.
inline void putColour(uint8_t *texel, const uint8_t rgb[3])
{
    texel[0] = rgb[2];
    texel[1] = rgb[1];
    texel[2] = rgb[0];
    texel[3] = 255;
}

// Whether the eraser takes paint away (to transparent) on the active layer: on every layer above the bottom one.
// On the bottom one it paints the eraser colour, as the texture always did.
bool eraserClears();

// The eraser on one texel of the active layer: the eraser colour (red, green, blue) on the bottom layer, none
// above it.
void eraseTexel(uint8_t *texel, const uint8_t eraserRgb[3]);

// Darkens or brightens one layer texel by the darkness of a blue-green-red brush pixel, as a pattern stamp does.
// A darkening lays paint where none was (a clear texel starts from white and becomes opaque wherever the brush
// darkens it); a brightening on an upper layer also takes that much paint away.
void tintTexel(uint8_t *texel, const uint8_t *brush, bool dark, bool clears);

// After the painters changed the active layer within r: the composite of that rectangle into skinBase, then
// skinGL and skinShown.
void showLayersIn(const SkinRect &r);

// The whole composite again, after a change of the layers other than painting (a setting, the order, a load).
void showAllLayers();

// Grows with every change of the stack other than painting (what a panel listing the layers shows).
extern uint32_t layersRevision;

// Makes the texture one opaque "Background" layer of width x height blue-green-red texels (white when bgr is
// nullptr), resizing the store when the size differs. False, with nothing changed, when it cannot be held.
bool resetTextureLayers(int32_t width, int32_t height, const uint8_t *bgr);

// Puts another stack in place of the program's (the old one comes back in `stack`), resizing the store to its
// size and composing it. False, with nothing changed, when the store cannot take that size.
bool swapLayerStack(LayerStack &stack);
