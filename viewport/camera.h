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

// The viewport's 512 x 512 pixels at (10, 10) of the client area, in screen coordinates; purely geometric.
inline bool cursorInViewport(CursorPoint cursor, int32_t originX, int32_t originY)
{
    int64_t x = int64_t(cursor.x) - originX;
    int64_t y = int64_t(cursor.y) - originY;
    return x >= 10 && x < 522 && y >= 10 && y < 522;
}

extern Camera camera;
extern ViewportInput viewportInput;

void resetCamera();

// The poll's arithmetic: buttons sampled only inside the viewport, one step per axis by direction only.
void applyCameraInput(const InputSample &sample, int32_t originX, int32_t originY);

// 0.5 degree a frame unless paused; at 360 or more the angle becomes 0.
void advanceSpin();
