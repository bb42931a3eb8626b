// The camera, the polled viewport input, and the per-frame arithmetic that moves one with the other.
#pragma once
#include <cstdint>

struct Camera {
    float panX;
    float panY;
    float distance;
    float yawOffset;
    float pitchOffset;
    float spinAngle;
    int32_t spinPaused;
};

struct CursorPoint {
    int32_t x;
    int32_t y;
};

struct ViewportInput {
    int32_t shiftDown;
    int32_t leftDown;
    int32_t rightDown;
    int32_t middleDown;
    CursorPoint cursor;
    CursorPoint previousCursor;
    // previousCursor is older than the last frame: frames stopped while nothing moved, and no press has said
    // where a drag starts since; the next frame starts from where the cursor is.
    int32_t stale;
};

// What one frame reads from the platform: GetAsyncKeyState results widened with their sign, and the cursor.
struct InputSample {
    int32_t shift;
    int32_t left;
    int32_t right;
    int32_t middle;
    int32_t f5;
    CursorPoint cursor;
};

// Where the viewport lies in the main window's client area, in pixels: 512 x 512 at (10, 10) at the start size
// on a 96-DPI screen, and wherever the window's layout has put it since.
struct ViewportArea {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

extern Camera camera;
extern ViewportInput viewportInput;
extern ViewportArea viewportArea;

// The viewport's pixels, client origin + viewportArea, in screen coordinates; purely geometric.
inline bool cursorInViewport(CursorPoint cursor, int32_t originX, int32_t originY)
{
    int64_t x = int64_t(cursor.x) - originX - viewportArea.left;
    int64_t y = int64_t(cursor.y) - originY - viewportArea.top;
    return x >= 0 && x < viewportArea.width && y >= 0 && y < viewportArea.height;
}

// The perspective of a viewport of this size, as gluPerspective takes it: 45 degrees from top to bottom with the
// viewport's aspect ratio, so the model keeps its proportions; in a viewport taller than wide, 45 degrees from
// side to side instead, so the model keeps the size its width gives it rather than growing out of the sides.
// 512 x 512 gives exactly 45 degrees and an aspect ratio of 1.
struct Perspective {
    double fieldOfViewY;
    double aspect;
};

Perspective viewportPerspective(int32_t width, int32_t height);

void resetCamera();

// The poll's arithmetic: buttons sampled only inside the viewport, one step per axis by direction only.
void applyCameraInput(const InputSample &sample, int32_t originX, int32_t originY);

// 0.5 degree a frame unless paused; at 360 or more the angle becomes 0.
void advanceSpin();

// F5, however it was seen (the poll of a frame, a key message, the look the frame loop takes while no frames are
// drawn): any non-zero state resumes the spin.
void applySpinKey(int32_t f5);

// The viewport stood still after a frame (frames stopped, nothing samples the cursor), or moves on.
void noteViewportStill(bool still);

// After the viewport stood still, a button pressed over it at this screen point: the next frame measures the
// cursor's movement from there. A press after the cursor wandered is then no drag, yet a move that reaches the
// program together with its press still is one.
void notePressAt(CursorPoint screen);

// True while the camera needs frames: the spin turns, or a button that moves the camera is held (as last sampled
// over the viewport, so a drag that left it still counts).
bool cameraMoving();
