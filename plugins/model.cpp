// Loading a model through the plugin with the picture it is painted with, building the mapping grid from its
// texture coordinates, and the commands.
#include "plugins/model.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugins/model_filters.h"
#include "plugins/model_state.h"
#include "plugins/model_texture.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/choosers.h"
#include "shell/frame_pacer.h"
#include "shell/message.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "picture/bmp.h"
#include "texture/skin_store.h"
#include "skin/skin_commands.h"
#include "uv/grid.h"
#include "uv/mirror_map.h"
#include "skin/skin_texture.h"
#include "skin/skin_view.h"
#include "skin/texture_files.h"
#include "paint/paint_options.h"

// A table that breaks the contract in a way the program can see is named once while the plugin stays loaded,
// with the export to blame; the triangles it could use are drawn all the same.
static void warnAboutTable(int count, bool tableNull, size_t usable)
{
    std::string text;
    const std::string name = pluginSlot.name ? pluginSlot.name : "";
    if (tableNull && count > 0 && !pluginSlot.warnedNoTable) {
        pluginSlot.warnedNoTable = true;
        text = "The plugin '" + name + "' breaks the plugin contract: its sk_gettexcoord returned no table for the " +
               std::to_string(count) + " triangles its sk_getinfo reports.\n\nThe mapping grid stays empty.";
    } else if (!tableNull && count > 0 && usable < size_t(count) && !pluginSlot.warnedBadEntries) {
        pluginSlot.warnedBadEntries = true;
        text = "The plugin '" + name + "' breaks the plugin contract: " + std::to_string(size_t(count) - usable) +
               " of the " + std::to_string(count) + " entries of the table its sk_gettexcoord returned are null "
               "or have a null corner or a coordinate that is not a number.\n\nThe mapping grid leaves them out.";
    }
    if (!text.empty())
        showMessage(text.c_str(), "Warning", MB_ICONWARNING);
}

PluginFault buildGrid()
{
    // The layer is white whatever follows: without these exports it stays so, and a plugin that faults below
    // is dropped, which clears it too.
    gridTriangles.clear();
    if (!pluginSlot.sk_getinfo || !pluginSlot.sk_gettexcoord || !pluginSlot.sk_freetexcoordtab) {
        drawGridLayer();
        return noPluginFault();
    }
    int count = 0;
    int flag = 0;
    TexCoordTriangle **table = nullptr;
    PluginFault fault = guardGetInfo(pluginSlot.sk_getinfo, &count, &flag);
    if (!fault.faulted)
        fault = guardGetTexCoord(pluginSlot.sk_gettexcoord, table);
    if (fault.faulted)
        return fault;
    fault = guardReadTexCoords(table, count, gridTriangles);
    if (fault.faulted)
        return fault;
    drawGridLayer();
    fault = guardFreeTexCoordTab(pluginSlot.sk_freetexcoordtab, count, table);
    if (!fault.faulted)
        warnAboutTable(count, table == nullptr, gridTriangles.size() / 6);
    return fault;
}

// Plugins hand over paths in the ANSI code page, the text sk_load received the model's path in; the program keeps
// paths in UTF-8. This is the one place where a plugin's path becomes one of the program's.
static std::string programPathFromPlugin(const std::string &pluginPath)
{
    if (pluginPath.empty())
        return pluginPath;
    const int length = MultiByteToWideChar(CP_ACP, 0, pluginPath.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pluginPath.c_str(), -1, &wide[0], length);
    return utf8Path(wide.c_str());
}

// The picture the plugin says the model is painted with, "" for none. Copied before any other call into the
// plugin, which may reuse the memory.
static PluginFault readNamedTexture(std::string &named)
{
    named.clear();
    if (!pluginSlot.sk_texturefile)
        return noPluginFault();
    std::string text;
    const PluginFault fault = guardTextureFile(pluginSlot.sk_texturefile, text);
    if (!fault.faulted)
        named = programPathFromPlugin(text);
    return fault;
}

// The picture the model file holds, when the plugin named no file: copied under the guard, at most as large as a
// picture file may be. A larger one is reported as such a file would be.
static PluginFault readEmbeddedTexture(const char *modelPath, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    if (!pluginSlot.sk_texturebytes)
        return noPluginFault();
    bool tooLarge = false;
    const PluginFault fault = guardTextureBytes(pluginSlot.sk_texturebytes, MAX_PICTURE_FILE_BYTES, bytes, tooLarge);
    if (!fault.faulted && tooLarge)
        showMessage(MSG_PICTURE_TOO_LARGE, embeddedTextureSavePath(modelPath).c_str(), MB_ICONERROR);
    return fault;
}

// The frames of a model that moves, with their names. A plugin that cannot set the pose has none to show.
static PluginFault readModelFrames()
{
    modelState.frameCount = 0;
    modelState.frameNames.clear();
    if (!pluginSlot.sk_framecount || !pluginSlot.sk_setframe)
        return noPluginFault();
    int count = 0;
    PluginFault fault = guardFrameCount(pluginSlot.sk_framecount, count);
    if (fault.faulted || count < 2)
        return fault;
    modelState.frameCount = count < MODEL_MAX_FRAMES ? count : MODEL_MAX_FRAMES;
    if (!pluginSlot.sk_framename)
        return fault;
    modelState.frameNames.resize(size_t(modelState.frameCount));
    for (int f = 0; f < modelState.frameCount && !fault.faulted; ++f)
        fault = guardFrameName(pluginSlot.sk_framename, f, modelState.frameNames[size_t(f)]);
    return fault;
}

// A file, not a folder: a folder named like a picture is none.
static bool isExistingFile(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(widePath(path.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The texture file becomes the one Ctrl+S saves to. A model typed in relative to the working folder gives a
// relative path, which would name another file once a chooser has moved the process to another folder.
static std::string fullPathOf(const std::string &path)
{
    const std::wstring full = wideFullPath(path.c_str());
    return full.empty() ? path : utf8Path(full.c_str());
}

// The first of the model's pictures that exists is loaded as "Load Texture..." loads one, after the save
// question; Cancel keeps the texture. Missing pictures are passed over in silence: most models have none. A
// picture the model file holds comes before the pictures named after the model. True when a picture became the
// texture.
static bool loadModelTexture(const char *modelPath, const std::string &namedTexture,
                             const std::vector<uint8_t> &embedded)
{
    if (namedTexture.empty() && !embedded.empty())
        return offerToSaveTexture() &&
               loadTextureFromBytes(fullPathOf(embeddedTextureSavePath(modelPath)).c_str(), embedded) != 0;
    for (const std::string &candidate : modelTextureCandidates(modelPath, namedTexture)) {
        if (!isExistingFile(candidate))
            continue;
        return offerToSaveTexture() && loadTexture(fullPathOf(candidate).c_str()) != 0;
    }
    return false;
}

// Where the model file's origin was placed (the plane Mirror mirrors across on the model), and for a model of
// several pictures the line that says which one is painted; both as the plugin tells, nothing when it cannot.
static PluginFault readModelPlacement(const char *path, const std::string &namedTexture, std::string &note)
{
    modelState.mirrorX = 0.0f;
    note.clear();
    PluginFault fault = noPluginFault();
    if (pluginSlot.sk_fileorigin) {
        float origin[3];
        bool known = false;
        fault = guardFileOrigin(pluginSlot.sk_fileorigin, origin, known);
        if (!fault.faulted && known && std::isfinite(origin[0]))
            modelState.mirrorX = origin[0];
    }
    if (!fault.faulted && pluginSlot.sk_pictureuse && !namedTexture.empty()) {
        int pictures = 0;
        float share = 0.0f;
        fault = guardPictureUse(pluginSlot.sk_pictureuse, pictures, share);
        if (!fault.faulted)
            note = pictureUseNote(path, namedTexture, pictures, share);
    }
    return fault;
}

// Why the plugin refused the file sk_load was just given ("" when it took it, or cannot say).
static PluginFault readLoadError(std::string &reason)
{
    reason.clear();
    if (!pluginSlot.sk_loaderror)
        return noPluginFault();
    return guardLoadError(pluginSlot.sk_loaderror, reason);
}

enum class ModelLoad { loaded, refused, failed };

// Why a model is loaded: the user's load brings the model's picture and, when refused, the model shown before;
// the same model again after its plugin was rebuilt shows a refusal but keeps the texture; the model shown before
// a refusal, put back, is taken as it comes.
enum class LoadPurpose { user, reload, restore };

static ModelLoad loadModelThroughPlugin(const char *path, LoadPurpose purpose);

static void showRefusal(const char *path, const std::string &reason)
{
    const std::string text = "Unable to load model\n" + reason;
    askUserOwnedBy(mainWindow, text.c_str(), path, MB_OK | MB_ICONERROR);
}

// The plugin refused the file and holds no model now: the model shown before is loaded again (without its picture,
// which the texture already is or was painted over), its path goes back into the box, and the reason is shown,
// owned by the main window with the refused path as caption. Nothing else: no picture, no save question.
static void refuseModel(const char *path, const std::string &reason, const std::string &shownBefore)
{
    modelState.shownPath.clear();
    setDialogItemText(mainWindow, IDC_MODEL_PATH, shownBefore.c_str());
    if (shownBefore.empty() || loadModelThroughPlugin(shownBefore.c_str(), LoadPurpose::restore) != ModelLoad::loaded) {
        // Nothing to go back to (or it is refused now too): no model, no grid of one.
        modelState.hasTexCoords = 0;
        setDialogItemText(mainWindow, IDC_MODEL_PATH, "");
        setDialogItemText(mainWindow, IDC_MODEL_NOTE, "");
        gridTriangles.clear();
        drawGridLayer();
        uncheckGrid();
        composeSkinShown(paintOptions.showGrid);
        redrawSkinView();
    }
    showRefusal(path, reason);
}

void loadModel(const char *path)
{
    if (!path || !path[0])
        return;
    loadModelThroughPlugin(path, LoadPurpose::user);
}

static ModelLoad loadModelThroughPlugin(const char *path, LoadPurpose purpose)
{
    const std::string shownBefore = modelState.shownPath;
    modelState.modelReady = 0;
    modelState.frameCount = 0;
    modelState.frameNames.clear();
    ++modelState.generation;
    clearModelSurface();   // the next frame reads the new model's surface for Mirror
    requestViewportFrame();
    if (!pluginSlot.sk_load) {
        showMessage("Unable to load object, there is no plugin loaded", "Error", MB_ICONERROR);
        return ModelLoad::failed;
    }
    // The plugin takes 8-bit text in the ANSI code page; a path that has no such form cannot reach it.
    std::string pluginPath;
    if (!pluginPathText(path, pluginPath)) {
        showMessage("The model's path cannot be passed to the plugin", path, MB_ICONERROR);
        return ModelLoad::failed;
    }
    // A plugin that faults is abandoned on the spot; the texture and the rest are left as they are.
    PluginFault fault = guardLoad(pluginSlot.sk_load, pluginPath.c_str());
    std::string reason;
    if (!fault.faulted)
        fault = readLoadError(reason);
    if (!fault.faulted && !reason.empty()) {
        if (purpose == LoadPurpose::user)
            refuseModel(path, reason, shownBefore);
        else if (purpose == LoadPurpose::reload) {
            modelState.shownPath.clear();
            setDialogItemText(mainWindow, IDC_MODEL_PATH, "");
            showRefusal(path, reason);
        }
        return ModelLoad::refused;
    }
    std::string namedTexture;
    std::vector<uint8_t> embeddedTexture;
    if (!fault.faulted)
        fault = readNamedTexture(namedTexture);
    if (!fault.faulted && namedTexture.empty())
        fault = readEmbeddedTexture(path, embeddedTexture);
    if (!fault.faulted)
        fault = readModelFrames();
    std::string pictureNote;
    if (!fault.faulted)
        fault = readModelPlacement(path, namedTexture, pictureNote);
    if (fault.faulted) {
        reportPluginFault(fault);
        return ModelLoad::failed;
    }
    modelState.hasTexCoords = 0;
    if (pluginSlot.sk_getinfo) {
        int count = 0;
        int flag = 0;
        fault = guardGetInfo(pluginSlot.sk_getinfo, &count, &flag);
        if (fault.faulted) {
            reportPluginFault(fault);
            return ModelLoad::failed;
        }
        modelState.hasTexCoords = flag;
    }
    modelState.modelReady = 1;
    modelState.shownPath = path;
    ++modelState.generation;   // the frames are known: the animation controls follow
    rebuildMipmaps();
    // The new grid is built and composed before the view is repainted, so the view never shows the previous
    // model's triangles over the new one.
    if (modelState.hasTexCoords) {
        fault = buildGrid();
        if (fault.faulted) {
            reportPluginFault(fault);
            return ModelLoad::failed;
        }
    }
    // A grid with no triangle (no table, or none usable) is no grid to show: the box stays unchecked.
    if (!modelState.hasTexCoords || gridTriangles.empty()) {
        // No triangles: nothing for the fill and the bleed to keep to, nor for a grid to show.
        gridTriangles.clear();
        drawGridLayer();
        uncheckGrid();
    }
    composeSkinShown(paintOptions.showGrid);
    redrawSkinView();
    // Last, once the model is in place: the save question may be cancelled, and the model stays loaded anyway.
    // The line names the picture painted: not when the user kept the texture instead (Cancel) or it was refused.
    if (purpose == LoadPurpose::user && !loadModelTexture(path, namedTexture, embeddedTexture))
        pictureNote.clear();
    // Said once, on the line under the model box, not in a box the user must close.
    setDialogItemText(mainWindow, IDC_MODEL_NOTE, pictureNote.c_str());
    return ModelLoad::loaded;
}

void reloadModel(const char *path)
{
    if (path && path[0])
        loadModelThroughPlugin(path, LoadPurpose::reload);
}

void loadModelCommand()
{
    loadModel(dialogItemText(mainWindow, IDC_MODEL_PATH).c_str());
}

// The plugin's own formats when it names them in a usable list, otherwise .vmr files alone. A plugin that
// faults naming them gets no chooser.
static char *chooseModelPath(PluginFault &fault)
{
    char filters[MODEL_FILTERS_BYTES];
    std::string pluginFilters;
    fault = noPluginFault();
    if (pluginSlot.sk_filefilter)
        fault = guardFileFilter(pluginSlot.sk_filefilter, pluginFilters);
    if (fault.faulted)
        return nullptr;
    if (composeModelFilters(pluginFilters.c_str(), filters))
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
        // Cancel is the user's choice, not an error: only a chooser that could not open is reported.
        if (lastFileChooserFailed())
            showMessage("Unable to initialise open box", "Error", MB_ICONERROR);
        return;
    }
    setDialogItemText(mainWindow, IDC_MODEL_PATH, path);
    loadModel(path);
    std::free(path);
}

bool modelHasGrid()
{
    return modelState.hasTexCoords != 0 && !gridTriangles.empty();
}
