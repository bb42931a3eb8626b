// Pictures in PNG, TGA, JPEG and PCX beside the BMP layout: which reader a file goes to, decoding with its size
// limits, scaling, and writing a texture as PNG, TGA, JPEG, PCX or an 8-bit BMP.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bmp.h"
#include "picture/pcx.h"

enum class PictureFormat { Bmp, Png, Tga, Jpeg, Pcx, Ora };

// The sides a texture may have: any whole number from the one to the other.
enum : int32_t { TEXTURE_MIN_SIDE = 8, TEXTURE_MAX_SIDE = 2048 };

// The filters of the choosers that open textures and patterns, as the common dialogs take them.
extern const char TEXTURE_OPEN_FILTERS[];
extern const char PATTERN_OPEN_FILTERS[];
// The filters of the texture save chooser, in the order of their formats: BMP, PNG, TGA, PCX, OpenRaster, JPEG.
extern const char PICTURE_SAVE_FILTERS[];

// Which reader a file goes to: OpenRaster (a zip that says so in its first entry), PNG and JPEG by their
// signatures whatever the name, TGA (which has none) by
// the extension ".tga" in any case, PCX by the extension ".pcx" or by the first bytes of every PCX this
// program reads (0x0A, version 5, run-length coded, 8 bits a plane), BMP otherwise.
PictureFormat pictureFormatOf(const char *path, const uint8_t *data, size_t size);

// Which writer a texture file gets: PNG for a name ending in ".png", TGA for ".tga", JPEG for ".jpg" or ".jpeg",
// PCX for ".pcx", OpenRaster for ".ora" (any case), BMP otherwise.
PictureFormat savedFormatOf(const char *path);

// Decodes a PNG, TGA or JPEG file, or a PCX file by its first bytes (picture/pcx.h). Transparent pixels are laid over white. nullptr and the picture on
// success; otherwise the picture is empty and the message is MSG_PICTURE_TOO_LARGE for a file over
// MAX_PICTURE_FILE_BYTES or a size beyond the limits (both in picture/bmp.h), MSG_PICTURE_DAMAGED for the rest.
const char *decodePicture(const uint8_t *data, size_t size, Picture &picture);

// A texture file in any of the readable formats, at its own size: a BMP through parseTexture with its checks
// and messages, the others through decodePicture; a file over MAX_PICTURE_FILE_BYTES is refused with
// MSG_PICTURE_TOO_LARGE whatever its format. nullptr and the picture on success, otherwise the message to show.
const char *decodeTextureFile(const char *path, const uint8_t *data, size_t size, Picture &picture);

// What a texture file lets a later save keep.
struct TextureOrigin {
    PictureFormat format = PictureFormat::Bmp;
    // Ctrl+S may write the texture back over the file in its format: saving gives every texel back as it was
    // read (the picture is exact, and it is not a 24-bit PCX, which the writer can only store in 256 colours),
    // or it is a JPEG, written back after a question.
    bool writesBack = false;
    // The palette of an 8-bit PCX or a palette BMP, red, green, blue per colour: the colours the picture was
    // drawn from, which a painter may want to keep to, and which a save in 256 colours keeps in their places.
    // Empty for a true-colour picture.
    std::vector<uint8_t> swatches;
};

// decodeTextureFile, also telling what the file was; origin is all default on a refusal.
const char *decodeTextureFile(const char *path, const uint8_t *data, size_t size, Picture &picture,
                              TextureOrigin &origin);

// A pattern file in any of the readable formats: a BMP through parsePattern with its checks and messages,
// the others through decodePicture and then the same size rules (even sides of at most 256).
const char *decodePatternFile(const char *path, const uint8_t *data, size_t size, PatternImage &image);

// Whether a picture of width x height must be scaled before it becomes the texture, and to what. True with the
// target when a side is over TEXTURE_MAX_SIDE (the largest size within it of the same aspect) or under
// TEXTURE_MIN_SIDE (the smallest size with both sides at least that, of the same aspect unless the other side
// would pass TEXTURE_MAX_SIDE); sides rounded to the nearest and kept within the two. False with the
// picture's own size when it can be the texture as it is, or when a side is 0 or less.
bool fitTextureSize(int32_t width, int32_t height, int32_t &fittedWidth, int32_t &fittedHeight);

// The question asked before a picture of width x height is scaled to the target and becomes the texture
// (UTF-8: "×" is U+00D7).
std::string scaleQuestion(int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight);

// Resamples a picture to width x height with its colours taken as sRGB; false when it cannot be done
// (an empty picture or a side of 0 or less). The result is never exact.
bool scalePicture(const Picture &source, int32_t width, int32_t height, Picture &scaled);

// The whole file of a picture as PNG, TGA (uncompressed, 24-bit), JPEG (quality 95) or PCX (8-bit, with a
// palette built from the picture: exact up to 256 colours); empty for other formats or a picture whose pixels do
// not match its size.
std::vector<uint8_t> encodePicture(PictureFormat format, const Picture &picture);

// The whole texture file for red-green-blue rows (3 * width bytes each, bottom row first) of the size the
// header gives, in the given format: BMP as encodeTexture writes it, PNG, TGA, JPEG or PCX as encodePicture,
// OpenRaster as one opaque layer. Empty when a side is 0 or less.
std::vector<uint8_t> encodeTextureAs(PictureFormat format, const uint8_t *rgb, const BitmapHeader &header);

// The whole file of a picture in 256 colours with the palette, each pixel its nearest colour (indexPixels): an
// 8-bit BMP for PictureFormat::Bmp, a PCX otherwise. Empty for a picture whose pixels do not match its size.
std::vector<uint8_t> encodePaletted(PictureFormat format, const Picture &picture, const PcxPalette &palette);

// The question before a painting of more colours than a 256-colour file holds is reduced; formatName is "PCX"
// or "8-bit BMP".
std::string reduceColoursQuestion(size_t colours, const char *formatName);
