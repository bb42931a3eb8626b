// Indexed meshes from separately indexed corners: corners deduplicated through a hash table, smooth normals.
#include "model-plugins/common/mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// In a corner's uv and normal slots: none named. Named ones are stored as index + 1.
const uint32_t NOT_GIVEN = 0;

uint64_t hashCorner(const uint32_t *corner)
{
    uint64_t h = (uint64_t(corner[0]) << 32 | corner[1]) ^ (uint64_t(corner[2]) * 0x9E3779B97F4A7C15ull);
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 31);
}

bool sameCorner(const uint32_t *a, const uint32_t *b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// The slot holding this corner's vertex, or the free slot where it belongs.
size_t findSlot(const MeshBuilder &b, const uint32_t *corner)
{
    size_t mask = b.slots.size() - 1;
    size_t i = size_t(hashCorner(corner)) & mask;
    while (b.slots[i] != 0 && !sameCorner(&b.corners[size_t(b.slots[i] - 1) * 3], corner))
        i = (i + 1) & mask;
    return i;
}

// Rebuilds the table at a new size (a power of two, more than twice the vertex count).
void resizeSlots(MeshBuilder &b, size_t capacity)
{
    b.slots.assign(capacity, 0);
    size_t count = b.corners.size() / 3;
    for (size_t vertex = 0; vertex < count; ++vertex)
        b.slots[findSlot(b, &b.corners[vertex * 3])] = static_cast<uint32_t>(vertex + 1);
}

// Writes the unit vector of (x, y, z); false when it has no length. Double precision, so that no
// square of a float can overflow or vanish.
bool normalise(double x, double y, double z, float *out)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length))
        return false;
    out[0] = static_cast<float>(x / length);
    out[1] = static_cast<float>(y / length);
    out[2] = static_cast<float>(z / length);
    return true;
}

double largestCoordinate(const std::vector<float> &values)
{
    double largest = 0.0;
    for (float value : values)
        largest = std::max(largest, std::fabs(double(value)));
    return largest;
}

// Per position, the sum of the normals of the triangles around it, each as long as twice the
// triangle's area, so large faces weigh more than slivers. Coordinates are divided by the largest one
// first, so the sums stay small whatever the model's units. `positions` holds x, y, z per position, corners the
// position of each mesh vertex at every third entry, indices three mesh vertices per triangle.
std::vector<float> smoothNormals(const std::vector<float> &positions, const std::vector<uint32_t> &corners,
                                 const std::vector<uint32_t> &indices)
{
    std::vector<float> sum(positions.size(), 0.0f);
    double unit = largestCoordinate(positions);
    if (!(unit > 0.0))
        return sum;
    for (size_t t = 0; t < indices.size(); t += 3) {
        size_t at[3];
        double p[3][3];
        for (int k = 0; k < 3; ++k) {
            at[k] = size_t(corners[size_t(indices[t + k]) * 3]) * 3;
            for (int i = 0; i < 3; ++i)
                p[k][i] = positions[at[k] + i] / unit;
        }
        double e[2][3];
        for (int i = 0; i < 3; ++i) {
            e[0][i] = p[1][i] - p[0][i];
            e[1][i] = p[2][i] - p[0][i];
        }
        double n[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
                       e[0][0] * e[1][1] - e[0][1] * e[1][0]};
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i)
                sum[at[k] + i] += static_cast<float>(n[i]);
    }
    return sum;
}

// The unit normal of a vertex from its position's sum, (0, 0, 1) when that has no length.
void setSmoothNormal(const float *sum, float *out)
{
    if (!normalise(sum[0], sum[1], sum[2], out)) {
        out[0] = 0.0f;
        out[1] = 0.0f;
        out[2] = 1.0f;
    }
}

void setNormals(const MeshBuilder &b, Mesh &mesh)
{
    size_t count = b.corners.size() / 3;
    std::vector<uint32_t> missing;
    for (size_t v = 0; v < count; ++v) {
        uint32_t given = b.corners[v * 3 + 2];
        const float *n = given != NOT_GIVEN ? &b.normals[size_t(given - 1) * 3] : nullptr;
        if (n == nullptr || !normalise(n[0], n[1], n[2], &mesh.normals[v * 3]))
            missing.push_back(static_cast<uint32_t>(v));
    }
    if (missing.empty())
        return;
    std::vector<float> smooth = smoothNormals(b.positions, b.corners, b.indices);
    for (uint32_t v : missing)
        setSmoothNormal(&smooth[size_t(b.corners[size_t(v) * 3]) * 3], &mesh.normals[size_t(v) * 3]);
}

} // namespace

bool addMeshCorner(MeshBuilder &b, uint32_t position, uint32_t uv, uint32_t normal, uint32_t &vertex)
{
    const uint32_t corner[3] = {position, uv == CORNER_NONE ? NOT_GIVEN : uv + 1,
                                normal == CORNER_NONE ? NOT_GIVEN : normal + 1};
    if (b.slots.empty())
        resizeSlots(b, 64);
    size_t slot = findSlot(b, corner);
    if (b.slots[slot] != 0) {
        vertex = b.slots[slot] - 1;
        return true;
    }
    size_t count = b.corners.size() / 3;
    if (count >= b.maxVertices)
        return false;
    b.corners.insert(b.corners.end(), corner, corner + 3);
    vertex = static_cast<uint32_t>(count);
    if ((count + 1) * 2 > b.slots.size())
        resizeSlots(b, b.slots.size() * 2);
    else
        b.slots[slot] = vertex + 1;
    if (corner[1] == NOT_GIVEN)
        b.everyCornerHasUv = false;
    return true;
}

bool addMeshTriangle(MeshBuilder &b, uint32_t v0, uint32_t v1, uint32_t v2)
{
    if (b.indices.size() / 3 >= b.maxTriangles)
        return false;
    const uint32_t triangle[3] = {v0, v1, v2};
    b.indices.insert(b.indices.end(), triangle, triangle + 3);
    return true;
}

void buildMesh(MeshBuilder &b, Mesh &mesh)
{
    size_t count = b.corners.size() / 3;
    mesh.hasTexCoords = count > 0 && b.everyCornerHasUv;
    mesh.positions.resize(count * 3);
    mesh.normals.resize(count * 3);
    mesh.texCoords.resize(mesh.hasTexCoords ? count * 2 : 0);
    for (size_t v = 0; v < count; ++v) {
        const float *p = &b.positions[size_t(b.corners[v * 3]) * 3];
        std::copy(p, p + 3, &mesh.positions[v * 3]);
        if (mesh.hasTexCoords) {
            const float *uv = &b.uvs[size_t(b.corners[v * 3 + 1] - 1) * 2];
            std::copy(uv, uv + 2, &mesh.texCoords[v * 2]);
        }
    }
    setNormals(b, mesh);
    mesh.indices = std::move(b.indices);
}

void addMeshPose(const MeshBuilder &b, const std::vector<float> &positions, Mesh &mesh)
{
    const size_t count = b.corners.size() / 3;
    const std::vector<float> smooth = smoothNormals(positions, b.corners, mesh.indices);
    const size_t start = mesh.posePositions.size();
    mesh.posePositions.resize(start + count * 3);
    mesh.poseNormals.resize(start + count * 3);
    for (size_t v = 0; v < count; ++v) {
        const size_t at = size_t(b.corners[v * 3]) * 3;
        std::copy(&positions[at], &positions[at] + 3, &mesh.posePositions[start + v * 3]);
        setSmoothNormal(&smooth[at], &mesh.poseNormals[start + v * 3]);
    }
}

void fitMeshInCube(Mesh &mesh, float side)
{
    size_t count = mesh.positions.size() / 3;
    if (count == 0)
        return;
    double low[3], high[3];
    for (int i = 0; i < 3; ++i)
        low[i] = high[i] = mesh.positions[i];
    for (size_t v = 1; v < count; ++v) {
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], double(mesh.positions[v * 3 + i]));
            high[i] = std::max(high[i], double(mesh.positions[v * 3 + i]));
        }
    }
    double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    double scale = extent > 0.0 ? side / extent : 1.0;
    // Every pose moves with the drawn one, so a moving model keeps its place from pose to pose.
    for (std::vector<float> *coordinates : {&mesh.positions, &mesh.posePositions}) {
        float *p = coordinates->data();
        for (size_t c = 0; c < coordinates->size(); ++c) {
            double centred = p[c] - (low[c % 3] + high[c % 3]) / 2;
            p[c] = static_cast<float>(centred * scale);
        }
    }
    for (int i = 0; i < 3; ++i)
        mesh.origin[i] = static_cast<float>((mesh.origin[i] - (low[i] + high[i]) / 2) * scale);
}
