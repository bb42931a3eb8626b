// The .vmr model file layout (version 1): decode from bytes into a mesh, encode a mesh into bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Layout constants; docs/vmr-format.md describes every field.
enum : uint32_t {
    VMR_VERSION = 1,
    VMR_FLAG_TEXCOORDS = 1u,               // bit 0: the file holds a texture coordinate per vertex
    VMR_KNOWN_FLAGS = VMR_FLAG_TEXCOORDS,  // any other bit set means a newer writer: refused
    VMR_MAX_VERTICES = 1u << 24,           // caps keep a bad count from asking for gigabytes
    VMR_MAX_TRIANGLES = 1u << 24,
};
enum : size_t { VMR_HEADER_BYTES = 20 };
extern const uint8_t VMR_MAGIC[4];  // "VMRM"

// An indexed triangle mesh as OpenGL vertex arrays want it: one index per corner, shared by the
// position, normal and texture coordinate of that vertex.
struct VmrMesh {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> normals;    // x, y, z per vertex
    std::vector<float> texCoords;  // u, v per vertex when hasTexCoords, otherwise empty
    std::vector<uint32_t> indices; // three per triangle, counter-clockwise seen from outside
    bool hasTexCoords = false;
};

enum class VmrError {
    None,
    TooShort,        // fewer bytes than the header
    BadMagic,
    BadVersion,
    BadFlags,        // a flag bit this reader does not know
    TooManyVertices,
    TooManyTriangles,
    Truncated,       // the arrays announced by the counts do not fit in the data
    TrailingBytes,   // data left after the last array
    BadFloat,        // NaN or infinity in an array
    IndexOutOfRange,
    Inconsistent,    // (encoder only) array sizes that do not agree with each other
    OutOfMemory,
};

// Why a file is refused, in plain words, for the user; for the encoder's errors, why a mesh cannot be written.
const char *vmrErrorText(VmrError error);

size_t vmrVertexCount(const VmrMesh &mesh);
size_t vmrTriangleCount(const VmrMesh &mesh);

// Decodes a whole file held in memory. On success fills mesh and returns VmrError::None; on any failure
// returns the reason and leaves mesh empty. Never reads outside [data, data + size), never throws.
VmrError decodeVmr(const uint8_t *data, size_t size, VmrMesh &mesh);

// Checks that a mesh can be written: array sizes agree, counts within the caps, finite floats, indices
// in range. The decoder accepts exactly the meshes that pass.
VmrError checkVmrMesh(const VmrMesh &mesh);

// Encodes a mesh that passes checkVmrMesh into bytes (replacing out); otherwise returns the reason and
// leaves out empty.
VmrError encodeVmr(const VmrMesh &mesh, std::vector<uint8_t> &out);
