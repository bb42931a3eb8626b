// The skin view's mouse rule and the solid square brush.
#include "paint/brush.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "paint/paint_options.h"
#include "paint/stamp.h"
#include "texture/active_layer.h"
#include "paint/stroke_mask.h"
#include "texture/skin_store.h"

BrushSettings brushSettings;

void resetBrushSettings()
{
    BrushSettings &b = brushSettings;
    b.penColor[0] = 0;
    b.penColor[1] = 119;
    b.penColor[2] = 170;
    b.penSize = 3;
    b.eraserColor[0] = b.eraserColor[1] = b.eraserColor[2] = 255;
    b.eraserSize = 7;
    std::memset(b.customColors, 0, sizeof b.customColors);
}

DabKind dabKindFor(uint32_t wParam)
{
    if (wParam == MOUSE_LBUTTON)
        return DabKind::pen;
    if (wParam == MOUSE_RBUTTON)
        return DabKind::eraser;
    return DabKind::none;
}

SkinRect paintSquare(int32_t x, int32_t y, int32_t size, uint8_t red, uint8_t green, uint8_t blue, bool erase)
{
    // Overhanging parts land on the edge, so the pixels written are exactly the clamped ranges:
    // walking those alone paints any size at once, and int64 keeps far-off ends from overflowing.
    int64_t half = size / 2;
    SkinRect r = clampedRect(int64_t{x} - half, int64_t{y} - half, size, size);
    if (isEmptyRect(r))
        return r;
    const uint8_t rgb[3] = {red, green, blue};
    for (int32_t py = r.bottom; py <= r.top; ++py) {
        uint8_t *texel = paintTexel(r.left, py);
        for (int32_t px = r.left; px <= r.right; ++px, texel += LAYER_TEXEL_BYTES) {
            if (erase)
                eraseTexel(texel, rgb);
            else
                putColour(texel, rgb);
        }
    }
    showLayersIn(r);
    return r;
}

int32_t tipSize(DabKind kind)
{
    return kind == DabKind::eraser ? brushSettings.eraserSize : brushSettings.penSize;
}

const uint8_t *tipColour(DabKind kind)
{
    return kind == DabKind::eraser ? brushSettings.eraserColor : brushSettings.penColor;
}

TexelPoint texelOf(BrushPoint at)
{
    const double x = std::floor(at.x), y = std::floor(at.y);
    const auto bound = [](double v) {
        return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
    };
    return TexelPoint{bound(x), bound(y)};
}

// The pen's or the eraser's own tip, through the stroke mixer.
static SkinRect mixTip(DabKind kind, BrushPoint at)
{
    const PaintOptions &o = paintOptions;
    if (o.brushShape == BrushShape::round) {
        static TipDab dab;
        roundTipWeights(at, tipSize(kind), o.hardness, skinWidth, skinHeight, dab);
        return mixTipDab(dab, tipColour(kind), o.opacity, kind == DabKind::eraser);
    }
    const TexelPoint t = texelOf(at);
    return mixSquareDab(t.x, t.y, tipSize(kind), o.hardness, tipColour(kind), o.opacity, kind == DabKind::eraser);
}

SkinRect paintTipAt(DabKind kind, BrushPoint at, bool usePattern)
{
    if (kind == DabKind::none)
        return noTexels();
    if (usePattern) {
        const TexelPoint t = texelOf(at);
        return stampPattern(t.x, t.y, kind == DabKind::pen ? STAMP_DARKEN : STAMP_BRIGHTEN);
    }
    return mixTip(kind, at);
}

SkinRect paintDabAt(DabKind kind, int32_t x, int32_t y, bool usePattern)
{
    return paintTipAt(kind, BrushPoint{x + 0.5, y + 0.5}, usePattern);
}

SkinRect paintMirroredDabAt(DabKind kind, int32_t x, int32_t y, bool usePattern)
{
    if (kind == DabKind::none)
        return noTexels();
    if (usePattern)
        return stampPatternMirrored(x, y, kind == DabKind::pen ? STAMP_DARKEN : STAMP_BRIGHTEN);
    if (paintOptions.brushShape == BrushShape::round)
        return mixTip(kind, BrushPoint{double(skinWidth) - (x + 0.5), y + 0.5});
    // A square of side s covers columns x - s/2 .. x - s/2 + s - 1; the mirror of that range is the square of
    // the same side at W - x, less one for an odd side (whose square is centred).
    const int32_t size = tipSize(kind);
    const int64_t mirrorX = int64_t{skinWidth} - x - (size & 1);
    const int32_t at = static_cast<int32_t>(mirrorX < INT32_MIN ? INT32_MIN : mirrorX > INT32_MAX ? INT32_MAX : mirrorX);
    return mixTip(kind, BrushPoint{at + 0.5, y + 0.5});
}

SkinRect paintMirroredTipAt(DabKind kind, BrushPoint at, bool usePattern)
{
    if (kind != DabKind::none && !usePattern && paintOptions.brushShape == BrushShape::round)
        return mixTip(kind, BrushPoint{double(skinWidth) - at.x, at.y});
    const TexelPoint t = texelOf(at);
    return paintMirroredDabAt(kind, t.x, t.y, usePattern);
}

bool paintDab(uint32_t wParam, TexelPoint at, bool usePattern, SkinRect *changed)
{
    DabKind kind = dabKindFor(wParam);
    if (kind == DabKind::none)
        return false;
    SkinRect r = paintDabAt(kind, at.x, at.y, usePattern);
    if (changed)
        *changed = r;
    return true;
}

void pickTexelColour(int32_t x, int32_t y)
{
    const uint8_t *texel = skinBase + texelOffset(clampColumn(x), clampRow(y));
    brushSettings.penColor[0] = texel[2];
    brushSettings.penColor[1] = texel[1];
    brushSettings.penColor[2] = texel[0];
}

bool pickPenColor(uint32_t wParam, TexelPoint at)
{
    if (wParam != (MOUSE_LBUTTON | MOUSE_CONTROL))
        return false;
    pickTexelColour(at.x, at.y);
    return true;
}
