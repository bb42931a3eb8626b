// Where a fill clicked on the flat view starts: the clicked texel, or the nearest island's within a few pixels.
#include "skin/fill_seed.h"

#include <algorithm>
#include <vector>

namespace {

struct Offset {
    int32_t dx, dy, squared;
};

// The pixels within `reach` of the click, nearest first.
const std::vector<Offset> &offsetsWithin(int32_t reach)
{
    static std::vector<Offset> offsets;
    static int32_t madeFor = -1;
    if (madeFor != reach) {
        offsets.clear();
        for (int32_t dy = -reach; dy <= reach; ++dy)
            for (int32_t dx = -reach; dx <= reach; ++dx)
                if (dx * dx + dy * dy <= reach * reach)
                    offsets.push_back({dx, dy, dx * dx + dy * dy});
        std::stable_sort(offsets.begin(), offsets.end(),
                         [](const Offset &a, const Offset &b) { return a.squared < b.squared; });
        madeFor = reach;
    }
    return offsets;
}

bool coveredTexel(const UvLayout &layout, const TexelHit &hit)
{
    return hit.onTexture && layout.covered[size_t(hit.row) * size_t(layout.width) + size_t(hit.column)] != 0;
}

} // namespace

TexelPoint fillSeedAt(const ViewMap &map, const UvLayout &layout, int32_t x, int32_t y, int32_t reach)
{
    const TexelHit under = texelAtPixel(map, x, y);
    const TexelPoint clicked = {under.column, under.row};
    if (layout.width != map.textureWidth || layout.height != map.textureHeight || layout.covered.empty() ||
        coveredTexel(layout, under) || reach <= 0)
        return clicked;
    for (const Offset &o : offsetsWithin(reach)) {
        const TexelHit hit = texelAtPixel(map, x + o.dx, y + o.dy);
        if (coveredTexel(layout, hit))
            return TexelPoint{hit.column, hit.row};
    }
    return clicked;
}
