// Why a library offered as a plugin cannot be loaded: its kind from its headers, then a DLL it needs that the
// system cannot find.
#include "plugins/library_problem.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "plugins/library_file.h"
#include "shell/whole_file.h"

// The system resolves these names itself (API sets): no file of that name need exist.
static bool resolvedBySystem(const std::string &name)
{
    return name.compare(0, 7, "api-ms-") == 0 || name.compare(0, 7, "API-MS-") == 0 ||
           name.compare(0, 7, "ext-ms-") == 0 || name.compare(0, 7, "EXT-MS-") == 0;
}

std::string libraryLoadProblem(const char *path)
{
    std::vector<uint8_t> bytes;
    // The headers and the import table lie in the first part of any plugin; a huge file is no plugin anyway.
    if (readWholeFile(path, bytes, size_t(256) << 20) != FileRead::read)
        return "the file cannot be read";
    const LibraryFile library = inspectLibraryFile(bytes.data(), bytes.size());
    const std::string problem = libraryKindProblem(library);
    if (!problem.empty())
        return problem;
    // Searched as the loader searches for a plugin's own imports: the program's folder, the system folders, the
    // working folder and PATH.
    for (const std::string &needed : library.imports) {
        char found[MAX_PATH];
        if (!resolvedBySystem(needed) && SearchPathA(nullptr, needed.c_str(), nullptr, MAX_PATH, found, nullptr) == 0)
            return "it needs " + needed + ", which is missing";
    }
    return "";
}
