// Frame pacing: no viewport frame starts sooner than one display refresh after the one before.
#include "shell/frame_pacer.h"

FramePacer framePacer;

int64_t displayPeriodMicros(uint32_t frequency)
{
    if (frequency < 2 || frequency > 1000)
        frequency = 60;
    return (1000000 + frequency / 2) / frequency;
}

void startFramePacer(FramePacer &pacer, int64_t periodMicros)
{
    pacer.period = periodMicros > 0 ? periodMicros : displayPeriodMicros(60);
    pacer.nextDue = 0;
}

// Within this much of its time a frame starts rather than wait: a timed wait can only be asked for in whole
// milliseconds, and the schedule, not the wake-up, keeps the rate exact.
static const int64_t START_EARLY_MICROS = 500;

int64_t frameWaitMicros(const FramePacer &pacer, int64_t now)
{
    int64_t left = pacer.nextDue - now;
    return left > START_EARLY_MICROS ? left : 0;
}

void noteFrameStart(FramePacer &pacer, int64_t now)
{
    // Frames are due on a fixed schedule so that waking a little early or late does not drift the rate; a
    // loop that fell behind (a long batch of messages, a swap that waited for the display) starts afresh from
    // now instead of drawing a burst of frames to catch up.
    int64_t due = pacer.nextDue + pacer.period;
    pacer.nextDue = (pacer.nextDue == 0 || due <= now) ? now + pacer.period : due;
}

static bool frameRequested = true;

void requestViewportFrame()
{
    frameRequested = true;
}

bool viewportFrameRequested()
{
    return frameRequested;
}

void noteViewportFrameDrawn()
{
    frameRequested = false;
}

bool viewportFrameDue(bool minimized, bool moving, bool requested)
{
    return !minimized && (moving || requested);
}
