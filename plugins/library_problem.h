// Why a library offered as a plugin cannot be loaded, found from its file: for the Plugins dialog and plugincheck.
#pragma once
#include <string>

// In a few words for the user ("it needs zlib1.dll, which is missing", "it is a 32-bit DLL: ..."), or "" when
// the file's headers do not say. path is as LoadLibrary was given it, relative to the working folder or full.
std::string libraryLoadProblem(const char *path);
