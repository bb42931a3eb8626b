// obj.dll: the shipped Wavefront OBJ model plugin. Reads .obj models and fits them into the default view;
// the exports and drawing are the shared mesh plugin's.
#include <vector>

#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/obj/obj_format.h"

// Larger files are refused unread: far beyond any model painted on a 256 x 256 texture, and the
// parser's caps would refuse most of them anyway after much work.
static const size_t MAX_FILE_BYTES = size_t(256) << 20;

// The camera looks at the origin from 50 units away: a model fitted into a cube of side 20 there fills
// the view as the default box does, whatever units it was made in.
static const float FIT_SIDE = 20.0f;

bool loadMeshFile(const char *path, VmrMesh &mesh)
{
    std::vector<uint8_t> bytes;
    if (!readModelFile(path, MAX_FILE_BYTES, bytes))
        return false;
    if (decodeObj(bytes.data(), bytes.size(), mesh).error != ObjError::None)
        return false;
    fitMeshInCube(mesh, FIT_SIDE);
    return true;
}

const char *pluginDescription()
{
    return "OBJ model plugin (obj.dll) 1.0\n"
           "Loads Wavefront OBJ models (*.obj): v, vt, vn and f statements,\n"
           "polygons as fans; centred and scaled to a cube of side 20.";
}
