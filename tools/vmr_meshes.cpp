// Generators of the .vmr test and default meshes: the textured box, a UV sphere, a flat grid.
#include "tools/vmr_meshes.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec3 {
    float x, y, z;
};

// One face of the box: outward normal, corners bottom-left, bottom-right, top-right, top-left as seen
// from outside (as sign multiples of the half size), and the cross cell its texture square occupies
// (column from the left, row from the bottom, in 64-texel steps).
struct BoxFace {
    Vec3 normal;
    Vec3 corners[4];
    int column, row;
};

// Each face's texture "up" runs along the edge it shares with the front face in the unfolded cross,
// so neighbouring squares of the cross meet along the cube's real edges.
const BoxFace BOX_FACES[6] = {
    {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}, 1, 2},      // front
    {{1, 0, 0}, {{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}}, 2, 2},      // right
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}, 3, 2}, // back
    {{-1, 0, 0}, {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}, 0, 2}, // left
    {{0, 1, 0}, {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}, 1, 3},      // top
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}, 1, 1}, // bottom
};
constexpr float CROSS_CELL = 0.25f; // 64 of 256 texels

void addVertex(Mesh &mesh, Vec3 position, Vec3 normal, float u, float v)
{
    mesh.positions.insert(mesh.positions.end(), {position.x, position.y, position.z});
    mesh.normals.insert(mesh.normals.end(), {normal.x, normal.y, normal.z});
    if (mesh.hasTexCoords)
        mesh.texCoords.insert(mesh.texCoords.end(), {u, v});
}

void addTriangle(Mesh &mesh, uint32_t a, uint32_t b, uint32_t c)
{
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
}

// Two counter-clockwise triangles of the quad a, b, c, d (counter-clockwise from outside).
void addQuad(Mesh &mesh, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    addTriangle(mesh, a, b, c);
    addTriangle(mesh, a, c, d);
}

} // namespace

Mesh makeBoxMesh(float halfSize)
{
    static const float CORNER_U[4] = {0, 1, 1, 0};
    static const float CORNER_V[4] = {0, 0, 1, 1};
    Mesh mesh;
    mesh.hasTexCoords = true;
    for (const BoxFace &face : BOX_FACES) {
        uint32_t first = uint32_t(meshVertexCount(mesh));
        for (int k = 0; k < 4; ++k) {
            Vec3 c = face.corners[k];
            Vec3 position = {c.x * halfSize, c.y * halfSize, c.z * halfSize};
            addVertex(mesh, position, face.normal, (face.column + CORNER_U[k]) * CROSS_CELL,
                      (face.row + CORNER_V[k]) * CROSS_CELL);
        }
        addQuad(mesh, first, first + 1, first + 2, first + 3);
    }
    return mesh;
}

Mesh makeDefaultBox()
{
    return makeBoxMesh(BOX_HALF_SIZE);
}

Mesh makeUntexturedBox()
{
    Mesh mesh = makeDefaultBox();
    mesh.texCoords.clear();
    mesh.hasTexCoords = false;
    return mesh;
}

Mesh makeOutsideBox()
{
    Mesh mesh = makeDefaultBox();
    for (float &t : mesh.texCoords)
        t = t * 1.5f - 0.25f;
    return mesh;
}

Mesh makeSphereMesh(int segments, float radius)
{
    const double PI = 3.14159265358979323846;
    int around = std::clamp(segments, int(SPHERE_MIN_SEGMENTS), int(SPHERE_MAX_SEGMENTS));
    int rings = std::max(2, around / 2);
    Mesh mesh;
    mesh.hasTexCoords = true;
    // Rows of around + 1 vertices: the seam column is doubled so u can run from 0 to 1.
    for (int j = 0; j <= rings; ++j) {
        double latitude = -PI / 2 + PI * j / rings;
        for (int i = 0; i <= around; ++i) {
            double longitude = 2 * PI * i / around;
            Vec3 n = {float(std::cos(latitude) * std::sin(longitude)), float(std::sin(latitude)),
                      float(std::cos(latitude) * std::cos(longitude))};
            addVertex(mesh, {n.x * radius, n.y * radius, n.z * radius}, n, float(i) / around,
                      float(j) / rings);
        }
    }
    // At the poles a quad collapses into one triangle: the collapsed half is left out.
    for (int j = 0; j < rings; ++j) {
        for (int i = 0; i < around; ++i) {
            uint32_t bl = uint32_t(j * (around + 1) + i), br = bl + 1;
            uint32_t tl = bl + uint32_t(around + 1), tr = tl + 1;
            if (j > 0)
                addTriangle(mesh, bl, br, tl);
            if (j < rings - 1)
                addTriangle(mesh, br, tr, tl);
        }
    }
    return mesh;
}

Mesh makeGridMesh(int cells, float halfSize)
{
    int n = std::clamp(cells, 1, int(GRID_MAX_CELLS));
    Mesh mesh;
    mesh.hasTexCoords = true;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            float u = float(i) / n, v = float(j) / n;
            addVertex(mesh, {(2 * u - 1) * halfSize, (2 * v - 1) * halfSize, 0}, {0, 0, 1}, u, v);
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            uint32_t bl = uint32_t(j * (n + 1) + i);
            uint32_t tl = bl + uint32_t(n + 1);
            addQuad(mesh, bl, bl + 1, tl + 1, tl);
        }
    }
    return mesh;
}
