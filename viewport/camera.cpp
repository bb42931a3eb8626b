// The camera, the polled viewport input, and the per-frame arithmetic that moves one with the other.
#include "viewport/camera.h"

#include <cmath>

Camera camera;
ViewportInput viewportInput;
ViewportArea viewportArea;

namespace {

// Only the direction of the movement counts, so the camera moves one step per frame at any speed.
int32_t direction(int32_t now, int32_t before)
{
    if (now > before)
        return 1;
    if (now < before)
        return -1;
    return 0;
}

// A cursor that jumped further than any real drag (a stale position, a screen edge) moves no further than this.
const int64_t MAX_PAN_PIXELS = 1 << 16;

int64_t pixelsMoved(int32_t now, int32_t before)
{
    const int64_t moved = int64_t{now} - before;
    return moved > MAX_PAN_PIXELS ? MAX_PAN_PIXELS : moved < -MAX_PAN_PIXELS ? -MAX_PAN_PIXELS : moved;
}

// The point of the model under the cursor stays under it: the pan moves by the cursor's distance at the depth of
// the pivot.
void pan(int64_t pixelsX, int64_t pixelsY)
{
    const double unit = panPerPixel(camera.distance, viewportArea.width, viewportArea.height);
    camera.panX = static_cast<float>(camera.panX + pixelsX * unit);
    // Screen y grows downwards; the model follows the cursor up.
    camera.panY = static_cast<float>(camera.panY - pixelsY * unit);
}

// Half the view's extent across and down at one unit of depth.
void halfExtents(int32_t width, int32_t height, double &across, double &down)
{
    const Perspective p = viewportPerspective(width, height);
    const double pi = 3.14159265358979323846;
    down = std::tan(p.fieldOfViewY / 2.0 * pi / 180.0);
    across = down * p.aspect;
}

void zoom(int32_t moveY, bool shift)
{
    float step = shift ? 10.0f : 1.0f;
    camera.distance -= static_cast<float>(moveY) * step;
}

void turn(int32_t moveX, int32_t moveY, bool shift)
{
    camera.spinPaused = 1;
    float step = shift ? 10.0f : 1.0f;
    camera.yawOffset += static_cast<float>(moveX) * step;
    camera.pitchOffset += static_cast<float>(moveY) * step;
}

} // namespace

void resetCamera()
{
    camera = Camera{0.0f, 0.0f, -50.0f, 0.0f, 0.0f, 0.0f, 0, 0.0f, 0.0f, 0.0f, 1.0f};
    viewportInput = ViewportInput{};
    // No frame has seen the cursor yet: the first measures from wherever it is, so a button held at start-up
    // does not drag the model across from the screen's corner.
    viewportInput.stale = 1;
    viewportArea = ViewportArea{10, 10, 512, 512};
}

// GL's feedback tokens (GL_PASS_THROUGH_TOKEN ... GL_LINE_RESET_TOKEN), as the values of the buffer hold them.
enum : int32_t {
    PASS_THROUGH_TOKEN = 0x0700, POINT_TOKEN, LINE_TOKEN, POLYGON_TOKEN, BITMAP_TOKEN, DRAW_PIXEL_TOKEN,
    COPY_PIXEL_TOKEN, LINE_RESET_TOKEN
};

static void includeVertex(ModelBounds &bounds, const float *v, double halfSide)
{
    // Window coordinates back to the model's: x and y from the 2 x 2 viewport, z from the depth range, whose
    // near end lies at +halfSide.
    const double at[3] = {(v[0] - 1.0) * halfSide, (v[1] - 1.0) * halfSide, (1.0 - 2.0 * v[2]) * halfSide};
    for (int axis = 0; axis < 3; ++axis) {
        if (!bounds.found || at[axis] < bounds.low[axis])
            bounds.low[axis] = at[axis];
        if (!bounds.found || at[axis] > bounds.high[axis])
            bounds.high[axis] = at[axis];
    }
}

ModelBounds boundsFromFeedback(const float *values, size_t count, double halfSide)
{
    ModelBounds bounds = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, false};
    size_t i = 0;
    while (i < count) {
        const float token = values[i++];
        size_t vertices = 0;
        if (token == PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        }
        if (token == POINT_TOKEN || token == BITMAP_TOKEN || token == DRAW_PIXEL_TOKEN || token == COPY_PIXEL_TOKEN)
            vertices = 1;
        else if (token == LINE_TOKEN || token == LINE_RESET_TOKEN)
            vertices = 2;
        else if (token == POLYGON_TOKEN && i < count && values[i] >= 0.0f && values[i] <= float(count))
            vertices = static_cast<size_t>(values[i++]);
        else
            break;
        if (vertices > (count - i) / 3)
            break;
        for (size_t k = 0; k < vertices; ++k, i += 3)
            if (std::isfinite(values[i]) && std::isfinite(values[i + 1]) && std::isfinite(values[i + 2])) {
                includeVertex(bounds, values + i, halfSide);
                bounds.found = true;
            }
    }
    return bounds;
}

const double FRAMED_RADIUS = 10.0 * std::sqrt(3.0);

void frameCamera(const ModelBounds &bounds)
{
    if (!bounds.found)
        return;
    double centre[3], squared = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double side = bounds.high[axis] - bounds.low[axis];
        if (!std::isfinite(side) || side < 0.0)
            return;
        centre[axis] = (bounds.high[axis] + bounds.low[axis]) / 2.0;
        squared += side * side;
    }
    const double radius = std::sqrt(squared) / 2.0;
    // A model of one point has no size to fit: it is only centred.
    const double scale = radius > 0.0 ? FRAMED_RADIUS / radius : 1.0;
    if (!std::isfinite(scale) || static_cast<float>(scale) <= 0.0f || !std::isfinite(static_cast<float>(scale)))
        return;
    camera.pivotX = static_cast<float>(centre[0]);
    camera.pivotY = static_cast<float>(centre[1]);
    camera.pivotZ = static_cast<float>(centre[2]);
    camera.modelScale = static_cast<float>(scale);
    camera.panX = 0.0f;
    camera.panY = 0.0f;
    camera.distance = -50.0f;
}

double panPerPixel(double distance, int32_t viewportWidth, int32_t viewportHeight)
{
    if (viewportWidth <= 0 || viewportHeight <= 0)
        return 0.0;
    double across, down;
    halfExtents(viewportWidth, viewportHeight, across, down);
    return 2.0 * std::fabs(distance) * down / viewportHeight;
}

void zoomCameraAt(int32_t notches, int32_t x, int32_t y, int32_t viewportWidth, int32_t viewportHeight)
{
    if (notches == 0 || viewportWidth <= 0 || viewportHeight <= 0)
        return;
    const double nearest = -double{MIN_WHEEL_DISTANCE}, furthest = -double{MAX_WHEEL_DISTANCE};
    double before = camera.distance;
    before = before > nearest ? nearest : before < furthest ? furthest : before;
    const int32_t clamped = notches > 100 ? 100 : notches < -100 ? -100 : notches;
    double after = before * std::pow(0.8, clamped);
    after = after > nearest ? nearest : after < furthest ? furthest : after;
    // The cursor's place in the view from -1 to 1, upwards; the point of the pivot's plane there lies at
    // (sx * across, sy * down) times the depth, and keeps its place as the depth changes.
    double across, down;
    halfExtents(viewportWidth, viewportHeight, across, down);
    const double sx = 2.0 * (x + 0.5) / viewportWidth - 1.0, sy = 1.0 - 2.0 * (y + 0.5) / viewportHeight;
    camera.panX = static_cast<float>(camera.panX + sx * across * (before - after));
    camera.panY = static_cast<float>(camera.panY + sy * down * (before - after));
    camera.distance = static_cast<float>(after);
}

void applyCameraInput(const InputSample &sample, int32_t originX, int32_t originY)
{
    ViewportInput &in = viewportInput;
    in.shiftDown = sample.shift;
    in.cursor = sample.cursor;
    if (in.stale) {
        in.previousCursor = in.cursor;
        in.stale = 0;
    }
    // Buttons are sampled only over the viewport: a drag begun inside goes on outside until the
    // cursor comes back.
    if (cursorInViewport(in.cursor, originX, originY)) {
        in.leftDown = sample.left;
        in.rightDown = sample.right;
        in.middleDown = sample.middle;
    }
    int32_t moveX = direction(in.cursor.x, in.previousCursor.x);
    int32_t moveY = direction(in.cursor.y, in.previousCursor.y);
    bool shift = in.shiftDown != 0;
    // Painting on the model, the middle button alone moves the camera: it turns, or with Shift pans.
    const bool middlePans = sample.paintOnModel != 0 && shift;
    if (in.leftDown != 0 || (in.middleDown != 0 && middlePans))
        pan(pixelsMoved(in.cursor.x, in.previousCursor.x), pixelsMoved(in.cursor.y, in.previousCursor.y));
    if (in.rightDown != 0)
        zoom(moveY, shift);
    if (in.middleDown != 0 && middlePans)
        camera.spinPaused = 1;
    else if (in.middleDown != 0)
        turn(moveX, moveY, shift && sample.paintOnModel == 0);
    // F5 comes after the turn, so a frame with both down ends unpaused.
    applySpinKey(sample.f5);
    in.previousCursor = in.cursor;
}

void advanceSpin()
{
    if (camera.spinPaused != 0)
        return;
    camera.spinAngle += 0.5f;
    if (camera.spinAngle >= 360.0f)
        camera.spinAngle = 0.0f;
}

void applySpinKey(int32_t f5)
{
    if (f5 != 0)
        camera.spinPaused = 0;
}

void noteViewportStill(bool still)
{
    viewportInput.stale = still ? 1 : 0;
}

void notePressAt(CursorPoint screen)
{
    if (!viewportInput.stale)
        return;
    viewportInput.previousCursor = screen;
    viewportInput.stale = 0;
}

bool cameraMoving()
{
    const ViewportInput &in = viewportInput;
    return camera.spinPaused == 0 || in.leftDown != 0 || in.rightDown != 0 || in.middleDown != 0;
}

Perspective viewportPerspective(int32_t width, int32_t height)
{
    const double fieldOfView = 45.0;
    if (width <= 0 || height <= 0)
        return {fieldOfView, 1.0};
    const double aspect = static_cast<double>(width) / height;
    if (width >= height)
        return {fieldOfView, aspect};
    const double pi = 3.14159265358979323846;
    const double halfAcross = std::tan(fieldOfView / 2.0 * pi / 180.0);
    return {2.0 * std::atan(halfAcross / aspect) * 180.0 / pi, aspect};
}
