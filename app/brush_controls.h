// The brush tip's controls (Shape, Hardness, Opacity), the brush keys, and the painting options kept across
// starts.
#pragma once
#include <windows.h>

// Fills the Shape box, sets the trackbars' ranges, takes the tip and the options from pelterine.ini (checking
// the option boxes accordingly) and shows them. Runs after readSettings; the caller reads the boxes afterwards.
void initBrushControls(HWND window);

// The Shape box changed (any notification: it is read again).
void brushShapeCommand();

// A trackbar moved; false when it is not one of the brush's.
bool brushTrackbarScrolled(HWND trackbar);

// "Use Pattern" changed: the pattern is the tip then, so the shape and hardness controls are greyed.
void greyBrushControls();

// The brush keys, while the main window is active and no text box has the focus: "[" and "]" the pen size,
// Shift with them ("{" and "}") the hardness, the digits the opacity. True when the message was one of them.
bool brushKey(const MSG &msg);

// Puts the tip and the options into pelterine.ini's lines, before writeSettings writes them.
void storeBrushPreferences();
