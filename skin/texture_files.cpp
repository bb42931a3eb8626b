// Loading the texture from a picture file at its own size and saving it, the commands that do it, "New Texture...",
// and the question before work is lost.
#include "skin/texture_files.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "shell/choosers.h"
#include "shell/files.h"
#include "shell/message.h"
#include "shell/whole_file.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "picture/bmp.h"
#include "picture/ora.h"
#include "texture/history.h"
#include "skin/new_texture_dialog.h"
#include "picture/picture.h"
#include "texture/skin_store.h"
#include "skin/skin_texture.h"
#include "skin/skin_view.h"
#include "skin/colour_panel_view.h"
#include "paint/paint_options.h"
#include "texture/active_layer.h"
#include "texture/layer_files.h"
#include "texture/layers.h"

static const char MSG_NO_MEMORY_TO_SCALE[] = "Not enough memory to scale the picture";
static const char MSG_JPEG_LOSES_DETAIL[] =
    "Saving as JPEG loses some detail each time. Save over the JPEG file?\nNo saves as another file.";

// The texture file last loaded or saved successfully, and its format: where Ctrl+S and "Yes" to the save
// question save. Empty after a load that must not be written back over its file: a scaled picture, or one whose
// transparency or 16-bit channels were lost on the way in.
static std::string currentTextureFile;

static PictureFormat currentTextureFormat = PictureFormat::Bmp;

// For a texture with no file of its own that came with a model (a picture held in the model file): the path the
// save chooser proposes. Empty otherwise.
static std::string proposedTextureFile;

// The file the texture came from or was last saved to, whatever its format: the one watched for changes other
// programs make. Empty for a new texture, a recovered one and one a model file held.
static std::string textureFile;
static uint32_t textureFileUseCount;

// Ctrl+S writes the texture back in its file's depth: a palette BMP stays 8-bit.
static bool currentTextureEightBit;

// The JPEG file the user agreed to write over with lost detail; asked again for any other.
static std::string jpegAgreedFile;

// The palette of the 8-bit PCX or palette BMP the texture was last loaded from (red, green, blue per colour):
// offered as swatches, and kept in its places by every save in 256 colours, so the texels the user did not paint
// come back exactly and the file keeps the colours it was drawn with. Empty after loading any other file or
// making a new texture.
static std::vector<uint8_t> texturePalette;

static void keepTexturePalette(const TextureOrigin &origin)
{
    texturePalette = origin.swatches;
    offerTextureSwatches(texturePalette);
}

// textureChangeCount when the layers were last loaded from or saved to an OpenRaster file: while it differs, a
// stack of more than one plain layer is held in no file, whatever flat picture was saved since.
static uint32_t layersSavedAt;

bool layersUnsaved()
{
    // Asked every frame by the autosave: a one-layer stack is scanned once per change, not once per frame.
    static uint32_t askedAt = UINT32_MAX, askedSavedAt = UINT32_MAX;
    static bool unsaved;
    if (askedAt != textureChangeCount || askedSavedAt != layersSavedAt) {
        paintLayer();
        askedAt = textureChangeCount;
        askedSavedAt = layersSavedAt;
        unsaved = layersSavedAt != textureChangeCount && !isFlatStack(layerStack);
    }
    return unsaved;
}

// Long saves and loads of many large layers show the wait cursor until they are done, and a progress bar over
// the main window once one has taken longer than a second.
static ULONGLONG waitStart;
static HWND progressBar;

static void showLayerProgress(size_t done, size_t total)
{
    if (progressBar == nullptr) {
        if (GetTickCount64() - waitStart < 1000 || done >= total)
            return;
        RECT frame = {};
        GetWindowRect(mainWindow, &frame);
        const int width = MulDiv(320, windowDpi(mainWindow), 96), height = MulDiv(22, windowDpi(mainWindow), 96);
        progressBar = CreateWindowExW(WS_EX_TOOLWINDOW, PROGRESS_CLASSW, L"", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                      (frame.left + frame.right - width) / 2, (frame.top + frame.bottom - height) / 2,
                                      width, height, mainWindow, nullptr, appInstance, nullptr);
        if (progressBar == nullptr)
            return;
        SendMessageW(progressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
    }
    SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    UpdateWindow(progressBar);
}

struct WaitCursor {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    WaitCursor() { waitStart = GetTickCount64(); }
    ~WaitCursor()
    {
        if (progressBar != nullptr)
            DestroyWindow(progressBar);
        progressBar = nullptr;
        SetCursor(previous);
    }
};

enum class SaveOutcome { saved, reduced, declined, failed };

static SaveOutcome writeTextureFile(const char *path, const std::vector<uint8_t> &file, SaveOutcome outcome)
{
    return !file.empty() && writeFileSafely(path, file.data(), file.size()) ? outcome : SaveOutcome::failed;
}

// Writes the texture: the layers for OpenRaster, the composite otherwise; in 256 colours for a PCX and, with
// eightBit, for a BMP. A painting of more colours than that is reduced (`reduced`) only after the user agrees
// (`declined` on No); with ask false (the autosave) it is reduced unasked.
static SaveOutcome saveTextureAs(const char *path, PictureFormat format, bool eightBit, bool ask)
{
    paintLayer();
    if (format == PictureFormat::Pcx || (format == PictureFormat::Bmp && eightBit)) {
        Picture picture;
        picture.width = skinWidth;
        picture.height = skinHeight;
        picture.pixels = swappedRedAndBlue(skinGL, skinByteCount());
        const SavePalette chosen = chooseSavePalette(picture, texturePalette);
        SaveOutcome outcome = SaveOutcome::saved;
        if (!chosen.exact) {
            const std::string question =
                reduceColoursQuestion(chosen.colours, format == PictureFormat::Pcx ? "PCX" : "8-bit BMP");
            if (ask && askUserOwnedBy(mainWindow, question.c_str(), "Pelterine", MB_YESNO | MB_ICONQUESTION) != IDYES)
                return SaveOutcome::declined;
            outcome = SaveOutcome::reduced;
        }
        WaitCursor wait;
        return writeTextureFile(path, encodePaletted(format, picture, chosen.palette), outcome);
    }
    WaitCursor wait;
    return writeTextureFile(path,
                            format == PictureFormat::Ora ? encodeLayerStack(layerStack, skinBase, showLayerProgress)
                                                         : encodeTextureAs(format, skinGL, skinHeader),
                            SaveOutcome::saved);
}

static int savedOrReduced(SaveOutcome outcome)
{
    return outcome == SaveOutcome::saved || outcome == SaveOutcome::reduced ? 1 : 0;
}

int saveTexture(const char *path)
{
    return savedOrReduced(saveTextureAs(path, savedFormatOf(path), false, false));
}

int saveTextureLayers(const char *path)
{
    return savedOrReduced(saveTextureAs(path, PictureFormat::Ora, false, false));
}

bool textureIsLayered()
{
    paintLayer();
    return !isFlatStack(layerStack);
}

// A picture becomes the texture at its own size when each side is from 8 to 2048; otherwise the user is asked
// before it is scaled to the nearest size of the same aspect that fits, and it is scaled on "Yes"; false on "No"
// and, after saying so, when the scale fails. scaled tells whether it was.
static bool fitPicture(Picture &picture, const char *path, bool &scaled)
{
    int32_t width, height;
    scaled = false;
    if (!fitTextureSize(picture.width, picture.height, width, height))
        return true;
    const std::string question = scaleQuestion(picture.width, picture.height, width, height);
    if (askUserOwnedBy(mainWindow, question.c_str(), path, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    Picture result;
    bool done = false;
    try {
        done = scalePicture(picture, width, height, result);
    } catch (const std::bad_alloc &) {
    }
    if (!done) {
        showMessage(MSG_NO_MEMORY_TO_SCALE, path, MB_ICONERROR);
        return false;
    }
    picture = std::move(result);
    scaled = true;
    return true;
}

// An OpenRaster file's layers as the texture's stack (asking first when the canvas must be scaled), with the
// warning a user must hear: modes shown as Normal. The origin says whether saving back loses nothing: not
// scaled. False after showing the refusal, or on "No" to the scale question.
static bool decodeLayeredFile(const char *path, const std::vector<uint8_t> &file, LayerStack &layers,
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
    OraImage image;
    WaitCursor wait;
    if (const char *refusal = decodeOraLayers(file.data(), file.size(), stack, width, height, image, showLayerProgress)) {
        showMessage(refusal, path, MB_ICONERROR);
        return false;
    }
    layerStackFromOra(std::move(image), layers);
    origin = TextureOrigin();
    origin.format = PictureFormat::Ora;
    origin.writesBack = !scaled;
    const std::string warning = unknownModesWarning(stack.unknownModes);
    if (!warning.empty())
        showMessage(warning.c_str(), path, MB_ICONWARNING);
    return true;
}

// Checks and puts in a picture file's bytes as one undo step, refreshing the view and the GL texture; shows the
// refusal, with the path as caption, when the file is not acceptable. The origin tells whether saving back in its
// format loses nothing (not a JPEG, not scaled, nothing dropped, not a 24-bit PCX) and holds an 8-bit PCX's
// palette.
static bool replaceTextureFromBytes(const char *path, const std::vector<uint8_t> &file, TextureOrigin &origin,
                                    bool keepView = false)
{
    LayerStack layers;
    bool scaled = false;
    if (pictureFormatOf(path, file.data(), file.size()) == PictureFormat::Ora) {
        if (!decodeLayeredFile(path, file, layers, origin))
            return false;
    } else {
        Picture picture;
        if (const char *refusal = decodeTextureFile(path, file.data(), file.size(), picture, origin)) {
            showMessage(refusal, path, MB_ICONERROR);
            return false;
        }
        if (!fitPicture(picture, path, scaled))
            return false;
        if (!resetLayers(layers, picture.width, picture.height, picture.pixels.data())) {
            showMessage(MSG_NO_MEMORY_FOR_TEXTURE, path, MB_ICONERROR);
            return false;
        }
    }
    // A load is one undo step: the painting it replaces can be brought back.
    finishStroke();
    paintLayer();
    const bool resized = layers.width != skinWidth || layers.height != skinHeight;
    if (!swapLayerStack(layers)) {
        showMessage(MSG_NO_MEMORY_FOR_TEXTURE, path, MB_ICONERROR);
        return false;
    }
    keepStackStep(std::move(layers));
    updateUndoButtons();
    if (resized) {
        showResizedTexture();
    } else {
        composeSkinShown(paintOptions.showGrid);
        if (keepView)
            redrawSkinView();
        else
            fitSkinView();
        rebuildMipmaps();
    }
    origin.writesBack = origin.writesBack && !scaled; // a scaled picture is exact no more
    return true;
}

static bool replaceTextureFromFile(const char *path, TextureOrigin &origin)
{
    std::vector<uint8_t> file;
    const bool layered = savedFormatOf(path) == PictureFormat::Ora;
    const FileRead read = readWholeFile(path, file, layered ? size_t(ORA_MAX_FILE_BYTES) : size_t(MAX_PICTURE_FILE_BYTES));
    if (read == FileRead::tooLarge)
        showMessage(MSG_PICTURE_TOO_LARGE, path, MB_ICONERROR);
    else if (read == FileRead::unreadable)
        showMessage(MSG_FILE_UNREADABLE, path, MB_ICONERROR);
    return read == FileRead::read && replaceTextureFromBytes(path, file, origin);
}

int loadTexture(const char *path)
{
    TextureOrigin origin;
    if (!replaceTextureFromFile(path, origin))
        return 0;
    textureChanged = 0;
    markHistoryClean(); // undoing back to here leaves the texture unchanged again
    layersSavedAt = textureChangeCount;
    keepTexturePalette(origin);
    proposedTextureFile.clear();
    textureFile = path;
    ++textureFileUseCount;
    if (origin.writesBack) {
        currentTextureFile = path;
        currentTextureFormat = origin.format;
        currentTextureEightBit = origin.format == PictureFormat::Bmp && !origin.swatches.empty();
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
    markHistoryClean(); // undoing back to here leaves the texture unchanged again
    keepTexturePalette(origin);
    currentTextureFile.clear();
    proposedTextureFile = savePath;
    textureFile.clear();
    return 1;
}

bool reloadTexture(const char *path, const std::vector<uint8_t> &bytes)
{
    TextureOrigin origin;
    if (!replaceTextureFromBytes(path, bytes, origin, true))
        return false;
    textureChanged = 0;
    markHistoryClean(); // undoing back to here leaves the texture unchanged again
    keepTexturePalette(origin);
    if (currentTextureFile == path) // written back in the depth the other program gave it
        currentTextureEightBit = origin.format == PictureFormat::Bmp && !origin.swatches.empty();
    return true;
}

const char *textureFilePath()
{
    return textureFile.c_str();
}

uint32_t textureFileUses()
{
    return textureFileUseCount;
}

bool loadRecoveredTexture(const char *path)
{
    TextureOrigin origin;
    if (!replaceTextureFromFile(path, origin))
        return false;
    keepTexturePalette(origin);
    markTextureChanged();
    // No file holds the recovered painting, nor the texture undo brings back: nothing is clean until a save.
    forgetHistoryClean();
    textureFile.clear();
    return true;
}

// Saves, reports a failure with the specified message, and makes a saved file the current one. The texture is
// then unchanged, which is what tells recovery that its autosave is not needed any more; unless its colours were
// reduced on the way out: the file then holds less than the painting, which stays changed (and keeps its
// autosave) until a file holds it whole. False for a failure and for No to the reduction.
static bool saveTextureReporting(const char *path, PictureFormat format, bool eightBit)
{
    const SaveOutcome outcome = saveTextureAs(path, format, eightBit, true);
    if (outcome == SaveOutcome::declined)
        return false;
    if (outcome == SaveOutcome::failed) {
        showMessage("Unable to save texture", path, MB_ICONERROR);
        return false;
    }
    currentTextureFile = path;
    currentTextureFormat = format;
    currentTextureEightBit = eightBit;
    proposedTextureFile.clear();
    if (outcome == SaveOutcome::reduced) {
        textureChanged = 1;
        forgetHistoryClean();
    } else {
        textureChanged = 0;
        markHistoryClean(); // undoing back to here leaves the texture unchanged again
    }
    if (format == PictureFormat::Ora)
        layersSavedAt = textureChangeCount;
    textureFile = path;
    ++textureFileUseCount;
    return true;
}

// "Save Texture...": the format follows the name, a BMP in 24 bits.
static bool saveTextureThroughChooser()
{
    char *path = chooseSavePathFrom(PICTURE_SAVE_FILTERS, "bmp", proposedTextureFile.c_str());
    if (!path)
        return false;
    bool saved = saveTextureReporting(path, savedFormatOf(path), false);
    std::free(path);
    return saved;
}

// Yes to the layers' question: an OpenRaster file, the chooser proposing the texture's name with ".ora".
static bool saveLayersThroughChooser()
{
    std::string proposed = !currentTextureFile.empty() ? currentTextureFile : proposedTextureFile;
    const size_t dot = proposed.find_last_of('.');
    if (dot != std::string::npos && proposed.find_first_of("\\/", dot) == std::string::npos)
        proposed = proposed.substr(0, dot) + ".ora";
    char *path = chooseSavePathFrom(PICTURE_SAVE_FILTERS, "ora", proposed.c_str());
    if (!path)
        return false;
    const PictureFormat format = savedFormatOf(path);
    bool saved = saveTextureReporting(path, format, false);
    std::free(path);
    return saved && (format == PictureFormat::Ora || offerToSaveTexture());
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
    // A JPEG loses detail at every save: asked once for each file; No saves as another file.
    if (currentTextureFormat == PictureFormat::Jpeg && jpegAgreedFile != currentTextureFile) {
        switch (askUserOwnedBy(mainWindow, MSG_JPEG_LOSES_DETAIL, currentTextureFile.c_str(),
                               MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES: jpegAgreedFile = currentTextureFile; break;
        case IDNO: return saveTextureThroughChooser();
        default: return false;
        }
    }
    return saveTextureReporting(currentTextureFile.c_str(), currentTextureFormat, currentTextureEightBit);
}

bool offerToSaveTexture()
{
    finishStroke();
    // The layers count as unsaved until an OpenRaster file holds them, even after a flat save of their picture.
    const bool layers = layersUnsaved();
    if (!textureChanged && !layers)
        return true;
    const bool layersOnly = !textureChanged || currentTextureFormat != PictureFormat::Ora || currentTextureFile.empty();
    const char *question = layers && layersOnly ? "The layers are not saved in any file. Save them?"
                                                : "Save the changes to the texture?";
    // Owned by the main window: while it is open no click can paint on or load over the texture it asks about.
    switch (askUserOwnedBy(mainWindow, question, "Pelterine", MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
        return layers && layersOnly ? saveLayersThroughChooser() : saveTextureToCurrentFile();
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
    paintLayer();
    LayerStack layers;
    if (!resetLayers(layers, width, height, nullptr) || !swapLayerStack(layers)) {
        showMessage(MSG_NO_MEMORY_FOR_TEXTURE, "New Texture", MB_ICONERROR);
        return;
    }
    keepStackStep(std::move(layers));
    updateUndoButtons();
    showResizedTexture();
    // A new texture has no file yet: Ctrl+S asks where to save it, and there is nothing to lose until it is painted.
    currentTextureFile.clear();
    proposedTextureFile.clear();
    textureFile.clear();
    keepTexturePalette(TextureOrigin());
    textureChanged = 0;
    markHistoryClean(); // undoing back to here leaves the texture unchanged again
    layersSavedAt = textureChangeCount;
}

const char *currentTextureFilePath()
{
    return currentTextureFile.c_str();
}

void adoptTextureFile(const char *path, uint64_t writtenStamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    const bool there = GetFileAttributesExW(wideFullPath(path).c_str(), GetFileExInfoStandard, &data) != 0;
    const uint64_t stamp = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    // Another program wrote it after the autosave: asked as a change seen while running is, so that neither the
    // painting nor that program's work goes without a word. Yes makes it the texture; undo brings the painting back.
    if (there && stamp != writtenStamp) {
        const std::string question = std::string(path) + " changed on disk. Load it and lose your changes?";
        if (askUserOwnedBy(mainWindow, question.c_str(), "Pelterine", MB_YESNO | MB_ICONQUESTION) == IDYES &&
            loadTexture(path))
            return;
    }
    // The painting stays changed, its layers as they are: Ctrl+S writes them as it does any texture's to a file of
    // this format, and in the file's own depth and palette, as a load of it would have kept them (the autosave
    // holds the painting in full colour: an 8-bit skin must not come back 24-bit).
    currentTextureFormat = savedFormatOf(path);
    currentTextureEightBit = false;
    bool writesBack = true;
    if (there && currentTextureFormat != PictureFormat::Ora) {
        std::vector<uint8_t> file;
        Picture picture;
        TextureOrigin origin;
        if (readWholeFile(path, file, MAX_PICTURE_FILE_BYTES) == FileRead::read &&
            decodeTextureFile(path, file.data(), file.size(), picture, origin) == nullptr) {
            keepTexturePalette(origin);
            currentTextureFormat = origin.format;
            currentTextureEightBit = origin.format == PictureFormat::Bmp && !origin.swatches.empty();
            writesBack = origin.writesBack;
        }
    }
    // A file Ctrl+S could not give back as it was read (a 24-bit PCX) is not written over unasked, as after a load.
    if (writesBack)
        currentTextureFile = path;
    else
        currentTextureFile.clear();
    proposedTextureFile.clear();
    textureFile = path;
    ++textureFileUseCount;
}
