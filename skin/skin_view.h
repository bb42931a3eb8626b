// The skin view window, the OpenGL skin texture, texture files and the commands that drive them.
#pragma once
#include <windows.h>

#include <cstdint>

extern HWND skinViewWindow;
extern HDC skinViewDC;
extern int32_t skinViewLeft;
extern int32_t skinViewTop;

void createSkinView();
void repaintSkinView();
void uploadTexture();
void rebuildMipmaps();
void refreshSkinView();   // recompose with the grid box's state

void textureOnTheFlyCommand();
void applyPenSizeCommand();
void applyEraserSizeCommand();
void gridCommand();

int saveTexture(const char *path);
int loadTexture(const char *path);
void saveTextureCommand();
void loadTextureCommand();
