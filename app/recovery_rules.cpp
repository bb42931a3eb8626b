// When the changed texture is written aside for recovery, and the names and question that recovery uses.
#include "app/recovery_rules.h"

#include <cstdio>

const char AUTOSAVE_FILE_NAME[] = "pelterine-autosave.bmp";
const char RECOVERED_FILE_NAME[] = "pelterine-recovered.bmp";
const char LAYERED_AUTOSAVE_FILE_NAME[] = "pelterine-autosave.ora";

void resetAutosaveClock(AutosaveClock &clock, uint32_t changeCount)
{
    clock = AutosaveClock{};
    clock.seenCount = changeCount;
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
    if (nowMs - clock.pendingSince < AUTOSAVE_DELAY_MS)
        return AutosaveAction::none;
    if (clock.attempted && nowMs - clock.lastAttempt < AUTOSAVE_DELAY_MS)
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
