// One Pelterine per working folder, told by a named piece of shared memory that holds the first one's window.
#include "app/single_instance.h"

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "app/open_files.h"
#include "shell/message.h"

// The shared memory stays open for the whole run; the system removes it when the last process holding it ends,
// so a killed Pelterine leaves no claim behind.
static HANDLE folderClaim;
static volatile uint64_t *sharedMainWindow;

// The same folder has many names (another letter case, a short form, another path to it); its volume and file
// index are one. The name lives in the session's namespace: each user's programs are their own.
static bool claimName(std::wstring &name)
{
    HANDLE folder = CreateFileW(L".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool known = GetFileInformationByHandle(folder, &info) != FALSE;
    CloseHandle(folder);
    if (!known)
        return false;
    wchar_t text[64];
    std::swprintf(text, 64, L"Local\\Pelterine-%08lx-%08lx%08lx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
    name = text;
    return true;
}

static void bringToFront(HWND window)
{
    if (!window || !IsWindow(window))
        return;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

bool claimWorkingFolder()
{
    std::wstring name;
    // A folder that cannot be told apart from others is not claimed: the program runs as it always did.
    if (!claimName(name))
        return true;
    HANDLE claim =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(uint64_t), name.c_str());
    if (!claim)
        return true;
    const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    sharedMainWindow = static_cast<volatile uint64_t *>(MapViewOfFile(claim, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (first) {
        folderClaim = claim;
        return true;
    }
    // Files on the command line ("Open with", a shortcut) go to the running one, which opens them as a drop; one
    // still starting is given a few seconds to show its window.
    const std::vector<std::string> files = commandLineFilePaths();
    for (int wait = 0; !files.empty() && sharedMainWindow && !*sharedMainWindow && wait < 50; ++wait)
        Sleep(100);
    HWND running = sharedMainWindow ? reinterpret_cast<HWND>(static_cast<uintptr_t>(*sharedMainWindow)) : nullptr;
    if (files.empty() || !handFilesTo(running, files))
        showMessage("Pelterine is already running in this folder.", "Pelterine", MB_ICONINFORMATION);
    // Read after the message: the first one may have been still starting when this one began.
    bringToFront(sharedMainWindow ? reinterpret_cast<HWND>(static_cast<uintptr_t>(*sharedMainWindow)) : nullptr);
    return false;
}

void publishMainWindow(HWND window)
{
    if (folderClaim && sharedMainWindow)
        *sharedMainWindow = reinterpret_cast<uintptr_t>(window);
}
