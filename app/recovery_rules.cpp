// When the changed texture is written aside for recovery, and the names and question that recovery uses.
#include "app/recovery_rules.h"

#include <cstdio>

#include "picture/picture.h"
#include "shell/path_text.h"

const char AUTOSAVE_FILE_NAME[] = "pelterine-autosave.bmp";
const char RECOVERED_FILE_NAME[] = "pelterine-recovered.bmp";
const char LAYERED_AUTOSAVE_FILE_NAME[] = "pelterine-autosave.ora";
const char AUTOSAVE_RECORD_FILE_NAME[] = "pelterine-autosave.ini";
const char AUTOSAVE_SECONDS_KEY[] = "recovery.autosave_seconds";

int64_t autosaveDelayFrom(const Preferences &preferences)
{
    int32_t seconds = 0;
    return preferenceInteger(preferences, AUTOSAVE_SECONDS_KEY, 1, 3600, seconds) ? int64_t{seconds} * 1000
                                                                                   : AUTOSAVE_DELAY_MS;
}

void resetAutosaveClock(AutosaveClock &clock, uint32_t changeCount)
{
    const int64_t delay = clock.delayMs;
    clock = AutosaveClock{};
    clock.seenCount = changeCount;
    clock.delayMs = delay;
}

AutosaveAction planAutosave(AutosaveClock &clock, int64_t nowMs, bool changed, uint32_t changeCount,
                            bool strokeActive)
{
    if (!changed) {
        // Saved, or replaced by a file: that file is the work now, and what the autosave held is not needed.
        clock.pending = false;
        clock.seenCount = changeCount;
        return clock.written ? AutosaveAction::remove : AutosaveAction::none;
    }
    if (changeCount != clock.seenCount) {
        if (!clock.pending) {
            clock.pending = true;
            clock.pendingSince = nowMs;
        }
        clock.seenCount = changeCount;
    }
    if (!clock.pending || strokeActive)
        return AutosaveAction::none;
    if (nowMs - clock.pendingSince < clock.delayMs)
        return AutosaveAction::none;
    if (clock.attempted && nowMs - clock.lastAttempt < clock.delayMs)
        return AutosaveAction::none;
    return AutosaveAction::write;
}

void noteAutosaveWrite(AutosaveClock &clock, int64_t nowMs, bool ok)
{
    clock.attempted = true;
    clock.lastAttempt = nowMs;
    if (ok) {
        clock.written = true;
        clock.pending = false;
    }
}

void noteAutosaveCurrent(AutosaveClock &clock, int64_t nowMs, uint32_t changeCount)
{
    clock.seenCount = changeCount;
    noteAutosaveWrite(clock, nowMs, true);
}

void noteAutosaveRemoved(AutosaveClock &clock)
{
    clock.written = false;
}

std::string setAsideName(int n, bool layered)
{
    char name[48];
    std::snprintf(name, sizeof name, "pelterine-recovered-%d.%s", n, layered ? "ora" : "bmp");
    return name;
}

std::string recoveryQuestion(const char *fileName, int year, int month, int day, int hour, int minute)
{
    char when[48];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return std::string("A texture that was not saved was recovered (") + fileName + ", " + when + "). Load it?";
}

static char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// How many characters of `text` match `prefix`, ignoring case; 0 unless all of prefix matched.
static size_t matchPrefix(const char *text, const char *prefix)
{
    size_t n = 0;
    for (; prefix[n]; ++n)
        if (lowerAscii(text[n]) != lowerAscii(prefix[n]))
            return 0;
    return n;
}

bool isInterruptedWriteOf(const char *fileName, const char *target)
{
    if (!fileName || !target || !target[0])
        return false;
    size_t at = matchPrefix(fileName, target);
    if (at == 0 || fileName[at] != '.')
        return false;
    size_t digits = 0;
    while (fileName[at + 1 + digits] >= '0' && fileName[at + 1 + digits] <= '9')
        ++digits;
    // A process id has at most 10 digits.
    if (digits == 0 || digits > 10)
        return false;
    const char *rest = fileName + at + 1 + digits;
    return matchPrefix(rest, ".tmp") == 4 && rest[4] == '\0';
}

static const char TEXTURE_KEY[] = "texture", TEXTURE_WRITTEN_KEY[] = "texture.written", MODEL_KEY[] = "model",
                  PLUGIN_KEY[] = "plugin";

std::string encodeAutosaveRecord(const AutosaveRecord &record)
{
    Preferences lines;
    lines[TEXTURE_KEY] = record.texture;
    lines[TEXTURE_WRITTEN_KEY] = std::to_string(record.textureWritten);
    lines[MODEL_KEY] = record.model;
    lines[PLUGIN_KEY] = record.plugin;
    return encodePreferences(lines);
}

// A value as UTF-8 text, or "" when it is missing, not UTF-8 or holds a NUL (no path does).
static std::string textOf(const Preferences &lines, const char *key)
{
    const auto found = lines.find(key);
    std::u16string wide;
    return found != lines.end() && found->second.find('\0') == std::string::npos &&
                   utf8ToUtf16(found->second.c_str(), wide)
               ? found->second
               : std::string();
}

// Decimal digits that fit 64 bits, or 0.
static uint64_t stampOf(const std::string &digits)
{
    uint64_t value = 0;
    for (char c : digits) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (c < '0' || c > '9' || value > (UINT64_MAX - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

AutosaveRecord decodeAutosaveRecord(const char *text, size_t size)
{
    const Preferences lines = decodePreferences(text, size);
    AutosaveRecord record;
    record.texture = textOf(lines, TEXTURE_KEY);
    record.textureWritten = stampOf(textOf(lines, TEXTURE_WRITTEN_KEY));
    record.model = textOf(lines, MODEL_KEY);
    record.plugin = textOf(lines, PLUGIN_KEY);
    return record;
}

bool savesTextureTo(const std::string &path)
{
    if (path.empty())
        return false;
    if (savedFormatOf(path.c_str()) != PictureFormat::Bmp)
        return true;
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && path.size() - dot == 4 && lowerAscii(path[dot + 1]) == 'b' &&
           lowerAscii(path[dot + 2]) == 'm' && lowerAscii(path[dot + 3]) == 'p';
}

// The name of a file without its folders.
static std::string fileNameOf(const std::string &path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string recoveryQuestion(const std::string &question, const AutosaveRecord &record)
{
    std::string what = fileNameOf(record.texture);
    if (!record.model.empty()) {
        what = (what.empty() ? "a new texture" : what) + ", painted on " + fileNameOf(record.model);
        if (!record.plugin.empty())
            what += " with " + record.plugin;
    }
    return what.empty() ? question : question + "\nIt is " + what + ".";
}
