// The ways a layer's colours meet the picture below it, as the layer stack composes them and files name them.
#pragma once
#include <cstddef>

// In the order the program lists them.
enum class BlendMode { Normal, Multiply, Screen, Overlay, Darken, Lighten, Add };
enum : size_t { BLEND_MODE_COUNT = 7 };

// The names the program shows, in the order of BlendMode.
inline const char *blendModeName(BlendMode mode)
{
    static const char *const NAMES[BLEND_MODE_COUNT] = {"Normal", "Multiply", "Screen", "Overlay",
                                                        "Darken", "Lighten",  "Add"};
    return NAMES[static_cast<size_t>(mode)];
}
