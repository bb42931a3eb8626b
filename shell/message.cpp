// The one message-box helper every report goes through.
#include "shell/message.h"

#include <string>

// The program's own texts are UTF-8 (a question shows "×"); paths and plugin names come from the ANSI API
// in the ANSI code page. Text that is not valid UTF-8 is taken as ANSI, so both show as they should.
static std::wstring widen(const char *text)
{
    if (text == nullptr)
        return std::wstring();
    UINT codePage = CP_UTF8;
    DWORD flags = MB_ERR_INVALID_CHARS;
    int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (length <= 0) {
        codePage = CP_ACP;
        flags = 0;
        length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    }
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1)); // the terminating NUL that was converted too
    return wide;
}

void showMessage(const char *text, const char *caption, UINT icon)
{
    askUser(text, caption, MB_OK | icon);
}

int askUser(const char *text, const char *caption, UINT flags)
{
    return askUserOwnedBy(nullptr, text, caption, flags);
}

int askUserOwnedBy(HWND owner, const char *text, const char *caption, UINT flags)
{
    const std::wstring wideText = widen(text);
    const std::wstring wideCaption = widen(caption);
    // A null caption stays null: the system then shows its own "Error", as MessageBoxA would.
    return MessageBoxW(owner, wideText.c_str(), caption ? wideCaption.c_str() : nullptr, flags);
}
