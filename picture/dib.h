// Pictures as the clipboard holds them (CF_DIB, CF_DIBV5: a bitmap header, colour masks, then the pixels, with no
// file header): writing the texture, reading what another program put there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A picture from the clipboard: blue-green-red-alpha, rows top first, 4 * width bytes each.
struct DibPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgra;
};

// CF_DIB of blue-green-red rows, bottom row first, exactly 3 * width bytes each: a 40-byte header, 24 bits,
// rows padded to four bytes, bottom-up.
std::vector<uint8_t> encodeDib(const uint8_t *bgr, int32_t width, int32_t height);

// Reads a CF_DIB or CF_DIBV5 block: 24 and 32 bits (BI_RGB, or BI_BITFIELDS with masks of any place), bottom-up or
// top-down, and 1, 4 and 8 bits with a palette. Alpha is used only where the header has an alpha mask (a V4 or
// V5 header); otherwise every pixel is opaque, since the fourth byte of a plain 32-bit DIB means nothing. nullptr
// on success; otherwise why not, with the picture empty. Reads nothing beyond `size`.
const char *decodeDib(const uint8_t *data, size_t size, DibPicture &picture);
