/* sk_mesh: reading a model file, normals, placing, drawing and the texture-coordinate table for a Pelterine
 * model plugin (see sk_mesh.h). */
#include "sk_mesh.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Corner of every table entry of a mesh without texture coordinates. */
static const float noTexCoord[2] = {0.0f, 0.0f};

int sk_mesh_read_file(const char *path, size_t maxBytes, unsigned char **bytes, size_t *size, char *error,
                      size_t errorSize)
{
    FILE *file;
    unsigned char chunk[65536];
    unsigned char *block = NULL;
    size_t used = 0, got;
    const char *reason = NULL;

    *bytes = NULL;
    *size = 0;
    file = path ? fopen(path, "rb") : NULL;
    if (!file) {
        snprintf(error, errorSize, "the file cannot be opened");
        return 0;
    }
    /* In chunks, stopping at the cap: a huge wrong file is refused without being read whole. */
    while (!reason && (got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        unsigned char *grown;
        if (got > maxBytes - used) {
            reason = "large";
            break;
        }
        grown = (unsigned char *)realloc(block, used + got);
        if (!grown) {
            reason = "memory";
            break;
        }
        block = grown;
        memcpy(block + used, chunk, got);
        used += got;
    }
    if (!reason && ferror(file))
        reason = "read";
    fclose(file);
    if (reason) {
        free(block);
        if (reason[0] == 'l')
            snprintf(error, errorSize, "the file is larger than %lu MiB", (unsigned long)(maxBytes >> 20));
        else if (reason[0] == 'm')
            snprintf(error, errorSize, "not enough memory to read the file");
        else
            snprintf(error, errorSize, "the file could not be read to its end");
        return 0;
    }
    *bytes = block ? block : (unsigned char *)malloc(1);   /* an empty file is read, as nothing */
    *size = used;
    return *bytes != NULL;
}

void sk_mesh_smooth_normals(SkMesh *mesh)
{
    int v, t, k;
    memset(mesh->normals, 0, (size_t)mesh->vertexCount * 3 * sizeof(float));
    /* The cross product's length is twice the triangle's area: larger faces weigh more. */
    for (t = 0; t < mesh->triangleCount; ++t) {
        const unsigned *c = mesh->indices + 3 * t;
        const float *a = mesh->positions + 3 * c[0], *b = mesh->positions + 3 * c[1], *d = mesh->positions + 3 * c[2];
        float e1[3], e2[3], n[3];
        for (k = 0; k < 3; ++k) {
            e1[k] = b[k] - a[k];
            e2[k] = d[k] - a[k];
        }
        n[0] = e1[1] * e2[2] - e1[2] * e2[1];
        n[1] = e1[2] * e2[0] - e1[0] * e2[2];
        n[2] = e1[0] * e2[1] - e1[1] * e2[0];
        for (k = 0; k < 3; ++k) {
            mesh->normals[3 * c[0] + k] += n[k];
            mesh->normals[3 * c[1] + k] += n[k];
            mesh->normals[3 * c[2] + k] += n[k];
        }
    }
    for (v = 0; v < mesh->vertexCount; ++v) {
        float *n = mesh->normals + 3 * v;
        double length = sqrt((double)n[0] * n[0] + (double)n[1] * n[1] + (double)n[2] * n[2]);
        if (length > 0.0 && isfinite(length)) {
            for (k = 0; k < 3; ++k)
                n[k] = (float)(n[k] / length);
        } else {
            n[0] = 0.0f;
            n[1] = 0.0f;
            n[2] = 1.0f;
        }
    }
}

void sk_mesh_fit(SkMesh *mesh, float side)
{
    float origin[3];
    sk_mesh_fit_origin(mesh, side, origin);
}

void sk_mesh_fit_origin(SkMesh *mesh, float side, float origin[3])
{
    double low[3], high[3], extent = 0.0, scale;
    int v, k;
    origin[0] = origin[1] = origin[2] = 0.0f;
    if (mesh->vertexCount <= 0)
        return;
    for (k = 0; k < 3; ++k)
        low[k] = high[k] = mesh->positions[k];
    for (v = 1; v < mesh->vertexCount; ++v)
        for (k = 0; k < 3; ++k) {
            double p = mesh->positions[3 * v + k];
            low[k] = p < low[k] ? p : low[k];
            high[k] = p > high[k] ? p : high[k];
        }
    for (k = 0; k < 3; ++k)
        extent = high[k] - low[k] > extent ? high[k] - low[k] : extent;
    scale = extent > 0.0 ? side / extent : 1.0;
    for (v = 0; v < mesh->vertexCount; ++v)
        for (k = 0; k < 3; ++k)
            mesh->positions[3 * v + k] = (float)((mesh->positions[3 * v + k] - (low[k] + high[k]) / 2) * scale);
    for (k = 0; k < 3; ++k)
        origin[k] = (float)(-(low[k] + high[k]) / 2 * scale);
}

void sk_mesh_draw(const SkMesh *mesh)
{
    if (mesh->triangleCount <= 0)
        return;
    /* The attribute stacks put back the enables, the current colour and the client arrays, whatever the
     * mesh needs; GL_COLOR_MATERIAL makes the white the material's colour. */
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh->positions);
    glNormalPointer(GL_FLOAT, 0, mesh->normals);
    if (mesh->texCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, mesh->texCoords);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glDrawElements(GL_TRIANGLES, mesh->triangleCount * 3, GL_UNSIGNED_INT, mesh->indices);
    glPopClientAttrib();
    glPopAttrib();
}

TexCoordTriangle **sk_mesh_build_table(const SkMesh *mesh)
{
    size_t count = mesh->triangleCount > 0 ? (size_t)mesh->triangleCount : 0, t;
    TexCoordTriangle **table;
    TexCoordTriangle *records;
    int k;
    if (count == 0)
        return NULL;
    /* One block: the pointers, then the records they point to, so one free releases it. */
    table = (TexCoordTriangle **)malloc(count * (sizeof(TexCoordTriangle *) + sizeof(TexCoordTriangle)));
    if (!table)
        return NULL;
    records = (TexCoordTriangle *)(table + count);
    for (t = 0; t < count; ++t) {
        for (k = 0; k < 3; ++k)
            records[t].corner[k] = mesh->texCoords ? mesh->texCoords + 2 * (size_t)mesh->indices[3 * t + k]
                                                   : noTexCoord;
        table[t] = &records[t];
    }
    return table;
}

void sk_mesh_free_table(TexCoordTriangle **table)
{
    free(table);
}
