// Anti-aliased edges of the texture triangles at the texture's size.
#include "uv/uv_raster.h"

#include <algorithm>
#include <cmath>

#include "uv/grid.h"

namespace {

struct Canvas {
    std::vector<uint8_t> &rgba;
    int32_t width;
    int32_t height;
};

// Distance from (px, py) to the segment from a to b, all in texel units.
double segmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0;
    t = std::min(1.0, std::max(0.0, t));
    const double ex = ax + t * dx - px, ey = ay + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

// Overlapping edges keep the stronger cover, so a shared edge is no darker than a single one.
void coverTexel(Canvas &canvas, int64_t x, int64_t y, double distance)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || distance >= 1)
        return;
    const uint8_t alpha = static_cast<uint8_t>(std::lround(255 * (1 - distance)));
    const size_t row = static_cast<size_t>(canvas.height - 1 - y);   // rows bottom-up in the texture, top first here
    uint8_t &a = canvas.rgba[(row * static_cast<size_t>(canvas.width) + static_cast<size_t>(x)) * 4 + 3];
    a = std::max(a, alpha);
}

// Walks the longer axis over the part of the segment on the canvas, looking at the texels within two of the
// line across it: the cost follows the line's length, never its bounding box.
void drawEdge(Canvas &canvas, double ax, double ay, double bx, double by)
{
    const bool steep = std::fabs(by - ay) > std::fabs(bx - ax);
    const double a0 = steep ? ay : ax, a1 = steep ? by : bx;   // along the walk
    const double c0 = steep ? ax : ay, c1 = steep ? bx : by;   // across it
    const double along = steep ? canvas.height : canvas.width;
    const double from = std::max(std::floor(std::min(a0, a1)) - 1, -1.0);
    const double to = std::min(std::ceil(std::max(a0, a1)) + 1, along);
    for (double m = from; m <= to; ++m) {
        const double t = a1 != a0 ? std::min(1.0, std::max(0.0, (m - a0) / (a1 - a0))) : 0;
        const double centre = std::floor(c0 + t * (c1 - c0));
        for (double n = centre - 2; n <= centre + 2; ++n) {
            const double x = steep ? n : m, y = steep ? m : n;
            coverTexel(canvas, static_cast<int64_t>(x), static_cast<int64_t>(y), segmentDistance(x, y, ax, ay, bx, by));
        }
    }
}

} // namespace

std::vector<uint8_t> rasterUvLayout(const float *triangles, size_t count, int32_t width, int32_t height)
{
    std::vector<uint8_t> rgba;
    if (width <= 0 || height <= 0)
        return rgba;
    rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    Canvas canvas{rgba, width, height};
    for (size_t i = 0; i < count; ++i) {
        const float *t = triangles + i * 6;
        double x[3], y[3];
        for (int c = 0; c < 3; ++c) {
            x[c] = gridCoordinate(t[2 * c], width);
            y[c] = gridCoordinate(t[2 * c + 1], height);
        }
        for (int c = 0; c < 3; ++c)
            drawEdge(canvas, x[c], y[c], x[(c + 1) % 3], y[(c + 1) % 3]);
    }
    return rgba;
}
