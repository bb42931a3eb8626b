// When a file another program changes is read again: once it has stopped changing, never for the program's own
// writes, and not again after the user declined it until it changes once more.
#pragma once
#include <cstdint>

// A file as the folder shows it: its last write time and size, or that it is missing.
struct FileStamp {
    bool exists = false;
    uint64_t writeTime = 0;
    uint64_t size = 0;
};

bool operator==(const FileStamp &a, const FileStamp &b);
inline bool operator!=(const FileStamp &a, const FileStamp &b)
{
    return !(a == b);
}

// A file is read once its stamp has stayed the same this long: a program writing it in several pieces is done.
enum : int64_t { FILE_STABLE_MILLIS = 300 };

struct WatchedFile {
    FileStamp known;      // what the program holds: the file as it loaded, saved or declined it
    FileStamp seen;       // the stamp last looked at
    int64_t seenSince = 0; // when `seen` was first seen, in milliseconds
};

// Starts watching a file the program holds as it is now.
void knowFile(WatchedFile &file, const FileStamp &now);

enum class ReloadStep { none, wait, read };

// One look at the file: `read` when it differs from what the program holds and has been the same for
// FILE_STABLE_MILLIS; `wait` while it is still changing; `none` when it is what the program holds, or missing (a
// file replaced by delete and write is read when it is back). A read that fails (the writer still holds it) is
// asked again at the next look: the step stays `read` until knowFile.
ReloadStep lookAtFile(WatchedFile &file, const FileStamp &now, int64_t nowMillis);
