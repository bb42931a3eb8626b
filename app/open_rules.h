// Which files a drop, the command line or a second start hands over are opened, and as what: a model through
// which plugin, a picture as the texture, and the rest refused.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A plugin as the sorting sees it: its file name and the patterns its filter list takes ("*.obj", ...).
struct PluginFilter {
    std::string name;
    std::vector<std::string> patterns;
};

// What to open: at most one model and one picture; modelPlugin names the plugin to switch to first, empty when
// the loaded one takes the model. Every other file is refused.
struct OpenPlan {
    std::string model;
    std::string modelPlugin;
    std::string picture;
    std::vector<std::string> refused;
};

// A name ending in an extension Load Texture... reads (.bmp .png .tga .jpg .jpeg .pcx .ora, any case).
bool isPictureName(const std::string &path);

// The patterns of a plugin's "text\0pattern\0...\0\0" list (each pattern split at ';'); the .vmr pattern alone
// for a null list or one the model chooser would not use, as "..." then offers .vmr files.
std::vector<std::string> filterPatterns(const char *pluginFilters);

// Whether a file's name (the part after the last '\\' or '/') matches one of the patterns; '*' and '?' as
// wildcards, letters in any case.
bool filterTakes(const std::vector<std::string> &patterns, const std::string &path);

// Sorts the files: pictures first by their names; a model goes to the loaded plugin when its patterns take it,
// otherwise to the first plugin of `plugins` (in the plugins folder's order) that takes it. The first model and
// the first picture are opened; every other file, a second model or picture included, is refused.
OpenPlan planOpenFiles(const std::vector<std::string> &paths, const std::vector<std::string> &loadedPatterns,
                       const std::vector<PluginFilter> &plugins);

// The one message for every refused file: "Pelterine cannot open FILE", one line a file; after
// REFUSED_FILES_NAMED of them a last line counts the rest ("and 3 more files"), so the box fits on the screen.
enum : size_t { REFUSED_FILES_NAMED = 12 };
std::string refusedFilesMessage(const std::vector<std::string> &refused);

// The files of a command line split into its arguments: all after the program's own name, empty ones left out;
// pelterine.exe [MODEL] [PICTURE] in either order (the plan tells them apart by their names).
std::vector<std::string> commandLineFiles(const std::vector<std::string> &arguments);

// The files a second start hands to the running one, as one block of bytes (UTF-8 paths, each ending in a NUL),
// and back; decoding keeps at most MAX_HANDED_FILES paths and ignores a last path without its NUL.
enum : size_t { MAX_HANDED_FILES = 16 };
std::string encodeHandedFiles(const std::vector<std::string> &paths);
std::vector<std::string> decodeHandedFiles(const char *data, size_t size);
