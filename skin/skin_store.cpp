// The skin buffers in their two byte orders, the grid layer, and the operations that keep them in step.
#include "skin/skin_store.h"

#include <cstring>

uint8_t skinGL[SKIN_BYTES];
uint8_t skinView[SKIN_BYTES];
uint8_t skinBase[SKIN_BYTES];
uint8_t gridLayer[SKIN_BYTES];
BitmapHeader skinHeader;
int32_t skinWidth;
int32_t skinHeight;
int32_t textureChanged;
uint32_t textureChangeCount;

void markTextureChanged()
{
    textureChanged = 1;
    ++textureChangeCount;
}

void setupBitmapHeader(BitmapHeader &header, int32_t width, int32_t height)
{
    std::memset(&header, 0, sizeof header);
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
}

void initSkinStore()
{
    skinWidth = SKIN_SIDE;
    skinHeight = SKIN_SIDE;
    std::memset(skinBase, 255, SKIN_BYTES);
    std::memset(skinView, 255, SKIN_BYTES);
    std::memset(skinGL, 255, SKIN_BYTES);
    std::memset(gridLayer, 255, SKIN_BYTES);
    setupBitmapHeader(skinHeader, skinWidth, skinHeight);
    textureChanged = 0;
}

SkinRect joinRects(const SkinRect &a, const SkinRect &b)
{
    if (isEmptyRect(a))
        return b;
    if (isEmptyRect(b))
        return a;
    return SkinRect{a.left < b.left ? a.left : b.left, a.bottom < b.bottom ? a.bottom : b.bottom,
                    a.right > b.right ? a.right : b.right, a.top > b.top ? a.top : b.top};
}

SkinRect clampedRect(int64_t x0, int64_t y0, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return noTexels();
    return SkinRect{clampToSkin(x0), clampToSkin(y0), clampToSkin(x0 + width - 1), clampToSkin(y0 + height - 1)};
}

// 16 pixels are 48 bytes, six 64-bit words: a whole run of empty grid is recognised with five ANDs. A row of
// 256 pixels is exactly 16 runs, so runs never straddle rows.
enum : int32_t { OVERLAY_RUN_PIXELS = 16 };
enum : size_t { OVERLAY_RUN_BYTES = 48 };
static_assert(SKIN_SIDE % OVERLAY_RUN_PIXELS == 0, "the overlay walks each row in whole runs");

static bool runIsEmpty(const uint8_t *grid)
{
    uint64_t words[OVERLAY_RUN_BYTES / 8];
    std::memcpy(words, grid, sizeof words);
    return (words[0] & words[1] & words[2] & words[3] & words[4] & words[5]) == ~uint64_t{0};
}

void overlayGridRect(const SkinRect &r)
{
    // The grid is a few lines over a white layer, and the overlay follows every batch of dabs while it is
    // shown: skip the empty runs and look at single pixels only where a run holds some grid.
    if (isEmptyRect(r))
        return;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        size_t rowStart = static_cast<size_t>(y) * SKIN_SIDE;
        for (int32_t run = r.left - r.left % OVERLAY_RUN_PIXELS; run <= r.right; run += OVERLAY_RUN_PIXELS) {
            if (runIsEmpty(gridLayer + (rowStart + static_cast<size_t>(run)) * 3))
                continue;
            int32_t first = run > r.left ? run : r.left;
            int32_t last = run + OVERLAY_RUN_PIXELS - 1 < r.right ? run + OVERLAY_RUN_PIXELS - 1 : r.right;
            for (int32_t x = first; x <= last; ++x) {
                size_t i = (rowStart + static_cast<size_t>(x)) * 3;
                const uint8_t *g = gridLayer + i;
                if (g[0] != 255 || g[1] != 255 || g[2] != 255) {
                    skinView[i] = g[0];
                    skinView[i + 1] = g[1];
                    skinView[i + 2] = g[2];
                }
            }
        }
    }
}

void overlayGrid()
{
    overlayGridRect(allTexels());
}

void recomposeSkinView(bool gridShown)
{
    std::memcpy(skinView, skinBase, SKIN_BYTES);
    if (gridShown)
        overlayGrid();
}

void recomposeSkinViewRect(const SkinRect &r, bool gridShown)
{
    if (isEmptyRect(r))
        return;
    size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        size_t at = (static_cast<size_t>(y) * SKIN_SIDE + static_cast<size_t>(r.left)) * 3;
        std::memcpy(skinView + at, skinBase + at, rowBytes);
    }
    if (gridShown)
        overlayGridRect(r);
}

void replaceTexture(const uint8_t *bgr)
{
    std::memcpy(skinBase, bgr, SKIN_BYTES);
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        skinGL[i] = bgr[i + 2];
        skinGL[i + 1] = bgr[i + 1];
        skinGL[i + 2] = bgr[i];
    }
}
