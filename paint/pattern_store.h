// The pattern buffers, their size and header.
#pragma once
#include <cstdint>

#include "picture/bmp.h"

extern uint8_t *patternSource;
extern uint8_t *patternBrush;
extern int32_t patternWidth;
extern int32_t patternHeight;
extern BitmapHeader patternHeader;

// Replaces both buffers with new ones of width x height pixels (contents undefined).
// A zero side changes nothing and returns true. Returns false when allocation failed, or the sides are
// negative or too large to allocate: both buffers are then absent and both sizes 0 (the caller beeps).
bool reallocatePattern(int32_t width, int32_t height);

// Makes the first width * height pixels white; nothing for a count of 0 or less or an absent buffer.
void fillWhite(uint8_t *buffer, int32_t width, int32_t height);

// The blank white 64 x 64 pattern of a new pattern view. False when allocation failed.
bool initPatternStore();

// Puts a parsed pattern into the store: source, an untinted brush copy and the header.
// False when allocation failed (store left without buffers, header untouched), or when the image has
// a side of 0 or less or fewer pixel bytes than its size needs (store left as it was).
bool installPattern(const PatternImage &image);

// Frees the buffers and empties the store (used by the reset).
void resetPatternStore();
