// The "..." chooser's filter list for a model plugin: the plugin's own formats, checked, then "All files".
#pragma once
#include <cstddef>

// The most bytes of a plugin's list that are read, its closing NUL included; a longer list is refused.
enum : size_t { PLUGIN_FILTERS_MAX_BYTES = 2048 };
// Room for the longest list the chooser can get: the plugin's pairs, "All files (*.*)" and the closing NUL.
enum : size_t { MODEL_FILTERS_BYTES = PLUGIN_FILTERS_MAX_BYTES + 21 };

// Writes the chooser's list for the text a plugin's sk_filefilter returned: its "text\0pattern\0" pairs, then
// "All files (*.*)\0*.*\0" and the closing NUL, as the open chooser takes it. False, with out empty, when
// the text is null or no such list: it must end in a double NUL within PLUGIN_FILTERS_MAX_BYTES and hold an
// even number, at least two, of non-empty strings. Reads nothing beyond that bound.
bool composeModelFilters(const char *pluginFilters, char (&out)[MODEL_FILTERS_BYTES]);
// Why a plugin's list is not used, in words for its author ("an odd number of strings: ..."), or nullptr when
// composeModelFilters takes it. Reads nothing beyond PLUGIN_FILTERS_MAX_BYTES.
const char *filterListFault(const char *pluginFilters);
