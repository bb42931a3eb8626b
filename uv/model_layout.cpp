// The loaded model's texture layout at the texture's size.
#include "uv/model_layout.h"

#include "texture/skin_store.h"

UvLayout modelLayout;

void layOutModelTriangles(const float *triangles, size_t count)
{
    std::vector<UvTriangle> copy(count);
    for (size_t i = 0; i < count; ++i) {
        const float *t = triangles + i * 6;
        copy[i] = UvTriangle{{t[0], t[2], t[4]}, {t[1], t[3], t[5]}};
    }
    buildUvLayout(copy.data(), copy.size(), skinWidth, skinHeight, modelLayout);
}

std::vector<int32_t> islandsNearTexel(const UvLayout &layout, int32_t x, int32_t y, int32_t reach)
{
    if (layout.covered.empty() || x < 0 || y < 0 || x >= layout.width || y >= layout.height)
        return {};
    // Rings of growing distance, so the nearest covered texel decides; islandsAtTexel tests every triangle,
    // so only a texel the coverage mask says is covered is asked.
    for (int32_t d = 0; d <= reach; ++d) {
        for (int32_t dy = -d; dy <= d; ++dy) {
            for (int32_t dx = -d; dx <= d; ++dx) {
                if (dx != d && dx != -d && dy != d && dy != -d)
                    continue;
                const int32_t cx = x + dx, cy = y + dy;
                if (cx < 0 || cy < 0 || cx >= layout.width || cy >= layout.height ||
                    !layout.covered[static_cast<size_t>(cy) * static_cast<size_t>(layout.width) + cx])
                    continue;
                std::vector<int32_t> found = islandsAtTexel(layout, cx, cy);
                if (!found.empty())
                    return found;
            }
        }
    }
    return {};
}
