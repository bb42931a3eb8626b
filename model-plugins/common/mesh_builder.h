// Building an indexed mesh from faces whose corners name a position, a texture coordinate and a normal each
// on its own (as OBJ and MD2 files do), and placing a mesh in the view. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model-plugins/common/mesh.h"

// A corner's texture coordinate or normal that it does not name.
constexpr uint32_t CORNER_NONE = UINT32_MAX;

// The elements read so far and the mesh vertices and triangles made of them. Fill positions, uvs and
// normals, then add corners and triangles. Growing the arrays may throw std::bad_alloc.
struct MeshBuilder {
    std::vector<float> positions;   // x, y, z per position
    std::vector<float> uvs;         // u, v per texture coordinate
    std::vector<float> normals;     // x, y, z per normal (any length)
    size_t maxVertices = MESH_MAX_VERTICES;
    size_t maxTriangles = MESH_MAX_TRIANGLES;

    std::vector<uint32_t> corners;  // per mesh vertex: position, uv + 1, normal + 1 (0: none)
    std::vector<uint32_t> slots;    // open-addressing table of mesh vertex + 1 by corner; 0 is free
    std::vector<uint32_t> indices;  // three mesh vertices per triangle
    bool everyCornerHasUv = true;
};

// The mesh vertex of the corner (position, uv, normal): the one an equal corner made before, or a new one.
// The indices must name elements of the builder (uv and normal may be CORNER_NONE). False, and nothing
// added, when a new vertex would pass maxVertices.
bool addMeshCorner(MeshBuilder &b, uint32_t position, uint32_t uv, uint32_t normal, uint32_t &vertex);

// False, and nothing added, when the triangle would pass maxTriangles.
bool addMeshTriangle(MeshBuilder &b, uint32_t v0, uint32_t v1, uint32_t v2);

// Moves the vertices and triangles into mesh: texture coordinates only when every corner named one; given
// normals normalised; a vertex without one, or with one of no length, takes the smooth normal of its
// position (the area-weighted sum of the triangles around it), and (0, 0, 1) when that has no length either.
// Triangles are taken to wind counter-clockwise seen from outside.
void buildMesh(MeshBuilder &b, Mesh &mesh);

// After buildMesh, for a model that moves: appends a pose to mesh.posePositions and poseNormals, its positions
// given per builder position as b.positions holds them (the same count), its normals the smooth ones of those
// positions. Call once per pose, in order.
void addMeshPose(const MeshBuilder &b, const std::vector<float> &positions, Mesh &mesh);

// Moves and scales the mesh uniformly so that its bounding box is centred on the origin and its
// longest side is `side`. Normals stay as they are (a uniform scale does not turn them). A mesh
// whose vertices all coincide is only moved. Its poses, if any, move and scale with it, and its origin follows the
// file's origin.
void fitMeshInCube(Mesh &mesh, float side);

// The camera looks at the origin from 50 units away: a model fitted into a cube of this side there fills the
// view as the default box does, whatever units it was made in.
constexpr float MODEL_FIT_SIDE = 20.0f;
