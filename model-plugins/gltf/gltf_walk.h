// The walk over a glTF model the kept tinygltf library has read, into the shared indexed mesh and the picture
// the model is painted with. Platform-free.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model-plugins/common/mesh.h"

namespace tinygltf {
class Model;
}

// The base-colour picture of the material that covers the most triangles: a file named relative to the model's
// folder (its URI decoded, '/' turned into '\'), or the bytes of a picture the model file holds (a buffer view of
// a .glb, a data: URI). Both empty when that material has none.
struct GltfPicture {
    std::string file;
    std::vector<uint8_t> bytes;
};

// Walks a model tinygltf has read: every triangle primitive (triangles, strips, fans; points and lines are
// passed over) of the default scene, or of the first when it names none, or of every root node when there is no
// scene, with its nodes' transforms (matrix, or translation, rotation and scale), in its bind pose. Positions and
// normals are given in the nodes' frame; normals are computed (smooth over the primitive's shared vertices)
// where a primitive has none. TEXCOORD_0 (v turned to run up the picture) gives texture coordinates when every
// primitive drawn has it. Returns why the model is refused (an index out of range, an accessor of the wrong
// type or running past its buffer, a node that is its own ancestor, a required extension), or "" with mesh
// (not fitted into the view) and picture filled. Reads nothing outside the model's vectors; never throws but
// std::bad_alloc.
std::string walkGltf(const tinygltf::Model &model, Mesh &mesh, GltfPicture &picture);
