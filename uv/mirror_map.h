// Mirror through the model on the flat texture: which texel shows the mirror image, across the model's plane, of
// the surface point another texel shows. Built from the model's triangles with their positions and texture
// coordinates, once per model and texture size; each texel's answer is worked out the first time it is asked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One triangle of the model's surface as it is drawn: corner i at position[i] (x, y, z) with texture coordinate
// uv[i] (u from the left edge, v from the bottom row; coordinates repeat, as GL_REPEAT draws them).
struct SurfaceTriangle {
    float position[3][3];
    float uv[3][2];
};

// The surface and what has been worked out on it for a width x height texture.
struct MirrorMap {
    int32_t width = 0;
    int32_t height = 0;
    float mirrorX = 0.0f;                    // the plane of the mirror, x = mirrorX
    float tolerance = 0.0f;                  // how far the mirrored point may lie from the surface and still count
    std::vector<SurfaceTriangle> triangles;
    std::vector<int32_t> triangleAtTexel;    // per texel: a triangle whose texture space holds its centre, or -1
    std::vector<int32_t> mirrored;           // per texel: its mirror texel (y * width + x), -1 none, -2 not asked yet
    // A grid of cells over the surface's bounding box, each listing the triangles whose boxes reach into it.
    float low[3] = {0.0f, 0.0f, 0.0f};
    float cellSize = 1.0f;
    int32_t cells[3] = {0, 0, 0};
    std::vector<uint32_t> cellStart;         // cell c holds cellTriangles[cellStart[c]] up to cellStart[c + 1]
    std::vector<uint32_t> cellTriangles;
    std::vector<uint32_t> visited;           // per triangle: the search that last looked at it
    uint32_t search = 0;
};

// Lays the surface out over a width x height texture, mirrored across the plane x = mirrorX. Triangles of no area
// in texture space, or with a coordinate that is not a finite number, take no texel. Sides of 0 or less, or no
// triangle, give an empty map (no texel has a mirror).
void buildMirrorMap(const SurfaceTriangle *triangles, size_t count, float mirrorX, int32_t width, int32_t height,
                    MirrorMap &map);

// The texel showing the mirror image of texel (x, y)'s surface point: the texel's place on its triangle, mirrored
// across the plane, and the texel of the nearest surface point there. False when the texel shows no part of the
// model, it lies off the texture, or nothing of the surface lies within the map's tolerance of the mirrored point
// (the model is not symmetric there).
bool mirrorTexelThroughModel(MirrorMap &map, int32_t x, int32_t y, int32_t &mirrorX, int32_t &mirrorY);

// The surface of the loaded model, as the viewport last read it from the plugin's drawing, and the plane it is
// mirrored across. Empty when no model with texture coordinates is loaded.
void setModelSurface(std::vector<SurfaceTriangle> triangles, float mirrorX);
void clearModelSurface();
// The map of the model's surface at the texture's present size, built when the model or the size changed since;
// null when no surface is known (Mirror on the flat texture then mirrors across its middle column).
MirrorMap *modelMirrorMap();
