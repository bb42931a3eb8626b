// The camera, the polled viewport input, and the per-frame arithmetic that moves one with the other.
#pragma once
#include <cstddef>
#include <cstdint>

struct Camera {
    float panX;
    float panY;
    float distance;
    float yawOffset;
    float pitchOffset;
    float spinAngle;
    int32_t spinPaused;
    // Framing: the model is turned about this point of its own coordinates, and scaled so that it fills the view
    // at the start distance whatever its size (1 and the origin until a model is framed).
    float pivotX;
    float pivotY;
    float pivotZ;
    float modelScale;
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
    // "Paint on model": the left and right buttons paint (the caller passes them up), the middle button turns
    // and, with Shift, pans.
    int32_t paintOnModel;
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

// The box around the model in its own coordinates, as a feedback pass found it.
struct ModelBounds {
    double low[3];
    double high[3];
    bool found;   // false when nothing was drawn
};

// The box of what a GL_FEEDBACK pass of type GL_3D recorded: the model drawn under an identity modelview, the
// projection glOrtho(-halfSide, halfSide) on all three axes, a 2 x 2 viewport at (0, 0) and the depth range 0..1.
// Every vertex of points, lines, polygons and raster positions counts; a record cut off by the buffer's end, or
// a token that is none of GL's, ends the reading.
ModelBounds boundsFromFeedback(const float *values, size_t count, double halfSide);

// The half-diagonal to which framing scales a model: the default box's, a cube of side 20, which the start
// camera shows whole at every turn.
extern const double FRAMED_RADIUS;

// Frames the model: turned about the middle of its box and scaled so that the box's half-diagonal is
// FRAMED_RADIUS, in the middle of the view at the start distance. The user's turn and the spin stay as they are.
// Nothing changes for bounds not found or not finite.
void frameCamera(const ModelBounds &bounds);

// Eye-space units per screen pixel at the depth of the pivot, for a viewport of this height: what a drag moves
// so that the model follows the cursor exactly.
double panPerPixel(double distance, int32_t viewportWidth, int32_t viewportHeight);

// The wheel turned by `notches` (positive: towards the model) with the cursor at viewport pixel (x, y): the camera
// moves nearer or away by a fifth a notch, and the point of the pivot's plane under the cursor stays under it.
// The distance stays within [-MAX_WHEEL_DISTANCE, -MIN_WHEEL_DISTANCE].
void zoomCameraAt(int32_t notches, int32_t x, int32_t y, int32_t viewportWidth, int32_t viewportHeight);
enum : int32_t { MIN_WHEEL_DISTANCE = 2, MAX_WHEEL_DISTANCE = 900 };

// The poll's arithmetic: buttons sampled only inside the viewport. A pan follows the cursor by the distance it
// moved on the model; the zoom and the turn take one step per axis by direction only.
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
