// Reading a whole file into bytes, up to a size its caller allows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class FileRead {
    read,         // bytes holds the whole file
    unreadable,   // it cannot be opened, or a read failed
    tooLarge,     // it holds more than the caller allows; nothing of it is kept
};

// Reads the whole file into bytes, which is left empty unless the result is FileRead::read. A file of exactly
// maxBytes is read; one byte more is too large, found out without ever holding more than maxBytes of it.
FileRead readWholeFile(const char *path, std::vector<uint8_t> &bytes, size_t maxBytes);
