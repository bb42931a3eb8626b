// The Win32/GL side the shipped model plugins share: file reading, vertex-array drawing, the coordinate table.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "model-plugins/common/mesh_plugin.h"

namespace {

// Corner for models without texture coordinates: every corner of their table points here, so a caller
// that asks anyway gets triangles that all collapse onto one texel.
const float NO_TEXCOORD[2] = {0.0f, 0.0f};

} // namespace

bool readModelFile(const char *path, size_t maxBytes, std::vector<uint8_t> &bytes)
{
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    uint8_t chunk[65536];
    bool ok = true;
    size_t got;
    while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        ok = got <= maxBytes - bytes.size();
        if (ok)
            bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ok = ok && std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// White, so that the texture shows its own colours under the lighting (GL_COLOR_MATERIAL makes the
// current colour the material). The enable flags and the current colour are restored by the attribute stack.
void drawMesh(const VmrMesh &mesh)
{
    GLsizei corners = GLsizei(mesh.indices.size());
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    if (mesh.hasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords.data());
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glDrawElements(GL_TRIANGLES, corners, GL_UNSIGNED_INT, mesh.indices.data());
    if (mesh.hasTexCoords)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopAttrib();
}

// One block holds the pointer array followed by the records, so the table is released with one free.
TexCoordTriangle **buildTexCoordTable(const VmrMesh &mesh)
{
    size_t count = vmrTriangleCount(mesh);
    if (count == 0)
        return nullptr;
    void *block = std::malloc(count * (sizeof(TexCoordTriangle *) + sizeof(TexCoordTriangle)));
    if (block == nullptr)
        return nullptr;
    TexCoordTriangle **table = static_cast<TexCoordTriangle **>(block);
    TexCoordTriangle *records = reinterpret_cast<TexCoordTriangle *>(table + count);
    for (size_t t = 0; t < count; ++t) {
        for (int k = 0; k < 3; ++k) {
            size_t vertex = mesh.indices[t * 3 + k];
            records[t].corner[k] = mesh.hasTexCoords ? &mesh.texCoords[vertex * 2] : NO_TEXCOORD;
        }
        table[t] = &records[t];
    }
    return table;
}

void freeTexCoordTable(TexCoordTriangle **table)
{
    std::free(table);
}
