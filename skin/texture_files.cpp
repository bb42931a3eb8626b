// Loading and saving the texture as a BMP file, the commands that do it, and the question before work is lost.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/recovery.h"
#include "app/shell.h"
#include "skin/bmp.h"
#include "skin/history.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"

// The texture file last loaded or saved successfully: where Ctrl+S and "Yes" to the save question save.
static std::string currentTextureFile;

int saveTexture(const char *path)
{
    std::vector<uint8_t> file = encodeTexture(skinGL, skinHeader);
    return writeFileSafely(path, file.data(), file.size()) ? 1 : 0;
}

// Reads, checks and puts in a texture file as one undo step, refreshing the view and the GL texture; shows the
// refusal when the file is not acceptable.
static bool replaceTextureFromFile(const char *path)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file))
        return false;
    static uint8_t pixels[SKIN_BYTES];
    if (const char *refusal = parseTexture(file.data(), file.size(), pixels)) {
        showMessage(refusal, path, MB_ICONERROR);
        return false;
    }
    // A load is one undo step: the painting it replaces can be brought back.
    finishStroke();
    beginHistoryStep();
    replaceTexture(pixels);
    endHistoryStep();
    updateUndoButtons();
    refreshSkinView();
    repaintSkinView();
    rebuildMipmaps();
    return true;
}

int loadTexture(const char *path)
{
    if (!replaceTextureFromFile(path))
        return 0;
    textureChanged = 0;
    currentTextureFile = path;
    return 1;
}

bool loadRecoveredTexture(const char *path)
{
    if (!replaceTextureFromFile(path))
        return false;
    markTextureChanged();
    return true;
}

// Saves, reports a failure with the specified message, and makes a saved file the current one.
static bool saveTextureReporting(const char *path)
{
    if (!saveTexture(path)) {
        showMessage("Unable to save texture", path, MB_ICONERROR);
        return false;
    }
    currentTextureFile = path;
    textureChanged = 0;
    removeAutosave();
    return true;
}

static bool saveTextureThroughChooser()
{
    char *path = chooseSavePath();
    if (!path)
        return false;
    bool saved = saveTextureReporting(path);
    std::free(path);
    return saved;
}

void saveTextureCommand()
{
    finishStroke();
    saveTextureThroughChooser();
}

bool saveTextureToCurrentFile()
{
    finishStroke();
    return currentTextureFile.empty() ? saveTextureThroughChooser() : saveTextureReporting(currentTextureFile.c_str());
}

bool offerToSaveTexture()
{
    finishStroke();
    if (!textureChanged)
        return true;
    switch (askUser("Save the changes to the texture?", "Pelterine", MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
        return saveTextureToCurrentFile();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void loadTextureCommand()
{
    if (!offerToSaveTexture())
        return;
    char *path = chooseOpenPath("Image Bitmap (*.bmp)", "*.bmp");
    if (!path)
        return;
    loadTexture(path);
    std::free(path);
}
