// Loading and saving the texture as a BMP file, and the two commands that do it.
#include <cstdlib>
#include <vector>

#include "app/shell.h"
#include "skin/bmp.h"
#include "skin/skin_store.h"
#include "skin/skin_view.h"

int saveTexture(const char *path)
{
    std::vector<uint8_t> file = encodeTexture(skinGL, skinHeader);
    return writeFileSafely(path, file.data(), file.size()) ? 1 : 0;
}

int loadTexture(const char *path)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file))
        return 0;
    static uint8_t pixels[SKIN_BYTES];
    if (const char *refusal = parseTexture(file.data(), file.size(), pixels)) {
        showMessage(refusal, path, MB_ICONERROR);
        return 0;
    }
    replaceTexture(pixels);
    refreshSkinView();
    repaintSkinView();
    rebuildMipmaps();
    return 1;
}

void saveTextureCommand()
{
    char *path = chooseSavePath();
    if (!path)
        return;
    if (!saveTexture(path))
        showMessage("Unable to save texture", path, MB_ICONERROR);
    std::free(path);
}

void loadTextureCommand()
{
    char *path = chooseOpenPath("Image Bitmap (*.bmp)", "*.bmp");
    if (!path)
        return;
    loadTexture(path);
    std::free(path);
}
