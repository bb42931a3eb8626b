// Wavefront OBJ reading: statements tokenised in place on the bytes, corners deduplicated, polygons fanned.
#include "model-plugins/obj/obj_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

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

// The material the faces being read make their triangles with: none before the first usemtl.
const size_t NO_MATERIAL = SIZE_MAX;

// Everything read so far, and why the statement being read is refused.
struct ObjReader {
    size_t maxElements = OBJ_MAX_ELEMENTS;
    size_t maxMaterials = OBJ_MAX_MATERIALS;
    MeshBuilder mesh;
    char reason[160] = "";
    ObjMaterials *materials = nullptr;  // null: the caller does not want them
    std::unordered_map<std::string, size_t> materialIndex;  // into materials->used
    size_t material = NO_MATERIAL;
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

// The token as a message shows it: at most 24 bytes, each outside printable ASCII as '?', "..." when cut.
void quoteToken(ObjToken token, char (&out)[32])
{
    const size_t shown = 24;
    size_t length = size_t(token.end - token.begin);
    size_t n = 0;
    for (; n < length && n < shown; ++n) {
        unsigned char c = static_cast<unsigned char>(token.begin[n]);
        out[n] = c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    for (const char *dots = length > shown ? "..." : ""; *dots != '\0'; ++dots)
        out[n++] = *dots;
    out[n] = '\0';
}

// Writes the reason for a token the statement cannot take, as '"token" ' followed by `what`.
ObjError refuseToken(ObjReader &r, ObjError error, ObjToken token, const char *what)
{
    char quoted[32];
    quoteToken(token, quoted);
    std::snprintf(r.reason, sizeof r.reason, "\"%s\" %s", quoted, what);
    return error;
}

// ---- numbers

// Locale-free (from_chars): "1", "-2.5", ".5", "1e-3", and a leading plus. As the common readers (strtod,
// atof) take numbers, a token is read as the longest number it starts with and the rest is dropped: exporters
// that bend the syntax ("3.1+e2", "1,5") still load, as 3.1 and 1. Only a token that starts with no number
// at all is refused, and NaN, infinities and values beyond the float range; values too small for a float
// round to a denormal or zero. Returns what is wrong with the token, or nullptr.
const char *parseFloat(ObjToken token, float &value)
{
    const char *begin = token.begin;
    if (begin != token.end && *begin == '+') {
        ++begin;
        if (begin != token.end && *begin == '-')
            return "is not a number";
    }
    std::from_chars_result result = std::from_chars(begin, token.end, value);
    if (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)
        return "is not a number";
    if (result.ec == std::errc())
        return std::isfinite(value) ? nullptr : "is not a finite number";
    double wide = 0.0;
    result = std::from_chars(begin, token.end, wide);
    if (result.ec != std::errc() || !(std::fabs(wide) < 1.0))
        return "is out of range";
    value = static_cast<float>(wide);
    return nullptr;
}

// Reads the rest of the statement as numbers: at least `least`, at most `most` (up to MAX_NUMBERS).
ObjError readNumbers(ObjCursor &in, ObjReader &r, const char *keyword, int least, int most, float *values)
{
    int count = 0;
    bool tooMany = false;
    for (ObjToken token = nextToken(in); !tokenEmpty(token); token = nextToken(in)) {
        tooMany = count == most;
        if (tooMany)
            break;
        if (const char *fault = parseFloat(token, values[count]))
            return refuseToken(r, ObjError::BadNumber, token, fault);
        ++count;
    }
    if (count >= least && !tooMany)
        return ObjError::None;
    if (least == most)
        std::snprintf(r.reason, sizeof r.reason, "%s takes %d numbers", keyword, least);
    else
        std::snprintf(r.reason, sizeof r.reason, "%s takes %d to %d numbers", keyword, least, most);
    return ObjError::BadStatement;
}

// One v, vt or vn: keeps its first `kept` numbers (a vt without v gets v = 0); the others are read,
// checked and ignored (w, colours).
ObjError readElement(ObjCursor &in, ObjReader &r, const char *keyword, int least, int most, size_t kept,
                     std::vector<float> &out)
{
    float values[MAX_NUMBERS] = {};
    ObjError error = readNumbers(in, r, keyword, least, most, values);
    if (error != ObjError::None)
        return error;
    if (out.size() / kept >= r.maxElements) {
        std::snprintf(r.reason, sizeof r.reason, "more than %zu %s statements", r.maxElements, keyword);
        return ObjError::TooManyElements;
    }
    out.insert(out.end(), values, values + kept);
    return ObjError::None;
}

// Indices count from 1; negative ones count back from the last element defined so far (-1 is the last).
ObjError parseIndex(ObjToken token, ObjReader &r, const char *kind, size_t defined, uint32_t &index)
{
    int64_t value = 0;
    std::from_chars_result result = std::from_chars(token.begin, token.end, value);
    bool integer = result.ptr == token.end && (result.ec == std::errc() || result.ec == std::errc::result_out_of_range);
    int64_t count = static_cast<int64_t>(defined);
    if (integer && result.ec == std::errc() && value > 0 && value <= count) {
        index = static_cast<uint32_t>(value - 1);
        return ObjError::None;
    }
    if (integer && result.ec == std::errc() && value < 0 && value >= -count) {
        index = static_cast<uint32_t>(count + value);
        return ObjError::None;
    }
    char quoted[32];
    quoteToken(token, quoted);
    if (integer)
        std::snprintf(r.reason, sizeof r.reason, "%s index %s is out of range", kind, quoted);
    else
        std::snprintf(r.reason, sizeof r.reason, "\"%s\" is not a %s index", quoted, kind);
    return ObjError::BadIndex;
}

// ---- materials

// The bytes from the cursor to the end of its line: mtllib and usemtl take names that may hold spaces.
ObjToken restOfLine(const ObjCursor &in)
{
    const uint8_t *end = in.p;
    while (end < in.end && !isLineEnd(*end))
        ++end;
    return {reinterpret_cast<const char *>(in.p), reinterpret_cast<const char *>(end)};
}

void readLibraries(const ObjCursor &in, ObjReader &r)
{
    ObjToken rest = restOfLine(in);
    std::vector<std::string> &libraries = r.materials->libraries;
    for (std::string &name : splitLibraryNames(rest.begin, rest.end)) {
        bool known = std::find(libraries.begin(), libraries.end(), name) != libraries.end();
        if (!known && libraries.size() < OBJ_MAX_LIBRARIES)
            libraries.push_back(std::move(name));
    }
}

ObjError selectMaterial(const ObjCursor &in, ObjReader &r)
{
    ObjToken rest = restOfLine(in);
    std::string name = materialNameFrom(rest.begin, rest.end);
    if (name.empty()) {
        r.material = NO_MATERIAL;
        return ObjError::None;
    }
    if (name.size() > OBJ_MAX_MATERIAL_NAME) {
        std::snprintf(r.reason, sizeof r.reason, "a material name longer than %zu bytes",
                      size_t(OBJ_MAX_MATERIAL_NAME));
        return ObjError::TooManyMaterials;
    }
    auto found = r.materialIndex.find(name);
    if (found != r.materialIndex.end()) {
        r.material = found->second;
        return ObjError::None;
    }
    if (r.materials->used.size() >= r.maxMaterials) {
        std::snprintf(r.reason, sizeof r.reason, "more than %zu materials", r.maxMaterials);
        return ObjError::TooManyMaterials;
    }
    r.material = r.materials->used.size();
    r.materialIndex.emplace(name, r.material);
    r.materials->used.push_back({std::move(name), 0});
    return ObjError::None;
}

void countTriangles(ObjReader &r, size_t triangles)
{
    if (r.materials != nullptr && r.material != NO_MATERIAL)
        r.materials->used[r.material].triangles += triangles;
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

// A corner "v", "v/vt", "v//vn" or "v/vt/vn"; any index may be negative.
ObjError readCorner(ObjToken token, ObjReader &r, uint32_t &vertex)
{
    ObjToken part[3];
    int parts = splitCorner(token, part);
    if (parts > 3 || tokenEmpty(part[0]) || (parts == 2 && tokenEmpty(part[1])) ||
        (parts == 3 && tokenEmpty(part[2])))
        return refuseToken(r, ObjError::BadFace, token, "is not a face corner");
    MeshBuilder &b = r.mesh;
    uint32_t index[3] = {0, CORNER_NONE, CORNER_NONE};
    ObjError error = parseIndex(part[0], r, "vertex", b.positions.size() / 3, index[0]);
    if (error == ObjError::None && parts >= 2 && !tokenEmpty(part[1]))
        error = parseIndex(part[1], r, "texture coordinate", b.uvs.size() / 2, index[1]);
    if (error == ObjError::None && parts == 3)
        error = parseIndex(part[2], r, "normal", b.normals.size() / 3, index[2]);
    if (error == ObjError::None && !addMeshCorner(b, index[0], index[1], index[2], vertex)) {
        std::snprintf(r.reason, sizeof r.reason, "more than %zu distinct face corners", b.maxVertices);
        error = ObjError::TooManyVertices;
    }
    return error;
}

ObjError addTriangle(ObjReader &r, uint32_t a, uint32_t b, uint32_t c)
{
    if (addMeshTriangle(r.mesh, a, b, c))
        return ObjError::None;
    std::snprintf(r.reason, sizeof r.reason, "more than %zu triangles", r.mesh.maxTriangles);
    return ObjError::TooManyTriangles;
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
    if (count >= 3) {
        countTriangles(r, count - 2);
        return ObjError::None;
    }
    std::snprintf(r.reason, sizeof r.reason, "a face needs at least three corners");
    return ObjError::BadFace;
}

ObjError readStatement(ObjToken keyword, ObjCursor &in, ObjReader &r)
{
    if (tokenIs(keyword, "v"))
        return readElement(in, r, "v", 3, MAX_NUMBERS, 3, r.mesh.positions);
    if (tokenIs(keyword, "vt"))
        return readElement(in, r, "vt", 1, 3, 2, r.mesh.uvs);
    if (tokenIs(keyword, "vn"))
        return readElement(in, r, "vn", 3, 3, 3, r.mesh.normals);
    if (tokenIs(keyword, "f"))
        return readFace(in, r);
    // The materials only name the picture the model is painted with; they refuse a text only past their caps.
    if (r.materials != nullptr && tokenIs(keyword, "mtllib"))
        readLibraries(in, r);
    if (r.materials != nullptr && tokenIs(keyword, "usemtl"))
        return selectMaterial(in, r);
    // Everything else (o, g, s, l, p, vp, curves, ...) adds nothing a painter draws.
    return ObjError::None;
}

ObjStatus readText(ObjCursor &in, ObjReader &r)
{
    static const uint8_t BYTE_ORDER_MARK[3] = {0xEF, 0xBB, 0xBF};
    if (in.end - in.p >= 3 && std::equal(BYTE_ORDER_MARK, BYTE_ORDER_MARK + 3, in.p))
        in.p += 3;
    ObjStatus status;
    while (in.p < in.end) {
        ObjToken keyword = nextToken(in);
        size_t line = in.line;
        status.error = readStatement(keyword, in, r);
        if (status.error != ObjError::None) {
            status.line = line;
            std::snprintf(status.reason, sizeof status.reason, "line %zu: %s", line, r.reason);
            return status;
        }
        skipStatement(in);
    }
    return status;
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
    case ObjError::TooManyMaterials: return "too many materials, or a material name too long";
    case ObjError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

ObjStatus decodeObj(const uint8_t *data, size_t size, Mesh &mesh, const ObjLimits &limits, ObjMaterials *materials)
{
    mesh = Mesh();
    if (materials != nullptr)
        *materials = ObjMaterials();
    if (data == nullptr || size == 0)
        return {};
    try {
        ObjReader reader;
        reader.maxElements = std::min(limits.elements, size_t(OBJ_MAX_ELEMENTS));
        reader.mesh.maxVertices = std::min(limits.vertices, size_t(OBJ_MAX_VERTICES));
        reader.mesh.maxTriangles = std::min(limits.triangles, size_t(OBJ_MAX_TRIANGLES));
        reader.maxMaterials = std::min(limits.materials, size_t(OBJ_MAX_MATERIALS));
        reader.materials = materials;
        ObjCursor in = {data, data + size, 1};
        ObjStatus status = readText(in, reader);
        if (status.error == ObjError::None)
            buildMesh(reader.mesh, mesh);
        else if (materials != nullptr)
            *materials = ObjMaterials();
        return status;
    } catch (const std::bad_alloc &) {
        mesh = Mesh();
        if (materials != nullptr)
            *materials = ObjMaterials();
        ObjStatus status;
        status.error = ObjError::OutOfMemory;
        std::snprintf(status.reason, sizeof status.reason, "not enough memory to read the model");
        return status;
    }
}
