// obj.dll: the shipped Wavefront OBJ model plugin. Reads .obj models and fits them into the default view, and
// finds the picture their materials are painted with; the exports and drawing are the shared mesh plugin's.
#include "model-plugins/common/mesh_plugin.h"

#include <algorithm>
#include <cstdint>

#include "model-plugins/common/model_paths.h"
#include "model-plugins/obj/obj_format.h"

namespace {

// Material libraries are a few kilobytes; anything far larger is no MTL file and is passed over unread.
const size_t MTL_FILE_LIMIT = size_t(4) << 20;

// What each library the model names defines; a missing, unreadable or oversized one defines nothing, so the
// model is still loaded, only without a texture from it.
std::vector<std::vector<MtlMaterial>> readLibraries(const char *objPath, const ObjMaterials &materials)
{
    const std::string folder = folderOfPath(objPath);
    std::vector<std::vector<MtlMaterial>> libraries;
    std::vector<uint8_t> bytes;
    for (const std::string &library : materials.libraries) {
        bool read = readSideFile(joinPath(folder, library), MTL_FILE_LIMIT, bytes);
        libraries.push_back(read ? readMtl(bytes.data(), bytes.size()) : std::vector<MtlMaterial>());
    }
    return libraries;
}

} // namespace

std::string decodeModelFile(const char *path, const std::vector<uint8_t> &bytes, Mesh &mesh, ModelPicture &picture)
{
    ObjMaterials materials;
    std::string refusal =
        fitUnlessRefused(decodeObj(bytes.data(), bytes.size(), mesh, ObjLimits(), &materials).reason, mesh);
    if (!refusal.empty())
        return refusal;
    const std::vector<std::vector<MtlMaterial>> libraries = readLibraries(path, materials);
    picture.file = findExistingFile(path, objTextureCandidates(materials, libraries));
    // One picture is painted: the user hears which, and how much of the model it covers, when there are more.
    const ObjPictureUse use = objPictureUse(materials, libraries);
    const size_t triangles = meshTriangleCount(mesh);
    if (!picture.file.empty() && triangles > 0) {
        picture.pictureCount = int(std::min<size_t>(use.pictures, INT32_MAX));
        picture.share = float(double(use.mostTriangles) / double(triangles));
    }
    return refusal;
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
