// The model's surface out of a feedback buffer: tokens walked, vertices taken back to model coordinates.
#include "viewport/feedback_surface.h"

#include <algorithm>
#include <cmath>

namespace {

// The feedback tokens, as OpenGL 1.1 numbers them (the buffer holds them as floats).
enum : int {
    PASS_THROUGH_TOKEN = 0x0700,
    POINT_TOKEN = 0x0701,
    LINE_TOKEN = 0x0702,
    POLYGON_TOKEN = 0x0703,
    BITMAP_TOKEN = 0x0704,
    DRAW_PIXEL_TOKEN = 0x0705,
    COPY_PIXEL_TOKEN = 0x0706,
    LINE_RESET_TOKEN = 0x0707,
};

// x, y, z, red, green, blue, alpha, s, t, r, q.
const size_t VERTEX_VALUES = 11;

struct Corner {
    float position[3];
    float uv[2];
};

Corner cornerAt(const float *v, const FeedbackView &view)
{
    Corner c;
    const double scale = 2.0 * view.half / view.side;
    c.position[0] = float(view.centre[0] - view.half + double(v[0]) * scale);
    c.position[1] = float(view.centre[1] - view.half + double(v[1]) * scale);
    c.position[2] = float(view.centre[2] - view.half * (2.0 * double(v[2]) - 1.0));
    const double q = v[10] != 0.0f ? double(v[10]) : 1.0;
    c.uv[0] = float(double(v[7]) / q);
    c.uv[1] = float(double(v[8]) / q);
    return c;
}

SurfaceTriangle triangleOf(const Corner &a, const Corner &b, const Corner &c)
{
    SurfaceTriangle t;
    const Corner *corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        std::copy(corners[i]->position, corners[i]->position + 3, t.position[i]);
        std::copy(corners[i]->uv, corners[i]->uv + 2, t.uv[i]);
    }
    return t;
}

} // namespace

bool surfaceBox(const std::vector<SurfaceTriangle> &triangles, double centre[3], double &half)
{
    if (triangles.empty())
        return false;
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const SurfaceTriangle &t : triangles)
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], double(t.position[k][a]));
                high[a] = std::max(high[a], double(t.position[k][a]));
            }
    half = 0.0;
    for (int a = 0; a < 3; ++a) {
        centre[a] = (low[a] + high[a]) / 2;
        half = std::max(half, (high[a] - low[a]) / 2);
    }
    return std::isfinite(half);
}

bool readFeedbackSurface(const float *buffer, size_t count, const FeedbackView &view,
                         std::vector<SurfaceTriangle> &triangles)
{
    size_t at = 0;
    while (at < count) {
        const int token = int(buffer[at++]);
        size_t vertices = 0;
        switch (token) {
        case PASS_THROUGH_TOKEN:
            ++at;   // its value
            continue;
        case POINT_TOKEN:
        case BITMAP_TOKEN:
        case DRAW_PIXEL_TOKEN:
        case COPY_PIXEL_TOKEN:
            vertices = 1;
            break;
        case LINE_TOKEN:
        case LINE_RESET_TOKEN:
            vertices = 2;
            break;
        case POLYGON_TOKEN: {
            if (at >= count)
                return false;
            const float n = buffer[at++];
            if (!(n >= 0.0f && n <= float(count)))
                return false;
            vertices = size_t(n);
            if (vertices > (count - at) / VERTEX_VALUES)
                return false;
            if (vertices >= 3) {
                const Corner first = cornerAt(buffer + at, view);
                Corner previous = cornerAt(buffer + at + VERTEX_VALUES, view);
                for (size_t k = 2; k < vertices; ++k) {
                    const Corner next = cornerAt(buffer + at + k * VERTEX_VALUES, view);
                    triangles.push_back(triangleOf(first, previous, next));
                    previous = next;
                }
            }
            at += vertices * VERTEX_VALUES;
            continue;
        }
        default:
            return false;
        }
        if (vertices > (count - at) / VERTEX_VALUES)
            return false;
        at += vertices * VERTEX_VALUES;
    }
    return true;
}
