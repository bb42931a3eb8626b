// Replacing a file safely.
#pragma once
#include <cstddef>
#include <cstdint>

// Writes into a temporary file beside the target, checks every write and the close, then replaces the target.
// On any failure the target is left as it was and false is returned.
bool writeFileSafely(const char *path, const uint8_t *data, size_t size);
