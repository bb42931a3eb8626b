// Checking a plugin's filter list and adding "All files" to it.
#include "plugins/model_filters.h"

#include <cstring>

namespace {

const char ALL_FILES[] = "All files (*.*)\0*.*\0"; // with the literal's own NUL: the list's closing one
static_assert(sizeof ALL_FILES == MODEL_FILTERS_BYTES - PLUGIN_FILTERS_MAX_BYTES, "room for All files");

// The length of the list up to its closing NUL, or 0 when it is no list of pairs within the bound. The
// plugin's memory is read one byte at a time, never past the bound or the first double NUL.
size_t measureFilterList(const char *list)
{
    size_t at = 0;
    size_t strings = 0;
    while (at < PLUGIN_FILTERS_MAX_BYTES && list[at] != '\0') {
        while (at < PLUGIN_FILTERS_MAX_BYTES && list[at] != '\0')
            ++at;
        ++at;
        ++strings;
    }
    bool closed = at < PLUGIN_FILTERS_MAX_BYTES;
    return closed && strings > 0 && strings % 2 == 0 ? at : 0;
}

} // namespace

bool composeModelFilters(const char *pluginFilters, char (&out)[MODEL_FILTERS_BYTES])
{
    std::memset(out, 0, sizeof out);
    size_t length = pluginFilters != nullptr ? measureFilterList(pluginFilters) : 0;
    if (length == 0)
        return false;
    std::memcpy(out, pluginFilters, length);
    std::memcpy(out + length, ALL_FILES, sizeof ALL_FILES);
    return true;
}
