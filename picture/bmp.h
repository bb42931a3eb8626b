// The BMP layout shared by texture and pattern files: parse and validate from bytes, encode to bytes; and the
// picture every texture reader returns, with the limits they all keep.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Same layout as a Win32 BITMAPINFO with one colour entry (44 bytes), so GDI can take it as is.
struct BitmapHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
    uint8_t colour[4];
};
static_assert(sizeof(BitmapHeader) == 44, "BitmapHeader must match BITMAPINFO");

// Sets biSize 40, the given size, one plane, 24 bits, BI_RGB; every other byte zero.
void setupBitmapHeader(BitmapHeader &header, int32_t width, int32_t height);

enum : size_t { BMP_FILE_HEADER_BYTES = 14, BMP_INFO_HEADER_BYTES = 40 };

// Nothing larger is decoded: a side over this or more pixels than that is refused before any allocation
// (a 4096 x 4096 picture already takes 64 MiB while it is decoded).
enum : int32_t { MAX_PICTURE_SIDE = 8192 };
enum : size_t { MAX_PICTURE_PIXELS = size_t{4096} * 4096 };
// The largest picture file read whole. The bulkiest file of MAX_PICTURE_PIXELS is a 16-bit RGBA PNG: 8 bytes a
// pixel, plus an eighth for a row filter byte, chunk framing and deflate blocks that grew on noise; 16 MiB
// more leaves room for metadata (colour profiles, text) and for a BMP's palette or a gap before its pixels.
// Every BMP or TGA of that many pixels is smaller (at most 4 bytes a pixel, 5 for run-length coded noise).
enum : size_t { MAX_PICTURE_FILE_BYTES = MAX_PICTURE_PIXELS * 9 + (size_t{16} << 20) };

// The refusals that every picture reader shares.
extern const char *const MSG_PICTURE_DAMAGED;
extern const char *const MSG_PICTURE_TOO_LARGE;
// A file that cannot be opened or read, and a texture there is no memory for.
extern const char *const MSG_FILE_UNREADABLE;
extern const char *const MSG_NO_MEMORY_FOR_TEXTURE;

// True when a picture of width x height is beyond the limits above (its sides already known to be positive).
bool isPictureTooLarge(int64_t width, int64_t height);

// A picture as the stores keep pixels: bottom row first, blue-green-red, rows of exactly 3 * width bytes.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    // Every pixel is exactly as the file holds it: no transparency laid over white, no 16-bit channel cut
    // down, not JPEG. Only such a file may be written over with what was loaded from it.
    bool exact = false;
};

// A colour over white: weighed by its alpha, white by the rest, rounded.
uint8_t overWhite(uint8_t colour, uint8_t alpha);

// The header fields the loaders look at, as read from the file (little-endian).
struct BmpFields {
    uint32_t bfOffBits;
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biClrUsed;
};

// Reads the fields; false when the data is too short to hold both headers.
bool readBmpFields(const uint8_t *data, size_t size, BmpFields &fields);

// Checks a texture file and reads it at its own size, stopping at the first fault, in this order:
// the headers cut short ("Picture file is truncated"); any compression but bit fields on 16 or 32 bits
// ("Picture is compressed, too hard for me :P"); a plane count other than 1 ("Plan number incorrect, must
// be 1"); a bit count other than 1, 4, 8, 16, 24 or 32 (MSG_PICTURE_DAMAGED); a width of 0 or less or a height
// of 0 (MSG_PICTURE_DAMAGED); a size beyond the limits (MSG_PICTURE_TOO_LARGE); a palette file whose header
// is shorter than 40 bytes, or bit-field masks that are not one run of bits within the pixel
// (MSG_PICTURE_DAMAGED); a palette, masks or pixel rows running past the end of the data ("Picture file is
// truncated"); a palette index past the palette (MSG_PICTURE_DAMAGED).
// Read: palette files of 1, 4 and 8 bits (biClrUsed entries, or 2^bits when it is 0), 16 bits (5-5-5, or
// the masks of a bit-field file), 24 bits, and 32 bits (the fourth byte unused, or the masks of a bit-field
// file); bottom-up and top-down (negative height). A bit-field file with an alpha mask (a header of 56 bytes
// or more) has its alpha laid over white, unless every pixel's alpha is 0, which writers use for "no alpha".
// nullptr and the picture on success: exact unless alpha was laid over white or a channel had more than
// 8 bits. Otherwise the message to show, and the picture is empty.
const char *parseTexture(const uint8_t *data, size_t size, Picture &picture);

// The palette of a texture file of 1, 4 or 8 bits that parseTexture reads: red, green, blue per colour, in the
// file's order, as many as its pixels may name. Empty for a file of more bits or one whose headers or palette
// parseTexture refuses.
std::vector<uint8_t> texturePaletteOf(const uint8_t *data, size_t size);

// The whole texture file for red-green-blue rows (3 * width bytes each, bottom row first) of the size the
// header gives (biWidth x biHeight): "BM", offset 54, the header's 40 bytes as they are, then the rows in
// blue-green-red, each padded with zeros to a multiple of 4 bytes. Empty when a side is 0 or less.
std::vector<uint8_t> encodeTexture(const uint8_t *rgb, const BitmapHeader &header);

// An 8-bit palette file of width x height: "BM", the 40-byte header (256 colours used), the 256 colours of the
// palette (red, green, blue each, 768 bytes) as blue-green-red-zero entries, then the rows of palette indices
// (width each, bottom row first) padded with zeros to a multiple of 4 bytes. Empty when a side is 0 or less or
// beyond MAX_PICTURE_SIDE.
std::vector<uint8_t> encodePalettedBmp(int32_t width, int32_t height, const uint8_t *indices, const uint8_t *palette);

// The first 54 bytes of that file: what precedes the padded blue-green-red rows in a texture file. Uses no
// heap, so that it can run where the heap may be broken.
void encodeTextureHeader(const BitmapHeader &header, uint8_t out[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES]);

// Bytes of the texture file encodeTexture writes for width x height; 0 when a side is 0 or less.
size_t bmpFileBytes(int32_t width, int32_t height);

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

// The same pixels with the first and third byte of each exchanged: blue-green-red to red-green-blue and back.
std::vector<uint8_t> swappedRedAndBlue(const uint8_t *pixels, size_t bytes);
