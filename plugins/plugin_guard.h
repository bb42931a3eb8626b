// Every call into a model plugin runs under a guard: a fault inside the plugin (an access violation, a division
// by zero, an illegal instruction, a stack overflow, a C++ exception it lets escape) ends that call instead of
// the program, and the guard says what happened. What to do about it is the caller's business.
#pragma once
#include <windows.h>

#include <cstdint>

#include "plugins/plugin_api.h"

// What a guarded call ran into: nothing, or a fault in the named function with the exception's code.
struct PluginFault {
    bool faulted;
    const char *function;   // "sk_load", "sk_draw", ... or "DllMain" for the loader's calls
    uint32_t code;          // the exception code (EXCEPTION_ACCESS_VIOLATION, ...)
};

constexpr PluginFault noPluginFault()
{
    return PluginFault{false, nullptr, 0};
}

// Each runs one call into a plugin's function (which must not be null) and returns the fault, if any.
PluginFault guardLoad(SkLoadFn load, const char *path);
PluginFault guardGetInfo(SkGetInfoFn getInfo, int *triangleCount, int *hasTexCoords);
PluginFault guardGetTexCoord(SkGetTexCoordFn getTexCoord, TexCoordTriangle **&table);
PluginFault guardFreeTexCoordTab(SkFreeTexCoordTabFn freeTable, int triangleCount, TexCoordTriangle **table);
PluginFault guardDraw(SkDrawFn draw);
PluginFault guardFileFilter(SkFileFilterFn fileFilter, const char *&filters);
PluginFault guardTextureFile(SkTextureFileFn textureFile, const char *&path);
PluginFault guardInfo(SkInfoFn info, const char *&text);
// LoadLibraryA and FreeLibrary, which run the library's DllMain.
PluginFault guardLoadLibrary(const char *path, HMODULE &module);
PluginFault guardFreeLibrary(HMODULE module);
