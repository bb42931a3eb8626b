// Bleeding fresh paint into the gutter: the texels no triangle covers take the colour of the paint beside them.
#include "paint/bleed.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Offset {
    int32_t dx, dy;
};

enum : size_t { NEIGHBOUR_COUNT = (2 * BLEED_REACH + 1) * (2 * BLEED_REACH + 1) - 1 };

// The neighbours within reach, nearest first; among equally near ones, the lower row, then the lower column.
// Searching in this order makes the first painted neighbour the answer.
const Offset *nearestFirst()
{
    static const std::vector<Offset> offsets = [] {
        std::vector<Offset> o;
        for (int32_t dy = -BLEED_REACH; dy <= BLEED_REACH; ++dy)
            for (int32_t dx = -BLEED_REACH; dx <= BLEED_REACH; ++dx)
                if (dx != 0 || dy != 0)
                    o.push_back(Offset{dx, dy});
        std::stable_sort(o.begin(), o.end(), [](const Offset &a, const Offset &b) {
            return a.dx * a.dx + a.dy * a.dy < b.dx * b.dx + b.dy * b.dy;
        });
        return o;
    }();
    return offsets.data();
}

inline int32_t wrapIndex(int32_t i, int32_t side)
{
    // Offsets are at most BLEED_REACH and sides at least 1, so a few steps bring any index back.
    while (i < 0)
        i += side;
    while (i >= side)
        i -= side;
    return i;
}

size_t texelAt(const UvLayout &layout, int32_t x, int32_t y)
{
    return static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x);
}

// Gives gutter texel (x, y) the colour of its nearest painted neighbour, if it has one; true when written.
template <typename Painted>
bool bleedTexel(const UvLayout &layout, uint8_t *bgr, size_t texelBytes, int32_t x, int32_t y, const Painted &painted)
{
    const Offset *o = nearestFirst();
    for (size_t k = 0; k < NEIGHBOUR_COUNT; ++k) {
        size_t from = texelAt(layout, wrapIndex(x + o[k].dx, layout.width), wrapIndex(y + o[k].dy, layout.height));
        if (painted(from)) {
            std::memcpy(bgr + texelAt(layout, x, y) * texelBytes, bgr + from * texelBytes, texelBytes);
            return true;
        }
    }
    return false;
}

SkinRect noRect(const UvLayout &layout)
{
    return SkinRect{layout.width, layout.height, -1, -1};
}

// The unwrapped indices [first, last] within reach of [low, high] (already on the texture), at most one
// repeat of the side so that no texel is met twice.
void reachRange(int32_t low, int32_t high, int32_t side, int32_t &first, int32_t &last)
{
    if (high - low + 1 + 2 * BLEED_REACH >= side) {
        first = 0;
        last = side - 1;
    } else {
        first = low - BLEED_REACH;
        last = high + BLEED_REACH;
    }
}

} // namespace

SkinRect bleedAroundTexels(const UvLayout &layout, uint8_t *bgr, const uint32_t *texels, size_t count,
                           size_t texelBytes)
{
    SkinRect changed = noRect(layout);
    if (layout.islandCount == 0 || layout.covered.empty())
        return changed;
    const size_t total = layout.covered.size();
    std::vector<uint32_t> painted;
    painted.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (texels[i] < total)
            painted.push_back(texels[i]);
    std::sort(painted.begin(), painted.end());
    painted.erase(std::unique(painted.begin(), painted.end()), painted.end());
    auto isPainted = [&painted](size_t at) {
        return std::binary_search(painted.begin(), painted.end(), static_cast<uint32_t>(at));
    };
    // Each gutter texel may lie beside many painted ones: gather them all, then bleed each once.
    std::vector<uint32_t> gutter;
    const Offset *o = nearestFirst();
    for (uint32_t p : painted) {
        int32_t x = static_cast<int32_t>(p % static_cast<uint32_t>(layout.width));
        int32_t y = static_cast<int32_t>(p / static_cast<uint32_t>(layout.width));
        for (size_t k = 0; k < NEIGHBOUR_COUNT; ++k) {
            size_t at = texelAt(layout, wrapIndex(x + o[k].dx, layout.width), wrapIndex(y + o[k].dy, layout.height));
            if (layout.covered[at] == 0 && !isPainted(at))
                gutter.push_back(static_cast<uint32_t>(at));
        }
    }
    std::sort(gutter.begin(), gutter.end());
    gutter.erase(std::unique(gutter.begin(), gutter.end()), gutter.end());
    for (uint32_t g : gutter) {
        int32_t x = static_cast<int32_t>(g % static_cast<uint32_t>(layout.width));
        int32_t y = static_cast<int32_t>(g / static_cast<uint32_t>(layout.width));
        if (bleedTexel(layout, bgr, texelBytes, x, y, isPainted))
            changed = joinRects(changed, SkinRect{x, y, x, y});
    }
    return changed;
}

SkinRect bleedAroundMask(const UvLayout &layout, uint8_t *bgr, const uint8_t *painted, const SkinRect &rect,
                         size_t texelBytes)
{
    SkinRect changed = noRect(layout);
    if (layout.islandCount == 0 || layout.covered.empty() || isEmptyRect(rect))
        return changed;
    int32_t left = std::max(rect.left, 0), right = std::min(rect.right, layout.width - 1);
    int32_t bottom = std::max(rect.bottom, 0), top = std::min(rect.top, layout.height - 1);
    if (left > right || bottom > top)
        return changed;
    int32_t x0, x1, y0, y1;
    reachRange(left, right, layout.width, x0, x1);
    reachRange(bottom, top, layout.height, y0, y1);
    auto isPainted = [painted](size_t at) { return painted[at] != 0; };
    for (int32_t ky = y0; ky <= y1; ++ky) {
        int32_t y = wrapIndex(ky, layout.height);
        for (int32_t kx = x0; kx <= x1; ++kx) {
            int32_t x = wrapIndex(kx, layout.width);
            size_t at = texelAt(layout, x, y);
            if (layout.covered[at] == 0 && painted[at] == 0 && bleedTexel(layout, bgr, texelBytes, x, y, isPainted))
                changed = joinRects(changed, SkinRect{x, y, x, y});
        }
    }
    return changed;
}
