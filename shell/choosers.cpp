// The open, save and colour choosers.
#include "shell/choosers.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/wide_paths.h"
#include "shell/window_helpers.h"

// The file choosers move the process into the chosen file's folder, but config.cfg and plugins\ are found
// relative to the current folder: put it back so one file chosen elsewhere cannot move them.
struct SavedFolder {
    wchar_t path[MAX_PATH];
    DWORD length;
};

static SavedFolder saveCurrentFolder()
{
    SavedFolder saved;
    saved.length = GetCurrentDirectoryW(MAX_PATH, saved.path);
    return saved;
}

static void restoreCurrentFolder(const SavedFolder &saved)
{
    if (saved.length > 0 && saved.length < MAX_PATH)
        SetCurrentDirectoryW(saved.path);
}

static char *copyPath(const std::string &path)
{
    size_t size = path.size() + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy)
        std::memcpy(copy, path.c_str(), size);
    return copy;
}

// "text\0pattern\0...\0\0" for the wide chooser; each text may be UTF-8 or, from a plugin, the ANSI code page.
static std::wstring wideFilters(const char *filters)
{
    std::wstring wide;
    for (const char *piece = filters; piece && *piece; piece += std::strlen(piece) + 1) {
        wide += widePath(piece);
        wide += L'\0';
    }
    wide += L'\0';
    return wide;
}

// "text\0pattern\0\0", as the choosers take their filters.
static void buildFilter(char (&filter)[256], const char *text, const char *pattern)
{
    std::memset(filter, 0, sizeof filter);
    size_t textLength = std::strlen(text);
    size_t patternLength = std::strlen(pattern);
    if (textLength + patternLength + 3 > sizeof filter)
        return;
    std::memcpy(filter, text, textLength);
    std::memcpy(filter + textLength + 1, pattern, patternLength);
}

static DWORD lastChooserError;

bool lastFileChooserFailed()
{
    return lastChooserError != 0;
}

// Runs the open or the save chooser with a path buffer that starts empty, or with the file name of `proposed`
// (UTF-8) in its folder; a copy of the chosen path in UTF-8, or nullptr when the user cancels or the chooser
// fails. The wide chooser, so a file of any name can be chosen.
static char *runFileChooser(bool save, const char *filters, const wchar_t *title, const char *defaultExtension,
                            DWORD flags, const char *proposed = nullptr)
{
    wchar_t path[1024] = L"";
    std::wstring folder;
    if (proposed && *proposed) {
        const std::wstring wide = widePath(proposed);
        const size_t slash = wide.find_last_of(L"\\/");
        const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
        folder = slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash + 1);
        if (name.size() < sizeof path / sizeof *path)
            std::copy(name.begin(), name.end(), path);
    }
    const std::wstring wideFilterList = wideFilters(filters);
    const std::wstring extension = defaultExtension ? widePath(defaultExtension) : std::wstring();
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = mainWindow;
    ofn.lpstrFilter = wideFilterList.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path / sizeof *path;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = defaultExtension ? extension.c_str() : nullptr;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = flags;

    SavedFolder saved = saveCurrentFolder();
    BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    // Read at once: the next common dialog call resets it. Zero after a Cancel.
    lastChooserError = chosen ? 0 : CommDlgExtendedError();
    restoreCurrentFolder(saved);
    return chosen ? copyPath(utf8Path(path)) : nullptr;
}

char *chooseOpenPathFrom(const char *filters)
{
    return runFileChooser(false, filters, L"Ouvrir", nullptr,
                          OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES);
}

char *chooseOpenPath(const char *filterText, const char *filterPattern)
{
    char filter[256];
    buildFilter(filter, filterText, filterPattern);
    return chooseOpenPathFrom(filter);
}

char *chooseSavePathFrom(const char *filters, const char *defaultExtension, const char *proposed)
{
    return runFileChooser(true, filters, L"Enregistrer sous", defaultExtension,
                          OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES, proposed);
}

char *chooseSavePath(const char *filters, const char *defaultExtension)
{
    // With a default extension the chooser gives a name typed without one the extension of the file type
    // chosen (the default's only when that type has none). It is given without its dot: with one, a typed
    // "skin" would become "skin..bmp" on some systems.
    return runFileChooser(true, filters, L"Enregistrer sous", defaultExtension,
                          OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES);
}

bool chooseColor(COLORREF &color, COLORREF customColors[16])
{
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = mainWindow;
    cc.rgbResult = color;
    cc.lpCustColors = customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc))
        return false;
    color = cc.rgbResult;
    return true;
}
