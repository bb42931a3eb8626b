// Wavefront OBJ models, the subset Pelterine reads (v, vt, vn, f): decoded from bytes into an indexed mesh.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/obj/obj_material.h"

// Caps: the shared mesh's, so every mesh read fits the drawing and table code of the plugins, and so a
// huge or hostile file is refused long before it can ask for gigabytes.
enum : uint32_t {
    OBJ_MAX_ELEMENTS = 1u << 24,            // v, vt and vn statements, each kind counted on its own
    OBJ_MAX_VERTICES = MESH_MAX_VERTICES,   // distinct (v, vt, vn) corners, one mesh vertex each
    OBJ_MAX_TRIANGLES = MESH_MAX_TRIANGLES, // after polygons are split into fans
    OBJ_MAX_MATERIALS = OBJ_MAX_MATERIAL_COUNT, // distinct names usemtl selects
};

// What docs/obj-format.md calls a refusal: the whole file is refused, the mesh is left empty.
enum class ObjError {
    None,
    BadNumber,        // a v, vt or vn number that is malformed, NaN, infinite or beyond the float range
    BadStatement,     // a v, vt or vn with too few or too many numbers
    BadFace,          // fewer than three corners, or a corner not of the form v, v/vt, v//vn or v/vt/vn
    BadIndex,         // an index that is zero, not an integer, or names an element not defined before it
    TooManyElements,  // more v, vt or vn statements than the cap
    TooManyVertices,  // more distinct corners than the cap
    TooManyTriangles,
    TooManyMaterials, // more distinct usemtl names than the cap, or a name longer than OBJ_MAX_MATERIAL_NAME
    OutOfMemory,
};

// The caps a decode applies. Tests lower them to reach the refusals with small texts; values above
// the OBJ_MAX_ caps are treated as those caps.
struct ObjLimits {
    size_t elements = OBJ_MAX_ELEMENTS;
    size_t vertices = OBJ_MAX_VERTICES;
    size_t triangles = OBJ_MAX_TRIANGLES;
    size_t materials = OBJ_MAX_MATERIALS;
};

struct ObjStatus {
    ObjError error = ObjError::None;
    size_t line = 0;  // line (from 1) of the statement refused; 0 when none is to blame
    // Why, in plain words and with the line, for the user: "line 12: vertex index 40 is out of range".
    // Empty when the text is read.
    char reason[192] = "";
};

// A short English name for an error, for tools and tests.
const char *objErrorText(ObjError error);

// Decodes a whole OBJ text held in memory (no NUL terminator needed; NUL bytes are ordinary bytes).
// On success fills mesh: one vertex per distinct (v, vt, vn) corner, polygons split into fans, unit
// normals (given ones normalised, missing ones computed), texture coordinates only when every corner
// of every face has one; and, when given, materials with the libraries the text names and the triangles each
// material makes. On failure leaves mesh and materials empty. Never reads outside [data, data + size), never
// throws.
ObjStatus decodeObj(const uint8_t *data, size_t size, Mesh &mesh, const ObjLimits &limits = ObjLimits(),
                    ObjMaterials *materials = nullptr);
