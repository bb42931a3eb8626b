// Mirror on the flat texture through the loaded model: dabs and fill seeds carried to their mirror texels.
#include "paint/model_mirror.h"

#include <algorithm>
#include <vector>

#include "paint/bucket.h"
#include "paint/pattern_store.h"
#include "paint/paint_options.h"
#include "paint/stamp.h"
#include "paint/stroke_mask.h"
#include "texture/active_layer.h"
#include "uv/mirror_map.h"

namespace {

bool inside(const SkinRect &r, int32_t x, int32_t y)
{
    return x >= r.left && x <= r.right && y >= r.bottom && y <= r.top;
}

// A texel to paint at its mirror image, with the pattern pixel that landed on it (0, 0 for a square).
struct MirrorTarget {
    int32_t texel;
    int32_t j;
    int32_t i;
};

// Collects the mirror texel of (x, y) unless the dab itself covers it.
void addTarget(MirrorMap &map, const SkinRect &dab, int32_t x, int32_t y, int32_t j, int32_t i,
               std::vector<MirrorTarget> &targets)
{
    int32_t mx = 0, my = 0;
    if (mirrorTexelThroughModel(map, x, y, mx, my) && !inside(dab, mx, my))
        targets.push_back({my * skinWidth + mx, j, i});
}

} // namespace

bool mirrorsThroughModel()
{
    return modelMirrorMap() != nullptr;
}

SkinRect paintDabMirroredThroughModel(DabKind kind, int32_t x, int32_t y, bool usePattern)
{
    MirrorMap *map = modelMirrorMap();
    if (map == nullptr || kind == DabKind::none || (usePattern && (patternWidth <= 0 || patternHeight <= 0)))
        return noTexels();
    static std::vector<MirrorTarget> targets;
    targets.clear();
    const BrushSettings &b = brushSettings;
    if (usePattern) {
        // Pattern pixel (j, i) lands on texel (x - w/2 + j, y - h/2 + i); those beyond the edges are left out.
        const int64_t x0 = int64_t{x} - patternWidth / 2, y0 = int64_t{y} - patternHeight / 2;
        const SkinRect dab = clipToSkin(SkinRect{int32_t(std::max<int64_t>(x0, INT32_MIN)), int32_t(std::max<int64_t>(y0, INT32_MIN)),
                                                 int32_t(std::min<int64_t>(x0 + patternWidth - 1, INT32_MAX)),
                                                 int32_t(std::min<int64_t>(y0 + patternHeight - 1, INT32_MAX))});
        for (int32_t py = dab.bottom; py <= dab.top; ++py)
            for (int32_t px = dab.left; px <= dab.right; ++px)
                addTarget(*map, dab, px, py, int32_t(px - x0), int32_t(py - y0), targets);
    } else {
        const int32_t size = kind == DabKind::pen ? b.penSize : b.eraserSize;
        const SkinRect dab = clampedRect(int64_t{x} - size / 2, int64_t{y} - size / 2, size, size);
        if (isEmptyRect(dab))
            return noTexels();
        for (int32_t py = dab.bottom; py <= dab.top; ++py)
            for (int32_t px = dab.left; px <= dab.right; ++px)
                addTarget(*map, dab, px, py, 0, 0, targets);
    }
    // Several texels may share a mirror image: it is painted once, with the first of them.
    std::stable_sort(targets.begin(), targets.end(),
                     [](const MirrorTarget &a, const MirrorTarget &c) { return a.texel < c.texel; });
    targets.erase(std::unique(targets.begin(), targets.end(),
                              [](const MirrorTarget &a, const MirrorTarget &c) { return a.texel == c.texel; }),
                  targets.end());
    const uint8_t *colour = kind == DabKind::pen ? b.penColor : b.eraserColor;
    const int32_t mode = kind == DabKind::pen ? STAMP_DARKEN : STAMP_BRIGHTEN;
    SkinRect written = noTexels();
    for (const MirrorTarget &t : targets) {
        const int32_t tx = t.texel % skinWidth, ty = t.texel / skinWidth;
        if (usePattern) {
            stampTexel(tx, ty, t.j, t.i, mode);
        } else {
            // The stroke's opacity and the layer's eraser rule hold for the mirrored texels too.
            mixStrokeTexel(tx, ty, 1.0f, colour, paintOptions.opacity, kind == DabKind::eraser);
        }
        written = joinRects(written, SkinRect{tx, ty, tx, ty});
    }
    if (!isEmptyRect(written))
        showLayersIn(written);
    return written;
}

bool mirroredSeed(TexelPoint at, TexelPoint &mirror)
{
    MirrorMap *map = modelMirrorMap();
    if (map == nullptr) {
        mirror = mirroredTexel(at);
        return true;
    }
    return mirrorTexelThroughModel(*map, at.x, at.y, mirror.x, mirror.y);
}
