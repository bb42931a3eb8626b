// Generators of the .vmr test and default meshes: the textured box, a UV sphere, a flat grid.
#pragma once
#include "model-plugins/vmr/vmr_format.h"

// Half the side of the default box: a cube of side 20 fills the 45-degree view from distance 50
// (visible half-height about 20.7 at the model's origin) and still fits while it turns.
constexpr float BOX_HALF_SIZE = 10.0f;
// Segment and cell limits accepted by the generators: both stay well under the file format's caps.
enum : int { SPHERE_MIN_SEGMENTS = 3, GRID_MAX_CELLS = 2048, SPHERE_MAX_SEGMENTS = 2048 };

// A cube centred on the origin: 24 vertices (four per face, so each face has its own outward normal and
// texture square), 12 counter-clockwise triangles. The texture coordinates unfold the cube as a cross of
// 64 x 64 texel squares over the 256 x 256 texture, v = 0 at the bottom row, rows counted from the top:
// row 1 (v 0.75..1) top face in column 1; row 2 (v 0.5..0.75) left, front (+z), right, back;
// row 3 (v 0.25..0.5) bottom face in column 1. The lowest quarter of the texture is unused.
Mesh makeBoxMesh(float halfSize);

// The shipped default model, data/_test_boite_tex.vmr.
Mesh makeDefaultBox();

// The default box without texture coordinates.
Mesh makeUntexturedBox();

// The default box with its texture coordinates stretched to -0.25..1.25, partly outside the texture.
Mesh makeOutsideBox();

// A sphere of the given radius: segments around the vertical axis (SPHERE_MIN_SEGMENTS up to
// SPHERE_MAX_SEGMENTS), max(2, segments / 2) rings from the south pole up, u around and v upwards
// both 0..1, 2 * segments * (rings - 1) triangles. Segments out of range are clamped.
Mesh makeSphereMesh(int segments, float radius);

// A flat square of cells x cells quads (1 up to GRID_MAX_CELLS, clamped) in the z = 0 plane facing +z,
// sides 2 * halfSize, texture coordinates spanning 0..1; 2 * cells * cells triangles.
Mesh makeGridMesh(int cells, float halfSize);
