// vmr.dll: the shipped model plugin. Loads .vmr models and draws them with OpenGL 1.1 vertex arrays.
#include <new>
#include <type_traits>
#include <vector>

#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/vmr/vmr_format.h"
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
VmrMesh vmrModel;

// The largest file a valid model can be: reading stops there, so a huge wrong file is not slurped whole.
const size_t MAX_FILE_BYTES = VMR_HEADER_BYTES + size_t(VMR_MAX_VERTICES) * 8 * sizeof(float) +
                              size_t(VMR_MAX_TRIANGLES) * 3 * sizeof(uint32_t);

// Replaces the model with the file's, or with nothing when the file cannot be read or is not a valid model.
void loadModel(const char *path)
{
    vmrModel = VmrMesh();
    if (path == nullptr)
        return;
    try {
        std::vector<uint8_t> bytes;
        if (readModelFile(path, MAX_FILE_BYTES, bytes))
            decodeVmr(bytes.data(), bytes.size(), vmrModel);
    } catch (const std::bad_alloc &) {
        vmrModel = VmrMesh();
    }
}

} // namespace

extern "C" {

int sk_load(const char *path)
{
    loadModel(path);
    return vmrModel.positions.empty() ? 0 : 1;
}

int sk_draw(void)
{
    if (vmrModel.indices.empty())
        return 0;
    drawMesh(vmrModel);
    return 1;
}

int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount != nullptr)
        *triangleCount = int(vmrTriangleCount(vmrModel));
    if (hasTexCoords != nullptr)
        *hasTexCoords = vmrModel.hasTexCoords ? 1 : 0;
    return 1;
}

TexCoordTriangle **sk_gettexcoord(void)
{
    return buildTexCoordTable(vmrModel);
}

int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount; // the block knows its own size
    freeTexCoordTable(table);
    return 1;
}

const char *sk_info(void)
{
    return "VMR model plugin (vmr.dll) 1.0\n"
           "Loads Vantrel Morvane models (*.vmr), format version 1:\n"
           "indexed triangles with normals and texture coordinates.";
}

} // extern "C"
