// Strokes on the skin view: the dabs from a button press to its release, joined into lines when smoothing.
#include "paint/stroke.h"

#include "paint/model_mirror.h"
#include "paint/pattern_store.h"
#include "texture/history.h"

Stroke stroke;

void resetStroke()
{
    stroke = Stroke{false, DabKind::none, false, 0, 0};
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

int32_t dabSpacing(int32_t side)
{
    return side / 4 > 1 ? side / 4 : 1;
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

static SkinRect dabWithMirror(DabKind kind, int32_t x, int32_t y, bool usePattern, bool mirror)
{
    SkinRect changed = paintDabAt(kind, x, y, usePattern);
    if (!mirror)
        return changed;
    // With a model the mirror image is the model's other side; without one, across the middle column.
    return joinRects(changed, mirrorsThroughModel() ? paintDabMirroredThroughModel(kind, x, y, usePattern)
                                                    : paintMirroredDabAt(kind, x, y, usePattern));
}

static SkinRect dabLine(int32_t x, int32_t y, bool usePattern, bool mirror)
{
    static std::vector<TexelPoint> dabs;
    lineDabs(stroke.lastX, stroke.lastY, x, y, dabSpacing(brushSide(stroke.kind, usePattern)), dabs);
    SkinRect changed = noTexels();
    for (const TexelPoint &p : dabs)
        changed = joinRects(changed, dabWithMirror(stroke.kind, p.x, p.y, usePattern, mirror));
    return changed;
}

bool endStroke()
{
    if (!stroke.active)
        return false;
    stroke.active = false;
    bool kept = endHistoryStep();
    if (kept)
        markTextureChanged();
    return kept;
}

StrokeStep strokeMessage(StrokeEvent event, uint32_t wParam, TexelPoint at, bool usePattern, bool smooth,
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
    const int32_t x = at.x, y = at.y;
    if (!stroke.active) {
        beginHistoryStep();
        stroke = Stroke{true, kind, true, x, y};
        step.began = true;
        step.changed = dabWithMirror(kind, x, y, usePattern, mirror);
    } else {
        step.changed = smooth && stroke.joined ? dabLine(x, y, usePattern, mirror)
                                               : dabWithMirror(kind, x, y, usePattern, mirror);
        stroke.lastX = x;
        stroke.lastY = y;
        stroke.joined = true;
    }
    step.painted = true;
    return step;
}
