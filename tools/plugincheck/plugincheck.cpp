// plugincheck.exe PLUGIN.dll [MODEL]: loads a model plugin outside Pelterine, calls every export under the fault
// guard (with MODEL when given), and prints one line a finding; exits 1 when the plugin breaks the contract.
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plugins/library_problem.h"
#include "plugins/plugin_guard.h"
#include "tools/plugincheck/plugin_rules.h"

namespace {

// Far from any count or flag a plugin would write.
const int UNSET = -1234567891;
const int32_t MAX_ENTRIES_READ = 1 << 24;

template <typename Fn> Fn exportOf(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Whether the process may read these bytes: committed, readable pages all the way.
bool readable(const void *pointer, size_t bytes)
{
    uintptr_t at = reinterpret_cast<uintptr_t>(pointer);
    const uintptr_t end = at + bytes;
    if (at == 0 || end < at)
        return false;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(reinterpret_cast<const void *>(at), &region, sizeof region) || region.State != MEM_COMMIT ||
            (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0)
            return false;
        at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

// Reads a text (a list: up to its empty string) byte by byte, never past `bound` or an unreadable byte.
void readText(const char *text, size_t bound, bool list, TextSeen &seen)
{
    seen.null = text == nullptr;
    if (seen.null)
        return;
    seen.terminated = false;
    for (size_t n = 0; n < bound; ++n) {
        if (!readable(text + n, 1)) {
            seen.readable = false;
            return;
        }
        seen.bytes += text[n];
        if (text[n] == '\0' && (!list || n == 0 || text[n - 1] == '\0')) {
            seen.terminated = true;
            return;
        }
    }
}

void callText(HMODULE module, const char *name, size_t bound, bool list, TextSeen &seen)
{
    SkInfoFn function = exportOf<SkInfoFn>(module, name);
    if (!function)
        return;
    const char *text = nullptr;
    const PluginFault fault = guardTextExport(name, function, text);
    seen.call = {true, fault.faulted, fault.code};
    if (!fault.faulted)
        readText(text, bound, list, seen);
}

std::vector<std::string> exportNames(HMODULE module)
{
    std::vector<std::string> names;
    const char *base = reinterpret_cast<const char *>(module);
    const IMAGE_NT_HEADERS *nt =
        reinterpret_cast<const IMAGE_NT_HEADERS *>(base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0)
        return names;
    const IMAGE_EXPORT_DIRECTORY *exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + directory.VirtualAddress);
    const DWORD *nameRvas = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.push_back(base + nameRvas[i]);
    return names;
}

EntrySeen readEntry(const TexCoordTriangle *const *slot)
{
    if (!readable(slot, sizeof *slot))
        return EntrySeen::LeadsNowhere;
    const TexCoordTriangle *entry = *slot;
    if (!entry)
        return EntrySeen::Null;
    if (!readable(entry, sizeof *entry))
        return EntrySeen::LeadsNowhere;
    EntrySeen worst = EntrySeen::Usable;
    for (const float *corner : entry->corner) {
        if (!corner)
            return EntrySeen::NullCorner;
        if (!readable(corner, 2 * sizeof(float)))
            return EntrySeen::CornerLeadsNowhere;
        if (!std::isfinite(corner[0]) || !std::isfinite(corner[1]))
            return EntrySeen::NotFinite;
        if (corner[0] < 0.0f || corner[0] > 1.0f || corner[1] < 0.0f || corner[1] > 1.0f)
            worst = EntrySeen::OutOfRange;
    }
    return worst;
}

// sk_getinfo, then the table as the program's grid build reads it.
void checkTable(HMODULE module, PluginObservation &seen)
{
    SkGetInfoFn getInfo = exportOf<SkGetInfoFn>(module, "sk_getinfo");
    if (!getInfo)
        return;
    int count = UNSET, flag = UNSET;
    PluginFault fault = guardGetInfo(getInfo, &count, &flag);
    seen.getInfo = {true, fault.faulted, fault.code};
    seen.countSet = count != UNSET;
    seen.flagSet = flag != UNSET;
    seen.count = seen.countSet ? count : 0;
    seen.flag = seen.flagSet ? flag : 0;
    SkGetTexCoordFn getTexCoord = exportOf<SkGetTexCoordFn>(module, "sk_gettexcoord");
    SkFreeTexCoordTabFn freeTable = exportOf<SkFreeTexCoordTabFn>(module, "sk_freetexcoordtab");
    if (fault.faulted || !getTexCoord || !freeTable)
        return;
    TexCoordTriangle **table = nullptr;
    fault = guardGetTexCoord(getTexCoord, table);
    seen.getTexCoord = {true, fault.faulted, fault.code};
    if (fault.faulted)
        return;
    seen.tableNull = table == nullptr;
    const int32_t entries = seen.count < MAX_ENTRIES_READ ? seen.count : MAX_ENTRIES_READ;
    for (int32_t i = 0; table && i < entries; ++i) {
        seen.entries.push_back(readEntry(table + i));
        if (seen.entries.back() == EntrySeen::LeadsNowhere && !readable(table + i, sizeof *table)) {
            seen.entries.resize(size_t(entries), EntrySeen::LeadsNowhere);   // the rest of the table is gone too
            break;
        }
    }
    fault = guardFreeTexCoordTab(freeTable, seen.countSet ? count : 0, table);
    seen.freeTable = {true, fault.faulted, fault.code};
}

// ---- The GL context sk_draw runs in, set up as Pelterine sets up its viewport

struct GlContext {
    HWND window;
    HDC dc;
    HGLRC context;
    GLuint skinTexture;
};

bool createContext(GlContext &gl)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PluginCheckWindowClass";
    RegisterClassA(&windowClass);
    // Never shown: the context only needs a window with a pixel format.
    gl.window = CreateWindowA("PluginCheckWindowClass", "plugincheck", WS_POPUP, 0, 0, 256, 256, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    gl.dc = gl.window ? GetDC(gl.window) : nullptr;
    if (!gl.dc)
        return false;
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 16;
    const int chosen = ChoosePixelFormat(gl.dc, &format);
    if (!chosen || !SetPixelFormat(gl.dc, chosen, &format))
        return false;
    gl.context = wglCreateContext(gl.dc);
    if (!gl.context || !wglMakeCurrent(gl.dc, gl.context))
        return false;
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_LIGHT0);
    glGenTextures(1, &gl.skinTexture);
    glBindTexture(GL_TEXTURE_2D, gl.skinTexture);
    const unsigned char white[4 * 4 * 3] = {255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, white);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.0f, 0.0f, -50.0f);
    glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
    return true;
}

struct Named {
    GLenum value;
    const char *name;
};

// What a plugin might turn on or off and leave so.
const Named CAPABILITIES[] = {
    {GL_ALPHA_TEST, "GL_ALPHA_TEST"}, {GL_BLEND, "GL_BLEND"}, {GL_COLOR_MATERIAL, "GL_COLOR_MATERIAL"},
    {GL_CULL_FACE, "GL_CULL_FACE"}, {GL_DEPTH_TEST, "GL_DEPTH_TEST"}, {GL_FOG, "GL_FOG"},
    {GL_LIGHTING, "GL_LIGHTING"}, {GL_LIGHT0, "GL_LIGHT0"}, {GL_LIGHT1, "GL_LIGHT1"}, {GL_NORMALIZE, "GL_NORMALIZE"},
    {GL_POLYGON_OFFSET_FILL, "GL_POLYGON_OFFSET_FILL"}, {GL_SCISSOR_TEST, "GL_SCISSOR_TEST"},
    {GL_STENCIL_TEST, "GL_STENCIL_TEST"}, {GL_TEXTURE_1D, "GL_TEXTURE_1D"}, {GL_TEXTURE_2D, "GL_TEXTURE_2D"},
    {GL_TEXTURE_GEN_S, "GL_TEXTURE_GEN_S"}, {GL_TEXTURE_GEN_T, "GL_TEXTURE_GEN_T"},
    {GL_CLIP_PLANE0, "GL_CLIP_PLANE0"}};
const Named CLIENT_ARRAYS[] = {{GL_VERTEX_ARRAY, "GL_VERTEX_ARRAY"}, {GL_NORMAL_ARRAY, "GL_NORMAL_ARRAY"},
                               {GL_COLOR_ARRAY, "GL_COLOR_ARRAY"}, {GL_TEXTURE_COORD_ARRAY, "GL_TEXTURE_COORD_ARRAY"},
                               {GL_INDEX_ARRAY, "GL_INDEX_ARRAY"}, {GL_EDGE_FLAG_ARRAY, "GL_EDGE_FLAG_ARRAY"}};

GLint integerState(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

GlStateSeen readGlState()
{
    GlStateSeen state;
    state.error = glGetError();
    state.matrixMode = integerState(GL_MATRIX_MODE);
    state.boundTexture = uint32_t(integerState(GL_TEXTURE_BINDING_2D));
    GLfloat matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    for (int i = 0; i < 16; ++i)
        state.textureMatrixIdentity = state.textureMatrixIdentity && matrix[i] == (i % 5 == 0 ? 1.0f : 0.0f);
    state.attributeDepth = integerState(GL_ATTRIB_STACK_DEPTH);
    state.clientAttributeDepth = integerState(GL_CLIENT_ATTRIB_STACK_DEPTH);
    state.modelviewDepth = integerState(GL_MODELVIEW_STACK_DEPTH);
    state.projectionDepth = integerState(GL_PROJECTION_STACK_DEPTH);
    state.textureDepth = integerState(GL_TEXTURE_STACK_DEPTH);
    for (const Named &capability : CAPABILITIES)
        if (glIsEnabled(capability.value))
            state.enabled.push_back(capability.name);
    for (const Named &array : CLIENT_ARRAYS)
        if (glIsEnabled(array.value))
            state.clientArrays.push_back(array.name);
    return state;
}

void checkDraw(HMODULE module, PluginObservation &seen)
{
    SkDrawFn draw = exportOf<SkDrawFn>(module, "sk_draw");
    if (!draw)
        return;
    GlContext gl = {};
    seen.glChecked = createContext(gl);
    if (seen.glChecked)
        seen.glBefore = readGlState();
    const PluginFault fault = guardDraw(draw);
    seen.draw = {true, fault.faulted, fault.code};
    if (seen.glChecked && !fault.faulted)
        seen.glAfter = readGlState();
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool fileExists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool absolutePath(const std::string &path)
{
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

int report(const std::vector<Finding> &findings)
{
    bool breach = false;
    for (const Finding &finding : findings) {
        std::printf("%s\n", findingLine(finding).c_str());
        breach = breach || finding.breach;
    }
    std::printf("%s\n", breach ? "FAILED: the plugin breaks the contract" : "OK: no breach found");
    return breach ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: plugincheck PLUGIN.dll [MODEL]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);   // every line out before a fault the guard cannot take
    const char *path = argv[1];
    HMODULE module = nullptr;
    const PluginFault loadFault = guardLoadLibrary(path, module);
    if (loadFault.faulted || !module) {
        const std::string why = loadFault.faulted ? "its DllMain faulted" : libraryLoadProblem(path);
        return report({{true, "", "the library cannot be loaded" + (why.empty() ? "" : ": " + why)}});
    }
    PluginObservation seen;
    seen.exports = exportNames(module);
    if (argc == 3) {
        seen.model = argv[2];
        if (SkLoadFn load = exportOf<SkLoadFn>(module, "sk_load")) {
            const PluginFault fault = guardLoad(load, seen.model.c_str());
            seen.load = {true, fault.faulted, fault.code};
            if (!fault.faulted)
                callText(module, "sk_loaderror", 1024, false, seen.loadError);
        }
    }
    checkTable(module, seen);
    callText(module, "sk_info", 4096, false, seen.info);
    callText(module, "sk_filefilter", 2048, true, seen.fileFilter);
    callText(module, "sk_texturefile", 1024, false, seen.textureFile);
    const std::string named = seen.textureFile.bytes.c_str();
    seen.textureFileExists = !named.empty() && fileExists(absolutePath(named) ? named : folderOf(seen.model) + named);
    if (seen.load.called && !seen.load.faulted)
        checkDraw(module, seen);
    else
        std::printf("note sk_draw: not called; give a model to check it\n");
    return report(checkPlugin(seen));
}
