// Painting on the model: each frame, the texels under the brush's footprint are found by drawing the model once
// more through the plugin with a coordinate texture in place of the skin, magnified around the frame's dabs, and
// painted; with "Mirror" a second such pass of the mirrored model finds the dabs' mirror images.
#include "viewport/paint_on_model.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <vector>

#include "paint/pattern_store.h"
#include "skin/pattern_view.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "paint/bleed.h"
#include "paint/brush.h"
#include "paint/bucket.h"
#include "texture/history.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"
#include "skin/skin_view.h"
#include "paint/stroke.h"
#include "paint/stroke_mask.h"
#include "texture/texture_upload.h"
#include "viewport/model_paint.h"
#include "viewport/plugin_draw.h"
#include "viewport/projected_brush.h"
#include "paint/paint_options.h"
#include "skin/colour_panel_view.h"

static GLuint coordinateTexture;
static int32_t coordinateWidth;    // the texture size the coordinate texture was made for
static int32_t coordinateHeight;

// The coordinate texture reaches GL the way the skin does (scaled by the nearest texel to powers of two within
// GL's limit), so
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
    // Refused, the pick pass would read codes of no texel: painting on the model then paints nothing.
    const bool refused = glGetError() != GL_NO_ERROR;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(skin));
    if (refused) {
        glDeleteTextures(1, &coordinateTexture);
        coordinateTexture = 0;
    }
    coordinateWidth = skinWidth;
    coordinateHeight = skinHeight;
}

// The viewport window of the frame under way.
static HWND viewportWindow;

// The viewport's client size: the view the cursor is mapped into, and the back buffer a pass draws into.
static void viewportSize(int32_t &width, int32_t &height)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(viewportWindow, &client);
    width = client.right;
    height = client.bottom;
}

// The projection of the frame narrowed to the region (gluPickMatrix) and drawn into the bottom-left corner of
// the back buffer at the region's scale, so the footprint's texels get samples even where they are smaller than
// a screen pixel.
static void projectRegion(const PickRegion &r)
{
    GLint view[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, view);
    GLdouble frame[16];
    glGetDoublev(GL_PROJECTION_MATRIX, frame);
    const double width = r.columns / r.scale, height = r.rows / r.scale;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // GL counts rows from the bottom of the view, the region from its top.
    gluPickMatrix(view[0] + r.left + width / 2, view[1] + view[3] - (r.top + height / 2), width, height, view);
    glMultMatrixd(frame);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, r.columns, r.rows);
}

// Draws the model with the coordinate texture over the region, mirrored through its file's plane x = 0 if asked, reads
// the samples back and clears them again for the visible frame. Every piece of state it touches is put back.
static PluginFault drawPickPass(const PickRegion &r, bool mirrored, PickGrid &grid)
{
    grid.region = r;
    grid.textureWidth = skinWidth;
    grid.texels.assign(static_cast<size_t>(r.columns) * static_cast<size_t>(r.rows), NO_TEXEL);
    if (grid.texels.empty() || !modelState.modelReady || !modelState.hasTexCoords || !pluginSlot.sk_draw)
        return noPluginFault();
    if (!coordinateTexture || coordinateWidth != skinWidth || coordinateHeight != skinHeight)
        makeCoordinateTexture();
    if (!coordinateTexture)
        return noPluginFault(); // GL refused it: no texel is under the cursor
    static std::vector<uint8_t> pixels;
    pixels.assign(grid.texels.size() * 3, 0);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    projectRegion(r);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, r.columns, r.rows);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, coordinateTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (mirrored) {
        // The mirror image of the model in its own coordinates: at the cursor it shows the texels of the point
        // whose mirror image lies under the cursor. A mirror turns faces over, so the front faces are swapped.
        // The plane is the model file's own x = 0, wherever the plugin placed it for the view: x -> 2m - x.
        glPushMatrix();
        glTranslatef(2.0f * modelState.mirrorX, 0.0f, 0.0f);
        glScalef(-1.0f, 1.0f, 1.0f);
        glFrontFace(GL_CW);
    }
    PluginFault fault = drawPluginModel();
    if (mirrored)
        glPopMatrix();
    const bool drawn = !fault.faulted;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (drawn)
        glReadPixels(0, 0, r.columns, r.rows, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopClientAttrib();
    glPopAttrib();
    if (!drawn)
        return fault;   // nothing picked; the frame loop reports the plugin

    for (int32_t j = 0; j < r.rows; ++j) {
        const uint8_t *row = &pixels[static_cast<size_t>(r.rows - 1 - j) * static_cast<size_t>(r.columns) * 3];
        int32_t *out = &grid.texels[static_cast<size_t>(j) * static_cast<size_t>(r.columns)];
        for (int32_t i = 0; i < r.columns; ++i) {
            int32_t column, texelRow;
            if (decodePickedTexel(row + static_cast<size_t>(i) * 3, skinWidth, skinHeight, column, texelRow))
                out[i] = texelRow * skinWidth + column;
        }
    }
    return noPluginFault();
}

// The texel under one viewport pixel, and with mirrored the texel of its mirror image.
static PluginFault pickTexelAt(CursorPoint at, bool mirrored, int32_t &texel)
{
    static PickGrid grid;
    texel = NO_TEXEL;
    int32_t width, height;
    viewportSize(width, height);
    if (at.x < 0 || at.y < 0 || at.x >= width || at.y >= height)
        return noPluginFault();
    PluginFault fault = drawPickPass(PickRegion{double(at.x), double(at.y), 1.0, 1, 1}, mirrored, grid);
    texel = grid.texels.empty() ? NO_TEXEL : grid.texels[0];
    return fault;
}

static TexelPoint texelPoint(int32_t texel)
{
    return TexelPoint{texel % skinWidth, texel / skinWidth};
}

static bool keyDown(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

static void endModelStroke()
{
    endStrokeMask();
    if (!modelStroke.picksColour && endHistoryStep())
        markTextureChanged();
    updateUndoButtons();
}

static void refreshAfter(const SkinRect &changed)
{
    noteDab(changed, paintOptions.textureOnTheFly);
    flushPaintedRefresh();
}

static PluginFault pickColourOnModel(CursorPoint at)
{
    int32_t texel;
    PluginFault fault = pickTexelAt(at, false, texel);
    if (texel != NO_TEXEL) {
        pickTexelColour(texel % skinWidth, texel / skinWidth);
        penColorChanged();
    }
    return fault;
}

// A fill from the texel under the press, and with "Mirror" from its mirror image's too. A texel the pass found
// may lie just outside its island's edge, so the island is looked for within the bleed's reach.
static PluginFault fillOnModel(CursorPoint at)
{
    int32_t texel, mirror = NO_TEXEL;
    PluginFault fault = pickTexelAt(at, false, texel);
    if (!fault.faulted && texel != NO_TEXEL && paintOptions.mirror)
        fault = pickTexelAt(at, true, mirror);
    if (fault.faulted || texel == NO_TEXEL)
        return fault;
    TexelPoint seeds[2] = {texelPoint(texel), texelPoint(mirror == NO_TEXEL ? texel : mirror)};
    refreshAfter(fillFromSeeds(modelStroke.kind, seeds, mirror == NO_TEXEL ? 1 : 2, paintOptions.usePattern,
                               BLEED_REACH));
    return fault;
}

// The brush's width and height in texels: the square pen or eraser, or the pattern.
static void brushShape(bool usePattern, int32_t &width, int32_t &height)
{
    if (usePattern) {
        width = patternWidth;
        height = patternHeight;
        return;
    }
    width = height = brushSide(modelStroke.kind, false);
}

// The frame's dabs: one pass over all their footprints (drawn again, once, when a footprint turned out larger
// than the pass or its texels finer than its samples), the mirror pass of the same region, then the paint.
static PluginFault paintDabsOnModel(const std::vector<CursorPoint> &points)
{
    const bool usePattern = paintOptions.usePattern, smooth = paintOptions.smoothStrokes;
    int32_t width, height, viewWidth, viewHeight;
    brushShape(usePattern, width, height);
    viewportSize(viewWidth, viewHeight);
    static PickGrid grid, mirrorGrid;
    static DabPlacement placed;
    PickRegion region = planPickRegion(points, width, height, modelStroke.dabs.size, viewWidth, viewHeight,
                                       viewWidth, viewHeight);
    PluginFault fault = drawPickPass(region, false, grid);
    if (fault.faulted)
        return fault;
    placeProjectedDabs(grid, points, smooth, width, height, viewWidth, viewHeight, modelStroke.dabs, placed);
    if (placed.retry) {
        const PickRegion better =
            planPickRegion(points, width, height, placed.guess, viewWidth, viewHeight, viewWidth, viewHeight);
        if (regionImproves(better, region)) {
            region = better;
            if ((fault = drawPickPass(region, false, grid)).faulted)
                return fault;
            placeProjectedDabs(grid, points, smooth, width, height, viewWidth, viewHeight, modelStroke.dabs, placed);
        }
    }
    const bool mirror = paintOptions.mirror;
    if (mirror && !placed.dabs.empty() && (fault = drawPickPass(region, true, mirrorGrid)).faulted)
        return fault;
    modelStroke.dabs = placed.stroke;
    static std::vector<FootprintTexel> texels;
    SkinRect changed = noTexels();
    for (const ProjectedDab &dab : placed.dabs) {
        collectFootprintTexels(grid, dab, texels);
        changed = joinRects(changed, paintFootprint(modelStroke.kind, usePattern, dab, texels));
        if (mirror) {
            collectFootprintTexels(mirrorGrid, dab, texels);
            changed = joinRects(changed, paintFootprint(modelStroke.kind, usePattern, dab, texels));
        }
    }
    if (!placed.dabs.empty())
        refreshAfter(changed);
    return fault;
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

PluginFault paintOnModelFrame(HWND viewport)
{
    viewportWindow = viewport;
    bool pressed = pressPending;
    pressPending = false;
    if (!paintOptions.paintOnModel) {
        if (modelStroke.active) {
            modelStroke.active = false;
            endModelStroke();
        }
        return noPluginFault();
    }
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    ScreenToClient(viewportWindow, &cursor);
    int32_t width, height;
    viewportSize(width, height);
    const bool inside = cursor.x >= 0 && cursor.y >= 0 && cursor.x < width && cursor.y < height;
    ModelPaintInput input = {isMouseButtonDown(VK_LBUTTON), isMouseButtonDown(VK_RBUTTON), keyDown(VK_CONTROL), inside,
                             CursorPoint{cursor.x, cursor.y}, pressed, pressLeft, pressControl, pressPoint,
                             paintOptions.fill};
    static ModelPaintPlan plan;
    planModelPaint(input, paintOptions.smoothStrokes, plan);
    if (plan.began) {
        finishStroke();
        if (!modelStroke.picksColour) {
            beginHistoryStep();
            beginStrokeMask();
        }
    }
    if (plan.began && !modelStroke.picksColour)
        noteStrokeColour(modelStroke.kind);
    PluginFault fault = noPluginFault();
    if (!plan.samples.empty()) {
        if (modelStroke.picksColour)
            fault = plan.began ? pickColourOnModel(plan.samples[0]) : noPluginFault();
        else if (modelStroke.fills)
            fault = plan.began ? fillOnModel(plan.samples[0]) : noPluginFault();
        else
            fault = paintDabsOnModel(plan.samples);
    }
    if (plan.ended)
        endModelStroke();
    return fault;
}

bool paintingOnModel()
{
    return modelStroke.active;
}

// The outline's points around a circle: enough that a large one still looks round.
static const int OUTLINE_SEGMENTS = 64;

static void outlineShape(bool round, double x, double y, double halfWidth, double halfHeight)
{
    glBegin(GL_LINE_LOOP);
    if (round) {
        for (int k = 0; k < OUTLINE_SEGMENTS; ++k) {
            const double a = 2 * 3.14159265358979323846 * k / OUTLINE_SEGMENTS;
            glVertex2d(x + halfWidth * std::cos(a), y + halfHeight * std::sin(a));
        }
    } else {
        glVertex2d(x - halfWidth, y - halfHeight);
        glVertex2d(x + halfWidth, y - halfHeight);
        glVertex2d(x + halfWidth, y + halfHeight);
        glVertex2d(x - halfWidth, y + halfHeight);
    }
    glEnd();
}

void drawBrushOutlineOnModel(HWND viewport)
{
    if (!paintOptions.paintOnModel || paintOptions.fill)
        return;
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    ScreenToClient(viewport, &cursor);
    RECT client = {0, 0, 0, 0};
    GetClientRect(viewport, &client);
    if (cursor.x < 0 || cursor.y < 0 || cursor.x >= client.right || cursor.y >= client.bottom)
        return;
    // The tip at the size of the texels where the last dab landed: the model's texels under the cursor are
    // only measured by a pick pass, which a bare move does not draw.
    const bool eraser = isMouseButtonDown(VK_RBUTTON) && !isMouseButtonDown(VK_LBUTTON);
    const bool usePattern = paintOptions.usePattern;
    int32_t width = usePattern ? patternWidth : brushSide(eraser ? DabKind::eraser : DabKind::pen, false);
    int32_t height = usePattern ? patternHeight : width;
    const ProjectedDab dab = makeProjectedDab(cursor.x + 0.5, cursor.y + 0.5, width, height, modelStroke.dabs.size);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, client.right, client.bottom, 0, -1, 1);   // pixels, y down, as the cursor counts them
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const bool round = !usePattern && paintOptions.brushShape == BrushShape::round;
    // A tip of a few pixels shows no outline: it would hide what it paints under the cursor.
    if (2 * std::max(dab.halfWidth, dab.halfHeight) >= 5) {
        // White with black just inside: seen over light and dark paint alike.
        glColor3f(1, 1, 1);
        outlineShape(round, dab.x, dab.y, dab.halfWidth, dab.halfHeight);
        glColor3f(0, 0, 0);
        outlineShape(round, dab.x, dab.y, dab.halfWidth - 1, dab.halfHeight - 1);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
