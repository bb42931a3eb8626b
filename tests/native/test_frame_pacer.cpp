// Tests of the frame pacer: the display's period, the schedule, and finding the swap-control extension.
#include <gtest/gtest.h>

#include "shell/frame_pacer.h"
#include "viewport/gl_extensions.h"

namespace {

TEST(FramePacer, PeriodFromTheDisplayFrequency)
{
    EXPECT_EQ(16667, displayPeriodMicros(60));
    EXPECT_EQ(16667, displayPeriodMicros(0));   // "hardware default"
    EXPECT_EQ(16667, displayPeriodMicros(1));
    EXPECT_EQ(6944, displayPeriodMicros(144));
    EXPECT_EQ(20000, displayPeriodMicros(50));
}

TEST(FramePacer, FramesComeWhileTheViewMovesOrWhenAskedForAndNeverWhileMinimized)
{
    EXPECT_TRUE(viewportFrameDue(false, true, false));
    EXPECT_TRUE(viewportFrameDue(false, false, true));
    EXPECT_TRUE(viewportFrameDue(false, true, true));
    EXPECT_FALSE(viewportFrameDue(false, false, false));
    EXPECT_FALSE(viewportFrameDue(true, true, true));
    EXPECT_FALSE(viewportFrameDue(true, false, true));
}

TEST(FramePacer, ARequestLastsUntilAFrameIsDrawn)
{
    requestViewportFrame();
    requestViewportFrame();
    EXPECT_TRUE(viewportFrameRequested());
    EXPECT_TRUE(viewportFrameRequested()) << "looking does not answer it";
    noteViewportFrameDrawn();
    EXPECT_FALSE(viewportFrameRequested());
    requestViewportFrame();
    EXPECT_TRUE(viewportFrameRequested());
    noteViewportFrameDrawn();
}

TEST(FramePacer, FramesKeepTheScheduleWithoutBurstsAfterADelay)
{
    FramePacer pacer;
    startFramePacer(pacer, 16667);
    EXPECT_EQ(0, frameWaitMicros(pacer, 1000000));   // the first frame starts at once
    noteFrameStart(pacer, 1000000);
    EXPECT_EQ(16667, frameWaitMicros(pacer, 1000000));
    EXPECT_EQ(6667, frameWaitMicros(pacer, 1010000));
    EXPECT_EQ(0, frameWaitMicros(pacer, 1016400));   // close enough: start rather than wait a fraction
    // A frame that starts a little late keeps the schedule; one far behind starts it afresh.
    noteFrameStart(pacer, 1017000);
    EXPECT_EQ(1033334, pacer.nextDue);
    noteFrameStart(pacer, 1500000);
    EXPECT_EQ(1516667, pacer.nextDue);
    // Over many frames the rate is the display's, whatever the wake-ups' jitter.
    int64_t now = pacer.nextDue;
    int frames = 0;
    for (int64_t end = now + 10000000; now < end; now += 331) {
        if (frameWaitMicros(pacer, now) == 0) {
            noteFrameStart(pacer, now);
            ++frames;
        }
    }
    EXPECT_NEAR(600, frames, 1);
}

TEST(FramePacer, ExtensionIsFoundOnlyAsAWholeName)
{
    EXPECT_TRUE(extensionListed("WGL_ARB_pbuffer WGL_EXT_swap_control", "WGL_EXT_swap_control"));
    EXPECT_TRUE(extensionListed("WGL_EXT_swap_control WGL_ARB_pbuffer", "WGL_EXT_swap_control"));
    EXPECT_FALSE(extensionListed("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
    EXPECT_FALSE(extensionListed("XWGL_EXT_swap_control", "WGL_EXT_swap_control"));
    EXPECT_FALSE(extensionListed(nullptr, "WGL_EXT_swap_control"));
}

} // namespace
