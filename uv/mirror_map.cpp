// Mirror through the model on the flat texture: the texel raster of the surface, a grid for the nearest surface
// point, and the mirror texel of each texel worked out when first asked.
#include "uv/mirror_map.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "texture/skin_store.h"

namespace {

const int32_t NOT_ASKED = -2;
const int32_t NONE = -1;
// The grid's cells per axis at most, and the triangles a cell holds on average at least: enough cells that a
// search looks at a few triangles, few enough that building the grid costs little beside the texture.
const int32_t MAX_CELLS_PER_AXIS = 128;
// A mirrored point this far from the surface (a share of the surface's box diagonal) still lies on it: the two
// halves of a model are seldom modelled to the last vertex.
const double TOLERANCE_SHARE = 0.02;

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec corner(const SurfaceTriangle &t, int i)
{
    return {t.position[i][0], t.position[i][1], t.position[i][2]};
}

// The point of triangle abc nearest p, as weights of its corners (the usual region-by-region test).
void nearestOnTriangle(Vec p, Vec a, Vec b, Vec c, double w[3])
{
    const Vec ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        w[0] = 1, w[1] = 0, w[2] = 0;
        return;
    }
    const Vec bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        w[0] = 0, w[1] = 1, w[2] = 0;
        return;
    }
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        const double v = d1 / (d1 - d3);
        w[0] = 1 - v, w[1] = v, w[2] = 0;
        return;
    }
    const Vec cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        w[0] = 0, w[1] = 0, w[2] = 1;
        return;
    }
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        const double v = d2 / (d2 - d6);
        w[0] = 1 - v, w[1] = 0, w[2] = v;
        return;
    }
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        const double v = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        w[0] = 0, w[1] = 1 - v, w[2] = v;
        return;
    }
    const double sum = va + vb + vc;
    if (!(sum > 0)) {   // a triangle of no area: its first corner
        w[0] = 1, w[1] = 0, w[2] = 0;
        return;
    }
    w[1] = vb / sum, w[2] = vc / sum, w[0] = 1 - w[1] - w[2];
}

bool finiteTriangle(const SurfaceTriangle &t)
{
    for (int i = 0; i < 3; ++i)
        for (float f : {t.position[i][0], t.position[i][1], t.position[i][2], t.uv[i][0], t.uv[i][1]})
            if (!std::isfinite(f) || std::fabs(f) > 1e30f)
                return false;
    return true;
}

int64_t wrapped(int64_t value, int64_t size)
{
    const int64_t r = value % size;
    return r < 0 ? r + size : r;
}

// Marks the texels whose centres lie in triangle i's texture space (edges included), over one repeat at most.
void rasterTriangle(MirrorMap &m, uint32_t i)
{
    const SurfaceTriangle &t = m.triangles[i];
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = double(t.uv[k][0]) * m.width;
        v[k] = double(t.uv[k][1]) * m.height;
    }
    const double area = (u[1] - u[0]) * (v[2] - v[0]) - (u[2] - u[0]) * (v[1] - v[0]);
    if (!(std::fabs(area) > 1e-12))
        return;
    const int64_t x0 = int64_t(std::ceil(std::min({u[0], u[1], u[2]}) - 0.5));
    const int64_t y0 = int64_t(std::ceil(std::min({v[0], v[1], v[2]}) - 0.5));
    const int64_t x1 = std::min<int64_t>(int64_t(std::floor(std::max({u[0], u[1], u[2]}) - 0.5)), x0 + m.width - 1);
    const int64_t y1 = std::min<int64_t>(int64_t(std::floor(std::max({v[0], v[1], v[2]}) - 0.5)), y0 + m.height - 1);
    for (int64_t y = y0; y <= y1; ++y) {
        const double cy = double(y) + 0.5;
        for (int64_t x = x0; x <= x1; ++x) {
            const double cx = double(x) + 0.5;
            // The same sign (or zero) against all three edges: inside or on an edge.
            const double e0 = (u[1] - u[0]) * (cy - v[0]) - (cx - u[0]) * (v[1] - v[0]);
            const double e1 = (u[2] - u[1]) * (cy - v[1]) - (cx - u[1]) * (v[2] - v[1]);
            const double e2 = (u[0] - u[2]) * (cy - v[2]) - (cx - u[2]) * (v[0] - v[2]);
            if (area > 0 ? (e0 < 0 || e1 < 0 || e2 < 0) : (e0 > 0 || e1 > 0 || e2 > 0))
                continue;
            const size_t at = size_t(wrapped(y, m.height)) * size_t(m.width) + size_t(wrapped(x, m.width));
            if (m.triangleAtTexel[at] < 0)
                m.triangleAtTexel[at] = int32_t(i);
        }
    }
}

int32_t cellAlong(const MirrorMap &m, int axis, double value)
{
    const double c = std::floor((value - m.low[axis]) / m.cellSize);
    return int32_t(std::min<double>(std::max<double>(c, 0.0), m.cells[axis] - 1));
}

size_t cellIndex(const MirrorMap &m, int32_t cx, int32_t cy, int32_t cz)
{
    return (size_t(cz) * size_t(m.cells[1]) + size_t(cy)) * size_t(m.cells[0]) + size_t(cx);
}

// Every triangle into the cells its bounding box reaches, counted first, then listed.
void buildGrid(MirrorMap &m)
{
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const SurfaceTriangle &t : m.triangles)
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], double(t.position[k][a]));
                high[a] = std::max(high[a], double(t.position[k][a]));
            }
    const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2], 1e-6});
    const double diagonal = std::sqrt((high[0] - low[0]) * (high[0] - low[0]) + (high[1] - low[1]) * (high[1] - low[1]) +
                                      (high[2] - low[2]) * (high[2] - low[2]));
    m.tolerance = float(std::max(diagonal * TOLERANCE_SHARE, 1e-6));
    const double perAxis = std::cbrt(double(m.triangles.size())) * 2.0;
    m.cellSize = float(extent / std::min<double>(std::max(perAxis, 1.0), MAX_CELLS_PER_AXIS));
    for (int a = 0; a < 3; ++a) {
        m.low[a] = float(low[a]);
        m.cells[a] = int32_t(std::min<double>(std::floor((high[a] - low[a]) / m.cellSize) + 1, MAX_CELLS_PER_AXIS));
    }
    const size_t cellCount = size_t(m.cells[0]) * size_t(m.cells[1]) * size_t(m.cells[2]);
    m.cellStart.assign(cellCount + 1, 0);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (size_t c = 0; c < cellCount; ++c)
                m.cellStart[c + 1] += m.cellStart[c];
            m.cellTriangles.assign(m.cellStart[cellCount], 0);
        }
        std::vector<uint32_t> filled(pass == 1 ? cellCount : 0, 0);
        for (uint32_t i = 0; i < m.triangles.size(); ++i) {
            const SurfaceTriangle &t = m.triangles[i];
            int32_t from[3], to[3];
            for (int a = 0; a < 3; ++a) {
                const double lo = std::min({t.position[0][a], t.position[1][a], t.position[2][a]});
                const double hi = std::max({t.position[0][a], t.position[1][a], t.position[2][a]});
                from[a] = cellAlong(m, a, lo);
                to[a] = cellAlong(m, a, hi);
            }
            for (int32_t z = from[2]; z <= to[2]; ++z)
                for (int32_t y = from[1]; y <= to[1]; ++y)
                    for (int32_t x = from[0]; x <= to[0]; ++x) {
                        const size_t c = cellIndex(m, x, y, z);
                        if (pass == 0)
                            ++m.cellStart[c + 1];
                        else
                            m.cellTriangles[m.cellStart[c] + filled[c]++] = i;
                    }
        }
    }
    m.visited.assign(m.triangles.size(), 0);
    m.search = 0;
}

// The surface point nearest p within the tolerance: its triangle and corner weights. Cells are searched in
// growing shells about p's cell until no nearer point can lie further out.
bool nearestSurfacePoint(MirrorMap &m, Vec p, uint32_t &triangle, double w[3])
{
    if (++m.search == 0) {   // the stamps wrapped around: start them afresh
        std::fill(m.visited.begin(), m.visited.end(), 0);
        m.search = 1;
    }
    const int32_t centre[3] = {cellAlong(m, 0, p.x), cellAlong(m, 1, p.y), cellAlong(m, 2, p.z)};
    double best = double(m.tolerance) * double(m.tolerance);
    bool found = false;
    const int32_t maxShell = int32_t(std::ceil(double(m.tolerance) / m.cellSize)) + 1;
    for (int32_t shell = 0; shell <= maxShell; ++shell) {
        // Every point in this shell's cells lies at least (shell - 1) cells away.
        const double reach = double(shell - 1) * m.cellSize;
        if (shell > 0 && reach > 0 && reach * reach > best)
            break;
        for (int32_t z = centre[2] - shell; z <= centre[2] + shell; ++z)
            for (int32_t y = centre[1] - shell; y <= centre[1] + shell; ++y)
                for (int32_t x = centre[0] - shell; x <= centre[0] + shell; ++x) {
                    if (std::max({std::abs(x - centre[0]), std::abs(y - centre[1]), std::abs(z - centre[2])}) != shell)
                        continue;
                    if (x < 0 || y < 0 || z < 0 || x >= m.cells[0] || y >= m.cells[1] || z >= m.cells[2])
                        continue;
                    const size_t c = cellIndex(m, x, y, z);
                    for (uint32_t k = m.cellStart[c]; k < m.cellStart[c + 1]; ++k) {
                        const uint32_t i = m.cellTriangles[k];
                        if (m.visited[i] == m.search)
                            continue;
                        m.visited[i] = m.search;
                        const SurfaceTriangle &t = m.triangles[i];
                        double weights[3];
                        nearestOnTriangle(p, corner(t, 0), corner(t, 1), corner(t, 2), weights);
                        const Vec q = corner(t, 0) * weights[0] + corner(t, 1) * weights[1] + corner(t, 2) * weights[2];
                        const Vec d = q - p;
                        const double distance = dot(d, d);
                        if (distance <= best) {
                            best = distance;
                            found = true;
                            triangle = i;
                            std::copy(weights, weights + 3, w);
                        }
                    }
                }
    }
    return found;
}

// The weights of texel (x, y)'s centre in triangle i's texture space.
void texelWeights(const MirrorMap &m, uint32_t i, int32_t x, int32_t y, double w[3])
{
    const SurfaceTriangle &t = m.triangles[i];
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = double(t.uv[k][0]) * m.width;
        v[k] = double(t.uv[k][1]) * m.height;
    }
    // The texel may be a repeat of the triangle's: bring its centre next to the triangle's first corner.
    double cx = x + 0.5, cy = y + 0.5;
    cx += std::round((u[0] - cx) / m.width) * m.width;
    cy += std::round((v[0] - cy) / m.height) * m.height;
    const double area = (u[1] - u[0]) * (v[2] - v[0]) - (u[2] - u[0]) * (v[1] - v[0]);
    w[1] = ((cx - u[0]) * (v[2] - v[0]) - (u[2] - u[0]) * (cy - v[0])) / area;
    w[2] = ((u[1] - u[0]) * (cy - v[0]) - (cx - u[0]) * (v[1] - v[0])) / area;
    w[0] = 1 - w[1] - w[2];
}

int32_t findMirror(MirrorMap &m, int32_t x, int32_t y)
{
    const int32_t source = m.triangleAtTexel[size_t(y) * size_t(m.width) + size_t(x)];
    if (source < 0)
        return NONE;
    const SurfaceTriangle &t = m.triangles[size_t(source)];
    double w[3];
    texelWeights(m, uint32_t(source), x, y, w);
    Vec p = corner(t, 0) * w[0] + corner(t, 1) * w[1] + corner(t, 2) * w[2];
    p.x = 2.0 * double(m.mirrorX) - p.x;
    uint32_t target = 0;
    if (!nearestSurfacePoint(m, p, target, w))
        return NONE;
    const SurfaceTriangle &s = m.triangles[target];
    const double u = (s.uv[0][0] * w[0] + s.uv[1][0] * w[1] + s.uv[2][0] * w[2]) * m.width;
    const double v = (s.uv[0][1] * w[0] + s.uv[1][1] * w[1] + s.uv[2][1] * w[2]) * m.height;
    const int64_t mx = wrapped(int64_t(std::floor(u)), m.width), my = wrapped(int64_t(std::floor(v)), m.height);
    return int32_t(my * m.width + mx);
}

MirrorMap modelMirror;
std::vector<SurfaceTriangle> modelSurface;
float modelMirrorPlane;
bool modelMirrorStale = true;
int32_t builtWidth, builtHeight;   // the texture size the map was last built for, even when it came out empty

} // namespace

void buildMirrorMap(const SurfaceTriangle *triangles, size_t count, float mirrorX, int32_t width, int32_t height,
                    MirrorMap &map)
{
    map = MirrorMap();
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > uint64_t(INT32_MAX) || count == 0)
        return;
    for (size_t i = 0; i < count && map.triangles.size() < UINT32_MAX; ++i)
        if (finiteTriangle(triangles[i]))
            map.triangles.push_back(triangles[i]);
    if (map.triangles.empty())
        return;
    map.width = width;
    map.height = height;
    map.mirrorX = mirrorX;
    const size_t texels = size_t(width) * size_t(height);
    map.triangleAtTexel.assign(texels, NONE);
    map.mirrored.assign(texels, NOT_ASKED);
    for (uint32_t i = 0; i < map.triangles.size(); ++i)
        rasterTriangle(map, i);
    buildGrid(map);
}

bool mirrorTexelThroughModel(MirrorMap &map, int32_t x, int32_t y, int32_t &mirrorX, int32_t &mirrorY)
{
    if (map.width <= 0 || x < 0 || y < 0 || x >= map.width || y >= map.height)
        return false;
    int32_t &known = map.mirrored[size_t(y) * size_t(map.width) + size_t(x)];
    if (known == NOT_ASKED)
        known = findMirror(map, x, y);
    if (known < 0)
        return false;
    mirrorX = known % map.width;
    mirrorY = known / map.width;
    return true;
}

void setModelSurface(std::vector<SurfaceTriangle> triangles, float mirrorX)
{
    modelSurface = std::move(triangles);
    modelMirrorPlane = mirrorX;
    modelMirrorStale = true;
    modelMirror = MirrorMap();   // its texel tables are the texture's size: not kept for a model that is gone
}

void clearModelSurface()
{
    setModelSurface(std::vector<SurfaceTriangle>(), 0.0f);
}

MirrorMap *modelMirrorMap()
{
    if (modelSurface.empty())
        return nullptr;
    if (modelMirrorStale || builtWidth != skinWidth || builtHeight != skinHeight) {
        buildMirrorMap(modelSurface.data(), modelSurface.size(), modelMirrorPlane, skinWidth, skinHeight, modelMirror);
        modelMirrorStale = false;
        builtWidth = skinWidth;
        builtHeight = skinHeight;
    }
    return modelMirror.width > 0 ? &modelMirror : nullptr;
}
