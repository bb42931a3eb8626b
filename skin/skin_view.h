// The skin view window, the OpenGL skin texture, texture files and the commands that drive them.
#pragma once
#include <windows.h>

#include <cstdint>

extern HWND skinViewWindow;
extern HDC skinViewDC;
extern int32_t skinViewLeft;
extern int32_t skinViewTop;

// Where the skin view is laid out in the main window under the dialog font of Windows; other fonts carry it to
// the same dialog-unit point, which skinViewLeft and skinViewTop then hold.
constexpr int skinViewLayoutLeft = 545;
constexpr int skinViewLayoutTop = 227;

void createSkinView();
// Binds the skin texture again, after a plugin that faulted may have left another bound.
void bindSkinTexture();
void repaintSkinView();
void uploadTexture();
void rebuildMipmaps();
void refreshSkinView();   // recompose with the grid box's state
// Brings what the dabs since the last refresh painted to the view and, when asked, to the GL texture.
void refreshPaintedSkin();

// Ends a stroke whose release the view did not see, and keeps it as an undo step.
void finishStroke();
void updateUndoButtons();
void undoCommand();
void redoCommand();

void textureOnTheFlyCommand();
void applyPenSizeCommand();
void applyEraserSizeCommand();
void gridCommand();

// Writes the texture as PNG for a name ending in ".png", TGA for ".tga", BMP otherwise; 1 on success.
int saveTexture(const char *path);
// Replaces the texture with a BMP, PNG, TGA or JPEG file, asking before a picture of another size is scaled;
// reports its own refusals. 1 when the texture was replaced.
int loadTexture(const char *path);
// Loads a texture that was never saved (a recovered one): one undo step like any load, but the texture counts
// as changed and the file does not become the one Ctrl+S saves to. Returns whether it was loaded.
bool loadRecoveredTexture(const char *path);
void saveTextureCommand();
void loadTextureCommand();

// Ctrl+S: saves to the texture file last loaded or saved, through the save chooser when there is none.
// Returns whether the texture was saved.
bool saveTextureToCurrentFile();

// Before the painting could be lost (closing, loading another texture): when the texture has changed, asks
// whether to save it. True when the caller may go on (saved, or the user said No); false for Cancel or a save
// that did not happen.
bool offerToSaveTexture();
