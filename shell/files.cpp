// Reading a whole file into bytes, and replacing a file safely.
#include "shell/files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

// No file the program reads is anywhere near this; a larger one is refused rather than exhausting memory.
static const size_t MAX_FILE_BYTES = 64u << 20;

bool readWholeFile(const char *path, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return false;
    uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got > MAX_FILE_BYTES - bytes.size()) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk)
            break;
    }
    if (std::ferror(file))
        ok = false;
    std::fclose(file);
    return ok;
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
