// The frame loop: waiting messages are handled in batches, and a viewport frame is drawn whenever none waits.
#pragma once

// Loads the main window's keyboard shortcuts; until then none act.
void loadShortcuts();

// Handles waiting messages in batches and draws a frame whenever none is waiting, until running is 0.
void runFrameLoop();
