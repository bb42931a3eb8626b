// The Plugins dialog: lists the plugin folder, shows each library's information, switches plugin.
#include "plugins/plugins_dialog.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "plugins/library_problem.h"
#include "plugins/model.h"
#include "plugins/model_filters.h"
#include "plugins/model_state.h"
#include "plugins/plugin_guard.h"
#include "plugins/plugin_slot.h"
#include "resources/resource.h"
#include "shell/dialog_labels.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"

static LRESULT sendToList(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetDlgItem(dialog, IDC_PLUGIN_LIST), message, wParam, lParam);
}

static void addEntry(HWND dialog, const char *text)
{
    LRESULT index = sendToList(dialog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    sendToList(dialog, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

static int countEntries(HWND dialog)
{
    LRESULT count = sendToList(dialog, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : -1;
}

// The selected entry, cut to 255 characters; false when nothing is selected or the list is empty.
static bool selectedText(HWND dialog, std::string &text)
{
    LRESULT index = sendToList(dialog, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || countEntries(dialog) < 0)
        return false;
    // LB_GETTEXT writes the whole entry whatever the buffer: size it from the entry's own length.
    LRESULT length = sendToList(dialog, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return false;
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    sendToList(dialog, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buffer[0]));
    text.assign(buffer.c_str());
    if (text.size() > 255)
        text.resize(255);
    return true;
}

static bool sameNameIgnoringCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char ca = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        char cb = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (ca != cb)
            return false;
        if (!ca)
            return true;
    }
}

// A library that faults while the dialog describes it is only described so: the plugin slot is not its.
static void describeCrash(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, "this plugin crashed while describing itself");
}

// Loads the selected library for this alone, asks for its description and checks its two required exports.
static void showPluginInformation(HWND dialog)
{
    std::string name;
    if (!selectedText(dialog, name) || name.empty())
        return;
    char path[256];
    pluginPath(name.c_str(), path);
    HMODULE library = nullptr;
    if (guardLoadLibrary(path, library).faulted) {
        describeCrash(dialog);
        return;
    }
    if (!library) {
        // The specified words, then why, when the file says: a missing DLL it needs, not a 64-bit DLL, no DLL.
        std::string text = "unable to load this plugin, it may be cancerous";
        const std::string why = libraryLoadProblem(path);
        if (!why.empty())
            text += "\n" + why;
        SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, text.c_str());
        return;
    }
    SkInfoFn info = findExport<SkInfoFn>(library, "sk_info");
    bool hasLoad = GetProcAddress(library, "sk_load") != nullptr;
    bool hasDraw = GetProcAddress(library, "sk_draw") != nullptr;
    std::string text;
    if (info && guardInfo(info, text).faulted) {
        describeCrash(dialog);   // the library stays mapped: it may not survive its own detach
        return;
    }
    if (!info)
        text = "there is no information about this plugin";
    // The current plugin's filter list, when the chooser would not use it, is named here, where its author looks.
    // Only the current one's: the export is asked only of the plugin models load through, as "..." asks it.
    PluginFault filterFault = noPluginFault();
    if (pluginSlot.name && pluginSlot.sk_filefilter && sameNameIgnoringCase(name.c_str(), pluginSlot.name)) {
        std::string filters;
        filterFault = guardFileFilter(pluginSlot.sk_filefilter, filters);
        filters.resize(PLUGIN_FILTERS_MAX_BYTES, '\0');
        if (const char *fault = filterFault.faulted ? nullptr : filterListFault(filters.c_str()))
            text += std::string("\n\nIts file filter (sk_filefilter) is not used: ") + fault + ".";
    }
    SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, text.c_str());
    if (!hasLoad && hasDraw)
        SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, "Error : unable to find 'sk_load' plugin function");
    if (!hasDraw && hasLoad)
        SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, "Error : unable to find 'sk_draw' plugin function");
    if (!hasLoad && !hasDraw)
        SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, "Error : unable to find\n'sk_load'\n'sk_draw'\nplugin functions");
    if (guardFreeLibrary(library).faulted)
        describeCrash(dialog);
    reportPluginFault(filterFault);   // the current plugin is dropped, as when "..." meets the fault
}

static void selectCurrentPlugin(HWND dialog)
{
    if (!pluginSlot.name)
        return;
    int count = countEntries(dialog);
    std::string text;
    for (int i = 0; i < count; ++i) {
        sendToList(dialog, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        if (selectedText(dialog, text) && sameNameIgnoringCase(text.c_str(), pluginSlot.name))
            return;
    }
}

static void listPlugins(HWND dialog)
{
    sendToList(dialog, LB_RESETCONTENT, 0, 0);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("plugins\\*.dll", &found);
    if (search == INVALID_HANDLE_VALUE) {
        SetDlgItemTextA(dialog, IDC_PLUGIN_INFO, "there is no plugins");
        return;
    }
    do
        addEntry(dialog, found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    selectCurrentPlugin(dialog);
    showPluginInformation(dialog);
}

// An author rebuilt the current plugin: the new file is loaded in its place, and the model shown is loaded
// again through it (without its picture: the texture is the user's).
static void reloadChangedPlugin()
{
    if (!pluginFileChanged())
        return;
    const std::string name = pluginSlot.name;
    const std::string model = modelState.shownPath;
    forgetModel();
    unloadPlugin();
    loadPlugin(name.c_str());
    if (!model.empty() && pluginSlot.sk_load) {
        setDialogItemText(mainWindow, IDC_MODEL_PATH, model.c_str());
        reloadModel(model.c_str());
    }
}

static void switchToSelectedPlugin(HWND dialog)
{
    std::string name;
    bool selected = selectedText(dialog, name);
    // The new plugin holds no model: nothing of the old one (its grid) stays on show.
    forgetModel();
    unloadPlugin();
    loadPlugin(selected ? name.c_str() : nullptr);
}

static INT_PTR CALLBACK pluginsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    // A plugin describing itself may pump messages (a box of its own): nothing here may load, call or unload a
    // plugin inside that call.
    if (message == WM_COMMAND && pluginCallUnderway())
        return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_CURRENT_PLUGIN, pluginSlot.name ? pluginSlot.name : "(no plugin)");
        widenLabelsToText(dialog);
        listPlugins(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            switchToSelectedPlugin(dialog);
            EndDialog(dialog, 1);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_REFRESH_PLUGINS:
            reloadChangedPlugin();
            listPlugins(dialog);
            break;
        case IDC_PLUGIN_LIST:
            // Every notification, a double-click included, shows the information again.
            showPluginInformation(dialog);
            break;
        }
        break;
    case WM_CLOSE:
    case WM_QUIT:
        EndDialog(dialog, 0);
        break;
    }
    return FALSE;
}

void openPluginsDialog()
{
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_PLUGINS), mainWindow, pluginsDialogProc, 0);
}
