// md2.dll: the shipped Quake II model plugin. Reads frame 0 of .md2 models and fits it into the default view,
// and finds the skin the file names; the exports and drawing are the shared mesh plugin's.
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/md2/md2_format.h"

std::string decodeModelFile(const char *path, const std::vector<uint8_t> &bytes, Mesh &mesh, std::string &texture)
{
    std::string refusal = fitUnlessRefused(decodeMd2(bytes.data(), bytes.size(), mesh).reason, mesh);
    if (refusal.empty())
        texture = findExistingFile(path, md2SkinCandidates(readMd2SkinNames(bytes.data(), bytes.size())));
    return refusal;
}

// Larger files are refused unread: many times the largest model the format's own engine could hold.
size_t modelFileLimit()
{
    return size_t(16) << 20;
}

const char *pluginDescription()
{
    return "MD2 model plugin (md2.dll) 1.0\n"
           "Loads Quake II models (*.md2): the first frame's triangles\n"
           "and skin coordinates; centred and scaled to a cube of side 20.";
}

const char *pluginFileFilter()
{
    return "Quake II model (*.md2)\0*.md2\0";
}
