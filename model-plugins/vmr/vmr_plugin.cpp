// vmr.dll: the shipped model plugin. Loads .vmr models; the exports and drawing are the shared mesh plugin's.
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/vmr/vmr_format.h"

// The format names no texture: the program looks for one itself.
std::string decodeModelFile(const char *, const std::vector<uint8_t> &bytes, Mesh &mesh, ModelPicture &)
{
    VmrError error = decodeVmr(bytes.data(), bytes.size(), mesh);
    return error == VmrError::None ? std::string() : vmrErrorText(error);
}

// The largest file a valid model can be.
size_t modelFileLimit()
{
    return VMR_HEADER_BYTES + size_t(VMR_MAX_VERTICES) * 8 * sizeof(float) +
           size_t(VMR_MAX_TRIANGLES) * 3 * sizeof(uint32_t);
}

const char *pluginDescription()
{
    return "VMR model plugin (vmr.dll) 1.0\n"
           "Loads Vantrel Morvane models (*.vmr), format version 1:\n"
           "indexed triangles with normals and texture coordinates.";
}

const char *pluginFileFilter()
{
    return "Vantrel Morvane (*.vmr)\0*.vmr\0";
}
