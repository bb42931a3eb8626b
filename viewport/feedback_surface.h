// The model's surface read back from OpenGL's feedback mode: the triangles the plugin drew, with positions and
// texture coordinates, out of a GL_3D_COLOR_TEXTURE feedback buffer. Platform-free: the GL side lives in
// model_surface.cpp.
#pragma once
#include <cstddef>
#include <vector>

#include "uv/mirror_map.h"

// How the feedback pass saw the model: an orthographic box of half side `half` about `centre` (x, y and z in the
// model's coordinates), drawn into a square viewport of `side` pixels whose corner is the window's origin, the depth
// range 0 to 1. Window x of 0 is centre x - half, window x of side is centre x + half (y likewise); window depth 0 is
// centre z + half, 1 is centre z - half, as glOrtho(left, right, bottom, top, -(cz + half), -(cz - half)) makes it.
struct FeedbackView {
    double centre[3];
    double half;
    double side;
};

// The box that holds every vertex of the triangles, as centre and half of its longest side; false for none.
bool surfaceBox(const std::vector<SurfaceTriangle> &triangles, double centre[3], double &half);

// Reads `count` values of a GL_3D_COLOR_TEXTURE feedback buffer in RGBA mode (x, y, z, four colour values and four
// texture values a vertex): every polygon of three or more vertices becomes a fan of triangles in the model's
// coordinates, with s / q and t / q as texture coordinates. Points, lines, bitmaps, pixel copies and pass-through
// markers are passed over. Returns false, with what was read so far, at a token it does not know or a buffer that
// ends inside a primitive.
bool readFeedbackSurface(const float *buffer, size_t count, const FeedbackView &view,
                         std::vector<SurfaceTriangle> &triangles);
