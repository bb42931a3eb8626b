// Replacing a file safely.
#include "shell/files.h"

#include <windows.h>

#include <string>

#include "shell/wide_paths.h"

bool fileExists(const char *path)
{
    return GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

static bool writeAll(HANDLE file, const uint8_t *data, size_t size)
{
    while (size > 0) {
        DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, piece, &written, nullptr) || written != piece)
            return false;
        data += piece;
        size -= piece;
    }
    return true;
}

bool writeFileSafely(const char *path, const uint8_t *data, size_t size)
{
    // The temporary file lies in the target's folder so the final move is a rename on one volume.
    const std::wstring target = widePath(path);
    if (target.empty())
        return false;
    const std::wstring temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";

    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writeAll(file, data, size) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok)
        ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok;
}
