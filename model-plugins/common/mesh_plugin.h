// What the shipped model plugins share: the six exports, reading a model file whole, drawing an indexed mesh
// with OpenGL 1.1 vertex arrays, and the texture-coordinate table the program draws its grid from. A plugin
// adds only its format: loadMeshFile and pluginDescription below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model-plugins/vmr/vmr_format.h"
#include "plugins/plugin_api.h"

// Reads the whole file into bytes; false when it cannot be opened or read, or holds more than maxBytes
// (reading stops there, so a huge wrong file is not slurped whole). May throw std::bad_alloc.
bool readModelFile(const char *path, size_t maxBytes, std::vector<uint8_t> &bytes);

// Draws the mesh in white, textured when it has texture coordinates, untextured otherwise. Leaves the
// matrix mode, the texture binding, the enables, the current colour and the client arrays as it found them.
void drawMesh(const VmrMesh &mesh);

// The table for sk_gettexcoord: one pointer per triangle, in drawing order, each to three corners that
// point into the mesh's texture coordinates (or all to (0, 0) when it has none). Null for no triangles
// or when memory runs out. Valid while the mesh is unchanged; released with freeTexCoordTable.
TexCoordTriangle **buildTexCoordTable(const VmrMesh &mesh);
void freeTexCoordTable(TexCoordTriangle **table);

// Provided by each plugin: replaces mesh with the file's model. False when the file cannot be read or is
// refused (the caller then empties the mesh). May throw std::bad_alloc.
bool loadMeshFile(const char *path, VmrMesh &mesh);

// Provided by each plugin: the text sk_info returns.
const char *pluginDescription();
