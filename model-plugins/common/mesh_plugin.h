// What the shipped model plugins share: the exports, reading a model file whole and reporting why one is
// refused, drawing an indexed mesh with OpenGL 1.1 vertex arrays, the texture-coordinate table the program
// draws its grid from, and naming the model's texture. A plugin adds only its format: the four functions at
// the end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model-plugins/common/mesh.h"
#include "plugin-api/plugin_api.h"

// Draws the mesh in white, textured when it has texture coordinates, untextured otherwise. Leaves the
// matrix mode, the texture binding, the enables, the current colour and the client arrays as it found them.
void drawMesh(const Mesh &mesh);

// The table for sk_gettexcoord: one pointer per triangle, in drawing order, each to three corners that
// point into the mesh's texture coordinates (or all to (0, 0) when it has none). Null for no triangles
// or when memory runs out. Valid while the mesh is unchanged; released with freeTexCoordTable.
TexCoordTriangle **buildTexCoordTable(const Mesh &mesh);
void freeTexCoordTable(TexCoordTriangle **table);

// For the readers that place their models: the reason they gave for refusing a file, or, when they gave none,
// an empty text with the mesh fitted into the view.
std::string fitUnlessRefused(const char *reason, Mesh &mesh);

// For the plugins whose models name their texture: the first candidate (relative to the folder of the model
// file at modelPath, or absolute) that is an existing file, or "" when none is.
std::string findExistingFile(const char *modelPath, const std::vector<std::string> &candidates);

// For the plugins whose models name other files (material libraries): the whole file at path, relative to the
// working folder; false when it cannot be opened or read, or is larger than maxBytes.
bool readSideFile(const std::string &path, size_t maxBytes, std::vector<uint8_t> &bytes);

// The picture a model is painted with: a file it names, as sk_texturefile returns it, or the bytes of one the
// model file holds itself, as sk_texturebytes hands them over; both empty for none.
struct ModelPicture {
    std::string file;
    std::vector<uint8_t> bytes;
    // For a model whose materials name several pictures: how many, and the share of its triangles painted with
    // `file` (sk_pictureuse); 0 pictures when the plugin cannot say.
    int pictureCount = 0;
    float share = 0.0f;
};

// Provided by each plugin: replaces mesh with the model a whole file's bytes hold, placed for the view, and
// sets picture to the one the model is painted with (the caller empties it first). path is the model file's, as
// sk_load was given it. Returns why the file is refused, in plain words, or an empty text when it is read (the
// caller empties the mesh and the picture of a refused file). May throw std::bad_alloc.
std::string decodeModelFile(const char *path, const std::vector<uint8_t> &bytes, Mesh &mesh, ModelPicture &picture);

// Provided by each plugin: the largest file it reads; reading stops there, so a huge wrong file is refused
// without being slurped whole.
size_t modelFileLimit();

// Provided by each plugin: the texts sk_info and sk_filefilter return.
const char *pluginDescription();
const char *pluginFileFilter();
