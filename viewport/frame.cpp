// One viewport frame: poll the input, move the camera, spin, paint on the model, let the plugin draw, present it.
#include "viewport/frame.h"

#include <GL/gl.h>

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
            sample.left = keyState(VK_LBUTTON);
            sample.right = keyState(VK_RBUTTON);
        }
        sample.middle = keyState(VK_MBUTTON);
    }
    sample.f5 = keyState(VK_F5);
    applyCameraInput(sample, clientOriginX, clientOriginY);
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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    pollCameraInput();
    glTranslatef(camera.panX, camera.panY, camera.distance);
    // The spin waits while a stroke is painted on the model, and then carries on as before.
    if (!paintingOnModel())
        advanceSpin();
    glRotatef(camera.pitchOffset + 20.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(camera.yawOffset + camera.spinAngle, 0.0f, 1.0f, 0.0f);
    PluginFault fault = poseModel();
    if (!fault.faulted)
        fault = captureModelSurface();   // once per model, for Mirror on the flat texture
    if (!fault.faulted)
        fault = paintOnModelFrame(viewportWindow);
    // A plugin that faulted is not called again in this frame; the frame loop reports it after the frame.
    if (modelState.modelReady && pluginSlot.sk_draw && !fault.faulted) {
        fault = drawPluginModel();
        setFrameState();
    }
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
