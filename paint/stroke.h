// Strokes on the skin view: the dabs from a button press to its release, joined into lines when smoothing.
#pragma once
#include <cstdint>
#include <vector>

#include "paint/brush.h"
#include "paint/brush_tip.h"
#include "texture/skin_store.h"

// The mouse messages a stroke tells apart; every other message of the view counts as `other`.
enum class StrokeEvent { move, buttonDown, buttonUp, other };

struct Stroke {
    bool active;
    DabKind kind;     // the button that paints it
    bool joined;      // the next dab continues a line from the last one (false after the cursor left the view)
    int32_t lastX;    // the texel of the last dab
    int32_t lastY;
    BrushPoint last;  // ... and the point it was centred on, between texel centres for a round tip
};

extern Stroke stroke;

// What one message did to the stroke and the texture.
struct StrokeStep {
    bool began;        // a stroke started with this message
    bool ended;        // the stroke that was under way ended with it
    bool kept;         // ... and the texture it changed was kept as an undo step
    bool painted;      // dabs were laid (the refresh must follow, even when they changed nothing)
    SkinRect changed;  // the texels they changed
};

void resetStroke();

// Applies one mouse message of the skin view. A stroke begins with a button press, or with the first move
// whose wParam is exactly one button; it goes on while moves carry exactly that button, and ends at the
// release or at the first message whose wParam is anything else. Each message paints as the whole-wParam rule
// says; with smooth, a move lays dabs along the line from the last dab, one every dabSpacing texels. A stroke
// is one undo step. With mirror every dab is also painted at its mirror image, in the same step: through the
// model when one is known (paintDabMirroredThroughModel), otherwise across the texture's vertical centre line.
// `at` is the texel under the cursor.
StrokeStep strokeMessage(StrokeEvent event, uint32_t wParam, TexelPoint at, bool usePattern, bool smooth,
                         bool mirror = false);

// The same with the cursor's point to a fraction of a texel (the zoomed view puts it between texel centres): a
// round tip is centred there and a smooth line runs between such points; the square and the pattern go to the
// texel under it. The stroke's texels go through the stroke mask, so its opacity caps them.
StrokeStep strokeMessage(StrokeEvent event, uint32_t wParam, BrushPoint at, bool usePattern, bool smooth,
                         bool mirror = false);

// Ends the stroke under way, if any (its button was released where the view could not see it, or something
// must not happen in the middle of a stroke). Returns whether an undo step was kept.
bool endStroke();

// The cursor left the view: the stroke goes on when it comes back with the button held, from there.
void breakStrokeLine();

// The side of the brush a stroke of this kind paints with: the square's size, or the pattern's smaller side.
int32_t brushSide(DabKind kind, bool usePattern);

// The spacing of the dabs along a smooth stroke for a brush of this side: its share of it, at least 1.
int32_t dabSpacing(int32_t side, int32_t hardness = MAX_HARDNESS);

// The spacing of a round tip's dabs along a smooth stroke: its share of the size, at least half a texel.
double roundDabSpacing(int32_t size, int32_t hardness);

// The points of a line from `from`, excluded, to `to`, included, `spacing` apart (the last exactly on `to`).
void linePoints(BrushPoint from, BrushPoint to, double spacing, std::vector<BrushPoint> &out);

// The dabs of a line from (x0, y0), excluded, to (x1, y1), included: one every `spacing` texels along the longer
// axis, rounded to the nearest texel, the last exactly on (x1, y1). One dab when the ends are the same.
void lineDabs(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t spacing, std::vector<TexelPoint> &out);
