// glTF files read by the kept tinygltf library (compiled here, once), its files read through callbacks of ours
// with a size cap, and its result handed to the walk.
#include "model-plugins/gltf/gltf_format.h"

// The library writes files with std::ofstream, which it includes only along with its own file reading.
#include <fstream>

#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>

#include <cstdio>
#include <new>

namespace {

// Files the model names (buffers) are read by the plugin's own rules: 8-bit paths as fopen takes them (the ANSI
// code page under Windows, as sk_load's path), and nothing larger than the cap.
bool fileExists(const std::string &path, void *)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file != nullptr)
        std::fclose(file);
    return file != nullptr;
}

std::string samePath(const std::string &path, void *)
{
    return path;
}

bool readWholeFile(std::vector<unsigned char> *out, std::string *err, const std::string &path, void *)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *err += "it cannot be opened";
        return false;
    }
    out->clear();
    unsigned char chunk[65536];
    size_t got;
    bool fits = true;
    while (fits && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        fits = got <= GLTF_FILE_LIMIT - out->size();
        if (fits)
            out->insert(out->end(), chunk, chunk + got);
    }
    const bool read = fits && std::ferror(file) == 0;
    std::fclose(file);
    if (!read)
        *err += fits ? "it could not be read to its end" : "it is larger than the plugin reads";
    return read;
}

bool writeNothing(std::string *, const std::string &, const std::vector<unsigned char> &, void *)
{
    return false;
}

// Pictures are not decoded here: the program decodes the bytes as it decodes a picture file. Those of a data: URI
// are kept as they come; those of a buffer view are left where they are, for the walk to copy once it has checked
// the view against its buffer (the library hands over a pointer it has not checked).
bool keepPictureBytes(tinygltf::Image *image, const int, std::string *, std::string *, int, int,
                      const unsigned char *bytes, int size, void *)
{
    if (image->bufferView < 0 && bytes != nullptr && size > 0)
        image->image.assign(bytes, bytes + size);
    return true;
}

// The library's first complaint, as one line of plain words.
std::string firstLine(const std::string &text)
{
    std::string line = text.substr(0, text.find('\n'));
    if (line.size() > 160)
        line = line.substr(0, 157) + "...";
    return line.empty() ? "the file is not a glTF model the plugin can read" : "the file is not valid glTF: " + line;
}

std::string readModel(const std::string &folder, const uint8_t *data, size_t size, tinygltf::Model &model)
{
    if (size > GLTF_FILE_LIMIT || size > 0xFFFFFFFFu)
        return "the file is larger than the plugin reads";
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks(tinygltf::FsCallbacks{&fileExists, &samePath, &readWholeFile, &writeNothing, nullptr});
    loader.SetImageLoader(&keepPictureBytes, nullptr);
    std::string err, warn;
    const bool binary = size >= 4 && std::memcmp(data, "glTF", 4) == 0;
    const bool read =
        binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, data, unsigned(size), folder)
               : loader.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char *>(data), unsigned(size),
                                            folder);
    return read ? std::string() : firstLine(err);
}

} // namespace

std::string decodeGltf(const std::string &folder, const uint8_t *data, size_t size, Mesh &mesh, GltfPicture &picture)
{
    mesh = Mesh();
    picture = GltfPicture();
    std::string refusal;
    try {
        tinygltf::Model model;
        static const uint8_t nothing = 0;
        refusal = readModel(folder, data != nullptr ? data : &nothing, data != nullptr ? size : 0, model);
        if (refusal.empty())
            refusal = walkGltf(model, mesh, picture);
    } catch (const std::bad_alloc &) {
        refusal = "not enough memory to read the model";
    } catch (...) {
        refusal = "the file is not a glTF model the plugin can read";
    }
    if (!refusal.empty()) {
        mesh = Mesh();
        picture = GltfPicture();
    }
    return refusal;
}
