// Pictures in PNG, TGA, JPEG and PCX beside the BMP layout: which reader a file goes to, decoding with its size
// limits, scaling, and writing a texture as PNG, TGA or PCX.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/bmp.h"
#include "skin/skin_store.h"

enum class PictureFormat { Bmp, Png, Tga, Jpeg, Pcx };

// Nothing larger is decoded: a side over this or more pixels than that is refused before any allocation
// (a 4096 x 4096 picture already takes 64 MiB while it is decoded).
enum : int32_t { MAX_PICTURE_SIDE = 8192 };
enum : size_t { MAX_PICTURE_PIXELS = size_t{4096} * 4096 };

extern const char *const MSG_PICTURE_DAMAGED;

// The filters of the choosers that open textures and patterns, as the common dialogs take them.
extern const char TEXTURE_OPEN_FILTERS[];
extern const char PATTERN_OPEN_FILTERS[];
// The filters of the texture save chooser, in the order of their formats: BMP, PNG, TGA, PCX.
extern const char PICTURE_SAVE_FILTERS[];

// Which reader a file goes to: PNG and JPEG by their signatures whatever the name, TGA (which has none) by
// the extension ".tga" in any case, PCX by the extension ".pcx" or by the first bytes of every PCX this
// program reads (0x0A, version 5, run-length coded, 8 bits a plane), BMP otherwise.
PictureFormat pictureFormatOf(const char *path, const uint8_t *data, size_t size);

// Which writer a texture file gets: PNG for a name ending in ".png", TGA for ".tga", PCX for ".pcx" (any case),
// BMP otherwise.
PictureFormat savedFormatOf(const char *path);

// A picture as the stores keep pixels: bottom row first, blue-green-red, rows of exactly 3 * width bytes.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    // Every pixel is exactly as the file holds it: no transparency laid over white, no 16-bit channel cut
    // down, not JPEG. Only such a file may be written over with what was loaded from it.
    bool exact = false;
};

// Decodes a PNG, TGA or JPEG file, or a PCX file by its first bytes (skin/pcx.h). Transparent pixels are laid
// over white. nullptr and the picture on success; otherwise MSG_PICTURE_DAMAGED (also for a size beyond the
// limits) and the picture is empty.
const char *decodePicture(const uint8_t *data, size_t size, Picture &picture);

// A texture file in any of the readable formats: a BMP through parseTexture with its checks and messages,
// the others through decodePicture. nullptr and the picture (a BMP is always 256 x 256 and exact) on
// success, otherwise the message to show.
const char *decodeTextureFile(const char *path, const uint8_t *data, size_t size, Picture &picture);

// A pattern file in any of the readable formats: a BMP through parsePattern with its checks and messages,
// the others through decodePicture and then the same size rules (even sides of at most 256).
const char *decodePatternFile(const char *path, const uint8_t *data, size_t size, PatternImage &image);

// The question asked before a picture of another size becomes the texture (UTF-8: "×" is U+00D7).
std::string scaleQuestion(int32_t width, int32_t height);

// Resamples a picture to width x height with its colours taken as sRGB; false when it cannot be done
// (an empty picture or a side of 0 or less). The result is never exact.
bool scalePicture(const Picture &source, int32_t width, int32_t height, Picture &scaled);

// The whole file of a picture as PNG, TGA (uncompressed, 24-bit) or PCX (8-bit, with a palette built from the
// picture: exact up to 256 colours); empty for other formats or a picture whose pixels do not match its size.
std::vector<uint8_t> encodePicture(PictureFormat format, const Picture &picture);

// The whole texture file for the red-green-blue pixels of skinGL in the given format: BMP as encodeTexture
// writes it (header from skinHeader), PNG, TGA or PCX as encodePicture.
std::vector<uint8_t> encodeTextureAs(PictureFormat format, const uint8_t *rgb, const BitmapHeader &header);
