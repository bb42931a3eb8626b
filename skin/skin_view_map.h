// The zoomable skin view's arithmetic: zoom steps and pan, which screen pixel shows which texel and back, and
// the composition of the view's screen picture. Every size and buffer is a parameter, so any texture size works.
#pragma once
#include <cstddef>
#include <cstdint>

#include "paint/brush_tip.h"
#include "texture/skin_store.h"

// Screen pixels per texel, num / den, kept as a ratio so that no step is ever rounded.
struct ZoomRatio {
    int32_t num;
    int32_t den;
};

enum : int32_t { ZOOM_STEP_COUNT = 13, ZOOM_STEP_ACTUAL = 3 };

// 1/8, 1/4, 1/2, 1, 2, 3, 4, 6, 8, 12, 16, 24 and 32 screen pixels per texel; index ZOOM_STEP_ACTUAL is 1.
extern const ZoomRatio zoomSteps[ZOOM_STEP_COUNT];

// Where the texture lies in the view. Texture space runs like the screen: x in texels from the texture's left
// edge, y in texels from its top edge (rows counted from the bottom appear only in the results). Screen pixel
// (x, y) is the square [x, x + 1) x [y, y + 1) and shows the texel under its centre. The pan pins one point:
// texture point (anchorTexelX, anchorTexelY) lies at screen point (anchorScreenX, anchorScreenY), and a zoom
// about the cursor pins the cursor's own pixel centre, which then maps to exactly the same number at every step.
struct ViewMap {
    int32_t textureWidth;
    int32_t textureHeight;
    int32_t viewWidth;
    int32_t viewHeight;
    int32_t step;   // index into zoomSteps of the zoom, or -1 for a fitted zoom that lies between two steps
    double anchorTexelX;
    double anchorTexelY;
    double anchorScreenX;
    double anchorScreenY;
    ZoomRatio zoom; // screen pixels per texel now: one of zoomSteps, or the fitted scale
    bool fitted;    // shown as fitTexture left it (no zoom or pan since): a new view size fits it again
};

// The texel a screen pixel shows: column from the left, row from the bottom. Off the texture the values still
// lie beyond the nearest edge (column < 0 left of it, row >= textureHeight above it), so brushes clamp onto it.
struct TexelHit {
    int32_t column;
    int32_t row;
    bool onTexture;
};

// Pixels [left, right) x [top, bottom) of the view, rows from the top, as a Win32 RECT holds them; empty when
// right <= left or bottom <= top.
struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A view of the given size showing a texture of the given size, fitted.
ViewMap makeViewMap(int32_t textureWidth, int32_t textureHeight, int32_t viewWidth, int32_t viewHeight);

// The largest scale at which the whole texture fits the view, whether or not it is one of the steps (texels are
// then drawn by the nearest texel), centred, with the texture's corner on a pixel corner.
void fitTexture(ViewMap &map);

// The scale at which a texture of this size just fits a view of this size, as a reduced ratio; 1/1 for a size
// of nothing.
ZoomRatio fittedZoom(int32_t textureWidth, int32_t textureHeight, int32_t viewWidth, int32_t viewHeight);

// One screen pixel per texel, keeping the texture point at the view's centre where it is.
void showActualSize(ViewMap &map);

// One step in (direction > 0) or out (direction < 0) about pixel (x, y): the texel under it stays under it. From
// a fitted scale between two steps, the next step that way. Returns false when there is no further step that way
// (and the map is unchanged).
bool zoomViewAt(ViewMap &map, int32_t x, int32_t y, int32_t direction);

// Moves the picture by a number of screen pixels, as a drag does.
void panView(ViewMap &map, int32_t dx, int32_t dy);

// A new view size; the texture point at the view's centre stays at the centre, or a fitted texture is fitted to
// the new size.
void resizeView(ViewMap &map, int32_t viewWidth, int32_t viewHeight);

TexelHit texelAtPixel(const ViewMap &map, int32_t x, int32_t y);

// The point of the texture under screen point (x, y) (pixel p spans [p, p + 1)), to a fraction of a texel, as a
// brush takes it: x from the texture's left edge, y from its bottom edge. A pixel's centre lies in the texel
// texelAtPixel gives for it, except exactly on a texel's edge (views zoomed out).
BrushPoint texturePointAt(const ViewMap &map, double x, double y);

// The screen point of a texture point (the inverse of texturePointAt), and screen pixels per texel.
void screenPointOf(const ViewMap &map, BrushPoint at, double &x, double &y);
double pixelsPerTexel(const ViewMap &map);

// Where the brush outline goes on the screen: a box (pixels, y down) holding a circle or a square, or a small
// cross at the cursor when the tip would be smaller than OUTLINE_CROSS_BELOW pixels across (its arms run from
// OUTLINE_CROSS_GAP to OUTLINE_CROSS_ARM pixels from the cursor, clear of what such a tip paints).
enum : int32_t { OUTLINE_CROSS_BELOW = 5, OUTLINE_CROSS_GAP = 3, OUTLINE_CROSS_ARM = 6 };
struct BrushOutline {
    bool cross;
    bool round;
    double left, top, right, bottom;
};

// The outline of a tip of width x height texels whose dab goes to `at` (round: a disc centred on it; otherwise
// the square, or the pattern, placed on the texel under it as the dab places it), with the cursor at pixel
// (cursorX, cursorY).
BrushOutline brushOutlineAt(const ViewMap &map, BrushPoint at, bool round, int32_t width, int32_t height,
                            int32_t cursorX, int32_t cursorY);

// Exactly the pixels of the view that show one of the texels (the part of the rectangle on the texture).
ViewRect pixelsShowingTexels(const ViewMap &map, const SkinRect &texels);

ViewRect wholeView(const ViewMap &map);

// What the view shows. Both pictures are map.textureWidth x map.textureHeight texels, 3 bytes each in the order
// blue, green, red, rows bottom-up. triangles holds triangleCount triangles of the mapping grid, six floats each
// (u0, v0, u1, v1, u2, v2); none when the grid is hidden.
struct ViewSource {
    const uint8_t *painted;   // the painted texture, shown at every step but one pixel per texel
    const uint8_t *shown;     // the painted texture with the grid laid over it, shown at one pixel per texel;
                              // when null the grid is drawn from the triangles at that step too
    const float *triangles;
    size_t triangleCount;
};

// The grey around the texture and the colour of the mapping grid, as screen pixels (0x00RRGGBB).
enum : uint32_t { VIEW_OUTSIDE_GREY = 0x404040, VIEW_MAPPING_GRID = 0x000000 };

// A texel's shade where the pixel grid (from 8 screen pixels per texel on) crosses it.
uint32_t shadePixelGrid(uint32_t pixel);

// Fills the part of area inside the view in screen, a picture of map.viewWidth x map.viewHeight pixels, top row
// first, each pixel 0x00RRGGBB: in memory blue, green, red, 0 on the little-endian machines the program runs on,
// as a 32-bit top-down DIB takes it. Pixels outside area are left alone.
void composeView(const ViewMap &map, const ViewSource &source, const ViewRect &area, uint32_t *screen);
