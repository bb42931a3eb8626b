// The paint bucket's region: the texels of one colour connected to the clicked one, within an allowed mask.
#include "paint/fill.h"

#include <cstring>
#include <utility>

namespace {

// What the scan needs at hand; filled is the output mask, which doubles as the "already taken" test.
struct FillScan {
    const uint8_t *bgr;
    const uint8_t *allowed;
    uint8_t *filled;
    size_t width;
    uint8_t colour[3];
};

inline bool fillable(const FillScan &s, size_t at)
{
    const uint8_t *p = s.bgr + at * 3;
    return s.filled[at] == 0 && (s.allowed == nullptr || s.allowed[at] != 0) && p[0] == s.colour[0] &&
           p[1] == s.colour[1] && p[2] == s.colour[2];
}

inline int32_t wrapColumn(int64_t x, int32_t width)
{
    return static_cast<int32_t>(x < 0 ? x + width : x >= width ? x - width : x);
}

// Grows the run through (x, y) to the left and right over fillable texels, up to one whole row. The run is
// [left, right] in unwrapped columns: with wrap it may start below 0 or end past width - 1.
void growRun(const FillScan &s, int32_t width, bool wrap, int32_t x, size_t rowAt, int64_t &left, int64_t &right)
{
    left = right = x;
    while (right - left + 1 < width) {
        int64_t next = left - 1;
        if (!wrap && next < 0)
            break;
        if (!fillable(s, rowAt + static_cast<size_t>(wrapColumn(next, width))))
            break;
        left = next;
    }
    while (right - left + 1 < width) {
        int64_t next = right + 1;
        if (!wrap && next >= width)
            break;
        if (!fillable(s, rowAt + static_cast<size_t>(wrapColumn(next, width))))
            break;
        right = next;
    }
}

void markRun(const FillScan &s, int32_t width, size_t rowAt, int64_t left, int64_t right)
{
    if (right - left + 1 >= width) {
        std::memset(s.filled + rowAt, 1, static_cast<size_t>(width));
        return;
    }
    int32_t a = wrapColumn(left, width), b = wrapColumn(right, width);
    if (a <= b) {
        std::memset(s.filled + rowAt + a, 1, static_cast<size_t>(b - a + 1));
    } else {
        std::memset(s.filled + rowAt + a, 1, static_cast<size_t>(width - a));
        std::memset(s.filled + rowAt, 1, static_cast<size_t>(b + 1));
    }
}

// Queues the first texel of every fillable stretch of row y under the run [left, right]; each stretch is
// grown into its own run when taken from the stack.
void queueRow(const FillScan &s, int32_t width, int32_t y, int64_t left, int64_t right,
              std::vector<std::pair<int32_t, int32_t>> &stack)
{
    size_t rowAt = static_cast<size_t>(y) * s.width;
    bool inStretch = false;
    int32_t x = wrapColumn(left, width);
    for (int64_t k = left; k <= right; ++k) {
        bool f = fillable(s, rowAt + static_cast<size_t>(x));
        if (f && !inStretch)
            stack.emplace_back(x, y);
        inStretch = f;
        if (++x == width)
            x = 0;
    }
}

SkinRect joinRun(const SkinRect &rect, int32_t width, int64_t left, int64_t right, int32_t y)
{
    // A run over the edge holds texels at both ends of the row.
    if (left < 0 || right >= width)
        return joinRects(rect, SkinRect{0, y, width - 1, y});
    return joinRects(rect, SkinRect{static_cast<int32_t>(left), y, static_cast<int32_t>(right), y});
}

} // namespace

FillRegion findFillRegion(const uint8_t *bgr, int32_t width, int32_t height, int32_t seedX, int32_t seedY,
                          const uint8_t *allowed, bool wrap, std::vector<uint8_t> &filled)
{
    FillRegion region{SkinRect{width, height, -1, -1}, 0};
    if (width <= 0 || height <= 0 || static_cast<size_t>(height) > UINT32_MAX / static_cast<size_t>(width)) {
        filled.clear();
        return region;
    }
    filled.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    if (seedX < 0 || seedX >= width || seedY < 0 || seedY >= height)
        return region;
    size_t seedAt = static_cast<size_t>(seedY) * static_cast<size_t>(width) + static_cast<size_t>(seedX);
    const uint8_t *seed = bgr + seedAt * 3;
    FillScan s{bgr, allowed, filled.data(), static_cast<size_t>(width), {seed[0], seed[1], seed[2]}};
    // An explicit stack of runs' seeds: a whole 2048 x 2048 texture would overflow any recursion.
    std::vector<std::pair<int32_t, int32_t>> stack{{seedX, seedY}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        size_t rowAt = static_cast<size_t>(y) * s.width;
        if (!fillable(s, rowAt + static_cast<size_t>(x)))
            continue;
        int64_t left, right;
        growRun(s, width, wrap, x, rowAt, left, right);
        markRun(s, width, rowAt, left, right);
        region.texels += static_cast<size_t>(right - left + 1);
        region.rect = joinRun(region.rect, width, left, right, y);
        for (int32_t dy = -1; dy <= 1; dy += 2) {
            int32_t ny = y + dy;
            if (ny < 0 || ny >= height) {
                if (!wrap)
                    continue;
                ny = ny < 0 ? height - 1 : 0;
            }
            queueRow(s, width, ny, left, right, stack);
        }
    }
    return region;
}
