// obj.dll: the shipped Wavefront OBJ model plugin. Reads .obj models, fits them into the default view
// and draws them with OpenGL 1.1 vertex arrays.
#include <new>
#include <type_traits>
#include <vector>

#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/obj/obj_format.h"
#include "plugins/plugin_api.h"

extern "C" {
SK_EXPORT int sk_load(const char *path);
SK_EXPORT int sk_draw(void);
SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords);
SK_EXPORT TexCoordTriangle **sk_gettexcoord(void);
SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table);
SK_EXPORT const char *sk_info(void);
}

// The exports must keep the exact types the program casts GetProcAddress results to.
static_assert(std::is_same<decltype(&sk_load), SkLoadFn>::value, "sk_load");
static_assert(std::is_same<decltype(&sk_draw), SkDrawFn>::value, "sk_draw");
static_assert(std::is_same<decltype(&sk_getinfo), SkGetInfoFn>::value, "sk_getinfo");
static_assert(std::is_same<decltype(&sk_gettexcoord), SkGetTexCoordFn>::value, "sk_gettexcoord");
static_assert(std::is_same<decltype(&sk_freetexcoordtab), SkFreeTexCoordTabFn>::value, "sk_freetexcoordtab");
static_assert(std::is_same<decltype(&sk_info), SkInfoFn>::value, "sk_info");

namespace {

// The model in use; empty when none is loaded or the last load failed.
VmrMesh objModel;

// Larger files are refused unread: far beyond any model painted on a 256 x 256 texture, and the
// parser's caps would refuse most of them anyway after much work.
const size_t MAX_FILE_BYTES = size_t(256) << 20;

// The camera looks at the origin from 50 units away: a model fitted into a cube of side 20 there fills
// the view as the default box does, whatever units it was made in.
const float FIT_SIDE = 20.0f;

// Replaces the model with the file's, or with nothing when the file cannot be read or is refused.
void loadModel(const char *path)
{
    objModel = VmrMesh();
    if (path == nullptr)
        return;
    try {
        std::vector<uint8_t> bytes;
        if (readModelFile(path, MAX_FILE_BYTES, bytes) &&
            decodeObj(bytes.data(), bytes.size(), objModel).error == ObjError::None)
            fitMeshInCube(objModel, FIT_SIDE);
    } catch (const std::bad_alloc &) {
        objModel = VmrMesh();
    }
}

} // namespace

extern "C" {

int sk_load(const char *path)
{
    loadModel(path);
    return objModel.indices.empty() ? 0 : 1;
}

int sk_draw(void)
{
    if (objModel.indices.empty())
        return 0;
    drawMesh(objModel);
    return 1;
}

int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount != nullptr)
        *triangleCount = int(vmrTriangleCount(objModel));
    if (hasTexCoords != nullptr)
        *hasTexCoords = objModel.hasTexCoords ? 1 : 0;
    return 1;
}

TexCoordTriangle **sk_gettexcoord(void)
{
    return buildTexCoordTable(objModel);
}

int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount; // the block knows its own size
    freeTexCoordTable(table);
    return 1;
}

const char *sk_info(void)
{
    return "OBJ model plugin (obj.dll) 1.0\n"
           "Loads Wavefront OBJ models (*.obj): v, vt, vn and f statements,\n"
           "polygons as fans; centred and scaled to a cube of side 20.";
}

} // extern "C"
