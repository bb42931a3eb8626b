// The Win32/GL side the shipped model plugins share: file reading and the reasons for refusals, drawing and the
// coordinate table through the kit's mesh helper, the texture file's name or bytes, the poses of a model that moves.
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
#include "sk_mesh.h"

namespace {

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

// Why a model file cannot be used, for sk_loaderror, or an empty text when mesh holds its model and picture the
// picture it is painted with.
std::string loadMesh(const char *path, Mesh &mesh, ModelPicture &picture)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    switch (readModelFile(path, modelFileLimit(), bytes)) {
    case FileRead::NotOpened:
        return "the file cannot be opened";
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
    return reason;
}

// The kit's view of a mesh: the same arrays, no copy.
SkMesh meshView(const Mesh &mesh)
{
    SkMesh view;
    view.positions = const_cast<float *>(mesh.positions.data());
    view.normals = const_cast<float *>(mesh.normals.data());
    view.texCoords = mesh.hasTexCoords ? const_cast<float *>(mesh.texCoords.data()) : nullptr;
    view.indices = const_cast<unsigned *>(reinterpret_cast<const unsigned *>(mesh.indices.data()));
    view.vertexCount = int(meshVertexCount(mesh));
    view.triangleCount = int(meshTriangleCount(mesh));
    return view;
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

void drawMesh(const Mesh &mesh)
{
    const SkMesh view = meshView(mesh);
    sk_mesh_draw(&view);
}

TexCoordTriangle **buildTexCoordTable(const Mesh &mesh)
{
    const SkMesh view = meshView(mesh);
    return sk_mesh_build_table(&view);
}

void freeTexCoordTable(TexCoordTriangle **table)
{
    sk_mesh_free_table(table);
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
static_assert(std::is_same<decltype(&sk_loaderror), SkLoadErrorFn>::value, "sk_loaderror");
static_assert(std::is_same<decltype(&sk_fileorigin), SkFileOriginFn>::value, "sk_fileorigin");
static_assert(std::is_same<decltype(&sk_pictureuse), SkPictureUseFn>::value, "sk_pictureuse");
static_assert(std::is_same<decltype(&sk_framecount), SkFrameCountFn>::value, "sk_framecount");
static_assert(std::is_same<decltype(&sk_setframe), SkSetFrameFn>::value, "sk_setframe");
static_assert(std::is_same<decltype(&sk_framename), SkFrameNameFn>::value, "sk_framename");
static_assert(std::is_same<decltype(&sk_texturebytes), SkTextureBytesFn>::value, "sk_texturebytes");
static_assert(sizeof(unsigned) == sizeof(uint32_t), "the kit's indices are the mesh's");

namespace {

// The model in use and the picture it is painted with; both empty when none is loaded or the last load failed,
// and then why it failed.
Mesh loadedMesh;
ModelPicture loadedPicture;
std::string loadError;

void forgetMesh()
{
    loadedMesh = Mesh();
    loadedPicture = ModelPicture();
}

} // namespace

extern "C" {

// A new load replaces the model; a file that cannot be read or is refused leaves none (nothing drawn, no
// texture coordinates), and sk_loaderror says why.
int sk_load(const char *path)
{
    forgetMesh();
    loadError.clear();
    if (path == nullptr) {
        loadError = "no file was named";
        return 0;
    }
    try {
        loadError = loadMesh(path, loadedMesh, loadedPicture);
        if (loadError.empty()) {
            if (loadedPicture.file.size() >= TEXTURE_PATH_MAX_BYTES)
                loadedPicture.file.clear();
            blendMeshPose(loadedMesh, 0.0f);
            return 1;
        }
    } catch (const std::bad_alloc &) {
        loadError = "not enough memory to read the model";
    }
    forgetMesh();
    return 0;
}

const char *sk_loaderror(void)
{
    return loadError.c_str();
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

int sk_fileorigin(float *origin)
{
    if (origin == nullptr || loadedMesh.indices.empty())
        return 0;
    std::memcpy(origin, loadedMesh.origin, sizeof loadedMesh.origin);
    return 1;
}

int sk_pictureuse(int *pictures, float *share)
{
    const bool known = loadedPicture.pictureCount > 0 && !loadedPicture.file.empty();
    if (pictures != nullptr)
        *pictures = known ? loadedPicture.pictureCount : 0;
    if (share != nullptr)
        *share = known ? loadedPicture.share : 0.0f;
    return known ? 1 : 0;
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
