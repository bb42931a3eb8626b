// vmr.dll: the shipped model plugin. Loads .vmr models and draws them with OpenGL 1.1 vertex arrays.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <vector>

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

// Corner for models without texture coordinates: every corner of their table points here, so a caller
// that asks anyway gets triangles that all collapse onto one texel.
const float NO_TEXCOORD[2] = {0.0f, 0.0f};

bool readModelFile(const char *path, std::vector<uint8_t> &bytes)
{
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    uint8_t chunk[65536];
    bool ok = true;
    size_t got;
    while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        ok = got <= MAX_FILE_BYTES - bytes.size();
        if (ok)
            bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ok = ok && std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// Replaces the model with the file's, or with nothing when the file cannot be read or is not a valid model.
void loadModel(const char *path)
{
    vmrModel = VmrMesh();
    if (path == nullptr)
        return;
    try {
        std::vector<uint8_t> bytes;
        if (readModelFile(path, bytes))
            decodeVmr(bytes.data(), bytes.size(), vmrModel);
    } catch (const std::bad_alloc &) {
        vmrModel = VmrMesh();
    }
}

// Draws the model in white so that the texture shows its own colours under the lighting
// (GL_COLOR_MATERIAL makes the current colour the material). A model without texture coordinates
// is drawn untextured. The enable flags and the current colour are restored afterwards.
void drawModel()
{
    GLsizei corners = GLsizei(vmrModel.indices.size());
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vmrModel.positions.data());
    glNormalPointer(GL_FLOAT, 0, vmrModel.normals.data());
    if (vmrModel.hasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, vmrModel.texCoords.data());
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glDrawElements(GL_TRIANGLES, corners, GL_UNSIGNED_INT, vmrModel.indices.data());
    if (vmrModel.hasTexCoords)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopAttrib();
}

// One block holds the pointer array followed by the records, so the table is released with one free.
TexCoordTriangle **buildTexCoordTable()
{
    size_t count = vmrTriangleCount(vmrModel);
    if (count == 0)
        return nullptr;
    void *block = std::malloc(count * (sizeof(TexCoordTriangle *) + sizeof(TexCoordTriangle)));
    if (block == nullptr)
        return nullptr;
    TexCoordTriangle **table = static_cast<TexCoordTriangle **>(block);
    TexCoordTriangle *records = reinterpret_cast<TexCoordTriangle *>(table + count);
    for (size_t t = 0; t < count; ++t) {
        for (int k = 0; k < 3; ++k) {
            uint32_t vertex = vmrModel.indices[t * 3 + k];
            records[t].corner[k] = vmrModel.hasTexCoords ? &vmrModel.texCoords[vertex * 2] : NO_TEXCOORD;
        }
        table[t] = &records[t];
    }
    return table;
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
    drawModel();
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
    return buildTexCoordTable();
}

int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount; // the block knows its own size
    std::free(table);
    return 1;
}

const char *sk_info(void)
{
    return "VMR model plugin (vmr.dll) 1.0\n"
           "Loads Vantrel Morvane models (*.vmr), format version 1:\n"
           "indexed triangles with normals and texture coordinates.";
}

} // extern "C"
