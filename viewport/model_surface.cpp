// The loaded model's surface read from the plugin's drawing in feedback mode: what Mirror on the flat texture
// goes through. The contract gives texture coordinates only; feedback gives positions with them, whatever plugin
// drew the model.
#include "viewport/model_surface.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "uv/grid.h"
#include "uv/mirror_map.h"
#include "viewport/feedback_surface.h"
#include "viewport/plugin_draw.h"

// The first look takes in any model up to this far from the origin; the second holds it closely.
static const double FIRST_LOOK_HALF = 1.0e6;
// A model this large in feedback values (about a million triangles) is not read: Mirror then uses the middle column.
static const size_t MAX_FEEDBACK_VALUES = size_t(1) << 25;

static uint32_t capturedGeneration;
static bool captured;

// One feedback pass of the plugin's drawing through the view's box; out receives the triangles read.
static PluginFault feedbackPass(const FeedbackView &view, std::vector<SurfaceTriangle> &out)
{
    std::vector<GLfloat> buffer;   // not kept: a large model's buffer is many megabytes
    // Three corners of eleven values and a token and a count a triangle, with room to spare.
    size_t size = std::max<size_t>(gridTriangles.size() / 6 * 48, size_t(1) << 16);
    for (;;) {
        buffer.resize(size);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        const double *c = view.centre, h = view.half;
        glOrtho(c[0] - h, c[0] + h, c[1] - h, c[1] + h, -(c[2] + h), -(c[2] - h));
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glViewport(0, 0, GLsizei(view.side), GLsizei(view.side));
        glDepthRange(0.0, 1.0);
        glDisable(GL_CULL_FACE);
        glFeedbackBuffer(GLsizei(size), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        const PluginFault fault = drawPluginModel();
        const GLint values = glRenderMode(GL_RENDER);
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
        if (fault.faulted)
            return fault;
        if (values >= 0) {
            readFeedbackSurface(buffer.data(), size_t(values), view, out);
            return noPluginFault();
        }
        if (size >= MAX_FEEDBACK_VALUES)
            return noPluginFault();   // the buffer overflowed at its largest: no surface
        size = std::min(size * 4, MAX_FEEDBACK_VALUES);
    }
}

PluginFault captureModelSurface()
{
    if (captured && capturedGeneration == modelState.generation)
        return noPluginFault();
    captured = true;
    capturedGeneration = modelState.generation;
    clearModelSurface();
    if (!modelState.modelReady || !modelState.hasTexCoords || !pluginSlot.sk_draw)
        return noPluginFault();
    GLint most[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    const double side = std::max(1, std::min({most[0], most[1], 4096}));
    std::vector<SurfaceTriangle> triangles;
    FeedbackView view = {{0.0, 0.0, 0.0}, FIRST_LOOK_HALF, side};
    PluginFault fault = feedbackPass(view, triangles);
    double centre[3], half = 0.0;
    if (fault.faulted || !surfaceBox(triangles, centre, half))
        return fault;
    view = FeedbackView{{centre[0], centre[1], centre[2]}, half * 1.01 + 1e-3, side};
    triangles.clear();
    fault = feedbackPass(view, triangles);
    if (!fault.faulted && !triangles.empty())
        setModelSurface(std::move(triangles), modelState.mirrorX);
    return fault;
}
