// Keeping the painting through a crash, a kill or a power cut: the crash writer, the autosave written from the
// frame loop's idle time, and the offer at start-up to load what either left behind.
#include "app/recovery.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/recovery_rules.h"
#include "app/settings_file.h"
#include "shell/files.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "picture/bmp.h"
#include "texture/skin_store.h"
#include "paint/stroke.h"
#include "skin/texture_files.h"
#include "viewport/model_paint.h"
#include "plugins/model_state.h"
#include "plugins/plugin_slot.h"

// Full paths in the working folder as it was at start-up, made before anything can crash: the crash writer
// must not build strings, and the choosers move the process into other folders.
static wchar_t autosavePath[MAX_PATH + 64];
static wchar_t recoveredPath[MAX_PATH + 64];
static wchar_t layeredAutosavePath[MAX_PATH + 64];
static wchar_t autosaveRecordPath[MAX_PATH + 64];
static std::string autosavePathUtf8;
static uint8_t textureHeader[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES];
static AutosaveClock autosaveClock;

static int64_t nowMillis()
{
    return static_cast<int64_t>(GetTickCount64());
}

static void writeAll(HANDLE file, const uint8_t *data, DWORD size)
{
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
}

// Runs in whatever state the crash left: no heap, no strings, no locks of the runtime. skinBase holds the
// painting in the byte order of the file, so the header and its rows (padded) are the whole file.
static LONG WINAPI writeRecoveredTexture(EXCEPTION_POINTERS *exception)
{
    if (textureChanged) {
        HANDLE file = CreateFileW(recoveredPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            encodeTextureHeader(skinHeader, textureHeader);
            writeAll(file, textureHeader, sizeof textureHeader);
            // Rows of a BMP file are padded to 4 bytes; skinBase's are not.
            static const uint8_t padding[3] = {0, 0, 0};
            const DWORD rowBytes = static_cast<DWORD>(skinWidth) * 3;
            for (int32_t row = 0; row < skinHeight; ++row) {
                writeAll(file, skinBase + static_cast<size_t>(row) * rowBytes, rowBytes);
                writeAll(file, padding, (4 - rowBytes % 4) % 4);
            }
            CloseHandle(file);
        }
    }
    UINT code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 1;
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

// 64-bit Windows 7 can swallow an exception thrown inside a window procedure called back from the system, and
// carry on in a broken state; ask it to let such an exception reach the handler. Later systems do so anyway.
static void letCallbackExceptionsThrough()
{
    typedef BOOL(WINAPI * GetPolicy)(LPDWORD);
    typedef BOOL(WINAPI * SetPolicy)(DWORD);
    const DWORD callbackFilterEnabled = 0x1;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    GetPolicy getPolicy = reinterpret_cast<GetPolicy>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    SetPolicy setPolicy = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    if (getPolicy && setPolicy && getPolicy(&flags))
        setPolicy(flags & ~callbackFilterEnabled);
}

static bool workingFolderPath(const char *name, wchar_t *path, size_t capacity)
{
    DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (path[length - 1] != L'\\')
        path[length++] = L'\\';
    for (const char *c = name; *c && length + 1 < capacity; ++c)
        path[length++] = static_cast<wchar_t>(*c);
    path[length] = 0;
    return true;
}

// The folder part of a path in the working folder, with its final backslash.
static std::wstring folderOf(const wchar_t *path)
{
    std::wstring p = path;
    size_t slash = p.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

// A kill in the middle of a safe write leaves its temporary file beside the target. Only one Pelterine runs in
// a working folder, so at start-up any such file is a leftover: the autosave's, or the settings' at a close.
static void removeInterruptedWrites()
{
    const std::wstring folder = folderOf(autosavePath);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = utf8Path(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            (isInterruptedWriteOf(name.c_str(), AUTOSAVE_FILE_NAME) ||
             isInterruptedWriteOf(name.c_str(), LAYERED_AUTOSAVE_FILE_NAME) ||
             isInterruptedWriteOf(name.c_str(), AUTOSAVE_RECORD_FILE_NAME) ||
             isInterruptedWriteOf(name.c_str(), SETTINGS_FILE_NAME)))
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void startRecovery()
{
    bool paths = workingFolderPath(AUTOSAVE_FILE_NAME, autosavePath, sizeof autosavePath / sizeof *autosavePath) &&
                 workingFolderPath(RECOVERED_FILE_NAME, recoveredPath, sizeof recoveredPath / sizeof *recoveredPath) &&
                 workingFolderPath(LAYERED_AUTOSAVE_FILE_NAME, layeredAutosavePath,
                                   sizeof layeredAutosavePath / sizeof *layeredAutosavePath) &&
                 workingFolderPath(AUTOSAVE_RECORD_FILE_NAME, autosaveRecordPath,
                                   sizeof autosaveRecordPath / sizeof *autosaveRecordPath);
    if (!paths) {
        // A working folder too long to name: keep bare names, which still land in it until a chooser moves.
        lstrcpyW(autosavePath, L"pelterine-autosave.bmp");
        lstrcpyW(recoveredPath, L"pelterine-recovered.bmp");
        lstrcpyW(layeredAutosavePath, L"pelterine-autosave.ora");
        lstrcpyW(autosaveRecordPath, L"pelterine-autosave.ini");
    }
    autosavePathUtf8 = utf8Path(autosavePath);
    removeInterruptedWrites();
    resetAutosaveClock(autosaveClock, textureChangeCount);
    letCallbackExceptionsThrough();
    SetUnhandledExceptionFilter(writeRecoveredTexture);
}

static bool lastWriteTime(const wchar_t *path, FILETIME &time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

// Renames the file to the first free pelterine-recovered-N.bmp (.ora for the layered autosave) beside it.
static void setAside(const wchar_t *path)
{
    std::wstring folder = folderOf(path);
    for (int n = 1; n < 100000; ++n) {
        std::string name = setAsideName(n, path == layeredAutosavePath);
        std::wstring target = folder + std::wstring(name.begin(), name.end());
        if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (MoveFileExW(path, target.c_str(), 0))
            return;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return;
    }
}

static std::string questionFor(const char *name, const FILETIME &written)
{
    FILETIME local;
    SYSTEMTIME t = {};
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &t))
        FileTimeToSystemTime(&written, &t);
    return recoveryQuestion(name, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}

// Kept as full paths: the choosers move the current folder, and the next start begins in the working folder.
static std::string fullPath(const std::string &path)
{
    return path.empty() ? path : utf8Path(wideFullPath(path.c_str()).c_str());
}

// What the autosave belongs to, written beside it at each autosave: the file Ctrl+S saves to, as it is on disk now,
// and the model and plugin it is painted on.
static void writeAutosaveRecord()
{
    AutosaveRecord record;
    record.texture = fullPath(currentTextureFilePath());
    FILETIME written;
    if (!record.texture.empty() && lastWriteTime(wideFullPath(record.texture.c_str()).c_str(), written))
        record.textureWritten = (uint64_t(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    record.model = modelState.modelReady ? fullPath(modelState.shownPath) : std::string();
    record.plugin = pluginSlot.name && pluginSlot.sk_load ? pluginSlot.name : "";
    const std::string text = encodeAutosaveRecord(record);
    writeFileSafely(utf8Path(autosaveRecordPath).c_str(), reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

static AutosaveRecord readAutosaveRecord()
{
    std::vector<uint8_t> text;
    if (readWholeFile(utf8Path(autosaveRecordPath).c_str(), text, 64 * 1024) != FileRead::read)
        return AutosaveRecord();
    return decodeAutosaveRecord(reinterpret_cast<const char *>(text.data()), text.size());
}

bool recoveryPending()
{
    FILETIME written;
    return lastWriteTime(autosavePath, written) || lastWriteTime(layeredAutosavePath, written) ||
           lastWriteTime(recoveredPath, written);
}

AutosaveRecord offerRecoveredTexture()
{
    // pelterine.ini has been read by now: its autosave interval, if it gives one.
    autosaveClock.delayMs = autosaveDelayFrom(preferences);
    FILETIME autosaved, recovered, layered;
    bool hasAutosave = lastWriteTime(autosavePath, autosaved);
    bool hasRecovered = lastWriteTime(recoveredPath, recovered);
    // Only one autosave is written at a time, the other removed; should a kill have left both, the newer counts.
    const wchar_t *autosaveFile = autosavePath;
    if (lastWriteTime(layeredAutosavePath, layered)) {
        if (hasAutosave && CompareFileTime(&autosaved, &layered) >= 0) {
            setAside(layeredAutosavePath);
        } else {
            if (hasAutosave)
                setAside(autosavePath);
            autosaveFile = layeredAutosavePath;
            autosaved = layered;
            hasAutosave = true;
        }
    }
    if (!hasAutosave && !hasRecovered)
        return AutosaveRecord();
    // Both are there after a crash that followed an autosave: the newer holds more of the painting, and the
    // older is set aside unasked rather than thrown away.
    bool offerRecovered = hasRecovered && (!hasAutosave || CompareFileTime(&recovered, &autosaved) >= 0);
    const wchar_t *path = offerRecovered ? recoveredPath : autosaveFile;
    if (hasAutosave && hasRecovered)
        setAside(offerRecovered ? autosaveFile : recoveredPath);

    const char *autosaveName = autosaveFile == autosavePath ? AUTOSAVE_FILE_NAME : LAYERED_AUTOSAVE_FILE_NAME;
    // The record speaks of the autosave; a crash writes none (its writer cannot build text), and the autosave a
    // newer crash file replaces takes its record with it.
    const AutosaveRecord record = offerRecovered ? AutosaveRecord() : readAutosaveRecord();
    if (offerRecovered)
        DeleteFileW(autosaveRecordPath);
    const std::string question = recoveryQuestion(questionFor(offerRecovered ? RECOVERED_FILE_NAME : autosaveName,
                                                              offerRecovered ? recovered : autosaved),
                                                  record);
    if (askUserOwnedBy(mainWindow, question.c_str(), "Pelterine", MB_YESNO | MB_ICONWARNING) == IDYES &&
        loadRecoveredTexture(utf8Path(path).c_str())) {
        // What was loaded becomes the autosave of the texture now shown, until a save or a "No" at close.
        if (!offerRecovered || MoveFileExW(recoveredPath, autosavePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            noteAutosaveCurrent(autosaveClock, nowMillis(), textureChangeCount);
        // Ctrl+S then saves to the file the painting was saved to before.
        if (savesTextureTo(record.texture))
            adoptTextureFile(record.texture.c_str(), record.textureWritten);
        return record;
    }
    setAside(path);
    DeleteFileW(autosaveRecordPath);
    return AutosaveRecord();
}

void autosaveIfDue()
{
    int64_t now = nowMillis();
    // Layers saved only as a flat picture are still kept by the autosave: the flat file does not hold them.
    switch (planAutosave(autosaveClock, now, textureChanged != 0 || layersUnsaved(), textureChangeCount,
                         stroke.active || modelStroke.active)) {
    case AutosaveAction::write: {
        // The record first: whenever an autosave is there, so is what it belongs to.
        writeAutosaveRecord();
        // A texture of several layers is kept as them all; the other autosave, if any, is then out of date.
        const bool layered = textureIsLayered();
        const bool written = layered ? saveTextureLayers(utf8Path(layeredAutosavePath).c_str()) != 0
                                     : saveTexture(autosavePathUtf8.c_str()) != 0;
        if (written)
            DeleteFileW(layered ? autosavePath : layeredAutosavePath);
        noteAutosaveWrite(autosaveClock, now, written);
        break;
    }
    case AutosaveAction::remove:
        removeAutosave();
        break;
    case AutosaveAction::none:
        break;
    }
}

void removeAutosave()
{
    DeleteFileW(autosavePath);
    DeleteFileW(layeredAutosavePath);
    DeleteFileW(autosaveRecordPath);
    noteAutosaveRemoved(autosaveClock);
}
