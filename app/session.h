// The last session's plugin, model and texture file, kept in pelterine.ini and brought back at the next start.
#pragma once
#include <string>

// At the end of start-up, after readSettings: unless a recovered or autosaved texture waits to be offered, loads
// the plugin, the model and the texture file the last session ended with, each one that still exists (the
// texture in place of the model's own picture).
void restoreSession();

// Before writeSettings at close: the plugin, model and texture file now in use go into the preferences (a key
// is dropped for what there is none of).
void storeSession();

// After a recovered texture was loaded: the plugin and the model (full path) its autosave was painted on, each
// one that still exists, the model without its own picture (the recovered painting is the texture). Empty: none.
void restoreRecoveredModel(const std::string &plugin, const std::string &model);
