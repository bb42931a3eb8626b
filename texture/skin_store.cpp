// The skin buffers in their two byte orders, the grid layer, and the operations that keep them in step.
#include "texture/skin_store.h"

#include <cstring>
#include <new>
#include <vector>

uint8_t *skinGL;
uint8_t *skinShown;
uint8_t *skinBase;
uint8_t *gridLayer;
BitmapHeader skinHeader;
int32_t skinWidth;
int32_t skinHeight;
bool skinGridShown;
int32_t textureChanged;
uint32_t textureChangeCount;

// The storage behind the four buffers: one block, so a resize either gets all of it or changes nothing.
static std::vector<uint8_t> skinStorage;

void markTextureChanged()
{
    textureChanged = 1;
    ++textureChangeCount;
}

bool resizeSkinStore(int32_t width, int32_t height)
{
    if (width < TEXTURE_MIN_SIDE || width > TEXTURE_MAX_SIDE || height < TEXTURE_MIN_SIDE || height > TEXTURE_MAX_SIDE)
        return false;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    std::vector<uint8_t> storage;
    try {
        storage.assign(bytes * 4, 255);
    } catch (const std::bad_alloc &) {
        return false;
    }
    skinStorage.swap(storage);
    skinGL = skinStorage.data();
    skinShown = skinGL + bytes;
    skinBase = skinShown + bytes;
    gridLayer = skinBase + bytes;
    skinWidth = width;
    skinHeight = height;
    setupBitmapHeader(skinHeader, width, height);
    return true;
}

bool readTextureSide(const char *text, int32_t &side)
{
    if (text == nullptr)
        return false;
    while (*text == ' ')
        ++text;
    int64_t value = 0;
    int digits = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits) {
        value = value * 10 + (*text - '0');
        if (value > TEXTURE_MAX_SIDE)
            return false;
    }
    while (*text == ' ')
        ++text;
    if (digits == 0 || *text != '\0' || value < TEXTURE_MIN_SIDE)
        return false;
    side = static_cast<int32_t>(value);
    return true;
}

void initSkinStore()
{
    resizeSkinStore(SKIN_START_SIDE, SKIN_START_SIDE);
    skinGridShown = false;
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

SkinRect clipToSkin(const SkinRect &r)
{
    SkinRect c = {r.left < 0 ? 0 : r.left, r.bottom < 0 ? 0 : r.bottom,
                  r.right > skinWidth - 1 ? skinWidth - 1 : r.right, r.top > skinHeight - 1 ? skinHeight - 1 : r.top};
    return isEmptyRect(c) ? noTexels() : c;
}

SkinRect clampedRect(int64_t x0, int64_t y0, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return noTexels();
    return SkinRect{clampColumn(x0), clampRow(y0), clampColumn(x0 + width - 1), clampRow(y0 + height - 1)};
}

// The grid is a few lines over a white layer, and the overlay follows every dab while it is shown: whole runs
// of 16 empty pixels are recognised with one comparison, and single pixels are looked at only where a run holds
// some grid.
enum : int32_t { OVERLAY_RUN_PIXELS = 16 };

static const uint8_t emptyRun[OVERLAY_RUN_PIXELS * 3] = {
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255};

void overlayGridRect(const SkinRect &area)
{
    const SkinRect r = clipToSkin(area);
    if (isEmptyRect(r))
        return;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        for (int32_t run = r.left; run <= r.right; run += OVERLAY_RUN_PIXELS) {
            const int32_t last = run + OVERLAY_RUN_PIXELS - 1 < r.right ? run + OVERLAY_RUN_PIXELS - 1 : r.right;
            const size_t at = texelOffset(run, y);
            if (std::memcmp(gridLayer + at, emptyRun, static_cast<size_t>(last - run + 1) * 3) == 0)
                continue;
            for (size_t i = at, end = texelOffset(last, y); i <= end; i += 3) {
                const uint8_t *g = gridLayer + i;
                if (g[0] != 255 || g[1] != 255 || g[2] != 255) {
                    skinShown[i] = g[0];
                    skinShown[i + 1] = g[1];
                    skinShown[i + 2] = g[2];
                }
            }
        }
    }
}

void overlayGrid()
{
    overlayGridRect(allTexels());
}

void composeSkinShown(bool gridShown)
{
    composeSkinShownRect(allTexels(), gridShown);
}

void composeSkinShownRect(const SkinRect &area, bool gridShown)
{
    skinGridShown = gridShown;
    const SkinRect r = clipToSkin(area);
    if (isEmptyRect(r))
        return;
    const size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    for (int32_t y = r.bottom; y <= r.top; ++y)
        std::memcpy(skinShown + texelOffset(r.left, y), skinBase + texelOffset(r.left, y), rowBytes);
    if (gridShown)
        overlayGridRect(r);
}

void updateSkinCopies(const SkinRect &area)
{
    const SkinRect r = clipToSkin(area);
    if (isEmptyRect(r))
        return;
    const size_t rowBytes = static_cast<size_t>(r.right - r.left + 1) * 3;
    for (int32_t y = r.bottom; y <= r.top; ++y) {
        const size_t at = texelOffset(r.left, y);
        const uint8_t *base = skinBase + at;
        uint8_t *gl = skinGL + at;
        for (size_t i = 0; i < rowBytes; i += 3) {
            gl[i] = base[i + 2];
            gl[i + 1] = base[i + 1];
            gl[i + 2] = base[i];
        }
    }
    composeSkinShownRect(r, skinGridShown);
}

bool replaceTexture(int32_t width, int32_t height, const uint8_t *bgr)
{
    if ((width != skinWidth || height != skinHeight) && !resizeSkinStore(width, height))
        return false;
    std::memcpy(skinBase, bgr, skinByteCount());
    updateSkinCopies(allTexels());
    return true;
}
