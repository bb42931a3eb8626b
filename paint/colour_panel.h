// The colour panel's arithmetic: hue, saturation and value, the recent colours, the palette swatches of the
// texture, where each part of the panel lies, what a click hits, and the panel's picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "paint/brush.h"

struct Rgb {
    uint8_t red, green, blue;
};

inline bool operator==(Rgb a, Rgb b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
inline bool operator!=(Rgb a, Rgb b)
{
    return !(a == b);
}

// Hue in degrees [0, 360), saturation and value in [0, 1].
struct Hsv {
    double hue, saturation, value;
};

Rgb rgbFromHsv(Hsv colour);

// The colour's hue, saturation and value. A grey has no hue and black no saturation either: those of `kept`
// stay, so a picker that went through grey or black keeps its place in the hue strip.
Hsv hsvFromRgb(Rgb colour, Hsv kept);

// What the panel shows for the pen colour: `shown` while it still gives exactly that colour (a drag in the
// square keeps its own fractions), otherwise the pen's colour read afresh, keeping what `shown` can keep.
Hsv followPenColour(Hsv shown, Rgb pen);

// The last colours painted with, the most recent first.
enum : int32_t { RECENT_COLOURS = 12 };
struct RecentColours {
    int32_t count;
    Rgb colours[RECENT_COLOURS];
};

extern RecentColours recentColours;

// A colour was painted with: it goes first, out of its old place if it was there, and the oldest drops out
// once there are RECENT_COLOURS. True when the row changed.
bool noteColourUsed(RecentColours &recent, Rgb colour);

// The row as kept across starts: "rrggbb" in hexadecimal, most recent first, separated by commas.
std::string encodeRecentColours(const RecentColours &recent);
// Reads that text back; entries that are not six hexadecimal digits and repeats are skipped, and at most
// RECENT_COLOURS are kept.
RecentColours decodeRecentColours(const std::string &text);

// A stroke of this kind paints with the pen colour: the pen's square, or the pattern tinted with it.
bool strokePaintsPenColour(DabKind kind, bool usePattern, bool useColor);

// The palette of the 8-bit picture the texture came from, in its order, offered as swatches; empty for a
// texture of any other origin.
extern std::vector<Rgb> textureSwatches;

// A palette given as red, green, blue per colour, as swatches.
std::vector<Rgb> swatchesFromPalette(const std::vector<uint8_t> &palette);

// A rectangle of the panel in pixels: left and top inside, right and bottom just outside.
struct PanelRect {
    int32_t left, top, right, bottom;
};

// Where the parts lie in a panel of width x height pixels that offers `swatchCount` palette swatches: the
// saturation-value square at the top left with the hue strip beside it, the palette (if any) to their right
// in rows of up to 16 (as many as give the largest swatches), and along the bottom the pen colour followed by the row of recent colours. A part that does
// not fit is empty.
struct ColourPanelLayout {
    PanelRect square;
    PanelRect hueStrip;
    PanelRect current;
    PanelRect recent[RECENT_COLOURS];
    PanelRect palette;          // the whole grid
    int32_t paletteColumns;
    int32_t cell;               // the side of a swatch of the palette, its 1-pixel gap included
};

ColourPanelLayout layoutColourPanel(int32_t width, int32_t height, size_t swatchCount);

enum class PanelPart { none, square, hueStrip, current, recent, palette };

// What a pixel of the panel shows: the part, and for a recent colour or a swatch its index (only those that
// hold a colour count).
struct PanelHit {
    PanelPart part;
    int32_t index;
};

PanelHit hitColourPanel(const ColourPanelLayout &layout, int32_t x, int32_t y, int32_t recentCount,
                        size_t swatchCount);

// The colour a pixel of the square (or a drag past its edges, brought onto them) picks with this hue, and the
// hue a row of the strip (likewise) picks: the square and the strip show exactly the colours they pick.
Hsv squareColourAt(const PanelRect &square, int32_t x, int32_t y, double hue);
double hueAt(const PanelRect &strip, int32_t y);

// Everything the panel's picture shows.
struct ColourPanelLook {
    Hsv shown;                  // the pen colour as the square and the strip mark it
    Rgb pen;
    const RecentColours *recent;
    const std::vector<Rgb> *swatches;
    Rgb background;
};

// The panel's picture as 32-bit pixels 0x00RRGGBB, top row first, width x height. A palette swatch of the pen
// colour is framed.
void drawColourPanel(const ColourPanelLayout &layout, const ColourPanelLook &look, int32_t width, int32_t height,
                     uint32_t *pixels);
