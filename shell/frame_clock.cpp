// The platform side of frame pacing: the clock, the display's refresh rate, and the wait between frames.
#include "shell/frame_clock.h"

#include <windows.h>

#include "shell/frame_pacer.h"

int64_t nowMicros()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                                now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

void startPacingToDisplay()
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    uint32_t frequency = EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) ? mode.dmDisplayFrequency : 0;
    startFramePacer(framePacer, displayPeriodMicros(frequency));
}

void waitForFrameOrInput(int64_t micros)
{
    DWORD milliseconds = static_cast<DWORD>((micros + 999) / 1000);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}
