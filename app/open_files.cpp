// Opening dropped files, the command line's and those a second start hands over: a model through the plugin
// that takes it (switching plugins as the Plugins dialog does), a picture as Load Texture... does.
#include "app/open_files.h"

#include <shellapi.h>

#include "app/open_rules.h"
#include "paint/stroke.h"
#include "plugins/model.h"
#include "plugins/model_state.h"
#include "plugins/plugin_guard.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/message.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "skin/texture_files.h"
#include "viewport/model_paint.h"

// What a second start sends: its files, as encodeHandedFiles writes them.
static const ULONG_PTR HANDED_FILES_TAG = 0x50454C46;   // "PELF"

// Files that came while the window was busy, opened when it is free.
static std::vector<std::string> waitingFiles;

static std::string fullUtf8Path(const std::string &path)
{
    const std::wstring full = wideFullPath(path.c_str());
    return full.empty() ? path : utf8Path(full.c_str());
}

// Read once, before anything may change the working folder: relative names are the caller's.
static std::vector<std::string> readCommandLineFiles()
{
    int count = 0;
    LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; words && i < count; ++i)
        arguments.push_back(utf8Path(words[i]));
    LocalFree(words);
    std::vector<std::string> files = commandLineFiles(arguments);
    for (std::string &file : files)
        file = fullUtf8Path(file);
    return files;
}

std::vector<std::string> commandLineFilePaths()
{
    static const std::vector<std::string> files = readCommandLineFiles();
    return files;
}

void settleWorkingFolder()
{
    if (commandLineFilePaths().empty())
        return;
    const DWORD attributes = GetFileAttributesW(L"plugins");
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    std::wstring program(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &program[0], static_cast<DWORD>(program.size()));
    if (length == 0 || length >= program.size())
        return;
    program.resize(length);
    const size_t slash = program.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        SetCurrentDirectoryW(program.substr(0, slash + 1).c_str());
}

// The patterns of a plugin in the plugins folder that is not loaded: it is loaded for this alone, as the Plugins
// dialog does to describe one. One that faults or cannot load takes nothing; a faulted one stays mapped.
static std::vector<std::string> probePluginPatterns(const std::string &name)
{
    char path[256];
    pluginPath(name.c_str(), path);
    HMODULE library = nullptr;
    if (guardLoadLibrary(path, library).faulted || !library)
        return {};
    std::vector<std::string> patterns;
    if (GetProcAddress(library, "sk_load") && GetProcAddress(library, "sk_draw")) {
        SkFileFilterFn fileFilter = findExport<SkFileFilterFn>(library, "sk_filefilter");
        std::string filters;
        if (!fileFilter)
            patterns = filterPatterns(nullptr);
        else if (!guardFileFilter(fileFilter, filters).faulted) {
            filters.resize(filters.size() + 2, '\0');
            patterns = filterPatterns(filters.c_str());
        }
    }
    if (guardFreeLibrary(library).faulted)
        return {};
    return patterns;
}

// The other plugins of the folder, in the order the Plugins dialog lists them.
static std::vector<PluginFilter> otherPlugins()
{
    std::vector<PluginFilter> plugins;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"plugins\\*.dll", &found);
    if (search == INVALID_HANDLE_VALUE)
        return plugins;
    do {
        const std::string name = utf8Path(found.cFileName);
        if (!pluginSlot.name || lstrcmpiA(name.c_str(), pluginSlot.name) != 0)
            plugins.push_back({name, probePluginPatterns(name)});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return plugins;
}

static std::vector<std::string> loadedPluginPatterns(bool &faulted)
{
    faulted = false;
    if (!pluginSlot.sk_load)
        return {};
    if (!pluginSlot.sk_filefilter)
        return filterPatterns(nullptr);
    std::string filters;
    const PluginFault fault = guardFileFilter(pluginSlot.sk_filefilter, filters);
    if (fault.faulted) {
        faulted = true;
        reportPluginFault(fault);
        return {};
    }
    filters.resize(filters.size() + 2, '\0');
    return filterPatterns(filters.c_str());
}

// The other plugins are only looked at when the loaded one does not take a model among the files.
static OpenPlan planFiles(const std::vector<std::string> &paths)
{
    bool faulted = false;
    const std::vector<std::string> loaded = loadedPluginPatterns(faulted);
    OpenPlan plan = planOpenFiles(paths, loaded, {});
    bool modelRefused = false;
    for (const std::string &path : plan.refused)
        modelRefused = modelRefused || !isPictureName(path);
    if (plan.model.empty() && modelRefused)
        plan = planOpenFiles(paths, loaded, otherPlugins());
    return plan;
}

static void switchPlugin(const std::string &name)
{
    forgetModel();
    unloadPlugin();
    loadPlugin(name.c_str());
}

static void openFiles(const std::vector<std::string> &paths)
{
    if (paths.empty())
        return;
    const OpenPlan plan = planFiles(paths);
    if (!plan.model.empty()) {
        if (!plan.modelPlugin.empty())
            switchPlugin(plan.modelPlugin);
        setDialogItemText(mainWindow, IDC_MODEL_PATH, plan.model.c_str());
        loadModel(plan.model.c_str());
    }
    if (!plan.picture.empty() && offerToSaveTexture())
        loadTexture(plan.picture.c_str());
    if (!plan.refused.empty())
        showMessage(refusedFilesMessage(plan.refused).c_str(), "Pelterine", MB_ICONWARNING);
}

// Files open only from the window's own messages, never inside a box, a chooser or a dialog that runs its own
// loop (the main window is disabled then), a plugin's call or a stroke.
static bool windowFree()
{
    return IsWindowEnabled(mainWindow) && !pluginCallUnderway() && !stroke.active && !modelStroke.active;
}

void openWaitingFiles()
{
    if (waitingFiles.empty())
        return;
    if (!windowFree()) {
        SetTimer(mainWindow, OPEN_FILES_TIMER, 250, nullptr);
        return;
    }
    KillTimer(mainWindow, OPEN_FILES_TIMER);
    std::vector<std::string> paths;
    paths.swap(waitingFiles);
    openFiles(paths);
}

static void openWhenFree(const std::vector<std::string> &paths)
{
    waitingFiles.insert(waitingFiles.end(), paths.begin(), paths.end());
    PostMessageW(mainWindow, WM_OPEN_WAITING_FILES, 0, 0);
}

void openStartFiles()
{
    openWhenFree(commandLineFilePaths());
}

void dropFiles(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        if (DragQueryFileW(drop, i, &path[0], length + 1) == length)
            paths.push_back(utf8Path(path.c_str()));
    }
    DragFinish(drop);
    openWhenFree(paths);
}

bool handFilesTo(HWND runningWindow, const std::vector<std::string> &paths)
{
    if (!runningWindow || !IsWindow(runningWindow) || paths.empty())
        return false;
    const std::string block = encodeHandedFiles(paths);
    COPYDATASTRUCT data = {HANDED_FILES_TAG, static_cast<DWORD>(block.size()), const_cast<char *>(block.data())};
    DWORD_PTR taken = 0;
    // The running one only notes the files and answers: it opens them from its own loop, so this waits briefly.
    return SendMessageTimeoutW(runningWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                               5000, &taken) != 0 &&
           taken == TRUE;
}

bool receiveHandedFiles(const COPYDATASTRUCT &data)
{
    if (data.dwData != HANDED_FILES_TAG || !data.lpData)
        return false;
    const std::vector<std::string> paths = decodeHandedFiles(static_cast<const char *>(data.lpData), data.cbData);
    if (paths.empty())
        return false;
    openWhenFree(paths);
    return true;
}
