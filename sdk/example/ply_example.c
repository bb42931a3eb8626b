/* ply_example.dll: a complete Pelterine model plugin for ASCII PLY models (the Stanford polygon format).
 *
 * Reads the header's "element vertex" (properties x, y, z; optionally nx, ny, nz and s, t or u, v) and
 * "element face" (a list property vertex_indices or vertex_index), skips other elements, splits polygons
 * into fans, computes normals when the file has none, and places the model with sk_mesh_fit. A file it
 * cannot use is refused through sk_loaderror with the line to blame. Build: sh build.sh */
#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sk_mesh.h"

#define PLY_MAX_BYTES ((size_t)64 << 20)
#define PLY_MAX_PROPERTIES 32
#define PLY_MAX_ELEMENTS 8

enum { P_X, P_Y, P_Z, P_NX, P_NY, P_NZ, P_U, P_V, P_OTHER };

typedef struct Element {
    char name[32];
    long count;
    int properties;                  /* scalar properties, in file order */
    int role[PLY_MAX_PROPERTIES];    /* P_X ... for the vertex element */
    int hasList;                     /* the face element's index list (other lists are not read) */
} Element;

typedef struct Reader {
    char *text;      /* the file, NUL-terminated */
    char *at;
    long line;       /* of the text at `at` */
    char *error;
    size_t errorSize;
} Reader;

static SkMesh mesh;                 /* the loaded model; all NULL and 0 when none is */
static char loadError[1024];        /* why the last sk_load refused its file, "" when it did not */
static float fileOrigin[3];          /* where the file's origin lies after sk_mesh_fit_origin placed the model */

static void freeMesh(void)
{
    free(mesh.positions);
    free(mesh.normals);
    free(mesh.texCoords);
    free(mesh.indices);
    memset(&mesh, 0, sizeof mesh);
}

/* The next line, cut at its end; NULL at the end of the text. */
static char *nextLine(Reader *r)
{
    char *line = r->at, *end;
    if (*line == '\0')
        return NULL;
    end = line + strcspn(line, "\r\n");
    r->at = end + (*end == '\r' && end[1] == '\n' ? 2 : *end ? 1 : 0);
    *end = '\0';
    ++r->line;
    return line;
}

static int refuse(Reader *r, const char *what)
{
    snprintf(r->error, r->errorSize, "line %ld: %s", r->line, what);
    return 0;
}

static int roleOf(const char *name)
{
    static const char *names[] = {"x", "y", "z", "nx", "ny", "nz", "s", "t", "u", "v", "texture_u", "texture_v"};
    static const int roles[] = {P_X, P_Y, P_Z, P_NX, P_NY, P_NZ, P_U, P_V, P_U, P_V, P_U, P_V};
    size_t i;
    for (i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (strcmp(name, names[i]) == 0)
            return roles[i];
    return P_OTHER;
}

/* The header, up to end_header: the elements in file order. */
static int readHeader(Reader *r, Element *elements, int *count)
{
    char *line, word[32], kind[32], name[64];
    line = nextLine(r);
    if (!line || strcmp(line, "ply") != 0)
        return refuse(r, "the file does not start with \"ply\"");
    *count = 0;
    while ((line = nextLine(r)) != NULL) {
        if (sscanf(line, "%31s", word) != 1 || strcmp(word, "comment") == 0 || strcmp(word, "obj_info") == 0)
            continue;
        if (strcmp(word, "end_header") == 0)
            return 1;
        if (strcmp(word, "format") == 0) {
            if (sscanf(line, "format %31s", kind) != 1 || strcmp(kind, "ascii") != 0)
                return refuse(r, "only ASCII PLY files are read");
        } else if (strcmp(word, "element") == 0) {
            Element *e = &elements[*count];
            if (*count == PLY_MAX_ELEMENTS)
                return refuse(r, "too many elements");
            memset(e, 0, sizeof *e);
            if (sscanf(line, "element %31s %ld", e->name, &e->count) != 2 || e->count < 0)
                return refuse(r, "an element needs a name and a count");
            ++*count;
        } else if (strcmp(word, "property") == 0) {
            Element *e = *count ? &elements[*count - 1] : NULL;
            if (!e)
                return refuse(r, "a property before any element");
            if (sscanf(line, "property %31s", kind) == 1 && strcmp(kind, "list") == 0) {
                if (sscanf(line, "property list %*s %*s %63s", name) != 1)
                    return refuse(r, "a list property needs two types and a name");
                if (strcmp(e->name, "face") != 0 || e->properties || e->hasList ||
                    (strcmp(name, "vertex_indices") != 0 && strcmp(name, "vertex_index") != 0))
                    return refuse(r, "only a face's vertex_indices may be a list, first of its properties");
                e->hasList = 1;
            } else {
                if (sscanf(line, "property %*s %63s", name) != 1 || e->hasList)
                    return refuse(r, "a property needs a type and a name");
                if (e->properties == PLY_MAX_PROPERTIES)
                    return refuse(r, "too many properties");
                e->role[e->properties++] = strcmp(e->name, "vertex") == 0 ? roleOf(name) : P_OTHER;
            }
        } else {
            return refuse(r, "unknown header line");
        }
    }
    return refuse(r, "the header has no end_header");
}

/* Reads `count` numbers of one line into values. */
static int readNumbers(Reader *r, const char *line, double *values, int count)
{
    int i;
    for (i = 0; i < count; ++i) {
        char *end;
        values[i] = strtod(line, &end);
        if (end == line || !isfinite(values[i]))
            return refuse(r, i == 0 && *line == '\0' ? "a line is missing" : "a value is missing or not a number");
        line = end;
    }
    return 1;
}

static int readVertices(Reader *r, const Element *e, int *hasNormals)
{
    double values[PLY_MAX_PROPERTIES];
    int seen[P_OTHER + 1] = {0}, k;
    long v;
    for (k = 0; k < e->properties; ++k)
        seen[e->role[k]] = 1;
    if (!seen[P_X] || !seen[P_Y] || !seen[P_Z])
        return refuse(r, "the vertices have no x, y and z");
    if (e->count > SK_MESH_MAX_VERTICES)
        return refuse(r, "too many vertices");
    mesh.vertexCount = (int)e->count;
    mesh.positions = (float *)calloc((size_t)e->count + 1, 3 * sizeof(float));
    mesh.normals = (float *)calloc((size_t)e->count + 1, 3 * sizeof(float));
    if (seen[P_U] && seen[P_V])
        mesh.texCoords = (float *)calloc((size_t)e->count + 1, 2 * sizeof(float));
    if (!mesh.positions || !mesh.normals || (seen[P_U] && seen[P_V] && !mesh.texCoords))
        return refuse(r, "not enough memory");
    *hasNormals = seen[P_NX] && seen[P_NY] && seen[P_NZ];
    for (v = 0; v < e->count; ++v) {
        char *line = nextLine(r);
        if (!readNumbers(r, line ? line : "", values, e->properties))
            return 0;
        for (k = 0; k < e->properties; ++k) {
            int role = e->role[k];
            if (role <= P_NZ)
                (role < P_NX ? mesh.positions : mesh.normals)[3 * v + role % 3] = (float)values[k];
            else if (role != P_OTHER && mesh.texCoords)
                mesh.texCoords[2 * v + role - P_U] = (float)values[k];
        }
    }
    return 1;
}

/* Each polygon becomes a fan of triangles around its first corner. */
static int readFaces(Reader *r, const Element *e)
{
    size_t capacity = 0;
    long f;
    for (f = 0; f < e->count; ++f) {
        char *line = nextLine(r), *end;
        long corners, k, first = 0, previous = 0;
        if (!line)
            return refuse(r, "a line is missing");
        corners = strtol(line, &end, 10);
        if (end == line || corners < 3 || corners > 1000)
            return refuse(r, "a face needs from 3 to 1000 corners");
        for (k = 0; k < corners; ++k) {
            char what[80];
            long index = strtol(line = end, &end, 10);
            if (end == line)
                return refuse(r, "a face is missing a vertex index");
            if (index < 0 || index >= mesh.vertexCount) {
                snprintf(what, sizeof what, "vertex index %ld is out of range", index);
                return refuse(r, what);
            }
            if (k == 0)
                first = index;
            if (k >= 2) {
                if ((size_t)mesh.triangleCount >= capacity) {
                    unsigned *grown;
                    if (mesh.triangleCount >= SK_MESH_MAX_TRIANGLES)
                        return refuse(r, "too many triangles");
                    capacity = capacity ? 2 * capacity : 1024;
                    grown = (unsigned *)realloc(mesh.indices, capacity * 3 * sizeof(unsigned));
                    if (!grown)
                        return refuse(r, "not enough memory");
                    mesh.indices = grown;
                }
                mesh.indices[3 * mesh.triangleCount] = (unsigned)first;
                mesh.indices[3 * mesh.triangleCount + 1] = (unsigned)previous;
                mesh.indices[3 * mesh.triangleCount + 2] = (unsigned)index;
                ++mesh.triangleCount;
            }
            previous = index;
        }
    }
    return 1;
}

static int readPly(Reader *r)
{
    Element elements[PLY_MAX_ELEMENTS];
    int count, i, hasNormals = 0, hasVertices = 0;
    if (!readHeader(r, elements, &count))
        return 0;
    for (i = 0; i < count; ++i) {
        const Element *e = &elements[i];
        long skip;
        if (strcmp(e->name, "vertex") == 0 && !hasVertices) {
            if (!readVertices(r, e, &hasNormals))
                return 0;
            hasVertices = 1;
        } else if (strcmp(e->name, "face") == 0 && e->hasList && hasVertices) {
            if (!readFaces(r, e))
                return 0;
        } else {
            for (skip = 0; skip < e->count; ++skip)   /* one line each in an ASCII file */
                if (!nextLine(r))
                    return refuse(r, "a line is missing");
        }
    }
    if (mesh.triangleCount == 0)
        return refuse(r, "the file has no faces");
    if (!hasNormals)
        sk_mesh_smooth_normals(&mesh);
    sk_mesh_fit_origin(&mesh, SK_MESH_FIT_SIDE, fileOrigin);
    return 1;
}

/* A new load replaces the model; a refused file leaves none, and sk_loaderror says why. */
SK_EXPORT int sk_load(const char *path)
{
    unsigned char *bytes;
    size_t size;
    Reader reader;
    freeMesh();
    loadError[0] = '\0';
    if (!sk_mesh_read_file(path, PLY_MAX_BYTES, &bytes, &size, loadError, sizeof loadError))
        return 0;
    reader.text = (char *)realloc(bytes, size + 1);
    if (!reader.text) {
        free(bytes);
        snprintf(loadError, sizeof loadError, "not enough memory to read the file");
        return 0;
    }
    reader.text[size] = '\0';
    reader.at = reader.text;
    reader.line = 0;
    reader.error = loadError;
    reader.errorSize = sizeof loadError;
    if (!readPly(&reader))
        freeMesh();
    free(reader.text);
    return loadError[0] == '\0';
}

SK_EXPORT const char *sk_loaderror(void)
{
    return loadError;
}

SK_EXPORT int sk_draw(void)
{
    sk_mesh_draw(&mesh);
    return 1;
}

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount)
        *triangleCount = mesh.triangleCount;
    if (hasTexCoords)
        *hasTexCoords = mesh.texCoords != NULL;
    return 1;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    return sk_mesh_build_table(&mesh);
}

SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount;
    sk_mesh_free_table(table);
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    return "PLY example plugin (ply_example.dll)\nLoads ASCII PLY models (*.ply) with their texture coordinates.";
}

/* Mirror on the model mirrors across the file's own plane x = 0, wherever placing the model moved it. */
SK_EXPORT int sk_fileorigin(float *origin)
{
    if (!origin || mesh.triangleCount <= 0)
        return 0;
    origin[0] = fileOrigin[0];
    origin[1] = fileOrigin[1];
    origin[2] = fileOrigin[2];
    return 1;
}

SK_EXPORT const char *sk_filefilter(void)
{
    return "Stanford PLY (*.ply)\0*.ply\0";
}
