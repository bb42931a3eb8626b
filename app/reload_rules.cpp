// The rules of reading a watched file again.
#include "app/reload_rules.h"

bool operator==(const FileStamp &a, const FileStamp &b)
{
    return a.exists == b.exists && (!a.exists || (a.writeTime == b.writeTime && a.size == b.size));
}

void knowFile(WatchedFile &file, const FileStamp &now)
{
    file.known = now;
    file.seen = now;
    file.seenSince = 0;
}

ReloadStep lookAtFile(WatchedFile &file, const FileStamp &now, int64_t nowMillis)
{
    if (!now.exists || now == file.known) {
        file.seen = now;
        return ReloadStep::none;
    }
    if (now != file.seen) {
        file.seen = now;
        file.seenSince = nowMillis;
        return ReloadStep::wait;
    }
    return nowMillis - file.seenSince >= FILE_STABLE_MILLIS ? ReloadStep::read : ReloadStep::wait;
}
