// OpenRaster files: a zip of the layer stack's description (stack.xml), one PNG a layer, a thumbnail and the
// merged picture; read from what any program writes, written as other programs read it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/blend_mode.h"

// A file with more layers than this is refused: the texture holds no more.
enum : size_t { ORA_MAX_LAYERS = 64 };
// The decoded layers of one file, at the size they are kept, take no more than this.
enum : size_t { ORA_MAX_LAYER_BYTES = size_t{1} << 30 };
enum : int32_t { ORA_THUMBNAIL_SIDE = 256 };
// A layered file may be read whole up to this size (its layers are inflated one at a time, each no larger than a
// picture file may be); other pictures keep their own limit.
enum : size_t { ORA_MAX_FILE_BYTES = size_t{1} << 30 };

extern const char ORA_MIMETYPE[];
extern const char *const MSG_ORA_TOO_MANY_LAYERS;

// One layer as stack.xml describes it.
struct OraStackLayer {
    std::string name;
    std::string src;
    int64_t x = 0; // where its picture's top left corner lies on the canvas, rows counted from the top
    int64_t y = 0;
    int32_t opacity = 100; // per cent
    bool visible = true;
    BlendMode mode = BlendMode::Normal;
};

// stack.xml: the canvas and its layers, top first, nested stacks flattened into theirs in order (their offsets
// added, their opacity and visibility passed on).
struct OraStack {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<OraStackLayer> layers;
    std::vector<std::string> unknownModes; // composite-op values read as Normal, each once
};

// A layer as the program keeps it: blue, green, red, alpha (not premultiplied), rows bottom-up, the image's size.
struct OraLayer {
    std::string name;
    bool visible = true;
    int32_t opacity = 100;
    BlendMode mode = BlendMode::Normal;
    std::vector<uint8_t> pixels;
};

struct OraImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<OraLayer> layers; // bottom first
};

// Parses stack.xml. False when it is not well-formed XML of the subset it needs, has no image with a
// positive size, or no stack.
bool parseOraStack(const char *text, size_t size, OraStack &stack);

// The text of stack.xml for a stack (layers top first).
std::string writeOraStack(const OraStack &stack);

// The composite-op a mode is written as, and the mode an op names (false when the op is unknown).
const char *compositeOpOf(BlendMode mode);
bool modeOfCompositeOp(const std::string &op, BlendMode &mode);

// The warning about the unknown composite-ops a file used, or an empty string when there were none.
std::string unknownModesWarning(const std::vector<std::string> &modes);

// Whether the bytes are an OpenRaster file: a zip whose first entry is "mimetype" holding ORA_MIMETYPE.
bool isOraFile(const uint8_t *data, size_t size);

// Reads the zip's directory and stack.xml. nullptr on success, otherwise MSG_PICTURE_DAMAGED, or
// MSG_PICTURE_TOO_LARGE for a canvas beyond the picture limits, or MSG_ORA_TOO_MANY_LAYERS.
const char *readOraStack(const uint8_t *data, size_t size, OraStack &stack);

// Told after each layer read or written: how many are done of how many (a long save or load shows it).
typedef void (*OraProgress)(size_t done, size_t total);

// Decodes every layer of a stack read from the same bytes, each placed at its offset on the canvas and cut to
// it, then resampled to width x height when that differs from the canvas. nullptr and the image on success,
// otherwise the message (MSG_PICTURE_TOO_LARGE when the layers would take more than ORA_MAX_LAYER_BYTES).
const char *decodeOraLayers(const uint8_t *data, size_t size, const OraStack &stack, int32_t width, int32_t height,
                            OraImage &image, OraProgress progress = nullptr);

// Both steps at the canvas's own size.
const char *decodeOra(const uint8_t *data, size_t size, OraImage &image, OraStack &stack);

// The whole .ora file of the layers and their composite (blue-green-red rows, bottom-up, the image's size);
// empty when it cannot be made.
std::vector<uint8_t> encodeOra(const OraImage &image, const uint8_t *mergedBgr, OraProgress progress = nullptr);

// A PNG file of width x height pixels with 3 (red, green, blue) or 4 (and alpha) channels, rows top first.
std::vector<uint8_t> encodePng(int32_t width, int32_t height, int channels, const uint8_t *rows);
