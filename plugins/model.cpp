// Loading a model through the plugin, building the mapping grid from its texture coordinates, and the commands.
#include "plugins/model.h"

#include <cstdlib>

#include "plugins/model_filters.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/choosers.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "skin/grid.h"
#include "skin/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/skin_view.h"

PluginFault buildGrid()
{
    gridTriangles.clear();
    drawGridLayer();
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab)
        return noPluginFault();
    int count = 0;
    int flag = 0;
    TexCoordTriangle **table = nullptr;
    PluginFault fault = guardGetInfo(pluginSlot.sk_getinfo, &count, &flag);
    if (!fault.faulted)
        fault = guardGetTexCoord(pluginSlot.sk_gettexcoord, table);
    if (fault.faulted)
        return fault;
    copyGridTriangles(table, count);
    drawGridLayer();
    return guardFreeTexCoordTab(pluginSlot.sk_freetexcoordtab, count, table);
}

void loadModel(const char *path)
{
    if (!path || !path[0])
        return;
    modelState.modelReady = 0;
    if (!pluginSlot.sk_load) {
        showMessage("Unable to load object, there is no plugin loaded", "Error", MB_ICONERROR);
        return;
    }
    // A plugin that faults is abandoned on the spot; the texture and the rest are left as they are.
    PluginFault fault = guardLoad(pluginSlot.sk_load, path);
    if (fault.faulted) {
        reportPluginFault(fault);
        return;
    }
    modelState.hasTexCoords = 0;
    if (pluginSlot.sk_getinfo) {
        int count = 0;
        int flag = 0;
        fault = guardGetInfo(pluginSlot.sk_getinfo, &count, &flag);
        if (fault.faulted) {
            reportPluginFault(fault);
            return;
        }
        modelState.hasTexCoords = flag;
    }
    modelState.modelReady = 1;
    rebuildMipmaps();
    // The new grid is built and composed before the view is repainted, so the view never shows the previous
    // model's triangles over the new one.
    if (modelState.hasTexCoords) {
        fault = buildGrid();
        if (fault.faulted) {
            reportPluginFault(fault);
            return;
        }
    } else {
        // No triangles: nothing for the fill and the bleed to keep to, nor for a grid to show.
        gridTriangles.clear();
        drawGridLayer();
        CheckDlgButton(mainWindow, IDC_GRID, BST_UNCHECKED);
    }
    refreshSkinView();
    repaintSkinView();
}

void loadModelCommand()
{
    char path[256] = "";
    GetDlgItemTextA(mainWindow, IDC_MODEL_PATH, path, sizeof path);
    loadModel(path);
}

// The plugin's own formats when it names them in a usable list, otherwise .vmr files alone. A plugin that
// faults naming them gets no chooser.
static char *chooseModelPath(PluginFault &fault)
{
    char filters[MODEL_FILTERS_BYTES];
    const char *pluginFilters = nullptr;
    fault = noPluginFault();
    if (pluginSlot.sk_filefilter)
        fault = guardFileFilter(pluginSlot.sk_filefilter, pluginFilters);
    if (fault.faulted)
        return nullptr;
    if (composeModelFilters(pluginFilters, filters))
        return chooseOpenPathFrom(filters);
    return chooseOpenPath("Vantrel Morvane (*.vmr)", "*.vmr");
}

void chooseModelCommand()
{
    PluginFault fault;
    char *path = chooseModelPath(fault);
    if (fault.faulted) {
        reportPluginFault(fault);
        return;
    }
    if (!path) {
        showMessage("Unable to initialise open box", "Error", MB_ICONERROR);
        return;
    }
    SetDlgItemTextA(mainWindow, IDC_MODEL_PATH, path);
    loadModel(path);
    std::free(path);
}
