// Wavefront OBJ reading: statements tokenised in place on the bytes, corners deduplicated, polygons fanned.
#include "model-plugins/obj/obj_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// In a corner's uv and normal slots: the index was not given. Given ones are stored as index + 1.
const uint32_t NOT_GIVEN = 0;
// The most numbers a statement may hold: v x y z plus w or an r g b colour some exporters add.
const int MAX_NUMBERS = 7;

// Where the reader stands in the text.
struct ObjCursor {
    const uint8_t *p;
    const uint8_t *end;
    size_t line;  // from 1; CR LF, CR and LF each end one line
};

// A run of bytes inside the text, not NUL-terminated.
struct ObjToken {
    const char *begin;
    const char *end;
};

// Everything read so far.
struct ObjReader {
    ObjLimits limits;
    std::vector<float> positions;   // 3 per v
    std::vector<float> uvs;         // 2 per vt
    std::vector<float> normals;     // 3 per vn
    std::vector<uint32_t> corners;  // 3 per mesh vertex: position index, uv index + 1, normal index + 1
    std::vector<uint32_t> slots;    // open-addressing table of mesh vertex + 1 by corner; 0 is free
    std::vector<uint32_t> indices;  // 3 per triangle
    bool everyCornerHasUv = true;
};

// ---- tokens

bool isBlank(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isLineEnd(uint8_t c)
{
    return c == '\n' || c == '\r';
}

// A backslash right before a line end (or the end of the text) joins the next line to this one.
bool atContinuation(const ObjCursor &in)
{
    return *in.p == '\\' && (in.end - in.p == 1 || isLineEnd(in.p[1]));
}

// Steps over the line end at the cursor, CR LF as one.
void skipLineEnd(ObjCursor &in)
{
    bool cr = *in.p == '\r';
    ++in.p;
    if (cr && in.p < in.end && *in.p == '\n')
        ++in.p;
    ++in.line;
}

void skipBlanks(ObjCursor &in)
{
    while (in.p < in.end) {
        if (isBlank(*in.p)) {
            ++in.p;
        } else if (atContinuation(in)) {
            ++in.p;
            if (in.p < in.end)
                skipLineEnd(in);
        } else {
            break;
        }
    }
}

// The next token of the statement; an empty one at its end (a line end, a comment or the end of the text).
ObjToken nextToken(ObjCursor &in)
{
    skipBlanks(in);
    const uint8_t *start = in.p;
    while (in.p < in.end && !isBlank(*in.p) && !isLineEnd(*in.p) && *in.p != '#' && !atContinuation(in))
        ++in.p;
    return {reinterpret_cast<const char *>(start), reinterpret_cast<const char *>(in.p)};
}

// Skips what is left of the statement and its line end. A comment runs to the end of its own line:
// a backslash there does not continue it.
void skipStatement(ObjCursor &in)
{
    bool comment = false;
    while (in.p < in.end && !isLineEnd(*in.p)) {
        comment = comment || *in.p == '#';
        if (!comment && atContinuation(in)) {
            ++in.p;
            if (in.p < in.end)
                skipLineEnd(in);
        } else {
            ++in.p;
        }
    }
    if (in.p < in.end)
        skipLineEnd(in);
}

bool tokenEmpty(ObjToken token)
{
    return token.begin == token.end;
}

bool tokenIs(ObjToken token, const char *word)
{
    const char *c = token.begin;
    for (; *word != '\0'; ++word, ++c)
        if (c == token.end || *c != *word)
            return false;
    return c == token.end;
}

// ---- numbers

// Locale-free (from_chars): "1", "-2.5", ".5", "1e-3", and a leading plus. NaN, infinities and values
// beyond the float range are refused; values too small for a float round to a denormal or zero.
bool parseFloat(ObjToken token, float &value)
{
    const char *begin = token.begin;
    if (begin != token.end && *begin == '+') {
        ++begin;
        if (begin != token.end && *begin == '-')
            return false;
    }
    std::from_chars_result result = std::from_chars(begin, token.end, value);
    if (result.ec == std::errc::result_out_of_range) {
        double wide = 0.0;
        result = std::from_chars(begin, token.end, wide);
        if (result.ec != std::errc() || !(std::fabs(wide) < 1.0))
            return false;
        value = static_cast<float>(wide);
    }
    return result.ec == std::errc() && result.ptr == token.end && std::isfinite(value);
}

// Reads the rest of the statement as numbers: at least `least`, at most `most` (up to MAX_NUMBERS).
ObjError readNumbers(ObjCursor &in, int least, int most, float *values)
{
    int count = 0;
    for (ObjToken token = nextToken(in); !tokenEmpty(token); token = nextToken(in)) {
        if (count == most)
            return ObjError::BadStatement;
        if (!parseFloat(token, values[count]))
            return ObjError::BadNumber;
        ++count;
    }
    return count < least ? ObjError::BadStatement : ObjError::None;
}

// One v, vt or vn: keeps its first `kept` numbers (a vt without v gets v = 0); the others are read,
// checked and ignored (w, colours).
ObjError readElement(ObjCursor &in, int least, int most, size_t kept, std::vector<float> &out, size_t cap)
{
    float values[MAX_NUMBERS] = {};
    ObjError error = readNumbers(in, least, most, values);
    if (error != ObjError::None)
        return error;
    if (out.size() / kept >= cap)
        return ObjError::TooManyElements;
    out.insert(out.end(), values, values + kept);
    return ObjError::None;
}

// Indices count from 1; negative ones count back from the last element defined so far (-1 is the last).
bool parseIndex(ObjToken token, size_t defined, uint32_t &index)
{
    int64_t value = 0;
    std::from_chars_result result = std::from_chars(token.begin, token.end, value);
    if (result.ec != std::errc() || result.ptr != token.end)
        return false;
    int64_t count = static_cast<int64_t>(defined);
    if (value > 0 && value <= count)
        index = static_cast<uint32_t>(value - 1);
    else if (value < 0 && value >= -count)
        index = static_cast<uint32_t>(count + value);
    else
        return false;
    return true;
}

// ---- corners and faces

// Splits "a/b/c" at its slashes; returns the number of parts, or 4 for more than three.
int splitCorner(ObjToken token, ObjToken part[3])
{
    int parts = 0;
    const char *start = token.begin;
    for (const char *c = token.begin;; ++c) {
        if (c != token.end && *c != '/')
            continue;
        if (parts == 3)
            return 4;
        part[parts++] = {start, c};
        if (c == token.end)
            return parts;
        start = c + 1;
    }
}

uint64_t hashCorner(const uint32_t *corner)
{
    uint64_t h = (uint64_t(corner[0]) << 32 | corner[1]) ^ (uint64_t(corner[2]) * 0x9E3779B97F4A7C15ull);
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 31);
}

bool sameCorner(const uint32_t *a, const uint32_t *b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// The slot holding this corner's vertex, or the free slot where it belongs.
size_t findSlot(const ObjReader &r, const uint32_t *corner)
{
    size_t mask = r.slots.size() - 1;
    size_t i = size_t(hashCorner(corner)) & mask;
    while (r.slots[i] != 0 && !sameCorner(&r.corners[size_t(r.slots[i] - 1) * 3], corner))
        i = (i + 1) & mask;
    return i;
}

// Rebuilds the table at a new size (a power of two, more than twice the vertex count).
void resizeSlots(ObjReader &r, size_t capacity)
{
    r.slots.assign(capacity, 0);
    size_t count = r.corners.size() / 3;
    for (size_t vertex = 0; vertex < count; ++vertex)
        r.slots[findSlot(r, &r.corners[vertex * 3])] = static_cast<uint32_t>(vertex + 1);
}

// The mesh vertex of a (v, vt, vn) corner: the one made by the same triple before, or a new one.
ObjError findOrAddVertex(ObjReader &r, const uint32_t *corner, uint32_t &vertex)
{
    if (r.slots.empty())
        resizeSlots(r, 64);
    size_t slot = findSlot(r, corner);
    if (r.slots[slot] != 0) {
        vertex = r.slots[slot] - 1;
        return ObjError::None;
    }
    size_t count = r.corners.size() / 3;
    if (count >= r.limits.vertices)
        return ObjError::TooManyVertices;
    r.corners.insert(r.corners.end(), corner, corner + 3);
    vertex = static_cast<uint32_t>(count);
    if ((count + 1) * 2 > r.slots.size())
        resizeSlots(r, r.slots.size() * 2);
    else
        r.slots[slot] = vertex + 1;
    return ObjError::None;
}

// A corner "v", "v/vt", "v//vn" or "v/vt/vn"; any index may be negative.
ObjError readCorner(ObjToken token, ObjReader &r, uint32_t &vertex)
{
    ObjToken part[3];
    int parts = splitCorner(token, part);
    if (parts > 3 || tokenEmpty(part[0]) || (parts == 2 && tokenEmpty(part[1])) ||
        (parts == 3 && tokenEmpty(part[2])))
        return ObjError::BadFace;
    uint32_t corner[3] = {0, NOT_GIVEN, NOT_GIVEN};
    uint32_t index = 0;
    if (!parseIndex(part[0], r.positions.size() / 3, corner[0]))
        return ObjError::BadIndex;
    if (parts >= 2 && !tokenEmpty(part[1])) {
        if (!parseIndex(part[1], r.uvs.size() / 2, index))
            return ObjError::BadIndex;
        corner[1] = index + 1;
    }
    if (parts == 3) {
        if (!parseIndex(part[2], r.normals.size() / 3, index))
            return ObjError::BadIndex;
        corner[2] = index + 1;
    }
    if (corner[1] == NOT_GIVEN)
        r.everyCornerHasUv = false;
    return findOrAddVertex(r, corner, vertex);
}

ObjError addTriangle(ObjReader &r, uint32_t a, uint32_t b, uint32_t c)
{
    if (r.indices.size() / 3 >= r.limits.triangles)
        return ObjError::TooManyTriangles;
    uint32_t triangle[3] = {a, b, c};
    r.indices.insert(r.indices.end(), triangle, triangle + 3);
    return ObjError::None;
}

// A polygon of three or more corners, split as a fan around its first corner: (0, 1, 2), (0, 2, 3), ...
ObjError readFace(ObjCursor &in, ObjReader &r)
{
    uint32_t first = 0;
    uint32_t previous = 0;
    size_t count = 0;
    for (ObjToken token = nextToken(in); !tokenEmpty(token); token = nextToken(in), ++count) {
        uint32_t vertex = 0;
        ObjError error = readCorner(token, r, vertex);
        if (error == ObjError::None && count >= 2)
            error = addTriangle(r, first, previous, vertex);
        if (error != ObjError::None)
            return error;
        if (count == 0)
            first = vertex;
        previous = vertex;
    }
    return count < 3 ? ObjError::BadFace : ObjError::None;
}

ObjError readStatement(ObjToken keyword, ObjCursor &in, ObjReader &r)
{
    if (tokenIs(keyword, "v"))
        return readElement(in, 3, MAX_NUMBERS, 3, r.positions, r.limits.elements);
    if (tokenIs(keyword, "vt"))
        return readElement(in, 1, 3, 2, r.uvs, r.limits.elements);
    if (tokenIs(keyword, "vn"))
        return readElement(in, 3, 3, 3, r.normals, r.limits.elements);
    if (tokenIs(keyword, "f"))
        return readFace(in, r);
    // Everything else (o, g, s, usemtl, mtllib, l, p, vp, curves, ...) adds nothing a painter draws.
    return ObjError::None;
}

ObjStatus readText(ObjCursor &in, ObjReader &r)
{
    static const uint8_t BYTE_ORDER_MARK[3] = {0xEF, 0xBB, 0xBF};
    if (in.end - in.p >= 3 && std::equal(BYTE_ORDER_MARK, BYTE_ORDER_MARK + 3, in.p))
        in.p += 3;
    while (in.p < in.end) {
        ObjToken keyword = nextToken(in);
        size_t line = in.line;
        ObjError error = readStatement(keyword, in, r);
        if (error != ObjError::None)
            return {error, line};
        skipStatement(in);
    }
    return {};
}

// ---- the mesh

// Writes the unit vector of (x, y, z); false when it has no length. Double precision, so that no
// square of a float can overflow or vanish.
bool normalise(double x, double y, double z, float *out)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length))
        return false;
    out[0] = static_cast<float>(x / length);
    out[1] = static_cast<float>(y / length);
    out[2] = static_cast<float>(z / length);
    return true;
}

double largestCoordinate(const std::vector<float> &values)
{
    double largest = 0.0;
    for (float value : values)
        largest = std::max(largest, std::fabs(double(value)));
    return largest;
}

// Per position, the sum of the normals of the triangles around it, each as long as twice the
// triangle's area, so large faces weigh more than slivers. Coordinates are divided by the largest one
// first, so the sums stay small whatever the model's units.
std::vector<float> smoothNormals(const ObjReader &r)
{
    std::vector<float> sum(r.positions.size(), 0.0f);
    double unit = largestCoordinate(r.positions);
    if (!(unit > 0.0))
        return sum;
    for (size_t t = 0; t < r.indices.size(); t += 3) {
        size_t at[3];
        double p[3][3];
        for (int k = 0; k < 3; ++k) {
            at[k] = size_t(r.corners[size_t(r.indices[t + k]) * 3]) * 3;
            for (int i = 0; i < 3; ++i)
                p[k][i] = r.positions[at[k] + i] / unit;
        }
        double e[2][3];
        for (int i = 0; i < 3; ++i) {
            e[0][i] = p[1][i] - p[0][i];
            e[1][i] = p[2][i] - p[0][i];
        }
        double n[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
                       e[0][0] * e[1][1] - e[0][1] * e[1][0]};
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i)
                sum[at[k] + i] += static_cast<float>(n[i]);
    }
    return sum;
}

// Given normals are normalised; a vertex without one, or with one of no length, takes the smooth normal
// of its position, and (0, 0, 1) when that has no length either (only degenerate triangles touch it).
void setNormals(const ObjReader &r, VmrMesh &mesh)
{
    size_t count = r.corners.size() / 3;
    std::vector<uint32_t> missing;
    for (size_t v = 0; v < count; ++v) {
        uint32_t given = r.corners[v * 3 + 2];
        const float *n = given != NOT_GIVEN ? &r.normals[size_t(given - 1) * 3] : nullptr;
        if (n == nullptr || !normalise(n[0], n[1], n[2], &mesh.normals[v * 3]))
            missing.push_back(static_cast<uint32_t>(v));
    }
    if (missing.empty())
        return;
    std::vector<float> smooth = smoothNormals(r);
    for (uint32_t v : missing) {
        const float *s = &smooth[size_t(r.corners[size_t(v) * 3]) * 3];
        float *out = &mesh.normals[size_t(v) * 3];
        if (!normalise(s[0], s[1], s[2], out)) {
            out[0] = 0.0f;
            out[1] = 0.0f;
            out[2] = 1.0f;
        }
    }
}

void buildMesh(ObjReader &r, VmrMesh &mesh)
{
    size_t count = r.corners.size() / 3;
    mesh.hasTexCoords = count > 0 && r.everyCornerHasUv;
    mesh.positions.resize(count * 3);
    mesh.normals.resize(count * 3);
    mesh.texCoords.resize(mesh.hasTexCoords ? count * 2 : 0);
    for (size_t v = 0; v < count; ++v) {
        const float *p = &r.positions[size_t(r.corners[v * 3]) * 3];
        std::copy(p, p + 3, &mesh.positions[v * 3]);
        if (mesh.hasTexCoords) {
            const float *uv = &r.uvs[size_t(r.corners[v * 3 + 1] - 1) * 2];
            std::copy(uv, uv + 2, &mesh.texCoords[v * 2]);
        }
    }
    setNormals(r, mesh);
    mesh.indices = std::move(r.indices);
}

} // namespace

const char *objErrorText(ObjError error)
{
    switch (error) {
    case ObjError::None: return "no error";
    case ObjError::BadNumber: return "bad number (malformed, NaN, infinite or out of range)";
    case ObjError::BadStatement: return "wrong count of numbers in v, vt or vn";
    case ObjError::BadFace: return "face with fewer than three corners or a malformed corner";
    case ObjError::BadIndex: return "index zero, malformed or naming an element not yet defined";
    case ObjError::TooManyElements: return "too many v, vt or vn statements";
    case ObjError::TooManyVertices: return "too many vertices";
    case ObjError::TooManyTriangles: return "too many triangles";
    case ObjError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

ObjStatus decodeObj(const uint8_t *data, size_t size, VmrMesh &mesh, const ObjLimits &limits)
{
    mesh = VmrMesh();
    if (data == nullptr || size == 0)
        return {};
    try {
        ObjReader reader;
        reader.limits.elements = std::min(limits.elements, size_t(OBJ_MAX_ELEMENTS));
        reader.limits.vertices = std::min(limits.vertices, size_t(OBJ_MAX_VERTICES));
        reader.limits.triangles = std::min(limits.triangles, size_t(OBJ_MAX_TRIANGLES));
        ObjCursor in = {data, data + size, 1};
        ObjStatus status = readText(in, reader);
        if (status.error == ObjError::None)
            buildMesh(reader, mesh);
        return status;
    } catch (const std::bad_alloc &) {
        mesh = VmrMesh();
        return {ObjError::OutOfMemory, 0};
    }
}

void fitMeshInCube(VmrMesh &mesh, float side)
{
    size_t count = mesh.positions.size() / 3;
    if (count == 0)
        return;
    double low[3], high[3];
    for (int i = 0; i < 3; ++i)
        low[i] = high[i] = mesh.positions[i];
    for (size_t v = 1; v < count; ++v) {
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], double(mesh.positions[v * 3 + i]));
            high[i] = std::max(high[i], double(mesh.positions[v * 3 + i]));
        }
    }
    double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    double scale = extent > 0.0 ? side / extent : 1.0;
    for (size_t v = 0; v < count; ++v) {
        for (int i = 0; i < 3; ++i) {
            double centred = mesh.positions[v * 3 + i] - (low[i] + high[i]) / 2;
            mesh.positions[v * 3 + i] = static_cast<float>(centred * scale);
        }
    }
}
