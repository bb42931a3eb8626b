// Reading config.cfg and pelterine.ini at start-up and writing them at close.
#include "app/settings_file.h"

#include <windows.h>

#include <vector>

#include "app/settings.h"
#include "resources/resource.h"
#include "shell/files.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/window_helpers.h"
#include "paint/brush.h"

const char SETTINGS_FILE_NAME[] = "config.cfg";
const char PREFERENCES_FILE_NAME[] = "pelterine.ini";
Preferences preferences;
// The file is 78 bytes, and a longer one gives its first fields; only an absurd size is refused.
static const size_t MAX_SETTINGS_FILE_BYTES = 64u << 20;
// A person may edit pelterine.ini; whatever it holds, only its first keys are read.
static const size_t MAX_PREFERENCES_FILE_BYTES = 1u << 20;

// A missing or unreadable pelterine.ini starts from the defaults without a word: nothing in it is worth a
// message at start-up, and the next close writes it afresh.
static void readPreferences()
{
    preferences.clear();
    std::vector<uint8_t> bytes;
    if (fileExists(PREFERENCES_FILE_NAME) &&
        readWholeFile(PREFERENCES_FILE_NAME, bytes, MAX_PREFERENCES_FILE_BYTES) == FileRead::read)
        preferences = decodePreferences(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

void readSettings()
{
    readPreferences();
    if (!fileExists(SETTINGS_FILE_NAME))
        return;
    std::vector<uint8_t> bytes;
    if (readWholeFile(SETTINGS_FILE_NAME, bytes, MAX_SETTINGS_FILE_BYTES) != FileRead::read) {
        showMessage("Unable to open config.cfg", "Error loading configuration", MB_ICONERROR);
        return;
    }
    unsigned sizesRead = decodeSettings(bytes.data(), bytes.size());
    if (sizesRead & 1)
        SetDlgItemInt(mainWindow, IDC_PEN_SIZE, static_cast<UINT>(brushSettings.penSize), FALSE);
    if (sizesRead & 2)
        SetDlgItemInt(mainWindow, IDC_ERASER_SIZE, static_cast<UINT>(brushSettings.eraserSize), FALSE);
}

void writeSettings()
{
    std::array<uint8_t, SETTINGS_BYTES> bytes = encodeSettings();
    const bool settingsWritten = writeFileSafely(SETTINGS_FILE_NAME, bytes.data(), bytes.size());
    if (!settingsWritten)
        showMessage("Unable to open config.cfg", "Error writing configuration", MB_ICONERROR);
    if (preferences.empty())
        return;
    const std::string text = encodePreferences(preferences);
    // A folder that took neither file (read-only, full) is reported once, by the message above.
    if (!writeFileSafely(PREFERENCES_FILE_NAME, reinterpret_cast<const uint8_t *>(text.data()), text.size()) &&
        settingsWritten)
        showMessage("Unable to write pelterine.ini", "Error writing configuration", MB_ICONERROR);
}
