// Checking a plugin's filter list and adding "All files" to it.
#include "plugins/model_filters.h"

#include <cstring>

namespace {

const char ALL_FILES[] = "All files (*.*)\0*.*\0"; // with the literal's own NUL: the list's closing one
static_assert(sizeof ALL_FILES == MODEL_FILTERS_BYTES - PLUGIN_FILTERS_MAX_BYTES, "room for All files");

// The length of the list up to its closing NUL, or 0 when it is no list of pairs within the bound, and why. The
// plugin's memory is read one byte at a time, never past the bound or the first double NUL.
size_t measureFilterList(const char *list, const char *&fault)
{
    size_t at = 0;
    size_t strings = 0;
    while (at < PLUGIN_FILTERS_MAX_BYTES && list[at] != '\0') {
        while (at < PLUGIN_FILTERS_MAX_BYTES && list[at] != '\0')
            ++at;
        ++at;
        ++strings;
    }
    if (at >= PLUGIN_FILTERS_MAX_BYTES)
        fault = "it does not end with an empty string (two NULs) within 2048 bytes";
    else if (strings == 0)
        fault = "it holds no display text and pattern";
    else if (strings % 2 != 0)
        fault = "an odd number of strings: each display text needs its pattern after it";
    else
        return at;
    return 0;
}

} // namespace

bool composeModelFilters(const char *pluginFilters, char (&out)[MODEL_FILTERS_BYTES])
{
    std::memset(out, 0, sizeof out);
    const char *fault = nullptr;
    size_t length = pluginFilters != nullptr ? measureFilterList(pluginFilters, fault) : 0;
    if (length == 0)
        return false;
    std::memcpy(out, pluginFilters, length);
    std::memcpy(out + length, ALL_FILES, sizeof ALL_FILES);
    return true;
}

const char *filterListFault(const char *pluginFilters)
{
    if (pluginFilters == nullptr)
        return "the list is null";
    const char *fault = nullptr;
    measureFilterList(pluginFilters, fault);
    return fault;
}
