// The edge between the program's UTF-8 paths and the system's wide functions, and the ANSI text a plugin takes.
#include "shell/wide_paths.h"

#include <vector>

#include "shell/path_text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

static std::wstring fromAnsi(const char *text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

std::wstring widePath(const char *path)
{
    std::u16string converted;
    if (utf8ToUtf16(path, converted))
        return std::wstring(reinterpret_cast<const wchar_t *>(converted.data()), converted.size());
    return fromAnsi(path);
}

std::wstring wideFullPath(const char *path)
{
    const std::wstring wide = widePath(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return wide;
    std::vector<wchar_t> full(length + 1, L'\0');
    if (GetFullPathNameW(wide.c_str(), length + 1, full.data(), nullptr) == 0)
        return wide;
    return full.data();
}

std::string utf8Path(const wchar_t *path)
{
    if (!path)
        return std::string();
    return utf16ToUtf8(reinterpret_cast<const char16_t *>(path), std::char_traits<wchar_t>::length(path));
}

// The text in the ANSI code page, only when the code page writes every character: no character replaced by the
// default one, none mapped to a look-alike (which would name another file).
static bool ansiText(const std::wstring &wide, std::string &ansi)
{
    BOOL replaced = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &replaced);
    if (length <= 0 || replaced)
        return false;
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &text[0], length, nullptr, &replaced);
    text.resize(static_cast<size_t>(length - 1));
    if (replaced || fromAnsi(text.c_str()) != wide)
        return false;
    ansi = text;
    return true;
}

static std::wstring shortForm(const std::wstring &wide)
{
    const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (length == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(length + 1, L'\0');
    if (GetShortPathNameW(wide.c_str(), buffer.data(), length + 1) == 0)
        return std::wstring();
    return buffer.data();
}

bool pluginPathText(const char *path, std::string &ansi)
{
    const std::wstring wide = widePath(path);
    std::string asGiven, shortened;
    const bool ansiWritesIt = ansiText(wide, asGiven);
    const std::wstring shortWide = ansiWritesIt ? std::wstring() : shortForm(wide);
    const bool shortWritesIt = !shortWide.empty() && ansiText(shortWide, shortened);
    switch (choosePluginPathForm(ansiWritesIt, shortWritesIt)) {
    case PluginPathForm::ansi:
        ansi = asGiven;
        return true;
    case PluginPathForm::shortForm:
        ansi = shortened;
        return true;
    case PluginPathForm::none:
        break;
    }
    return false;
}

std::string dialogItemText(HWND window, int controlId)
{
    HWND control = GetDlgItem(window, controlId);
    const int length = control ? GetWindowTextLengthW(control) : 0;
    if (length <= 0)
        return std::string();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    return utf8Path(text.data());
}

void setDialogItemText(HWND window, int controlId, const char *text)
{
    SetDlgItemTextW(window, controlId, widePath(text ? text : "").c_str());
}
