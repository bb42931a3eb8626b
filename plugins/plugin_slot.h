// The one loaded model plugin: loading it from the plugins folder, unloading it, and dropping it when it faults.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin-api/plugin_api.h"
#include "plugins/plugin_guard.h"

struct PluginSlot {
    HMODULE module;
    char *name;
    SkLoadFn sk_load;
    SkGetInfoFn sk_getinfo;
    SkGetTexCoordFn sk_gettexcoord;
    SkFreeTexCoordTabFn sk_freetexcoordtab;
    SkDrawFn sk_draw;
    SkFileFilterFn sk_filefilter;  // optional without a warning: "..." then offers .vmr files
    SkTextureFileFn sk_texturefile; // optional without a warning: models then bring only a picture named after them
    SkLoadErrorFn sk_loaderror;     // optional without a warning: without it every sk_load counts as a success
    FILETIME fileTime;              // the library file's last write when it was loaded, for "Refresh"
    uint64_t fileSize;
    bool warnedNoTable;             // its table breaches are named once while it stays loaded
    bool warnedBadEntries;
    SkFrameCountFn sk_framecount;   // these three optional without a warning: without them every model is still
    SkSetFrameFn sk_setframe;
    SkFrameNameFn sk_framename;     // optional on its own: frames without names make one sequence
    SkTextureBytesFn sk_texturebytes; // optional without a warning: no picture held in a model file
    // Optional without a warning: without sk_fileorigin Mirror on the model mirrors across the drawn x = 0, without
    // sk_pictureuse a model of several pictures loads without a word about them.
    SkFileOriginFn sk_fileorigin;
    SkPictureUseFn sk_pictureuse;
};

extern PluginSlot pluginSlot;

// An export by name, or nullptr. Cast through a generic function pointer: FARPROC and the export types
// differ only in their signatures.
template <typename Fn> Fn findExport(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loads plugins\<fileName> into the slot; 1 when it can draw. Control 1034 then names it, or says "(no plugin)"
// when it did not load.
int loadPlugin(const char *fileName);
void unloadPlugin();
// True when the library file of the slot's plugin changed on disk (another write time or size) since it was
// loaded: an author rebuilt it.
bool pluginFileChanged();
// No model is loaded any more (the plugin was switched or dropped): the model is not drawn, and the grid, which
// showed that model's triangles, is cleared and its box unchecked. The texture is not touched.
void forgetModel();
// Empties the slot after its plugin faulted, as switching to no plugin would, but leaves the library mapped:
// its DllMain may fault again, and nothing says its state still allows a clean detach. The model is no longer
// drawn, the grid is cleared and control 1034 says "(no plugin)"; the texture is not touched.
void abandonPlugin();
// After a guarded call into the slot's plugin faulted: drops the plugin (abandonPlugin) and tells the user
// which function stopped working, "The plugin 'NAME' stopped working in FUNCTION and was unloaded." Nothing
// for a call that did not fault.
void reportPluginFault(const PluginFault &fault);
// "plugins\<name>" bounded to 255 characters, as LoadLibraryA receives it.
void pluginPath(const char *fileName, char (&path)[256]);
