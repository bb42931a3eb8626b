// The brush tip: the fall from its middle to its edge, and how much of each texel under a dab it paints.
#pragma once
#include <cstdint>
#include <vector>

#include "paint/paint_options.h"

// How strongly a tip paints at distance r from its middle, r in units of its radius (1 is the edge): 1 within the
// hard core (r up to hardness / 100), then a smooth curve (smoothstep) down to 0 at the edge, nothing beyond.
// Hardness 100 is 1 inside the edge. Never increases with r.
float tipFalloff(float r, int32_t hardness);

// A dab's weight on each texel it reaches: columns left .. left + width - 1 and rows bottom .. bottom + height - 1
// (rows from the bottom, as the skin buffers count them), which may lie partly off the texture; weights row by
// row from the bottom, each from 0 (untouched) to 1 (the full colour).
struct TipDab {
    int32_t left;
    int32_t bottom;
    int32_t width;
    int32_t height;
    std::vector<float> weights;
};

// A point on the texture to a fraction of a texel: texel (x, y) is the square [x, x + 1) x [y, y + 1), its centre
// (x + 0.5, y + 0.5).
struct BrushPoint {
    double x;
    double y;
};

// A disc of diameter `size` texels centred on `centre`: each texel gets the part of its area the disc covers
// (anti-aliasing), times the falloff at its centre's distance, except the texel under the centre, which takes
// the falloff's full strength, so a tip of any size paints where the cursor is. Only texels within
// [0, clipWidth) x [0, clipHeight) are given (the texture: the rest would be dropped). Empty for a size of 0 or
// less or a disc off that area.
void roundTipWeights(BrushPoint centre, int32_t size, int32_t hardness, int32_t clipWidth, int32_t clipHeight,
                     TipDab &out);

// The weight of a square tip of side `size` (placed as the specified square brush: columns x - size / 2 ..
// x - size / 2 + size - 1) on a texel whose centre lies dx and dy texels from the square's middle: 1 at hardness
// 100, below it the falloff by the farther of the two, so the fall runs in square rings.
float squareTipWeight(double dx, double dy, int32_t size, int32_t hardness);

// The weight of the projected tip on the model at a texel seen dx, dy screen pixels from the cursor, for a tip
// of `radius` pixels where a texel shows `texelPixels` big: a round tip covers the disc, anti-aliased over one
// texel's width at its edge and falling off by the screen distance; a square tip covers its square, falling off
// by the farther axis. The point under the cursor gets the full strength.
float screenTipWeight(BrushShape shape, double dx, double dy, double radius, double texelPixels, int32_t hardness);

// The share of the tip's size between the dabs of a smooth stroke: a quarter for a hard tip (or the pattern); a
// tenth for a soft one, since a stroke keeps each texel's largest weight and a soft edge laid a quarter apart
// shows every dab as a scallop.
double dabSpacingShare(int32_t hardness);

// The pen's size after one press of "[" (grow false) or "]" (grow true): by 1 below 10 texels, then by about a
// tenth, never below 1 or above MAX_BRUSH_SIZE.
constexpr int32_t MAX_BRUSH_SIZE = 2048;
int32_t stepBrushSize(int32_t size, bool grow);

// Hardness after Shift+"[" (softer) or Shift+"]" (harder): the next multiple of 25 that way, within 0..100.
int32_t stepHardness(int32_t hardness, bool harder);

// Opacity for a digit key: 1..9 give 10..90 %, 0 gives 100 %.
int32_t opacityForDigit(int32_t digit);
