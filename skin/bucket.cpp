// The paint bucket: a click fills the region of the clicked texel's colour within the model's part under it.
#include "skin/bucket.h"

#include <vector>

#include "pattern/pattern_store.h"
#include "pattern/stamp.h"
#include "skin/bleed.h"
#include "skin/fill.h"
#include "skin/model_layout.h"

TexelPoint mirroredTexel(TexelPoint at)
{
    return TexelPoint{static_cast<int32_t>(int64_t{skinWidth} - 1 - at.x), at.y};
}

// Adds the region of one seed to `filled` (one byte per texel), and to `islands` when an island limits it;
// returns its rectangle and whether it was limited.
static SkinRect addSeedRegion(TexelPoint seed, int32_t islandReach, std::vector<uint8_t> &filled,
                              std::vector<uint8_t> &islands, bool &limited)
{
    static std::vector<uint8_t> mask, region;
    const std::vector<int32_t> under = islandsNearTexel(modelLayout, seed.x, seed.y, islandReach);
    limited = !under.empty();
    if (limited)
        maskIslands(modelLayout, under.data(), under.size(), mask);
    // An island may cross the texture's edge, since coordinates repeat on the model; the texture itself does
    // not wrap when nothing limits the region.
    const FillRegion found = findFillRegion(skinBase, skinWidth, skinHeight, seed.x, seed.y,
                                            limited ? mask.data() : nullptr, limited, region);
    if (found.texels == 0)
        return noTexels();
    for (size_t i = 0; i < filled.size(); ++i) {
        filled[i] |= region[i];
        if (limited)
            islands[i] |= region[i];
    }
    return found.rect;
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
            uint8_t *texel = skinBase + texelOffset(x, y);
            texel[0] = colour[2];
            texel[1] = colour[1];
            texel[2] = colour[0];
        }
    }
}

SkinRect fillFromSeeds(DabKind kind, const TexelPoint *seeds, size_t count, bool usePattern, int32_t islandReach)
{
    if (kind == DabKind::none || (usePattern && (patternWidth <= 0 || patternHeight <= 0)))
        return noTexels();
    std::vector<uint8_t> filled(skinTexelCount(), 0), islands(skinTexelCount(), 0);
    SkinRect rect = noTexels(), islandRect = noTexels();
    for (size_t i = 0; i < count; ++i) {
        bool limited = false;
        const SkinRect r = addSeedRegion(seeds[i], islandReach, filled, islands, limited);
        rect = joinRects(rect, r);
        if (limited)
            islandRect = joinRects(islandRect, r);
    }
    if (isEmptyRect(rect))
        return rect;
    paintFilledTexels(kind, usePattern, filled, rect);
    // Only paint inside an island bleeds: a region the click found in the gutter is gutter already, and bleeding
    // from it would run over whatever bounded it there.
    if (!isEmptyRect(islandRect))
        rect = joinRects(rect, bleedAroundMask(modelLayout, skinBase, islands.data(), islandRect));
    updateSkinCopies(rect);
    return rect;
}
