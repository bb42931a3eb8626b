// The plugin's sk_draw under the fault guard, and the GL state put back after a plugin that faulted half-way.
#include "viewport/plugin_draw.h"

#include <GL/gl.h>

#include <algorithm>

#include "plugins/plugin_slot.h"
#include "skin/skin_texture.h"
#include "viewport/gl_state.h"

struct StackDepths {
    GLint attributes, clientAttributes, modelview, projection, texture;
};

static GLint integerState(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

static StackDepths stackDepths()
{
    return StackDepths{integerState(GL_ATTRIB_STACK_DEPTH), integerState(GL_CLIENT_ATTRIB_STACK_DEPTH),
                       integerState(GL_MODELVIEW_STACK_DEPTH), integerState(GL_PROJECTION_STACK_DEPTH),
                       integerState(GL_TEXTURE_STACK_DEPTH)};
}

static void popMatrices(GLenum mode, GLenum depthName, GLint depth)
{
    glMatrixMode(mode);
    for (GLint n = integerState(depthName); n > depth; --n)
        glPopMatrix();
}

// What the program never enables itself, so a plugin that stopped half-way may have left it on.
static const GLenum capabilitiesOff[] = {
    GL_ALPHA_TEST, GL_CULL_FACE, GL_FOG, GL_NORMALIZE, GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE,
    GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_TEXTURE_1D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
    GL_TEXTURE_GEN_Q, GL_COLOR_LOGIC_OP, GL_LINE_STIPPLE, GL_POLYGON_STIPPLE, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3,
    GL_LIGHT4, GL_LIGHT5, GL_LIGHT6, GL_LIGHT7, GL_CLIP_PLANE0, GL_CLIP_PLANE1, GL_CLIP_PLANE2, GL_CLIP_PLANE3,
    GL_CLIP_PLANE4, GL_CLIP_PLANE5};
static const GLenum clientArrays[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_INDEX_ARRAY,
                                      GL_TEXTURE_COORD_ARRAY, GL_EDGE_FLAG_ARRAY};

// The plugin may have stopped between glBegin and glEnd, inside a display list, with matrices or attributes
// pushed, or with anything enabled: each is ended, popped or set back to the program's own state.
static void restoreAfterPluginFault(const StackDepths &before)
{
    glEnd();
    if (integerState(GL_LIST_INDEX) != 0)
        glEndList();
    for (GLint n = integerState(GL_ATTRIB_STACK_DEPTH); n > before.attributes; --n)
        glPopAttrib();
    for (GLint n = integerState(GL_CLIENT_ATTRIB_STACK_DEPTH); n > before.clientAttributes; --n)
        glPopClientAttrib();
    popMatrices(GL_TEXTURE, GL_TEXTURE_STACK_DEPTH, before.texture);
    glLoadIdentity();
    popMatrices(GL_PROJECTION, GL_PROJECTION_STACK_DEPTH, before.projection);
    popMatrices(GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH, before.modelview);
    for (GLenum capability : capabilitiesOff)
        glDisable(capability);
    for (GLenum array : clientArrays)
        glDisableClientState(array);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glLoadIdentity();          // the light's direction is given in eye space, not under the camera
    restoreRenderingState();   // leaves the modelview matrix current
    bindSkinTexture();
    for (int n = 0; n < 32 && glGetError() != GL_NO_ERROR; ++n) {   // the calls above that had nothing to end
    }
}

// Whatever a plugin left behind (a matrix mode, a texture unbound or scaled, arrays on, its own enables) ends
// here, before every frame and after every plugin's drawing, so it never reaches another frame or plugin, nor
// the uploads between frames, which find the skin texture bound.
void setFrameState()
{
    for (GLint n = integerState(GL_ATTRIB_STACK_DEPTH); n > 0; --n)
        glPopAttrib();
    for (GLint n = integerState(GL_CLIENT_ATTRIB_STACK_DEPTH); n > 0; --n)
        glPopClientAttrib();
    popMatrices(GL_TEXTURE, GL_TEXTURE_STACK_DEPTH, 1);
    glLoadIdentity();
    popMatrices(GL_PROJECTION, GL_PROJECTION_STACK_DEPTH, 1);
    popMatrices(GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH, 1);
    for (GLenum capability : capabilitiesOff)
        glDisable(capability);
    for (GLenum array : clientArrays)
        glDisableClientState(array);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glFrontFace(GL_CCW);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glLoadIdentity();          // the light's direction is given in eye space
    restoreRenderingState();   // the program's enables, light, projection; leaves the modelview matrix current
    bindSkinTexture();
}

PluginFault drawPluginModel()
{
    StackDepths before = stackDepths();
    PluginFault fault = guardDraw(pluginSlot.sk_draw);
    if (fault.faulted)
        restoreAfterPluginFault(before);
    return fault;
}

PluginFault feedbackPluginModel(double halfSide, size_t maxValues, std::vector<float> &values)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-halfSide, halfSide, -halfSide, halfSide, -halfSide, halfSide);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, 2, 2);
    PluginFault fault = noPluginFault();
    // Most models fit the first buffer; a larger one is drawn again into a buffer four times as large.
    for (size_t size = std::min<size_t>(size_t{1} << 18, maxValues);; size = std::min(size * 4, maxValues)) {
        values.assign(size, 0.0f);
        glFeedbackBuffer(static_cast<GLsizei>(size), GL_3D, values.data());
        glRenderMode(GL_FEEDBACK);
        fault = drawPluginModel();
        const GLint written = glRenderMode(GL_RENDER);
        if (fault.faulted) {
            values.clear();
            break;
        }
        if (written >= 0) {
            values.resize(static_cast<size_t>(written));
            break;
        }
        if (size >= maxValues)
            break;   // overflowed at the largest buffer: the part that fitted stands for the model
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    return fault;
}
