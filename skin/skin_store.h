// The skin buffers in their two byte orders, the grid layer, and the operations that keep them in step.
#pragma once
#include <cstddef>
#include <cstdint>

enum : int32_t { SKIN_SIDE = 256 };
enum : size_t { SKIN_PIXELS = 65536, SKIN_BYTES = 196608 };

// Same layout as a Win32 BITMAPINFO with one colour entry (44 bytes), so GDI can take it as is.
struct BitmapHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
    uint8_t colour[4];
};
static_assert(sizeof(BitmapHeader) == 44, "BitmapHeader must match BITMAPINFO");

// skinGL is red, green, blue (what OpenGL reads); the others blue, green, red (what GDI and files hold).
// Rows are bottom-up: pixel (x, y) starts at byte (y * 256 + x) * 3.
extern uint8_t skinGL[SKIN_BYTES];
extern uint8_t skinView[SKIN_BYTES];
extern uint8_t skinBase[SKIN_BYTES];
extern uint8_t gridLayer[SKIN_BYTES];
extern BitmapHeader skinHeader;
extern int32_t skinWidth;
extern int32_t skinHeight;

// The texture differs from the file last loaded or saved; 0 at start. textureChangeCount grows with every
// change, so whoever looks now and then can tell that a change happened since it last looked.
extern int32_t textureChanged;
extern uint32_t textureChangeCount;
void markTextureChanged();

// Brings a coordinate that may lie far off the texture onto its nearest edge.
inline int32_t clampToSkin(int64_t v)
{
    return v < 0 ? 0 : v > SKIN_SIDE - 1 ? SKIN_SIDE - 1 : static_cast<int32_t>(v);
}

// A rectangle of texels, bounds included, rows counted from the bottom; empty when left > right or bottom > top.
struct SkinRect {
    int32_t left;
    int32_t bottom;
    int32_t right;
    int32_t top;
};

constexpr SkinRect noTexels()
{
    return SkinRect{SKIN_SIDE, SKIN_SIDE, -1, -1};
}

constexpr SkinRect allTexels()
{
    return SkinRect{0, 0, SKIN_SIDE - 1, SKIN_SIDE - 1};
}

constexpr bool isEmptyRect(const SkinRect &r)
{
    return r.left > r.right || r.bottom > r.top;
}

// The smallest rectangle holding both.
SkinRect joinRects(const SkinRect &a, const SkinRect &b);

// The texels that columns [x0, x0 + width) and rows [y0, y0 + height) land on once clamped onto the edges;
// empty when width or height is 0 or less.
SkinRect clampedRect(int64_t x0, int64_t y0, int64_t width, int64_t height);

// Sets biSize 40, the given size, one plane, 24 bits, BI_RGB; every other byte zero.
void setupBitmapHeader(BitmapHeader &header, int32_t width, int32_t height);

// Fills the four skin buffers with white, sets up skinHeader, and counts the texture as unchanged.
void initSkinStore();

// Lays every non-white gridLayer pixel over skinView; only exactly 255, 255, 255 is transparent.
void overlayGrid();

// The same within one rectangle: after painting, only the painted texels need their grid back.
void overlayGridRect(const SkinRect &r);

// skinView := skinBase, then the grid over it when the grid is shown.
void recomposeSkinView(bool gridShown);

// The same within one rectangle.
void recomposeSkinViewRect(const SkinRect &r, bool gridShown);

// Replaces the texture with blue-green-red pixels (196,608 bytes) as read from a file:
// skinBase gets them as they are, skinGL with red and blue exchanged.
void replaceTexture(const uint8_t *bgr);
