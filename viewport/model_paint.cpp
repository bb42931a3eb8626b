// Painting on the model in the viewport: which pixels of the viewport to pick each frame, and the coordinate
// texture that tells which texel of the skin lies under a pixel.
#include "viewport/model_paint.h"

#include "paint/stroke.h"

ModelStroke modelStroke;

enum : uint8_t { CHECK_BITS = 0x80, CHECK_MASK = 0xC0 };

// Blue carries the check bits and the high bits mixed with red and green, so that no flat grey but one passes
// for a texel (the lit, untextured colours a plugin may draw are mostly greys).
static uint8_t blueMix(uint8_t red, uint8_t green)
{
    return static_cast<uint8_t>(red ^ green ^ 0x25);
}

void coordinateTexel(int32_t column, int32_t row, uint8_t rgb[3])
{
    rgb[0] = static_cast<uint8_t>(column & 0xFF);
    rgb[1] = static_cast<uint8_t>(row & 0xFF);
    rgb[2] = static_cast<uint8_t>((CHECK_BITS | ((row >> 8) & 7) << 3 | ((column >> 8) & 7)) ^ blueMix(rgb[0], rgb[1]));
}

void fillCoordinateTexture(uint8_t *rgb, int32_t width, int32_t height)
{
    for (int32_t row = 0; row < height; ++row)
        for (int32_t column = 0; column < width; ++column)
            coordinateTexel(column, row, rgb + (static_cast<size_t>(row) * static_cast<size_t>(width) + column) * 3);
}

bool decodePickedTexel(const uint8_t rgb[3], int32_t width, int32_t height, int32_t &column, int32_t &row)
{
    const uint8_t blue = static_cast<uint8_t>(rgb[2] ^ blueMix(rgb[0], rgb[1]));
    if ((blue & CHECK_MASK) != CHECK_BITS)
        return false;
    const int32_t c = (blue & 7) << 8 | rgb[0];
    const int32_t r = (blue >> 3 & 7) << 8 | rgb[1];
    if (c >= width || r >= height)
        return false;
    column = c;
    row = r;
    return true;
}

void resetModelStroke()
{
    modelStroke = ModelStroke{false, DabKind::none, false, false, CursorPoint{0, 0},
                              ProjectedStroke{false, 0, 0, FIRST_TEXEL_SIZE}};
}

static void beginModelStroke(bool left, bool control, bool fill, CursorPoint at)
{
    const bool picks = left && control;
    modelStroke = ModelStroke{true, left ? DabKind::pen : DabKind::eraser, picks, fill && !picks, at,
                              ProjectedStroke{false, 0, 0, modelStroke.dabs.size}};
}

// The frame of a stroke under way: the way the cursor went since the last sample, and the release.
static void continueModelStroke(const ModelPaintInput &in, bool smooth, ModelPaintPlan &plan)
{
    // A release seen in the same frame as a last movement still paints that movement: the button was held
    // while the cursor moved, whatever the frame saw first.
    bool held = modelStroke.kind == DabKind::pen ? in.left : in.right;
    bool moved = in.cursor.x != modelStroke.last.x || in.cursor.y != modelStroke.last.y;
    if (moved && !modelStroke.picksColour && !modelStroke.fills) {
        static std::vector<TexelPoint> along;
        lineDabs(modelStroke.last.x, modelStroke.last.y, in.cursor.x, in.cursor.y, smooth ? 1 : INT32_MAX, along);
        for (const TexelPoint &p : along)
            plan.samples.push_back(CursorPoint{p.x, p.y});
        modelStroke.last = in.cursor;
    }
    if (!held) {
        modelStroke.active = false;
        plan.ended = true;
    }
}

void planModelPaint(const ModelPaintInput &in, bool smooth, ModelPaintPlan &plan)
{
    plan.began = plan.ended = false;
    plan.samples.clear();
    if (modelStroke.active) {
        continueModelStroke(in, smooth, plan);
        return;
    }
    if (in.pressed) {
        // The press message knows where the stroke began, even when the cursor has moved on since or the
        // button is already up again: the stroke then runs from there to the cursor in this one frame.
        beginModelStroke(in.pressLeft, in.pressControl, in.fill, in.press);
        plan.began = true;
        plan.samples.push_back(in.press);
        continueModelStroke(in, smooth, plan);
        return;
    }
    if (!in.inside || in.left == in.right)
        return;
    beginModelStroke(in.left, in.control, in.fill, in.cursor);
    plan.began = true;
    plan.samples.push_back(in.cursor);
}
