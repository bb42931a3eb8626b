// When the changed texture is written aside for recovery, and the names and question that recovery uses.
#pragma once
#include <cstdint>
#include <string>

#include "app/preferences.h"

// A minute: the autosave is at most this old when the program dies, and is not rewritten more often.
enum : int64_t { AUTOSAVE_DELAY_MS = 60000 };

// "recovery.autosave_seconds": the key of pelterine.ini that sets another interval, 1 to 3600 seconds.
extern const char AUTOSAVE_SECONDS_KEY[];
// The interval pelterine.ini asks for, in milliseconds; AUTOSAVE_DELAY_MS when it gives none that is usable.
int64_t autosaveDelayFrom(const Preferences &preferences);

// What the autosave timer knows between two looks at the texture.
struct AutosaveClock {
    bool pending;             // the texture holds changes the autosave file lacks
    int64_t pendingSince;     // when the first of those changes was seen
    uint32_t seenCount;       // textureChangeCount at the last look
    bool written;             // an autosave file of this run is on disk
    bool attempted;           // a write was tried (successful or not) ...
    int64_t lastAttempt;      // ... at this time
    int64_t delayMs = AUTOSAVE_DELAY_MS; // the interval, which a reset keeps
};

enum class AutosaveAction { none, write, remove };

// Forgets everything but the interval: no changes seen, no file written. changeCount is the texture's count now.
void resetAutosaveClock(AutosaveClock &clock, uint32_t changeCount);

// One look at the texture at time nowMs (milliseconds, any origin that only grows). The autosave is written
// once the oldest change it lacks is the clock's interval old and the last attempt is as old, never while a
// stroke is under way; once the texture is no longer changed (saved, or replaced by a file), a file written
// earlier is removed.
AutosaveAction planAutosave(AutosaveClock &clock, int64_t nowMs, bool changed, uint32_t changeCount,
                            bool strokeActive);

// Records the outcome of the write that planAutosave asked for.
void noteAutosaveWrite(AutosaveClock &clock, int64_t nowMs, bool ok);

// Records that the autosave file now holds the texture as it is (a recovered file became it), or is gone.
void noteAutosaveCurrent(AutosaveClock &clock, int64_t nowMs, uint32_t changeCount);
void noteAutosaveRemoved(AutosaveClock &clock);

// The files recovery leaves in the working folder.
extern const char AUTOSAVE_FILE_NAME[];    // "pelterine-autosave.bmp": the changed texture, once a minute
extern const char RECOVERED_FILE_NAME[];   // "pelterine-recovered.bmp": the changed texture at a crash
// "pelterine-autosave.ora": the autosave of a texture of several layers, which keeps them all.
extern const char LAYERED_AUTOSAVE_FILE_NAME[];

// "pelterine-recovered-N.bmp" (".ora" for a layered file): where a recovered file the user declined is set aside.
std::string setAsideName(int n, bool layered = false);

// Whether a file in the working folder is the temporary file of a write of `target` that a kill interrupted: a
// safe write goes to "<target>.<process id>.tmp" and renames it over the target only once it is complete. The
// name must match exactly (any letter case, as the file system compares names), digits and all.
bool isInterruptedWriteOf(const char *fileName, const char *target);

// The question at start-up, the file's last write given in local time.
std::string recoveryQuestion(const char *fileName, int year, int month, int day, int hour, int minute);

// What an autosave belongs to, kept beside it in AUTOSAVE_RECORD_FILE_NAME as "key=value" lines: the file Ctrl+S
// saved the texture to (a full path; empty when it had none) with that file's last write time then (FILETIME
// ticks, 0 when unknown), the model's full path and the plugin's file name.
struct AutosaveRecord {
    std::string texture;
    uint64_t textureWritten = 0;
    std::string model;
    std::string plugin;
};
extern const char AUTOSAVE_RECORD_FILE_NAME[]; // "pelterine-autosave.ini"

std::string encodeAutosaveRecord(const AutosaveRecord &record);
// Whatever the text holds: a missing, overlong or malformed line, or a value that is not UTF-8, leaves its field
// empty (0 for the write time), so a damaged record never names a file it did not mean.
AutosaveRecord decodeAutosaveRecord(const char *text, size_t size);

// Whether Ctrl+S may take the record's texture file as its own: a name it writes a picture under (.bmp, .png,
// .tga, .pcx, .ora), so that a damaged or foreign record can never have it write over a file of another kind.
bool savesTextureTo(const std::string &path);

// The question for an autosave with its record: the question above, then what the painting belongs to, by file
// names ("It is skin.pcx, painted on tris.md2 with md2.dll."); the texture's name alone when the model is unknown,
// "a new texture" when it had no file, nothing more when the record names nothing.
std::string recoveryQuestion(const std::string &question, const AutosaveRecord &record);
