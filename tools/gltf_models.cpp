// The glTF models of the tests and benchmarks, and their .gltf and .glb encodings.
#include "tools/gltf_models.h"

#include <cstring>

using nlohmann::json;

template <typename T> static void appendValues(std::vector<uint8_t> &bin, const std::vector<T> &values)
{
    const size_t at = bin.size();
    bin.resize(at + values.size() * sizeof(T));
    if (!values.empty())
        std::memcpy(&bin[at], values.data(), values.size() * sizeof(T));
}

void appendFloats(std::vector<uint8_t> &bin, const std::vector<float> &values)
{
    appendValues(bin, values);
}

void appendUint16s(std::vector<uint8_t> &bin, const std::vector<uint16_t> &values)
{
    appendValues(bin, values);
}

void appendUint32s(std::vector<uint8_t> &bin, const std::vector<uint32_t> &values)
{
    appendValues(bin, values);
}

static json view(size_t offset, size_t length)
{
    return json{{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}};
}

static json accessor(int bufferView, int componentType, size_t count, const char *type)
{
    return json{{"bufferView", bufferView}, {"componentType", componentType}, {"count", count}, {"type", type}};
}

GltfSample makeGltfSample()
{
    GltfSample s;
    appendFloats(s.bin, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    appendFloats(s.bin, {0, 1, 1, 1, 1, 0, 0, 0});
    appendUint16s(s.bin, {0, 1, 2, 0, 2, 3});
    const char picture[] = "PICTURE!";
    s.bin.insert(s.bin.end(), picture, picture + 8);
    s.document = {
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", json::array({{{"nodes", {0}}}})},
        {"nodes", json::array({{{"translation", {10, 0, 0}}, {"children", {1}}}, {{"scale", {2, 2, 2}}, {"mesh", 0}}})},
        {"meshes", json::array({{{"primitives", json::array({{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}}},
                                                               {"indices", 2},
                                                               {"material", 0}}})}}})},
        {"materials", json::array({{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}}})},
        {"textures", json::array({{{"source", 0}}})},
        {"images", json::array({{{"bufferView", 3}, {"mimeType", "image/png"}}})},
        {"accessors", json::array({accessor(0, 5126, 4, "VEC3"), accessor(1, 5126, 4, "VEC2"),
                                   accessor(2, 5123, 6, "SCALAR")})},
        {"bufferViews", json::array({view(0, 48), view(48, 32), view(80, 12), view(92, 8)})},
        {"buffers", json::array({{{"byteLength", s.bin.size()}}})},
    };
    return s;
}

GltfSample makeGltfGrid(int columns, int rows)
{
    GltfSample s;
    std::vector<float> positions, normals, uvs;
    std::vector<uint32_t> indices;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x) {
            positions.insert(positions.end(), {float(x), float(y), float((x * 7 + y * 3) % 5) * 0.1f});
            normals.insert(normals.end(), {0, 0, 1});
            uvs.insert(uvs.end(), {float(x) / float(columns), float(y) / float(rows)});
        }
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const uint32_t a = uint32_t(y * (columns + 1) + x), b = a + 1, c = a + uint32_t(columns) + 2,
                           d = a + uint32_t(columns) + 1;
            indices.insert(indices.end(), {a, b, c, a, c, d});
        }
    const size_t vertices = positions.size() / 3;
    appendFloats(s.bin, positions);
    appendFloats(s.bin, normals);
    appendFloats(s.bin, uvs);
    appendUint32s(s.bin, indices);
    s.document = {
        {"asset", {{"version", "2.0"}}},
        {"scenes", json::array({{{"nodes", {0}}}})},
        {"nodes", json::array({{{"mesh", 0}}})},
        {"meshes", json::array({{{"primitives", json::array({{{"attributes", {{"POSITION", 0}, {"NORMAL", 1},
                                                                              {"TEXCOORD_0", 2}}},
                                                               {"indices", 3}}})}}})},
        {"accessors", json::array({accessor(0, 5126, vertices, "VEC3"), accessor(1, 5126, vertices, "VEC3"),
                                   accessor(2, 5126, vertices, "VEC2"), accessor(3, 5125, indices.size(), "SCALAR")})},
        {"bufferViews", json::array({view(0, vertices * 12), view(vertices * 12, vertices * 12),
                                     view(vertices * 24, vertices * 8), view(vertices * 32, indices.size() * 4)})},
        {"buffers", json::array({{{"byteLength", s.bin.size()}}})},
    };
    return s;
}

static void appendUint32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// Chunks are padded to four bytes: JSON with spaces, the buffer with zeros.
std::vector<uint8_t> encodeGlb(const GltfSample &sample)
{
    std::string text = sample.document.dump();
    while (text.size() % 4 != 0)
        text += ' ';
    std::vector<uint8_t> bin = sample.bin;
    while (bin.size() % 4 != 0)
        bin.push_back(0);
    std::vector<uint8_t> out = {'g', 'l', 'T', 'F'};
    appendUint32(out, 2);
    appendUint32(out, uint32_t(12 + 8 + text.size() + 8 + bin.size()));
    appendUint32(out, uint32_t(text.size()));
    appendUint32(out, 0x4E4F534A); // "JSON"
    out.insert(out.end(), text.begin(), text.end());
    appendUint32(out, uint32_t(bin.size()));
    appendUint32(out, 0x004E4942); // "BIN\0"
    out.insert(out.end(), bin.begin(), bin.end());
    return out;
}

static std::string base64(const std::vector<uint8_t> &bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = uint32_t(bytes[i]) << 16 | (i + 1 < bytes.size() ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

std::string encodeGltfText(const GltfSample &sample)
{
    json document = sample.document;
    document["buffers"][0]["uri"] = "data:application/octet-stream;base64," + base64(sample.bin);
    return document.dump();
}
