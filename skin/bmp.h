// The BMP layout shared by texture and pattern files: parse and validate from bytes, encode to bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/skin_store.h"

enum : size_t { BMP_FILE_HEADER_BYTES = 14, BMP_INFO_HEADER_BYTES = 40, BMP_TEXTURE_FILE_BYTES = 196662 };

// The header fields the loaders look at, as read from the file (little-endian).
struct BmpFields {
    uint32_t bfOffBits;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
};

// Reads the fields; false when the data is too short to hold both headers.
bool readBmpFields(const uint8_t *data, size_t size, BmpFields &fields);

// Checks a texture file and, when it is acceptable, copies its 196,608 blue-green-red pixel bytes into bgr.
// Returns nullptr on success, otherwise the message to show (nothing has been written to bgr).
const char *parseTexture(const uint8_t *data, size_t size, uint8_t *bgr);

// The whole texture file for the red-green-blue pixels of skinGL: "BM", offset 54, header from skinHeader.
std::vector<uint8_t> encodeTexture(const uint8_t *rgb, const BitmapHeader &header);

// The first 54 bytes of that file: what precedes the blue-green-red rows of skinBase in a texture file.
void encodeTextureHeader(const BitmapHeader &header, uint8_t out[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES]);

// A pattern as the store keeps it: rows of exactly 3 * width bytes, bottom row first, blue-green-red.
struct PatternImage {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> pixels;
};

// Checks a pattern file; nullptr and the image on success, otherwise the message to show.
// Rows padded to 4 bytes are stored unpadded; a top-down file (negative height) is stored bottom row first.
const char *parsePattern(const uint8_t *data, size_t size, PatternImage &image);

// The first four pattern checks, on sides alone: even, and at most 256. nullptr when they hold; the message
// of the first that fails otherwise. Pictures of other formats get these checks only.
const char *checkPatternSize(int32_t width, int32_t height);

// A bottom-up 24-bit BI_RGB file of the image, rows padded to 4 bytes, pixels at offset 54.
// Empty when the image has a side of 0 or less or its pixels are not 3 * width * height bytes.
std::vector<uint8_t> encodePattern(const PatternImage &image);

// Bytes of one pixel row in a 24-bit file: 3 * width rounded up to a multiple of 4.
size_t bmpRowStride(size_t width);
