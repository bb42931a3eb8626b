// Frame pacing: no viewport frame starts sooner than one display refresh after the one before.
#pragma once
#include <cstdint>

struct FramePacer {
    int64_t period;    // microseconds between frames
    int64_t nextDue;   // when the next frame may start; 0 before the first frame
};

extern FramePacer framePacer;

// The refresh period of a display reporting this frequency in hertz; 60 Hz when it reports 0 or 1 (the
// "hardware default" values) or anything absurd.
int64_t displayPeriodMicros(uint32_t frequency);

void startFramePacer(FramePacer &pacer, int64_t periodMicros);

// Microseconds to wait before the next frame may start at time now; 0 means start it now.
int64_t frameWaitMicros(const FramePacer &pacer, int64_t now);

// Records that a frame starts at time now.
void noteFrameStart(FramePacer &pacer, int64_t now);


// Frames on demand. While nothing in the viewport moves no frame is drawn at all; whatever changes what it shows
// (a texture upload, another model or plugin, a new size, a repaint) asks for one frame more. The first frame is
// asked for from the start.
void requestViewportFrame();
bool viewportFrameRequested();
// A frame is being drawn: the requests so far are answered by it.
void noteViewportFrameDrawn();

// Whether the frame loop draws a frame now: never while the main window is minimized; otherwise while the view
// moves (the spin, a camera drag, a stroke on the model) or when a frame was asked for.
bool viewportFrameDue(bool minimized, bool moving, bool requested);
