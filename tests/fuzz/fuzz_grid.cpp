// Fuzzes the grid build with a triangle table made from the input (any coordinates: NaN, infinities,
// far off the texture; null entries and corners), and the line walk alone with any int32 ends. Nothing
// outside the layer may be written (the layer sits between poisoned guard bytes), the layer holds only
// black and white, the coordinate mapping is the truncated product, and wherever a plain step-by-step
// walk is affordable the layer matches it.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "uv/grid.h"
#include "texture/skin_store.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/native/start_texture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define GRID_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define GRID_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#endif
#endif
#ifndef GRID_POISON
#define GRID_POISON(p, n) ((void)(p), (void)(n))
#define GRID_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

const size_t GUARD = 4096;
const uint8_t GUARD_BYTE = 0xAB;
const double K = 0.99989998340606689453125;  // the float nearest 0.9999
const double FAR = 16777216.0;               // beyond this the mapping need only land outside the layer
const int64_t PLAIN_WALK_LIMIT = 4096;       // ends beyond this make the plain walk too slow to run
const int MAX_TRIANGLES = 16;

// The layer with a guard on each side. AddressSanitizer reports any touch of a guard at once; the byte
// check after each run is the fallback for a build without it.
struct GuardedLayer {
    std::vector<uint8_t> bytes;
    GuardedLayer() : bytes(SKIN_BYTES + 2 * GUARD, GUARD_BYTE)
    {
        GRID_POISON(bytes.data(), GUARD);
        GRID_POISON(bytes.data() + GUARD + SKIN_BYTES, GUARD);
    }
    uint8_t *layer() { return bytes.data() + GUARD; }
    FUZZ_HARNESS bool guardsIntact()
    {
        GRID_UNPOISON(bytes.data(), bytes.size());
        bool intact = true;
        for (size_t i = 0; i < GUARD; ++i)
            intact = intact && bytes[i] == GUARD_BYTE && bytes[GUARD + SKIN_BYTES + i] == GUARD_BYTE;
        GRID_POISON(bytes.data(), GUARD);
        GRID_POISON(bytes.data() + GUARD + SKIN_BYTES, GUARD);
        return intact;
    }
};

float consumeCoordinate(FuzzedDataProvider &fdp)
{
    static const float SPECIAL[] = {0.0f, 1.0f, -0.0f, -0.001f, 1.0001f, 0.5f, -0.0039f, 1e-40f,
                                    std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(), 3.0e38f, -3.0e38f, 65536.0f};
    switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: {
        uint32_t bits = fdp.ConsumeIntegral<uint32_t>();
        float u;
        std::memcpy(&u, &bits, sizeof u);
        return u;
    }
    case 1: return fdp.ConsumeIntegral<int16_t>() / 16384.0f;
    case 2: return fdp.ConsumeIntegral<uint8_t>() / 255.0f;
    default: return SPECIAL[fdp.ConsumeIntegralInRange<size_t>(0, sizeof SPECIAL / sizeof SPECIAL[0] - 1)];
    }
}

// The mapping is trunc(u * K * 256) in double precision; out of range it only has to leave the layer.
void checkCoordinate(float u)
{
    int32_t got = gridCoordinate(u, SKIN_SIDE);
    if (std::isnan(u)) {
        FUZZ_CHECK(got < 0 || got >= SKIN_SIDE, "a NaN coordinate maps into the layer");
        return;
    }
    double p = static_cast<double>(u) * K;
    p *= 256.0;
    if (std::fabs(p) < FAR)
        FUZZ_CHECK(got == static_cast<int32_t>(std::trunc(p)), "a coordinate is not the truncated product");
    else
        FUZZ_CHECK(p > 0 ? got >= SKIN_SIDE : got < 0, "a far coordinate maps into the layer");
}

FUZZ_HARNESS void setBlack(std::vector<uint8_t> &layer, int64_t column, int64_t row)
{
    if (column < 0 || column >= SKIN_SIDE || row < 0 || row >= SKIN_SIDE)
        return;
    size_t at = static_cast<size_t>(row * SKIN_SIDE + column) * 3;
    layer[at] = layer[at + 1] = layer[at + 2] = 0;
}

// The 16.16 walk exactly as described: every step, an accumulator, pixels off the layer dropped.
FUZZ_HARNESS void plainLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, std::vector<uint8_t> &layer)
{
    int64_t dx = x1 - x0, dy = y1 - y0;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int64_t acc = 0;
    if (ady > adx) {
        int64_t s = dy >= 0 ? 1 : -1, slope = dx * 65536 / ady;
        for (int64_t k = 0; k < ady; ++k, acc += slope)
            setBlack(layer, x0 + (acc >> 16), y0 + k * s);
    } else if (dx != 0) {
        int64_t s = dx >= 0 ? 1 : -1, slope = dy * 65536 / adx;
        for (int64_t k = 0; k < adx; ++k, acc += slope)
            setBlack(layer, x0 + k * s, y0 + (acc >> 16));
    }
}

struct FuzzTable {
    std::vector<std::array<float, 6>> corners;
    std::vector<TexCoordTriangle> triangles;
    std::vector<const TexCoordTriangle *> entries;
};

// Triangles from the input; now and then an entry or a corner is null, as a careless plugin gives.
void buildTable(FuzzedDataProvider &fdp, FuzzTable &table)
{
    int count = fdp.ConsumeIntegralInRange<int>(0, MAX_TRIANGLES);
    table.corners.resize(count);
    table.triangles.resize(count);
    for (int i = 0; i < count; ++i) {
        uint16_t shape = fdp.ConsumeIntegral<uint16_t>();  // four bits for each corner, four for the entry
        for (float &value : table.corners[i])
            value = consumeCoordinate(fdp);
        for (int c = 0; c < 3; ++c)
            table.triangles[i].corner[c] = (shape >> (4 * c) & 0xF) == 0xF ? nullptr : &table.corners[i][2 * c];
        table.entries.push_back((shape >> 12) == 0xF ? nullptr : &table.triangles[i]);
    }
}

typedef std::array<int64_t, 4> Segment; // x0, y0, x1, y1 in layer pixels

// The edges the table should draw: three per usable triangle, corners mapped as the build maps them.
FUZZ_HARNESS void tableSegments(const FuzzTable &table, std::vector<Segment> &segments)
{
    for (const TexCoordTriangle *t : table.entries) {
        bool usable = t != nullptr;
        for (int c = 0; usable && c < 3; ++c)
            usable = t->corner[c] != nullptr && !std::isnan(t->corner[c][0]) && !std::isnan(t->corner[c][1]);
        if (!usable)
            continue;
        int64_t x[3], y[3];
        for (int c = 0; c < 3; ++c) {
            x[c] = gridCoordinate(t->corner[c][0], SKIN_SIDE);
            y[c] = gridCoordinate(t->corner[c][1], SKIN_SIDE);
        }
        for (int c = 0; c < 3; ++c)
            segments.push_back({x[c], y[c], x[(c + 1) % 3], y[(c + 1) % 3]});
    }
}

// Line ends for drawGridLine itself: near the layer, or anywhere an int32 reaches.
int32_t consumeEnd(FuzzedDataProvider &fdp)
{
    return fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int32_t>(-600, 900) : fdp.ConsumeIntegral<int32_t>();
}

// The layer the plain walk draws, or false when some end is too far off for it.
FUZZ_HARNESS bool plainLayer(const std::vector<Segment> &segments, std::vector<uint8_t> &layer)
{
    for (const Segment &s : segments)
        for (int64_t v : s)
            if (v > PLAIN_WALK_LIMIT || v < -PLAIN_WALK_LIMIT)
                return false;
    layer.assign(SKIN_BYTES, 255);
    for (const Segment &s : segments)
        plainLine(s[0], s[1], s[2], s[3], layer);
    return true;
}

FUZZ_HARNESS void checkLayer(const std::vector<Segment> &segments, const uint8_t *layer)
{
    for (size_t i = 0; i < SKIN_BYTES; i += 3) {
        int sum = layer[i] + layer[i + 1] + layer[i + 2];
        FUZZ_CHECK(sum == 0 || sum == 765, "a layer pixel is neither black nor white");
        FUZZ_CHECK(!segments.empty() || sum == 765, "a table that draws nothing left a mark");
    }
    static std::vector<uint8_t> plain;
    if (plainLayer(segments, plain))
        FUZZ_CHECK(std::memcmp(plain.data(), layer, SKIN_BYTES) == 0, "the layer differs from the plain walk");
}

} // namespace

// Any bytes make a table; a few fixed ones give the first runs triangles to start from.
FuzzSeeds gridSeeds()
{
    return randomSeeds(48, 0x9E3779B9u);
}

FUZZ_SEEDS(gridSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static GuardedLayer guarded;
    FuzzedDataProvider fdp(data, size);
    // How the table is handed over: as it is, with a count of 0 or less, or as a null pointer.
    int handOver = fdp.ConsumeIntegralInRange<int>(0, 7);
    int directLines = fdp.ConsumeIntegralInRange<int>(0, 3);
    FuzzTable table;
    buildTable(fdp, table);
    for (const auto &corners : table.corners)
        for (float u : corners)
            checkCoordinate(u);

    uint8_t *layer = guarded.layer();
    clearGrid(layer, SKIN_SIDE, SKIN_SIDE);
    int32_t count = static_cast<int32_t>(table.entries.size());
    std::vector<Segment> segments;
    if (handOver == 0) {
        drawGridTable(table.entries.data(), -count, layer, SKIN_SIDE, SKIN_SIDE);
    } else if (handOver == 1) {
        drawGridTable(nullptr, count, layer, SKIN_SIDE, SKIN_SIDE);
    } else {
        drawGridTable(table.entries.data(), count, layer, SKIN_SIDE, SKIN_SIDE);
        tableSegments(table, segments);
    }
    for (int i = 0; i < directLines; ++i) {
        int32_t x0 = consumeEnd(fdp), y0 = consumeEnd(fdp), x1 = consumeEnd(fdp), y1 = consumeEnd(fdp);
        drawGridLine(x0, y0, x1, y1, layer, SKIN_SIDE, SKIN_SIDE);
        segments.push_back({x0, y0, x1, y1});
    }

    FUZZ_CHECK(guarded.guardsIntact(), "a pixel outside the layer was written");
    checkLayer(segments, layer);
    return 0;
}
