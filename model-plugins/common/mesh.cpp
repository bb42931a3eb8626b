// The shared mesh's counts.
#include "model-plugins/common/mesh.h"

size_t meshVertexCount(const Mesh &mesh)
{
    return mesh.positions.size() / 3;
}

size_t meshTriangleCount(const Mesh &mesh)
{
    return mesh.indices.size() / 3;
}
