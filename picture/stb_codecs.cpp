// The stb codecs the pictures use, compiled once: the PNG, TGA and JPEG decoders, the PNG and TGA writers and
// the resampler. Files are handed over as bytes, so none of their file functions is built.
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
// One thread, and refusals carry our own message, not stb's reason.
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
// picture.cpp refuses a picture beyond its limits from the header's size, before anything is allocated, and
// says that it is too large; stb's own bound (its default) only has to keep its arithmetic from overflowing.
#define STBI_MAX_DIMENSIONS (1 << 24)
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
