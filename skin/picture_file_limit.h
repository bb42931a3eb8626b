// How large a texture or pattern file may be to be read at all.
#pragma once
#include <cstddef>

#include "skin/picture.h"

// Every picture the pixel limits allow must be readable: the largest is MAX_PICTURE_PIXELS at 16 bits a channel
// with alpha, 8 bytes a pixel (a 4096 x 4096 PNG stored without compression is over 128 MiB), and a quarter more
// leaves room for the rest of its file (row filters, a compressor that expands, chunks and metadata).
enum : size_t { MAX_PICTURE_FILE_BYTES = MAX_PICTURE_PIXELS * 8 / 4 * 5 };

// What the user is told of a file over that size, with its path as the caption.
constexpr const char MSG_PICTURE_FILE_TOO_LARGE[] = "Picture file is too large";
