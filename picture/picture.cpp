// Pictures in PNG, TGA, JPEG and PCX beside the BMP layout: which reader a file goes to, decoding with its size
// limits, scaling, and writing a texture as PNG, TGA, JPEG, PCX or an 8-bit BMP.
#include "picture/picture.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

#include "picture/ora.h"
#include "picture/pcx.h"

// The open choosers list every picture first; the BMP entry keeps each chooser's own name for BMP files.
#define PICTURES_FILTER                                                                                        \
    "Pictures (*.bmp;*.png;*.tga;*.jpg;*.jpeg;*.pcx)\0*.bmp;*.png;*.tga;*.jpg;*.jpeg;*.pcx\0"
#define TEXTURES_FILTER                                                                                        \
    "Pictures (*.bmp;*.png;*.tga;*.jpg;*.jpeg;*.pcx;*.ora)\0*.bmp;*.png;*.tga;*.jpg;*.jpeg;*.pcx;*.ora\0"
#define OTHER_PICTURE_FILTERS                                                                                  \
    "PNG picture (*.png)\0*.png\0"                                                                            \
    "TGA picture (*.tga)\0*.tga\0"                                                                            \
    "JPEG picture (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0"                                                             \
    "PCX picture (*.pcx)\0*.pcx\0"                                                                            \
    "All files (*.*)\0*.*\0" // the literal's own NUL closes the list

// Layered files are textures only: a pattern is one picture.
const char TEXTURE_OPEN_FILTERS[] = TEXTURES_FILTER "Image Bitmap (*.bmp)\0*.bmp\0"
                                                   "OpenRaster, layers (*.ora)\0*.ora\0" OTHER_PICTURE_FILTERS;
const char PATTERN_OPEN_FILTERS[] = PICTURES_FILTER "Pencil Pattern (*.bmp)\0*.bmp\0" OTHER_PICTURE_FILTERS;

const char PICTURE_SAVE_FILTERS[] = "BMP picture (*.bmp)\0*.bmp\0"
                                    "PNG picture (*.png)\0*.png\0"
                                    "TGA picture (*.tga)\0*.tga\0"
                                    "PCX picture, 256 colours (*.pcx)\0*.pcx\0"
                                    "OpenRaster, layers (*.ora)\0*.ora\0"
                                    "JPEG picture (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0";

namespace {

const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
const uint8_t JPEG_SIGNATURE[3] = {0xFF, 0xD8, 0xFF};
// One byte of ZSoft's would say little (a TGA may start with 0x0A); the four of every PCX that can be read do.
const uint8_t PCX_SIGNATURE[4] = {PCX_MANUFACTURER, PCX_VERSION, PCX_RLE, 8};

bool startsWith(const uint8_t *data, size_t size, const uint8_t *signature, size_t length)
{
    return size >= length && std::memcmp(data, signature, length) == 0;
}

// Where the stb decoder finds a JPEG's start-of-image marker, which it takes after any run of 0xFF fill bytes:
// the offset just after the marker, or 0 when stb would not read the data as a JPEG at all.
size_t jpegBodyStart(const uint8_t *data, size_t size)
{
    size_t at = 0;
    while (at < size && data[at] == 0xFF)
        ++at;
    return at > 0 && at < size && data[at] == 0xD8 ? at + 1 : 0;
}

bool endsWithNoCase(const char *path, const char *suffix)
{
    if (path == nullptr)
        return false;
    const size_t length = std::strlen(path);
    const size_t suffixLength = std::strlen(suffix);
    if (length < suffixLength)
        return false;
    for (size_t i = 0; i < suffixLength; ++i)
        if (std::tolower(static_cast<unsigned char>(path[length - suffixLength + i])) != suffix[i])
            return false;
    return true;
}

// The origin, when asked for, learns the palette of an 8-bit file.
const char *decodePcxPicture(const uint8_t *data, size_t size, Picture &picture, TextureOrigin *origin = nullptr)
{
    PcxImage image;
    const PcxError error = decodePcx(data, size, image);
    if (error != PcxError::None) {
        picture = Picture();
        return error == PcxError::TooLarge ? MSG_PICTURE_TOO_LARGE : MSG_PICTURE_DAMAGED;
    }
    picture = std::move(image.picture);
    if (origin != nullptr && image.paletted)
        origin->swatches.assign(image.palette.begin(), image.palette.end());
    return nullptr;
}

// stb's red-green-blue-alpha rows, top row first, as the stores keep pixels; false when any pixel had
// some transparency.
bool storeOverWhite(const uint8_t *rgba, Picture &picture)
{
    const size_t width = static_cast<size_t>(picture.width);
    const size_t rows = static_cast<size_t>(picture.height);
    picture.pixels.resize(width * rows * 3);
    bool opaque = true;
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t *src = rgba + (rows - 1 - r) * width * 4;
        uint8_t *dst = picture.pixels.data() + r * width * 3;
        for (size_t x = 0; x < width; ++x, src += 4, dst += 3) {
            opaque = opaque && src[3] == 255;
            dst[0] = overWhite(src[2], src[3]);
            dst[1] = overWhite(src[1], src[3]);
            dst[2] = overWhite(src[0], src[3]);
        }
    }
    return opaque;
}

// stb reads zeros past the end of a TGA, so one that is cut short would load with black pixels (and a header
// claiming millions of pixels would be decoded from nothing). Uncompressed, every pixel needs its bytes; run-length
// coded, every 128 pixels need at least a packet byte and one pixel.
bool tgaCutShort(const uint8_t *data, size_t size)
{
    const size_t HEADER = 18;
    if (size < HEADER || startsWith(data, size, PNG_SIGNATURE, sizeof PNG_SIGNATURE) || jpegBodyStart(data, size))
        return false;
    const uint8_t type = data[2];
    const bool packed = type >= 9 && type <= 11;
    if (!packed && (type < 1 || type > 3))
        return false;
    const size_t mapBytes = data[1] ? size_t(data[5] | data[6] << 8) * ((data[7] + 7u) / 8) : 0;
    const size_t pixels = size_t(data[12] | data[13] << 8) * size_t(data[14] | data[15] << 8);
    const size_t pixelBytes = (data[16] + 7u) / 8;
    const size_t coded = packed ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    return size < HEADER + data[0] + mapBytes + coded;
}

// The stb decoder makes room for each IDAT chunk of a PNG as its length field says before it reads the chunk, so
// a few bytes claiming a gigabyte would have a gigabyte allocated for them. Every chunk up to IEND must lie
// within the file. Fewer bytes than a length and a type at the end cannot name an IDAT chunk: left to the decoder,
// which finds that the file ends.
bool pngChunksFit(const uint8_t *data, size_t size)
{
    const size_t CHUNK_HEAD = 8, CHUNK_FRAME = 12; // length and type; then the data and a CRC
    size_t at = sizeof PNG_SIGNATURE;
    while (at <= size && size - at >= CHUNK_HEAD) {
        const size_t length = size_t(data[at]) << 24 | size_t(data[at + 1]) << 16 | size_t(data[at + 2]) << 8 |
                              data[at + 3];
        if (size - at < CHUNK_FRAME || length > size - at - CHUNK_FRAME)
            return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        at += CHUNK_FRAME + length;
    }
    return true;
}

uint32_t bigEndian32(const uint8_t *at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

// Bytes of the filtered rows of a PNG picture, the filter byte of each row included, for one pass of
// width x height pixels (0 for an empty pass).
size_t pngPassBytes(size_t width, size_t height, size_t bitsPerPixel)
{
    if (width == 0 || height == 0)
        return 0;
    return height * (1 + (width * bitsPerPixel + 7) / 8);
}

// The inflated size an IHDR implies: every row of every pass with its filter byte. 0 for a header no PNG has.
size_t pngRawBytes(const uint8_t *ihdr)
{
    const size_t width = bigEndian32(ihdr), height = bigEndian32(ihdr + 4);
    const uint8_t depth = ihdr[8], colour = ihdr[9], interlace = ihdr[12];
    const size_t samples = colour == 0 || colour == 3 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 0;
    if (samples == 0 || depth == 0 || depth > 16 || interlace > 1)
        return 0;
    const size_t bits = samples * depth;
    if (interlace == 0)
        return pngPassBytes(width, height, bits);
    // Adam7: each pass takes every n-th pixel from an offset, across and down.
    static const size_t start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static const size_t step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    size_t total = 0;
    for (int p = 0; p < 7; ++p) {
        const size_t across = width > start[p][0] ? (width - start[p][0] + step[p][0] - 1) / step[p][0] : 0;
        const size_t down = height > start[p][1] ? (height - start[p][1] + step[p][1] - 1) / step[p][1] : 0;
        total += pngPassBytes(across, down, bits);
    }
    return total;
}

// The stb decoder inflates a PNG's data into a buffer it doubles for as long as the stream goes on, so a few
// megabytes of deflate can ask for gigabytes and minutes. The stream is inflated here first into a buffer of
// exactly the size the header implies, which fails as soon as the stream would write one byte more. Called once
// the header's size is within the limits and every chunk is known to lie within the file.
bool pngInflatesWithin(const uint8_t *data, size_t size)
{
    const size_t CHUNK_HEAD = 8, CHUNK_FRAME = 12;
    std::vector<uint8_t> stream;
    size_t rawBytes = 0;
    bool headerless = false; // Apple's variant stores its stream without the zlib header
    for (size_t at = sizeof PNG_SIGNATURE; size - at >= CHUNK_FRAME;) {
        const size_t length = bigEndian32(data + at);
        const uint8_t *type = data + at + 4, *body = data + at + CHUNK_HEAD;
        if (std::memcmp(type, "IHDR", 4) == 0 && length == 13)
            rawBytes = pngRawBytes(body);
        else if (std::memcmp(type, "CgBI", 4) == 0)
            headerless = true;
        else if (std::memcmp(type, "IDAT", 4) == 0)
            stream.insert(stream.end(), body, body + length);
        else if (std::memcmp(type, "IEND", 4) == 0)
            break;
        at += CHUNK_FRAME + length;
    }
    if (rawBytes == 0 || rawBytes > size_t{INT_MAX} || stream.size() > size_t{INT_MAX})
        return false;
    std::vector<char> raw(rawBytes);
    const char *in = reinterpret_cast<const char *>(stream.data());
    const int inflated = headerless ? stbi_zlib_decode_noheader_buffer(raw.data(), int(rawBytes), in, int(stream.size()))
                                    : stbi_zlib_decode_buffer(raw.data(), int(rawBytes), in, int(stream.size()));
    return inflated >= 0;
}

// Every 8 x 8 block of a JPEG costs at least a bit, so a file far smaller than its pixels would be decoded
// mostly from nothing: refused, with a margin of two.
bool jpegTooShort(size_t size, size_t pixels)
{
    return size < pixels / 1024;
}

// The stb decoder builds each Huffman table of a JPEG into room for 256 codes without checking the counts the
// file declares: a table claiming more would be written past that room. Its markers are walked here first,
// as the decoder finds them (segments skipped by their length, entropy-coded data byte by byte, where 0xFF is
// followed only by a stuffed 0 or a restart marker), and every table of every DHT segment is checked.
bool jpegHuffmanTablesFit(const uint8_t *data, size_t size)
{
    size_t at = jpegBodyStart(data, size);
    while (at + 1 < size) {
        const uint8_t marker = data[at + 1];
        if (data[at] != 0xFF || marker == 0xFF) { // bytes between segments, entropy-coded data, fill bytes
            ++at;
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length follows
            at += 2;
            continue;
        }
        if (marker == 0xD9 || at + 4 > size) // the end of the picture, or of the file
            return true;
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        // A table: its class and number, 16 counts of codes by length, then that many values. The decoder
        // starts one wherever the segment has bytes left, and reads zeros past the end of the file.
        for (size_t table = at + 4; marker == 0xC4 && table < at + 2 + length;) {
            size_t codes = 0;
            for (size_t i = table + 1; i <= table + 16 && i < size; ++i)
                codes += data[i];
            if (codes > 256)
                return false;
            table += 17 + codes;
        }
        at += 2 + (length < 2 ? 2 : length);
    }
    return true;
}

// side * to / from, rounded to the nearest, kept within the sides a texture may have.
int32_t scaledSide(int32_t side, int32_t from, int32_t to)
{
    const int64_t scaled = (int64_t{side} * to + from / 2) / from;
    if (scaled < TEXTURE_MIN_SIDE)
        return TEXTURE_MIN_SIDE;
    return scaled > TEXTURE_MAX_SIDE ? TEXTURE_MAX_SIDE : static_cast<int32_t>(scaled);
}

bool pixelsMatchSize(const Picture &picture)
{
    return picture.width > 0 && picture.height > 0 &&
           uint64_t(picture.pixels.size()) == uint64_t(3) * uint64_t(picture.width) * uint64_t(picture.height);
}

// The writers take red-green-blue rows, top row first.
std::vector<uint8_t> rgbTopDown(const Picture &picture)
{
    const size_t width = static_cast<size_t>(picture.width);
    const size_t rows = static_cast<size_t>(picture.height);
    std::vector<uint8_t> rgb(width * rows * 3);
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t *src = picture.pixels.data() + (rows - 1 - r) * width * 3;
        uint8_t *dst = rgb.data() + r * width * 3;
        for (size_t i = 0; i < width * 3; i += 3) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
        }
    }
    return rgb;
}

void appendBytes(void *context, void *data, int size)
{
    auto *out = static_cast<std::vector<uint8_t> *>(context);
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    if (size > 0)
        out->insert(out->end(), bytes, bytes + size);
}

} // namespace

PictureFormat pictureFormatOf(const char *path, const uint8_t *data, size_t size)
{
    if (isOraFile(data, size) || endsWithNoCase(path, ".ora"))
        return PictureFormat::Ora;
    if (startsWith(data, size, PNG_SIGNATURE, sizeof PNG_SIGNATURE))
        return PictureFormat::Png;
    if (startsWith(data, size, JPEG_SIGNATURE, sizeof JPEG_SIGNATURE))
        return PictureFormat::Jpeg;
    if (endsWithNoCase(path, ".tga"))
        return PictureFormat::Tga;
    if (endsWithNoCase(path, ".pcx") || startsWith(data, size, PCX_SIGNATURE, sizeof PCX_SIGNATURE))
        return PictureFormat::Pcx;
    return PictureFormat::Bmp;
}

PictureFormat savedFormatOf(const char *path)
{
    if (endsWithNoCase(path, ".png"))
        return PictureFormat::Png;
    if (endsWithNoCase(path, ".tga"))
        return PictureFormat::Tga;
    if (endsWithNoCase(path, ".jpg") || endsWithNoCase(path, ".jpeg"))
        return PictureFormat::Jpeg;
    if (endsWithNoCase(path, ".pcx"))
        return PictureFormat::Pcx;
    if (endsWithNoCase(path, ".ora"))
        return PictureFormat::Ora;
    return PictureFormat::Bmp;
}

const char *decodePicture(const uint8_t *data, size_t size, Picture &picture)
{
    if (startsWith(data, size, PCX_SIGNATURE, sizeof PCX_SIGNATURE))
        return decodePcxPicture(data, size, picture);
    picture = Picture();
    static_assert(MAX_PICTURE_FILE_BYTES <= size_t{INT_MAX}, "stb takes the length as an int");
    if (size > MAX_PICTURE_FILE_BYTES)
        return MSG_PICTURE_TOO_LARGE;
    if (size == 0)
        return MSG_PICTURE_DAMAGED;
    const int length = static_cast<int>(size);
    // Not only files with the signature: stb reads anything that reaches the marker through fill bytes as a JPEG.
    const bool jpeg = jpegBodyStart(data, size) != 0;
    if (jpeg && !jpegHuffmanTablesFit(data, size))
        return MSG_PICTURE_DAMAGED;
    // The size from the header first: nothing too large is ever allocated, and a picture refused for its size
    // is told so even when the rest of its file is missing.
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels) || width <= 0 || height <= 0)
        return MSG_PICTURE_DAMAGED;
    if (isPictureTooLarge(width, height))
        return MSG_PICTURE_TOO_LARGE;
    if (tgaCutShort(data, size))
        return MSG_PICTURE_DAMAGED;
    if (startsWith(data, size, PNG_SIGNATURE, sizeof PNG_SIGNATURE) &&
        (!pngChunksFit(data, size) || !pngInflatesWithin(data, size)))
        return MSG_PICTURE_DAMAGED;
    if (jpeg && jpegTooShort(size, size_t(width) * height))
        return MSG_PICTURE_DAMAGED;

    int decodedWidth = 0, decodedHeight = 0;
    uint8_t *rgba = stbi_load_from_memory(data, length, &decodedWidth, &decodedHeight, &channels, 4);
    if (rgba == nullptr)
        return MSG_PICTURE_DAMAGED;
    if (decodedWidth != width || decodedHeight != height) { // the header said one thing, the decoder another
        stbi_image_free(rgba);
        return MSG_PICTURE_DAMAGED;
    }
    picture.width = width;
    picture.height = height;
    const bool opaque = storeOverWhite(rgba, picture);
    stbi_image_free(rgba);
    picture.exact = opaque && !jpeg && !stbi_is_16_bit_from_memory(data, length);
    return nullptr;
}

const char *decodeTextureFile(const char *path, const uint8_t *data, size_t size, Picture &picture)
{
    TextureOrigin origin;
    return decodeTextureFile(path, data, size, picture, origin);
}

const char *decodeTextureFile(const char *path, const uint8_t *data, size_t size, Picture &picture,
                              TextureOrigin &origin)
{
    origin = TextureOrigin();
    if (size > MAX_PICTURE_FILE_BYTES) {
        picture = Picture();
        return MSG_PICTURE_TOO_LARGE;
    }
    TextureOrigin read;
    read.format = pictureFormatOf(path, data, size);
    const char *refusal = read.format == PictureFormat::Pcx   ? decodePcxPicture(data, size, picture, &read)
                          : read.format != PictureFormat::Bmp ? decodePicture(data, size, picture)
                                                              : parseTexture(data, size, picture);
    if (refusal != nullptr)
        return refusal;
    if (read.format == PictureFormat::Bmp)
        read.swatches = texturePaletteOf(data, size);
    // A 24-bit PCX is read exactly, but the writer makes 256 colours of it: saved over, it would lose colours.
    // A JPEG loses detail at every save, which Ctrl+S asks about before it writes one back.
    read.writesBack = (picture.exact || read.format == PictureFormat::Jpeg) &&
                      (read.format != PictureFormat::Pcx || !read.swatches.empty());
    origin = read;
    return nullptr;
}

const char *decodePatternFile(const char *path, const uint8_t *data, size_t size, PatternImage &image)
{
    const PictureFormat format = pictureFormatOf(path, data, size);
    if (format == PictureFormat::Bmp)
        return parsePattern(data, size, image);
    Picture picture;
    const char *refusal = format == PictureFormat::Pcx ? decodePcxPicture(data, size, picture)
                                                        : decodePicture(data, size, picture);
    if (refusal == nullptr)
        refusal = checkPatternSize(picture.width, picture.height);
    if (refusal != nullptr)
        return refusal;
    image.width = picture.width;
    image.height = picture.height;
    image.pixels.swap(picture.pixels);
    return nullptr;
}

bool fitTextureSize(int32_t width, int32_t height, int32_t &fittedWidth, int32_t &fittedHeight)
{
    fittedWidth = width;
    fittedHeight = height;
    if (width <= 0 || height <= 0)
        return false;
    const int32_t longer = width > height ? width : height;
    const int32_t shorter = width < height ? width : height;
    // The side that decides: the longer one brought down to the largest side, else the shorter one brought
    // up to the smallest; the other follows in proportion.
    int32_t from, to;
    if (longer > TEXTURE_MAX_SIDE)
        from = longer, to = TEXTURE_MAX_SIDE;
    else if (shorter < TEXTURE_MIN_SIDE)
        from = shorter, to = TEXTURE_MIN_SIDE;
    else
        return false;
    fittedWidth = scaledSide(width, from, to);
    fittedHeight = scaledSide(height, from, to);
    return true;
}

std::string scaleQuestion(int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight)
{
    char text[160];
    std::snprintf(text, sizeof text, "The picture is %ld \xC3\x97 %ld pixels. Scale it to %ld \xC3\x97 %ld?",
                  static_cast<long>(width), static_cast<long>(height), static_cast<long>(targetWidth),
                  static_cast<long>(targetHeight));
    return text;
}

bool scalePicture(const Picture &source, int32_t width, int32_t height, Picture &scaled)
{
    scaled = Picture();
    if (!pixelsMatchSize(source) || width <= 0 || height <= 0)
        return false;
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3);
    // Blue-green-red or red-green-blue makes no difference to the filter: each channel is resampled alone.
    if (!stbir_resize_uint8_srgb(source.pixels.data(), source.width, source.height, 0, pixels.data(), width, height,
                                 0, 3, STBIR_ALPHA_CHANNEL_NONE, 0))
        return false;
    scaled.width = width;
    scaled.height = height;
    scaled.pixels.swap(pixels);
    return true;
}

std::vector<uint8_t> encodePicture(PictureFormat format, const Picture &picture)
{
    std::vector<uint8_t> file;
    if (format == PictureFormat::Pcx)
        return encodePcx(picture, buildPcxPalette(picture));
    if (!pixelsMatchSize(picture) ||
        (format != PictureFormat::Png && format != PictureFormat::Tga && format != PictureFormat::Jpeg))
        return file;
    const std::vector<uint8_t> rgb = rgbTopDown(picture);
    int written = 0;
    if (format == PictureFormat::Png) {
        written = stbi_write_png_to_func(appendBytes, &file, picture.width, picture.height, 3, rgb.data(),
                                         picture.width * 3);
    } else if (format == PictureFormat::Jpeg) {
        written = stbi_write_jpg_to_func(appendBytes, &file, picture.width, picture.height, 3, rgb.data(), 95);
    } else {
        // Uncompressed: every program that reads TGA reads that.
        stbi_write_tga_with_rle = 0;
        written = stbi_write_tga_to_func(appendBytes, &file, picture.width, picture.height, 3, rgb.data());
    }
    if (!written)
        file.clear();
    return file;
}

std::vector<uint8_t> encodeTextureAs(PictureFormat format, const uint8_t *rgb, const BitmapHeader &header)
{
    if (format == PictureFormat::Bmp)
        return encodeTexture(rgb, header);
    if (header.biWidth <= 0 || header.biHeight <= 0)
        return {};
    if (format == PictureFormat::Ora) {
        OraImage image;
        image.width = header.biWidth;
        image.height = header.biHeight;
        image.layers.resize(1);
        image.layers[0].name = "Background";
        const size_t texels = size_t(header.biWidth) * size_t(header.biHeight);
        std::vector<uint8_t> &pixels = image.layers[0].pixels;
        pixels.resize(texels * 4);
        std::vector<uint8_t> bgr(texels * 3);
        for (size_t t = 0; t < texels; ++t) {
            pixels[t * 4] = bgr[t * 3] = rgb[t * 3 + 2];
            pixels[t * 4 + 1] = bgr[t * 3 + 1] = rgb[t * 3 + 1];
            pixels[t * 4 + 2] = bgr[t * 3 + 2] = rgb[t * 3];
            pixels[t * 4 + 3] = 255;
        }
        return encodeOra(image, bgr.data());
    }
    Picture picture;
    picture.width = header.biWidth;
    picture.height = header.biHeight;
    picture.pixels = swappedRedAndBlue(rgb, size_t(header.biWidth) * size_t(header.biHeight) * 3);
    return encodePicture(format, picture);
}

std::vector<uint8_t> encodePaletted(PictureFormat format, const Picture &picture, const PcxPalette &palette)
{
    if (format != PictureFormat::Bmp)
        return encodePcx(picture, palette);
    const std::vector<uint8_t> indices = indexPixels(picture, palette);
    if (indices.empty())
        return {};
    return encodePalettedBmp(picture.width, picture.height, indices.data(), palette.data());
}

std::string reduceColoursQuestion(size_t colours, const char *formatName)
{
    return "The painting has " + std::to_string(colours) + " colours; " + formatName + " keeps 256. Reduce it?";
}
