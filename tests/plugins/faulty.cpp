// faulty.dll: a test plugin that faults on purpose, in the function and the way its own file name says.
//
// Copied under a name "fault-<function>-<kind>[-<call>].dll", it faults in <function> (DllMain for the load of
// the library, detach for its unload, or one of the exports) on the <call>th call of that function since the
// library was loaded (the first when no number is given). The kinds:
//   null       writes through a null pointer (access violation)
//   divzero    divides an integer by zero
//   recursion  recurses without end (stack overflow)
//   throw      throws a C++ exception that nothing in the plugin catches, through a frame with a destructor
//   illegal    runs an illegal instruction (ud2)
//   crt        hands the C runtime's strlen a bad pointer (a fault inside the runtime, below the plugin)
//   caught     faults and catches its own fault: nothing escapes, the call then carries on normally
//   badpointer does not fault itself but returns a pointer that leads nowhere: sk_info, sk_filefilter and
//              sk_framename a text at address 16, sk_gettexcoord a table whose triangle has a corner there,
//              sk_texturebytes 64 bytes there
// Under any other name it never faults. Otherwise it behaves as a small plugin: one white square in two frames
// (the same pose twice), one texture triangle, a description and a file filter, no picture. sk_draw faults after leaving GL state half-set (matrices pushed,
// texturing off, a client array on, inside glBegin), so what the program puts back shows.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "plugin-api/plugin_api.h"
#include "test_quad.h"

namespace {

char faultFunction[64];
char faultKind[32];
int faultCall = 1;
int calls[16];

enum Function {
    DLLMAIN, DETACH, LOAD, GETINFO, GETTEXCOORD, FREETEXCOORDTAB, DRAW, INFO, FILEFILTER, FRAMECOUNT, SETFRAME,
    FRAMENAME, TEXTUREBYTES
};
const char *const functionNames[] = {"DllMain",       "detach",        "sk_load",     "sk_getinfo",
                                     "sk_gettexcoord", "sk_freetexcoordtab", "sk_draw", "sk_info",
                                     "sk_filefilter", "sk_framecount", "sk_setframe", "sk_framename",
                                     "sk_texturebytes"};

// "fault-sk_draw-null-100.dll" -> sk_draw, null, 100.
void readOwnName(HMODULE self)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(self, path, sizeof path);
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    char function[64] = "", kind[32] = "";
    int call = 1;
    if (std::sscanf(name, "fault-%63[^-]-%31[^-.]-%d", function, kind, &call) >= 2) {
        std::snprintf(faultFunction, sizeof faultFunction, "%s", function);
        std::snprintf(faultKind, sizeof faultKind, "%s", kind);
        faultCall = call;
    }
}

int *volatile nowhere = nullptr;
volatile int seven = 7, zero = 0;   // both read at run time: 1 / x alone compiles to a comparison
volatile bool deeper = true;
const char *volatile badText = reinterpret_cast<const char *>(static_cast<uintptr_t>(16));

__attribute__((noinline)) int recurse(volatile char *previous)
{
    volatile char block[512];
    block[0] = static_cast<char>(previous ? previous[0] + 1 : 0);
    if (deeper)
        recurse(block);
    return block[1];   // read after the call, so the recursion is no tail call
}

__attribute__((noinline)) void throwThrough()
{
    std::string what = "the faulty plugin throws";
    throw std::runtime_error(what);
}

__attribute__((noinline)) void fault(const char *kind)
{
    if (!std::strcmp(kind, "null"))
        *nowhere = 1;
    else if (!std::strcmp(kind, "divzero"))
        calls[15] = seven / zero;
    else if (!std::strcmp(kind, "recursion"))
        recurse(nullptr);
    else if (!std::strcmp(kind, "throw"))
        throwThrough();
    else if (!std::strcmp(kind, "illegal"))
        __builtin_trap();
    else if (!std::strcmp(kind, "crt"))
        calls[15] = static_cast<int>(std::strlen(badText));
    else if (!std::strcmp(kind, "caught")) {
        try {
            throwThrough();
        } catch (const std::exception &) {
        }
    }
}

// Counts the call and faults when it is the one the name asks for; true when that call is to return a bad
// pointer instead.
bool arrive(Function function)
{
    if (++calls[function] != faultCall || std::strcmp(faultFunction, functionNames[function]))
        return false;
    if (!std::strcmp(faultKind, "badpointer"))
        return true;
    fault(faultKind);
    return false;
}

const float corners[3][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}};
TexCoordTriangle triangle = {{corners[0], corners[1], corners[2]}};
TexCoordTriangle *table[1] = {&triangle};
const float *const nowhereCorner = reinterpret_cast<const float *>(static_cast<uintptr_t>(16));
TexCoordTriangle badTriangle = {{corners[0], nowhereCorner, corners[2]}};
TexCoordTriangle *badTable[1] = {&badTriangle};
int loaded;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        readOwnName(self);
        arrive(DLLMAIN);
    } else if (reason == DLL_PROCESS_DETACH) {
        arrive(DETACH);
    }
    return TRUE;
}

extern "C" SK_EXPORT int sk_load(const char *)
{
    arrive(LOAD);
    loaded = 1;
    return 1;
}

extern "C" SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    arrive(GETINFO);
    if (triangleCount)
        *triangleCount = loaded;
    if (hasTexCoords)
        *hasTexCoords = loaded;
    return 1;
}

extern "C" SK_EXPORT TexCoordTriangle **sk_gettexcoord()
{
    return arrive(GETTEXCOORD) ? badTable : table;
}

extern "C" SK_EXPORT int sk_freetexcoordtab(int, TexCoordTriangle **)
{
    arrive(FREETEXCOORDTAB);
    return 1;
}

extern "C" SK_EXPORT int sk_draw()
{
    if (++calls[DRAW] == faultCall && !std::strcmp(faultFunction, "sk_draw")) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glPushAttrib(GL_ENABLE_BIT);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
        glBindTexture(GL_TEXTURE_2D, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glBegin(GL_TRIANGLES);
        glVertex3f(0.0f, 0.0f, 0.0f);
        fault(faultKind);
        glEnd();
    }
    drawTestQuad();
    return 1;
}

extern "C" SK_EXPORT const char *sk_info()
{
    if (arrive(INFO))
        return badText;
    return "Faulty test plugin\nFaults where its file name says.";
}

extern "C" SK_EXPORT const char *sk_filefilter()
{
    if (arrive(FILEFILTER))
        return badText;
    return "Fault test (*.flt)\0*.flt\0";
}

extern "C" SK_EXPORT int sk_framecount()
{
    arrive(FRAMECOUNT);
    return 2;
}

extern "C" SK_EXPORT void sk_setframe(float)
{
    arrive(SETFRAME);
}

extern "C" SK_EXPORT const char *sk_framename(int)
{
    return arrive(FRAMENAME) ? badText : "still1";
}

extern "C" SK_EXPORT int sk_texturebytes(const unsigned char **data, int *size)
{
    if (!arrive(TEXTUREBYTES))
        return 0;
    *data = reinterpret_cast<const unsigned char *>(badText);
    *size = 64;
    return 1;
}
