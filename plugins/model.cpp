// Loading a model through the plugin, building the mapping grid from its texture coordinates, and the commands.
#include <cstdlib>

#include "app/shell.h"
#include "app/state.h"
#include "plugins/model_filters.h"
#include "plugins/plugin_guard.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "skin/grid.h"
#include "skin/skin_refresh.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"

bool buildGrid()
{
    clearGrid(gridLayer);
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab)
        return true;
    int count = 0;
    int flag = 0;
    TexCoordTriangle **table = nullptr;
    if (!guardedGetInfo(&count, &flag) || !guardedGetTexCoord(table))
        return false;
    drawGridTable(table, count, gridLayer);
    return guardedFreeTexCoordTab(count, table);
}

void loadModel(const char *path)
{
    if (!path || !path[0])
        return;
    modelReady = 0;
    if (!pluginSlot.sk_load) {
        showMessage("Unable to load object, there is no plugin loaded", "Error", MB_ICONERROR);
        return;
    }
    // A plugin that faults is abandoned on the spot; the texture and the rest are left as they are.
    if (!guardedLoad(path)) {
        reportPluginFault();
        return;
    }
    hasTexCoords = 0;
    if (pluginSlot.sk_getinfo) {
        int count = 0;
        int flag = 0;
        if (!guardedGetInfo(&count, &flag)) {
            reportPluginFault();
            return;
        }
        hasTexCoords = flag;
    }
    modelReady = 1;
    rebuildMipmaps();
    // The view is repainted before the new grid is composed: it shows the new composition from its next repaint.
    repaintSkinView();
    if (hasTexCoords) {
        if (!buildGrid()) {
            reportPluginFault();
            return;
        }
    } else
        CheckDlgButton(mainWindow, IDC_GRID, BST_UNCHECKED);
    refreshSkinView();
    noteViewNotShown();
}

void loadModelCommand()
{
    char path[256] = "";
    GetDlgItemTextA(mainWindow, IDC_MODEL_PATH, path, sizeof path);
    loadModel(path);
}

// The plugin's own formats when it names them in a usable list, otherwise .vmr files alone.
static char *chooseModelPath()
{
    char filters[MODEL_FILTERS_BYTES];
    const char *pluginFilters = nullptr;
    if (pluginSlot.sk_filefilter && !guardedFileFilter(pluginFilters))
        return nullptr;
    if (composeModelFilters(pluginFilters, filters))
        return chooseOpenPathFrom(filters);
    return chooseOpenPath("Vantrel Morvane (*.vmr)", "*.vmr");
}

void chooseModelCommand()
{
    char *path = chooseModelPath();
    if (pluginFaultPending()) {   // the plugin faulted naming its files: no chooser, no model
        reportPluginFault();
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
