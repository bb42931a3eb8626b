// The paint bucket: a click fills the region of the clicked texel's colour within the model's part under it.
#include "paint/bucket.h"

#include <vector>

#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/bleed.h"
#include "paint/fill.h"
#include "paint/paint_options.h"
#include "paint/stroke_mask.h"
#include "texture/active_layer.h"
#include "uv/model_layout.h"

TexelPoint mirroredTexel(TexelPoint at)
{
    return TexelPoint{static_cast<int32_t>(int64_t{skinWidth} - 1 - at.x), at.y};
}

// ORs `from` into `into` (one byte per texel) within rect.
static void addMask(std::vector<uint8_t> &into, const std::vector<uint8_t> &from, const SkinRect &rect)
{
    for (int32_t y = rect.bottom; y <= rect.top; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(skinWidth);
        for (int32_t x = rect.left; x <= rect.right; ++x)
            into[row + x] |= from[row + x];
    }
}

// The region of one seed into `region` (one byte per texel), and whether an island limited it.
static FillRegion findSeedRegion(TexelPoint seed, int32_t islandReach, std::vector<uint8_t> &region, bool &limited)
{
    static std::vector<uint8_t> mask;
    const std::vector<int32_t> under = islandsNearTexel(modelLayout, seed.x, seed.y, islandReach);
    limited = !under.empty();
    if (limited)
        maskIslands(modelLayout, under.data(), under.size(), mask);
    // An island may cross the texture's edge, since coordinates repeat on the model; the texture itself does
    // not wrap when nothing limits the region.
    return findFillRegion(skinBase, skinWidth, skinHeight, seed.x, seed.y, limited ? mask.data() : nullptr, limited,
                          region);
}

static void paintFilledTexels(DabKind kind, bool usePattern, const std::vector<uint8_t> &filled, const SkinRect &r)
{
    const BrushSettings &b = brushSettings;
    const uint8_t *colour = kind == DabKind::pen ? b.penColor : b.eraserColor;
    const int32_t mode = kind == DabKind::pen ? STAMP_DARKEN : STAMP_BRIGHTEN;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        for (int32_t x = r.left; x <= r.right; ++x) {
            if (!filled[static_cast<size_t>(y) * static_cast<size_t>(skinWidth) + x])
                continue;
            if (usePattern) {
                stampTexel(x, y, x % patternWidth, y % patternHeight, mode);
                continue;
            }
            mixStrokeTexel(x, y, 1.0f, colour, paintOptions.opacity, kind == DabKind::eraser);
        }
    }
}

SkinRect fillFromSeeds(DabKind kind, const TexelPoint *seeds, size_t count, bool usePattern, int32_t islandReach)
{
    if (kind == DabKind::none || count == 0 || (usePattern && (patternWidth <= 0 || patternHeight <= 0)))
        return noTexels();
    // Only texels filled within islands bleed: a region the click found in the gutter is gutter already, and
    // bleeding from it would run over whatever bounded it there. One seed's region is used as found; several
    // are gathered first, all before any is painted.
    static std::vector<uint8_t> filled, region, islands;
    bool limited = false;
    SkinRect rect = noTexels(), islandRect = noTexels();
    if (count == 1) {
        const FillRegion found = findSeedRegion(seeds[0], islandReach, filled, limited);
        rect = found.texels ? found.rect : noTexels();
        islandRect = limited ? rect : noTexels();
    } else {
        filled.assign(skinTexelCount(), 0);
        islands.assign(skinTexelCount(), 0);
        for (size_t i = 0; i < count; ++i) {
            const FillRegion found = findSeedRegion(seeds[i], islandReach, region, limited);
            if (!found.texels)
                continue;
            addMask(filled, region, found.rect);
            rect = joinRects(rect, found.rect);
            if (limited) {
                addMask(islands, region, found.rect);
                islandRect = joinRects(islandRect, found.rect);
            }
        }
    }
    if (isEmptyRect(rect))
        return rect;
    // A fill is a stroke of its own: every texel moves the opacity's share towards the colour, once.
    beginStrokeMask();
    paintFilledTexels(kind, usePattern, filled, rect);
    endStrokeMask();
    if (!isEmptyRect(islandRect))
        rect = joinRects(rect, bleedAroundMask(modelLayout, paintLayer().pixels.data(),
                                               count == 1 ? filled.data() : islands.data(), islandRect,
                                               LAYER_TEXEL_BYTES));
    showLayersIn(rect);
    return rect;
}
