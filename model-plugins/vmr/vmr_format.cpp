// The .vmr model file layout: bounds-checked decoding from bytes and encoding into bytes.
#include "model-plugins/vmr/vmr_format.h"

#include <cmath>
#include <cstring>
#include <new>

const uint8_t VMR_MAGIC[4] = {'V', 'M', 'R', 'M'};

namespace {

// Field offsets inside the header.
enum : size_t { OFF_MAGIC = 0, OFF_VERSION = 4, OFF_FLAGS = 8, OFF_VERTICES = 12, OFF_TRIANGLES = 16 };

uint32_t readU32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void appendU32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

// Bytes of one vertex: position and normal, plus the texture coordinate when present.
size_t vertexBytes(bool hasTexCoords)
{
    return (hasTexCoords ? 8 : 6) * sizeof(float);
}

void readFloats(const uint8_t *&p, size_t count, std::vector<float> &out)
{
    out.resize(count);
    for (size_t i = 0; i < count; ++i, p += 4) {
        uint32_t bits = readU32(p);
        std::memcpy(&out[i], &bits, sizeof bits);
    }
}

void appendFloats(std::vector<uint8_t> &out, const std::vector<float> &values)
{
    for (float value : values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        appendU32(out, bits);
    }
}

bool allFinite(const std::vector<float> &values)
{
    for (float value : values)
        if (!std::isfinite(value))
            return false;
    return true;
}

// Checks the header and that the announced arrays fill the rest of the data exactly. The counts are
// capped before any product is formed, so no size computed here can overflow.
VmrError checkLayout(const uint8_t *data, size_t size)
{
    if (size < VMR_HEADER_BYTES)
        return VmrError::TooShort;
    if (std::memcmp(data + OFF_MAGIC, VMR_MAGIC, sizeof VMR_MAGIC) != 0)
        return VmrError::BadMagic;
    if (readU32(data + OFF_VERSION) != VMR_VERSION)
        return VmrError::BadVersion;
    uint32_t flags = readU32(data + OFF_FLAGS);
    if ((flags & ~uint32_t(VMR_KNOWN_FLAGS)) != 0)
        return VmrError::BadFlags;
    uint32_t vertices = readU32(data + OFF_VERTICES);
    uint32_t triangles = readU32(data + OFF_TRIANGLES);
    if (vertices > VMR_MAX_VERTICES)
        return VmrError::TooManyVertices;
    if (triangles > VMR_MAX_TRIANGLES)
        return VmrError::TooManyTriangles;
    size_t left = size - VMR_HEADER_BYTES;
    size_t arrayBytes = size_t(vertices) * vertexBytes((flags & VMR_FLAG_TEXCOORDS) != 0);
    if (arrayBytes > left)
        return VmrError::Truncated;
    left -= arrayBytes;
    arrayBytes = size_t(triangles) * 3 * sizeof(uint32_t);
    if (arrayBytes > left)
        return VmrError::Truncated;
    left -= arrayBytes;
    return left == 0 ? VmrError::None : VmrError::TrailingBytes;
}

// Copies the arrays of a file whose layout has been checked.
void readArrays(const uint8_t *data, Mesh &mesh)
{
    size_t vertices = readU32(data + OFF_VERTICES);
    size_t triangles = readU32(data + OFF_TRIANGLES);
    mesh.hasTexCoords = (readU32(data + OFF_FLAGS) & VMR_FLAG_TEXCOORDS) != 0;
    const uint8_t *p = data + VMR_HEADER_BYTES;
    readFloats(p, vertices * 3, mesh.positions);
    readFloats(p, vertices * 3, mesh.normals);
    if (mesh.hasTexCoords)
        readFloats(p, vertices * 2, mesh.texCoords);
    mesh.indices.resize(triangles * 3);
    for (uint32_t &index : mesh.indices) {
        index = readU32(p);
        p += 4;
    }
}

} // namespace

static_assert(VMR_MAX_VERTICES == 16777216 && VMR_MAX_TRIANGLES == 16777216, "the texts below name the caps");

const char *vmrErrorText(VmrError error)
{
    switch (error) {
    case VmrError::None: return "no error";
    case VmrError::TooShort: return "the file is shorter than a VMR header (20 bytes)";
    case VmrError::BadMagic: return "the file is not a VMR model (it does not start with \"VMRM\")";
    case VmrError::BadVersion: return "the file is of a VMR version other than 1";
    case VmrError::BadFlags: return "the file uses features of a newer VMR version";
    case VmrError::TooManyVertices: return "the model has more than 16777216 vertices";
    case VmrError::TooManyTriangles: return "the model has more than 16777216 triangles";
    case VmrError::Truncated: return "the file is shorter than its header says: it may be cut short";
    case VmrError::TrailingBytes: return "the file goes on after its last triangle";
    case VmrError::BadFloat: return "a position, normal or texture coordinate is not a finite number";
    case VmrError::IndexOutOfRange: return "a triangle names a vertex the model does not have";
    case VmrError::Inconsistent: return "the mesh's arrays do not agree in size";
    case VmrError::OutOfMemory: return "not enough memory to read the model";
    }
    return "unknown error";
}

VmrError checkVmrMesh(const Mesh &mesh)
{
    size_t vertices = meshVertexCount(mesh);
    if (mesh.positions.size() % 3 != 0 || mesh.indices.size() % 3 != 0)
        return VmrError::Inconsistent;
    if (mesh.normals.size() != mesh.positions.size())
        return VmrError::Inconsistent;
    if (mesh.texCoords.size() != (mesh.hasTexCoords ? vertices * 2 : 0))
        return VmrError::Inconsistent;
    if (vertices > VMR_MAX_VERTICES)
        return VmrError::TooManyVertices;
    if (meshTriangleCount(mesh) > VMR_MAX_TRIANGLES)
        return VmrError::TooManyTriangles;
    if (!allFinite(mesh.positions) || !allFinite(mesh.normals) || !allFinite(mesh.texCoords))
        return VmrError::BadFloat;
    for (uint32_t index : mesh.indices)
        if (index >= vertices)
            return VmrError::IndexOutOfRange;
    return VmrError::None;
}

VmrError decodeVmr(const uint8_t *data, size_t size, Mesh &mesh)
{
    mesh = Mesh();
    if (data == nullptr)
        return VmrError::TooShort;
    VmrError error = checkLayout(data, size);
    if (error != VmrError::None)
        return error;
    try {
        readArrays(data, mesh);
    } catch (const std::bad_alloc &) {
        mesh = Mesh();
        return VmrError::OutOfMemory;
    }
    error = checkVmrMesh(mesh);
    if (error != VmrError::None)
        mesh = Mesh();
    return error;
}

VmrError encodeVmr(const Mesh &mesh, std::vector<uint8_t> &out)
{
    out.clear();
    VmrError error = checkVmrMesh(mesh);
    if (error != VmrError::None)
        return error;
    try {
        out.reserve(VMR_HEADER_BYTES + meshVertexCount(mesh) * vertexBytes(mesh.hasTexCoords) +
                    mesh.indices.size() * sizeof(uint32_t));
        out.insert(out.end(), VMR_MAGIC, VMR_MAGIC + sizeof VMR_MAGIC);
        appendU32(out, VMR_VERSION);
        appendU32(out, mesh.hasTexCoords ? uint32_t(VMR_FLAG_TEXCOORDS) : 0u);
        appendU32(out, uint32_t(meshVertexCount(mesh)));
        appendU32(out, uint32_t(meshTriangleCount(mesh)));
        appendFloats(out, mesh.positions);
        appendFloats(out, mesh.normals);
        appendFloats(out, mesh.texCoords);
        for (uint32_t index : mesh.indices)
            appendU32(out, index);
    } catch (const std::bad_alloc &) {
        out.clear();
        return VmrError::OutOfMemory;
    }
    return VmrError::None;
}
