// Models whose texture layouts are made of separate islands, as OBJ text with the triangles obj.dll reports.
#include "tools/island_models.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const double PI = 3.14159265358979323846;

// One face part, origin + s * a + t * b for s and t from 0 to 1, with a x b pointing out of the model, so its
// triangles run counter-clockwise seen from outside. Its chart is the rectangle [u0, u1] x [v0, v1].
struct Patch {
    double origin[3], a[3], b[3];
    double u0, v0, u1, v1;
    int32_t steps;   // quads along each side
    bool spherical;  // points pushed out onto the unit sphere
    double bulge;    // the chart's bottom and top edges bow up by this share of its height
};

struct ObjWriter {
    std::string text;
    size_t positions = 0;
    size_t uvs = 0;
    std::vector<UvTriangle> triangles;
};

void appendPosition(ObjWriter &w, double x, double y, double z)
{
    char line[128];
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x, y, z);
    w.text += line;
}

// Texture coordinates are made floats first and written with 9 digits, which read back as exactly those floats,
// so the triangles listed here are bit for bit the ones the reader reports.
void appendUv(ObjWriter &w, float u, float v, std::vector<float> &uvs)
{
    char line[64];
    std::snprintf(line, sizeof line, "vt %.9g %.9g\n", double(u), double(v));
    w.text += line;
    uvs.push_back(u);
    uvs.push_back(v);
}

// Face of corners (position, uv) given as indices from 0 within the whole text.
void appendFace(ObjWriter &w, const size_t p[3], const size_t t[3], const std::vector<float> &uvs, size_t uvBase)
{
    char line[160];
    std::snprintf(line, sizeof line, "f %zu/%zu %zu/%zu %zu/%zu\n", p[0] + 1, t[0] + 1, p[1] + 1, t[1] + 1,
                  p[2] + 1, t[2] + 1);
    w.text += line;
    UvTriangle tri;
    for (int c = 0; c < 3; ++c) {
        tri.u[c] = uvs[(t[c] - uvBase) * 2];
        tri.v[c] = uvs[(t[c] - uvBase) * 2 + 1];
    }
    w.triangles.push_back(tri);
}

void appendPatch(ObjWriter &w, const Patch &p)
{
    size_t side = static_cast<size_t>(p.steps) + 1;
    size_t positionBase = w.positions, uvBase = w.uvs;
    std::vector<float> uvs;
    for (size_t j = 0; j < side; ++j) {
        for (size_t i = 0; i < side; ++i) {
            double s = double(i) / p.steps, t = double(j) / p.steps, q[3];
            for (int k = 0; k < 3; ++k)
                q[k] = p.origin[k] + s * p.a[k] + t * p.b[k];
            double scale = p.spherical ? 1.0 / std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]) : 1.0;
            appendPosition(w, q[0] * scale, q[1] * scale, q[2] * scale);
            double rise = p.bulge * std::sin(PI * s) + t * (1.0 - p.bulge);
            appendUv(w, float(p.u0 + s * (p.u1 - p.u0)), float(p.v0 + rise * (p.v1 - p.v0)), uvs);
        }
    }
    w.positions += side * side;
    w.uvs += side * side;
    // Diagonals alternate like a checkerboard, so shared edges run every way.
    for (size_t j = 0; j + 1 < side; ++j) {
        for (size_t i = 0; i + 1 < side; ++i) {
            size_t c00 = j * side + i, c10 = c00 + 1, c01 = c00 + side, c11 = c01 + 1;
            size_t first[3] = {c00, c10, c11}, second[3] = {c00, c11, c01};
            if ((i + j) % 2 == 1) {
                size_t a[3] = {c00, c10, c01}, b[3] = {c10, c11, c01};
                std::copy(a, a + 3, first);
                std::copy(b, b + 3, second);
            }
            for (const size_t *corners : {first, second}) {
                size_t pos[3], uv[3];
                for (int c = 0; c < 3; ++c) {
                    pos[c] = positionBase + corners[c];
                    uv[c] = uvBase + corners[c];
                }
                appendFace(w, pos, uv, uvs, uvBase);
            }
        }
    }
}

// A never-visible quad: both triangles have all three corners at the one position given.
void appendHiddenQuad(ObjWriter &w, size_t position, double u0, double v0, double u1, double v1)
{
    size_t uvBase = w.uvs;
    std::vector<float> uvs;
    appendUv(w, float(u0), float(v0), uvs);
    appendUv(w, float(u1), float(v0), uvs);
    appendUv(w, float(u1), float(v1), uvs);
    appendUv(w, float(u0), float(v1), uvs);
    w.uvs += 4;
    size_t p[3] = {position, position, position};
    size_t first[3] = {uvBase, uvBase + 1, uvBase + 2}, second[3] = {uvBase, uvBase + 2, uvBase + 3};
    appendFace(w, p, first, uvs, uvBase);
    appendFace(w, p, second, uvs, uvBase);
}

struct BoxPart {
    const char *name;
    double origin[3], a[3], b[3];
    int32_t left, bottom, right, top;  // its chart's texels at 256 x 256
};

// Charts on texel boundaries: a chart of texels left..right covers u from left / 256 to (right + 1) / 256.
// Gutters: 2, 3, 4 and 5 texels along the bottom row, 6 between the rows, then 6, 2, 3 and 4 along the top row.
const BoxPart BOX_PARTS[] = {
    {"front-left", {-1, -1, 1}, {1, 0, 0}, {0, 2, 0}, 8, 8, 39, 71},
    {"front-right", {0, -1, 1}, {1, 0, 0}, {0, 2, 0}, 42, 8, 73, 71},
    {"back-right", {1, -1, -1}, {-1, 0, 0}, {0, 2, 0}, 77, 8, 108, 71},
    {"back-left", {0, -1, -1}, {-1, 0, 0}, {0, 2, 0}, 113, 8, 144, 71},
    {"side-right", {1, -1, 1}, {0, 0, -2}, {0, 2, 0}, 150, 8, 213, 71},
    {"top-left", {-1, 1, 1}, {1, 0, 0}, {0, 0, -2}, 8, 78, 39, 141},
    {"top-right", {0, 1, 1}, {1, 0, 0}, {0, 0, -2}, 46, 78, 77, 141},
    {"bottom-left", {-1, -1, -1}, {1, 0, 0}, {0, 0, 2}, 80, 78, 111, 141},
    {"bottom-right", {0, -1, -1}, {1, 0, 0}, {0, 0, 2}, 115, 78, 146, 141},
    {"side-left", {-1, -1, -1}, {0, 0, 2}, {0, 2, 0}, 151, 78, 214, 141},
};

// Each 2 texels from the visible charts around it: in the gutter between the rows, to the right of the right
// side, and in the 6-texel gutter between the top halves.
const IslandChart HIDDEN_PARTS[] = {
    {"hidden-between-rows", {8, 74, 39, 75}, false},
    {"hidden-beside-side", {216, 8, 223, 71}, false},
    {"hidden-between-tops", {42, 78, 43, 141}, false},
};

void appendChartComment(ObjWriter &w, const IslandChart &c)
{
    char line[160];
    std::snprintf(line, sizeof line, "# chart %s %d %d %d %d %d\n", c.name.c_str(), c.texels.left, c.texels.bottom,
                  c.texels.right, c.texels.top, c.visible ? 1 : 0);
    w.text += line;
}

} // namespace

IslandModel makeIslandSphere(int32_t steps)
{
    // Six charts of different sizes, so one island is clearly the largest.
    const Patch faces[] = {
        {{-1, -1, 1}, {2, 0, 0}, {0, 2, 0}, 0.02, 0.02, 0.42, 0.50, steps, true, 0.1},
        {{1, -1, -1}, {-2, 0, 0}, {0, 2, 0}, 0.45, 0.02, 0.75, 0.50, steps, true, 0.1},
        {{1, -1, 1}, {0, 0, -2}, {0, 2, 0}, 0.78, 0.02, 0.98, 0.50, steps, true, 0.1},
        {{-1, -1, -1}, {0, 0, 2}, {0, 2, 0}, 0.70, 0.53, 0.98, 0.98, steps, true, 0.1},
        {{-1, 1, 1}, {2, 0, 0}, {0, 0, -2}, 0.02, 0.53, 0.36, 0.98, steps, true, 0.1},
        {{-1, -1, -1}, {2, 0, 0}, {0, 0, 2}, 0.39, 0.53, 0.67, 0.98, steps, true, 0.1},
    };
    ObjWriter w;
    w.text = "# a sphere in six texture islands\no sphere\n";
    for (const Patch &p : faces)
        appendPatch(w, p);
    return IslandModel{w.text, w.triangles, {}};
}

IslandModel makeGutterBox()
{
    ObjWriter w;
    IslandModel model;
    w.text = "# a box symmetric about x = 0, ten texture islands with narrow gutters, three hidden patches\n";
    for (const BoxPart &part : BOX_PARTS)
        model.charts.push_back(IslandChart{part.name, SkinRect{part.left, part.bottom, part.right, part.top}, true});
    for (const IslandChart &hidden : HIDDEN_PARTS)
        model.charts.push_back(hidden);
    for (const IslandChart &c : model.charts)
        appendChartComment(w, c);
    w.text += "o box\n";
    for (const BoxPart &part : BOX_PARTS) {
        Patch p = {{part.origin[0], part.origin[1], part.origin[2]}, {part.a[0], part.a[1], part.a[2]},
                   {part.b[0], part.b[1], part.b[2]}, part.left / 256.0, part.bottom / 256.0,
                   (part.right + 1) / 256.0, (part.top + 1) / 256.0, 2, false, 0.0};
        appendPatch(w, p);
    }
    // The hidden patches' one point lies inside the box, where even a zero-area sliver could not show.
    w.text += "v 0 0 0\n";
    size_t centre = w.positions++;
    for (const IslandChart &hidden : HIDDEN_PARTS)
        appendHiddenQuad(w, centre, hidden.texels.left / 256.0, hidden.texels.bottom / 256.0,
                         (hidden.texels.right + 1) / 256.0, (hidden.texels.top + 1) / 256.0);
    model.obj = w.text;
    model.triangles = w.triangles;
    return model;
}
