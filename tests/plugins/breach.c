/* breach.dll: a test plugin that keeps the contract, or breaks it in the one way its own file name says.
 *
 * Copied as "breach-<kind>.dll" it breaks the contract so:
 *   nulltable   sk_getinfo reports 2 triangles, sk_gettexcoord returns null
 *   nullentry   the table's first entry is null
 *   nancorner   a corner of the second entry is not a number
 *   overcount   sk_getinfo reports 1000 triangles; the table holds 2, at the very end of its memory
 *   unsetcount  sk_getinfo writes neither output
 *   badfilter   sk_filefilter returns an odd number of strings
 *   notexture   sk_texturefile names a picture that does not exist
 *   dirtygl     sk_draw leaves the matrix mode on GL_TEXTURE with the texture matrix scaled to nothing, no
 *               texture bound, GL_CULL_FACE on and GL_VERTEX_ARRAY on
 * Under any other name it keeps the contract: one white square of side 20 with the whole texture on it, one
 * texture triangle per half. Whatever its name, it refuses a model whose file name contains "refuse" through
 * sk_loaderror, and then holds no model (refusing is no breach); for a model whose name contains "ownbox",
 * sk_load shows a message box of its own (no owner) before it loads. */
#include <windows.h>
#include <GL/gl.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "plugin-api/plugin_api.h"
#include "test_quad.h"

static char kind[32];
static int loaded;
static char loadError[128];

static const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
static const float notANumber[2] = {0.5f, NAN};
static TexCoordTriangle halves[2] = {{{corners[0], corners[1], corners[2]}}, {{corners[0], corners[2], corners[3]}}};
static TexCoordTriangle withNan = {{corners[0], notANumber, corners[3]}};
static TexCoordTriangle *table[2];

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH] = "";
    const char *name = path, *p;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    GetModuleFileNameA(self, path, sizeof path);
    for (p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    sscanf(name, "breach-%31[a-z]", kind);
    return TRUE;
}

static int is(const char *which)
{
    return strcmp(kind, which) == 0;
}

SK_EXPORT int sk_load(const char *path)
{
    const char *name = path ? path : "";
    if (strstr(name, "ownbox"))   /* what the contract forbids, and the program must survive */
        MessageBoxA(NULL, "Own box", name, MB_OK);
    loaded = strstr(name, "refuse") == NULL;
    snprintf(loadError, sizeof loadError, "%s", loaded ? "" : "line 12: vertex index 40 is out of range");
    return loaded;
}

SK_EXPORT const char *sk_loaderror(void)
{
    return loadError;
}

SK_EXPORT int sk_draw(void)
{
    static const float anywhere[3] = {0, 0, 0};
    if (!loaded)
        return 0;
    drawTestQuad();
    if (is("dirtygl")) {
        glMatrixMode(GL_TEXTURE);
        glScalef(0.0f, 0.0f, 0.0f);
        glBindTexture(GL_TEXTURE_2D, 0);
        glEnable(GL_CULL_FACE);
        glVertexPointer(3, GL_FLOAT, 0, anywhere);
        glEnableClientState(GL_VERTEX_ARRAY);
    }
    return 1;
}

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (is("unsetcount"))
        return 1;
    if (triangleCount)
        *triangleCount = !loaded ? 0 : is("overcount") ? 1000 : 2;
    if (hasTexCoords)
        *hasTexCoords = loaded;
    return 1;
}

/* The overcounted table ends where its pages end: reading past its two entries faults. */
static TexCoordTriangle **tableAtTheEndOfItsMemory(void)
{
    SYSTEM_INFO system;
    char *page;
    TexCoordTriangle **end;
    GetSystemInfo(&system);
    page = (char *)VirtualAlloc(NULL, system.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!page)
        return NULL;
    end = (TexCoordTriangle **)(page + system.dwPageSize) - 2;
    end[0] = &halves[0];
    end[1] = &halves[1];
    return end;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    if (is("nulltable") || !loaded)
        return NULL;
    if (is("overcount"))
        return tableAtTheEndOfItsMemory();
    table[0] = is("nullentry") ? NULL : &halves[0];
    table[1] = is("nancorner") ? &withNan : &halves[1];
    return table;
}

SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **tab)
{
    MEMORY_BASIC_INFORMATION region;
    (void)triangleCount;
    if (is("overcount") && tab && VirtualQuery(tab, &region, sizeof region))
        VirtualFree(region.AllocationBase, 0, MEM_RELEASE);
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    return "Contract test plugin\nOne textured square.";
}

SK_EXPORT const char *sk_filefilter(void)
{
    return is("badfilter") ? "Squares (*.sq)\0*.sq\0Everything\0" : "Squares (*.sq)\0*.sq\0";
}

SK_EXPORT const char *sk_texturefile(void)
{
    return is("notexture") && loaded ? "no such picture.png" : "";
}
