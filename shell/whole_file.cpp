// Reading a whole file into bytes, up to a size its caller allows.
#include "shell/whole_file.h"

#include <cstdio>
#include <string>

#include "shell/path_text.h"

// Paths are UTF-8 inside the program. Windows opens them through the wide function, so any file name works;
// elsewhere (the native tests) the bytes are the name.
static std::FILE *openForReading(const char *path)
{
#ifdef _WIN32
    std::u16string wide;
    if (utf8ToUtf16(path, wide))
        return _wfopen(reinterpret_cast<const wchar_t *>(wide.c_str()), L"rb");
#endif
    return std::fopen(path, "rb");
}

// Reserving what the file says it holds spares the copies of a growing buffer (a picture of 130 MB would
// briefly take twice that). Only a hint: the reads decide, and a size beyond the limit reserves nothing.
static void reserveForFile(std::FILE *file, std::vector<uint8_t> &bytes, size_t maxBytes)
{
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end > 0 && static_cast<unsigned long>(end) <= maxBytes)
            bytes.reserve(static_cast<size_t>(end));
    }
    std::rewind(file);
}

FileRead readWholeFile(const char *path, std::vector<uint8_t> &bytes, size_t maxBytes)
{
    bytes.clear();
    std::FILE *file = openForReading(path);
    if (!file)
        return FileRead::unreadable;
    reserveForFile(file, bytes, maxBytes);
    FileRead result = FileRead::read;
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got > maxBytes - bytes.size()) {
            result = FileRead::tooLarge;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk)
            break;
    }
    if (result == FileRead::read && std::ferror(file))
        result = FileRead::unreadable;
    std::fclose(file);
    if (result != FileRead::read)
        std::vector<uint8_t>().swap(bytes);   // give back what a refused file took
    return result;
}
