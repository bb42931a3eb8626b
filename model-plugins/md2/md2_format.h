// Quake II MD2 models ("IDP2", version 8), the part Pelterine reads (the frames with their names and the
// textured triangles): decoded from bytes into an indexed mesh with a pose per frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model-plugins/common/mesh.h"

// Layout constants; docs/md2-format.md describes every field.
enum : int32_t { MD2_VERSION = 8 };
enum : size_t {
    MD2_HEADER_BYTES = 68,
    MD2_SKIN_BYTES = 64,         // one skin name
    MD2_TEXCOORD_BYTES = 4,      // int16 s, t
    MD2_TRIANGLE_BYTES = 12,     // uint16 vertex[3], texcoord[3]
    MD2_FRAME_HEADER_BYTES = 40, // float scale[3], translate[3], char name[16]
    MD2_VERTEX_BYTES = 4,        // uint8 x, y, z, normal index
    MD2_FRAME_NAME_BYTES = 16,   // at offset 24 of a frame
    MD2_GLCMD_BYTES = 4,
    MD2_MAX_SKIN_NAMES = 32,     // the most skins the format's own engine gives a model; later names are not read
};
extern const uint8_t MD2_MAGIC[4]; // "IDP2"

// Byte offsets of the header's fields, each a little-endian int32.
enum Md2Field : size_t {
    MD2_IDENT = 0, MD2_VERSION_FIELD = 4, MD2_SKIN_WIDTH = 8, MD2_SKIN_HEIGHT = 12, MD2_FRAME_SIZE = 16,
    MD2_NUM_SKINS = 20, MD2_NUM_VERTICES = 24, MD2_NUM_TEXCOORDS = 28, MD2_NUM_TRIANGLES = 32,
    MD2_NUM_GLCMDS = 36, MD2_NUM_FRAMES = 40, MD2_OFS_SKINS = 44, MD2_OFS_TEXCOORDS = 48,
    MD2_OFS_TRIANGLES = 52, MD2_OFS_FRAMES = 56, MD2_OFS_GLCMDS = 60, MD2_OFS_END = 64,
};

// What docs/md2-format.md calls a refusal: the whole file is refused, the mesh is left empty.
enum class Md2Error {
    None,
    TooShort,     // fewer bytes than the header
    BadMagic,
    BadVersion,
    BadSkinSize,  // skin width or height of 0 or less
    BadCount,     // a negative count, or no frame at all
    BadLength,    // the header's file length is below the header's size or beyond the file's
    BadSection,   // a section that does not lie within the header's file length, after the header
    BadFrameSize, // frames too small to hold their vertices
    BadIndex,     // a triangle naming a vertex or texture coordinate that does not exist
    BadFrame,     // a frame with a scale or translation that is not finite, or a vertex beyond the float range
    TooLarge,     // more vertices than a mesh may have
    OutOfMemory,
};

struct Md2Status {
    Md2Error error = Md2Error::None;
    // Why, in plain words and with the field or record to blame, for the user: "triangle 12: vertex index
    // 40 is out of range (the model has 30 vertices)". Empty when the file is read.
    char reason[192] = "";
};

// Decodes a whole file held in memory. On success fills mesh from frame 0: one vertex per distinct (vertex,
// texture coordinate) pair of the triangles, positions with the frame's scale and translation applied and
// turned from Z-up to Y-up ((x, y, z) becomes (y, z, x), so the model's forward +x faces the viewer), texture
// coordinates s / skinwidth and 1 - t / skinheight, triangles turned to wind counter-clockwise, smooth normals.
// A model with triangles and more than one frame also gets every frame, frame 0 first, as a pose of the mesh
// (positions turned likewise, smooth normals of their own) named by the frame's name (printable ASCII up to its
// NUL, at most 16 characters); any frame that is not finite refuses the file.
// Every count and offset is checked against the data before use. On failure leaves mesh empty. Never reads
// outside [data, data + size), never throws.
Md2Status decodeMd2(const uint8_t *data, size_t size, Mesh &mesh);

// The skin names of a file whose header and sections check out as decodeMd2 checks them (none otherwise), in
// the header's order, at most MD2_MAX_SKIN_NAMES: each 64-byte field up to its NUL. An empty field, or one
// without a NUL within its 64 bytes, names nothing. Never reads outside [data, data + size).
std::vector<std::string> readMd2SkinNames(const uint8_t *data, size_t size);

// Where the skins may be, in the order to try them, each relative to the model's folder or absolute: every name
// as given, then by its file name alone; a ".pcx" name (any case) also as ".png" and ".tga" right after it.
// Folders are separated by backslashes; no path comes twice; a name that ends with a folder is passed over.
std::vector<std::string> md2SkinCandidates(const std::vector<std::string> &names);
