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
#include "shell/window_helpers.h"
#include "uv/grid.h"
#include "texture/skin_store.h"
#include "skin/skin_view.h"

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

int loadPlugin(const char *fileName)
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
    pluginSlot.sk_framecount = findExport<SkFrameCountFn>(module, "sk_framecount");
    pluginSlot.sk_setframe = findExport<SkSetFrameFn>(module, "sk_setframe");
    pluginSlot.sk_framename = findExport<SkFrameNameFn>(module, "sk_framename");
    pluginSlot.sk_texturebytes = findExport<SkTextureBytesFn>(module, "sk_texturebytes");
    pluginSlot.sk_draw = findExport<SkDrawFn>(module, "sk_draw");
    if (!pluginSlot.sk_draw) {
        showMessage("Unable to find 'sk_draw' function in the plugin", path, MB_ICONERROR);
        return 0;
    }
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab || !hasInfo)
        warnMissingExports(pluginSlot.sk_getinfo, pluginSlot.sk_gettexcoord, pluginSlot.sk_freetexcoordtab, hasInfo);
    SetDlgItemTextA(mainWindow, IDC_PLUGIN_NAME, pluginSlot.name ? pluginSlot.name : fileName);
    return 1;
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
    requestViewportFrame();   // the viewport shows no model from the next frame
    gridTriangles.clear();
    drawGridLayer();
    CheckDlgButton(mainWindow, IDC_GRID, BST_UNCHECKED);
    refreshSkinView();
    repaintSkinView();
}

void abandonPlugin()
{
    emptySlot();
    forgetModel();
    SetDlgItemTextA(mainWindow, IDC_PLUGIN_NAME, "(no plugin)");
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
