// The projected brush on the model: the texels under the brush's footprint on the screen, the size of a texel
// there, where a stroke's dabs go, and how their texels are painted.
#include "viewport/projected_brush.h"

#include <algorithm>
#include <cmath>

#include "paint/pattern_store.h"
#include "paint/stamp.h"
#include "paint/bleed.h"
#include "paint/brush_tip.h"
#include "paint/paint_options.h"
#include "paint/stroke_mask.h"
#include "texture/active_layer.h"
#include "uv/model_layout.h"

namespace {

// Room left around the guessed footprints, for a texel size that grew since the guess.
constexpr double REACH_MARGIN = 1.5;
// The square a texel size is measured over, in guessed texels from the point: about nine whole texels inside.
constexpr double MEASURE_TEXELS = 2.5;

double sampleX(const PickRegion &r, int32_t i)
{
    return r.left + (i + 0.5) / r.scale;
}

double sampleY(const PickRegion &r, int32_t j)
{
    return r.top + (j + 0.5) / r.scale;
}

// The samples whose points lie in [low, high] along one axis of `count` samples starting at `start`.
bool sampleRange(double start, double scale, int32_t count, double low, double high, int32_t &first, int32_t &last)
{
    first = std::max(0, static_cast<int32_t>(std::ceil((low - start) * scale - 0.5)));
    last = std::min(count - 1, static_cast<int32_t>(std::floor((high - start) * scale - 0.5)));
    return first <= last;
}

struct TexelSample {
    int32_t texel;
    int32_t i;
    int32_t j;
    bool edge;   // on the edge of the measured square or of the pass: the texel may go on beyond it
};

double median(std::vector<double> &values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The width of a texel across its narrowest way, in samples, from the spread of its samples: for n evenly spaced
// samples along a line the variance is (n^2 - 1) / 12, so sqrt(12 * variance + 1) gives back the count.
double narrowestWidth(const TexelSample *s, size_t n)
{
    double mi = 0, mj = 0;
    for (size_t k = 0; k < n; ++k) {
        mi += s[k].i;
        mj += s[k].j;
    }
    mi /= double(n);
    mj /= double(n);
    double cii = 0, cjj = 0, cij = 0;
    for (size_t k = 0; k < n; ++k) {
        const double di = s[k].i - mi, dj = s[k].j - mj;
        cii += di * di;
        cjj += dj * dj;
        cij += di * dj;
    }
    cii /= double(n);
    cjj /= double(n);
    cij /= double(n);
    const double half = (cii - cjj) / 2;
    const double least = (cii + cjj) / 2 - std::sqrt(half * half + cij * cij);
    return std::sqrt(12.0 * std::max(least, 0.0) + 1.0);
}

} // namespace

TexelMeasure measureTexelSize(const PickGrid &grid, double x, double y, double radius)
{
    const PickRegion &r = grid.region;
    TexelMeasure none = {false, {0, 0}, 0};
    int32_t i0, i1, j0, j1;
    if (!sampleRange(r.left, r.scale, r.columns, x - radius, x + radius, i0, i1) ||
        !sampleRange(r.top, r.scale, r.rows, y - radius, y + radius, j0, j1))
        return none;
    static std::vector<TexelSample> samples;
    samples.clear();
    for (int32_t j = j0; j <= j1; ++j) {
        const int32_t *row = grid.texels.data() + static_cast<size_t>(j) * static_cast<size_t>(r.columns);
        for (int32_t i = i0; i <= i1; ++i)
            if (row[i] != NO_TEXEL)
                samples.push_back(TexelSample{row[i], i, j, i == i0 || i == i1 || j == j0 || j == j1});
    }
    std::sort(samples.begin(), samples.end(),
              [](const TexelSample &a, const TexelSample &b) { return a.texel < b.texel; });
    static std::vector<double> areas, widths, counts;
    areas.clear();
    widths.clear();
    counts.clear();
    for (size_t k = 0; k < samples.size();) {
        size_t end = k;
        bool edge = false;
        for (; end < samples.size() && samples[end].texel == samples[k].texel; ++end)
            edge = edge || samples[end].edge;
        if (!edge) {
            const double n = double(end - k);
            counts.push_back(n);
            areas.push_back(n / (r.scale * r.scale));
            widths.push_back(narrowestWidth(&samples[k], end - k) / r.scale);
        }
        k = end;
    }
    if (areas.size() < 3)
        return none;
    return TexelMeasure{true, {std::sqrt(median(areas)), median(widths)}, median(counts)};
}

TexelMeasure findTexelSize(const PickGrid &grid, double x, double y, const TexelSize &guess)
{
    const PickRegion &r = grid.region;
    const double whole = std::max(r.columns, r.rows) / r.scale;
    double radius = std::max(MEASURE_TEXELS * guess.pixels, 3.0 / r.scale);
    for (;;) {
        TexelMeasure m = measureTexelSize(grid, x, y, radius);
        if (m.found || radius >= whole)
            return m;
        radius *= 2;
    }
}

int32_t texelAtPoint(const PickGrid &grid, double x, double y)
{
    const PickRegion &r = grid.region;
    const double i = std::floor((x - r.left) * r.scale), j = std::floor((y - r.top) * r.scale);
    if (!(i >= 0 && j >= 0 && i < r.columns && j < r.rows))
        return NO_TEXEL;
    return grid.texels[static_cast<size_t>(j) * static_cast<size_t>(r.columns) + static_cast<size_t>(i)];
}

ProjectedDab makeProjectedDab(double x, double y, int32_t width, int32_t height, const TexelSize &size)
{
    return ProjectedDab{x, y, std::max(width, 0) * size.pixels / 2, std::max(height, 0) * size.pixels / 2,
                        size.pixels};
}

void collectFootprintTexels(const PickGrid &grid, const ProjectedDab &dab, std::vector<FootprintTexel> &out)
{
    out.clear();
    const PickRegion &r = grid.region;
    static std::vector<FootprintTexel> samples;
    samples.clear();
    int32_t i0, i1, j0, j1;
    if (sampleRange(r.left, r.scale, r.columns, dab.x - dab.halfWidth, dab.x + dab.halfWidth, i0, i1) &&
        sampleRange(r.top, r.scale, r.rows, dab.y - dab.halfHeight, dab.y + dab.halfHeight, j0, j1)) {
        for (int32_t j = j0; j <= j1; ++j) {
            const double sy = sampleY(r, j);
            if (sy >= dab.y + dab.halfHeight)
                continue;
            const int32_t *row = grid.texels.data() + static_cast<size_t>(j) * static_cast<size_t>(r.columns);
            for (int32_t i = i0; i <= i1; ++i) {
                const double sx = sampleX(r, i);
                if (row[i] != NO_TEXEL && sx < dab.x + dab.halfWidth)
                    samples.push_back(FootprintTexel{row[i], sx, sy});
            }
        }
    }
    const auto byTexel = [](const FootprintTexel &a, const FootprintTexel &b) { return a.texel < b.texel; };
    std::sort(samples.begin(), samples.end(), byTexel);
    for (size_t k = 0; k < samples.size();) {
        size_t end = k;
        double sx = 0, sy = 0;
        for (; end < samples.size() && samples[end].texel == samples[k].texel; ++end) {
            sx += samples[end].x;
            sy += samples[end].y;
        }
        const double n = double(end - k);
        out.push_back(FootprintTexel{samples[k].texel, sx / n, sy / n});
        k = end;
    }
    const FootprintTexel centre = {texelAtPoint(grid, dab.x, dab.y), dab.x, dab.y};
    const auto at = std::lower_bound(out.begin(), out.end(), centre, byTexel);
    if (centre.texel != NO_TEXEL && (at == out.end() || at->texel != centre.texel))
        out.insert(at, centre);
}

SkinRect paintFootprint(DabKind kind, bool usePattern, const ProjectedDab &dab,
                        const std::vector<FootprintTexel> &texels)
{
    if (kind == DabKind::none || texels.empty())
        return noTexels();
    const BrushSettings &b = brushSettings;
    const uint8_t *colour = kind == DabKind::pen ? b.penColor : b.eraserColor;
    const int32_t mode = kind == DabKind::pen ? STAMP_DARKEN : STAMP_BRIGHTEN;
    const size_t total = skinTexelCount();
    static std::vector<uint32_t> painted;
    painted.clear();
    SkinRect changed = noTexels();
    for (const FootprintTexel &t : texels) {
        if (t.texel < 0 || static_cast<size_t>(t.texel) >= total)
            continue;
        const int32_t x = t.texel % skinWidth, y = t.texel / skinWidth;
        if (usePattern) {
            // The pattern's pixels lie over the footprint a texel's size each, its bottom row at the bottom.
            const double j = std::floor((t.x - dab.x) / dab.pixels + patternWidth / 2.0);
            const double i = std::floor((dab.y - t.y) / dab.pixels + patternHeight / 2.0);
            stampTexel(x, y, static_cast<int32_t>(std::max(-1.0, std::min(j, double(patternWidth)))),
                       static_cast<int32_t>(std::max(-1.0, std::min(i, double(patternHeight)))), mode);
        } else {
            const PaintOptions &o = paintOptions;
            const float weight = screenTipWeight(o.brushShape, t.x - dab.x, t.y - dab.y, dab.halfWidth, dab.pixels,
                                                 o.hardness);
            if (!(weight > 0.0f))
                continue;
            mixStrokeTexel(x, y, weight, colour, o.opacity, kind == DabKind::eraser);
        }
        painted.push_back(static_cast<uint32_t>(t.texel));
        changed = joinRects(changed, SkinRect{x, y, x, y});
    }
    if (isEmptyRect(changed))
        return changed;
    changed = joinRects(changed, bleedAroundTexels(modelLayout, paintLayer().pixels.data(), painted.data(),
                                                   painted.size(), LAYER_TEXEL_BYTES));
    showLayersIn(changed);
    return changed;
}

PickRegion planPickRegion(const std::vector<CursorPoint> &points, int32_t width, int32_t height,
                          const TexelSize &guess, int32_t viewWidth, int32_t viewHeight, int32_t bufferWidth,
                          int32_t bufferHeight)
{
    const PickRegion none = {0, 0, 1, 0, 0};
    if (points.empty() || viewWidth <= 0 || viewHeight <= 0 || bufferWidth <= 0 || bufferHeight <= 0)
        return none;
    double left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
    for (const CursorPoint &p : points) {
        left = std::min(left, double(p.x));
        right = std::max(right, double(p.x));
        top = std::min(top, double(p.y));
        bottom = std::max(bottom, double(p.y));
    }
    const double reach =
        REACH_MARGIN * std::max(width, height) * guess.pixels / 2 + MEASURE_TEXELS * guess.pixels + 2.0;
    left = std::max(0.0, std::floor(left - reach));
    top = std::max(0.0, std::floor(top - reach));
    right = std::min(double(viewWidth), std::ceil(right + 1 + reach));
    bottom = std::min(double(viewHeight), std::ceil(bottom + 1 + reach));
    if (right <= left || bottom <= top)
        return none;
    const double spanX = right - left, spanY = bottom - top;
    double scale = PICK_SAMPLES_WANTED / std::max(guess.narrowest, 1e-3);
    scale = std::min({scale, MAX_PICK_SCALE, bufferWidth / spanX, bufferHeight / spanY});
    scale = std::max(scale, std::min(1.0, std::min(bufferWidth / spanX, bufferHeight / spanY)));
    const int32_t columns = std::max(1, static_cast<int32_t>(std::floor(spanX * scale)));
    const int32_t rows = std::max(1, static_cast<int32_t>(std::floor(spanY * scale)));
    return PickRegion{left, top, scale, columns, rows};
}

bool regionImproves(const PickRegion &next, const PickRegion &now)
{
    if (next.columns <= 0 || next.rows <= 0)
        return false;
    if (now.columns <= 0 || now.rows <= 0 || next.scale > now.scale * 1.1)
        return true;
    const double slack = 1.0;
    return next.left < now.left - slack || next.top < now.top - slack ||
           next.left + next.columns / next.scale > now.left + now.columns / now.scale + slack ||
           next.top + next.rows / next.scale > now.top + now.rows / now.scale + slack;
}

// Whether the pass must be drawn again for this dab: its footprint reaches past the pass where the view goes on,
// or the pass's samples were too coarse for its texels. guess receives what the next pass should plan with.
static bool dabNeedsRetry(const PickGrid &grid, const ProjectedDab &dab, const TexelMeasure &m, int32_t viewWidth,
                          int32_t viewHeight, TexelSize &guess)
{
    const PickRegion &r = grid.region;
    const double right = r.left + r.columns / r.scale, bottom = r.top + r.rows / r.scale;
    const bool beyond = (dab.x - dab.halfWidth < r.left && r.left > 0) ||
                        (dab.y - dab.halfHeight < r.top && r.top > 0) ||
                        (dab.x + dab.halfWidth > right && right < viewWidth - 0.5) ||
                        (dab.y + dab.halfHeight > bottom && bottom < viewHeight - 0.5);
    const bool coarse = m.size.narrowest * r.scale < PICK_SAMPLES_NEEDED;
    if (!beyond && !coarse)
        return false;
    guess = m.size;
    // A texel met by one sample or two only says that texels are at most that big: guess well below it.
    if (m.samples <= 2.0) {
        guess.pixels /= 4;
        guess.narrowest /= 4;
    }
    return true;
}

void placeProjectedDabs(const PickGrid &grid, const std::vector<CursorPoint> &points, bool smooth, int32_t width,
                        int32_t height, int32_t viewWidth, int32_t viewHeight, const ProjectedStroke &stroke,
                        DabPlacement &out)
{
    out.dabs.clear();
    out.stroke = stroke;
    out.retry = false;
    out.guess = stroke.size;
    ProjectedStroke &s = out.stroke;
    for (const CursorPoint &p : points) {
        const double x = p.x + 0.5, y = p.y + 0.5;
        if (smooth && s.dabbed) {
            const ProjectedDab last = makeProjectedDab(s.x, s.y, width, height, s.size);
            const double share = dabSpacingShare(paintOptions.usePattern ? MAX_HARDNESS : paintOptions.hardness);
            const double spacing = std::max(1.0, std::min(last.halfWidth, last.halfHeight) * 2 * share);
            if (std::fabs(x - s.x) < spacing && std::fabs(y - s.y) < spacing)
                continue;
        }
        const TexelMeasure m = findTexelSize(grid, x, y, s.size);
        TexelSize size = m.found ? m.size : s.size;
        const ProjectedDab dab = makeProjectedDab(x, y, width, height, size);
        TexelSize guess;
        bool retry = m.found && dabNeedsRetry(grid, dab, m, viewWidth, viewHeight, guess);
        if (!m.found && texelAtPoint(grid, x, y) != NO_TEXEL) {
            // The model lies here but no three whole texels fitted in the pass: they are larger than guessed.
            retry = true;
            guess = TexelSize{s.size.pixels * 4, s.size.narrowest * 4};
        }
        if (retry) {
            // One pass for every dab of the frame: wide enough for the largest footprint, fine enough for the
            // narrowest texels.
            out.guess = out.retry ? TexelSize{std::max(out.guess.pixels, guess.pixels),
                                              std::min(out.guess.narrowest, guess.narrowest)}
                                  : guess;
            out.retry = true;
        }
        out.dabs.push_back(dab);
        s = ProjectedStroke{true, x, y, size};
    }
}
