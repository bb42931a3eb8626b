// Reading config.cfg at start-up and writing it at close.
#pragma once

// "config.cfg", in the working folder.
extern const char SETTINGS_FILE_NAME[];

// Reads the brush settings and puts the sizes into their boxes; a missing file keeps the defaults.
void readSettings();
void writeSettings();
