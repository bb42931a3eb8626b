// ZSoft PCX pictures: the header checked field by field, run-length decoding across lines and planes, nearest
// palette colours through a grid of candidate lists, and median cut for pictures of more than 256 colours.
#include "picture/pcx.h"

#include <algorithm>
#include <new>

namespace {

// Byte offsets of the header's fields; the coded pixels start right after it.
enum : size_t {
    OFF_MANUFACTURER = 0, OFF_VERSION = 1, OFF_ENCODING = 2, OFF_BITS = 3, OFF_XMIN = 4, OFF_YMIN = 6,
    OFF_XMAX = 8, OFF_YMAX = 10, OFF_HDPI = 12, OFF_VDPI = 14, OFF_PLANES = 65, OFF_LINE_BYTES = 66,
    OFF_PALETTE_INFO = 68,
};

size_t readU16(const uint8_t *p)
{
    return size_t(p[0]) | size_t(p[1]) << 8;
}

void writeU16(uint8_t *p, size_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

// What the header says about the pixels, once checked.
struct PcxLayout {
    size_t width;
    size_t height;
    size_t planes;     // 1: palette indices; 3: red, green and blue planes
    size_t lineBytes;  // per plane line, at least the width
    size_t codedEnd;   // where the coded pixels must end: the palette's marker, or the end of the file
};

PcxError checkHeader(const uint8_t *data, size_t size, PcxLayout &l)
{
    if (data == nullptr || size < PCX_HEADER_BYTES)
        return PcxError::TooShort;
    if (data[OFF_MANUFACTURER] != PCX_MANUFACTURER)
        return PcxError::NotPcx;
    if (data[OFF_VERSION] != PCX_VERSION)
        return PcxError::BadVersion;
    if (data[OFF_ENCODING] != PCX_RLE)
        return PcxError::BadEncoding;
    l.planes = data[OFF_PLANES];
    if (data[OFF_BITS] != 8 || (l.planes != 1 && l.planes != 3))
        return PcxError::BadFormat;
    const size_t xmin = readU16(data + OFF_XMIN), xmax = readU16(data + OFF_XMAX);
    const size_t ymin = readU16(data + OFF_YMIN), ymax = readU16(data + OFF_YMAX);
    if (xmax < xmin || ymax < ymin)
        return PcxError::BadSize;
    l.width = xmax - xmin + 1;
    l.height = ymax - ymin + 1;
    const size_t side = MAX_PICTURE_SIDE;
    if (l.width > side || l.height > side || l.width > MAX_PICTURE_PIXELS / l.height)
        return PcxError::TooLarge;
    l.lineBytes = readU16(data + OFF_LINE_BYTES);
    if (l.lineBytes < l.width)
        return PcxError::BadLineBytes;
    l.codedEnd = size;
    if (l.planes == 1) {
        if (size - PCX_HEADER_BYTES < PCX_PALETTE_BYTES || data[size - PCX_PALETTE_BYTES] != PCX_PALETTE_MARKER)
            return PcxError::NoPalette;
        l.codedEnd = size - PCX_PALETTE_BYTES;
    }
    // Each pair of coded bytes makes at most 63: a file far too short for its picture is refused before the
    // picture is allocated. Compared by division, so that no product can overflow.
    const size_t decodedBytes = l.height * l.planes * l.lineBytes;
    if ((decodedBytes + PCX_MAX_RUN - 1) / PCX_MAX_RUN > (l.codedEnd - PCX_HEADER_BYTES) / 2 + 1)
        return PcxError::Truncated;
    return PcxError::None;
}

// Where the run-length decoder stands: runs go on across lines and planes, as ZSoft's own writer made them.
struct RunReader {
    const uint8_t *p;
    const uint8_t *end;
    size_t left;   // bytes of the current run still to give
    uint8_t value;
};

// Fills `count` bytes; false when the coded data ends first.
bool readRuns(RunReader &in, uint8_t *out, size_t count)
{
    for (size_t i = 0; i < count;) {
        while (in.left == 0) {
            if (in.p == in.end)
                return false;
            const uint8_t code = *in.p++;
            if ((code & 0xC0) != 0xC0) {
                in.left = 1;
                in.value = code;
                continue;
            }
            if (in.p == in.end)
                return false;
            in.left = code & 0x3F; // a count of 0 gives nothing; the next code follows
            in.value = *in.p++;
        }
        const size_t take = std::min(in.left, count - i);
        std::fill(out + i, out + i + take, in.value);
        in.left -= take;
        i += take;
    }
    return true;
}

// One decoded line (every plane) into picture row `row`, blue-green-red.
void storeLine(const uint8_t *line, const PcxLayout &l, const uint8_t *palette, uint8_t *row)
{
    for (size_t x = 0; x < l.width; ++x, row += 3) {
        if (l.planes == 1) {
            const uint8_t *colour = palette + size_t(line[x]) * 3;
            row[0] = colour[2];
            row[1] = colour[1];
            row[2] = colour[0];
        } else {
            row[0] = line[2 * l.lineBytes + x];
            row[1] = line[l.lineBytes + x];
            row[2] = line[x];
        }
    }
}

PcxError decodePixels(const uint8_t *data, const PcxLayout &l, PcxImage &image)
{
    const uint8_t *palette = l.planes == 1 ? data + l.codedEnd + 1 : nullptr;
    std::vector<uint8_t> line(l.planes * l.lineBytes);
    image.picture.pixels.resize(l.width * l.height * 3);
    RunReader in = {data + PCX_HEADER_BYTES, data + l.codedEnd, 0, 0};
    // Lines are stored top first; the picture keeps the bottom row first.
    for (size_t y = 0; y < l.height; ++y) {
        if (!readRuns(in, line.data(), line.size()))
            return PcxError::Truncated;
        storeLine(line.data(), l, palette, image.picture.pixels.data() + (l.height - 1 - y) * l.width * 3);
    }
    if (in.left != 0)
        return PcxError::RunPastEnd;
    image.picture.width = int32_t(l.width);
    image.picture.height = int32_t(l.height);
    image.picture.exact = true;
    image.paletted = l.planes == 1;
    if (image.paletted)
        std::copy(palette, palette + image.palette.size(), image.palette.begin());
    return PcxError::None;
}

// ---- nearest palette colours

int squaredDistance(const uint8_t *a, const uint8_t *b)
{
    const int r = a[0] - b[0], g = a[1] - b[1], bl = a[2] - b[2];
    return r * r + g * g + bl * bl;
}

// The palette entries that can be nearest to some colour of each 8 x 8 x 8 cell of the colour cube, built when
// a cell is first met: an entry whose nearest point of the cell is farther than some other entry's farthest
// point can never win there. Every entry at the least distance from a colour stays in its cell's list, in index
// order, so the search gives the lowest index among equals exactly as a search of the whole palette would.
struct PaletteGrid {
    const PcxPalette &palette;
    std::vector<uint32_t> first;   // per cell: where its list starts in `lists`, or NOT_BUILT
    std::vector<uint16_t> length;  // per cell: how many entries its list has
    std::vector<uint8_t> lists;    // the lists of the cells built so far, back to back
};

const uint32_t NOT_BUILT = UINT32_MAX;
const size_t GRID_CELLS = size_t(1) << 15;

// Squared distance from a channel value to the nearest and the farthest value of [low, low + 7].
int nearestOffset(int value, int low)
{
    return value < low ? low - value : value > low + 7 ? value - low - 7 : 0;
}

int farthestOffset(int value, int low)
{
    return std::max(value - low, low + 7 - value);
}

void buildCell(PaletteGrid &grid, size_t cell)
{
    const int low[3] = {int(cell >> 10) * 8, int((cell >> 5) & 31) * 8, int(cell & 31) * 8};
    int nearest[PCX_PALETTE_COLOURS];
    int bound = INT32_MAX;
    for (size_t e = 0; e < PCX_PALETTE_COLOURS; ++e) {
        int nearSum = 0, farSum = 0;
        for (int c = 0; c < 3; ++c) {
            const int value = grid.palette[e * 3 + c];
            nearSum += nearestOffset(value, low[c]) * nearestOffset(value, low[c]);
            farSum += farthestOffset(value, low[c]) * farthestOffset(value, low[c]);
        }
        nearest[e] = nearSum;
        bound = std::min(bound, farSum);
    }
    grid.first[cell] = uint32_t(grid.lists.size());
    for (size_t e = 0; e < PCX_PALETTE_COLOURS; ++e)
        if (nearest[e] <= bound)
            grid.lists.push_back(uint8_t(e));
    grid.length[cell] = uint16_t(grid.lists.size() - grid.first[cell]);
}

// rgb: red, green, blue.
uint8_t nearestIndex(PaletteGrid &grid, const uint8_t *rgb)
{
    const size_t cell = size_t(rgb[0] >> 3) << 10 | size_t(rgb[1] >> 3) << 5 | size_t(rgb[2] >> 3);
    if (grid.first[cell] == NOT_BUILT)
        buildCell(grid, cell);
    uint8_t best = 0;
    int bestDistance = INT32_MAX;
    const uint8_t *list = grid.lists.data() + grid.first[cell];
    for (const uint8_t *e = list; e != list + grid.length[cell]; ++e) {
        const int distance = squaredDistance(rgb, &grid.palette[size_t(*e) * 3]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = *e;
        }
    }
    return best;
}

bool pixelsMatchSize(const Picture &picture)
{
    return picture.width > 0 && picture.height > 0 &&
           uint64_t(picture.pixels.size()) == uint64_t(3) * uint64_t(picture.width) * uint64_t(picture.height);
}

// ---- writing

void writeHeader(uint8_t *header, size_t width, size_t height, size_t lineBytes)
{
    header[OFF_MANUFACTURER] = PCX_MANUFACTURER;
    header[OFF_VERSION] = PCX_VERSION;
    header[OFF_ENCODING] = PCX_RLE;
    header[OFF_BITS] = 8;
    writeU16(header + OFF_XMAX, width - 1);
    writeU16(header + OFF_YMAX, height - 1);
    writeU16(header + OFF_HDPI, 72);
    writeU16(header + OFF_VDPI, 72);
    header[OFF_PLANES] = 1;
    writeU16(header + OFF_LINE_BYTES, lineBytes);
    writeU16(header + OFF_PALETTE_INFO, 1); // colour, not grey
}

// One line of indices, run-length coded; runs stop at the line's end so that any reader takes them. A single
// byte with both top bits set would read as a count, so it goes out as a run of one.
void appendLine(std::vector<uint8_t> &out, const uint8_t *line, size_t count)
{
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && run < PCX_MAX_RUN && line[i + run] == line[i])
            ++run;
        if (run > 1 || (line[i] & 0xC0) == 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

// ---- palettes

// The picture's colours in the order they first appear, red-green-blue packed; false past 256 of them.
bool collectFewColours(const Picture &picture, std::vector<uint32_t> &colours)
{
    // Open addressing over 1024 slots: at most 257 are ever filled.
    std::vector<uint32_t> slots(1024, UINT32_MAX);
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        const uint8_t *p = &picture.pixels[i];
        const uint32_t colour = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        size_t slot = (colour * 2654435761u) >> 22;
        while (slots[slot] != UINT32_MAX && slots[slot] != colour)
            slot = (slot + 1) & 1023;
        if (slots[slot] == colour)
            continue;
        if (colours.size() == PCX_PALETTE_COLOURS)
            return false;
        slots[slot] = colour;
        colours.push_back(colour);
    }
    return true;
}

// The pixels of one cell of the 64 x 64 x 64 colour cube: how many, and the sums of their channels.
struct ColourCell {
    uint8_t key[3]; // red, green, blue, each divided by 4
    uint64_t count;
    uint64_t sum[3];
};

// The cells the picture's pixels fall in, in the order first met.
std::vector<ColourCell> countColourCells(const Picture &picture)
{
    std::vector<uint32_t> slot(size_t(1) << 18, 0); // per cell of the cube: its place in `cells` + 1, or 0
    std::vector<ColourCell> cells;
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        const uint8_t rgb[3] = {picture.pixels[i + 2], picture.pixels[i + 1], picture.pixels[i]};
        uint32_t &place = slot[size_t(rgb[0] >> 2) << 12 | size_t(rgb[1] >> 2) << 6 | size_t(rgb[2] >> 2)];
        if (place == 0) {
            cells.push_back({{uint8_t(rgb[0] >> 2), uint8_t(rgb[1] >> 2), uint8_t(rgb[2] >> 2)}, 0, {0, 0, 0}});
            place = uint32_t(cells.size());
        }
        ColourCell &cell = cells[place - 1];
        ++cell.count;
        for (int c = 0; c < 3; ++c)
            cell.sum[c] += rgb[c];
    }
    return cells;
}

// A box of the median cut: cells [begin, end) of the cell list.
struct ColourBox {
    size_t begin;
    size_t end;
    int channel;  // the channel of its widest range
    int range;    // that range, in cell keys
    uint64_t count;
};

ColourBox measureBox(const std::vector<ColourCell> &cells, size_t begin, size_t end)
{
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    ColourBox box = {begin, end, 0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.count += cells[i].count;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], int(cells[i].key[c]));
            high[c] = std::max(high[c], int(cells[i].key[c]));
        }
    }
    for (int c = 0; c < 3; ++c)
        if (high[c] - low[c] > box.range) {
            box.range = high[c] - low[c];
            box.channel = c;
        }
    return box;
}

// Splits the box at the median of its pixels along its widest channel; both halves keep at least one cell.
void splitBox(std::vector<ColourCell> &cells, std::vector<ColourBox> &boxes, size_t which)
{
    const ColourBox box = boxes[which];
    const int c = box.channel;
    // Keys differ between cells, so the order is total and the split the same on every system.
    std::sort(cells.begin() + box.begin, cells.begin() + box.end, [c](const ColourCell &a, const ColourCell &b) {
        if (a.key[c] != b.key[c])
            return a.key[c] < b.key[c];
        return std::lexicographical_compare(a.key, a.key + 3, b.key, b.key + 3);
    });
    size_t split = box.begin + 1;
    for (uint64_t below = cells[box.begin].count; split + 1 < box.end && below * 2 < box.count; ++split)
        below += cells[split].count;
    boxes[which] = measureBox(cells, box.begin, split);
    boxes.push_back(measureBox(cells, split, box.end));
}

// Boxes with more than one cell are split, the widest first (the larger on a tie), until there are `colours`
// (at least 1); their means fill the palette from `first` on.
PcxPalette medianCut(std::vector<ColourCell> cells, size_t colours = PCX_PALETTE_COLOURS, PcxPalette palette = {},
                     size_t first = 0)
{
    std::vector<ColourBox> boxes = {measureBox(cells, 0, cells.size())};
    while (boxes.size() < colours) {
        size_t widest = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i) {
            const ColourBox &b = boxes[i];
            if (b.end - b.begin > 1 && (widest == boxes.size() || b.range > boxes[widest].range ||
                                        (b.range == boxes[widest].range && b.count > boxes[widest].count)))
                widest = i;
        }
        if (widest == boxes.size())
            break;
        splitBox(cells, boxes, widest);
    }
    for (size_t i = 0; i < boxes.size() && first + i < PCX_PALETTE_COLOURS; ++i) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t k = boxes[i].begin; k < boxes[i].end; ++k)
            for (int c = 0; c < 3; ++c)
                sum[c] += cells[k].sum[c];
        for (int c = 0; c < 3; ++c)
            palette[(first + i) * 3 + c] = uint8_t((sum[c] + boxes[i].count / 2) / boxes[i].count);
    }
    return palette;
}

// The distinct colours of a picture, one bit per colour of the 24-bit cube (2 MiB).
size_t countColours(const Picture &picture)
{
    std::vector<uint64_t> seen(size_t(1) << 18, 0);
    size_t count = 0;
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        const uint8_t *p = &picture.pixels[i];
        const uint32_t colour = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        uint64_t &word = seen[colour >> 6];
        const uint64_t bit = uint64_t(1) << (colour & 63);
        count += (word & bit) == 0;
        word |= bit;
    }
    return count;
}

void putColour(PcxPalette &palette, size_t index, uint32_t colour)
{
    for (int c = 0; c < 3; ++c)
        palette[index * 3 + c] = uint8_t(colour >> (16 - 8 * c));
}

} // namespace

PcxError decodePcx(const uint8_t *data, size_t size, PcxImage &image)
{
    image = PcxImage();
    PcxLayout layout;
    PcxError error = checkHeader(data, size, layout);
    if (error != PcxError::None)
        return error;
    try {
        error = decodePixels(data, layout, image);
    } catch (const std::bad_alloc &) {
        error = PcxError::OutOfMemory;
    }
    if (error != PcxError::None)
        image = PcxImage();
    return error;
}

std::vector<uint8_t> indexPixels(const Picture &picture, const PcxPalette &palette)
{
    std::vector<uint8_t> indices;
    if (!pixelsMatchSize(picture))
        return indices;
    PaletteGrid grid = {palette, std::vector<uint32_t>(GRID_CELLS, NOT_BUILT), std::vector<uint16_t>(GRID_CELLS, 0),
                        std::vector<uint8_t>()};
    indices.resize(picture.pixels.size() / 3);
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint8_t *p = &picture.pixels[i * 3];
        const uint8_t rgb[3] = {p[2], p[1], p[0]};
        // Painted textures hold long stretches of one colour.
        indices[i] = i > 0 && std::equal(p, p + 3, p - 3) ? indices[i - 1] : nearestIndex(grid, rgb);
    }
    return indices;
}

std::vector<uint8_t> encodePcx(const Picture &picture, const PcxPalette &palette)
{
    std::vector<uint8_t> file;
    if (!pixelsMatchSize(picture) || picture.width > MAX_PICTURE_SIDE || picture.height > MAX_PICTURE_SIDE)
        return file;
    const size_t width = size_t(picture.width), height = size_t(picture.height);
    const size_t lineBytes = width + width % 2; // even, as the format asks
    const std::vector<uint8_t> indices = indexPixels(picture, palette);
    file.resize(PCX_HEADER_BYTES, 0);
    writeHeader(file.data(), width, height, lineBytes);
    std::vector<uint8_t> line(lineBytes, 0);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t *row = indices.data() + (height - 1 - y) * width;
        std::copy(row, row + width, line.begin());
        appendLine(file, line.data(), lineBytes);
    }
    file.push_back(PCX_PALETTE_MARKER);
    file.insert(file.end(), palette.begin(), palette.end());
    return file;
}

PcxPalette buildPcxPalette(const Picture &picture)
{
    PcxPalette palette = {};
    if (!pixelsMatchSize(picture))
        return palette;
    std::vector<uint32_t> colours;
    if (!collectFewColours(picture, colours))
        return medianCut(countColourCells(picture));
    for (size_t i = 0; i < colours.size(); ++i)
        putColour(palette, i, colours[i]);
    return palette;
}

SavePalette chooseSavePalette(const Picture &picture, const std::vector<uint8_t> &kept)
{
    SavePalette chosen;
    if (!pixelsMatchSize(picture))
        return chosen;
    const size_t keptColours = std::min(kept.size() / 3, size_t(PCX_PALETTE_COLOURS));
    PcxPalette keptPalette = {};
    std::copy(kept.begin(), kept.begin() + keptColours * 3, keptPalette.begin());
    std::vector<uint32_t> colours;
    if (!collectFewColours(picture, colours)) {
        chosen.colours = countColours(picture);
        // The kept entries stay, and the places past them take the painting's own colours by median cut.
        chosen.palette = keptColours == PCX_PALETTE_COLOURS
                             ? keptPalette
                             : medianCut(countColourCells(picture), PCX_PALETTE_COLOURS - keptColours, keptPalette,
                                         keptColours);
        return chosen;
    }
    chosen.colours = colours.size();
    chosen.exact = true;
    if (keptColours == 0) {
        chosen.palette = buildPcxPalette(picture);
        return chosen;
    }
    chosen.palette = keptPalette;
    // Each colour the painting still has keeps the first kept entry of that colour; the new ones take the places
    // past the kept entries, then those of kept colours the painting no longer has. There is always room: the
    // places held are at most 256 less the new colours.
    std::sort(colours.begin(), colours.end());
    std::vector<bool> held(PCX_PALETTE_COLOURS, false), placed(colours.size(), false);
    for (size_t i = 0; i < keptColours; ++i) {
        const uint32_t colour = uint32_t(kept[i * 3]) << 16 | uint32_t(kept[i * 3 + 1]) << 8 | kept[i * 3 + 2];
        const auto at = std::lower_bound(colours.begin(), colours.end(), colour);
        if (at != colours.end() && *at == colour && !placed[size_t(at - colours.begin())])
            held[i] = placed[size_t(at - colours.begin())] = true;
    }
    std::vector<size_t> free;
    for (size_t i = keptColours; i < PCX_PALETTE_COLOURS; ++i)
        free.push_back(i);
    for (size_t i = 0; i < keptColours; ++i)
        if (!held[i])
            free.push_back(i);
    size_t next = 0;
    for (size_t c = 0; c < colours.size(); ++c)
        if (!placed[c])
            putColour(chosen.palette, free[next++], colours[c]);
    return chosen;
}
