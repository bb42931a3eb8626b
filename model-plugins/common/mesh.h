// The indexed triangle mesh the shipped model plugins read their formats into, draw and report to the program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Caps on every mesh: the triangle count goes to the program as an int, and a bad count in a file must not ask
// for gigabytes.
enum : uint32_t {
    MESH_MAX_VERTICES = 1u << 24,
    MESH_MAX_TRIANGLES = 1u << 24,
};

// An indexed triangle mesh as OpenGL vertex arrays want it: one index per corner, shared by the
// position, normal and texture coordinate of that vertex.
struct Mesh {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> normals;    // x, y, z per vertex
    std::vector<float> texCoords;  // u, v per vertex when hasTexCoords, otherwise empty
    std::vector<uint32_t> indices; // three per triangle, counter-clockwise seen from outside
    bool hasTexCoords = false;
};

size_t meshVertexCount(const Mesh &mesh);
size_t meshTriangleCount(const Mesh &mesh);
