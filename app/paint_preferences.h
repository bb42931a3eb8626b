// The brush tip and the painting options as lines of pelterine.ini ("brush.*" and "options.*" keys).
#pragma once

#include "app/preferences.h"
#include "paint/paint_options.h"

// Takes into options what preferences holds of them; a key that is missing or malformed leaves its option as it
// is, so a first start (no file) keeps the start values.
void readPaintPreferences(const Preferences &preferences, PaintOptions &options);

// Puts the options' keys into preferences, beside whatever else it holds: each key the file has already, and
// each that differs from the start values (so closing after a first start that changed nothing writes none).
void storePaintPreferences(const PaintOptions &options, Preferences &preferences);
