// Watching the texture's and the model's files for other programs' changes, and reading them again.
#include "app/file_watch.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/reload_rules.h"
#include "paint/stroke.h"
#include "picture/bmp.h"
#include "picture/ora.h"
#include "plugins/model.h"
#include "plugins/model_state.h"
#include "plugins/plugin_guard.h"
#include "shell/frame_clock.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"
#include "skin/texture_files.h"
#include "texture/skin_store.h"
#include "viewport/model_paint.h"

namespace {

struct Watch {
    std::string path;          // UTF-8, as the program holds it; empty: nothing watched
    std::wstring fullPath;
    HANDLE folderChanges = INVALID_HANDLE_VALUE;
    WatchedFile file;
    int64_t lastLook = 0;   // milliseconds
};

// Some folders give no notification of a change (network shares, some other file systems): the file is
// looked at this often whatever they say.
const int64_t SLOW_LOOK_MILLIS = 2000;

Watch textureWatch;
Watch modelWatch;
uint32_t usesSeen;

FileStamp stampOf(const std::wstring &path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.exists = true;
    stamp.writeTime = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stamp;
}

// Follows the file the program holds now: a new one is watched as it is, through its folder's notifications of
// writes, sizes and names (a program that saves by writing a new file and renaming it over the old one).
void follow(Watch &watch, const std::string &path)
{
    if (watch.path == path)
        return;
    if (watch.folderChanges != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(watch.folderChanges);
    watch = Watch();
    watch.path = path;
    if (path.empty())
        return;
    watch.fullPath = wideFullPath(path.c_str());
    const size_t slash = watch.fullPath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : watch.fullPath.substr(0, slash + 1);
    watch.folderChanges = FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_FILE_NAME);
    knowFile(watch.file, stampOf(watch.fullPath));
}

// The file is looked at when its folder told of a change, and after that until it is what the program holds;
// without notifications, at every look; and now and then in any case.
ReloadStep look(Watch &watch)
{
    if (watch.path.empty())
        return ReloadStep::none;
    const int64_t now = nowMicros() / 1000;
    const bool pending = watch.file.seen != watch.file.known;
    bool told = watch.folderChanges == INVALID_HANDLE_VALUE || now - watch.lastLook >= SLOW_LOOK_MILLIS;
    if (!told && WaitForSingleObject(watch.folderChanges, 0) == WAIT_OBJECT_0) {
        told = true;
        FindNextChangeNotification(watch.folderChanges);
    }
    if (!told && !pending)
        return ReloadStep::none;
    watch.lastLook = now;
    return lookAtFile(watch.file, stampOf(watch.fullPath), now);
}

// A writer that still holds the file shuts others out (a sharing violation): the read waits for the next look.
bool writerDone(const Watch &watch)
{
    HANDLE file = CreateFileW(watch.fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_LOCK_VIOLATION;
    CloseHandle(file);
    return true;
}

void reloadTextureFile()
{
    const FileStamp stamp = textureWatch.file.seen;
    if (!writerDone(textureWatch))
        return;
    if (textureChanged) {
        const std::string question = textureWatch.path + " changed on disk. Load it and lose your changes?";
        if (askUserOwnedBy(mainWindow, question.c_str(), "Pelterine", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            knowFile(textureWatch.file, stamp);   // No: not asked again until the file changes again
            return;
        }
    }
    // What is read is what the program then holds: the file may have changed again while the question was open.
    const FileStamp reading = stampOf(textureWatch.fullPath);
    std::vector<uint8_t> bytes;
    const bool layered = savedFormatOf(textureWatch.path.c_str()) == PictureFormat::Ora;
    const size_t limit = layered ? size_t(ORA_MAX_FILE_BYTES) : size_t(MAX_PICTURE_FILE_BYTES);
    const FileRead read = readWholeFile(textureWatch.path.c_str(), bytes, limit);
    if (read == FileRead::unreadable)
        return;   // gone again, or shut: the next look decides
    knowFile(textureWatch.file, reading);
    if (read == FileRead::tooLarge)
        showMessage(MSG_PICTURE_TOO_LARGE, textureWatch.path.c_str(), MB_ICONERROR);
    else
        reloadTexture(textureWatch.path.c_str(), bytes);
}

void reloadModelFile()
{
    if (!writerDone(modelWatch))
        return;
    knowFile(modelWatch.file, modelWatch.file.seen);
    // By its full path: a chooser may have moved the working folder since a relative name was typed.
    const std::string path = utf8Path(modelWatch.fullPath.c_str());
    reloadModel(path.c_str());
}

// Nothing is read in the middle of a stroke or of a plugin's call; the next look comes soon enough.
bool busy()
{
    return stroke.active || modelStroke.active || pluginCallUnderway() || !IsWindowEnabled(mainWindow);
}

} // namespace

void watchOpenFiles()
{
    follow(textureWatch, textureFilePath());
    follow(modelWatch, modelState.modelReady ? modelState.shownPath : std::string());
    if (textureFileUses() != usesSeen) {
        usesSeen = textureFileUses();
        knowFile(textureWatch.file, stampOf(textureWatch.fullPath));   // the program's own load or save
    }
    if (busy())
        return;
    if (look(textureWatch) == ReloadStep::read) {
        finishStroke();
        reloadTextureFile();
    }
    if (look(modelWatch) == ReloadStep::read)
        reloadModelFile();
}
