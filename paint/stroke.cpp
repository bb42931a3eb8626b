// Strokes on the skin view: the dabs from a button press to its release, joined into lines when smoothing.
#include "paint/stroke.h"

#include <algorithm>
#include <cmath>

#include "paint/model_mirror.h"
#include "paint/paint_options.h"
#include "paint/pattern_store.h"
#include "paint/stroke_mask.h"
#include "texture/history.h"

Stroke stroke;

void resetStroke()
{
    endStrokeMask();
    stroke = Stroke{false, DabKind::none, false, 0, 0, BrushPoint{0, 0}};
}

void breakStrokeLine()
{
    stroke.joined = false;
}

int32_t brushSide(DabKind kind, bool usePattern)
{
    if (usePattern)
        return patternWidth < patternHeight ? patternWidth : patternHeight;
    return kind == DabKind::eraser ? brushSettings.eraserSize : brushSettings.penSize;
}

int32_t dabSpacing(int32_t side, int32_t hardness)
{
    const int32_t spacing = hardness >= MAX_HARDNESS ? side / 4 : side / 10;
    return spacing > 1 ? spacing : 1;
}

// a * num / den rounded to the nearest integer, halves away from zero; den > 0.
static int64_t scaleRounded(int64_t a, int64_t num, int64_t den)
{
    int64_t p = a * num;
    return p >= 0 ? (2 * p + den) / (2 * den) : -((-2 * p + den) / (2 * den));
}

void lineDabs(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t spacing, std::vector<TexelPoint> &out)
{
    out.clear();
    int64_t dx = int64_t{x1} - x0;
    int64_t dy = int64_t{y1} - y0;
    int64_t length = dx < 0 ? -dx : dx;
    int64_t other = dy < 0 ? -dy : dy;
    if (other > length)
        length = other;
    int64_t step = spacing > 1 ? spacing : 1;
    for (int64_t along = step; along < length; along += step)
        out.push_back({static_cast<int32_t>(x0 + scaleRounded(dx, along, length)),
                       static_cast<int32_t>(y0 + scaleRounded(dy, along, length))});
    out.push_back({x1, y1});
}

double roundDabSpacing(int32_t size, int32_t hardness)
{
    return std::max(size * dabSpacingShare(hardness), 0.5);
}

void linePoints(BrushPoint from, BrushPoint to, double spacing, std::vector<BrushPoint> &out)
{
    out.clear();
    const double dx = to.x - from.x, dy = to.y - from.y, length = std::hypot(dx, dy);
    const double step = spacing > 0 ? spacing : 1;
    // A line across any texture has a few thousand points at most; a far-off point (a cursor beyond the view's
    // edge) is not followed further than that.
    const double count = std::min(std::floor(length / step), 1e5);
    for (double k = 1; k <= count; ++k) {
        const double t = k * step / length;
        if (t < 1)
            out.push_back(BrushPoint{from.x + dx * t, from.y + dy * t});
    }
    out.push_back(to);
}

static SkinRect dabWithMirror(DabKind kind, BrushPoint at, bool usePattern, bool mirror)
{
    SkinRect changed = paintTipAt(kind, at, usePattern);
    if (!mirror)
        return changed;
    // With a model the mirror image is the model's other side; without one, across the middle column.
    if (mirrorsThroughModel()) {
        const TexelPoint t = texelOf(at);
        return joinRects(changed, paintDabMirroredThroughModel(kind, t.x, t.y, usePattern));
    }
    return joinRects(changed, paintMirroredTipAt(kind, at, usePattern));
}

static SkinRect dabLine(BrushPoint at, bool usePattern, bool mirror)
{
    SkinRect changed = noTexels();
    if (!usePattern && paintOptions.brushShape == BrushShape::round) {
        static std::vector<BrushPoint> points;
        linePoints(stroke.last, at, roundDabSpacing(tipSize(stroke.kind), paintOptions.hardness), points);
        for (const BrushPoint &p : points)
            changed = joinRects(changed, dabWithMirror(stroke.kind, p, usePattern, mirror));
        return changed;
    }
    static std::vector<TexelPoint> dabs;
    const TexelPoint t = texelOf(at);
    lineDabs(stroke.lastX, stroke.lastY, t.x, t.y,
             dabSpacing(brushSide(stroke.kind, usePattern), usePattern ? MAX_HARDNESS : paintOptions.hardness), dabs);
    for (const TexelPoint &p : dabs)
        changed = joinRects(changed, dabWithMirror(stroke.kind, BrushPoint{p.x + 0.5, p.y + 0.5}, usePattern, mirror));
    return changed;
}

bool endStroke()
{
    if (!stroke.active)
        return false;
    stroke.active = false;
    endStrokeMask();
    bool kept = endHistoryStep();
    if (kept)
        markTextureChanged();
    return kept;
}

StrokeStep strokeMessage(StrokeEvent event, uint32_t wParam, TexelPoint at, bool usePattern, bool smooth,
                         bool mirror)
{
    return strokeMessage(event, wParam, BrushPoint{at.x + 0.5, at.y + 0.5}, usePattern, smooth, mirror);
}

StrokeStep strokeMessage(StrokeEvent event, uint32_t wParam, BrushPoint at, bool usePattern, bool smooth,
                         bool mirror)
{
    StrokeStep step = {false, false, false, false, noTexels()};
    DabKind kind = dabKindFor(wParam);
    bool press = event == StrokeEvent::buttonDown;
    if (stroke.active && (kind != stroke.kind || press || event == StrokeEvent::buttonUp)) {
        step.ended = true;
        step.kept = endStroke();
    }
    if (kind == DabKind::none || (event != StrokeEvent::move && !press))
        return step;
    const TexelPoint texel = texelOf(at);
    if (!stroke.active) {
        beginHistoryStep();
        beginStrokeMask();
        stroke = Stroke{true, kind, true, texel.x, texel.y, at};
        step.began = true;
        step.changed = dabWithMirror(kind, at, usePattern, mirror);
    } else {
        step.changed = smooth && stroke.joined ? dabLine(at, usePattern, mirror) : dabWithMirror(kind, at, usePattern, mirror);
        stroke.lastX = texel.x;
        stroke.lastY = texel.y;
        stroke.last = at;
        stroke.joined = true;
    }
    step.painted = true;
    return step;
}
