// What the fuzzers of the model readers share: a mesh to start from that a refusal must empty, and the checks
// every mesh the OBJ and MD2 readers accept must pass, placed in the view or not.
#pragma once
#include <cmath>
#include <vector>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/vmr/vmr_format.h"
#include "tests/fuzz/fuzz_common.h"

// A mesh with something in every array.
inline Mesh filledMesh()
{
    Mesh mesh;
    mesh.positions = {1, 2, 3};
    mesh.normals = {0, 0, 1};
    mesh.texCoords = {0.5f, 0.5f};
    mesh.indices = {0, 0, 0};
    mesh.hasTexCoords = true;
    return mesh;
}

inline bool meshEmpty(const Mesh &mesh)
{
    return mesh.positions.empty() && mesh.normals.empty() && mesh.texCoords.empty() && mesh.indices.empty() &&
           !mesh.hasTexCoords;
}

// The .vmr writer accepts it, every normal has unit length and every vertex is used.
FUZZ_HARNESS inline void checkBuiltMesh(const Mesh &mesh)
{
    FUZZ_CHECK(checkVmrMesh(mesh) == VmrError::None, "an accepted mesh the writer refuses");
    size_t vertices = meshVertexCount(mesh);
    for (size_t v = 0; v < vertices; ++v) {
        const float *n = &mesh.normals[v * 3];
        double length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
        FUZZ_CHECK(std::fabs(length - 1.0) < 1e-5, "a normal that is not of unit length");
    }
    std::vector<bool> used(vertices, false);
    for (uint32_t index : mesh.indices)
        used[index] = true;
    for (bool u : used)
        FUZZ_CHECK(u, "a vertex no triangle uses");
}

// After fitting, every coordinate lies within the cube of side 20 and the longest side is 20 (or 0).
FUZZ_HARNESS inline void checkFitted(Mesh mesh)
{
    fitMeshInCube(mesh, MODEL_FIT_SIDE);
    size_t count = mesh.positions.size() / 3;
    if (count == 0)
        return;
    float low[3] = {mesh.positions[0], mesh.positions[1], mesh.positions[2]};
    float high[3] = {low[0], low[1], low[2]};
    for (size_t v = 0; v < count; ++v) {
        for (int i = 0; i < 3; ++i) {
            float p = mesh.positions[v * 3 + i];
            FUZZ_CHECK(std::isfinite(p) && std::fabs(p) <= 10.0f, "a fitted coordinate outside the cube");
            low[i] = std::fmin(low[i], p);
            high[i] = std::fmax(high[i], p);
        }
    }
    float extent = std::fmax(high[0] - low[0], std::fmax(high[1] - low[1], high[2] - low[2]));
    FUZZ_CHECK(extent == 0.0f || std::fabs(extent - 20.0f) < 1e-3f, "the longest side is not fitted to 20");
}
