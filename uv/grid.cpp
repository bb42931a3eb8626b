// The mapping coordinate grid: the model's texture triangles, texture coordinates to layer pixels, and the line
// walk.
#include "uv/grid.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "uv/model_layout.h"
#include "texture/skin_store.h"

std::vector<float> gridTriangles;

namespace {

// The float nearest 0.9999, kept exactly so u = 1.0 lands on the last column and not one beyond.
const double GRID_SCALE = 0.99989998340606689453125;
// Far enough outside the layer to be dropped, small enough that line deltas stay easy to hold.
const double GRID_LIMIT = 16777216.0;

struct Layer {
    uint8_t *pixels;
    int64_t width;
    int64_t height;
};

// Anything off the layer is dropped rather than clamped or wrapped, so a triangle that strays off the texture
// is shown cut at the edge, not smeared along it.
void setBlack(const Layer &layer, int64_t column, int64_t row)
{
    if (column < 0 || column >= layer.width || row < 0 || row >= layer.height)
        return;
    size_t at = (static_cast<size_t>(row) * static_cast<size_t>(layer.width) + static_cast<size_t>(column)) * 3;
    layer.pixels[at] = 0;
    layer.pixels[at + 1] = 0;
    layer.pixels[at + 2] = 0;
}

int64_t absolute(int64_t v)
{
    return v < 0 ? -v : v;
}

// The steps k of a walk from start (0 <= k < count) whose major coordinate start + k * step lies in
// [0, side); the range is empty when first > last.
void stepsInside(int64_t start, int64_t step, int64_t count, int64_t side, int64_t &first, int64_t &last)
{
    if (step > 0) {
        first = start < 0 ? -start : 0;
        last = side - 1 - start;
    } else {
        first = start > side - 1 ? start - (side - 1) : 0;
        last = start;
    }
    if (last > count - 1)
        last = count - 1;
}

// One 16.16 walk along the major axis; the minor offset of step k is (k * slope) >> 16, which is
// what adding slope k times from zero gives, so starting in the middle changes nothing.
void walkLine(int64_t major0, int64_t minor0, int64_t dMajor, int64_t dMinor, bool steep, const Layer &layer)
{
    int64_t count = absolute(dMajor);
    int64_t step = dMajor >= 0 ? 1 : -1;
    int64_t slope = dMinor * 65536 / count;
    int64_t first, last;
    stepsInside(major0, step, count, steep ? layer.height : layer.width, first, last);
    for (int64_t k = first; k <= last; ++k) {
        int64_t major = major0 + k * step;
        int64_t minor = minor0 + ((k * slope) >> 16);
        if (steep)
            setBlack(layer, minor, major);
        else
            setBlack(layer, major, minor);
    }
}

bool cornerUsable(const float *corner)
{
    return corner != nullptr && std::isfinite(corner[0]) && std::isfinite(corner[1]);
}

bool triangleUsable(const TexCoordTriangle *t)
{
    return t != nullptr && cornerUsable(t->corner[0]) && cornerUsable(t->corner[1]) && cornerUsable(t->corner[2]);
}

} // namespace

static_assert((int64_t{-1} >> 1) == -1, "the line walk needs an arithmetic right shift");

int32_t gridCoordinate(float u, int32_t side)
{
    if (std::isnan(u))
        return INT32_MIN / 2;
    double p = static_cast<double>(u) * GRID_SCALE;
    p *= side;
    if (p > GRID_LIMIT)
        p = GRID_LIMIT;
    if (p < -GRID_LIMIT)
        p = -GRID_LIMIT;
    return static_cast<int32_t>(p);
}

void drawGridLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t *target, int32_t width, int32_t height)
{
    const Layer layer = {target, width, height};
    int64_t dx = int64_t{x1} - x0;
    int64_t dy = int64_t{y1} - y0;
    if (absolute(dy) > absolute(dx))
        walkLine(y0, x0, dy, dx, true, layer);
    else if (dx != 0)
        walkLine(x0, y0, dx, dy, false, layer);
}

void clearGrid(uint8_t *target, int32_t width, int32_t height)
{
    if (width > 0 && height > 0)
        std::memset(target, 255, static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
}

void drawGridTriangles(const float *triangles, size_t count, uint8_t *target, int32_t width, int32_t height)
{
    for (size_t i = 0; i < count; ++i) {
        const float *t = triangles + i * 6;
        int32_t px[3], py[3];
        for (int c = 0; c < 3; ++c) {
            px[c] = gridCoordinate(t[2 * c], width);
            py[c] = gridCoordinate(t[2 * c + 1], height);
        }
        drawGridLine(px[0], py[0], px[1], py[1], target, width, height);
        drawGridLine(px[1], py[1], px[2], py[2], target, width, height);
        drawGridLine(px[2], py[2], px[0], py[0], target, width, height);
    }
}

int32_t readTexCoordTriangles(const TexCoordTriangle *const *table, int32_t first, int32_t count, float *out)
{
    int32_t written = 0;
    for (int32_t i = 0; i < count; ++i) {
        const TexCoordTriangle *t = table[first + i];
        // A plugin that breaks the contract loses that triangle, not the whole grid.
        if (!triangleUsable(t))
            continue;
        for (int c = 0; c < 3; ++c) {
            out[6 * written + 2 * c] = t->corner[c][0];
            out[6 * written + 2 * c + 1] = t->corner[c][1];
        }
        ++written;
    }
    return written;
}

static void appendTriangles(const TexCoordTriangle *const *table, int32_t count, std::vector<float> &out)
{
    out.clear();
    if (table == nullptr)
        return;
    // In pieces, so a table whose count is far beyond what it holds never asks for memory it does not use.
    const int32_t piece = 1024;
    float triangles[6 * 1024];
    for (int64_t first = 0; first < count; first += piece) {
        const int32_t n = count - first < piece ? static_cast<int32_t>(count - first) : piece;
        const int32_t written = readTexCoordTriangles(table, static_cast<int32_t>(first), n, triangles);
        out.insert(out.end(), triangles, triangles + 6 * written);
    }
}

void drawGridLayer()
{
    clearGrid(gridLayer, skinWidth, skinHeight);
    drawGridTriangles(gridTriangles.data(), gridTriangles.size() / 6, gridLayer, skinWidth, skinHeight);
    layOutModelTriangles(gridTriangles.data(), gridTriangles.size() / 6);
}

void drawGridTable(const TexCoordTriangle *const *table, int32_t count, uint8_t *target, int32_t width,
                   int32_t height)
{
    std::vector<float> triangles;
    appendTriangles(table, count, triangles);
    drawGridTriangles(triangles.data(), triangles.size() / 6, target, width, height);
}
