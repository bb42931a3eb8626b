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

void pan(int32_t moveX, int32_t moveY, bool shift)
{
    float step = shift ? 1.0f : 0.1f;
    camera.panX += static_cast<float>(moveX) * step;
    // Screen y grows downwards; the model follows the cursor up.
    camera.panY -= static_cast<float>(moveY) * step;
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
    camera = Camera{0.0f, 0.0f, -50.0f, 0.0f, 0.0f, 0.0f, 0};
    viewportInput = ViewportInput{};
    viewportArea = ViewportArea{10, 10, 512, 512};
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
    if (in.leftDown != 0)
        pan(moveX, moveY, shift);
    if (in.rightDown != 0)
        zoom(moveY, shift);
    if (in.middleDown != 0)
        turn(moveX, moveY, shift);
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
