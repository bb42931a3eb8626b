// Every call into a model plugin runs under a guard: a fault inside the plugin (an access violation, a division
// by zero, an illegal instruction, a stack overflow, a C++ exception it lets escape) ends that call instead of
// the program, and the guard says what happened. What to do about it is the caller's business.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin-api/plugin_api.h"

// What a guarded call ran into: nothing, or a fault in the named function with the exception's code.
struct PluginFault {
    bool faulted;
    const char *function;   // "sk_load", "sk_draw", ... or "DllMain" for the loader's calls
    uint32_t code;          // the exception code (EXCEPTION_ACCESS_VIOLATION, ...)
};

// The most of a plugin's description that is read: a few lines are all the Plugins dialog shows.
enum : size_t { PLUGIN_INFO_MAX_BYTES = 4096 };
// The most bytes of sk_texturefile's text that are read, its closing NUL included; a longer text is not used.
enum : size_t { PLUGIN_TEXTURE_PATH_MAX_BYTES = 1024 };
// The most bytes of a frame's name that are read, its closing NUL included; a longer name is cut.
enum : size_t { PLUGIN_FRAME_NAME_MAX_BYTES = 64 };

constexpr PluginFault noPluginFault()
{
    return PluginFault{false, nullptr, 0};
}

// True while a call into a plugin is on the stack. A plugin that pumps messages then runs the program's
// handlers inside its call: no command may call the plugin again or unload it until the call returns.
bool pluginCallUnderway();

// Each runs one call into a plugin's function (which must not be null) and returns the fault, if any.
PluginFault guardLoad(SkLoadFn load, const char *path);
PluginFault guardGetInfo(SkGetInfoFn getInfo, int *triangleCount, int *hasTexCoords);
PluginFault guardGetTexCoord(SkGetTexCoordFn getTexCoord, TexCoordTriangle **&table);
PluginFault guardFreeTexCoordTab(SkFreeTexCoordTabFn freeTable, int triangleCount, TexCoordTriangle **table);
PluginFault guardDraw(SkDrawFn draw);
// The two that return text copy it under the guard too, so a pointer that leads nowhere is the plugin's fault like
// any other: the filter list up to the empty string that ends it (at most PLUGIN_FILTERS_MAX_BYTES, its NULs
// kept), the description up to its NUL (at most PLUGIN_INFO_MAX_BYTES - 1 characters). A null pointer gives an
// empty copy.
PluginFault guardFileFilter(SkFileFilterFn fileFilter, std::string &filters);
PluginFault guardInfo(SkInfoFn info, std::string &text);
// The most bytes of sk_loaderror's text that are read, its closing NUL included; a longer text is cut there.
enum : size_t { PLUGIN_LOAD_ERROR_MAX_BYTES = 1024 };
// Why the last sk_load refused its file, copied under the guard: empty for null or an empty text (accepted).
PluginFault guardLoadError(SkLoadErrorFn loadError, std::string &reason);
// The picture sk_texturefile names, copied under the guard likewise: empty for null, for an empty text, and for
// one without its NUL within PLUGIN_TEXTURE_PATH_MAX_BYTES (a cut path would name another file).
PluginFault guardTextureFile(SkTextureFileFn textureFile, std::string &path);
// The exports of a model that moves: the frame count (0 after a fault), the pose to draw, and a frame's name
// copied under the guard (at most PLUGIN_FRAME_NAME_MAX_BYTES - 1 characters; empty for null).
PluginFault guardFrameCount(SkFrameCountFn frameCount, int &count);
PluginFault guardSetFrame(SkSetFrameFn setFrame, float frame);
PluginFault guardFrameName(SkFrameNameFn frameName, int frame, std::string &name);
// The picture a model file holds, its bytes copied under the guard: empty when the plugin hands none over, and
// when it hands over more than maxBytes (tooLarge is then set and nothing is read).
PluginFault guardTextureBytes(SkTextureBytesFn textureBytes, size_t maxBytes, std::vector<uint8_t> &bytes,
                              bool &tooLarge);
// Where the model file's origin lies in the drawn coordinates (sk_fileorigin), written by the plugin into the
// program's origin; known is false after a fault or when the plugin cannot say (origin is then 0, 0, 0).
PluginFault guardFileOrigin(SkFileOriginFn fileOrigin, float (&origin)[3], bool &known);
// How many pictures the model's materials name and the share of its faces the named one paints (sk_pictureuse);
// 0 pictures after a fault or when the plugin cannot say.
PluginFault guardPictureUse(SkPictureUseFn pictureUse, int &pictures, float &share);
// Reads count entries of the table sk_gettexcoord returned into triangles, six floats each, skipping the unusable
// ones (see copyGridTriangles), under the guard: a bad entry or corner is sk_gettexcoord's fault.
PluginFault guardReadTexCoords(TexCoordTriangle **table, int count, std::vector<float> &triangles);
// One call of an export that returns a text (sk_info, sk_filefilter, ...), the pointer as it came, uncopied: for
// a caller that inspects the plugin's memory itself. `function` names the export in the fault.
PluginFault guardTextExport(const char *function, SkInfoFn textExport, const char *&text);
// LoadLibrary (of the file `path` names in the working folder) and FreeLibrary, which run the library's DllMain.
PluginFault guardLoadLibrary(const char *path, HMODULE &module);
PluginFault guardFreeLibrary(HMODULE module);
