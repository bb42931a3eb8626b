// The skin view window, the OpenGL skin texture, and the painting that reaches them.
#pragma once
#include <windows.h>

#include <cstdint>

extern HWND skinViewWindow;
extern HDC skinViewDC;

// Creates the view at (x, y) of the main window's client area, with the texture store and the GL texture (the
// viewport's context must be current).
void createSkinView(int x, int y);
// Called after a Ctrl + left click in the view made another colour the pen colour: what follows the pen colour
// (a tinted pattern brush) is the caller's.
void setPenColorPickedHandler(void (*handler)());
// Draws the whole view again from the buffers as they are.
void redrawSkinView();
// The texture changed size (a load, a new texture, an undo across either): the grid layer, the GL texture and
// the view follow, and the view shows the whole texture.
void showResizedTexture();
// Ctrl+0: the whole texture at the largest scale at which it fits the view, any scale. Also after every load.
void fitSkinView();
// Ctrl+1: one screen pixel per texel.
void showSkinViewActualSize();
// The mouse wheel turned by wheelDelta (WHEEL_DELTA a notch) with the cursor at a screen point: over the view it
// zooms one step a notch about the cursor and returns true; elsewhere it does nothing and returns false.
bool zoomSkinViewAt(int screenX, int screenY, int wheelDelta);
// Brings what the dabs since the last refresh painted to the view and, when asked, to the GL texture.
void flushPaintedRefresh();

// The brush outline follows a change of the tip (a key, a control) at once, where the cursor last was.
void refreshBrushOutline();
// Takes the outline away once the cursor is no longer over the view (looked at whenever the program is idle).
void followBrushOutline();

// Ends a stroke whose release the view did not see, and keeps it as an undo step.
void finishStroke();
// "Undo" and "Redo" are enabled exactly while there is a step to undo or redo.
void updateUndoButtons();
