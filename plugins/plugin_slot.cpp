// The plugin slot: loading one model plugin from the plugins folder, and unloading it.
#include "plugins/plugin_slot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugins/model_state.h"
#include "resources/resource.h"
#include "shell/frame_pacer.h"
#include "shell/message.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "uv/grid.h"
#include "uv/mirror_map.h"
#include "texture/skin_store.h"
#include "skin/skin_commands.h"
#include "skin/skin_view.h"
#include "paint/paint_options.h"

PluginSlot pluginSlot;

void pluginPath(const char *fileName, char (&path)[256])
{
    std::snprintf(path, sizeof path, "plugins\\%s", fileName);
}

static void replaceSlotName(const char *fileName)
{
    std::free(pluginSlot.name);
    size_t size = std::strlen(fileName) + 1;
    pluginSlot.name = static_cast<char *>(std::malloc(size));
    if (pluginSlot.name)
        std::memcpy(pluginSlot.name, fileName, size);
}

static void warnMissingExports(bool getInfo, bool getTexCoord, bool freeTable, bool info)
{
    char text[256];
    std::snprintf(text, sizeof text, "Some plugin functions wasn't found\n\n%s%s%s%s", getInfo ? "" : "    sk_getinfo\n",
                  getTexCoord ? "" : "    sk_gettexcoord\n", freeTable ? "" : "    sk_freetexcoordtab\n",
                  info ? "" : "    sk_info\n");
    showMessage(text, "Warning", MB_ICONWARNING);
}

// The file as it is on disk now; false when it cannot be read.
static bool libraryFileState(const char *path, FILETIME &time, uint64_t &size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wideFullPath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool pluginFileChanged()
{
    if (!pluginSlot.module || !pluginSlot.name)
        return false;
    char path[256];
    pluginPath(pluginSlot.name, path);
    FILETIME time;
    uint64_t size = 0;
    return libraryFileState(path, time, size) &&
           (CompareFileTime(&time, &pluginSlot.fileTime) != 0 || size != pluginSlot.fileSize);
}

// The label names the plugin that loaded, or says there is none: never a name left from before. A library
// refused for a missing export is none, though a model may still reach its sk_load.
static void showSlotName(bool loaded)
{
    SetDlgItemTextA(mainWindow, IDC_PLUGIN_NAME, loaded && pluginSlot.name ? pluginSlot.name : "(no plugin)");
}

static int loadLibraryIntoSlot(const char *fileName)
{
    if (!fileName)
        return 0;
    char path[256];
    pluginPath(fileName, path);
    PluginFault fault = guardLoadLibrary(path, pluginSlot.module);
    if (fault.faulted) {
        replaceSlotName(fileName);
        reportPluginFault(fault);
        return 0;
    }
    if (!pluginSlot.module)
        return 0;
    replaceSlotName(fileName);
    libraryFileState(path, pluginSlot.fileTime, pluginSlot.fileSize);

    HMODULE module = pluginSlot.module;
    pluginSlot.sk_load = findExport<SkLoadFn>(module, "sk_load");
    if (!pluginSlot.sk_load) {
        showMessage("Unable to find 'sk_load' function in the plugin", path, MB_ICONERROR);
        return 0;
    }
    pluginSlot.sk_getinfo = findExport<SkGetInfoFn>(module, "sk_getinfo");
    pluginSlot.sk_gettexcoord = findExport<SkGetTexCoordFn>(module, "sk_gettexcoord");
    pluginSlot.sk_freetexcoordtab = findExport<SkFreeTexCoordTabFn>(module, "sk_freetexcoordtab");
    bool hasInfo = GetProcAddress(module, "sk_info") != nullptr;
    pluginSlot.sk_filefilter = findExport<SkFileFilterFn>(module, "sk_filefilter");
    pluginSlot.sk_texturefile = findExport<SkTextureFileFn>(module, "sk_texturefile");
    pluginSlot.sk_loaderror = findExport<SkLoadErrorFn>(module, "sk_loaderror");
    pluginSlot.sk_framecount = findExport<SkFrameCountFn>(module, "sk_framecount");
    pluginSlot.sk_setframe = findExport<SkSetFrameFn>(module, "sk_setframe");
    pluginSlot.sk_framename = findExport<SkFrameNameFn>(module, "sk_framename");
    pluginSlot.sk_texturebytes = findExport<SkTextureBytesFn>(module, "sk_texturebytes");
    pluginSlot.sk_fileorigin = findExport<SkFileOriginFn>(module, "sk_fileorigin");
    pluginSlot.sk_pictureuse = findExport<SkPictureUseFn>(module, "sk_pictureuse");
    pluginSlot.sk_draw = findExport<SkDrawFn>(module, "sk_draw");
    if (!pluginSlot.sk_draw) {
        showMessage("Unable to find 'sk_draw' function in the plugin", path, MB_ICONERROR);
        return 0;
    }
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab || !hasInfo)
        warnMissingExports(pluginSlot.sk_getinfo, pluginSlot.sk_gettexcoord, pluginSlot.sk_freetexcoordtab, hasInfo);
    return 1;
}

int loadPlugin(const char *fileName)
{
    const int loaded = loadLibraryIntoSlot(fileName);
    showSlotName(loaded != 0);
    return loaded;
}

static void emptySlot()
{
    std::free(pluginSlot.name);
    pluginSlot = PluginSlot{};
}

void unloadPlugin()
{
    if (pluginSlot.module) {
        PluginFault fault = guardFreeLibrary(pluginSlot.module);
        if (fault.faulted) {
            reportPluginFault(fault);
            return;
        }
    }
    emptySlot();
}

void forgetModel()
{
    resetModelState();
    clearModelSurface();
    setDialogItemText(mainWindow, IDC_MODEL_PATH, "");   // no path of a model that is not loaded
    setDialogItemText(mainWindow, IDC_MODEL_NOTE, "");   // nor a word about its pictures
    requestViewportFrame();   // the viewport shows no model from the next frame
    gridTriangles.clear();
    drawGridLayer();
    uncheckGrid();
    composeSkinShown(paintOptions.showGrid);
    redrawSkinView();
}

void abandonPlugin()
{
    emptySlot();
    forgetModel();
    showSlotName(false);
}

void reportPluginFault(const PluginFault &fault)
{
    if (!fault.faulted)
        return;
    std::string text = "The plugin '";
    text += pluginSlot.name ? pluginSlot.name : "";
    text += "' stopped working in ";
    text += fault.function;
    text += " and was unloaded.";
    abandonPlugin();
    showMessage(text.c_str(), "Plugin Error", MB_ICONERROR);
}
