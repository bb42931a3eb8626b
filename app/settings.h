// The config.cfg layout: 78 bytes of brush settings and custom colours, encoded and decoded on bytes.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

enum : size_t { SETTINGS_BYTES = 78 };

// The brush settings (pen and eraser colours and sizes, the custom colours), as bytes.
std::array<uint8_t, SETTINGS_BYTES> encodeSettings();

// Updates the fields that lie wholly inside the data; a field cut off by the end keeps its value.
// Returns a bit for each size field read (1: penSize, 2: eraserSize) so the caller can refresh its boxes.
unsigned decodeSettings(const uint8_t *data, size_t size);
