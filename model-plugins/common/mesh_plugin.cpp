// The Win32/GL side the shipped model plugins share: file reading and refusal reports, vertex-array drawing,
// the coordinate table, the texture file's name or bytes, and the poses of a model that moves.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/common/mesh_plugin.h"
#include "model-plugins/common/model_paths.h"

namespace {

// Corner for models without texture coordinates: every corner of their table points here, so a caller
// that asks anyway gets triangles that all collapse onto one texel.
const float NO_TEXCOORD[2] = {0.0f, 0.0f};

// The program reads at most this many bytes of sk_texturefile's text: a longer path would name another file.
const size_t TEXTURE_PATH_MAX_BYTES = 1024;
// Nor more than this of a frame's name, its NUL included.
const size_t FRAME_NAME_MAX_BYTES = 64;

enum class FileRead { Read, NotOpened, TooLarge, Failed };

// Reads the whole file into bytes, stopping at maxBytes.
FileRead readModelFile(const char *path, size_t maxBytes, std::vector<uint8_t> &bytes)
{
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return FileRead::NotOpened;
    uint8_t chunk[65536];
    FileRead result = FileRead::Read;
    size_t got;
    while (result == FileRead::Read && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (got > maxBytes - bytes.size())
            result = FileRead::TooLarge;
        else
            bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (result == FileRead::Read && std::ferror(file) != 0)
        result = FileRead::Failed;
    std::fclose(file);
    return result;
}

// The message for a model file that cannot be used, or an empty text when mesh holds its model and texture
// the picture it names.
std::string loadMesh(const char *path, Mesh &mesh, ModelPicture &picture)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    switch (readModelFile(path, modelFileLimit(), bytes)) {
    case FileRead::NotOpened:
        return "Unable to open model file";
    case FileRead::TooLarge:
        reason = "the file is larger than " + std::to_string(modelFileLimit() >> 20) + " MiB";
        break;
    case FileRead::Failed:
        reason = "the file could not be read to its end";
        break;
    case FileRead::Read:
        reason = decodeModelFile(path, bytes, mesh, picture);
        break;
    }
    return reason.empty() ? reason : "Unable to load model\n" + reason;
}

// The program cannot learn that a load failed, so the plugin tells the user itself, as the program tells of
// its own failures: no owner window, the file's path as the caption.
void reportRefusal(const char *path, const char *text)
{
    MessageBoxA(nullptr, text, path, MB_OK | MB_ICONERROR);
}

// A file, not a folder: a candidate that names a folder is no picture.
bool isExistingFile(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

std::string findExistingFile(const char *modelPath, const std::vector<std::string> &candidates)
{
    const std::string folder = folderOfPath(modelPath);
    for (const std::string &candidate : candidates)
        if (candidate.size() < TEXTURE_PATH_MAX_BYTES && isExistingFile(joinPath(folder, candidate)))
            return candidate;
    return std::string();
}

bool readSideFile(const std::string &path, size_t maxBytes, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    return readModelFile(path.c_str(), maxBytes, bytes) == FileRead::Read;
}

std::string fitUnlessRefused(const char *reason, Mesh &mesh)
{
    if (reason[0] == '\0')
        fitMeshInCube(mesh, MODEL_FIT_SIDE);
    return reason;
}

// White, so that the texture shows its own colours under the lighting (GL_COLOR_MATERIAL makes the
// current colour the material). The enable flags and the current colour are restored by the attribute stack.
void drawMesh(const Mesh &mesh)
{
    GLsizei corners = GLsizei(mesh.indices.size());
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    if (mesh.hasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords.data());
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glDrawElements(GL_TRIANGLES, corners, GL_UNSIGNED_INT, mesh.indices.data());
    if (mesh.hasTexCoords)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopAttrib();
}

// One block holds the pointer array followed by the records, so the table is released with one free.
TexCoordTriangle **buildTexCoordTable(const Mesh &mesh)
{
    size_t count = meshTriangleCount(mesh);
    if (count == 0)
        return nullptr;
    void *block = std::malloc(count * (sizeof(TexCoordTriangle *) + sizeof(TexCoordTriangle)));
    if (block == nullptr)
        return nullptr;
    TexCoordTriangle **table = static_cast<TexCoordTriangle **>(block);
    TexCoordTriangle *records = reinterpret_cast<TexCoordTriangle *>(table + count);
    for (size_t t = 0; t < count; ++t) {
        for (int k = 0; k < 3; ++k) {
            size_t vertex = mesh.indices[t * 3 + k];
            records[t].corner[k] = mesh.hasTexCoords ? &mesh.texCoords[vertex * 2] : NO_TEXCOORD;
        }
        table[t] = &records[t];
    }
    return table;
}

void freeTexCoordTable(TexCoordTriangle **table)
{
    std::free(table);
}

extern "C" {
SK_EXPORT int sk_load(const char *path);
SK_EXPORT int sk_draw(void);
SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords);
SK_EXPORT TexCoordTriangle **sk_gettexcoord(void);
SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table);
SK_EXPORT const char *sk_info(void);
SK_EXPORT const char *sk_filefilter(void);
SK_EXPORT const char *sk_texturefile(void);
SK_EXPORT int sk_framecount(void);
SK_EXPORT void sk_setframe(float frame);
SK_EXPORT const char *sk_framename(int frame);
SK_EXPORT int sk_texturebytes(const unsigned char **data, int *size);
}

// The exports must keep the exact types the program casts GetProcAddress results to.
static_assert(std::is_same<decltype(&sk_load), SkLoadFn>::value, "sk_load");
static_assert(std::is_same<decltype(&sk_draw), SkDrawFn>::value, "sk_draw");
static_assert(std::is_same<decltype(&sk_getinfo), SkGetInfoFn>::value, "sk_getinfo");
static_assert(std::is_same<decltype(&sk_gettexcoord), SkGetTexCoordFn>::value, "sk_gettexcoord");
static_assert(std::is_same<decltype(&sk_freetexcoordtab), SkFreeTexCoordTabFn>::value, "sk_freetexcoordtab");
static_assert(std::is_same<decltype(&sk_info), SkInfoFn>::value, "sk_info");
static_assert(std::is_same<decltype(&sk_filefilter), SkFileFilterFn>::value, "sk_filefilter");
static_assert(std::is_same<decltype(&sk_texturefile), SkTextureFileFn>::value, "sk_texturefile");
static_assert(std::is_same<decltype(&sk_framecount), SkFrameCountFn>::value, "sk_framecount");
static_assert(std::is_same<decltype(&sk_setframe), SkSetFrameFn>::value, "sk_setframe");
static_assert(std::is_same<decltype(&sk_framename), SkFrameNameFn>::value, "sk_framename");
static_assert(std::is_same<decltype(&sk_texturebytes), SkTextureBytesFn>::value, "sk_texturebytes");

namespace {

// The model in use and the picture it is painted with; both empty when none is loaded or the last load failed.
Mesh loadedMesh;
ModelPicture loadedPicture;

void forgetMesh()
{
    loadedMesh = Mesh();
    loadedPicture = ModelPicture();
}

} // namespace

extern "C" {

// A new load replaces the model; a file that cannot be read or is refused leaves none (nothing drawn, no
// texture coordinates), and the user is told why.
int sk_load(const char *path)
{
    forgetMesh();
    if (path == nullptr)
        return 0;
    try {
        std::string refusal = loadMesh(path, loadedMesh, loadedPicture);
        if (refusal.empty()) {
            if (loadedPicture.file.size() >= TEXTURE_PATH_MAX_BYTES)
                loadedPicture.file.clear();
            blendMeshPose(loadedMesh, 0.0f);
            return 1;
        }
        forgetMesh();
        reportRefusal(path, refusal.c_str());
    } catch (const std::bad_alloc &) {
        forgetMesh();
        reportRefusal(path, "Unable to load model\nnot enough memory to read the model");
    }
    return 0;
}

int sk_draw(void)
{
    if (loadedMesh.indices.empty())
        return 0;
    drawMesh(loadedMesh);
    return 1;
}

int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount != nullptr)
        *triangleCount = int(meshTriangleCount(loadedMesh));
    if (hasTexCoords != nullptr)
        *hasTexCoords = loadedMesh.hasTexCoords ? 1 : 0;
    return 1;
}

TexCoordTriangle **sk_gettexcoord(void)
{
    return buildTexCoordTable(loadedMesh);
}

int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table)
{
    (void)triangleCount; // the block knows its own size
    freeTexCoordTable(table);
    return 1;
}

const char *sk_info(void)
{
    return pluginDescription();
}

const char *sk_filefilter(void)
{
    return pluginFileFilter();
}

const char *sk_texturefile(void)
{
    return loadedPicture.file.c_str();
}

int sk_texturebytes(const unsigned char **data, int *size)
{
    const std::vector<uint8_t> &bytes = loadedPicture.bytes;
    const bool has = !bytes.empty() && bytes.size() <= size_t(INT32_MAX);
    if (data != nullptr)
        *data = has ? bytes.data() : nullptr;
    if (size != nullptr)
        *size = has ? int(bytes.size()) : 0;
    return has ? 1 : 0;
}

int sk_framecount(void)
{
    return loadedMesh.indices.empty() ? 0 : int(meshPoseCount(loadedMesh));
}

void sk_setframe(float frame)
{
    blendMeshPose(loadedMesh, frame);
}

const char *sk_framename(int frame)
{
    static char name[FRAME_NAME_MAX_BYTES];
    name[0] = '\0';
    if (frame >= 0 && size_t(frame) < loadedMesh.poseNames.size()) {
        const std::string &text = loadedMesh.poseNames[size_t(frame)];
        const size_t length = text.size() < sizeof name ? text.size() : sizeof name - 1;
        std::memcpy(name, text.data(), length);
        name[length] = '\0';
    }
    return name;
}

} // extern "C"

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres() noexcept;
}
#endif

// The program loads and frees a plugin every time the Plugins dialog shows its information or switches to it.
// A statically linked GNU C++ runtime sets aside an emergency pool for exceptions at each load and never frees
// it, so every load would keep about 70 KB; free it when the library is unloaded (not at process exit, when
// the system reclaims everything anyway).
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
#if defined(__GLIBCXX__)
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        __gnu_cxx::__freeres();
#else
    (void)reason;
    (void)reserved;
#endif
    return TRUE;
}
