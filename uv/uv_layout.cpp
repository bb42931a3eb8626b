// The model's texture triangles laid over a texture of any size: islands, which texels they cover, and which
// islands lie under a texel.
#include "uv/uv_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// One edge's inside test, with its two corners taken in a fixed order (the smaller x first, then the smaller y)
// whichever way the triangle runs. Two triangles that share an edge then compute exactly the same number at a
// texel centre, one negated, so a centre on the shared edge counts as inside both and rounding leaves no hole.
struct EdgeTest {
    double ax, ay, dx, dy;
    double sign;
};

// A triangle in texel units (u * width, v * height) ready to be tested at texel centres, with the box of texel
// indices whose centres may lie in it. The box is in unwrapped indices and spans at most one repeat each way.
struct RasterTriangle {
    EdgeTest edge[3];
    int64_t x0, x1, y0, y1;
};

void setEdge(EdgeTest &e, double px, double py, double qx, double qy, double orientation)
{
    bool swap = qx < px || (qx == px && qy < py);
    e.ax = swap ? qx : px;
    e.ay = swap ? qy : py;
    e.dx = (swap ? px : qx) - e.ax;
    e.dy = (swap ? py : qy) - e.ay;
    e.sign = swap ? -orientation : orientation;
}

inline bool edgeAllows(const EdgeTest &e, double cx, double cy)
{
    return e.sign * (e.dx * (cy - e.ay) - e.dy * (cx - e.ax)) >= 0.0;
}

inline bool centreInside(const RasterTriangle &r, double cx, double cy)
{
    return edgeAllows(r.edge[0], cx, cy) && edgeAllows(r.edge[1], cx, cy) && edgeAllows(r.edge[2], cx, cy);
}

// The texel indices whose centres (index + 0.5) lie in [lo, hi], cut to one repeat of `side` texels: a
// triangle wider than the texture would otherwise cost more than the whole texture.
bool centreRange(double lo, double hi, int32_t side, int64_t &first, int64_t &last)
{
    double a = std::ceil(lo - 0.5), b = std::floor(hi - 0.5);
    if (a > b)
        return false;
    first = static_cast<int64_t>(a);
    last = static_cast<int64_t>(b);
    if (last - first >= side)
        last = first + side - 1;
    return true;
}

bool prepareTriangle(const UvTriangle &t, int32_t width, int32_t height, RasterTriangle &r)
{
    if (!isUsableTriangle(t))
        return false;
    double px[3], py[3];
    for (int i = 0; i < 3; ++i) {
        px[i] = static_cast<double>(t.u[i]) * width;
        py[i] = static_cast<double>(t.v[i]) * height;
    }
    double area = (px[1] - px[0]) * (py[2] - py[0]) - (py[1] - py[0]) * (px[2] - px[0]);
    if (area == 0.0)
        return false;
    double orientation = area > 0.0 ? 1.0 : -1.0;
    for (int i = 0; i < 3; ++i)
        setEdge(r.edge[i], px[i], py[i], px[(i + 1) % 3], py[(i + 1) % 3], orientation);
    return centreRange(std::min({px[0], px[1], px[2]}), std::max({px[0], px[1], px[2]}), width, r.x0, r.x1) &&
           centreRange(std::min({py[0], py[1], py[2]}), std::max({py[0], py[1], py[2]}), height, r.y0, r.y1);
}

inline int32_t wrapIndex(int64_t i, int32_t side)
{
    int64_t m = i % side;
    return static_cast<int32_t>(m < 0 ? m + side : m);
}

// Sets mask[texel] = 1 for every texel whose centre lies in the triangle, wrapping indices onto the texture.
void markTriangle(const RasterTriangle &r, int32_t width, int32_t height, uint8_t *mask)
{
    for (int64_t y = r.y0; y <= r.y1; ++y) {
        double cy = static_cast<double>(y) + 0.5;
        uint8_t *row = mask + static_cast<size_t>(wrapIndex(y, height)) * static_cast<size_t>(width);
        int32_t column = wrapIndex(r.x0, width);
        for (int64_t x = r.x0; x <= r.x1; ++x) {
            if (centreInside(r, static_cast<double>(x) + 0.5, cy))
                row[column] = 1;
            if (++column == width)
                column = 0;
        }
    }
}

bool sizeUsable(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && static_cast<size_t>(height) <= UINT32_MAX / static_cast<size_t>(width);
}

size_t texelCount(int32_t width, int32_t height)
{
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

// A corner's coordinates as one key; -0 and +0 are the same coordinate, so they get the same bits.
uint64_t cornerKey(float u, float v)
{
    if (u == 0.0f)
        u = 0.0f;
    if (v == 0.0f)
        v = 0.0f;
    uint32_t bu, bv;
    std::memcpy(&bu, &u, sizeof bu);
    std::memcpy(&bv, &v, sizeof bv);
    return (uint64_t{bu} << 32) | bv;
}

struct EdgeKey {
    uint64_t low, high;
};

// Edge e of triangle t (corner e to corner e + 1), the same key whichever way round it runs.
EdgeKey edgeKey(const UvTriangle &t, int e)
{
    int f = (e + 1) % 3;
    uint64_t a = cornerKey(t.u[e], t.v[e]), b = cornerKey(t.u[f], t.v[f]);
    return a < b ? EdgeKey{a, b} : EdgeKey{b, a};
}

uint64_t hashEdge(const EdgeKey &k)
{
    uint64_t h = k.low * 0x9E3779B97F4A7C15ull ^ (k.high + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

uint32_t findRoot(std::vector<uint32_t> &parent, uint32_t i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

void joinTriangles(std::vector<uint32_t> &parent, std::vector<uint32_t> &size, uint32_t a, uint32_t b)
{
    a = findRoot(parent, a);
    b = findRoot(parent, b);
    if (a == b)
        return;
    if (size[a] < size[b])
        std::swap(a, b);
    parent[b] = a;
    size[a] += size[b];
}

// Joins every pair of usable triangles that share an edge. The open-addressing table holds only
// triangle * 3 + edge + 1 per slot (0: free); keys are recomputed from the triangles, which keeps a
// million-triangle model's table at a few tens of megabytes.
void joinSharedEdges(const UvTriangle *triangles, size_t count, const std::vector<uint8_t> &usable,
                     std::vector<uint32_t> &parent, std::vector<uint32_t> &size)
{
    size_t capacity = 16;
    while (capacity < count * 3 + count * 3 / 2)
        capacity *= 2;
    std::vector<uint32_t> slots(capacity, 0);
    for (size_t t = 0; t < count; ++t) {
        if (!usable[t])
            continue;
        for (int e = 0; e < 3; ++e) {
            EdgeKey key = edgeKey(triangles[t], e);
            size_t at = static_cast<size_t>(hashEdge(key)) & (capacity - 1);
            while (slots[at] != 0) {
                uint32_t other = slots[at] - 1;
                EdgeKey seen = edgeKey(triangles[other / 3], static_cast<int>(other % 3));
                if (seen.low == key.low && seen.high == key.high)
                    break;
                at = (at + 1) & (capacity - 1);
            }
            if (slots[at] == 0)
                slots[at] = static_cast<uint32_t>(t * 3 + static_cast<size_t>(e) + 1);
            else
                joinTriangles(parent, size, static_cast<uint32_t>(t), (slots[at] - 1) / 3);
        }
    }
}

// islandOfTriangle from the joined sets, numbered in the order of each island's first triangle; then the
// triangles of each island, in their own order.
void numberIslands(size_t count, const std::vector<uint8_t> &usable, std::vector<uint32_t> &parent,
                   UvLayout &layout)
{
    std::vector<int32_t> islandOfRoot(count, NO_ISLAND);
    layout.islandOfTriangle.assign(count, NO_ISLAND);
    layout.islandCount = 0;
    for (size_t t = 0; t < count; ++t) {
        if (!usable[t])
            continue;
        uint32_t root = findRoot(parent, static_cast<uint32_t>(t));
        if (islandOfRoot[root] == NO_ISLAND)
            islandOfRoot[root] = layout.islandCount++;
        layout.islandOfTriangle[t] = islandOfRoot[root];
    }
    layout.islandStart.assign(static_cast<size_t>(layout.islandCount) + 1, 0);
    for (size_t t = 0; t < count; ++t)
        if (layout.islandOfTriangle[t] != NO_ISLAND)
            ++layout.islandStart[static_cast<size_t>(layout.islandOfTriangle[t]) + 1];
    for (size_t i = 1; i < layout.islandStart.size(); ++i)
        layout.islandStart[i] += layout.islandStart[i - 1];
    layout.islandTriangles.assign(layout.islandStart.back(), 0);
    std::vector<uint32_t> next(layout.islandStart.begin(), layout.islandStart.end() - 1);
    for (size_t t = 0; t < count; ++t)
        if (layout.islandOfTriangle[t] != NO_ISLAND)
            layout.islandTriangles[next[static_cast<size_t>(layout.islandOfTriangle[t])]++] =
                static_cast<uint32_t>(t);
}

} // namespace

bool isUsableTriangle(const UvTriangle &t)
{
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(t.u[i]) <= UV_LIMIT) || !(std::fabs(t.v[i]) <= UV_LIMIT))
            return false;
    // In double the differences and products of floats of this range are exact or nearly so: zero means the
    // corners really are on one line, whatever the texture's size.
    double u0 = t.u[0], v0 = t.v[0];
    double area = (t.u[1] - u0) * (t.v[2] - v0) - (t.v[1] - v0) * (t.u[2] - u0);
    return area != 0.0;
}

void buildIslands(const UvTriangle *triangles, size_t count, UvLayout &layout)
{
    count = std::min(count, LAYOUT_MAX_TRIANGLES);
    std::vector<uint8_t> usable(count);
    std::vector<uint32_t> parent(count), size(count, 1);
    for (size_t t = 0; t < count; ++t) {
        usable[t] = isUsableTriangle(triangles[t]) ? 1 : 0;
        parent[t] = static_cast<uint32_t>(t);
    }
    joinSharedEdges(triangles, count, usable, parent, size);
    numberIslands(count, usable, parent, layout);
}

void buildUvLayout(const UvTriangle *triangles, size_t count, int32_t width, int32_t height,
                        UvLayout &layout)
{
    layout = UvLayout();
    if (!sizeUsable(width, height))
        return;
    layout.width = width;
    layout.height = height;
    count = std::min(count, LAYOUT_MAX_TRIANGLES);
    layout.triangles.assign(triangles, triangles + count);
    buildIslands(layout.triangles.data(), count, layout);
    layout.covered.assign(texelCount(width, height), 0);
    RasterTriangle r;
    for (size_t t = 0; t < count; ++t)
        if (layout.islandOfTriangle[t] != NO_ISLAND && prepareTriangle(layout.triangles[t], width, height, r))
            markTriangle(r, width, height, layout.covered.data());
}

bool triangleCoversTexel(const UvTriangle &t, int32_t width, int32_t height, int32_t x, int32_t y)
{
    RasterTriangle r;
    if (!sizeUsable(width, height) || x < 0 || x >= width || y < 0 || y >= height ||
        !prepareTriangle(t, width, height, r))
        return false;
    // The one index of the box that lands on x, as the rasteriser would meet it.
    int64_t bx = r.x0 + wrapIndex(x - r.x0, width);
    int64_t by = r.y0 + wrapIndex(y - r.y0, height);
    return bx <= r.x1 && by <= r.y1 && centreInside(r, static_cast<double>(bx) + 0.5, static_cast<double>(by) + 0.5);
}

std::vector<int32_t> islandsAtTexel(const UvLayout &layout, int32_t x, int32_t y)
{
    std::vector<int32_t> found;
    for (size_t t = 0; t < layout.triangles.size(); ++t) {
        int32_t island = layout.islandOfTriangle[t];
        if (island == NO_ISLAND || std::find(found.begin(), found.end(), island) != found.end())
            continue;
        if (triangleCoversTexel(layout.triangles[t], layout.width, layout.height, x, y))
            found.push_back(island);
    }
    std::sort(found.begin(), found.end());
    return found;
}

void maskIslands(const UvLayout &layout, const int32_t *islands, size_t count, std::vector<uint8_t> &mask)
{
    mask.assign(texelCount(layout.width, layout.height), 0);
    if (mask.empty())
        return;
    RasterTriangle r;
    for (size_t i = 0; i < count; ++i) {
        int32_t island = islands[i];
        if (island < 0 || island >= layout.islandCount)
            continue;
        for (uint32_t k = layout.islandStart[static_cast<size_t>(island)];
             k < layout.islandStart[static_cast<size_t>(island) + 1]; ++k) {
            const UvTriangle &t = layout.triangles[layout.islandTriangles[k]];
            if (prepareTriangle(t, layout.width, layout.height, r))
                markTriangle(r, layout.width, layout.height, mask.data());
        }
    }
}
