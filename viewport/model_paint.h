// Painting on the model in the viewport: which pixels of the viewport to pick each frame, and the coordinate
// texture that tells which texel of the skin lies under a pixel.
#pragma once
#include <cstdint>
#include <vector>

#include "paint/brush.h"
#include "viewport/camera.h"
#include "viewport/projected_brush.h"

// The coordinate texture: texel (column, row) holds red = the column's low 8 bits, green = the row's low 8 bits,
// and in blue the high 3 bits of each with two check bits on top, mixed with red and green; that tells every
// texel of a 2048 x 2048 texture apart. The clear colour (black), white, and the colours a plugin draws without
// the texture fail the check bits or name a texel beyond the texture (on a 256 x 256 texture one colour in 256
// passes, and of the greys only 165, 165, 165).
void coordinateTexel(int32_t column, int32_t row, uint8_t rgb[3]);
void fillCoordinateTexture(uint8_t *rgb, int32_t width, int32_t height);   // rows bottom-up, like skinGL

// The texel of a width x height texture a picked pixel shows; false for the background or anything that is
// not the coordinate texture.
bool decodePickedTexel(const uint8_t rgb[3], int32_t width, int32_t height, int32_t &column, int32_t &row);

// What one frame polled for painting on the model: the buttons, Ctrl, and the cursor in viewport pixels (x from
// the left, y from the top), with whether it lies over the viewport.
struct ModelPaintInput {
    bool left;
    bool right;
    bool control;
    bool inside;
    CursorPoint cursor;
    // The viewport's first button press since the last frame, from its message: where and with what it was
    // made. Under load a press and the move after it can both come before the next frame, which would otherwise
    // start the stroke where the cursor went, not where it was pressed.
    bool pressed;
    bool pressLeft;       // the left button (else the right)
    bool pressControl;
    CursorPoint press;
    bool fill;            // "Fill" is checked: a stroke that starts now fills at its press and paints nothing more
};

struct ModelStroke {
    bool active;          // a painting button went down over the viewport and is still held
    DabKind kind;
    bool picksColour;     // it was a Ctrl + left click: it picks the pen colour and paints nothing
    bool fills;           // it fills at its press and paints nothing more
    CursorPoint last;     // the last sampled position
    ProjectedStroke dabs; // where its last dab went; the texel size found there outlives the stroke as a guess
};

extern ModelStroke modelStroke;

void resetModelStroke();

// What to do this frame.
struct ModelPaintPlan {
    bool began;           // a stroke began (an undo step opens unless it picks a colour)
    bool ended;           // the stroke ended (its button was released)
    std::vector<CursorPoint> samples;   // viewport pixels along the way, where dabs may go (placeProjectedDabs
                                        // spaces them), or the press whose texel is picked or filled from
};

// A stroke begins when exactly one of the two buttons goes down over the viewport, or a press message came,
// and lasts until that button is up. Its first frame samples the press (or the cursor) and the way from there
// to the cursor; later frames, the one that sees the release included, sample only when the cursor moved: the
// new position, and with smooth every pixel along the way. A stroke that picks a colour or fills samples its
// press alone.
void planModelPaint(const ModelPaintInput &in, bool smooth, ModelPaintPlan &plan);
