// Replacing a file safely.
#include "shell/files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

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
    char temp[MAX_PATH + 32];
    if (std::snprintf(temp, sizeof temp, "%s.%lu.tmp", path, GetCurrentProcessId()) >= static_cast<int>(sizeof temp))
        return false;

    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writeAll(file, data, size) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok)
        ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temp);
    return ok;
}
