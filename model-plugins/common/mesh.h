// The indexed triangle mesh the shipped model plugins read their formats into, draw and report to the program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
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
    // The poses of a model that moves, one after the other, each as many vertices as the mesh: positions and
    // unit normals, x, y, z per vertex, and a name per pose ("run3"). Empty for a still model, whose one pose is
    // the arrays above; for a moving one, the arrays above hold the pose drawn next (blendMeshPose).
    std::vector<float> posePositions;
    std::vector<float> poseNormals;
    std::vector<std::string> poseNames;
    // Where the model file's origin lies in the coordinates the mesh is drawn with: placing the model for the view
    // moves it, and Mirror on the model mirrors across the file's own plane x = 0, not the drawn one.
    float origin[3] = {0.0f, 0.0f, 0.0f};
};

size_t meshVertexCount(const Mesh &mesh);
size_t meshTriangleCount(const Mesh &mesh);
// The poses the mesh holds: at least 1 (a still mesh is its own pose).
size_t meshPoseCount(const Mesh &mesh);

// Sets the drawn arrays to pose `pose`: a fraction between two poses is their linear blend, vertex by vertex,
// normals blended and made unit length again. Clamped to the poses there are (not a number: pose 0). Nothing
// for a still mesh.
void blendMeshPose(Mesh &mesh, float pose);
