// Loading the texture from a picture file and saving it, the commands that do it, and the question before work
// is lost.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes the texture as PNG for a name ending in ".png", TGA for ".tga", PCX for ".pcx" (with the palette of the
// 8-bit PCX it was loaded from, if it was), BMP otherwise; 1 on success.
int saveTexture(const char *path);
// Writes the texture's layers as an OpenRaster file whatever the name; 1 on success.
int saveTextureLayers(const char *path);
// Whether the texture is more than one plain opaque layer, which only an OpenRaster file holds.
bool textureIsLayered();
// Replaces the texture with a BMP, PNG, TGA, JPEG or PCX file, asking before a picture of another size is
// scaled; reports its own refusals. 1 when the texture was replaced.
int loadTexture(const char *path);
// Replaces the texture with a picture a model file holds (its bytes as a picture file holds them), as
// loadTexture does a file; the texture then has no file of its own, and Ctrl+S opens the save chooser with
// savePath proposed (UTF-8). savePath is also the caption of a refusal. 1 when the texture was replaced.
int loadTextureFromBytes(const char *savePath, const std::vector<uint8_t> &bytes);
// Loads a texture that was never saved (a recovered one): one undo step like any load, but the texture counts
// as changed and the file does not become the one Ctrl+S saves to. Returns whether it was loaded.
bool loadRecoveredTexture(const char *path);
// The texture's file as another program changed it, read already: replaces the texture as a load does (one undo
// step, the save question not asked: the caller asked its own), keeping the view's zoom and pan when the size
// stays. The file stays the one Ctrl+S saves to. Reports its own refusals; true when the texture was replaced.
bool reloadTexture(const char *path, const std::vector<uint8_t> &bytes);
// The file the texture was loaded from or last saved to (UTF-8), "" when it has none; and how many loads and
// saves of the texture's file there have been, so a watcher takes the file as the program read or wrote it.
const char *textureFilePath();
uint32_t textureFileUses();
// Both return whether the texture was saved.
bool saveTextureCommand();
// Ctrl+S: saves to the texture file last loaded or saved, through the save chooser when there is none.
bool saveTextureToCurrentFile();
void loadTextureCommand();
// "New Texture...": asks for the sides, then (after the save question) makes a white texture of that size, one
// undo step.
void newTextureCommand();

// Before the painting could be lost (closing, loading another texture): when the texture has changed, asks
// whether to save it. True when the caller may go on (saved, or the user said No); false for Cancel or a save
// that did not happen.
bool offerToSaveTexture();

// Whether the texture has layers no file holds: more than one plain opaque layer, changed since the last
// OpenRaster file was loaded or saved, whatever flat picture was saved since.
bool layersUnsaved();

// The file Ctrl+S saves the texture to (UTF-8), "" when it asks where.
const char *currentTextureFilePath();
// After a recovered texture was loaded: path, the file Ctrl+S saved that painting to, becomes the one it saves to
// again (in the format its name says) and the one watched for other programs' changes; the painting stays changed.
// When the file was written since writtenStamp (its last write time then, FILETIME ticks), the user is asked first
// as for a change seen while running: Yes loads the file instead (one undo step), No keeps the painting.
void adoptTextureFile(const char *path, uint64_t writtenStamp);
