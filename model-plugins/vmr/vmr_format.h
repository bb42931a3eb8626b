// The .vmr model file layout (version 1): decode from bytes into a mesh, encode a mesh into bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model-plugins/common/mesh.h"

// Layout constants; docs/vmr-format.md describes every field.
enum : uint32_t {
    VMR_VERSION = 1,
    VMR_FLAG_TEXCOORDS = 1u,               // bit 0: the file holds a texture coordinate per vertex
    VMR_KNOWN_FLAGS = VMR_FLAG_TEXCOORDS,  // any other bit set means a newer writer: refused
    VMR_MAX_VERTICES = MESH_MAX_VERTICES,  // the shared mesh's caps, so every file read can be drawn
    VMR_MAX_TRIANGLES = MESH_MAX_TRIANGLES,
};
enum : size_t { VMR_HEADER_BYTES = 20 };
extern const uint8_t VMR_MAGIC[4];  // "VMRM"

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

// Decodes a whole file held in memory. On success fills mesh and returns VmrError::None; on any failure
// returns the reason and leaves mesh empty. Never reads outside [data, data + size), never throws.
VmrError decodeVmr(const uint8_t *data, size_t size, Mesh &mesh);

// Checks that a mesh can be written: array sizes agree, counts within the caps, finite floats, indices
// in range. The decoder accepts exactly the meshes that pass.
VmrError checkVmrMesh(const Mesh &mesh);

// Encodes a mesh that passes checkVmrMesh into bytes (replacing out); otherwise returns the reason and
// leaves out empty.
VmrError encodeVmr(const Mesh &mesh, std::vector<uint8_t> &out);
