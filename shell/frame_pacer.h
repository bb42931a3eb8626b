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

