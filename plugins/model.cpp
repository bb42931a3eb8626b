// Loading a model through the plugin, building the mapping grid from its texture coordinates, and the commands.
#include <cstdlib>

#include "app/shell.h"
#include "app/state.h"
#include "plugins/model_filters.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "skin/grid.h"
#include "skin/skin_refresh.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"

void buildGrid()
{
    clearGrid(gridLayer);
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab)
        return;
    int count = 0;
    int flag = 0;
    pluginSlot.sk_getinfo(&count, &flag);
    TexCoordTriangle **table = pluginSlot.sk_gettexcoord();
    drawGridTable(table, count, gridLayer);
    pluginSlot.sk_freetexcoordtab(count, table);
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
    pluginSlot.sk_load(path);
    hasTexCoords = 0;
    if (pluginSlot.sk_getinfo) {
        int count = 0;
        int flag = 0;
        pluginSlot.sk_getinfo(&count, &flag);
        hasTexCoords = flag;
    }
    modelReady = 1;
    rebuildMipmaps();
    // The view is repainted before the new grid is composed: it shows the new composition from its next repaint.
    repaintSkinView();
    if (hasTexCoords)
        buildGrid();
    else
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
    const char *pluginFilters = pluginSlot.sk_filefilter ? pluginSlot.sk_filefilter() : nullptr;
    if (composeModelFilters(pluginFilters, filters))
        return chooseOpenPathFrom(filters);
    return chooseOpenPath("Vantrel Morvane (*.vmr)", "*.vmr");
}

void chooseModelCommand()
{
    char *path = chooseModelPath();
    if (!path) {
        showMessage("Unable to initialise open box", "Error", MB_ICONERROR);
        return;
    }
    SetDlgItemTextA(mainWindow, IDC_MODEL_PATH, path);
    loadModel(path);
    std::free(path);
}
