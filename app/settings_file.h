// Reading config.cfg and pelterine.ini at start-up and writing them at close.
#pragma once

#include "app/preferences.h"

// "config.cfg", in the working folder.
extern const char SETTINGS_FILE_NAME[];

// Reads the brush settings and puts the sizes into their boxes; a missing file keeps the defaults.
void readSettings();
void writeSettings();

// "pelterine.ini", beside config.cfg: what else is kept across starts (brush tip, options, the last session).
extern const char PREFERENCES_FILE_NAME[];

// The lines of pelterine.ini as read by readSettings: whoever keeps something across starts reads its keys here
// after readSettings, and puts its current values here before writeSettings writes the file.
extern Preferences preferences;
