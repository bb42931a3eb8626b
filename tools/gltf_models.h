// Small glTF 2.0 models written by code, for the glTF reader's tests, fuzzer and benchmark: a document with its
// binary buffer, as a .gltf text (the buffer as a data: URI) or as one .glb file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct GltfSample {
    nlohmann::json document;
    std::vector<uint8_t> bin; // buffer 0
};

// A square of side 1 in z = 0, corners (0,0) (1,0) (1,1) (0,1), with texture coordinates (v down the picture)
// and six unsigned-short indices, no normals; node 0 moves its child by (10, 0, 0), node 1 scales by 2 and draws
// mesh 0 with material 0, whose base colour is image 0: the bytes "PICTURE!" in buffer view 3. Buffer views:
// 0 positions (48 bytes), 1 texture coordinates (32), 2 indices (12), 3 the picture (8). Accessors 0, 1, 2 in
// that order.
GltfSample makeGltfSample();

// A grid of quads, `columns` x `rows`, two triangles each, with normals and texture coordinates, in one node: a
// large model for timing the reader.
GltfSample makeGltfGrid(int columns, int rows);

// The .glb file: the document (buffer 0 without a URI) and the buffer as its BIN chunk.
std::vector<uint8_t> encodeGlb(const GltfSample &sample);

// The .gltf text, buffer 0 given as a base64 data: URI.
std::string encodeGltfText(const GltfSample &sample);

// Appends bytes to a buffer, as little-endian floats, unsigned shorts or unsigned ints.
void appendFloats(std::vector<uint8_t> &bin, const std::vector<float> &values);
void appendUint16s(std::vector<uint8_t> &bin, const std::vector<uint16_t> &values);
void appendUint32s(std::vector<uint8_t> &bin, const std::vector<uint32_t> &values);
