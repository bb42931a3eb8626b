// The mapping coordinate grid: texture coordinates to layer pixels, and the line walk.
#include "skin/grid.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "skin/skin_store.h"

namespace {

// The float nearest 0.9999, kept exactly so u = 1.0 lands on column 255 and not 256.
const double GRID_SCALE = 0.99989998340606689453125;
// Far enough outside the layer to be dropped, small enough that line deltas stay easy to hold.
const double GRID_LIMIT = 16777216.0;

// A layer is 256 x 256 pixels; anything else is dropped rather than clamped or wrapped, so a
// triangle that strays off the texture is shown cut at the edge, not smeared along it.
void setBlack(uint8_t *target, int64_t column, int64_t row)
{
    if (column < 0 || column >= SKIN_SIDE || row < 0 || row >= SKIN_SIDE)
        return;
    size_t at = (static_cast<size_t>(row) * SKIN_SIDE + static_cast<size_t>(column)) * 3;
    target[at] = 0;
    target[at + 1] = 0;
    target[at + 2] = 0;
}

int64_t absolute(int64_t v)
{
    return v < 0 ? -v : v;
}

// The steps k of a walk from start (0 <= k < count) whose major coordinate start + k * step lies in
// the layer; the range is empty when first > last.
void stepsInside(int64_t start, int64_t step, int64_t count, int64_t &first, int64_t &last)
{
    if (step > 0) {
        first = start < 0 ? -start : 0;
        last = SKIN_SIDE - 1 - start;
    } else {
        first = start > SKIN_SIDE - 1 ? start - (SKIN_SIDE - 1) : 0;
        last = start;
    }
    if (last > count - 1)
        last = count - 1;
}

// One 16.16 walk along the major axis; the minor offset of step k is (k * slope) >> 16, which is
// what adding slope k times from zero gives, so starting in the middle changes nothing.
void walkLine(int64_t major0, int64_t minor0, int64_t dMajor, int64_t dMinor, bool steep, uint8_t *target)
{
    int64_t count = absolute(dMajor);
    int64_t step = dMajor >= 0 ? 1 : -1;
    int64_t slope = dMinor * 65536 / count;
    int64_t first, last;
    stepsInside(major0, step, count, first, last);
    for (int64_t k = first; k <= last; ++k) {
        int64_t major = major0 + k * step;
        int64_t minor = minor0 + ((k * slope) >> 16);
        if (steep)
            setBlack(target, minor, major);
        else
            setBlack(target, major, minor);
    }
}

bool cornerUsable(const float *corner)
{
    return corner != nullptr && std::isfinite(corner[0]) && std::isfinite(corner[1]);
}

} // namespace

static_assert((int64_t{-1} >> 1) == -1, "the line walk needs an arithmetic right shift");

int32_t gridCoordinate(float u)
{
    if (std::isnan(u))
        return INT32_MIN / 2;
    double p = static_cast<double>(u) * GRID_SCALE;
    p *= 256.0;
    if (p > GRID_LIMIT)
        p = GRID_LIMIT;
    if (p < -GRID_LIMIT)
        p = -GRID_LIMIT;
    return static_cast<int32_t>(p);
}

void drawGridLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t *target)
{
    int64_t dx = int64_t{x1} - x0;
    int64_t dy = int64_t{y1} - y0;
    if (absolute(dy) > absolute(dx))
        walkLine(y0, x0, dy, dx, true, target);
    else if (dx != 0)
        walkLine(x0, y0, dx, dy, false, target);
}

void clearGrid(uint8_t *target)
{
    std::memset(target, 255, SKIN_BYTES);
}

void drawGridTable(const TexCoordTriangle *const *table, int32_t count, uint8_t *target)
{
    if (table == nullptr)
        return;
    for (int32_t i = 0; i < count; ++i) {
        const TexCoordTriangle *t = table[i];
        // A plugin that breaks the contract loses that triangle, not the whole grid.
        if (t == nullptr || !cornerUsable(t->corner[0]) || !cornerUsable(t->corner[1]) ||
            !cornerUsable(t->corner[2]))
            continue;
        int32_t px[3], py[3];
        for (int c = 0; c < 3; ++c) {
            px[c] = gridCoordinate(t->corner[c][0]);
            py[c] = gridCoordinate(t->corner[c][1]);
        }
        drawGridLine(px[0], py[0], px[1], py[1], target);
        drawGridLine(px[1], py[1], px[2], py[2], target);
        drawGridLine(px[2], py[2], px[0], py[0], target);
    }
}
