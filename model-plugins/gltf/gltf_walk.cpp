// The walk over what tinygltf read: scenes, nodes and their transforms, meshes, primitives and their accessors,
// each index checked against the vectors it points into, into the shared mesh; and the base-colour picture.
#include "model-plugins/gltf/gltf_walk.h"

#include <tiny_gltf.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "model-plugins/common/mesh_builder.h"

namespace {

// The most node instances a scene may have: a node may be the child of many, so a small file can name a tree
// with more instances than any memory holds.
const size_t MAX_NODE_INSTANCES = size_t(1) << 20;

#if defined(__MINGW32__)
#define REASON_FORMAT __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#elif defined(__GNUC__)
#define REASON_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define REASON_FORMAT
#endif

REASON_FORMAT std::string reason(const char *format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string outOfRange(const char *what, int index, size_t count, const char *counted)
{
    return reason("%s index %d is out of range (%s in the file: %zu)", what, index, counted, count);
}

// An accessor checked against its buffer view and buffer: `count` elements of `size` bytes, `stride` apart, from
// `data`; all zeros when it has no buffer view.
struct Elements {
    const uint8_t *data = nullptr;
    size_t stride = 0;
    size_t count = 0;
    int componentType = 0;
    bool normalized = false;
};

size_t componentBytes(int type)
{
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

// What an attribute may be: its element type and the component types allowed (0 ends the list).
struct Expected {
    const char *role;
    int type;
    int components;
    int componentTypes[4];
};

const Expected POSITIONS = {"positions", TINYGLTF_TYPE_VEC3, 3, {TINYGLTF_COMPONENT_TYPE_FLOAT}};
const Expected NORMALS = {"normals", TINYGLTF_TYPE_VEC3, 3, {TINYGLTF_COMPONENT_TYPE_FLOAT}};
const Expected TEXCOORDS = {"texture coordinates",
                            TINYGLTF_TYPE_VEC2,
                            2,
                            {TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                             TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT}};
const Expected INDICES = {"indices",
                          TINYGLTF_TYPE_SCALAR,
                          1,
                          {TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                           TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT}};

bool allowed(const Expected &e, int componentType)
{
    for (int t : e.componentTypes)
        if (t != 0 && t == componentType)
            return true;
    return false;
}

// The bytes [offset, offset + length) of a buffer view, checked against its buffer.
std::string viewBytes(const tinygltf::Model &model, int index, const uint8_t *&data, size_t &length)
{
    if (index < 0 || size_t(index) >= model.bufferViews.size())
        return outOfRange("buffer view", index, model.bufferViews.size(), "buffer views");
    const tinygltf::BufferView &view = model.bufferViews[size_t(index)];
    if (view.buffer < 0 || size_t(view.buffer) >= model.buffers.size())
        return outOfRange("buffer", view.buffer, model.buffers.size(), "buffers");
    const std::vector<unsigned char> &buffer = model.buffers[size_t(view.buffer)].data;
    if (view.byteOffset > buffer.size() || view.byteLength > buffer.size() - view.byteOffset)
        return reason("buffer view %d (%zu bytes at %zu) runs past the end of buffer %d (%zu bytes)", index,
                      view.byteLength, view.byteOffset, view.buffer, buffer.size());
    data = buffer.data() + view.byteOffset;
    length = view.byteLength;
    return std::string();
}

std::string readAccessor(const tinygltf::Model &model, int index, const Expected &e, Elements &out)
{
    if (index < 0 || size_t(index) >= model.accessors.size())
        return outOfRange(e.role == INDICES.role ? "indices' accessor" : "accessor", index, model.accessors.size(),
                          "accessors");
    const tinygltf::Accessor &a = model.accessors[size_t(index)];
    if (a.sparse.isSparse)
        return reason("accessor %d of the %s is sparse, which is not read", index, e.role);
    if (a.type != e.type || !allowed(e, a.componentType) ||
        (e.type == TINYGLTF_TYPE_SCALAR ? a.normalized
                                        : a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT && !a.normalized))
        return reason("accessor %d of the %s is not of a type they may have", index, e.role);
    const size_t element = componentBytes(a.componentType) * size_t(e.components);
    out.count = a.count;
    out.componentType = a.componentType;
    out.normalized = a.normalized;
    if (a.bufferView < 0) {
        static const uint8_t zeros[16] = {};
        out.data = zeros;
        out.stride = 0;
        return std::string();
    }
    const uint8_t *data = nullptr;
    size_t length = 0;
    std::string refusal = viewBytes(model, a.bufferView, data, length);
    if (!refusal.empty())
        return refusal;
    const size_t declared = size_t(model.bufferViews[size_t(a.bufferView)].byteStride);
    out.stride = declared != 0 ? declared : element;
    if (out.stride < element)
        return reason("accessor %d of the %s has elements %zu bytes apart, closer than their %zu bytes", index,
                      e.role, out.stride, element);
    if (a.count > 0 && (a.byteOffset > length || element > length - a.byteOffset ||
                        a.count - 1 > (length - a.byteOffset - element) / out.stride))
        return reason("accessor %d of the %s (%zu elements at %zu) runs past the end of buffer view %d (%zu bytes)",
                      index, e.role, a.count, a.byteOffset, a.bufferView, length);
    out.data = data + a.byteOffset;
    return std::string();
}

// Component k of element i, as a float (normalised integers scaled to 0..1) or an index.
float floatAt(const Elements &e, size_t i, int k)
{
    const uint8_t *p = e.data + i * e.stride;
    switch (e.componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return float(p[k]) / 255.0f;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        uint16_t v;
        std::memcpy(&v, p + k * 2, 2);
        return float(v) / 65535.0f;
    }
    default: {
        float v;
        std::memcpy(&v, p + k * 4, 4);
        return v;
    }
    }
}

uint32_t indexAt(const Elements &e, size_t i)
{
    const uint8_t *p = e.data + i * e.stride;
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE)
        return p[0];
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A column-major 4 x 4 transform, as glTF writes them.
struct Transform {
    double m[16];
};

const Transform IDENTITY = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Transform multiply(const Transform &a, const Transform &b)
{
    Transform r;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = sum;
        }
    return r;
}

// The node's own transform: its matrix, or translation * rotation * scale.
std::string localTransform(const tinygltf::Node &node, int index, Transform &t)
{
    t = IDENTITY;
    if (!node.matrix.empty()) {
        if (node.matrix.size() != 16)
            return reason("node %d: its matrix has %zu numbers instead of 16", index, node.matrix.size());
        std::copy(node.matrix.begin(), node.matrix.end(), t.m);
        return std::string();
    }
    if ((!node.translation.empty() && node.translation.size() != 3) ||
        (!node.rotation.empty() && node.rotation.size() != 4) || (!node.scale.empty() && node.scale.size() != 3))
        return reason("node %d: its translation, rotation or scale has the wrong count of numbers", index);
    double s[3] = {1, 1, 1}, q[4] = {0, 0, 0, 1};
    if (!node.scale.empty())
        std::copy(node.scale.begin(), node.scale.end(), s);
    if (!node.rotation.empty())
        std::copy(node.rotation.begin(), node.rotation.end(), q);
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                         2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                         2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            t.m[col * 4 + row] = r[col * 3 + row] * s[col];
    for (int i = 0; i < 3 && !node.translation.empty(); ++i)
        t.m[12 + i] = node.translation[size_t(i)];
    return std::string();
}

// What one primitive adds to the builder, and the triangles each material covers.
struct Walk {
    const tinygltf::Model &model;
    MeshBuilder builder;
    std::vector<size_t> materialTriangles;
    explicit Walk(const tinygltf::Model &m) : model(m), materialTriangles(m.materials.size(), 0) {}
};

// Normals go through the inverse transpose of the transform's 3 x 3 part: its cofactors, signed by the
// determinant so that a mirror keeps them outward (they are made unit length later).
void normalTransform(const Transform &t, double n[9], double &determinant)
{
    const double *m = t.m;
    auto at = [m](int row, int col) { return m[col * 4 + row]; };
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const int r1 = (row + 1) % 3, r2 = (row + 2) % 3, c1 = (col + 1) % 3, c2 = (col + 2) % 3;
            n[col * 3 + row] = at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
        }
    determinant = at(0, 0) * n[0] + at(0, 1) * n[3] + at(0, 2) * n[6];
    if (determinant < 0)
        for (int i = 0; i < 9; ++i)
            n[i] = -n[i];
}

std::string addVertices(Walk &w, const Transform &t, const Elements &positions, const Elements *normals,
                        const Elements *uvs, int meshIndex)
{
    MeshBuilder &b = w.builder;
    double nt[9], determinant;
    normalTransform(t, nt, determinant);
    for (size_t i = 0; i < positions.count; ++i) {
        double p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = floatAt(positions, i, k);
        for (int row = 0; row < 3; ++row) {
            const double v = t.m[row] * p[0] + t.m[4 + row] * p[1] + t.m[8 + row] * p[2] + t.m[12 + row];
            if (!std::isfinite(float(v)))
                return reason("mesh %d: position %zu is not a finite number once placed", meshIndex, i);
            b.positions.push_back(float(v));
        }
        if (normals != nullptr) {
            double n[3];
            for (int k = 0; k < 3; ++k)
                n[k] = floatAt(*normals, i, k);
            for (int row = 0; row < 3; ++row)
                b.normals.push_back(float(nt[row] * n[0] + nt[3 + row] * n[1] + nt[6 + row] * n[2]));
        }
        if (uvs != nullptr) {
            const float u = floatAt(*uvs, i, 0), v = floatAt(*uvs, i, 1);
            if (!std::isfinite(u) || !std::isfinite(v))
                return reason("mesh %d: texture coordinate %zu is not a finite number", meshIndex, i);
            // glTF counts v down from the picture's top row; OpenGL up from its bottom row.
            b.uvs.push_back(u);
            b.uvs.push_back(1.0f - v);
        }
    }
    return std::string();
}

// The triangles of a primitive as corners of its vertices: lists, strips and fans.
std::string addTriangles(Walk &w, const Elements *indices, size_t vertexCount, int mode, bool mirrored,
                         uint32_t firstPosition, bool hasNormals, bool hasUvs, int meshIndex, size_t &triangles)
{
    MeshBuilder &b = w.builder;
    const size_t corners = indices != nullptr ? indices->count : vertexCount;
    std::vector<uint32_t> vertexOf(vertexCount, CORNER_NONE);
    auto corner = [&](size_t k, uint32_t &out) -> std::string {
        const uint32_t i = indices != nullptr ? indexAt(*indices, k) : uint32_t(k);
        if (i >= vertexCount)
            return reason("mesh %d: vertex index %u is out of range (the primitive has %zu vertices)", meshIndex, i,
                          vertexCount);
        if (vertexOf[i] == CORNER_NONE) {
            const uint32_t position = firstPosition + i;
            if (!addMeshCorner(b, position, hasUvs ? position : CORNER_NONE, hasNormals ? position : CORNER_NONE,
                               vertexOf[i]))
                return reason("the model has more than %zu vertices", b.maxVertices);
        }
        out = vertexOf[i];
        return std::string();
    };
    const size_t count = mode == TINYGLTF_MODE_TRIANGLES ? corners / 3 : corners >= 3 ? corners - 2 : 0;
    for (size_t t = 0; t < count; ++t) {
        size_t k[3];
        if (mode == TINYGLTF_MODE_TRIANGLES)
            k[0] = t * 3, k[1] = t * 3 + 1, k[2] = t * 3 + 2;
        else if (mode == TINYGLTF_MODE_TRIANGLE_FAN)
            k[0] = 0, k[1] = t + 1, k[2] = t + 2;
        else if (t % 2 == 0)
            k[0] = t, k[1] = t + 1, k[2] = t + 2;
        else
            k[0] = t + 1, k[1] = t, k[2] = t + 2;
        uint32_t v[3];
        for (int c = 0; c < 3; ++c) {
            std::string refusal = corner(k[c], v[c]);
            if (!refusal.empty())
                return refusal;
        }
        if (!(mirrored ? addMeshTriangle(b, v[0], v[2], v[1]) : addMeshTriangle(b, v[0], v[1], v[2])))
            return reason("the model has more than %zu triangles", b.maxTriangles);
    }
    triangles = count;
    return std::string();
}

// The index of a named attribute, or -1.
int attribute(const tinygltf::Primitive &p, const char *name)
{
    const auto found = p.attributes.find(name);
    return found != p.attributes.end() ? found->second : -1;
}

std::string addPrimitive(Walk &w, const tinygltf::Primitive &p, const Transform &t, int meshIndex)
{
    if (p.mode != TINYGLTF_MODE_TRIANGLES && p.mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
        p.mode != TINYGLTF_MODE_TRIANGLE_FAN)
        return std::string(); // points and lines: nothing to paint
    if (attribute(p, "POSITION") < 0)
        return std::string();
    if (p.material >= 0 && size_t(p.material) >= w.model.materials.size())
        return outOfRange("material", p.material, w.model.materials.size(), "materials");
    Elements positions, normals, uvs, indices;
    std::string refusal = readAccessor(w.model, attribute(p, "POSITION"), POSITIONS, positions);
    const bool hasNormals = attribute(p, "NORMAL") >= 0, hasUvs = attribute(p, "TEXCOORD_0") >= 0;
    if (refusal.empty() && hasNormals)
        refusal = readAccessor(w.model, attribute(p, "NORMAL"), NORMALS, normals);
    if (refusal.empty() && hasUvs)
        refusal = readAccessor(w.model, attribute(p, "TEXCOORD_0"), TEXCOORDS, uvs);
    if (refusal.empty() && p.indices >= 0)
        refusal = readAccessor(w.model, p.indices, INDICES, indices);
    if (refusal.empty() && ((hasNormals && normals.count != positions.count) || (hasUvs && uvs.count != positions.count)))
        refusal = reason("mesh %d: its attributes do not have as many elements as its positions", meshIndex);
    if (!refusal.empty())
        return refusal;
    if (positions.count > MESH_MAX_VERTICES)
        return reason("the model has more than %zu vertices", size_t(MESH_MAX_VERTICES));
    // Vertices are added per instance of the primitive: the builder's indices into its arrays are 32-bit.
    const uint32_t first = uint32_t(w.builder.positions.size() / 3);
    if (w.builder.positions.size() / 3 + positions.count > MESH_MAX_VERTICES)
        return reason("the model has more than %zu vertices", size_t(MESH_MAX_VERTICES));
    w.builder.normals.resize(hasNormals ? w.builder.positions.size() : w.builder.normals.size());
    w.builder.uvs.resize(hasUvs ? w.builder.positions.size() / 3 * 2 : w.builder.uvs.size());
    refusal = addVertices(w, t, positions, hasNormals ? &normals : nullptr, hasUvs ? &uvs : nullptr, meshIndex);
    if (!refusal.empty())
        return refusal;
    double nt[9], determinant;
    normalTransform(t, nt, determinant);
    size_t triangles = 0;
    refusal = addTriangles(w, p.indices >= 0 ? &indices : nullptr, positions.count, p.mode, determinant < 0, first,
                           hasNormals, hasUvs, meshIndex, triangles);
    if (refusal.empty() && p.material >= 0)
        w.materialTriangles[size_t(p.material)] += triangles;
    return refusal;
}

std::string addNodeMesh(Walk &w, const tinygltf::Node &node, const Transform &t)
{
    if (node.mesh < 0)
        return std::string();
    if (size_t(node.mesh) >= w.model.meshes.size())
        return outOfRange("mesh", node.mesh, w.model.meshes.size(), "meshes");
    for (const tinygltf::Primitive &p : w.model.meshes[size_t(node.mesh)].primitives) {
        std::string refusal = addPrimitive(w, p, t, node.mesh);
        if (!refusal.empty())
            return refusal;
    }
    return std::string();
}

// Depth first without recursion, so a deep tree cannot run the stack out; a node met again below itself is a
// loop the file may not have.
std::string walkNodes(Walk &w, const std::vector<int> &roots)
{
    struct Visit {
        int node;
        Transform transform;
        size_t nextChild;
    };
    const std::vector<tinygltf::Node> &nodes = w.model.nodes;
    std::vector<bool> onPath(nodes.size(), false);
    std::vector<Visit> path;
    size_t instances = 0;
    auto enter = [&](int index, const Transform &parent) -> std::string {
        if (index < 0 || size_t(index) >= nodes.size())
            return outOfRange("node", index, nodes.size(), "nodes");
        if (onPath[size_t(index)])
            return reason("node %d is among its own children", index);
        if (++instances > MAX_NODE_INSTANCES)
            return reason("the scene has more than %zu nodes", MAX_NODE_INSTANCES);
        Transform local;
        std::string refusal = localTransform(nodes[size_t(index)], index, local);
        if (!refusal.empty())
            return refusal;
        const Transform world = multiply(parent, local);
        refusal = addNodeMesh(w, nodes[size_t(index)], world);
        if (refusal.empty()) {
            onPath[size_t(index)] = true;
            path.push_back(Visit{index, world, 0});
        }
        return refusal;
    };
    for (int root : roots) {
        std::string refusal = enter(root, IDENTITY);
        while (refusal.empty() && !path.empty()) {
            Visit &top = path.back();
            const std::vector<int> &children = nodes[size_t(top.node)].children;
            if (top.nextChild < children.size()) {
                const Transform parent = top.transform;
                refusal = enter(children[top.nextChild++], parent);
            } else {
                onPath[size_t(top.node)] = false;
                path.pop_back();
            }
        }
        if (!refusal.empty())
            return refusal;
    }
    return std::string();
}

// The nodes to draw: the default scene's, else the first scene's, else every node that is no node's child.
std::string rootNodes(const tinygltf::Model &model, std::vector<int> &roots)
{
    if (!model.scenes.empty()) {
        const int scene = model.defaultScene >= 0 ? model.defaultScene : 0;
        if (size_t(scene) >= model.scenes.size())
            return outOfRange("default scene", scene, model.scenes.size(), "scenes");
        roots = model.scenes[size_t(scene)].nodes;
        return std::string();
    }
    std::vector<bool> isChild(model.nodes.size(), false);
    for (const tinygltf::Node &node : model.nodes)
        for (int child : node.children)
            if (child >= 0 && size_t(child) < isChild.size())
                isChild[size_t(child)] = true;
    for (size_t n = 0; n < model.nodes.size(); ++n)
        if (!isChild[n])
            roots.push_back(int(n));
    return std::string();
}

// "%20" and the like in a URI become the bytes they stand for.
std::string decodeUri(const std::string &uri)
{
    std::string out;
    auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            out += char(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i] == '/' ? '\\' : uri[i];
        }
    }
    return out;
}

// The base-colour picture of the material with the most triangles (the first of equals); none when that material
// has no base-colour texture or its texture names no image.
std::string choosePicture(const Walk &w, GltfPicture &picture)
{
    const tinygltf::Model &model = w.model;
    size_t best = 0;
    int material = -1;
    for (size_t m = 0; m < w.materialTriangles.size(); ++m)
        if (w.materialTriangles[m] > best)
            best = w.materialTriangles[m], material = int(m);
    if (material < 0)
        return std::string();
    const int texture = model.materials[size_t(material)].pbrMetallicRoughness.baseColorTexture.index;
    if (texture < 0)
        return std::string();
    if (size_t(texture) >= model.textures.size())
        return outOfRange("texture", texture, model.textures.size(), "textures");
    const int image = model.textures[size_t(texture)].source;
    if (image < 0)
        return std::string();
    if (size_t(image) >= model.images.size())
        return outOfRange("image", image, model.images.size(), "images");
    const tinygltf::Image &source = model.images[size_t(image)];
    if (source.bufferView >= 0) {
        const uint8_t *data = nullptr;
        size_t length = 0;
        std::string refusal = viewBytes(model, source.bufferView, data, length);
        if (refusal.empty())
            picture.bytes.assign(data, data + length);
        return refusal;
    }
    if (!source.uri.empty() && source.uri.compare(0, 5, "data:") != 0)
        picture.file = decodeUri(source.uri);
    else
        picture.bytes.assign(source.image.begin(), source.image.end());
    return std::string();
}

} // namespace

std::string walkGltf(const tinygltf::Model &model, Mesh &mesh, GltfPicture &picture)
{
    mesh = Mesh();
    picture = GltfPicture();
    for (const std::string &extension : model.extensionsRequired)
        return reason("the file needs the extension %.120s, which this plugin does not read", extension.c_str());
    std::vector<int> roots;
    std::string refusal = rootNodes(model, roots);
    Walk w(model);
    if (refusal.empty())
        refusal = walkNodes(w, roots);
    if (refusal.empty())
        refusal = choosePicture(w, picture);
    if (!refusal.empty()) {
        picture = GltfPicture();
        return refusal;
    }
    buildMesh(w.builder, mesh);
    return std::string();
}
