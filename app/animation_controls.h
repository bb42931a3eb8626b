// The controls under the viewport for a model that moves: Play/Pause, the frame trackbar and the sequence list,
// shown only for a model with more than one frame.
#pragma once
#include <windows.h>

// Creates the three controls under the viewport, hidden, in the dialog's font; before the layout is recorded.
void createAnimationControls(HWND window);

// Once per pass of the frame loop: after a change of model, resets the animation and shows the controls (or hides
// them) with that model's sequences; while playing, moves the trackbar with the frame.
void followAnimation();

// The commands: the Play/Pause button, a choice in the sequence list (any of its notifications; only a new
// selection acts), and the trackbar moved (WM_HSCROLL).
void playPauseCommand();
void sequenceCommand();
void frameTrackbarCommand();
