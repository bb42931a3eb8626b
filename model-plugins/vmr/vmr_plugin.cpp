// vmr.dll: the shipped model plugin. Loads .vmr models; the exports and drawing are the shared mesh plugin's.
#include <vector>

#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/vmr/vmr_format.h"

// The largest file a valid model can be: reading stops there, so a huge wrong file is not slurped whole.
static const size_t MAX_FILE_BYTES = VMR_HEADER_BYTES + size_t(VMR_MAX_VERTICES) * 8 * sizeof(float) +
                                     size_t(VMR_MAX_TRIANGLES) * 3 * sizeof(uint32_t);

bool loadMeshFile(const char *path, VmrMesh &mesh)
{
    std::vector<uint8_t> bytes;
    return readModelFile(path, MAX_FILE_BYTES, bytes) &&
           decodeVmr(bytes.data(), bytes.size(), mesh) == VmrError::None;
}

const char *pluginDescription()
{
    return "VMR model plugin (vmr.dll) 1.0\n"
           "Loads Vantrel Morvane models (*.vmr), format version 1:\n"
           "indexed triangles with normals and texture coordinates.";
}
