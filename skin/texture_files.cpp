// Loading the texture from a BMP, PNG, TGA or JPEG file and saving it as BMP, PNG or TGA, the commands that do
// it, and the question before work is lost.
#include "skin/texture_files.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "shell/choosers.h"
#include "shell/files.h"
#include "shell/message.h"
#include "skin/bmp.h"
#include "skin/history.h"
#include "skin/picture.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"

// The texture file last loaded or saved successfully, and its format: where Ctrl+S and "Yes" to the save
// question save. Empty after a load that must not be written back over its file: a JPEG, a scaled picture,
// or one whose transparency or 16-bit channels were lost on the way in.
static std::string currentTextureFile;
static PictureFormat currentTextureFormat = PictureFormat::Bmp;

static int saveTextureAs(const char *path, PictureFormat format)
{
    std::vector<uint8_t> file = encodeTextureAs(format, skinGL, skinHeader);
    if (file.empty())
        return 0;
    return writeFileSafely(path, file.data(), file.size()) ? 1 : 0;
}

int saveTexture(const char *path)
{
    return saveTextureAs(path, savedFormatOf(path));
}

// Asks before a picture of another size becomes the texture, and scales it on "Yes"; false on "No".
static bool fitPicture(Picture &picture, const char *path)
{
    if (picture.width == SKIN_SIDE && picture.height == SKIN_SIDE)
        return true;
    const std::string question = scaleQuestion(picture.width, picture.height, SKIN_SIDE, SKIN_SIDE);
    if (askUser(question.c_str(), path, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    Picture scaled;
    if (!scalePicture(picture, SKIN_SIDE, SKIN_SIDE, scaled))
        return false;
    picture = std::move(scaled);
    return true;
}

// Reads, checks and puts in a texture file as one undo step, refreshing the view and the GL texture; shows the
// refusal when the file is not acceptable. `exact` tells whether every texel is as the file stores it (not a
// JPEG, not scaled, nothing dropped), so that saving back in `format` loses nothing.
static bool replaceTextureFromFile(const char *path, bool &exact, PictureFormat &format)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file))
        return false;
    Picture picture;
    if (const char *refusal = decodeTextureFile(path, file.data(), file.size(), picture)) {
        showMessage(refusal, path, MB_ICONERROR);
        return false;
    }
    if (!fitPicture(picture, path))
        return false;
    // A load is one undo step: the painting it replaces can be brought back.
    finishStroke();
    beginHistoryStep();
    replaceTexture(picture.pixels.data());
    endHistoryStep();
    updateUndoButtons();
    refreshSkinView();
    repaintSkinView();
    rebuildMipmaps();
    exact = picture.exact;
    format = pictureFormatOf(path, file.data(), file.size());
    return true;
}

int loadTexture(const char *path)
{
    bool exact;
    PictureFormat format;
    if (!replaceTextureFromFile(path, exact, format))
        return 0;
    textureChanged = 0;
    if (exact) {
        currentTextureFile = path;
        currentTextureFormat = format;
    } else {
        currentTextureFile.clear();
    }
    return 1;
}

bool loadRecoveredTexture(const char *path)
{
    bool exact;
    PictureFormat format;
    if (!replaceTextureFromFile(path, exact, format))
        return false;
    markTextureChanged();
    return true;
}

// Saves, reports a failure with the specified message, and makes a saved file the current one. The texture is
// then unchanged, which is what tells recovery that its autosave is not needed any more.
static bool saveTextureReporting(const char *path, PictureFormat format)
{
    if (!saveTextureAs(path, format)) {
        showMessage("Unable to save texture", path, MB_ICONERROR);
        return false;
    }
    currentTextureFile = path;
    currentTextureFormat = format;
    textureChanged = 0;
    return true;
}

static bool saveTextureThroughChooser()
{
    char *path = chooseSavePath(PICTURE_SAVE_FILTERS, "bmp");
    if (!path)
        return false;
    bool saved = saveTextureReporting(path, savedFormatOf(path));
    std::free(path);
    return saved;
}

bool saveTextureCommand()
{
    finishStroke();
    return saveTextureThroughChooser();
}

bool saveTextureToCurrentFile()
{
    finishStroke();
    if (currentTextureFile.empty())
        return saveTextureThroughChooser();
    return saveTextureReporting(currentTextureFile.c_str(), currentTextureFormat);
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
    char *path = chooseOpenPathFrom(TEXTURE_OPEN_FILTERS);
    if (!path)
        return;
    loadTexture(path);
    std::free(path);
}
