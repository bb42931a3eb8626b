// ZSoft PCX pictures, version 5: decoding 8-bit files with their 256-colour palette and 24-bit files of three
// planes, both run-length coded, and writing 8-bit files with a palette, which can be built from the picture.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/bmp.h"

enum : size_t {
    PCX_HEADER_BYTES = 128,
    PCX_PALETTE_COLOURS = 256,
    PCX_PALETTE_BYTES = 1 + PCX_PALETTE_COLOURS * 3, // the marker 0x0C, then the colours, at the end of the file
    PCX_MAX_RUN = 63,                                // the longest run one count byte holds
};
enum : uint8_t { PCX_MANUFACTURER = 0x0A, PCX_VERSION = 5, PCX_RLE = 1, PCX_PALETTE_MARKER = 0x0C };

// A 256-colour palette in the file's order: red, green, blue per colour.
typedef std::array<uint8_t, PCX_PALETTE_COLOURS * 3> PcxPalette;

// Why a file is refused. The tests tell the refusals apart by these; the user sees one message for all.
enum class PcxError {
    None,
    TooShort,     // fewer bytes than the header
    NotPcx,       // the first byte is not ZSoft's 0x0A
    BadVersion,   // a version other than 5
    BadEncoding,  // not run-length coded
    BadFormat,    // neither 8 bits in one plane (paletted) nor 8 bits in three planes (red, green, blue)
    BadSize,      // a window whose far edge lies before its near one
    TooLarge,     // a side or a pixel count beyond the picture limits of picture/picture.h
    BadLineBytes, // fewer bytes per plane line than the picture is wide
    NoPalette,    // an 8-bit file without room for the palette or without its marker 769 bytes from the end
    Truncated,    // the coded data ends before the picture does
    RunPastEnd,   // a run that goes on past the picture's last byte
    OutOfMemory,
};

// A decoded file: the picture as the stores keep pixels (bottom row first, blue-green-red, exact) and, for an
// 8-bit file, the palette its pixels index, so that a save can reuse it.
struct PcxImage {
    Picture picture;
    bool paletted = false;
    PcxPalette palette = {};
};

// Decodes a whole file. Runs may cross the ends of lines and planes; the bytes per line beyond the width are
// dropped. Every count, size and run is checked against the data; any other kind of PCX is refused. On failure
// image is left empty. Never reads outside [data, data + size), never throws.
PcxError decodePcx(const uint8_t *data, size_t size, PcxImage &image);

// The palette index of every pixel, in the picture's order: the nearest palette colour (squared distance in
// red, green, blue), the lowest index among equals. A pixel whose colour is in the palette keeps it exactly.
// Empty for a picture whose pixels do not match its size.
std::vector<uint8_t> indexPixels(const Picture &picture, const PcxPalette &palette);

// The whole file of the picture as an 8-bit, version 5, run-length coded PCX with the palette (pixels as
// indexPixels maps them, lines of an even byte count, runs within a line). Empty for a picture whose pixels do
// not match its size or with a side beyond MAX_PICTURE_SIDE.
std::vector<uint8_t> encodePcx(const Picture &picture, const PcxPalette &palette);

// A palette for the picture. With at most 256 colours, those colours in the order they first appear from the
// bottom row (the rest black), so that the picture is written exactly; otherwise 256 colours by median cut over
// the colours rounded to 6 bits a channel, each the mean of the pixels it stands for.
PcxPalette buildPcxPalette(const Picture &picture);

// The palette a painting is saved with in 256 colours, and whether the file then holds the painting unchanged.
struct SavePalette {
    PcxPalette palette = {};
    size_t colours = 0;  // the painting's distinct colours
    bool exact = false;  // every one of them is in the palette
};

// The palette for a save in 256 colours. `kept` is the palette of the 8-bit file the painting came from (red,
// green, blue per entry, at most 256 used), or empty. Up to 256 colours, exact: without a kept palette
// buildPcxPalette's; with one, its entries stay in their places (an entry whose colour the painting no longer
// has keeps it unless a new colour needs the place), and the painting's new colours take the places past the
// kept entries first, then those of colours it no longer has. Past 256 colours, not exact: the kept entries stay
// and the places past them take colours chosen by median cut (all 256 without a kept palette), so that a file
// drawn in a fixed palette keeps it.
SavePalette chooseSavePalette(const Picture &picture, const std::vector<uint8_t> &kept);
