// Painting on the model: each frame, the texels under the cursor are found by drawing the model once more
// through the plugin with a coordinate texture in place of the skin, and painted like dabs on the skin view.
#include "viewport/paint_on_model.h"

#include <GL/gl.h>

#include <vector>

#include "pattern/pattern_view.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/client_origin.h"
#include "shell/window_helpers.h"
#include "skin/brush.h"
#include "skin/history.h"
#include "skin/skin_refresh.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"
#include "skin/stroke.h"
#include "skin/texture_upload.h"
#include "viewport/plugin_draw.h"
#include "viewport/camera.h"
#include "viewport/model_paint.h"

static GLuint coordinateTexture;
static int32_t coordinateWidth;    // the texture size the coordinate texture was made for
static int32_t coordinateHeight;

// The coordinate texture reaches GL the way the skin does (scaled up by the nearest texel to powers of two), so
// a pixel shows the code of exactly the texel the skin shows there.
static void makeCoordinateTexture()
{
    std::vector<uint8_t> texels(skinByteCount());
    fillCoordinateTexture(texels.data(), skinWidth, skinHeight);
    const int32_t width = uploadSide(skinWidth), height = uploadSide(skinHeight);
    std::vector<uint8_t> copy;
    if (width != skinWidth || height != skinHeight) {
        copy.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        scaleUpRows(texels.data(), skinWidth, skinHeight, copy.data(), width, height, 0, height);
        texels.swap(copy);
    }
    GLint skin = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &skin);
    if (!coordinateTexture)
        glGenTextures(1, &coordinateTexture);
    glBindTexture(GL_TEXTURE_2D, coordinateTexture);
    // Nearest texel, no levels: a pixel shows exactly one texel's code. Coordinates repeat as the skin's do.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(skin));
    coordinateWidth = skinWidth;
    coordinateHeight = skinHeight;
}

struct PickedTexel {
    bool found;
    int32_t column;
    int32_t row;
};

// Draws the model with the coordinate texture, clipped by the scissor to the rectangle around the samples, and
// reads that rectangle back: one extra draw a frame however many samples. The rectangle is cleared again for the
// visible frame, and every piece of state the pass touches is put back.
static PluginFault pickTexels(const std::vector<CursorPoint> &samples, std::vector<PickedTexel> &picked)
{
    picked.assign(samples.size(), PickedTexel{false, 0, 0});
    const int32_t viewWidth = viewportArea.width, viewHeight = viewportArea.height;
    int32_t left = viewWidth, top = viewHeight, right = -1, bottom = -1;
    for (const CursorPoint &p : samples) {
        if (p.x < 0 || p.y < 0 || p.x >= viewWidth || p.y >= viewHeight)
            continue;
        left = p.x < left ? p.x : left;
        right = p.x > right ? p.x : right;
        top = p.y < top ? p.y : top;
        bottom = p.y > bottom ? p.y : bottom;
    }
    if (right < left || !modelState.modelReady || !modelState.hasTexCoords || !pluginSlot.sk_draw)
        return noPluginFault();
    if (!coordinateTexture || coordinateWidth != skinWidth || coordinateHeight != skinHeight)
        makeCoordinateTexture();
    int32_t width = right - left + 1, height = bottom - top + 1;
    int32_t glBottom = viewHeight - 1 - bottom;   // GL counts rows from the bottom
    static std::vector<uint8_t> pixels;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, glBottom, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, coordinateTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    PluginFault fault = drawPluginModel();
    bool drawn = !fault.faulted;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (drawn)
        glReadPixels(left, glBottom, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPopClientAttrib();
    glPopAttrib();
    if (!drawn)
        return fault;   // nothing picked; the frame loop reports the plugin

    for (size_t i = 0; i < samples.size(); ++i) {
        const CursorPoint &p = samples[i];
        if (p.x < left || p.x > right || p.y < top || p.y > bottom)
            continue;
        size_t at = (static_cast<size_t>(bottom - p.y) * static_cast<size_t>(width) + static_cast<size_t>(p.x - left)) * 3;
        picked[i].found = decodePickedTexel(&pixels[at], skinWidth, skinHeight, picked[i].column, picked[i].row);
    }
    return noPluginFault();
}

static bool buttonDown(int key)
{
    return GetAsyncKeyState(key) != 0;
}

static void endModelStroke()
{
    if (!modelStroke.picksColour && endHistoryStep())
        markTextureChanged();
    updateUndoButtons();
}

// The first press since the last frame; a later press before that frame is the same gesture's other button.
static bool pressPending;
static bool pressLeft;
static bool pressControl;
static CursorPoint pressPoint;

void notePressOnModel(bool left, int32_t x, int32_t y, uint32_t wParam)
{
    if (pressPending || modelStroke.active)
        return;
    pressPending = true;
    pressLeft = left;
    pressControl = (wParam & MK_CONTROL) != 0;
    pressPoint = CursorPoint{x, y};
}

PluginFault paintOnModelFrame()
{
    bool pressed = pressPending;
    pressPending = false;
    if (!isChecked(IDC_PAINT_ON_MODEL)) {
        if (modelStroke.active) {
            modelStroke.active = false;
            endModelStroke();
        }
        return noPluginFault();
    }
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    CursorPoint screen = {cursor.x, cursor.y};
    ModelPaintInput input = {buttonDown(VK_LBUTTON), buttonDown(VK_RBUTTON), buttonDown(VK_CONTROL),
                             cursorInViewport(screen, clientOriginX, clientOriginY),
                             CursorPoint{cursor.x - clientOriginX - viewportArea.left,
                                         cursor.y - clientOriginY - viewportArea.top},
                             pressed, pressLeft, pressControl, pressPoint};
    static ModelPaintPlan plan;
    planModelPaint(input, isChecked(IDC_SMOOTH_STROKES), plan);
    if (plan.began) {
        finishStroke();
        if (!modelStroke.picksColour)
            beginHistoryStep();
    }
    PluginFault fault = noPluginFault();
    if (!plan.samples.empty()) {
        static std::vector<PickedTexel> picked;
        fault = pickTexels(plan.samples, picked);
        bool usePattern = isChecked(IDC_USE_PATTERN);
        bool smooth = isChecked(IDC_SMOOTH_STROKES);
        int32_t spacing = dabSpacing(brushSide(modelStroke.kind, usePattern));
        SkinRect changed = noTexels();
        bool dabbed = false;
        for (const PickedTexel &t : picked) {
            if (!t.found)
                continue;
            if (modelStroke.picksColour) {
                pickTexelColour(t.column, t.row);
                penColorChanged();
                continue;
            }
            if (smooth && !spaceModelDab(t.column, t.row, spacing))
                continue;
            changed = joinRects(changed, paintDabAt(modelStroke.kind, t.column, t.row, usePattern));
            dabbed = true;
        }
        if (dabbed) {
            noteDab(changed, textureOnTheFly != 0);
            refreshPaintedSkin();
        }
    }
    if (plan.ended)
        endModelStroke();
    return fault;
}

bool paintingOnModel()
{
    return modelStroke.active;
}
