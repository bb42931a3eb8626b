// Quake II MD2 reading: the header checked field by field against the data, then the triangles and the frames.
#include "model-plugins/md2/md2_format.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/common/model_paths.h"

const uint8_t MD2_MAGIC[4] = {'I', 'D', 'P', '2'};

namespace {

uint32_t readU32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t readU16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The value whose bits these are, as a signed integer or a float of the same size.
template <typename Value, typename Bits> Value fromBits(Bits bits)
{
    static_assert(sizeof(Value) == sizeof(Bits), "same size");
    Value value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int32_t readI32(const uint8_t *p)
{
    return fromBits<int32_t>(readU32(p));
}

int16_t readI16(const uint8_t *p)
{
    return fromBits<int16_t>(readU16(p));
}

float readF32(const uint8_t *p)
{
    return fromBits<float>(readU32(p));
}

// The checked header: every count non-negative and every section within [MD2_HEADER_BYTES, end).
struct Md2Layout {
    const uint8_t *data;
    size_t end; // the header's file length, at most the data's size
    int32_t field[MD2_HEADER_BYTES / 4];
};

int32_t fieldOf(const Md2Layout &l, Md2Field f)
{
    return l.field[f / 4];
}

// One section: count records of recordBytes each (0: the frame size) at offset.
struct Md2Section {
    const char *name;
    Md2Field count;
    Md2Field offset;
    size_t recordBytes;
};

const Md2Section SECTIONS[] = {
    {"skin names", MD2_NUM_SKINS, MD2_OFS_SKINS, MD2_SKIN_BYTES},
    {"texture coordinates", MD2_NUM_TEXCOORDS, MD2_OFS_TEXCOORDS, MD2_TEXCOORD_BYTES},
    {"triangles", MD2_NUM_TRIANGLES, MD2_OFS_TRIANGLES, MD2_TRIANGLE_BYTES},
    {"frames", MD2_NUM_FRAMES, MD2_OFS_FRAMES, 0},
    {"GL commands", MD2_NUM_GLCMDS, MD2_OFS_GLCMDS, MD2_GLCMD_BYTES},
};

// The compilers that can check the reasons' formats against their arguments do.
#if defined(__MINGW32__)
#define REASON_FORMAT __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)))
#elif defined(__GNUC__)
#define REASON_FORMAT __attribute__((format(printf, 2, 3)))
#else
#define REASON_FORMAT
#endif

REASON_FORMAT Md2Status refuse(Md2Error error, const char *format, ...)
{
    Md2Status status;
    status.error = error;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(status.reason, sizeof status.reason, format, arguments);
    va_end(arguments);
    return status;
}

Md2Status checkIdentity(const uint8_t *data, size_t size)
{
    if (size < MD2_HEADER_BYTES)
        return refuse(Md2Error::TooShort, "the file is shorter than an MD2 header (%zu bytes)",
                      size_t(MD2_HEADER_BYTES));
    if (std::memcmp(data + MD2_IDENT, MD2_MAGIC, sizeof MD2_MAGIC) != 0)
        return refuse(Md2Error::BadMagic, "the file is not an MD2 model (it does not start with \"IDP2\")");
    int32_t version = readI32(data + MD2_VERSION_FIELD);
    if (version != MD2_VERSION)
        return refuse(Md2Error::BadVersion, "MD2 version %d is not supported (only version %d is)", int(version),
                      int(MD2_VERSION));
    return Md2Status();
}

Md2Status refuseCount(const char *name, int32_t count)
{
    return refuse(Md2Error::BadCount, "the header's count of %s (%d) is negative", name, int(count));
}

// The skin has a size; every count is at least 0 and there is a frame; the header's file length lies between
// the header's size and the data's.
Md2Status checkCounts(const Md2Layout &l, size_t size)
{
    int32_t width = fieldOf(l, MD2_SKIN_WIDTH), height = fieldOf(l, MD2_SKIN_HEIGHT);
    int32_t vertices = fieldOf(l, MD2_NUM_VERTICES), end = fieldOf(l, MD2_OFS_END);
    if (width <= 0 || height <= 0)
        return refuse(Md2Error::BadSkinSize, "the header's skin size (%d x %d) has a side of 0 or less", int(width),
                      int(height));
    if (vertices < 0)
        return refuseCount("vertices", vertices);
    for (const Md2Section &section : SECTIONS)
        if (fieldOf(l, section.count) < 0)
            return refuseCount(section.name, fieldOf(l, section.count));
    if (fieldOf(l, MD2_NUM_FRAMES) == 0)
        return refuse(Md2Error::BadCount, "the model has no frame");
    if (end < int32_t(MD2_HEADER_BYTES) || size_t(end) > size)
        return refuse(Md2Error::BadLength, "the header says the file is %d bytes long, but it has %zu", int(end),
                      size);
    return Md2Status();
}

// Frames must hold their header and every vertex; checked before the frames are measured by their size.
Md2Status checkFrameSize(const Md2Layout &l)
{
    int32_t frameSize = fieldOf(l, MD2_FRAME_SIZE);
    size_t vertices = size_t(fieldOf(l, MD2_NUM_VERTICES));
    if (frameSize < int32_t(MD2_FRAME_HEADER_BYTES) ||
        vertices > (size_t(frameSize) - MD2_FRAME_HEADER_BYTES) / MD2_VERTEX_BYTES)
        return refuse(Md2Error::BadFrameSize, "the frame size (%d bytes) is too small for %zu vertices",
                      int(frameSize), vertices);
    return Md2Status();
}

// Each section of records must lie after the header and end within the header's file length. Sizes are
// compared by subtraction and division, so no product of counts can overflow.
Md2Status checkSections(const Md2Layout &l)
{
    for (const Md2Section &section : SECTIONS) {
        size_t count = size_t(fieldOf(l, section.count));
        int32_t offset = fieldOf(l, section.offset);
        size_t record = section.recordBytes != 0 ? section.recordBytes : size_t(fieldOf(l, MD2_FRAME_SIZE));
        if (count == 0)
            continue;
        if (offset < int32_t(MD2_HEADER_BYTES))
            return refuse(Md2Error::BadSection, "the %s start at offset %d, before the end of the header",
                          section.name, int(offset));
        if (size_t(offset) > l.end || count > (l.end - size_t(offset)) / record)
            return refuse(Md2Error::BadSection, "the %s (%zu at offset %d) run past the end of the file (%zu bytes)",
                          section.name, count, int(offset), l.end);
    }
    return Md2Status();
}

Md2Status checkLayout(const uint8_t *data, size_t size, Md2Layout &l)
{
    Md2Status s = checkIdentity(data, size);
    if (s.error != Md2Error::None)
        return s;
    l.data = data;
    for (size_t f = 0; f < MD2_HEADER_BYTES / 4; ++f)
        l.field[f] = readI32(data + f * 4);
    s = checkCounts(l, size);
    if (s.error != Md2Error::None)
        return s;
    l.end = size_t(fieldOf(l, MD2_OFS_END));
    s = checkFrameSize(l);
    return s.error != Md2Error::None ? s : checkSections(l);
}

// A frame's vertices, scaled, moved and turned from Z-up to Y-up, x, y, z per file vertex.
Md2Status readFrame(const Md2Layout &l, size_t index, std::vector<float> &positions)
{
    const uint8_t *frame = l.data + fieldOf(l, MD2_OFS_FRAMES) + index * size_t(fieldOf(l, MD2_FRAME_SIZE));
    float scale[3], translate[3];
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
        scale[i] = readF32(frame + i * 4);
        translate[i] = readF32(frame + 12 + i * 4);
        finite = finite && std::isfinite(scale[i]) && std::isfinite(translate[i]);
    }
    if (!finite)
        return refuse(Md2Error::BadFrame, "frame %zu: its scale or translation is not a finite number", index);
    size_t count = size_t(fieldOf(l, MD2_NUM_VERTICES));
    positions.resize(count * 3);
    const uint8_t *vertex = frame + MD2_FRAME_HEADER_BYTES;
    for (size_t v = 0; v < count; ++v, vertex += MD2_VERTEX_BYTES) {
        float p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = scale[i] * vertex[i] + translate[i];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return refuse(Md2Error::BadFrame, "frame %zu: vertex %zu lies beyond the float range", index, v);
        const float turned[3] = {p[1], p[2], p[0]};
        std::memcpy(&positions[v * 3], turned, sizeof turned);
    }
    return Md2Status();
}

void readTexCoords(const Md2Layout &l, MeshBuilder &b)
{
    size_t count = size_t(fieldOf(l, MD2_NUM_TEXCOORDS));
    float width = float(fieldOf(l, MD2_SKIN_WIDTH)), height = float(fieldOf(l, MD2_SKIN_HEIGHT));
    const uint8_t *st = l.data + fieldOf(l, MD2_OFS_TEXCOORDS);
    b.uvs.resize(count * 2);
    for (size_t i = 0; i < count; ++i, st += MD2_TEXCOORD_BYTES) {
        b.uvs[i * 2] = float(readI16(st)) / width;
        b.uvs[i * 2 + 1] = 1.0f - float(readI16(st + 2)) / height;
    }
}

Md2Status refuseIndex(size_t triangle, const char *kind, unsigned index, int32_t count, const char *counted)
{
    return refuse(Md2Error::BadIndex, "triangle %zu: %s index %u is out of range (the model has %d %s)", triangle,
                  kind, index, int(count), counted);
}

Md2Status refuseSize(const char *what, size_t cap)
{
    return refuse(Md2Error::TooLarge, "the model has more than %zu %s", cap, what);
}

// MD2 triangles wind clockwise seen from outside; the mesh takes them counter-clockwise.
Md2Status readTriangles(const Md2Layout &l, MeshBuilder &b)
{
    size_t count = size_t(fieldOf(l, MD2_NUM_TRIANGLES));
    int32_t vertices = fieldOf(l, MD2_NUM_VERTICES), texCoords = fieldOf(l, MD2_NUM_TEXCOORDS);
    const uint8_t *record = l.data + fieldOf(l, MD2_OFS_TRIANGLES);
    for (size_t t = 0; t < count; ++t, record += MD2_TRIANGLE_BYTES) {
        uint32_t corner[3];
        for (int k = 0; k < 3; ++k) {
            uint16_t vertex = readU16(record + k * 2), texCoord = readU16(record + 6 + k * 2);
            if (vertex >= vertices)
                return refuseIndex(t, "vertex", vertex, vertices, "vertices");
            if (texCoord >= texCoords)
                return refuseIndex(t, "texture coordinate", texCoord, texCoords, "texture coordinates");
            if (!addMeshCorner(b, vertex, texCoord, CORNER_NONE, corner[k]))
                return refuseSize("distinct corners", b.maxVertices);
        }
        if (!addMeshTriangle(b, corner[0], corner[2], corner[1]))
            return refuseSize("triangles", b.maxTriangles);
    }
    return Md2Status();
}

// Adds a path unless it is there already.
void addCandidate(std::vector<std::string> &candidates, const std::string &path)
{
    for (const std::string &known : candidates)
        if (known == path)
            return;
    candidates.push_back(path);
}

// The name, and for a PCX skin the same name as PNG and TGA, which tools often convert Quake's skins to.
void addSkinForms(std::vector<std::string> &candidates, const std::string &name)
{
    if (name.empty())
        return;
    addCandidate(candidates, name);
    if (!hasExtension(name, ".pcx"))
        return;
    const std::string stem = name.substr(0, name.size() - 4);
    addCandidate(candidates, stem + ".png");
    addCandidate(candidates, stem + ".tga");
}

// A frame's name: its 16-byte field up to the first NUL, bytes outside printable ASCII left out.
std::string frameName(const Md2Layout &l, size_t index)
{
    const uint8_t *field = l.data + fieldOf(l, MD2_OFS_FRAMES) + index * size_t(fieldOf(l, MD2_FRAME_SIZE)) + 24;
    std::string name;
    for (size_t i = 0; i < MD2_FRAME_NAME_BYTES && field[i] != 0; ++i)
        if (field[i] >= 0x20 && field[i] < 0x7F)
            name += char(field[i]);
    return name;
}

// Every frame after the first becomes a pose of the mesh, the first included, when there is more than one.
Md2Status readPoses(const Md2Layout &l, const MeshBuilder &b, Mesh &mesh)
{
    const size_t frames = size_t(fieldOf(l, MD2_NUM_FRAMES));
    if (frames < 2 || mesh.indices.empty())
        return Md2Status();
    std::vector<float> positions;
    for (size_t f = 0; f < frames; ++f) {
        Md2Status status = f == 0 ? Md2Status() : readFrame(l, f, positions);
        if (status.error != Md2Error::None)
            return status;
        addMeshPose(b, f == 0 ? b.positions : positions, mesh);
        mesh.poseNames.push_back(frameName(l, f));
    }
    return Md2Status();
}

Md2Status readModel(const uint8_t *data, size_t size, Mesh &mesh)
{
    Md2Layout layout;
    Md2Status status = checkLayout(data, size, layout);
    if (status.error != Md2Error::None)
        return status;
    MeshBuilder builder;
    status = readFrame(layout, 0, builder.positions);
    if (status.error != Md2Error::None)
        return status;
    readTexCoords(layout, builder);
    status = readTriangles(layout, builder);
    if (status.error != Md2Error::None)
        return status;
    buildMesh(builder, mesh);
    return readPoses(layout, builder, mesh);
}

} // namespace

Md2Status decodeMd2(const uint8_t *data, size_t size, Mesh &mesh)
{
    mesh = Mesh();
    Md2Status status;
    try {
        status = data != nullptr ? readModel(data, size, mesh) : checkIdentity(data, 0);
    } catch (const std::bad_alloc &) {
        status = refuse(Md2Error::OutOfMemory, "not enough memory to read the model");
    }
    if (status.error != Md2Error::None)
        mesh = Mesh();
    return status;
}

std::vector<std::string> readMd2SkinNames(const uint8_t *data, size_t size)
{
    std::vector<std::string> names;
    Md2Layout layout;
    if (data == nullptr || checkLayout(data, size, layout).error != Md2Error::None)
        return names;
    const size_t count = size_t(fieldOf(layout, MD2_NUM_SKINS));
    const uint8_t *field = data + fieldOf(layout, MD2_OFS_SKINS);
    for (size_t i = 0; i < count && i < MD2_MAX_SKIN_NAMES; ++i, field += MD2_SKIN_BYTES) {
        const void *end = std::memchr(field, 0, MD2_SKIN_BYTES);
        if (end != nullptr && end != field)
            names.emplace_back(reinterpret_cast<const char *>(field), static_cast<const uint8_t *>(end) - field);
    }
    return names;
}

// Skin names are paths from the game's own folder ("models/monsters/tank/skin.pcx"); a model copied out on its
// own usually has its skins beside it, hence the file name alone.
std::vector<std::string> md2SkinCandidates(const std::vector<std::string> &names)
{
    std::vector<std::string> candidates;
    for (const std::string &name : names) {
        const std::string path = withBackslashes(name);
        if (fileNameOfPath(path).empty()) // a folder names no picture
            continue;
        addSkinForms(candidates, path);
        addSkinForms(candidates, fileNameOfPath(path));
    }
    return candidates;
}
