// Tests of the camera arithmetic of the viewport poll and of the automatic spin.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "app/state.h"
#include "viewport/camera.h"

namespace {

const int32_t DOWN = -32768;   // GetAsyncKeyState's "down" bit, widened with its sign
const int32_t OX = 100, OY = 40; // client origin used by most tests

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { resetToDefaults(); }
};

struct Buttons {
    int32_t left, right, middle, shift, f5;
};

void frame(int32_t x, int32_t y, Buttons b = {0, 0, 0, 0, 0}, int32_t ox = OX, int32_t oy = OY)
{
    InputSample s{b.shift, b.left, b.right, b.middle, b.f5, {x, y}};
    applyCameraInput(s, ox, oy);
}

bool cameraIs(const Camera &c)
{
    return camera.panX == c.panX && camera.panY == c.panY && camera.distance == c.distance &&
           camera.yawOffset == c.yawOffset && camera.pitchOffset == c.pitchOffset &&
           camera.spinAngle == c.spinAngle && camera.spinPaused == c.spinPaused;
}

const Camera START{0.0f, 0.0f, -50.0f, 0.0f, 0.0f, 0.0f, 0};

TEST_F(CameraTest, ButtonsAreSampledOnlyInsideTheViewport)
{
    struct Case {
        int32_t ox, oy, x, y;
        bool inside;
    };
    const Case cases[] = {
        {OX, OY, OX + 10, OY + 10, true},   {OX, OY, OX + 9, OY + 10, false},
        {OX, OY, OX + 10, OY + 9, false},   {OX, OY, OX + 521, OY + 521, true},
        {OX, OY, OX + 522, OY + 100, false}, {OX, OY, OX + 100, OY + 522, false},
        {-300, -700, -290, -690, true},     {-300, -700, -291, -690, false},
        {INT32_MAX - 5, 0, INT32_MAX, 100, false},   // origin + 10 lies beyond the int32 range
        {INT32_MAX - 600, 0, INT32_MAX - 80, 100, true},
        {INT32_MIN, INT32_MIN, INT32_MIN + 10, INT32_MIN + 521, true},
        {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN + 20, false},
    };
    for (const Case &c : cases) {
        resetCamera();
        frame(c.x, c.y, {DOWN, 1, DOWN, 0, 0}, c.ox, c.oy);
        EXPECT_EQ(viewportInput.leftDown, c.inside ? DOWN : 0) << c.x << ", " << c.y;
        EXPECT_EQ(viewportInput.rightDown, c.inside ? 1 : 0) << c.x << ", " << c.y;
        EXPECT_EQ(viewportInput.middleDown, c.inside ? DOWN : 0) << c.x << ", " << c.y;
    }
}

// Eye units a pixel at the start distance in the 512-pixel start viewport: 2 * 50 * tan(22.5 degrees) / 512.
const float PIXEL = float(100.0 * std::tan(3.14159265358979323846 / 8.0) / 512.0);

TEST_F(CameraTest, PanFollowsTheCursorByTheDistanceItMovedOnTheModel)
{
    struct Case {
        int32_t dx, dy, shift;
    };
    const Case cases[] = {{1, 0, 0}, {100, 0, 0}, {-250, 0, 0}, {0, -7, 0}, {5, 5, 0}, {40, 0, DOWN}, {0, 0, 0}};
    for (const Case &c : cases) {
        resetCamera();
        frame(400, 400);
        frame(400 + c.dx, 400 + c.dy, {DOWN, 0, 0, c.shift, 0});
        EXPECT_NEAR(camera.panX, c.dx * PIXEL, 1e-4) << c.dx << ", " << c.dy;
        EXPECT_NEAR(camera.panY, -c.dy * PIXEL, 1e-4) << c.dx << ", " << c.dy;
    }
    // Twice as far away, a pixel covers twice as much; the drag still moves the model with the cursor.
    resetCamera();
    camera.distance = -100.0f;
    frame(400, 400);
    frame(500, 400, {DOWN, 0, 0, 0, 0});
    EXPECT_NEAR(camera.panX, 200 * PIXEL, 1e-4);
}

TEST_F(CameraTest, PaintingOnTheModelTheMiddleButtonTurnsAndWithShiftPans)
{
    resetCamera();
    InputSample s{0, 0, 0, DOWN, 0, {300, 300}, 1};
    applyCameraInput(s, OX, OY);
    s.cursor = {310, 290};
    applyCameraInput(s, OX, OY);
    EXPECT_TRUE(cameraIs({0.0f, 0.0f, -50.0f, 1.0f, -1.0f, 0.0f, 1})) << "turned one step, paused";
    s.shift = DOWN;
    s.cursor = {330, 290};
    applyCameraInput(s, OX, OY);
    EXPECT_NEAR(camera.panX, 20 * PIXEL, 1e-4);
    EXPECT_EQ(camera.yawOffset, 1.0f) << "Shift + middle pans instead of turning";
}

TEST_F(CameraTest, FramingTurnsAboutTheBoxMiddleAndScalesItToTheDefaultBox)
{
    resetCamera();
    camera.panX = 3.0f;
    camera.distance = -80.0f;
    camera.yawOffset = 30.0f;
    frameCamera(ModelBounds{{-10.0, -10.0, -10.0}, {10.0, 10.0, 10.0}, true});   // the default box: unchanged
    EXPECT_TRUE(cameraIs({0.0f, 0.0f, -50.0f, 30.0f, 0.0f, 0.0f, 0}));
    EXPECT_FLOAT_EQ(camera.modelScale, 1.0f);
    frameCamera(ModelBounds{{100.0, 0.0, -5.0}, {400.0, 400.0, -5.0}, true});   // 300 x 400: half-diagonal 250
    EXPECT_FLOAT_EQ(camera.modelScale, float(FRAMED_RADIUS / 250.0));
    EXPECT_EQ(std::vector<float>({250.0f, 200.0f, -5.0f}),
              std::vector<float>({camera.pivotX, camera.pivotY, camera.pivotZ}));
    const Camera framed = camera;
    frameCamera(ModelBounds{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, false});   // nothing drawn: nothing changes
    frameCamera(ModelBounds{{0.0, 0.0, 0.0}, {1e300 * 1e300, 0.0, 0.0}, true});
    EXPECT_EQ(framed.modelScale, camera.modelScale);
    EXPECT_EQ(framed.pivotX, camera.pivotX);
    frameCamera(ModelBounds{{2.0, 3.0, 4.0}, {2.0, 3.0, 4.0}, true});   // one point: centred, not scaled
    EXPECT_EQ(std::vector<float>({2.0f, 3.0f, 4.0f, 1.0f}),
              std::vector<float>({camera.pivotX, camera.pivotY, camera.pivotZ, camera.modelScale}));
}

TEST_F(CameraTest, FeedbackGivesTheBoxOfEveryVertexBackInModelUnits)
{
    // Window x, y in the 2 x 2 viewport, depth 0..1 with +halfSide nearest: (1 + x / h, 1 + y / h, (1 - z / h) / 2).
    const double h = 100.0;
    auto v = [h](double x, double y, double z) {
        return std::vector<float>{float(1 + x / h), float(1 + y / h), float((1 - z / h) / 2)};
    };
    std::vector<float> values = {0x0700, 42.0f, 0x0701};   // a pass-through, then a point
    for (auto part : {v(-10, 5, 20), std::vector<float>{0x0703, 3}, v(0, 0, 0), v(30, -40, 0), v(0, 0, -50),
                      std::vector<float>{0x0707}, v(1, 2, 3), v(1, 2, 3)})
        values.insert(values.end(), part.begin(), part.end());
    ModelBounds b = boundsFromFeedback(values.data(), values.size(), h);
    ASSERT_TRUE(b.found);
    const double want[6] = {-10, -40, -50, 30, 5, 20};
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(b.low[axis], want[axis], 1e-4) << axis;
        EXPECT_NEAR(b.high[axis], want[axis + 3], 1e-4) << axis;
    }
    // Cut off inside a polygon, or an unknown token: what came before counts, nothing after.
    std::vector<float> cut = {0x0701};
    for (auto part : {v(1, 1, 1), std::vector<float>{0x0703, 4}, v(90, 90, 90)})
        cut.insert(cut.end(), part.begin(), part.end());
    b = boundsFromFeedback(cut.data(), cut.size(), h);
    EXPECT_NEAR(b.high[0], 1.0, 1e-4);
    const float junk[] = {0x0799, 1, 1, 1};
    EXPECT_FALSE(boundsFromFeedback(junk, 4, h).found);
    EXPECT_FALSE(boundsFromFeedback(nullptr, 0, h).found);
}

TEST_F(CameraTest, TheWheelZoomsAboutTheCursorWithinLimits)
{
    resetCamera();
    zoomCameraAt(1, 255, 255, 512, 512);   // the middle pixel: straight in
    EXPECT_FLOAT_EQ(camera.distance, -40.0f);
    EXPECT_NEAR(camera.panX, 0.0f, PIXEL);   // pixel 255 lies half a pixel left of the middle
    // Off the middle: the point of the pivot's plane under the cursor keeps its place on the screen.
    const int32_t x = 400, y = 100;
    auto screenOf = [](double modelX, double modelY) {   // the point's screen pixel, from its eye position
        const double t = std::tan(3.14159265358979323846 / 8.0), depth = -camera.distance;
        return std::vector<double>{(1 + (modelX + camera.panX) / (depth * t)) * 256 - 0.5,
                                   (1 - (modelY + camera.panY) / (depth * t)) * 256 - 0.5};
    };
    const double t = std::tan(3.14159265358979323846 / 8.0), depth = -camera.distance;
    const double mx = ((x + 0.5) / 256 - 1) * depth * t - camera.panX;
    const double my = (1 - (y + 0.5) / 256) * depth * t - camera.panY;
    for (int notches : {2, -3, 1}) {
        zoomCameraAt(notches, x, y, 512, 512);
        const std::vector<double> at = screenOf(mx, my);
        EXPECT_NEAR(at[0], x, 1e-2) << notches;
        EXPECT_NEAR(at[1], y, 1e-2) << notches;
    }
    zoomCameraAt(100, 255, 255, 512, 512);
    EXPECT_FLOAT_EQ(camera.distance, -float(MIN_WHEEL_DISTANCE));
    zoomCameraAt(-100, 255, 255, 512, 512);
    EXPECT_FLOAT_EQ(camera.distance, -float(MAX_WHEEL_DISTANCE));
}

TEST_F(CameraTest, ZoomFollowsVerticalMovementOnly)
{
    struct Case {
        int32_t dx, dy, shift;
        float distance;
    };
    const Case cases[] = {
        {0, -1, 0, -49.0f}, {0, 200, 0, -51.0f}, {0, -9, DOWN, -40.0f}, {0, 9, DOWN, -60.0f},
        {50, 0, 0, -50.0f}, {-50, 0, DOWN, -50.0f}, {3, -3, 0, -49.0f},
    };
    for (const Case &c : cases) {
        resetCamera();
        frame(300, 300);
        frame(300 + c.dx, 300 + c.dy, {0, DOWN, 0, c.shift, 0});
        EXPECT_TRUE(cameraIs({0.0f, 0.0f, c.distance, 0.0f, 0.0f, 0.0f, 0})) << c.dx << ", " << c.dy;
    }
}

TEST_F(CameraTest, TurnPausesTheSpinAndFollowsTheCursor)
{
    struct Case {
        int32_t dx, dy, shift;
        float yaw, pitch;
    };
    const Case cases[] = {
        {0, 0, 0, 0.0f, 0.0f},   {8, 0, 0, 1.0f, 0.0f},    {-8, 0, 0, -1.0f, 0.0f}, {0, -2, 0, 0.0f, -1.0f},
        {0, 2, 0, 0.0f, 1.0f},   {8, 2, DOWN, 10.0f, 10.0f}, {-1, -1, 1, -10.0f, -10.0f},
    };
    for (const Case &c : cases) {
        resetCamera();
        frame(300, 300);
        frame(300 + c.dx, 300 + c.dy, {0, 0, DOWN, c.shift, 0});
        EXPECT_TRUE(cameraIs({0.0f, 0.0f, -50.0f, c.yaw, c.pitch, 0.0f, 1})) << c.dx << ", " << c.dy;
    }
}

TEST_F(CameraTest, AllButtonsActInTheSameFrame)
{
    frame(300, 300);
    frame(310, 290, {DOWN, DOWN, DOWN, 0, 0});
    EXPECT_NEAR(camera.panX, 10 * PIXEL, 1e-4);   // the pan at the distance before the zoom's step
    EXPECT_NEAR(camera.panY, 10 * PIXEL, 1e-4);
    EXPECT_EQ(std::vector<float>({-49.0f, 1.0f, -1.0f}),
              std::vector<float>({camera.distance, camera.yawOffset, camera.pitchOffset}));
}

TEST_F(CameraTest, HoldingStillChangesNothing)
{
    frame(300, 300);
    for (int i = 0; i < 5; ++i)
        frame(300, 300, {DOWN, DOWN, 0, DOWN, 0});
    EXPECT_TRUE(cameraIs(START));
}

TEST_F(CameraTest, TheFirstFrameMeasuresFromWhereTheCursorIs)
{
    // A button held at start-up does not drag the model from the screen's corner.
    frame(300, 300, {DOWN, 0, 0, 0, 0});
    EXPECT_TRUE(cameraIs(START));
    EXPECT_EQ(viewportInput.previousCursor.x, 300);
    EXPECT_EQ(viewportInput.previousCursor.y, 300);
}

TEST_F(CameraTest, ExtremeCursorJumpsMoveTheCameraABoundedWay)
{
    frame(INT32_MIN, INT32_MIN);
    frame(INT32_MAX, INT32_MAX, {0, 0, 0, 0, 0}, INT32_MAX - 600, INT32_MAX - 600);
    frame(INT32_MIN, INT32_MIN, {DOWN, 0, 0, 0, 0}, INT32_MIN, INT32_MIN);   // outside: left stays up
    EXPECT_TRUE(cameraIs(START));
    frame(INT32_MIN + 10, INT32_MIN + 10, {DOWN, 0, 0, 0, 0}, INT32_MIN, INT32_MIN);
    EXPECT_NEAR(camera.panX, 10 * PIXEL, 1e-4);
    frame(INT32_MAX, INT32_MAX, {0, 0, 0, 0, 0}, INT32_MIN, INT32_MIN);   // outside: left still down
    EXPECT_TRUE(std::isfinite(camera.panX) && camera.panX <= 10 * PIXEL + 65536 * PIXEL + 1e-2f);
}

TEST_F(CameraTest, DragGoesOnOutsideUntilTheCursorReturns)
{
    frame(300, 300);
    frame(301, 300, {DOWN, 0, 0, 0, 0});        // press inside
    frame(700, 300, {DOWN, 0, 0, 0, 0});        // leave (x 700 >= 622)
    frame(701, 300, {0, 0, 0, 0, 0});           // release outside: still panning
    frame(702, 300, {0, 0, 0, 0, 0});
    EXPECT_NEAR(camera.panX, 402 * PIXEL, 1e-3);
    EXPECT_EQ(viewportInput.leftDown, DOWN);
    frame(600, 300, {0, 0, 0, 0, 0});           // back inside: sampled before use
    EXPECT_NEAR(camera.panX, 402 * PIXEL, 1e-3);
    EXPECT_EQ(viewportInput.leftDown, 0);
}

TEST_F(CameraTest, SpinTurnsHalfADegreeAFrameAndWraps)
{
    for (int i = 1; i <= 719; ++i)
        advanceSpin();
    EXPECT_EQ(camera.spinAngle, 359.5f);
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 0.0f);
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 0.5f);
}

TEST_F(CameraTest, PausedSpinHoldsUntilF5)
{
    advanceSpin();
    frame(300, 300, {0, 0, DOWN, 0, 0});
    advanceSpin();
    frame(300, 300);   // releasing the middle button does not resume
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 0.5f);
    EXPECT_EQ(camera.spinPaused, 1);
    frame(5000, -5000, {0, 0, 0, 0, DOWN});   // F5 works wherever the cursor is
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 1.0f);
}

TEST_F(CameraTest, F5WithTheMiddleButtonLeavesTheSpinRunning)
{
    frame(300, 300, {0, 0, DOWN, 0, 1});
    EXPECT_EQ(camera.spinPaused, 0);
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 0.5f);
    frame(300, 300, {0, 0, DOWN, 0, 0});   // middle still down, F5 released
    advanceSpin();
    EXPECT_EQ(camera.spinAngle, 0.5f);
}

TEST_F(CameraTest, ButtonsAreSampledOverTheViewportWhereverTheLayoutPutsIt)
{
    viewportArea = ViewportArea{15, 20, 768, 900};
    struct Case {
        int32_t x, y;
        bool inside;
    } cases[] = {
        {OX + 15, OY + 20, true},    {OX + 14, OY + 20, false},  {OX + 15, OY + 19, false},
        {OX + 782, OY + 919, true},  {OX + 783, OY + 100, false}, {OX + 100, OY + 920, false},
        {OX + 600, OY + 700, true},  // beyond the start size's 522
    };
    for (const Case &c : cases) {
        viewportInput = ViewportInput{};
        frame(c.x, c.y, {DOWN, 0, 0, 0, 0});
        EXPECT_EQ(viewportInput.leftDown, c.inside ? DOWN : 0) << c.x - OX << ", " << c.y - OY;
    }
    resetCamera();
    EXPECT_TRUE(viewportArea.left == 10 && viewportArea.top == 10 && viewportArea.width == 512 &&
                viewportArea.height == 512);
}

TEST_F(CameraTest, TheCameraMovesWhileItSpinsOrAButtonIsHeld)
{
    EXPECT_TRUE(cameraMoving()) << "spinning";
    frame(300, 300, {0, 0, DOWN, 0, 0});
    EXPECT_TRUE(cameraMoving()) << "the middle button held";
    frame(300, 300);
    EXPECT_FALSE(cameraMoving()) << "paused, nothing held";
    frame(300, 300, {0, DOWN, 0, 0, 0});
    EXPECT_TRUE(cameraMoving()) << "zooming";
    frame(5000, 300);
    EXPECT_TRUE(cameraMoving()) << "released outside the viewport: the drag goes on";
    frame(300, 300);
    EXPECT_FALSE(cameraMoving());
    applySpinKey(0);
    EXPECT_FALSE(cameraMoving());
    applySpinKey(1);
    EXPECT_TRUE(cameraMoving()) << "F5 seen outside a frame resumes the spin as well";
}

TEST_F(CameraTest, AfterTheViewStoodStillMovementCountsFromThePress)
{
    frame(300, 300);
    frame(300, 300, {0, 0, DOWN, 0, 0});
    frame(300, 300);                      // paused; the frames stop here
    noteViewportStill(true);
    notePressAt({420, 180});              // the cursor wandered meanwhile; a press where it is now
    frame(420, 180, {0, 0, DOWN, 0, 0});
    EXPECT_TRUE(cameraIs({0.0f, 0.0f, -50.0f, 0.0f, 0.0f, 0.0f, 1})) << "no turn without a movement";
    frame(421, 180, {0, 0, DOWN, 0, 0});
    EXPECT_EQ(1.0f, camera.yawOffset);
    // A press and the move after it seen by one frame: the move counts from the press.
    frame(421, 180);
    noteViewportStill(true);
    notePressAt({421, 180});
    frame(422, 180, {0, 0, DOWN, 0, 0});
    EXPECT_EQ(2.0f, camera.yawOffset);
    // Without a press the first frame after standing still starts from where the cursor is.
    frame(422, 180);
    noteViewportStill(true);
    frame(500, 100, {0, 0, DOWN, 0, 0});
    EXPECT_EQ(2.0f, camera.yawOffset);
}

TEST(ViewportPerspective, FollowsTheAspectRatioAndKeepsTheStartSizeExact)
{
    const Perspective square = viewportPerspective(512, 512);
    EXPECT_EQ(45.0, square.fieldOfViewY);
    EXPECT_EQ(1.0, square.aspect);
    const Perspective wide = viewportPerspective(1024, 512);
    EXPECT_EQ(45.0, wide.fieldOfViewY);
    EXPECT_EQ(2.0, wide.aspect);
    // Taller than wide: 45 degrees across, so tan(fov / 2) is tan(22.5 degrees) times the height over the width.
    const Perspective tall = viewportPerspective(512, 1024);
    EXPECT_EQ(0.5, tall.aspect);
    EXPECT_NEAR(0.41421356 * 2.0, std::tan(tall.fieldOfViewY / 2.0 * 3.14159265358979 / 180.0), 1e-7);
    EXPECT_NEAR(45.0, viewportPerspective(700, 701).fieldOfViewY, 0.1);
    const Perspective empty = viewportPerspective(0, 0);
    EXPECT_EQ(45.0, empty.fieldOfViewY);
    EXPECT_EQ(1.0, empty.aspect);
}

TEST_F(CameraTest, ShiftIsSampledEveryFrameWherever)
{
    frame(5000, 5000, {0, 0, 0, DOWN, 0});
    EXPECT_EQ(viewportInput.shiftDown, DOWN);
    frame(5000, 5000);
    EXPECT_EQ(viewportInput.shiftDown, 0);
}

} // namespace
