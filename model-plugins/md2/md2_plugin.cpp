// md2.dll: the shipped Quake II model plugin. Reads .md2 models with all their frames, fits them into the default
// view, and finds the skin the file names; the exports, drawing and the blend of frames are the shared plugin's.
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/md2/md2_format.h"

std::string decodeModelFile(const char *path, const std::vector<uint8_t> &bytes, Mesh &mesh, ModelPicture &picture)
{
    std::string refusal = fitUnlessRefused(decodeMd2(bytes.data(), bytes.size(), mesh).reason, mesh);
    if (refusal.empty())
        picture.file = findExistingFile(path, md2SkinCandidates(readMd2SkinNames(bytes.data(), bytes.size())));
    return refusal;
}

// Larger files are refused unread: many times the largest model the format's own engine could hold.
size_t modelFileLimit()
{
    return size_t(16) << 20;
}

const char *pluginDescription()
{
    return "MD2 model plugin (md2.dll) 1.1\n"
           "Loads Quake II models (*.md2): every frame with its name,\n"
           "triangles and skin coordinates; centred and scaled to a cube of side 20.";
}

const char *pluginFileFilter()
{
    return "Quake II model (*.md2)\0*.md2\0";
}
