// The pattern buffers, their size and header.
#include "paint/pattern_store.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

uint8_t *patternSource;
uint8_t *patternBrush;
int32_t patternWidth;
int32_t patternHeight;
BitmapHeader patternHeader;

namespace {

// Bytes of a width x height pattern, or 0 when the sides are negative or the size could not be
// allocated as one object (so the caller treats it like a failed allocation).
size_t patternBytes(int32_t width, int32_t height)
{
    if (width < 0 || height < 0)
        return 0;
    uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels > static_cast<uint64_t>(PTRDIFF_MAX) / 3)
        return 0;
    return static_cast<size_t>(pixels * 3);
}

} // namespace

bool reallocatePattern(int32_t width, int32_t height)
{
    if (width == 0 || height == 0)
        return true;
    resetPatternStore();
    size_t bytes = patternBytes(width, height);
    if (bytes == 0)
        return false;
    patternSource = static_cast<uint8_t *>(std::malloc(bytes));
    patternBrush = static_cast<uint8_t *>(std::malloc(bytes));
    if (patternSource == nullptr || patternBrush == nullptr) {
        // Both or neither: a half-allocated store would let the stamp read a missing brush.
        resetPatternStore();
        return false;
    }
    patternWidth = width;
    patternHeight = height;
    return true;
}

void fillWhite(uint8_t *buffer, int32_t width, int32_t height)
{
    size_t bytes = patternBytes(width, height);
    if (buffer == nullptr || bytes == 0)
        return;
    std::memset(buffer, 255, bytes);
}

bool initPatternStore()
{
    bool allocated = reallocatePattern(64, 64);
    if (allocated) {
        fillWhite(patternSource, patternWidth, patternHeight);
        fillWhite(patternBrush, patternWidth, patternHeight);
    }
    setupBitmapHeader(patternHeader, 64, 64);
    return allocated;
}

bool installPattern(const PatternImage &image)
{
    // Only whole, non-empty images reach the buffers; anything else leaves the store as it was.
    size_t bytes = patternBytes(image.width, image.height);
    if (bytes == 0 || image.pixels.size() < bytes)
        return false;
    if (!reallocatePattern(image.width, image.height))
        return false;
    std::memcpy(patternSource, image.pixels.data(), bytes);
    std::memcpy(patternBrush, image.pixels.data(), bytes);
    patternHeader.biWidth = image.width;
    patternHeader.biHeight = image.height;
    return true;
}

void resetPatternStore()
{
    std::free(patternSource);
    std::free(patternBrush);
    patternSource = nullptr;
    patternBrush = nullptr;
    patternWidth = 0;
    patternHeight = 0;
}
