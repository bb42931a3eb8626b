// Painting on the model in the viewport: which pixels of the viewport to pick each frame, and the coordinate
// texture that tells which texel of the skin lies under a pixel.
#include "viewport/model_paint.h"

#include "skin/skin_store.h"
#include "skin/stroke.h"

ModelStroke modelStroke;

static uint8_t checkByte(int32_t column, int32_t row)
{
    return static_cast<uint8_t>((column ^ row ^ 0xA5) & 0xFF);
}

void coordinateTexel(int32_t column, int32_t row, uint8_t rgb[3])
{
    rgb[0] = static_cast<uint8_t>(column);
    rgb[1] = static_cast<uint8_t>(row);
    rgb[2] = checkByte(column, row);
}

void fillCoordinateTexture(uint8_t *rgb)
{
    for (int32_t row = 0; row < SKIN_SIDE; ++row)
        for (int32_t column = 0; column < SKIN_SIDE; ++column)
            coordinateTexel(column, row, rgb + (static_cast<size_t>(row) * SKIN_SIDE + column) * 3);
}

bool decodePickedTexel(const uint8_t rgb[3], int32_t &column, int32_t &row)
{
    if (rgb[2] != checkByte(rgb[0], rgb[1]))
        return false;
    column = rgb[0];
    row = rgb[1];
    return true;
}

void resetModelStroke()
{
    modelStroke = ModelStroke{false, DabKind::none, false, CursorPoint{0, 0}, false, 0, 0};
}

// The frame of a stroke under way: the way the cursor went since the last sample, and the release.
static void continueModelStroke(const ModelPaintInput &in, bool smooth, ModelPaintPlan &plan)
{
    // A release seen in the same frame as a last movement still paints that movement: the button was held
    // while the cursor moved, whatever the frame saw first.
    bool held = modelStroke.kind == DabKind::pen ? in.left : in.right;
    bool moved = in.cursor.x != modelStroke.last.x || in.cursor.y != modelStroke.last.y;
    if (moved && !modelStroke.picksColour) {
        static std::vector<TexelPoint> along;
        lineDabs(modelStroke.last.x, modelStroke.last.y, in.cursor.x, in.cursor.y,
                 smooth ? MODEL_SAMPLE_SPACING : INT32_MAX, along);
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
        modelStroke = ModelStroke{true, in.pressLeft ? DabKind::pen : DabKind::eraser,
                                  in.pressLeft && in.pressControl, in.press, false, 0, 0};
        plan.began = true;
        plan.samples.push_back(in.press);
        continueModelStroke(in, smooth, plan);
        return;
    }
    if (!in.inside || in.left == in.right)
        return;
    modelStroke = ModelStroke{true, in.left ? DabKind::pen : DabKind::eraser, in.left && in.control, in.cursor,
                              false, 0, 0};
    plan.began = true;
    plan.samples.push_back(in.cursor);
}

bool spaceModelDab(int32_t column, int32_t row, int32_t spacing)
{
    int32_t dx = column - modelStroke.dabColumn, dy = row - modelStroke.dabRow;
    if (modelStroke.dabbed && dx < spacing && -dx < spacing && dy < spacing && -dy < spacing)
        return false;
    modelStroke.dabbed = true;
    modelStroke.dabColumn = column;
    modelStroke.dabRow = row;
    return true;
}
