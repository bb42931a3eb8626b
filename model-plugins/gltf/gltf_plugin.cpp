// gltf.dll: the shipped glTF 2.0 model plugin. Reads .gltf and .glb models through the kept tinygltf library,
// fits them into the default view, and names or hands over the base-colour picture; the exports and drawing
// are the shared mesh plugin's.
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/common/model_paths.h"
#include "model-plugins/gltf/gltf_format.h"

std::string decodeModelFile(const char *path, const std::vector<uint8_t> &bytes, Mesh &mesh, ModelPicture &picture)
{
    GltfPicture found;
    std::string refusal = decodeGltf(folderOfPath(path), bytes.data(), bytes.size(), mesh, found);
    refusal = fitUnlessRefused(refusal.c_str(), mesh);
    if (!refusal.empty())
        return refusal;
    // A named picture that is missing is no picture; one held in the file always is.
    if (!found.file.empty())
        picture.file = findExistingFile(path, {found.file});
    picture.bytes = std::move(found.bytes);
    return refusal;
}

size_t modelFileLimit()
{
    return GLTF_FILE_LIMIT;
}

const char *pluginDescription()
{
    return "glTF model plugin (gltf.dll) 1.0\n"
           "Loads glTF 2.0 models (*.gltf, *.glb) in their bind pose;\n"
           "centred and scaled to a cube of side 20.";
}

const char *pluginFileFilter()
{
    return "glTF 2.0 (*.gltf;*.glb)\0*.gltf;*.glb\0";
}
