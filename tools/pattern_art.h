// The default pattern brush, drawn in code so the shipped file can be regenerated and checked.
#pragma once
#include <cstdint>
#include <vector>

#include "picture/bmp.h"

enum : int32_t { DEFAULT_PATTERN_SIDE = 32 };

// A soft round grey stamp: black in the middle, fading with a faint grain to pure white at the edge.
PatternImage drawDefaultPattern();

// The bytes of "super_pattern_01.bmp": the default pattern as a bottom-up 24-bit BMP file.
std::vector<uint8_t> encodeDefaultPattern();
