// obj.dll: the shipped Wavefront OBJ model plugin. Reads .obj models and fits them into the default view;
// the exports and drawing are the shared mesh plugin's.
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/obj/obj_format.h"

std::string decodeModelFile(const std::vector<uint8_t> &bytes, Mesh &mesh)
{
    return fitUnlessRefused(decodeObj(bytes.data(), bytes.size(), mesh).reason, mesh);
}

// Larger files are refused unread: far beyond any model painted on a 256 x 256 texture, and the parser's caps
// would refuse most of them anyway after much work.
size_t modelFileLimit()
{
    return size_t(256) << 20;
}

const char *pluginDescription()
{
    return "OBJ model plugin (obj.dll) 1.0\n"
           "Loads Wavefront OBJ models (*.obj): v, vt, vn and f statements,\n"
           "polygons as fans; centred and scaled to a cube of side 20.";
}

const char *pluginFileFilter()
{
    return "Wavefront OBJ (*.obj)\0*.obj\0";
}
