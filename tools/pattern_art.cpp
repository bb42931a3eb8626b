// The default pattern brush, drawn in code so the shipped file can be regenerated and checked.
#include "tools/pattern_art.h"

namespace {

// Distances are in sixteenths of a pixel, all in integers, so every host draws the same bytes.
const int32_t CORE_RADIUS_16 = 4 * 16;  // fully black inside this
const int32_t EDGE_RADIUS_16 = 15 * 16; // pure white from here out
const int32_t GRAIN_AMPLITUDE = 12;      // at most this much either way, midway through the fade

uint32_t isqrt(uint32_t n)
{
    uint32_t root = 0;
    while ((root + 1) * (root + 1) <= n)
        ++root;
    return root;
}

// Our own generator: rand() sequences differ between C libraries.
uint32_t nextRandom(uint32_t &state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 16;
}

// Smoothstep of the distance between the two radii, 0 (black) to 255 (white).
int32_t fadeAt(int32_t distance16)
{
    if (distance16 <= CORE_RADIUS_16)
        return 0;
    if (distance16 >= EDGE_RADIUS_16)
        return 255;
    const int64_t t = (int64_t(distance16 - CORE_RADIUS_16) << 12) / (EDGE_RADIUS_16 - CORE_RADIUS_16);
    const int64_t s = t * t * (3 * 4096 - 2 * t) >> 24; // 0..4096
    return static_cast<int32_t>(s * 255 / 4096);
}

// A faint grain where the stamp is grey, so strokes look like chalk rather than plastic;
// the black core and the white surround stay exact.
int32_t addGrain(int32_t value, uint32_t &state)
{
    const int32_t grain = static_cast<int32_t>(nextRandom(state) % (2 * GRAIN_AMPLITUDE + 1)) - GRAIN_AMPLITUDE;
    const int32_t shaped = value + grain * value * (255 - value) / 16256; // 16256 = 127 * 128, the peak
    return shaped < 0 ? 0 : (shaped > 255 ? 255 : shaped);
}

} // namespace

PatternImage drawDefaultPattern()
{
    const int32_t side = DEFAULT_PATTERN_SIDE;
    PatternImage image;
    image.width = side;
    image.height = side;
    image.pixels.resize(static_cast<size_t>(side) * side * 3);
    uint32_t state = 0x5EEDu;
    for (int32_t row = 0; row < side; ++row) {
        for (int32_t col = 0; col < side; ++col) {
            // Pixel centres in half pixels from the middle of the picture: odd numbers, never 0.
            const int32_t dx = 2 * col + 1 - side;
            const int32_t dy = 2 * row + 1 - side;
            const int32_t distance16 = static_cast<int32_t>(isqrt(static_cast<uint32_t>((dx * dx + dy * dy) * 64)));
            const uint8_t grey = static_cast<uint8_t>(addGrain(fadeAt(distance16), state));
            uint8_t *pixel = image.pixels.data() + (static_cast<size_t>(row) * side + col) * 3;
            pixel[0] = pixel[1] = pixel[2] = grey; // equal blue, green, red: tinting gives the pen colour
        }
    }
    return image;
}

std::vector<uint8_t> encodeDefaultPattern()
{
    return encodePattern(drawDefaultPattern());
}
