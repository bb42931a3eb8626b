// The brush tip's falloff and coverage, and the steps of the brush keys.
#include "paint/brush_tip.h"

#include <algorithm>
#include <cmath>

namespace {

// The falloff for a hard core of `core` radii (0..1).
inline float falloffWithCore(float r, float core)
{
    if (r >= 1.0f)
        return 0.0f;
    if (r <= core)
        return 1.0f;
    const float t = (r - core) / (1.0f - core);
    return 1.0f - t * t * (3.0f - 2.0f * t);
}

// The hard core a soft tip of radius R may have: its fall at least one texel wide, so that the fall itself
// smooths the edge a texel's centre would otherwise cut hard.
float softCore(int32_t hardness, double radius)
{
    const double core = std::min(hardness / 100.0, 1.0 - 1.0 / std::max(radius, 1.0));
    return static_cast<float>(std::max(core, 0.0));
}

void sizeDab(TipDab &out, int32_t left, int32_t bottom, int32_t width, int32_t height)
{
    out.left = left;
    out.bottom = bottom;
    out.width = std::max(width, 0);
    out.height = std::max(height, 0);
    out.weights.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0.0f);
}

// The falloff by the squared distance (in radii squared, 0..1) for one hard core, tabled: a soft dab then needs no
// root for its texels. Linear between the entries, within a few thousandths of the curve.
constexpr int FALLOFF_STEPS = 2048;

struct FalloffTable {
    float core = -1.0f;
    float value[FALLOFF_STEPS + 2];
};

const FalloffTable &falloffTable(float core)
{
    static FalloffTable table;
    if (table.core != core) {
        table.core = core;
        for (int k = 0; k <= FALLOFF_STEPS; ++k)
            table.value[k] = falloffWithCore(std::sqrt(static_cast<float>(k) / FALLOFF_STEPS), core);
        table.value[FALLOFF_STEPS + 1] = 0.0f;
    }
    return table;
}

inline float tabledFalloff(const FalloffTable &table, double rr)
{
    const double at = rr * FALLOFF_STEPS;
    const int k = static_cast<int>(at);
    const float f = static_cast<float>(at - k);
    return table.value[k] + (table.value[k + 1] - table.value[k]) * f;
}

// Samples across a texel's column: the disc's height over each is exact, so eight of them bring the area of an
// edge texel within a few thousandths.
constexpr int COLUMN_SAMPLES = 8;

} // namespace

float tipFalloff(float r, int32_t hardness)
{
    return falloffWithCore(r, static_cast<float>(std::clamp(hardness, MIN_HARDNESS, MAX_HARDNESS)) / 100.0f);
}

void roundTipWeights(BrushPoint centre, int32_t size, int32_t hardness, int32_t clipWidth, int32_t clipHeight,
                     TipDab &out)
{
    const double radius = size / 2.0, r2 = radius * radius;
    const double cx = centre.x, cy = centre.y;
    const double left64 = std::max(std::floor(cx - radius), 0.0), bottom64 = std::max(std::floor(cy - radius), 0.0);
    const double right64 = std::min(std::ceil(cx + radius) - 1, clipWidth - 1.0);
    const double top64 = std::min(std::ceil(cy + radius) - 1, clipHeight - 1.0);
    if (size <= 0 || !(left64 <= right64 && bottom64 <= top64)) {
        sizeDab(out, 0, 0, 0, 0);
        return;
    }
    const int32_t left = static_cast<int32_t>(left64), bottom = static_cast<int32_t>(bottom64);
    sizeDab(out, left, bottom, static_cast<int32_t>(right64) - left + 1, static_cast<int32_t>(top64) - bottom + 1);
    // The disc's half height over each sample of each column.
    static std::vector<double> halfHeights;
    halfHeights.resize(static_cast<size_t>(out.width) * COLUMN_SAMPLES);
    for (int32_t i = 0; i < out.width; ++i)
        for (int k = 0; k < COLUMN_SAMPLES; ++k) {
            const double u = left + i + (k + 0.5) / COLUMN_SAMPLES - cx;
            halfHeights[static_cast<size_t>(i) * COLUMN_SAMPLES + k] = std::sqrt(std::max(0.0, r2 - u * u));
        }
    // Per column: the squared distances of its nearest and farthest points from the centre along x, and of its
    // centre, so the texel loop below adds and compares.
    static std::vector<double> nearU2, farU2, midU2;
    nearU2.resize(static_cast<size_t>(out.width));
    farU2.resize(static_cast<size_t>(out.width));
    midU2.resize(static_cast<size_t>(out.width));
    for (int32_t i = 0; i < out.width; ++i) {
        const double u0 = left + i - cx, u1 = u0 + 1;
        const double farU = std::max(std::fabs(u0), std::fabs(u1)), nearU = u0 > 0 ? u0 : u1 < 0 ? -u1 : 0.0;
        nearU2[i] = nearU * nearU;
        farU2[i] = farU * farU;
        midU2[i] = (u0 + 0.5) * (u0 + 0.5);
    }
    const bool soft = hardness < MAX_HARDNESS;
    const float core = softCore(hardness, radius);
    // A tip under two texels falls off over a texel at least, so that the texels around a point between texel
    // centres get something too.
    const double falloffRadius = std::max(radius, 1.0), inverseFalloff2 = 1.0 / (falloffRadius * falloffRadius);
    const double core2 = double(core) * core;
    const FalloffTable &table = falloffTable(core);
    const int32_t centreColumn = static_cast<int32_t>(std::floor(cx) - left);
    const int32_t centreRow = static_cast<int32_t>(std::floor(cy) - bottom);
    float *weight = out.weights.data();
    for (int32_t j = 0; j < out.height; ++j) {
        const double v0 = bottom + j - cy, v1 = v0 + 1;
        const double farV = std::max(std::fabs(v0), std::fabs(v1));
        const double nearV = v0 > 0 ? v0 : v1 < 0 ? -v1 : 0.0;
        const double farV2 = farV * farV, nearV2 = nearV * nearV, midV2 = (v0 + 0.5) * (v0 + 0.5);
        for (int32_t i = 0; i < out.width; ++i, ++weight) {
            double cover;
            if (farU2[i] + farV2 <= r2) {
                cover = 1.0;
            } else if (nearU2[i] + nearV2 >= r2) {
                continue;
            } else {
                const double *h = &halfHeights[static_cast<size_t>(i) * COLUMN_SAMPLES];
                cover = 0;
                for (int k = 0; k < COLUMN_SAMPLES; ++k)
                    cover += std::max(0.0, std::min(v1, h[k]) - std::max(v0, -h[k]));
                cover /= COLUMN_SAMPLES;
            }
            float w = static_cast<float>(cover);
            if (soft && !(i == centreColumn && j == centreRow)) {
                // Squared, so the hard core and the outside need no root.
                const double rr = (midU2[i] + midV2) * inverseFalloff2;
                w = rr <= core2 ? w : rr >= 1.0 ? 0.0f : w * tabledFalloff(table, rr);
            }
            *weight = w;
        }
    }
}

float squareTipWeight(double dx, double dy, int32_t size, int32_t hardness)
{
    if (hardness >= MAX_HARDNESS)
        return 1.0f;
    const double radius = size / 2.0;
    const double d = std::max(std::fabs(dx), std::fabs(dy));
    return falloffWithCore(static_cast<float>(d / radius), softCore(hardness, radius));
}

float screenTipWeight(BrushShape shape, double dx, double dy, double radius, double texelPixels, int32_t hardness)
{
    if (!(radius > 0))
        return dx == 0 && dy == 0 ? 1.0f : 0.0f;
    const double texel = std::max(texelPixels, 1e-6);
    const float core = hardness >= MAX_HARDNESS ? 1.0f : softCore(hardness, radius / texel);
    if (shape != BrushShape::round) {
        const double d = std::max(std::fabs(dx), std::fabs(dy));
        return hardness >= MAX_HARDNESS ? 1.0f : falloffWithCore(static_cast<float>(d / radius), core);
    }
    const double d = std::sqrt(dx * dx + dy * dy);
    const double cover = std::clamp((radius - d) / texel + 0.5, 0.0, 1.0);
    if (d == 0)
        return 1.0f;
    if (hardness >= MAX_HARDNESS)
        return static_cast<float>(cover);
    return static_cast<float>(cover) * falloffWithCore(static_cast<float>(d / radius), core);
}

double dabSpacingShare(int32_t hardness)
{
    return hardness >= MAX_HARDNESS ? 0.25 : 0.1;
}

int32_t stepBrushSize(int32_t size, bool grow)
{
    size = std::clamp(size, 1, MAX_BRUSH_SIZE);
    const int32_t tenth = std::max(1, (size + 5) / 10);
    if (grow)
        return std::min(size < 10 ? size + 1 : size + tenth, MAX_BRUSH_SIZE);
    return std::max(size <= 10 ? size - 1 : size - tenth, 1);
}

int32_t stepHardness(int32_t hardness, bool harder)
{
    hardness = std::clamp(hardness, MIN_HARDNESS, MAX_HARDNESS);
    if (harder)
        return std::min(hardness / 25 * 25 + 25, MAX_HARDNESS);
    return std::max((hardness + 24) / 25 * 25 - 25, MIN_HARDNESS);
}

int32_t opacityForDigit(int32_t digit)
{
    return digit <= 0 || digit > 9 ? MAX_OPACITY : digit * 10;
}
