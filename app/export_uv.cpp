// Writing the mapping grid as a transparent PNG, for laying over the texture in another program.
#include "app/export_uv.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "picture/ora.h"
#include "plugins/model.h"
#include "plugins/model_state.h"
#include "resources/resource.h"
#include "shell/choosers.h"
#include "shell/files.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "texture/skin_store.h"
#include "uv/grid.h"
#include "uv/uv_raster.h"

static const char UV_LAYOUT_FILTERS[] = "PNG picture (*.png)\0*.png\0";

// "box.vmr" proposes "box_uv.png" beside it.
static std::string proposedLayoutPath()
{
    std::string path = modelState.shownPath;
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    return path.empty() ? std::string() : path + "_uv.png";
}

void exportUvLayoutCommand()
{
    if (!modelHasGrid())
        return;
    char *path = chooseSavePathFrom(UV_LAYOUT_FILTERS, "png", proposedLayoutPath().c_str());
    if (!path)
        return;
    const std::vector<uint8_t> rgba =
        rasterUvLayout(gridTriangles.data(), gridTriangles.size() / 6, skinWidth, skinHeight);
    const std::vector<uint8_t> png = encodePng(skinWidth, skinHeight, 4, rgba.data());
    if (png.empty() || !writeFileSafely(path, png.data(), png.size()))
        showMessage("Unable to save the UV layout", path, MB_ICONERROR);
    std::free(path);
}

void followModelForExport()
{
    HWND button = GetDlgItem(mainWindow, IDC_EXPORT_UV);
    const BOOL enabled = modelHasGrid() ? TRUE : FALSE;
    if (button && (IsWindowEnabled(button) != FALSE) != (enabled != FALSE))
        EnableWindow(button, enabled);
}
