// The stroke mask and the one per-texel mixer of the pen and the eraser.
#include "paint/stroke_mask.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "texture/active_layer.h"

namespace {

// The mask is kept in tiles of 32 x 32 texels, made when the stroke first touches them: a stroke over a corner
// of a 2048 x 2048 texture costs what that corner holds, not the whole texture.
constexpr int32_t TILE_SHIFT = 5, TILE_SIDE = 1 << TILE_SHIFT, TILE_TEXELS = TILE_SIDE * TILE_SIDE;

struct MaskTile {
    float coverage[TILE_TEXELS];   // below 0: not touched yet
    uint8_t start[TILE_TEXELS * LAYER_TEXEL_BYTES]; // the layer's blue, green, red, alpha at the first touch
};

struct StrokeMask {
    bool open = false;
    int32_t width = 0;
    int32_t height = 0;
    int32_t tilesAcross = 0;
    std::vector<std::unique_ptr<MaskTile>> tiles;
    std::vector<size_t> used;                      // the tiles made, to clear them fast
    std::vector<std::unique_ptr<MaskTile>> spare;  // tiles of earlier strokes, made again for the next
    size_t texels = 0;
};

StrokeMask mask;

void clearMask()
{
    for (size_t at : mask.used)
        mask.spare.push_back(std::move(mask.tiles[at]));
    mask.used.clear();
    mask.texels = 0;
}

void fitMask()
{
    if (mask.width == skinWidth && mask.height == skinHeight)
        return;
    clearMask();
    mask.width = skinWidth;
    mask.height = skinHeight;
    mask.tilesAcross = (skinWidth + TILE_SIDE - 1) >> TILE_SHIFT;
    const size_t tilesDown = static_cast<size_t>((skinHeight + TILE_SIDE - 1) >> TILE_SHIFT);
    mask.tiles.clear();
    mask.tiles.resize(static_cast<size_t>(mask.tilesAcross) * tilesDown);
}

MaskTile &tileFor(int32_t x, int32_t y)
{
    const size_t at = static_cast<size_t>(y >> TILE_SHIFT) * static_cast<size_t>(mask.tilesAcross) +
                      static_cast<size_t>(x >> TILE_SHIFT);
    std::unique_ptr<MaskTile> &tile = mask.tiles[at];
    if (!tile) {
        if (mask.spare.empty()) {
            tile.reset(new MaskTile);
        } else {
            tile = std::move(mask.spare.back());
            mask.spare.pop_back();
        }
        std::fill(std::begin(tile->coverage), std::end(tile->coverage), -1.0f);
        mask.used.push_back(at);
    }
    return *tile;
}

// from moved `share` / 65536 of the way to `to`, rounded to the nearest byte (halves up). In integers: this runs
// for every texel of every dab.
inline uint8_t mixChannel(uint8_t from, uint8_t to, int32_t share)
{
    return static_cast<uint8_t>(from + (((to - from) * share + 32768) >> 16));
}

// How far from the middle, along one axis, the nearest of the square's texels lies that lands on edge-clamped
// texel p: the square spans [low, high], and everything beyond an edge lands on it.
double clampedAxisOffset(int32_t p, int64_t low, int64_t high, double middle, int32_t limit)
{
    const double from = p == 0 ? double(low) : double(p), to = p == limit - 1 ? double(high) : double(p);
    return std::fabs(std::clamp(middle, std::max(from, double(low)), std::min(to, double(high))) - middle);
}

} // namespace

void beginStrokeMask()
{
    fitMask();
    clearMask();
    mask.open = true;
}

void endStrokeMask()
{
    clearMask();
    mask.open = false;
}

size_t strokeMaskTexels()
{
    return mask.texels;
}

// The mix of one texel whose tile is at hand: `amount` is the opacity's share, 0..1.
static inline void mixInTile(MaskTile &tile, int32_t x, int32_t y, float weight, const uint8_t colour[3],
                             float amount, bool erase)
{
    const size_t at = static_cast<size_t>(y & (TILE_SIDE - 1)) * TILE_SIDE + static_cast<size_t>(x & (TILE_SIDE - 1));
    uint8_t *texel = paintTexel(x, y);
    uint8_t *start = tile.start + at * LAYER_TEXEL_BYTES;
    float &coverage = tile.coverage[at];
    if (coverage < 0.0f) {
        std::copy_n(texel, LAYER_TEXEL_BYTES, start);
        coverage = 0.0f;
        ++mask.texels;
    }
    weight = std::min(weight, 1.0f);
    if (weight <= coverage)
        return;
    coverage = weight;
    const int32_t share = static_cast<int32_t>(amount * coverage * 65536.0f + 0.5f);
    if (erase && eraserClears()) {
        texel[3] = mixChannel(start[3], 0, share);
        return;
    }
    if (start[3] == 255) {
        texel[0] = mixChannel(start[0], colour[2], share);
        texel[1] = mixChannel(start[1], colour[1], share);
        texel[2] = mixChannel(start[2], colour[0], share);
        return;
    }
    // Over some transparency the paint adds coverage as well: the colours weighed by how much each covers.
    const uint8_t target[3] = {colour[2], colour[1], colour[0]};
    const float part = static_cast<float>(share) / 65536.0f;
    const float startAlpha = start[3] / 255.0f, alpha = startAlpha + (1.0f - startAlpha) * part;
    for (int c = 0; c < 3; ++c)
        texel[c] = static_cast<uint8_t>(std::lround((start[c] * startAlpha * (1.0f - part) + target[c] * part) / alpha));
    texel[3] = static_cast<uint8_t>(std::lround(alpha * 255.0f));
}

static float opacityShare(int32_t opacity)
{
    return static_cast<float>(std::clamp(opacity, 0, MAX_OPACITY)) / 100.0f;
}

static void openMaskForTexture()
{
    if (!mask.open || mask.width != skinWidth || mask.height != skinHeight)
        beginStrokeMask();
}

void mixStrokeTexel(int32_t x, int32_t y, float weight, const uint8_t colour[3], int32_t opacity, bool erase)
{
    if (!(weight > 0.0f))
        return;
    openMaskForTexture();
    mixInTile(tileFor(x, y), x, y, weight, colour, opacityShare(opacity), erase);
}

SkinRect mixTipDab(const TipDab &dab, const uint8_t colour[3], int32_t opacity, bool erase)
{
    const SkinRect reach = {dab.left, dab.bottom, static_cast<int32_t>(int64_t{dab.left} + dab.width - 1),
                            static_cast<int32_t>(int64_t{dab.bottom} + dab.height - 1)};
    const SkinRect r = clipToSkin(reach);
    if (dab.width <= 0 || dab.height <= 0 || isEmptyRect(r))
        return noTexels();
    openMaskForTexture();
    const float amount = opacityShare(opacity);
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        const float *weight = dab.weights.data() + static_cast<size_t>(y - dab.bottom) * static_cast<size_t>(dab.width);
        // A tile at a time: its lookup once for the texels of the row that lie in it.
        for (int32_t x0 = r.left; x0 <= r.right;) {
            const int32_t x1 = std::min(r.right, (x0 | (TILE_SIDE - 1)));
            MaskTile *tile = nullptr;
            for (int32_t x = x0; x <= x1; ++x) {
                const float w = weight[x - dab.left];
                if (!(w > 0.0f))
                    continue;
                if (!tile)
                    tile = &tileFor(x, y);
                mixInTile(*tile, x, y, w, colour, amount, erase);
            }
            x0 = x1 + 1;
        }
    }
    showLayersIn(r);
    return r;
}

SkinRect mixSquareDab(int32_t x, int32_t y, int32_t size, int32_t hardness, const uint8_t colour[3], int32_t opacity,
                      bool erase)
{
    const int64_t half = size / 2, left = int64_t{x} - half, bottom = int64_t{y} - half;
    const SkinRect r = clampedRect(left, bottom, size, size);
    if (isEmptyRect(r))
        return r;
    const double middleX = left + (size - 1) / 2.0, middleY = bottom + (size - 1) / 2.0;
    const int32_t centreX = clampColumn(x), centreY = clampRow(y);
    for (int32_t py = r.bottom; py <= r.top; ++py) {
        const double dy = clampedAxisOffset(py, bottom, bottom + size - 1, middleY, skinHeight);
        for (int32_t px = r.left; px <= r.right; ++px) {
            // The texel the square is put on paints fully, as a round tip's centre does.
            const bool centre = px == centreX && py == centreY;
            const double dx = clampedAxisOffset(px, left, left + size - 1, middleX, skinWidth);
            mixStrokeTexel(px, py, centre ? 1.0f : squareTipWeight(dx, dy, size, hardness), colour, opacity, erase);
        }
    }
    showLayersIn(r);
    return r;
}
