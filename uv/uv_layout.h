// The model's texture triangles laid over a texture of any size: islands, which texels they cover, and which
// islands lie under a texel.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>


// One triangle in texture space, corners in the plugin's order: corner i is (u[i], v[i]).
struct UvTriangle {
    float u[3];
    float v[3];
};

// A triangle that covers no texel and connects nothing: zero area in texture space, a coordinate that is not
// finite or lies beyond UV_LIMIT repeats of the texture, or a corner the plugin left out.
constexpr int32_t NO_ISLAND = -1;
constexpr double UV_LIMIT = 1048576.0;

// Triangles past this many are ignored (the model readers stop at 2^24), so triangle and edge numbers fit in
// 32 bits.
constexpr size_t LAYOUT_MAX_TRIANGLES = size_t{1} << 28;

// Texel (x, y) is byte (y * width + x) * 3 of a blue-green-red texture, and entry y * width + x of every
// per-texel mask here. A texel's centre is ((x + 0.5) / width, (y + 0.5) / height); coordinates repeat, as
// GL_REPEAT draws them.
struct UvLayout {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<UvTriangle> triangles;
    std::vector<int32_t> islandOfTriangle;  // per triangle: its island from 0, or NO_ISLAND
    int32_t islandCount = 0;
    // The triangles of island i are islandTriangles[islandStart[i]] up to islandTriangles[islandStart[i + 1]].
    std::vector<uint32_t> islandStart;
    std::vector<uint32_t> islandTriangles;
    std::vector<uint8_t> covered;           // per texel: 1 when its centre lies in some triangle, else 0
};

// True when the triangle covers texels and can join an island (see NO_ISLAND).
bool isUsableTriangle(const UvTriangle &t);

// Islands of the triangles: two triangles are joined when they share an edge, both of its corners at exactly
// equal texture coordinates in either direction (a single shared corner joins nothing). Islands are numbered in
// the order of their first triangle. Fills islandOfTriangle (an entry per triangle), islandCount, islandStart
// and islandTriangles; leaves the rest of the layout alone.
void buildIslands(const UvTriangle *triangles, size_t count, UvLayout &layout);

// The whole layout for a width x height texture: the islands and the coverage mask. Sides of 0 or less, or a
// texture of more than UINT32_MAX texels, give an empty layout of no size.
void buildUvLayout(const UvTriangle *triangles, size_t count, int32_t width, int32_t height,
                        UvLayout &layout);

// Whether the centre of texel (x, y) lies in the triangle, on its edges included, for a width x height texture:
// exactly the test the coverage mask was built with. A triangle reaching over more than one repeat of the
// texture is only tested over the first repeat of its bounding box.
bool triangleCoversTexel(const UvTriangle &t, int32_t width, int32_t height, int32_t x, int32_t y);

// The islands that cover texel (x, y), in increasing order, none repeated (several where islands overlap in
// texture space, as mirrored halves of a model do). Empty off the texture. Tests every triangle once.
std::vector<int32_t> islandsAtTexel(const UvLayout &layout, int32_t x, int32_t y);

// mask := one byte per texel, 1 where the texel's centre lies in a triangle of one of the given islands, else 0.
// Island numbers out of range are ignored. Costs one clear of the mask plus the islands' bounding boxes.
void maskIslands(const UvLayout &layout, const int32_t *islands, size_t count, std::vector<uint8_t> &mask);
