// The brush tip and the painting options kept across starts.
#include "app/paint_preferences.h"

#include <string>

namespace {

// The check boxes kept, by key.
struct OptionKey {
    const char *key;
    bool PaintOptions::*option;
};

const OptionKey OPTION_KEYS[] = {
    {"options.usePattern", &PaintOptions::usePattern},   {"options.useColor", &PaintOptions::useColor},
    {"options.smoothStrokes", &PaintOptions::smoothStrokes}, {"options.paintOnModel", &PaintOptions::paintOnModel},
    {"options.mirror", &PaintOptions::mirror},           {"options.fill", &PaintOptions::fill},
};

} // namespace

void readPaintPreferences(const Preferences &preferences, PaintOptions &options)
{
    const auto shape = preferences.find("brush.shape");
    if (shape != preferences.end() && (shape->second == "square" || shape->second == "round"))
        options.brushShape = shape->second == "round" ? BrushShape::round : BrushShape::square;
    preferenceInteger(preferences, "brush.hardness", MIN_HARDNESS, MAX_HARDNESS, options.hardness);
    preferenceInteger(preferences, "brush.opacity", MIN_OPACITY, MAX_OPACITY, options.opacity);
    for (const OptionKey &k : OPTION_KEYS)
        preferenceFlag(preferences, k.key, options.*k.option);
}

// Sets key to value where the file has the key already or the value is not the start one.
static void storeKey(Preferences &preferences, const char *key, const std::string &value, const std::string &start)
{
    if (value != start || preferences.count(key))
        preferences[key] = value;
}

static std::string shapeName(BrushShape shape)
{
    return shape == BrushShape::round ? "round" : "square";
}

void storePaintPreferences(const PaintOptions &options, Preferences &preferences)
{
    const PaintOptions start = startPaintOptions();
    storeKey(preferences, "brush.shape", shapeName(options.brushShape), shapeName(start.brushShape));
    storeKey(preferences, "brush.hardness", std::to_string(options.hardness), std::to_string(start.hardness));
    storeKey(preferences, "brush.opacity", std::to_string(options.opacity), std::to_string(start.opacity));
    for (const OptionKey &k : OPTION_KEYS)
        storeKey(preferences, k.key, options.*k.option ? "1" : "0", start.*k.option ? "1" : "0");
}
