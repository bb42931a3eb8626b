// The shared mesh's counts, and the blend between the poses of a model that moves.
#include "model-plugins/common/mesh.h"

#include <cmath>

size_t meshVertexCount(const Mesh &mesh)
{
    return mesh.positions.size() / 3;
}

size_t meshTriangleCount(const Mesh &mesh)
{
    return mesh.indices.size() / 3;
}

size_t meshPoseCount(const Mesh &mesh)
{
    const size_t floats = mesh.positions.size();
    const size_t poses = floats == 0 ? 0 : mesh.posePositions.size() / floats;
    return poses > 1 ? poses : 1;
}

// Every frame of a playing animation passes through here, so the loop is kept to plain arithmetic on floats.
void blendMeshPose(Mesh &mesh, float pose)
{
    const size_t poses = meshPoseCount(mesh);
    if (poses < 2 || mesh.poseNormals.size() != mesh.posePositions.size())
        return;
    const float last = float(poses - 1);
    const float at = pose > 0.0f ? (pose < last ? pose : last) : 0.0f; // NaN falls to 0
    const size_t first = size_t(at);
    const size_t second = first + 1 < poses ? first + 1 : first;
    const float t = at - float(first), keep = 1.0f - t;
    const size_t floats = mesh.positions.size();
    const float *p0 = &mesh.posePositions[first * floats], *p1 = &mesh.posePositions[second * floats];
    const float *n0 = &mesh.poseNormals[first * floats], *n1 = &mesh.poseNormals[second * floats];
    float *p = mesh.positions.data(), *n = mesh.normals.data();
    for (size_t i = 0; i < floats; ++i)
        p[i] = p0[i] * keep + p1[i] * t;
    for (size_t i = 0; i < floats; i += 3) {
        const float x = n0[i] * keep + n1[i] * t, y = n0[i + 1] * keep + n1[i + 1] * t,
                    z = n0[i + 2] * keep + n1[i + 2] * t;
        const float length = std::sqrt(x * x + y * y + z * z);
        // Opposite normals blended half way cancel out: keep the nearer pose's rather than divide by nothing.
        if (length > 1e-6f) {
            n[i] = x / length;
            n[i + 1] = y / length;
            n[i + 2] = z / length;
        } else {
            const float *from = t < 0.5f ? n0 : n1;
            n[i] = from[i];
            n[i + 1] = from[i + 1];
            n[i + 2] = from[i + 2];
        }
    }
}
