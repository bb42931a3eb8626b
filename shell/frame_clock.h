// The platform side of frame pacing: the clock, the display's refresh rate, and the wait between frames.
#pragma once
#include <cstdint>

// Microseconds from an arbitrary origin, from the performance counter.
int64_t nowMicros();

// Starts the program-wide frame pacer at the refresh period of the main display.
void startPacingToDisplay();

// Sleeps until the next frame is due or a message arrives, whichever comes first.
void waitForFrameOrInput(int64_t micros);
