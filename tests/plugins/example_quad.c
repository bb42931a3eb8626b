/* example_quad.c: a minimal Pelterine model plugin. It reads no file and shows one textured square. */
#include <windows.h>
#include <GL/gl.h>
#include <stdlib.h>

#include "plugin-api/plugin_api.h"

/* A 20 x 20 square facing the viewer, counter-clockwise, and its texture coordinates: the whole texture,
 * v = 0 at the texture's bottom row. */
static const float positions[4][3] = {{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}, {-10, 10, 0}};
static const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
static const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
static int loaded;

SK_EXPORT int sk_load(const char *path)
{
    (void)path; /* a real plugin reads its model here, replacing the previous one */
    loaded = 1;
    return 1;
}

/* Called every frame with the skin texture bound. White, so the texture shows its own colours. */
SK_EXPORT int sk_draw(void)
{
    int i;
    if (!loaded)
        return 0;
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (i = 0; i < 4; ++i) {
        glTexCoord2fv(texCoords[i]);
        glVertex3fv(positions[i]);
    }
    glEnd();
    return 1;
}

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount)
        *triangleCount = loaded ? 2 : 0;
    if (hasTexCoords)
        *hasTexCoords = 1;
    return 1;
}

/* One allocation: the two pointers, then the two records they point to. */
SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    int t, k;
    TexCoordTriangle **table = malloc(2 * sizeof(TexCoordTriangle *) + 2 * sizeof(TexCoordTriangle));
    TexCoordTriangle *records;
    if (!table)
        return NULL;
    records = (TexCoordTriangle *)(table + 2);
    for (t = 0; t < 2; ++t) {
        for (k = 0; k < 3; ++k)
            records[t].corner[k] = texCoords[triangles[t][k]];
        table[t] = &records[t];
    }
    return table;
}

SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount;
    free(table);
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    return "Example quad plugin\nOne textured square; reads no file.";
}

/* The picture the model is painted with, relative to the model file's folder ("skins/quad.png") or absolute.
 * This square reads no file, so it names none. */
SK_EXPORT const char *sk_texturefile(void)
{
    return "";
}
