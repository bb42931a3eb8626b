// The colour panel window: a saturation-value square and a hue strip that set the pen colour as they are
// clicked or dragged, the pen colour, the last colours painted with and the palette of the texture's picture.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "paint/brush.h"

extern HWND colourPanelWindow;

// Creates the panel as control `id` of the main window, over the rectangle of dialog units (left, top, width,
// height). penColourSet runs after a click or a drag in the panel made another colour the pen colour; it
// draws the panel again, as everything that follows the pen colour does (penColorChanged).
void createColourPanel(int left, int top, int width, int height, int id, void (*penColourSet)());

// Draws the panel again: the pen colour, the recent colours or the swatches changed.
void redrawColourPanel();

// A stroke of this kind began (on the skin view or the model) or a fill painted: when it paints with the pen
// colour, that colour joins the recent colours.
void noteStrokeColour(DabKind kind);

// The palette of the picture the texture came from, red, green, blue per colour; empty for any other texture.
void offerTextureSwatches(const std::vector<uint8_t> &palette);
