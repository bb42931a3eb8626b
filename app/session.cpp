// The last session's plugin, model and texture file, kept in pelterine.ini and brought back at the next start.
#include "app/session.h"

#include <windows.h>

#include <string>

#include "app/recovery.h"
#include "app/settings_file.h"
#include "plugins/model.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/files.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "skin/texture_files.h"

static const char PLUGIN_KEY[] = "session.plugin";
static const char MODEL_KEY[] = "session.model";
static const char TEXTURE_KEY[] = "session.texture";

// Kept as full paths: the choosers move the current folder, and the next start begins in the working folder.
static std::string fullPath(const std::string &path)
{
    return path.empty() ? path : utf8Path(wideFullPath(path.c_str()).c_str());
}

static void keep(const char *key, const std::string &value)
{
    if (value.empty())
        preferences.erase(key);
    else
        preferences[key] = value;
}

static std::string kept(const char *key)
{
    const auto found = preferences.find(key);
    return found == preferences.end() ? std::string() : found->second;
}

void storeSession()
{
    keep(PLUGIN_KEY, pluginSlot.name && pluginSlot.sk_load ? pluginSlot.name : "");
    keep(MODEL_KEY, modelState.modelReady ? fullPath(modelState.shownPath) : "");
    keep(TEXTURE_KEY, fullPath(textureFilePath()));
}

// The plugin is a file name in plugins\; another is loaded in place of the default one only when its file is
// there. One that then fails to load leaves the default one loaded again.
static void restorePlugin(const std::string &plugin)
{
    if (plugin.empty() || plugin.find_first_of("\\/:") != std::string::npos ||
        (pluginSlot.name && lstrcmpiA(plugin.c_str(), pluginSlot.name) == 0))
        return;
    char path[256];
    pluginPath(plugin.c_str(), path);
    if (!fileExists(path))
        return;
    const std::string previous = pluginSlot.name ? pluginSlot.name : "";
    forgetModel();
    unloadPlugin();
    if (!loadPlugin(plugin.c_str()) && !previous.empty()) {
        unloadPlugin();
        loadPlugin(previous.c_str());
    }
}

void restoreSession()
{
    if (recoveryPending())
        return;   // the offer comes first, and what it loads is the texture to go on with
    restorePlugin(kept(PLUGIN_KEY));
    const std::string model = kept(MODEL_KEY), texture = kept(TEXTURE_KEY);
    const bool textureThere = !texture.empty() && fileExists(texture.c_str());
    if (!model.empty() && fileExists(model.c_str()) && fullPath(modelState.shownPath) != model) {
        setDialogItemText(mainWindow, IDC_MODEL_PATH, model.c_str());
        // With a texture to come, the model's own picture is not loaded first.
        if (textureThere)
            reloadModel(model.c_str());
        else
            loadModel(model.c_str());
    }
    if (textureThere && fullPath(textureFilePath()) != texture)
        loadTexture(texture.c_str());
}

void restoreRecoveredModel(const std::string &plugin, const std::string &model)
{
    restorePlugin(plugin);
    if (!model.empty() && fileExists(model.c_str()) &&
        (!modelState.modelReady || fullPath(modelState.shownPath) != model)) {
        setDialogItemText(mainWindow, IDC_MODEL_PATH, model.c_str());
        reloadModel(model.c_str());
    }
}
