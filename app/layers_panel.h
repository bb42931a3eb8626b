// The Layers panel under the viewport: the list of layers (top first) with their visibility and names, the
// buttons of the layer operations, and the active layer's opacity and blend mode.
#pragma once
#include <windows.h>

// Creates the group and its controls below the animation row, as wide as the viewport, down to the client's
// bottom margin.
void createLayersPanel(HWND window);

// Shows the stack as it is, when it changed since the panel last showed it.
void refreshLayersPanel();

// A button, the mode box or the new-layer shortcut; false for any other command.
bool layersPanelCommand(int id);

// The list's notifications (selection, check boxes, renaming in place); false for any other control's.
bool layersPanelNotify(const NMHDR &header, LRESULT &result);

// The opacity trackbar moved (code as WM_HSCROLL gives it); false for any other trackbar.
bool layersPanelScroll(HWND trackbar, int code);
