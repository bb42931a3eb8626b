// The zoomable skin view's arithmetic and the composition of its screen picture.
#include "skin/skin_view_map.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "uv/grid.h"

const ZoomRatio zoomSteps[ZOOM_STEP_COUNT] = {{1, 8}, {1, 4}, {1, 2},  {1, 1},  {2, 1},  {3, 1}, {4, 1},
                                             {6, 1}, {8, 1}, {12, 1}, {16, 1}, {24, 1}, {32, 1}};

static_assert((int64_t{-1} >> 1) == -1, "the line walk needs an arithmetic right shift");

namespace {

// Far beyond any texture or view, yet small enough that the line walk's 16.16 products stay within 64 bits.
const int64_t COORDINATE_LIMIT = int64_t{1} << 30;
// From this many screen pixels per texel on, a line one pixel wide still leaves most of each texel visible.
const int32_t PIXEL_GRID_FROM = 8;

ZoomRatio ratioOf(const ViewMap &m)
{
    if (m.zoom.num > 0 && m.zoom.den > 0)
        return m.zoom;
    return zoomSteps[std::min(std::max(m.step, 0), ZOOM_STEP_COUNT - 1)];
}

// a < b, for ratios of positive terms.
bool smallerRatio(ZoomRatio a, ZoomRatio b)
{
    return int64_t{a.num} * b.den < int64_t{b.num} * a.den;
}

int64_t greatestCommonDivisor(int64_t a, int64_t b)
{
    while (b != 0) {
        const int64_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

int64_t floorToInt(double v)
{
    const double limit = static_cast<double>(COORDINATE_LIMIT);
    if (!(v > -limit))   // NaN included
        return -COORDINATE_LIMIT;
    if (v > limit)
        return COORDINATE_LIMIT;
    int64_t whole = static_cast<int64_t>(v);   // toward zero: one down for negative fractions
    return static_cast<double>(whole) > v ? whole - 1 : whole;
}

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Screen to texture space. Multiplying by den (a whole number far below 2^24) is exact and the one division rounds
// once, so the result never decreases as the screen coordinate grows: pixels never map out of order.
double toTextureX(const ViewMap &m, double screenX)
{
    ZoomRatio z = ratioOf(m);
    return m.anchorTexelX + (screenX - m.anchorScreenX) * z.den / z.num;
}

double toTextureY(const ViewMap &m, double screenY)
{
    ZoomRatio z = ratioOf(m);
    return m.anchorTexelY + (screenY - m.anchorScreenY) * z.den / z.num;
}

// The texel column a screen column shows, and the texel row counted from the top that a screen row shows.
int64_t columnAt(const ViewMap &m, int32_t x)
{
    return floorToInt(toTextureX(m, x + 0.5));
}

int64_t rowFromTopAt(const ViewMap &m, int32_t y)
{
    return floorToInt(toTextureY(m, y + 0.5));
}

// Re-anchors the pan at a screen point without moving the picture, so that a change of step keeps that point.
void pinScreenPoint(ViewMap &m, double screenX, double screenY)
{
    m.anchorTexelX = toTextureX(m, screenX);
    m.anchorTexelY = toTextureY(m, screenY);
    m.anchorScreenX = screenX;
    m.anchorScreenY = screenY;
}

// The first pixel in [0, count) whose texel (by at) is value or more; count when there is none. The mapping
// only grows, so a bisection finds it, and it agrees with texelAtPixel by construction.
int32_t firstPixelReaching(const ViewMap &m, int64_t (*at)(const ViewMap &, int32_t), int32_t count, int64_t value)
{
    int32_t low = 0, high = count > 0 ? count : 0;
    while (low < high) {
        int32_t middle = low + (high - low) / 2;
        if (at(m, middle) >= value)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

} // namespace

ViewMap makeViewMap(int32_t textureWidth, int32_t textureHeight, int32_t viewWidth, int32_t viewHeight)
{
    ViewMap map{textureWidth, textureHeight, viewWidth, viewHeight, ZOOM_STEP_ACTUAL, 0.0, 0.0, 0.0, 0.0, {1, 1}, true};
    fitTexture(map);
    return map;
}

ZoomRatio fittedZoom(int32_t textureWidth, int32_t textureHeight, int32_t viewWidth, int32_t viewHeight)
{
    if (textureWidth <= 0 || textureHeight <= 0 || viewWidth <= 0 || viewHeight <= 0)
        return ZoomRatio{1, 1};
    // The narrower of the two fits: view / texture across, or down.
    const bool acrossLimits = int64_t{viewWidth} * textureHeight <= int64_t{viewHeight} * textureWidth;
    const int64_t num = acrossLimits ? viewWidth : viewHeight, den = acrossLimits ? textureWidth : textureHeight;
    const int64_t common = greatestCommonDivisor(num, den);
    return ZoomRatio{static_cast<int32_t>(num / common), static_cast<int32_t>(den / common)};
}

// The step whose ratio is exactly this zoom, or -1.
static int32_t stepOf(ZoomRatio zoom)
{
    for (int32_t i = 0; i < ZOOM_STEP_COUNT; ++i)
        if (!smallerRatio(zoom, zoomSteps[i]) && !smallerRatio(zoomSteps[i], zoom))
            return i;
    return -1;
}

void fitTexture(ViewMap &map)
{
    const ZoomRatio z = fittedZoom(map.textureWidth, map.textureHeight, map.viewWidth, map.viewHeight);
    map.zoom = z;
    map.step = stepOf(z);
    map.fitted = true;
    // The corner on a whole pixel: magnified texels then start on pixel edges, and a 256 x 256 texture in a
    // 256 x 256 view is shown one to one.
    int64_t twice = 2 * int64_t{z.den};
    map.anchorTexelX = 0.0;
    map.anchorTexelY = 0.0;
    map.anchorScreenX =
        static_cast<double>(floorDiv(int64_t{map.viewWidth} * z.den - int64_t{map.textureWidth} * z.num, twice));
    map.anchorScreenY =
        static_cast<double>(floorDiv(int64_t{map.viewHeight} * z.den - int64_t{map.textureHeight} * z.num, twice));
}

void showActualSize(ViewMap &map)
{
    pinScreenPoint(map, map.viewWidth / 2.0, map.viewHeight / 2.0);
    map.step = ZOOM_STEP_ACTUAL;
    map.zoom = zoomSteps[ZOOM_STEP_ACTUAL];
    map.fitted = false;
}

bool zoomViewAt(ViewMap &map, int32_t x, int32_t y, int32_t direction)
{
    if (direction == 0)
        return false;
    // The nearest step beyond the zoom now, that way: from a fitted scale between two steps, the one it lies
    // under or over.
    const ZoomRatio now = ratioOf(map);
    int32_t step = -1;
    for (int32_t i = 0; i < ZOOM_STEP_COUNT; ++i) {
        const int32_t candidate = direction > 0 ? i : ZOOM_STEP_COUNT - 1 - i;
        if (direction > 0 ? smallerRatio(now, zoomSteps[candidate]) : smallerRatio(zoomSteps[candidate], now)) {
            step = candidate;
            break;
        }
    }
    if (step < 0)
        return false;
    // Pinning the cursor's pixel centre makes that pixel map to the very same texture point at the new step,
    // with no rounding in between, so the texel under it cannot change.
    pinScreenPoint(map, x + 0.5, y + 0.5);
    map.step = step;
    map.zoom = zoomSteps[step];
    map.fitted = false;
    return true;
}

void panView(ViewMap &map, int32_t dx, int32_t dy)
{
    map.anchorScreenX += dx;
    map.anchorScreenY += dy;
    map.fitted = map.fitted && dx == 0 && dy == 0;
}

void resizeView(ViewMap &map, int32_t viewWidth, int32_t viewHeight)
{
    pinScreenPoint(map, map.viewWidth / 2.0, map.viewHeight / 2.0);
    map.anchorScreenX = viewWidth / 2.0;
    map.anchorScreenY = viewHeight / 2.0;
    map.viewWidth = viewWidth;
    map.viewHeight = viewHeight;
    if (map.fitted)
        fitTexture(map);
}

TexelHit texelAtPixel(const ViewMap &map, int32_t x, int32_t y)
{
    int64_t column = columnAt(map, x);
    int64_t row = int64_t{map.textureHeight} - 1 - rowFromTopAt(map, y);
    bool on = column >= 0 && column < map.textureWidth && row >= 0 && row < map.textureHeight;
    return TexelHit{static_cast<int32_t>(column), static_cast<int32_t>(row), on};
}

BrushPoint texturePointAt(const ViewMap &map, double x, double y)
{
    return BrushPoint{toTextureX(map, x), map.textureHeight - toTextureY(map, y)};
}

double pixelsPerTexel(const ViewMap &map)
{
    const ZoomRatio z = ratioOf(map);
    return double(z.num) / z.den;
}

void screenPointOf(const ViewMap &map, BrushPoint at, double &x, double &y)
{
    const double scale = pixelsPerTexel(map);
    x = map.anchorScreenX + (at.x - map.anchorTexelX) * scale;
    y = map.anchorScreenY + (map.textureHeight - at.y - map.anchorTexelY) * scale;
}

BrushOutline brushOutlineAt(const ViewMap &map, BrushPoint at, bool round, int32_t width, int32_t height,
                            int32_t cursorX, int32_t cursorY)
{
    const double scale = pixelsPerTexel(map);
    BrushOutline o = {false, round, 0, 0, 0, 0};
    if (std::max(width, height) * scale < OUTLINE_CROSS_BELOW) {
        o.cross = true;
        o.left = cursorX - OUTLINE_CROSS_ARM;
        o.right = cursorX + OUTLINE_CROSS_ARM + 1;
        o.top = cursorY - OUTLINE_CROSS_ARM;
        o.bottom = cursorY + OUTLINE_CROSS_ARM + 1;
        return o;
    }
    BrushPoint low, high;
    if (round) {
        low = BrushPoint{at.x - width / 2.0, at.y - height / 2.0};
        high = BrushPoint{at.x + width / 2.0, at.y + height / 2.0};
    } else {
        const double x = std::floor(at.x) - width / 2, y = std::floor(at.y) - height / 2;
        low = BrushPoint{x, y};
        high = BrushPoint{x + width, y + height};
    }
    screenPointOf(map, low, o.left, o.bottom);
    screenPointOf(map, high, o.right, o.top);
    return o;
}

ViewRect pixelsShowingTexels(const ViewMap &map, const SkinRect &texels)
{
    int64_t left = std::max(texels.left, 0), right = std::min(texels.right, map.textureWidth - 1);
    int64_t bottom = std::max(texels.bottom, 0), top = std::min(texels.top, map.textureHeight - 1);
    if (left > right || bottom > top)
        return ViewRect{0, 0, 0, 0};
    ViewRect r;
    r.left = firstPixelReaching(map, columnAt, map.viewWidth, left);
    r.right = firstPixelReaching(map, columnAt, map.viewWidth, right + 1);
    r.top = firstPixelReaching(map, rowFromTopAt, map.viewHeight, map.textureHeight - 1 - top);
    r.bottom = firstPixelReaching(map, rowFromTopAt, map.viewHeight, map.textureHeight - bottom);
    return r;
}

ViewRect wholeView(const ViewMap &map)
{
    return ViewRect{0, 0, std::max(map.viewWidth, 0), std::max(map.viewHeight, 0)};
}

uint32_t shadePixelGrid(uint32_t pixel)
{
    // Light texels darken by a quarter and dark ones lighten by a quarter of the way to white, so the grid shows
    // on any colour and the texel's own colour still reads through it. Each channel stays within its byte.
    uint32_t red = pixel >> 16 & 0xFF, green = pixel >> 8 & 0xFF, blue = pixel & 0xFF;
    bool light = red * 2 + green * 5 + blue >= 128 * 8;
    if (light)
        return pixel - (pixel >> 2 & 0x3F3F3F);
    return pixel + ((~pixel & 0xFFFFFF) >> 2 & 0x3F3F3F);
}

namespace {

// Which texel each column and row of the area shows, worked out once so that the pixel loops only look it up.
struct AreaLayout {
    ViewRect area;
    std::vector<int32_t> columnByte;     // per column: the texel's byte offset within a row; -1 off the texture
    std::vector<int32_t> row;            // per row: the texel row from the bottom; -1 off the texture
    std::vector<int32_t> gridColumns;    // the columns (x) on the texture where a new texel begins
    std::vector<uint8_t> rowStartsTexel; // per row: a new texel row begins there
    int32_t firstOn;                     // columns [firstOn, endOn) and rows [topOn, bottomOn) of the area
    int32_t endOn;                       // are on the texture
    int32_t topOn;
    int32_t bottomOn;
};

AreaLayout layOutArea(const ViewMap &m, const ViewRect &area)
{
    AreaLayout a;
    a.area = area;
    a.firstOn = a.endOn = area.right;
    bool seen = false;
    // The pixel before the area decides whether a texel begins at its edge, so that composing a part of the view
    // gives the same pixels as composing all of it.
    int64_t before = columnAt(m, area.left - 1);
    for (int32_t x = area.left; x < area.right; ++x) {
        int64_t c = columnAt(m, x);
        bool on = c >= 0 && c < m.textureWidth;
        a.columnByte.push_back(on ? static_cast<int32_t>(c * 3) : -1);
        if (on && c != before)
            a.gridColumns.push_back(x);
        if (on && !seen)
            a.firstOn = x;
        if (on)
            a.endOn = x + 1;
        seen = seen || on;
        before = c;
    }
    a.topOn = a.bottomOn = area.bottom;
    seen = false;
    before = rowFromTopAt(m, area.top - 1);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        int64_t fromTop = rowFromTopAt(m, y);
        bool on = fromTop >= 0 && fromTop < m.textureHeight;
        a.row.push_back(on ? static_cast<int32_t>(m.textureHeight - 1 - fromTop) : -1);
        a.rowStartsTexel.push_back(on && fromTop != before);
        if (on && !seen)
            a.topOn = y;
        if (on)
            a.bottomOn = y + 1;
        seen = seen || on;
        before = fromTop;
    }
    return a;
}

void fillPixels(uint32_t *from, uint32_t *to, uint32_t value)
{
    if (from < to)
        std::fill(from, to, value);
}

void drawTexels(const AreaLayout &a, const uint8_t *texture, int32_t textureWidth, int32_t viewWidth,
                uint32_t *screen)
{
    const ViewRect &r = a.area;
    size_t rowBytes = static_cast<size_t>(textureWidth) * 3;
    size_t areaBytes = static_cast<size_t>(r.right - r.left) * sizeof(uint32_t);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t *out = screen + static_cast<size_t>(y) * static_cast<size_t>(viewWidth);
        int32_t row = a.row[static_cast<size_t>(y - r.top)];
        if (row < 0) {
            fillPixels(out + r.left, out + r.right, VIEW_OUTSIDE_GREY);
            continue;
        }
        // Magnified, a texel row covers many screen rows: the one above already holds it.
        if (y > r.top && row == a.row[static_cast<size_t>(y - r.top - 1)]) {
            std::memcpy(out + r.left, out - viewWidth + r.left, areaBytes);
            continue;
        }
        fillPixels(out + r.left, out + a.firstOn, VIEW_OUTSIDE_GREY);
        const uint8_t *source = texture + static_cast<size_t>(row) * rowBytes;
        const int32_t *offset = a.columnByte.data();
        for (int32_t x = a.firstOn; x < a.endOn; ++x) {
            const uint8_t *t = source + offset[x - r.left];
            out[x] = uint32_t{t[0]} | uint32_t{t[1]} << 8 | uint32_t{t[2]} << 16;
        }
        fillPixels(out + a.endOn, out + r.right, VIEW_OUTSIDE_GREY);
    }
}

void drawPixelGrid(const AreaLayout &a, int32_t viewWidth, uint32_t *screen)
{
    const ViewRect &r = a.area;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        size_t i = static_cast<size_t>(y - r.top);
        if (a.row[i] < 0)
            continue;
        uint32_t *out = screen + static_cast<size_t>(y) * static_cast<size_t>(viewWidth);
        if (a.rowStartsTexel[i]) {
            for (int32_t x = a.firstOn; x < a.endOn; ++x)
                out[x] = shadePixelGrid(out[x]);
        } else {
            for (int32_t x : a.gridColumns)
                out[x] = shadePixelGrid(out[x]);
        }
    }
}

// Where the mapping grid may be drawn: the part of the composed area on the texture, as the layer holds
// nothing beyond the texture either.
struct GridPen {
    const AreaLayout &layout;
    int32_t viewWidth;
    uint32_t *screen;
};

void plotGridPixel(const GridPen &pen, int64_t x, int64_t y)
{
    const AreaLayout &a = pen.layout;
    if (x < a.firstOn || x >= a.endOn || y < a.topOn || y >= a.bottomOn)
        return;
    size_t at = static_cast<size_t>(y) * static_cast<size_t>(pen.viewWidth) + static_cast<size_t>(x);
    pen.screen[at] = VIEW_MAPPING_GRID;
}

// The steps k (0 <= k < count) of a walk from start whose major coordinate start + k * step lies in [low, high);
// none when first > last.
void stepsWithin(int64_t start, int64_t step, int64_t count, int64_t low, int64_t high, int64_t &first,
                 int64_t &last)
{
    if (step > 0) {
        first = start < low ? low - start : 0;
        last = high - 1 - start;
    } else {
        first = start > high - 1 ? start - (high - 1) : 0;
        last = start - low;
    }
    last = std::min(last, count - 1);
}

// The grid layer's 16.16 walk along the major axis, start drawn and end not, on screen pixels. The layer walks
// with rows counting upwards and the walk's rounding is not symmetric, so the screen's rows are walked upwards too
// (as -y): one to one, the lines then fall on exactly the layer's pixels. Only the steps on the texture within
// the area are walked: the minor offset of step k is (k * slope) >> 16 however the walk is entered.
void walkScreenLine(const GridPen &pen, int64_t major0, int64_t minor0, int64_t dMajor, int64_t dMinor, bool steep)
{
    int64_t count = dMajor < 0 ? -dMajor : dMajor;
    int64_t step = dMajor >= 0 ? 1 : -1;
    // A 64-bit division costs several times a 32-bit one, and nearly every edge is short enough for the latter.
    int64_t scaled = dMinor * 65536;
    bool small = scaled > INT32_MIN && scaled < INT32_MAX && count < INT32_MAX;
    int64_t slope = small ? int32_t(scaled) / int32_t(count) : scaled / count;
    const AreaLayout &a = pen.layout;
    int64_t first, last;
    if (steep)
        stepsWithin(major0, step, count, 1 - int64_t{a.bottomOn}, 1 - int64_t{a.topOn}, first, last);
    else
        stepsWithin(major0, step, count, a.firstOn, a.endOn, first, last);
    for (int64_t k = first; k <= last; ++k) {
        int64_t major = major0 + k * step;
        int64_t minor = minor0 + ((k * slope) >> 16);
        if (steep)
            plotGridPixel(pen, minor, -major);
        else
            plotGridPixel(pen, major, -minor);
    }
}

void drawScreenLine(const GridPen &pen, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    const AreaLayout &a = pen.layout;
    if (std::max(x0, x1) < a.firstOn || std::min(x0, x1) >= a.endOn || std::max(y0, y1) < a.topOn ||
        std::min(y0, y1) >= a.bottomOn)
        return;
    int64_t dx = x1 - x0, dy = y0 - y1;   // upwards
    if ((dy < 0 ? -dy : dy) > (dx < 0 ? -dx : dx))
        walkScreenLine(pen, -y0, x0, dy, dx, true);
    else if (dx != 0)
        walkScreenLine(pen, x0, -y0, dx, dy, false);
}

// The grid layer's own rule, so the lines on screen land on the layer's texels.
int64_t gridTexel(float u, int32_t side)
{
    return gridCoordinate(u, side);
}

// Texel centres to screen pixels for the grid's corners, with the products that do not change hoisted out of
// the triangle loop.
struct CornerMapping {
    double scale;
    double columnOffset;   // the screen x of column 0's centre
    double rowOffset;      // the screen y of the top row's centre
    bool magnified;
};

CornerMapping mapCorners(const ViewMap &m)
{
    ZoomRatio z = ratioOf(m);
    double scale = static_cast<double>(z.num) / z.den;
    return CornerMapping{scale, m.anchorScreenX + (0.5 - m.anchorTexelX) * scale,
                         m.anchorScreenY + (0.5 - m.anchorTexelY) * scale, z.num >= z.den};
}

// A screen pixel that shows the given texel along one axis (a column, or a row from the top), the one at the
// texel's centre: offset is the screen place of texel 0's centre, at() the axis's pixel-to-texel mapping.
// Magnified, rounding must not push it into the neighbour's square; zoomed out, any pixel near the point serves.
int64_t pixelShowing(const ViewMap &m, const CornerMapping &cm, double offset, int64_t (*at)(const ViewMap &, int32_t),
                     int64_t texel)
{
    int64_t pixel = floorToInt(offset + static_cast<double>(texel) * cm.scale);
    if (!cm.magnified || pixel < -COORDINATE_LIMIT + 1 || pixel > COORDINATE_LIMIT - 1)
        return pixel;
    int64_t shown = at(m, static_cast<int32_t>(pixel));
    return shown > texel ? pixel - 1 : shown < texel ? pixel + 1 : pixel;
}

// The texel columns and rows (from the top) whose corners may land in the area, as a quick test before a
// triangle is mapped to the screen. A corner further left lies left of the area on the screen: its pixel is near
// its texel's centre, and at most den / num texels (rounded up) share a pixel. So a triangle wholly beyond one
// side of these bounds has no edge in the area.
struct TexelBounds {
    int64_t left;
    int64_t right;
    int64_t top;
    int64_t bottom;
};

TexelBounds texelsNearArea(const ViewMap &m, const ViewRect &r)
{
    const ZoomRatio z = ratioOf(m);
    int64_t margin = (int64_t{z.den} + z.num - 1) / z.num + 2;
    return TexelBounds{columnAt(m, r.left) - margin, columnAt(m, r.right - 1) + margin,
                       rowFromTopAt(m, r.top) - margin, rowFromTopAt(m, r.bottom - 1) + margin};
}

bool beyondBounds(const int64_t column[3], const int64_t fromTop[3], const TexelBounds &b)
{
    return std::max({column[0], column[1], column[2]}) < b.left ||
           std::min({column[0], column[1], column[2]}) > b.right ||
           std::max({fromTop[0], fromTop[1], fromTop[2]}) < b.top ||
           std::min({fromTop[0], fromTop[1], fromTop[2]}) > b.bottom;
}

void drawMappingGrid(const ViewMap &m, const GridPen &pen, const float *triangles, size_t count)
{
    CornerMapping corners = mapCorners(m);
    TexelBounds bounds = texelsNearArea(m, pen.layout.area);
    for (size_t i = 0; i < count; ++i) {
        const float *t = triangles + i * 6;
        // A corner the plugin got wrong loses its triangle, as in the layer.
        if (!std::all_of(t, t + 6, [](float f) { return std::isfinite(f); }))
            continue;
        int64_t column[3], fromTop[3];
        for (int c = 0; c < 3; ++c) {
            column[c] = gridTexel(t[2 * c], m.textureWidth);
            fromTop[c] = m.textureHeight - 1 - gridTexel(t[2 * c + 1], m.textureHeight);
        }
        if (beyondBounds(column, fromTop, bounds))
            continue;
        int64_t x[3], y[3];
        for (int c = 0; c < 3; ++c) {
            x[c] = pixelShowing(m, corners, corners.columnOffset, columnAt, column[c]);
            y[c] = pixelShowing(m, corners, corners.rowOffset, rowFromTopAt, fromTop[c]);
        }
        drawScreenLine(pen, x[0], y[0], x[1], y[1]);
        drawScreenLine(pen, x[1], y[1], x[2], y[2]);
        drawScreenLine(pen, x[2], y[2], x[0], y[0]);
    }
}

} // namespace

void composeView(const ViewMap &map, const ViewSource &source, const ViewRect &area, uint32_t *screen)
{
    ViewRect view = wholeView(map);
    ViewRect r{std::max(area.left, view.left), std::max(area.top, view.top), std::min(area.right, view.right),
               std::min(area.bottom, view.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    AreaLayout layout = layOutArea(map, r);
    ZoomRatio z = ratioOf(map);
    // One to one, the picture with its grid already laid over it is shown as it is.
    bool composedAsIs = z.num == z.den && source.shown != nullptr;
    drawTexels(layout, composedAsIs ? source.shown : source.painted, map.textureWidth, map.viewWidth, screen);
    if (z.num >= PIXEL_GRID_FROM * z.den)
        drawPixelGrid(layout, map.viewWidth, screen);
    if (!composedAsIs && source.triangles != nullptr)
        drawMappingGrid(map, GridPen{layout, map.viewWidth, screen}, source.triangles, source.triangleCount);
}
