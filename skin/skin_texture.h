// The OpenGL skin texture: created once in the viewport's context, kept up to date with skinGL.
#pragma once
#include <cstdint>

// Creates the texture object and fills every level from skinGL (the viewport's context must be current).
void createSkinTexture();
// Binds the skin texture again, after a plugin that faulted may have left another bound.
void bindSkinTexture();
// "Apply Texture", and every upload that follows the upload mode: level 0 in the classic mode, every level in
// the mipmap mode.
void uploadTexture();
// Every level from skinGL, whatever the mode.
void rebuildMipmaps();
// The upload that follows painting: the rows [first, first + count) of skinGL to level 0 in the classic mode, or
// one rebuild of every level in the mipmap mode.
void uploadPaintedRows(int32_t first, int32_t count);
// The texture changed size: the texture object takes the new size and every level is rebuilt.
void resizeSkinTexture();
