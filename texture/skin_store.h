// The skin buffers in their two byte orders, the grid layer, and the operations that keep them in step.
#pragma once
#include <cstddef>
#include <cstdint>

#include "picture/picture.h"

// A texture is W x H texels, each side from TEXTURE_MIN_SIDE to TEXTURE_MAX_SIDE; the program starts with a
// white SKIN_START_SIDE x SKIN_START_SIDE one.
enum : int32_t { SKIN_START_SIDE = 256 };


// skinGL is red, green, blue (what OpenGL reads); the others blue, green, red (what GDI and files hold).
// Rows are bottom-up and exactly 3 * skinWidth bytes: texel (x, y) starts at byte (y * skinWidth + x) * 3.
// The buffers belong to the store and are replaced when the texture changes size.
extern uint8_t *skinGL;
extern uint8_t *skinShown;
extern uint8_t *skinBase;
extern uint8_t *gridLayer;
extern BitmapHeader skinHeader;
extern int32_t skinWidth;
extern int32_t skinHeight;
// Whether skinShown shows the grid over the painting (box "Mapping Coordinate grid" at the last recomposition).
extern bool skinGridShown;

// The texture differs from the file last loaded or saved; 0 at start. textureChangeCount grows with every
// change, so whoever looks now and then can tell that a change happened since it last looked.
extern int32_t textureChanged;
extern uint32_t textureChangeCount;
void markTextureChanged();

inline size_t skinTexelCount()
{
    return static_cast<size_t>(skinWidth) * static_cast<size_t>(skinHeight);
}

inline size_t skinByteCount()
{
    return skinTexelCount() * 3;
}

inline size_t texelOffset(int32_t x, int32_t y)
{
    return (static_cast<size_t>(y) * static_cast<size_t>(skinWidth) + static_cast<size_t>(x)) * 3;
}

// Brings a column (row) that may lie far off the texture onto its nearest edge.
inline int32_t clampColumn(int64_t x)
{
    return x < 0 ? 0 : x > skinWidth - 1 ? skinWidth - 1 : static_cast<int32_t>(x);
}

inline int32_t clampRow(int64_t y)
{
    return y < 0 ? 0 : y > skinHeight - 1 ? skinHeight - 1 : static_cast<int32_t>(y);
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
    return SkinRect{0, 0, -1, -1};
}

inline SkinRect allTexels()
{
    return SkinRect{0, 0, skinWidth - 1, skinHeight - 1};
}

constexpr bool isEmptyRect(const SkinRect &r)
{
    return r.left > r.right || r.bottom > r.top;
}

// The smallest rectangle holding both.
SkinRect joinRects(const SkinRect &a, const SkinRect &b);

// The part of r that lies on the texture.
SkinRect clipToSkin(const SkinRect &r);

// The texels that columns [x0, x0 + width) and rows [y0, y0 + height) land on once clamped onto the edges;
// empty when width or height is 0 or less.
SkinRect clampedRect(int64_t x0, int64_t y0, int64_t width, int64_t height);

// Makes the texture width x height texels, all four buffers white (no grid), and sets up skinHeader. False,
// with nothing changed, when a side is outside TEXTURE_MIN_SIDE..TEXTURE_MAX_SIDE or memory runs out.
bool resizeSkinStore(int32_t width, int32_t height);

// A side typed for a new texture: a whole number from TEXTURE_MIN_SIDE to TEXTURE_MAX_SIDE, spaces around it allowed.
bool readTextureSide(const char *text, int32_t &side);

// The start: a white SKIN_START_SIDE square texture, counted as unchanged.
void initSkinStore();

// The one way painted texels reach the other two buffers: after a writer (a brush, a stamp, a fill, the
// history, a load) has changed skinBase within r, skinGL gets the same colours red-green-blue and skinShown the
// painting with the grid laid back over it when it is shown.
void updateSkinCopies(const SkinRect &r);

// Lays every non-white gridLayer pixel over skinShown; only exactly 255, 255, 255 is transparent.
void overlayGrid();

// The same within one rectangle.
void overlayGridRect(const SkinRect &r);

// skinShown := skinBase, then the grid over it when the grid is shown (which the store remembers).
void composeSkinShown(bool gridShown);

// The same within one rectangle.
void composeSkinShownRect(const SkinRect &r, bool gridShown);

// Replaces the texture with width x height blue-green-red texels (rows of exactly 3 * width bytes) as read
// from a file, resizing the store when the size differs (the grid layer is then white). False, with nothing
// changed, when the size cannot be held.
bool replaceTexture(int32_t width, int32_t height, const uint8_t *bgr);
