/* recorder.dll: test plugin with all six exports that appends every call to "plugin_calls.log".
 *
 * The log is opened, appended to and closed at each call, in the current folder, so it survives a crash.
 * One line per call:
 *   sk_load path="<path>"                       (path=null for a null pointer)
 *   sk_getinfo in=<count>,<flag> out=<count>,<flag>  (the values found on entry, then those written;
 *                                                     "null" for a null pointer)
 *   sk_gettexcoord table=<n> count=<entries>      (n numbers the tables returned since the library was
 *                                                  loaded, from 1; table=null when none is returned)
 *   sk_freetexcoordtab count=<count> table=<n>    (table=null for a null pointer; table=unknown for a
 *                                                  pointer that is not an outstanding table, such as a
 *                                                  second release: it is then left alone)
 *   sk_info
 *   sk_draw matrix=<mode> texture=<name> texture2d=<0|1> lighting=<0|1> colormaterial=<0|1> depth=<0|1>
 *   sk_draw calls=<n>
 *   frame us=<microseconds> yaw=<degrees> texture=<name>
 *                                                 (only for a model whose name contains "frames": every
 *                                                  draw, with the performance-counter time, the turn about
 *                                                  the vertical axis read from the modelview matrix, and the
 *                                                  texture bound)
 * A model whose name contains "heavy" is the same square cut into 224 x 224 quads (100,352 triangles), drawn
 * with vertex arrays: a heavy model for timing.
 * sk_draw runs every frame, so only the first call of a run of consecutive draws is written (with the GL
 * state it found: mode is modelview, projection, texture or a number); the run's length follows as
 * "sk_draw calls=<n>" when another export is called, if the run had more than one call.
 *
 * What it reports depends on the file name of the last loaded path (the part after the last \ or /):
 *   contains "notex"     -> sk_getinfo's flag is 0 (otherwise 1 once a model is loaded)
 *   contains "broken"    -> six entries breaking the contract (see brokenTable)
 *   contains "nulltable" -> count 1 but sk_gettexcoord returns null
 *   contains "negcount"  -> count -2;   contains "zerocount" -> count 0
 *   otherwise            -> one triangle (0, 0), (1, 0), (0, 1)
 * Before any sk_load the count and the flag are 0. */
#include <windows.h>
#include <GL/gl.h>

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugin-api/plugin_api.h"
#include "test_quad.h"

enum { MAX_TABLES = 64 };

static char modelName[MAX_PATH];
static int modelLoaded;
static int drawRun;
static int tablesReturned;
static TexCoordTriangle **outstanding[MAX_TABLES];
static int outstandingId[MAX_TABLES];

static const float P00[2] = {0, 0}, P10[2] = {1, 0}, P01[2] = {0, 1}, MID[2] = {0.5f, 0.5f};
static float farOut[3][2] = {{-1e9f, 5.0f}, {1e9f, -3.0f}, {2.5f, 1e30f}};
static float notNumbers[3][2];
static float infinities[1][2];

static void appendLine(const char *format, ...)
{
    va_list args;
    FILE *log = fopen("plugin_calls.log", "a");
    if (!log)
        return;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

/* Closes a run of sk_draw calls before another export's line. */
static void endDrawRun(void)
{
    if (drawRun > 1)
        appendLine("sk_draw calls=%d", drawRun);
    drawRun = 0;
}

static int nameHas(const char *word)
{
    return strstr(modelName, word) != NULL;
}

static int triangleCount(void)
{
    if (!modelLoaded)
        return 0;
    if (nameHas("broken"))
        return 6;
    if (nameHas("negcount"))
        return -2;
    if (nameHas("zerocount"))
        return 0;
    return 1;
}

static void describeInt(char *text, size_t size, const int *value)
{
    if (value)
        snprintf(text, size, "%d", *value);
    else
        snprintf(text, size, "null");
}

/* Fills the table's entries; returns how many there are. */
static int fillEntries(TexCoordTriangle *records, TexCoordTriangle **table, int capacity)
{
    int i, entries = nameHas("broken") ? 6 : 1;
    if (entries > capacity)
        return 0;
    for (i = 0; i < entries; ++i)
        table[i] = &records[i];
    records[0].corner[0] = P00, records[0].corner[1] = P10, records[0].corner[2] = P01;
    if (entries == 1)
        return 1;
    table[1] = NULL;
    records[2].corner[0] = P00, records[2].corner[1] = NULL, records[2].corner[2] = MID;
    records[3].corner[0] = farOut[0], records[3].corner[1] = farOut[1], records[3].corner[2] = farOut[2];
    notNumbers[0][0] = NAN, notNumbers[0][1] = 0.5f;
    notNumbers[1][0] = 0.5f, notNumbers[1][1] = NAN;
    notNumbers[2][0] = 0.25f, notNumbers[2][1] = 0.25f;
    records[4].corner[0] = notNumbers[0], records[4].corner[1] = notNumbers[1], records[4].corner[2] = notNumbers[2];
    infinities[0][0] = INFINITY, infinities[0][1] = -INFINITY;
    records[5].corner[0] = infinities[0], records[5].corner[1] = P10, records[5].corner[2] = P01;
    return entries;
}

/* A fresh block per call (pointers, then records), remembered so its release can be checked. */
static TexCoordTriangle **buildTable(int *entries)
{
    enum { CAPACITY = 6 };
    int slot;
    TexCoordTriangle **table = malloc(CAPACITY * (sizeof(TexCoordTriangle *) + sizeof(TexCoordTriangle)));
    if (!table)
        return NULL;
    *entries = fillEntries((TexCoordTriangle *)(table + CAPACITY), table, CAPACITY);
    ++tablesReturned;
    for (slot = 0; slot < MAX_TABLES; ++slot) {
        if (!outstanding[slot]) {
            outstanding[slot] = table;
            outstandingId[slot] = tablesReturned;
            break;
        }
    }
    return table;
}

static const char *matrixModeName(GLint mode)
{
    static char number[16];
    switch (mode) {
    case GL_MODELVIEW: return "modelview";
    case GL_PROJECTION: return "projection";
    case GL_TEXTURE: return "texture";
    }
    snprintf(number, sizeof number, "%d", (int)mode);
    return number;
}

static void logDrawState(void)
{
    GLint mode = 0, texture = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    appendLine("sk_draw matrix=%s texture=%d texture2d=%d lighting=%d colormaterial=%d depth=%d",
               matrixModeName(mode), (int)texture, glIsEnabled(GL_TEXTURE_2D) ? 1 : 0,
               glIsEnabled(GL_LIGHTING) ? 1 : 0, glIsEnabled(GL_COLOR_MATERIAL) ? 1 : 0,
               glIsEnabled(GL_DEPTH_TEST) ? 1 : 0);
}

SK_EXPORT int sk_load(const char *path)
{
    const char *name = path;
    const char *p;
    endDrawRun();
    appendLine(path ? "sk_load path=\"%s\"" : "sk_load path=null", path);
    modelLoaded = 1;
    modelName[0] = '\0';
    if (!path)
        return 1;
    for (p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    snprintf(modelName, sizeof modelName, "%s", name);
    return 1;
}

/* The modelview matrix is translate * rotate-x * rotate-y: its first row is that of the y rotation,
 * (cos yaw, 0, sin yaw), so the yaw is read back from elements 0 and 8 (column-major). */
static void logFrame(void)
{
    LARGE_INTEGER now, frequency;
    GLfloat m[16];
    GLint texture = 0;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    appendLine("frame us=%lld yaw=%.3f texture=%d", (long long)(now.QuadPart * 1000000.0 / frequency.QuadPart),
               atan2(m[8], m[0]) * 180.0 / 3.14159265358979, (int)texture);
}

enum { HEAVY_CELLS = 224 };

static void drawHeavySquare(void)
{
    static GLfloat vertices[(HEAVY_CELLS + 1) * 2 * 3], uvs[(HEAVY_CELLS + 1) * 2 * 2];
    int i, j;
    glColor3f(1.0f, 1.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, uvs);
    for (j = 0; j < HEAVY_CELLS; ++j) {
        for (i = 0; i <= HEAVY_CELLS; ++i) {
            int k;
            for (k = 0; k < 2; ++k) {
                float u = (float)i / HEAVY_CELLS, v = (float)(j + k) / HEAVY_CELLS;
                GLfloat *p = vertices + (i * 2 + k) * 3, *t = uvs + (i * 2 + k) * 2;
                p[0] = -10.0f + 20.0f * u, p[1] = -10.0f + 20.0f * v, p[2] = 0.0f;
                t[0] = u, t[1] = v;
            }
        }
        glDrawArrays(GL_TRIANGLE_STRIP, 0, (HEAVY_CELLS + 1) * 2);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

/* A white square of side 20 facing the viewer, textured with whatever is bound. */
SK_EXPORT int sk_draw(void)
{
    if (nameHas("frames"))
        logFrame();
    if (drawRun++ == 0)
        logDrawState();
    if (nameHas("heavy"))
        drawHeavySquare();
    else
        drawTestQuad();
    return 1;
}

SK_EXPORT int sk_getinfo(int *count, int *hasTexCoords)
{
    char countIn[16], flagIn[16], countOut[16], flagOut[16];
    endDrawRun();
    describeInt(countIn, sizeof countIn, count);
    describeInt(flagIn, sizeof flagIn, hasTexCoords);
    if (count)
        *count = triangleCount();
    if (hasTexCoords)
        *hasTexCoords = modelLoaded && !nameHas("notex");
    describeInt(countOut, sizeof countOut, count);
    describeInt(flagOut, sizeof flagOut, hasTexCoords);
    appendLine("sk_getinfo in=%s,%s out=%s,%s", countIn, flagIn, countOut, flagOut);
    return 1;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    int entries = 0;
    TexCoordTriangle **table = NULL;
    endDrawRun();
    if (!nameHas("nulltable"))
        table = buildTable(&entries);
    if (table)
        appendLine("sk_gettexcoord table=%d count=%d", tablesReturned, entries);
    else
        appendLine("sk_gettexcoord table=null count=0");
    return table;
}

SK_EXPORT int sk_freetexcoordtab(int count, TexCoordTriangle **table)
{
    int slot;
    endDrawRun();
    if (!table) {
        appendLine("sk_freetexcoordtab count=%d table=null", count);
        return 1;
    }
    for (slot = 0; slot < MAX_TABLES; ++slot) {
        if (outstanding[slot] == table) {
            appendLine("sk_freetexcoordtab count=%d table=%d", count, outstandingId[slot]);
            outstanding[slot] = NULL;
            free(table);
            return 1;
        }
    }
    appendLine("sk_freetexcoordtab count=%d table=unknown", count);
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    endDrawRun();
    appendLine("sk_info");
    return "Recorder test plugin\nAppends every call to plugin_calls.log";
}
