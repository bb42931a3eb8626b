// The OpenGL skin texture: created once in the viewport's context, kept up to date with skinGL.
#include "skin/skin_texture.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "resources/resource.h"
#include "shell/frame_pacer.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"
#include "texture/texture_upload.h"
#include "paint/paint_options.h"

static GLuint skinTexture;

// In the classic mode painting reaches level 0 only; the other levels then hold an older picture until the
// next full rebuild, which the mipmap mode must not skip even when nothing new was painted.
static bool upperLevelsStale;

// A texture whose sides are not powers of two, or larger than GL takes, reaches GL as this copy, scaled by the
// nearest texel.
static std::vector<uint8_t> scaledCopy;
static int32_t copyWidth;
static int32_t copyHeight;

static bool usesCopy()
{
    return copyWidth != skinWidth || copyHeight != skinHeight;
}

// The texels GL receives, with the copy's rows [first, first + count) brought up to date first.
static const uint8_t *uploadTexels(int32_t first, int32_t count)
{
    if (!usesCopy())
        return skinGL;
    scaleUpRows(skinGL, skinWidth, skinHeight, scaledCopy.data(), copyWidth, copyHeight, first, count);
    return scaledCopy.data();
}

// An upload OpenGL refused (out of memory, a size it does not take) leaves the model in an older picture: said
// once for each texture size, not at every dab.
static bool uploadFailureShown;

static void checkUpload(GLenum gluError)
{
    const GLenum error = gluError != 0 ? gluError : glGetError();
    if (error == GL_NO_ERROR || uploadFailureShown)
        return;
    uploadFailureShown = true;
    char text[200];
    wsprintfA(text, "OpenGL could not take the %ld x %ld texture (error 0x%04X); the model may show an older picture.",
              static_cast<long>(copyWidth), static_cast<long>(copyHeight), static_cast<unsigned>(error));
    showMessage(text, "Pelterine", MB_ICONWARNING);
}

// Rows of skinGL are tightly packed, whatever their length.
static void unpackTight()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

void rebuildMipmaps()
{
    unpackTight();
    checkUpload(static_cast<GLenum>(gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, copyWidth, copyHeight, GL_RGB,
                                                      GL_UNSIGNED_BYTE, uploadTexels(0, copyHeight))));
    noteTextureUploaded();
    requestViewportFrame();   // the model wears the new texture from the next frame
    upperLevelsStale = false;
}

// The classic upload keeps only level 0 current, so in that mode the texture samples level 0 alone and the
// painting shows at every distance; the mipmap upload refreshes every level, so it filters across them.
static void setMinFilter(GLint filter)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}

void uploadTexture()
{
    // The two buttons are tested independently; exactly one of them is checked in practice.
    if (paintOptions.classicUpload) {
        setMinFilter(GL_LINEAR);
        unpackTight();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, copyWidth, copyHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     uploadTexels(0, copyHeight));
        checkUpload(0);
        noteTextureUploaded();
        requestViewportFrame();
        upperLevelsStale = true;
    }
    if (paintOptions.mipmapUpload) {
        setMinFilter(GL_LINEAR_MIPMAP_LINEAR);
        rebuildMipmaps();
    }
}

void uploadPaintedRows(int32_t first, int32_t count)
{
    if (paintOptions.classicUpload) {
        setMinFilter(GL_LINEAR);
        int32_t copyFirst = first, copyCount = count;
        if (usesCopy() && count > 0)
            copyRowsShowing(first, count, skinHeight, copyHeight, copyFirst, copyCount);
        if (copyCount > 0) {
            const uint8_t *texels = uploadTexels(copyFirst, copyCount);
            unpackTight();
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, copyFirst, copyWidth, copyCount, GL_RGB, GL_UNSIGNED_BYTE,
                            texels + static_cast<size_t>(copyFirst) * static_cast<size_t>(copyWidth) * 3);
            checkUpload(0);
            upperLevelsStale = true;
        }
        noteTextureUploaded();
        requestViewportFrame();
    }
    if (paintOptions.mipmapUpload) {
        setMinFilter(GL_LINEAR_MIPMAP_LINEAR);
        if (count > 0 || upperLevelsStale)
            rebuildMipmaps();
    }
}

void resizeSkinTexture()
{
    uploadFailureShown = false;
    copyWidth = uploadSide(skinWidth);
    copyHeight = uploadSide(skinHeight);
    if (usesCopy())
        scaledCopy.assign(static_cast<size_t>(copyWidth) * static_cast<size_t>(copyHeight) * 3, 255);
    else
        std::vector<uint8_t>().swap(scaledCopy);
    // Every level at the new size whatever the mode, as a load does.
    bindSkinTexture();
    rebuildMipmaps();
}

void createSkinTexture()
{
    // Windows' own software OpenGL takes 1024 at most; larger textures reach it as a copy scaled down to that.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest > 0)
        setUploadLimit(largest);
    glGenTextures(1, &skinTexture);
    glBindTexture(GL_TEXTURE_2D, skinTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    setMinFilter(GL_LINEAR);   // the window starts in the classic mode
    copyWidth = uploadSide(skinWidth);
    copyHeight = uploadSide(skinHeight);
    if (usesCopy())
        scaledCopy.assign(static_cast<size_t>(copyWidth) * static_cast<size_t>(copyHeight) * 3, 255);
    rebuildMipmaps();
}

void bindSkinTexture()
{
    glBindTexture(GL_TEXTURE_2D, skinTexture);
}
