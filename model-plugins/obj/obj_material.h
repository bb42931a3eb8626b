// Which picture an OBJ model is painted with: the material libraries (MTL files) its text names, the materials
// its faces use, and the map_Kd each material names. Platform-free: the plugin reads the files and asks the disk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A model naming more libraries than this has the later ones ignored: each costs the plugin a file read.
enum : size_t { OBJ_MAX_LIBRARIES = 16 };
// Materials: an OBJ selecting more distinct ones than this, or naming one longer, is refused; a library's
// materials past the count, or with longer names, are not read.
enum : uint32_t { OBJ_MAX_MATERIAL_COUNT = 1u << 16, OBJ_MAX_MATERIAL_NAME = 4096 };

// A material selected by usemtl and the triangles the faces after it make.
struct ObjMaterialUse {
    std::string name;
    size_t triangles = 0;
};

// What an OBJ text says about its materials.
struct ObjMaterials {
    // The files named by mtllib, in order, each once, folders separated by backslashes: relative to the OBJ's
    // folder unless absolute.
    std::vector<std::string> libraries;
    // Every material usemtl selects, in order of first use. Faces before any usemtl count for none.
    std::vector<ObjMaterialUse> used;
};

// A material an MTL text defines (newmtl) and the picture its map_Kd names, options skipped, folders separated
// by backslashes, relative to the MTL's folder unless absolute; empty when it names none.
struct MtlMaterial {
    std::string name;
    std::string diffuseMap;
};

// Both kinds of file read the arguments of mtllib, usemtl, newmtl and map_Kd as the rest of their line, spaces
// and all, trimmed; a '#' starts a comment there only after a blank, so that names may hold one.

// The material name of a usemtl or newmtl line, given the text after the keyword to the line's end.
std::string materialNameFrom(const char *begin, const char *end);

// The file names of an mtllib line, given the text after the keyword to the line's end. Quoted names are taken
// between their quotes; otherwise a name may hold spaces and runs to the next word that ends with ".mtl"
// ("my model.mtl extra.mtl" names two files), and words left after the last such one make a name of their own.
// Folders are separated by backslashes; a name with control characters is dropped.
std::vector<std::string> splitLibraryNames(const char *begin, const char *end);

// Every material of an MTL text with its map_Kd. Never fails: a line it cannot use names nothing, and a text
// that is not an MTL file at all defines no material. Never reads outside [data, data + size).
std::vector<MtlMaterial> readMtl(const uint8_t *data, size_t size);

// Where the picture most triangles are painted with may be, in the order to try them, each relative to the OBJ's
// folder or absolute: the map_Kd as named (taken from its library's folder), then its file name alone in the
// library's folder, then in the OBJ's folder (exporters often write the absolute path of the author's disk).
// libraries[i] holds what the file materials.libraries[i] defines (empty when it is missing or unreadable); a
// later definition of a material replaces an earlier one. Materials that share a picture add up; on a tie the
// picture used first wins. Empty when no triangle has a material with a map_Kd.
std::vector<std::string> objTextureCandidates(const ObjMaterials &materials,
                                              const std::vector<std::vector<MtlMaterial>> &libraries);

// How many pictures the materials of the model's triangles name, and how many triangles the picture
// objTextureCandidates looks for (the most used) paints; both 0 when no triangle has a material with a map_Kd.
struct ObjPictureUse {
    size_t pictures = 0;
    size_t mostTriangles = 0;
};
ObjPictureUse objPictureUse(const ObjMaterials &materials, const std::vector<std::vector<MtlMaterial>> &libraries);
