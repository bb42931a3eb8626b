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
}

// 16 pixels are 48 bytes, six 64-bit words: a whole run of empty grid is recognised with five ANDs.
enum : size_t { OVERLAY_RUN_BYTES = 48 };
static_assert(SKIN_BYTES % OVERLAY_RUN_BYTES == 0, "the overlay walks the layer in whole runs");

static bool runIsEmpty(const uint8_t *grid)
{
    uint64_t words[OVERLAY_RUN_BYTES / 8];
    std::memcpy(words, grid, sizeof words);
    return (words[0] & words[1] & words[2] & words[3] & words[4] & words[5]) == ~uint64_t{0};
}

void overlayGrid()
{
    // The grid is a few lines over a white layer, and the overlay follows every dab while it is shown:
    // skip the empty runs and look at single pixels only where a run holds some grid.
    for (size_t run = 0; run < SKIN_BYTES; run += OVERLAY_RUN_BYTES) {
        if (runIsEmpty(gridLayer + run))
            continue;
        for (size_t i = run; i < run + OVERLAY_RUN_BYTES; i += 3) {
            const uint8_t *g = gridLayer + i;
            if (g[0] != 255 || g[1] != 255 || g[2] != 255) {
                skinView[i] = g[0];
                skinView[i + 1] = g[1];
                skinView[i + 2] = g[2];
            }
        }
    }
}

void recomposeSkinView(bool gridShown)
{
    std::memcpy(skinView, skinBase, SKIN_BYTES);
    if (gridShown)
        overlayGrid();
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
