// The "key=value" text of the preferences kept across starts.
#include "app/preferences.h"

namespace {

const size_t MAX_KEY_BYTES = 64, MAX_VALUE_BYTES = 2048, MAX_KEYS = 256;

bool isKeyCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool isValidKey(const std::string &key)
{
    if (key.empty() || key.size() > MAX_KEY_BYTES)
        return false;
    for (char c : key)
        if (!isKeyCharacter(c))
            return false;
    return true;
}

std::string trimmed(const char *begin, const char *end)
{
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
        --end;
    return std::string(begin, end);
}

}  // namespace

Preferences decodePreferences(const char *text, size_t size)
{
    Preferences preferences;
    const char *end = text + size;
    for (const char *line = text; line < end;) {
        const char *lineEnd = line;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        const char *equals = line;
        while (equals < lineEnd && *equals != '=')
            ++equals;
        const std::string key = trimmed(line, equals);
        if (equals < lineEnd && isValidKey(key) && key[0] != '#') {
            std::string value = trimmed(equals + 1, lineEnd);
            if (value.size() <= MAX_VALUE_BYTES && (preferences.size() < MAX_KEYS || preferences.count(key)))
                preferences[key] = value;
        }
        line = lineEnd < end ? lineEnd + 1 : end;
    }
    return preferences;
}

std::string encodePreferences(const Preferences &preferences)
{
    std::string text;
    for (const auto &entry : preferences) {
        const std::string &value = entry.second;
        if (!isValidKey(entry.first) || value.size() > MAX_VALUE_BYTES ||
            value.find_first_of("\r\n") != std::string::npos || trimmed(value.data(), value.data() + value.size()) != value)
            continue;
        text += entry.first + "=" + value + "\r\n";
    }
    return text;
}

bool preferenceInteger(const Preferences &preferences, const char *key, int32_t low, int32_t high, int32_t &value)
{
    const auto found = preferences.find(key);
    if (found == preferences.end())
        return false;
    const std::string &text = found->second;
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    if (i == text.size())
        return false;
    int64_t number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || number > 0x7FFFFFFF)
            return false;
        number = number * 10 + (text[i] - '0');
    }
    if (negative)
        number = -number;
    if (number < low || number > high)
        return false;
    value = static_cast<int32_t>(number);
    return true;
}

bool preferenceFlag(const Preferences &preferences, const char *key, bool &value)
{
    int32_t number = 0;
    if (!preferenceInteger(preferences, key, 0, 1, number))
        return false;
    value = number != 0;
    return true;
}
