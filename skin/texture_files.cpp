// Loading the texture from a picture file at its own size and saving it, the commands that do it, "New Texture...",
// and the question before work is lost.
#include "skin/texture_files.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "shell/choosers.h"
#include "shell/files.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/window_helpers.h"
#include "picture/bmp.h"
#include "picture/ora.h"
#include "texture/history.h"
#include "skin/new_texture_dialog.h"
#include "picture/picture.h"
#include "texture/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/skin_view.h"
#include "paint/paint_options.h"
#include "texture/layers.h"

// The texture file last loaded or saved successfully, and its format: where Ctrl+S and "Yes" to the save
// question save. Empty after a load that must not be written back over its file: a JPEG, a scaled picture,
// or one whose transparency or 16-bit channels were lost on the way in.
static std::string currentTextureFile;

static PictureFormat currentTextureFormat = PictureFormat::Bmp;

// For a texture with no file of its own that came with a model (a picture held in the model file): the path the
// save chooser proposes. Empty otherwise.
static std::string proposedTextureFile;

// The palette of the 8-bit PCX the texture was last loaded from. A PCX save maps the texels onto it, so those the
// user did not paint come back exactly and the file keeps the colours it was drawn with. Not kept after loading
// any other file or making a new texture: a palette is then built from the texture.
static bool texturePaletteKept;
static PcxPalette texturePalette;

static void keepTexturePalette(const TextureOrigin &origin)
{
    texturePaletteKept = origin.paletted;
    texturePalette = origin.palette;
}

static int saveTextureAs(const char *path, PictureFormat format)
{
    std::vector<uint8_t> file =
        encodeTextureAs(format, skinGL, skinHeader, texturePaletteKept ? &texturePalette : nullptr);
    if (file.empty())
        return 0;
    return writeFileSafely(path, file.data(), file.size()) ? 1 : 0;
}

int saveTexture(const char *path)
{
    return saveTextureAs(path, savedFormatOf(path));
}

// A picture becomes the texture at its own size when each side is from 8 to 2048; otherwise the user is asked
// before it is scaled to the nearest size of the same aspect that fits, and it is scaled on "Yes"; false on "No".
static bool fitPicture(Picture &picture, const char *path)
{
    int32_t width, height;
    if (!fitTextureSize(picture.width, picture.height, width, height))
        return true;
    const std::string question = scaleQuestion(picture.width, picture.height, width, height);
    if (askUserOwnedBy(mainWindow, question.c_str(), path, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    Picture scaled;
    if (!scalePicture(picture, width, height, scaled))
        return false;
    picture = std::move(scaled);
    return true;
}

// An OpenRaster file's layers, composed into the one picture the texture holds (asking first when the canvas must
// be scaled), with the warnings a user must hear: modes shown as Normal, and layers merged. The origin says
// whether saving back loses nothing: one plain opaque layer, not scaled. False after showing the refusal, or on
// "No" to the scale question.
static bool decodeLayeredFile(const char *path, const std::vector<uint8_t> &file, Picture &picture,
                              TextureOrigin &origin)
{
    OraStack stack;
    if (const char *refusal = readOraStack(file.data(), file.size(), stack)) {
        showMessage(refusal, path, MB_ICONERROR);
        return false;
    }
    int32_t width = stack.width, height = stack.height;
    const bool scaled = fitTextureSize(stack.width, stack.height, width, height);
    if (scaled) {
        const std::string question = scaleQuestion(stack.width, stack.height, width, height);
        if (askUserOwnedBy(mainWindow, question.c_str(), path, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    LayerStack layers;
    OraImage image;
    if (const char *refusal = decodeOraLayers(file.data(), file.size(), stack, width, height, image)) {
        showMessage(refusal, path, MB_ICONERROR);
        return false;
    }
    layers.width = width;
    layers.height = height;
    for (OraLayer &layer : image.layers)
        layers.layers.push_back(Layer{layer.name, layer.visible, layer.opacity, layer.mode, std::move(layer.pixels)});
    picture = Picture();
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(size_t(width) * size_t(height) * 3);
    composeLayersPlain(layers, SkinRect{0, 0, width - 1, height - 1}, picture.pixels.data());
    const Layer &bottom = layers.layers[0];
    bool plain = layers.layers.size() == 1 && bottom.visible && bottom.opacity == 100 &&
                 bottom.mode == BlendMode::Normal;
    for (size_t t = 3; plain && t < bottom.pixels.size(); t += 4)
        plain = bottom.pixels[t] == 255;
    picture.exact = plain && !scaled;
    origin = TextureOrigin();
    origin.format = PictureFormat::Ora;
    origin.writesBack = picture.exact;
    const std::string warning = unknownModesWarning(stack.unknownModes);
    if (!warning.empty())
        showMessage(warning.c_str(), path, MB_ICONWARNING);
    if (layers.layers.size() > 1)
        showMessage(("The " + std::to_string(layers.layers.size()) +
                     " layers of this picture were merged into one texture. Saving it over the file would lose "
                     "them, so Ctrl+S asks where to save.")
                        .c_str(),
                    path, MB_ICONWARNING);
    return true;
}

// Checks and puts in a picture file's bytes as one undo step, refreshing the view and the GL texture; shows the
// refusal, with the path as caption, when the file is not acceptable. The origin tells whether saving back in its
// format loses nothing (not a JPEG, not scaled, nothing dropped, not a 24-bit PCX) and holds an 8-bit PCX's
// palette.
static bool replaceTextureFromBytes(const char *path, const std::vector<uint8_t> &file, TextureOrigin &origin)
{
    Picture picture;
    if (pictureFormatOf(path, file.data(), file.size()) == PictureFormat::Ora) {
        if (!decodeLayeredFile(path, file, picture, origin))
            return false;
    } else {
        if (const char *refusal = decodeTextureFile(path, file.data(), file.size(), picture, origin)) {
            showMessage(refusal, path, MB_ICONERROR);
            return false;
        }
        if (!fitPicture(picture, path))
            return false;
    }
    // A load is one undo step: the painting it replaces can be brought back.
    finishStroke();
    beginHistoryStep();
    const bool resized = picture.width != skinWidth || picture.height != skinHeight;
    if (!replaceTexture(picture.width, picture.height, picture.pixels.data())) {
        endHistoryStep();
        showMessage(MSG_PICTURE_TOO_LARGE, path, MB_ICONERROR);
        return false;
    }
    endHistoryStep();
    updateUndoButtons();
    if (resized) {
        showResizedTexture();
    } else {
        composeSkinShown(paintOptions.showGrid);
        fitSkinView();
        rebuildMipmaps();
    }
    origin.writesBack = origin.writesBack && picture.exact; // a scaled picture is exact no more
    return true;
}

static bool replaceTextureFromFile(const char *path, TextureOrigin &origin)
{
    std::vector<uint8_t> file;
    const bool layered = savedFormatOf(path) == PictureFormat::Ora;
    const FileRead read = readWholeFile(path, file, layered ? size_t(ORA_MAX_FILE_BYTES) : size_t(MAX_PICTURE_FILE_BYTES));
    if (read == FileRead::tooLarge)
        showMessage(MSG_PICTURE_TOO_LARGE, path, MB_ICONERROR);
    return read == FileRead::read && replaceTextureFromBytes(path, file, origin);
}

int loadTexture(const char *path)
{
    TextureOrigin origin;
    if (!replaceTextureFromFile(path, origin))
        return 0;
    textureChanged = 0;
    keepTexturePalette(origin);
    proposedTextureFile.clear();
    if (origin.writesBack) {
        currentTextureFile = path;
        currentTextureFormat = origin.format;
    } else {
        currentTextureFile.clear();
    }
    return 1;
}

int loadTextureFromBytes(const char *savePath, const std::vector<uint8_t> &bytes)
{
    TextureOrigin origin;
    if (bytes.size() > MAX_PICTURE_FILE_BYTES) {
        showMessage(MSG_PICTURE_TOO_LARGE, savePath, MB_ICONERROR);
        return 0;
    }
    if (!replaceTextureFromBytes(savePath, bytes, origin))
        return 0;
    textureChanged = 0;
    keepTexturePalette(origin);
    currentTextureFile.clear();
    proposedTextureFile = savePath;
    return 1;
}

const std::string &textureFilePath()
{
    return currentTextureFile;
}

bool loadRecoveredTexture(const char *path)
{
    TextureOrigin origin;
    if (!replaceTextureFromFile(path, origin))
        return false;
    keepTexturePalette(origin);
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
    proposedTextureFile.clear();
    textureChanged = 0;
    return true;
}

static bool saveTextureThroughChooser()
{
    char *path = chooseSavePathFrom(PICTURE_SAVE_FILTERS, "bmp", proposedTextureFile.c_str());
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
    // Owned by the main window: while it is open no click can paint on or load over the texture it asks about.
    switch (askUserOwnedBy(mainWindow, "Save the changes to the texture?", "Pelterine",
                           MB_YESNOCANCEL | MB_ICONWARNING)) {
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

void newTextureCommand()
{
    int32_t width, height;
    if (!askNewTextureSize(width, height) || !offerToSaveTexture())
        return;
    finishStroke();
    beginHistoryStep();
    if (!resizeSkinStore(width, height)) {
        endHistoryStep();
        showMessage(MSG_PICTURE_TOO_LARGE, "New Texture", MB_ICONERROR);
        return;
    }
    endHistoryStep();
    updateUndoButtons();
    showResizedTexture();
    // A new texture has no file yet: Ctrl+S asks where to save it, and there is nothing to lose until it is painted.
    currentTextureFile.clear();
    proposedTextureFile.clear();
    keepTexturePalette(TextureOrigin());
    textureChanged = 0;
}
