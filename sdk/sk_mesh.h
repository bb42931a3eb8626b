/* sk_mesh: what a Pelterine model plugin needs besides reading its format, in C with a C interface.
 *
 * Every plugin that ships with Pelterine draws and reports its model through these functions; a plugin of
 * your own can do the same: read your file into an SkMesh, place it with sk_mesh_fit, and the exports are a
 * few lines each (see example/ply_example.c).
 *
 *   sk_mesh_read_file       a whole model file, with a size cap, and why it could not be read
 *   sk_mesh_smooth_normals  normals for a mesh whose file gives none
 *   sk_mesh_fit             centre the model and scale it to the size the viewport expects
 *   sk_mesh_fit_origin      the same, telling where the file's origin went (for sk_fileorigin)
 *   sk_mesh_draw            sk_draw's body: vertex arrays, leaving the GL state as it was found
 *   sk_mesh_build_table     sk_gettexcoord's table; sk_mesh_free_table is sk_freetexcoordtab's body
 *
 * Build it with the plugin: x86_64-w64-mingw32-gcc ... your_plugin.c sk_mesh.c -lopengl32
 */
#ifndef SK_MESH_H
#define SK_MESH_H

#include <stddef.h>

#include "plugin_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Caps that keep a damaged file from asking for gigabytes; the triangle count reaches Pelterine as an int. */
#define SK_MESH_MAX_VERTICES (1 << 24)
#define SK_MESH_MAX_TRIANGLES (1 << 24)

/* The viewport's camera looks at the origin from 50 units away: a model whose longest side is this many
 * units, centred on the origin, fills about two fifths of the view, as the default box does. */
#define SK_MESH_FIT_SIDE 20.0f

/* An indexed triangle mesh, as OpenGL vertex arrays take it: one index per corner, shared by the position,
 * the normal and the texture coordinate of that vertex. The arrays belong to whoever filled them. */
typedef struct SkMesh {
    float *positions;     /* x, y, z per vertex */
    float *normals;       /* x, y, z per vertex, unit length */
    float *texCoords;     /* u, v per vertex (v = 0 at the texture's bottom row), or NULL: drawn untextured */
    unsigned *indices;    /* three per triangle, counter-clockwise seen from outside */
    int vertexCount;
    int triangleCount;
} SkMesh;

/* Reads the whole file at path (as sk_load received it) into a new malloc'd block of *size bytes (free it
 * with free). Returns 1, or 0 with *bytes NULL and the reason in error ("the file cannot be opened", "the
 * file is larger than 64 MiB", "the file could not be read to its end"), ready for sk_loaderror. */
int sk_mesh_read_file(const char *path, size_t maxBytes, unsigned char **bytes, size_t *size, char *error,
                      size_t errorSize);

/* Sets every vertex's normal to the area-weighted sum of the triangles around it, normalised; (0, 0, 1) where
 * that has no length. Triangles must wind counter-clockwise seen from outside. */
void sk_mesh_smooth_normals(SkMesh *mesh);

/* Moves and scales the mesh uniformly so that its bounding box is centred on the origin and its longest side
 * is `side` (SK_MESH_FIT_SIDE fills the view as Pelterine's own models do). Normals stay as they are. */
void sk_mesh_fit(SkMesh *mesh, float side);
/* sk_mesh_fit, telling where the file's origin went: origin[0..2] := the new coordinates of the point that was
 * (0, 0, 0), what sk_fileorigin reports, so that Mirror mirrors across the file's own plane x = 0 even where the
 * model's box is not centred on it (a raised arm on one side). */
void sk_mesh_fit_origin(SkMesh *mesh, float side, float origin[3]);

/* Draws the mesh in white (so the texture shows its own colours under the lighting), textured when it has
 * texture coordinates. Leaves the matrix mode, the texture binding, the enables, the current colour and the
 * client arrays as it found them, as Pelterine requires of sk_draw. */
void sk_mesh_draw(const SkMesh *mesh);

/* The table sk_gettexcoord returns: one pointer per triangle, in drawing order, each to three corners that
 * point into mesh->texCoords (all to (0, 0) for a mesh without them). One malloc'd block, released by
 * sk_mesh_free_table. NULL for a mesh without triangles, or when memory runs out. Valid while the mesh is
 * unchanged. */
TexCoordTriangle **sk_mesh_build_table(const SkMesh *mesh);
void sk_mesh_free_table(TexCoordTriangle **table);

#ifdef __cplusplus
}
#endif

#endif
