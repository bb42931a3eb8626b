// Replacing a file safely.
#pragma once
#include <cstddef>
#include <cstdint>

// Paths are UTF-8 (text that is not is taken as the ANSI code page), so any file name works.

// Whether a file or folder of that name exists.
bool fileExists(const char *path);

// Writes into a temporary file beside the target, checks every write and the close, then replaces the target.
// On any failure the target is left as it was and false is returned.
bool writeFileSafely(const char *path, const uint8_t *data, size_t size);
