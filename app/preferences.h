// What Pelterine keeps across starts beside config.cfg (whose 78-byte layout stays as it is): a small text
// file of "key=value" lines that a person can read and edit, where an unknown or malformed line is skipped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

typedef std::map<std::string, std::string> Preferences;

// A key is 1 to 64 letters, digits, '_' or '.'; a value is what follows the first '=' on its line, trimmed, at
// most 2048 bytes; at most 256 keys are read. Lines starting with '#' or ';' and blank lines are skipped; of a
// key given twice the last one counts.
Preferences decodePreferences(const char *text, size_t size);

// One "key=value" line a key, in key order, with Windows line ends. Keys or values that could not be read back
// as they are (a line end in a value, a key of other characters) are left out.
std::string encodePreferences(const Preferences &preferences);

// The value of key as a whole number within [low, high]; false (value unchanged) when it is missing, not a
// whole number, or out of that range.
bool preferenceInteger(const Preferences &preferences, const char *key, int32_t low, int32_t high, int32_t &value);

// The value of key as "0" or "1"; false (value unchanged) otherwise.
bool preferenceFlag(const Preferences &preferences, const char *key, bool &value);
