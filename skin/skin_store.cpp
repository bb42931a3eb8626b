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

void overlayGrid()
{
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        const uint8_t *g = gridLayer + i;
        if (g[0] != 255 || g[1] != 255 || g[2] != 255) {
            skinView[i] = g[0];
            skinView[i + 1] = g[1];
            skinView[i + 2] = g[2];
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
