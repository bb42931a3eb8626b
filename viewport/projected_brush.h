// The projected brush on the model: the texels of the visible surface under the brush's footprint on the screen,
// found from the samples of a pick pass, the size a texel shows at there, where the dabs of a stroke go, and how
// their texels are painted.
#pragma once
#include <cstdint>
#include <vector>

#include "paint/brush.h"
#include "texture/skin_store.h"
#include "viewport/camera.h"

constexpr int32_t NO_TEXEL = -1;

// Where a pick pass draws: the screen rectangle [left, left + columns / scale) x [top, top + rows / scale) of the
// viewport (pixels, y down, pixel p spanning [p, p + 1)), drawn magnified into columns x rows samples, `scale`
// samples a screen pixel along each axis. Empty when columns or rows is 0.
struct PickRegion {
    double left;
    double top;
    double scale;
    int32_t columns;
    int32_t rows;
};

// What a pass saw: one texel a sample, sample (i, j) (j counted from the top) at the screen point
// (left + (i + 0.5) / scale, top + (j + 0.5) / scale).
struct PickGrid {
    PickRegion region = {0, 0, 1, 0, 0};
    int32_t textureWidth = 0;     // a texel is y * textureWidth + x
    std::vector<int32_t> texels;  // rows from the top; NO_TEXEL where the pass drew no model
};

// The size of a texel on the screen where the brush lands.
struct TexelSize {
    double pixels;     // the side of a square of the texel's screen area: how big the brush must be on screen
    double narrowest;  // its width across its narrowest way (less than pixels where the surface slants away)
};

// The guess before anything was measured: a texel of two screen pixels, as the default box shows its texture.
constexpr TexelSize FIRST_TEXEL_SIZE = {2.0, 2.0};

// A pass resolves a texel when it has this many samples across it at its narrowest, and aims for the first
// number; it draws at most MAX_PICK_SCALE samples a screen pixel.
constexpr double PICK_SAMPLES_WANTED = 3.0;
constexpr double PICK_SAMPLES_NEEDED = 1.5;
constexpr double MAX_PICK_SCALE = 16.0;

struct TexelMeasure {
    bool found;       // enough whole texels lay around the point to tell
    TexelSize size;
    double samples;   // the median number of samples a texel had
};

// The size of the texels around screen point (x, y), from the samples within `radius` pixels of it along each
// axis: the median of the screen areas of the texels that lie wholly inside that square (each texel's samples
// counted), and the median of their widths (from the spread of their samples). A seam through the square, a
// silhouette or the pass's edge cuts texels, which the median outvotes; samples of another part of the model
// beyond a seam are texels of their own and count as such. Not found with fewer than three whole texels.
TexelMeasure measureTexelSize(const PickGrid &grid, double x, double y, double radius);

// measureTexelSize over a square of a few guessed texels, doubled until it finds them or covers the whole pass.
TexelMeasure findTexelSize(const PickGrid &grid, double x, double y, const TexelSize &guess);

// The texel the pass saw at screen point (x, y): that of the sample nearest it, NO_TEXEL off the pass or the model.
int32_t texelAtPoint(const PickGrid &grid, double x, double y);

// A dab: its footprint on the screen, [x - halfWidth, x + halfWidth) x [y - halfHeight, y + halfHeight), and the
// screen size of one of its texels (the pattern's pixels are laid over the footprint at that size).
struct ProjectedDab {
    double x;
    double y;
    double halfWidth;
    double halfHeight;
    double pixels;
};

// A dab at screen point (x, y) of a brush of width x height texels (a square pen, or the pattern) where a texel is
// `size` big: width x pixels across on the screen, so it looks as big on the model as on the flat view there.
ProjectedDab makeProjectedDab(double x, double y, int32_t width, int32_t height, const TexelSize &size);

// A texel under a footprint and the mean screen point of its samples there.
struct FootprintTexel {
    int32_t texel;
    double x;
    double y;
};

// The texels of the samples inside the dab's footprint, each once, and always the texel at the dab's centre
// (a footprint smaller than a sample still paints the texel under the cursor). Texel order, increasing.
void collectFootprintTexels(const PickGrid &grid, const ProjectedDab &dab, std::vector<FootprintTexel> &out);

// Paints a dab's texels into skinBase: the pen's or the eraser's colour through the stroke mixer, weighed by the
// tip of paintOptions (screenTipWeight: a round tip covers the disc on the screen), or with usePattern the pattern laid over
// the footprint at the dab's texel size, each texel darkened (pen) or brightened (eraser) once by the pattern
// pixel over its mean point, as the flat view's stamp does it. The gutter of modelLayout around them then takes
// their colour (bleedAroundTexels); skinGL and skinShown follow. Returns the texels changed.
SkinRect paintFootprint(DabKind kind, bool usePattern, const ProjectedDab &dab,
                        const std::vector<FootprintTexel> &texels);

// The dabs of a stroke so far: where the last one went and the texel size found there, the next pass's guess.
struct ProjectedStroke {
    bool dabbed;
    double x;
    double y;
    TexelSize size;
};

// The region a pass must draw for a frame's points of the way: every footprint of a brush of width x height
// texels at the guessed texel size around them, with room to spare and to measure, clipped to the view; as many
// samples a pixel as resolve texels of the guessed width, as far as the buffer (and MAX_PICK_SCALE) allows.
PickRegion planPickRegion(const std::vector<CursorPoint> &points, int32_t width, int32_t height,
                          const TexelSize &guess, int32_t viewWidth, int32_t viewHeight, int32_t bufferWidth,
                          int32_t bufferHeight);

// Whether `next` sees more than `now`: a part of the view outside it, or finer samples.
bool regionImproves(const PickRegion &next, const PickRegion &now);

// What a frame's dabs are, from one pass.
struct DabPlacement {
    std::vector<ProjectedDab> dabs;
    ProjectedStroke stroke;   // the stroke after them
    bool retry;               // a footprint reached past the pass, or its texels were too small for the samples:
    TexelSize guess;          // ... a pass planned with this guess would see it
};

// Places a frame's dabs along its points of the way (viewport pixels, in order): with smooth the first point of
// a stroke, then every point a quarter of the last dab's footprint (its smaller side) away from it along either
// axis, so neighbouring footprints overlap on the screen and so on the surface and in the texture; without smooth
// every point. Each dab's footprint is sized by the texels measured around it, or where no model lies around it
// by the stroke's last size.
void placeProjectedDabs(const PickGrid &grid, const std::vector<CursorPoint> &points, bool smooth, int32_t width,
                        int32_t height, int32_t viewWidth, int32_t viewHeight, const ProjectedStroke &stroke,
                        DabPlacement &out);
