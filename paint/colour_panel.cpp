// The colour panel's arithmetic: hue, saturation and value, the recent colours, the palette swatches of the
// texture, where each part of the panel lies, what a click hits, and the panel's picture.
#include "paint/colour_panel.h"

#include <algorithm>
#include <cmath>

RecentColours recentColours;
std::vector<Rgb> textureSwatches;

static uint8_t toByte(double fraction)
{
    return static_cast<uint8_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

// Red, green and blue of a hue and saturation at full value. Every channel is linear in the value, so the
// colour at value v is v times these: a column of the square is worked out once and each of its pixels is
// then exactly what rgbFromHsv gives.
static void channelsAtFullValue(double hue, double saturation, double channels[3])
{
    const double s = std::clamp(saturation, 0.0, 1.0);
    hue = std::fmod(hue, 360.0);
    if (hue < 0)
        hue += 360.0;
    const double sixth = hue / 60.0;
    const double whole = std::floor(sixth), f = sixth - whole;
    const double p = 1 - s, q = 1 - s * f, t = 1 - s * (1 - f);
    const double table[6][3] = {{1, t, p}, {q, 1, p}, {p, 1, t}, {p, q, 1}, {t, p, 1}, {1, p, q}};
    const double *row = table[static_cast<int>(whole) % 6];
    channels[0] = row[0];
    channels[1] = row[1];
    channels[2] = row[2];
}

static Rgb rgbAtValue(const double channels[3], double value)
{
    return {toByte(value * channels[0]), toByte(value * channels[1]), toByte(value * channels[2])};
}

Rgb rgbFromHsv(Hsv colour)
{
    double channels[3];
    channelsAtFullValue(colour.hue, colour.saturation, channels);
    return rgbAtValue(channels, std::clamp(colour.value, 0.0, 1.0));
}

Hsv hsvFromRgb(Rgb colour, Hsv kept)
{
    const int r = colour.red, g = colour.green, b = colour.blue;
    const int high = std::max({r, g, b}), low = std::min({r, g, b}), spread = high - low;
    Hsv out = kept;
    out.value = high / 255.0;
    if (high == 0)
        return out;
    out.saturation = double(spread) / high;
    if (spread == 0)
        return out;
    double hue;
    if (high == r)
        hue = 60.0 * (g - b) / spread;
    else if (high == g)
        hue = 120.0 + 60.0 * (b - r) / spread;
    else
        hue = 240.0 + 60.0 * (r - g) / spread;
    out.hue = hue < 0 ? hue + 360.0 : hue;
    return out;
}

Hsv followPenColour(Hsv shown, Rgb pen)
{
    return rgbFromHsv(shown) == pen ? shown : hsvFromRgb(pen, shown);
}

bool noteColourUsed(RecentColours &recent, Rgb colour)
{
    if (recent.count > 0 && recent.colours[0] == colour)
        return false;
    int32_t at = 0;
    while (at < recent.count && recent.colours[at] != colour)
        ++at;
    if (at == recent.count)
        at = std::min<int32_t>(recent.count, RECENT_COLOURS - 1);   // the oldest makes room when the row is full
    recent.count = std::max(recent.count, at + 1);
    std::copy_backward(recent.colours, recent.colours + at, recent.colours + at + 1);
    recent.colours[0] = colour;
    return true;
}

static const char HEX_DIGITS[] = "0123456789abcdef";

std::string encodeRecentColours(const RecentColours &recent)
{
    std::string text;
    for (int32_t i = 0; i < recent.count; ++i) {
        if (i > 0)
            text += ',';
        for (uint8_t byte : {recent.colours[i].red, recent.colours[i].green, recent.colours[i].blue}) {
            text += HEX_DIGITS[byte >> 4];
            text += HEX_DIGITS[byte & 15];
        }
    }
    return text;
}

static int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Six hexadecimal digits, nothing else; false otherwise.
static bool readHexColour(const std::string &entry, Rgb &colour)
{
    if (entry.size() != 6)
        return false;
    uint8_t bytes[3];
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigit(entry[2 * i]), low = hexDigit(entry[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    colour = {bytes[0], bytes[1], bytes[2]};
    return true;
}

RecentColours decodeRecentColours(const std::string &text)
{
    RecentColours recent = {};
    size_t from = 0;
    while (from <= text.size() && recent.count < RECENT_COLOURS) {
        size_t comma = text.find(',', from);
        if (comma == std::string::npos)
            comma = text.size();
        std::string entry = text.substr(from, comma - from);
        entry.erase(0, entry.find_first_not_of(" \t"));
        entry.erase(entry.find_last_not_of(" \t") + 1);
        Rgb colour;
        if (readHexColour(entry, colour) &&
            std::find(recent.colours, recent.colours + recent.count, colour) == recent.colours + recent.count)
            recent.colours[recent.count++] = colour;
        from = comma + 1;
    }
    return recent;
}

bool strokePaintsPenColour(DabKind kind, bool usePattern, bool useColor)
{
    return kind == DabKind::pen && (!usePattern || useColor);
}

std::vector<Rgb> swatchesFromPalette(const std::vector<uint8_t> &palette)
{
    std::vector<Rgb> swatches(palette.size() / 3);
    for (size_t i = 0; i < swatches.size(); ++i)
        swatches[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    return swatches;
}

// Layout: a margin around everything and a gap between parts, in pixels.
enum : int32_t { PANEL_MARGIN = 2, PANEL_GAP = 3, PALETTE_COLUMNS = 16, SMALLEST_CELL = 3, LARGEST_CELL = 16 };

static bool inside(const PanelRect &r, int32_t x, int32_t y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

ColourPanelLayout layoutColourPanel(int32_t width, int32_t height, size_t swatchCount)
{
    ColourPanelLayout layout = {};
    const int32_t band = std::clamp(height / 6, 8, 24);
    const int32_t upper = height - 2 * PANEL_MARGIN - band - PANEL_GAP;
    const int32_t hueWidth = std::clamp(width / 16, 8, 16);
    const int32_t across = width - 2 * PANEL_MARGIN - PANEL_GAP - hueWidth;
    if (upper <= 0 || across <= 0)
        return layout;
    int32_t squareWidth = across;
    if (swatchCount > 0) {
        // As many columns, up to 16, as give the largest swatches in half the width beside the square.
        int32_t columns = 1, cell = 0;
        for (int32_t c = 1; c <= PALETTE_COLUMNS && size_t(c) <= swatchCount; ++c) {
            const int32_t rows = static_cast<int32_t>((swatchCount + size_t(c) - 1) / size_t(c));
            const int32_t side = std::min({upper / rows, across / 2 / c, int32_t(LARGEST_CELL)});
            if (side >= cell) {
                columns = c;
                cell = side;
            }
        }
        const int32_t rows = static_cast<int32_t>((swatchCount + size_t(columns) - 1) / size_t(columns));
        if (cell >= SMALLEST_CELL) {
            layout.paletteColumns = columns;
            layout.cell = cell;
            const int32_t left = width - PANEL_MARGIN - columns * cell;
            layout.palette = {left, PANEL_MARGIN, left + columns * cell, PANEL_MARGIN + rows * cell};
            squareWidth = across - PANEL_GAP - columns * cell;
        }
    }
    layout.square = {PANEL_MARGIN, PANEL_MARGIN, PANEL_MARGIN + squareWidth, PANEL_MARGIN + upper};
    layout.hueStrip = {layout.square.right + PANEL_GAP, PANEL_MARGIN, layout.square.right + PANEL_GAP + hueWidth,
                       PANEL_MARGIN + upper};
    const int32_t top = height - PANEL_MARGIN - band, bottom = height - PANEL_MARGIN;
    layout.current = {PANEL_MARGIN, top, PANEL_MARGIN + 2 * band, bottom};
    // Each recent colour's cell ends with a 1-pixel gap, except that the last one reaches the margin.
    const int32_t from = layout.current.right + PANEL_GAP, span = width - PANEL_MARGIN - from;
    const int32_t step = (span + 1) / RECENT_COLOURS;
    for (int32_t i = 0; i < RECENT_COLOURS && step >= 2; ++i)
        layout.recent[i] = {from + i * step, top, from + (i + 1) * step - 1, bottom};
    return layout;
}

PanelHit hitColourPanel(const ColourPanelLayout &layout, int32_t x, int32_t y, int32_t recentCount,
                        size_t swatchCount)
{
    if (inside(layout.square, x, y))
        return {PanelPart::square, 0};
    if (inside(layout.hueStrip, x, y))
        return {PanelPart::hueStrip, 0};
    if (inside(layout.current, x, y))
        return {PanelPart::current, 0};
    for (int32_t i = 0; i < recentCount && i < RECENT_COLOURS; ++i)
        if (inside(layout.recent[i], x, y))
            return {PanelPart::recent, i};
    if (layout.cell > 0 && inside(layout.palette, x, y)) {
        const size_t index = size_t((y - layout.palette.top) / layout.cell) * size_t(layout.paletteColumns) +
                             size_t((x - layout.palette.left) / layout.cell);
        if (index < swatchCount)
            return {PanelPart::palette, static_cast<int32_t>(index)};
    }
    return {PanelPart::none, 0};
}

// A coordinate brought into [0, length) from `start`, as a fraction of the last pixel (1 for a 1-pixel part).
static double fractionAlong(int32_t at, int32_t start, int32_t length)
{
    if (length <= 1)
        return 1.0;
    return double(std::clamp(at - start, 0, length - 1)) / double(length - 1);
}

Hsv squareColourAt(const PanelRect &square, int32_t x, int32_t y, double hue)
{
    return {hue, fractionAlong(x, square.left, square.right - square.left),
            1.0 - fractionAlong(y, square.top, square.bottom - square.top)};
}

double hueAt(const PanelRect &strip, int32_t y)
{
    const int32_t length = strip.bottom - strip.top;
    if (length <= 0)
        return 0.0;
    return 360.0 * std::clamp(y - strip.top, 0, length - 1) / length;
}

static uint32_t pixelOf(Rgb c)
{
    return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
}

namespace {

// The panel's picture under construction, every write clipped to it.
struct Canvas {
    int32_t width, height;
    uint32_t *pixels;

    void put(int32_t x, int32_t y, uint32_t pixel) const
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[size_t(y) * size_t(width) + size_t(x)] = pixel;
    }
    void fill(const PanelRect &r, uint32_t pixel) const
    {
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                put(x, y, pixel);
    }
    void frame(const PanelRect &r, uint32_t pixel) const
    {
        for (int32_t x = r.left; x < r.right; ++x) {
            put(x, r.top, pixel);
            put(x, r.bottom - 1, pixel);
        }
        for (int32_t y = r.top; y < r.bottom; ++y) {
            put(r.left, y, pixel);
            put(r.right - 1, y, pixel);
        }
    }
};

const uint32_t FRAME = 0x404040, EMPTY_FRAME = 0xA0A0A0, BLACK = 0x000000, WHITE = 0xFFFFFF;

} // namespace

// A swatch: the colour inside a dark frame.
static void drawSwatch(const Canvas &canvas, const PanelRect &r, Rgb colour)
{
    canvas.fill(r, pixelOf(colour));
    canvas.frame(r, FRAME);
}

static void drawSquareAndStrip(const Canvas &canvas, const ColourPanelLayout &layout, const ColourPanelLook &look)
{
    const PanelRect &sq = layout.square, &strip = layout.hueStrip;
    for (int32_t x = sq.left; x < sq.right; ++x) {
        double channels[3];
        channelsAtFullValue(look.shown.hue, squareColourAt(sq, x, sq.top, 0).saturation, channels);
        for (int32_t y = sq.top; y < sq.bottom; ++y)
            canvas.put(x, y, pixelOf(rgbAtValue(channels, squareColourAt(sq, x, y, 0).value)));
    }
    for (int32_t y = strip.top; y < strip.bottom; ++y)
        for (int32_t x = strip.left; x < strip.right; ++x)
            canvas.put(x, y, pixelOf(rgbFromHsv({hueAt(strip, y), 1.0, 1.0})));
    // The marks: a ring where the pen colour lies in the square, dark on light colours and light on dark ones,
    // and a white line between two black ones across the strip at its hue.
    if (sq.right - sq.left > 0 && sq.bottom - sq.top > 0) {
        const int32_t mx = sq.left + int32_t(std::lround(look.shown.saturation * (sq.right - sq.left - 1)));
        const int32_t my = sq.top + int32_t(std::lround((1.0 - look.shown.value) * (sq.bottom - sq.top - 1)));
        const Rgb c = rgbFromHsv(look.shown);
        const uint32_t ring = 299 * c.red + 587 * c.green + 114 * c.blue > 140000 ? BLACK : WHITE;
        for (int32_t dy = -4; dy <= 4; ++dy)
            for (int32_t dx = -4; dx <= 4; ++dx) {
                const int32_t d = dx * dx + dy * dy;
                if (d >= 6 && d <= 13 && inside(sq, mx + dx, my + dy))
                    canvas.put(mx + dx, my + dy, ring);
            }
    }
    const int32_t length = strip.bottom - strip.top;
    if (length > 0) {
        const int32_t hy = strip.top + std::min(length - 1, int32_t(look.shown.hue / 360.0 * length));
        for (int32_t x = strip.left; x < strip.right; ++x) {
            canvas.put(x, hy, WHITE);
            if (hy - 1 >= strip.top)
                canvas.put(x, hy - 1, BLACK);
            if (hy + 1 < strip.bottom)
                canvas.put(x, hy + 1, BLACK);
        }
    }
}

void drawColourPanel(const ColourPanelLayout &layout, const ColourPanelLook &look, int32_t width, int32_t height,
                     uint32_t *pixels)
{
    const Canvas canvas = {width, height, pixels};
    canvas.fill({0, 0, width, height}, pixelOf(look.background));
    drawSquareAndStrip(canvas, layout, look);
    drawSwatch(canvas, layout.current, look.pen);
    for (int32_t i = 0; i < RECENT_COLOURS; ++i) {
        if (look.recent && i < look.recent->count)
            drawSwatch(canvas, layout.recent[i], look.recent->colours[i]);
        else
            canvas.frame(layout.recent[i], EMPTY_FRAME);
    }
    if (layout.cell <= 0 || !look.swatches)
        return;
    for (size_t i = 0; i < look.swatches->size(); ++i) {
        const int32_t column = int32_t(i % size_t(layout.paletteColumns)), row = int32_t(i / size_t(layout.paletteColumns));
        const int32_t left = layout.palette.left + column * layout.cell, top = layout.palette.top + row * layout.cell;
        const PanelRect swatch = {left, top, left + layout.cell - 1, top + layout.cell - 1};
        canvas.fill(swatch, pixelOf((*look.swatches)[i]));
        // The swatch the pen paints with is framed, so a painter keeping to the palette sees where he is in it.
        if ((*look.swatches)[i] == look.pen) {
            canvas.frame(swatch, BLACK);
            canvas.frame({swatch.left + 1, swatch.top + 1, swatch.right - 1, swatch.bottom - 1}, WHITE);
        }
    }
}
