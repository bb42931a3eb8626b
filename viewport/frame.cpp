// One viewport frame: poll the input, move the camera, spin, paint on the model, let the plugin draw, present it.
#include "viewport/frame.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/client_origin.h"
#include "shell/frame_clock.h"
#include "shell/frame_pacer.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"
#include "viewport/animation.h"
#include "viewport/camera.h"
#include "viewport/paint_on_model.h"
#include "viewport/model_surface.h"
#include "viewport/plugin_draw.h"
#include "viewport/viewport.h"
#include "paint/paint_options.h"

static int32_t keyState(int key)
{
    return static_cast<int32_t>(GetAsyncKeyState(key));
}

static void pollCameraInput()
{
    InputSample sample;
    sample.shift = keyState(VK_SHIFT);
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    sample.cursor = CursorPoint{cursor.x, cursor.y};
    // The buttons are read only over the viewport, so a drag that leaves it keeps acting until it comes back.
    sample.left = sample.right = sample.middle = 0;
    if (cursorInViewport(sample.cursor, clientOriginX, clientOriginY)) {
        // While painting on the model the left and right buttons paint: they neither pan nor zoom.
        if (!paintOptions.paintOnModel) {
            sample.left = isMouseButtonDown(VK_LBUTTON);
            sample.right = isMouseButtonDown(VK_RBUTTON);
        }
        sample.middle = isMouseButtonDown(VK_MBUTTON);
    }
    sample.f5 = keyState(VK_F5);
    sample.paintOnModel = paintOptions.paintOnModel ? 1 : 0;
    applyCameraInput(sample, clientOriginX, clientOriginY);
}

// The model framed last (its generation), and whether F, Home or "Frame" asked for it again.
static uint32_t framedGeneration = UINT32_MAX;
static bool framingAsked;

void requestModelFraming()
{
    framingAsked = true;
    requestViewportFrame();
}

// The model's box from feedback passes: a first one in a large box; another in a box fitted to what it found when
// the model is small beside that box (float window coordinates keep about seven digits of it) or reached its
// edges (a part may have been clipped).
static PluginFault measureModel(ModelBounds &bounds)
{
    const size_t maxValues = size_t{1} << 24;   // 64 MiB of floats, about 1.5 million triangles
    std::vector<float> values;
    double halfSide = 1.0e4;
    bounds = ModelBounds{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, false};
    for (int pass = 0; pass < 4; ++pass) {
        const PluginFault fault = feedbackPluginModel(halfSide, maxValues, values);
        if (fault.faulted)
            return fault;
        bounds = boundsFromFeedback(values.data(), values.size(), halfSide);
        if (!bounds.found)
            return fault;
        double largest = 0.0;
        for (int axis = 0; axis < 3; ++axis)
            largest = std::max({largest, std::fabs(bounds.low[axis]), std::fabs(bounds.high[axis])});
        if (largest >= 0.99 * halfSide && halfSide < 1.0e12)
            halfSide *= 1000.0;
        else if (largest < 1.0e-3 * halfSide && largest > 0.0 && pass == 0)
            halfSide = largest * 1.25;
        else
            return fault;
    }
    return noPluginFault();
}

// A model just loaded, or a framing asked for: the camera frames the model as it is drawn now.
static PluginFault frameModelIfDue()
{
    const bool newModel = modelState.generation != framedGeneration;
    if (!modelState.modelReady || !pluginSlot.sk_draw || (!newModel && !framingAsked))
        return noPluginFault();
    framedGeneration = modelState.generation;
    framingAsked = false;
    ModelBounds bounds;
    const PluginFault fault = measureModel(bounds);
    if (!fault.faulted)
        frameCamera(bounds);
    return fault;
}

bool zoomViewportAt(int screenX, int screenY, int wheelDelta)
{
    const CursorPoint cursor = {screenX, screenY};
    if (!viewportWindow || !cursorInViewport(cursor, clientOriginX, clientOriginY))
        return false;
    // Wheels that turn in finer steps than a notch add up to whole notches.
    static int rest;
    rest += wheelDelta;
    const int notches = rest / WHEEL_DELTA;
    rest -= notches * WHEEL_DELTA;
    if (notches != 0) {
        zoomCameraAt(notches, screenX - clientOriginX - viewportArea.left, screenY - clientOriginY - viewportArea.top,
                     viewportArea.width, viewportArea.height);
        requestViewportFrame();
    }
    return true;
}

// The pose of a model that moves, handed to the plugin before anything draws the frame, so that the pick pass
// of painting on the model and the visible frame draw the same pose. Told only when it changes.
static PluginFault poseModel()
{
    if (!modelState.modelReady || !pluginSlot.sk_setframe || !animationAvailable(animation))
        return noPluginFault();
    const float pose = advanceAnimation(animation, nowMicros());
    if (pose == animation.shown)
        return noPluginFault();
    animation.shown = pose;
    return guardSetFrame(pluginSlot.sk_setframe, pose);
}

PluginFault renderFrame()
{
    setFrameState();
    // The pose first, so that framing, the pick pass of painting on the model and the frame draw the same one.
    PluginFault fault = poseModel();
    if (!fault.faulted)
        fault = frameModelIfDue();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    pollCameraInput();
    glTranslatef(camera.panX, camera.panY, camera.distance);
    // The spin waits while a stroke is painted on the model, and then carries on as before.
    if (!paintingOnModel())
        advanceSpin();
    glRotatef(camera.pitchOffset + 20.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(camera.yawOffset + camera.spinAngle, 0.0f, 1.0f, 0.0f);
    // The framed model turns about the middle of its box at the size that fills the view. A scale other than 1
    // scales the normals too: GL makes them unit length again for the light.
    if (camera.modelScale != 1.0f) {
        glScalef(camera.modelScale, camera.modelScale, camera.modelScale);
        glEnable(GL_NORMALIZE);
    }
    glTranslatef(-camera.pivotX, -camera.pivotY, -camera.pivotZ);
    if (!fault.faulted)
        fault = captureModelSurface();   // once per model, for Mirror on the flat texture
    if (!fault.faulted)
        fault = paintOnModelFrame(viewportWindow);
    // A plugin that faulted is not called again in this frame; the frame loop reports it after the frame.
    if (modelState.modelReady && pluginSlot.sk_draw && !fault.faulted) {
        fault = drawPluginModel();
        setFrameState();
    }
    drawBrushOutlineOnModel(viewportWindow);
    presentFrame();
    noteViewportStill(!viewportMoving());
    return fault;
}

bool viewportMoving()
{
    return cameraMoving() || paintingOnModel() || animation.playing;
}

static void resumeSpinByKey()
{
    applySpinKey(1);
    requestViewportFrame();
}

void pollSpinKeyWhileIdle()
{
    if (keyState(VK_F5) != 0)
        resumeSpinByKey();
}

void noteKeyMessage(UINT message, WPARAM key)
{
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && key == VK_F5)
        resumeSpinByKey();
}
