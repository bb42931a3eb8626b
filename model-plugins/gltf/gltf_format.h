// glTF 2.0 models (.gltf with its .bin and pictures, data: URIs, or one binary .glb): read by the kept tinygltf
// library, then walked here into the shared indexed mesh, with every index and accessor checked. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model-plugins/gltf/gltf_walk.h"

// The most bytes read of the model file and of each file it names (buffers); a larger one is refused.
enum : size_t { GLTF_FILE_LIMIT = size_t(256) << 20 };

// Reads a whole .gltf (JSON text) or .glb (binary, starting with "glTF") file held in memory: the files it names
// are read relative to `folder` (the model's folder, "" for the working folder), each at most GLTF_FILE_LIMIT.
// Returns why it is refused, in plain words, or "" with mesh (not fitted) and picture filled. On a refusal mesh
// and picture are empty. Never throws.
std::string decodeGltf(const std::string &folder, const uint8_t *data, size_t size, Mesh &mesh,
                       GltfPicture &picture);
