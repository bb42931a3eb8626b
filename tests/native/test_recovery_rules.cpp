// Tests of the recovery rules: when the autosave is written and removed, the set-aside names, the question,
// and the texture header the crash writer puts before the pixel rows.
#include <gtest/gtest.h>

#include "app/recovery_rules.h"
#include "picture/bmp.h"
#include "tests/native/start_texture.h"

namespace {

const AutosaveAction NONE = AutosaveAction::none, WRITE = AutosaveAction::write, REMOVE = AutosaveAction::remove;

// One look at the texture: at time t (seconds), changed or not, its change count, a stroke under way or not;
// then what the timer should ask for. A write it asks for succeeds unless `fails`.
struct Look {
    double t;
    bool changed;
    uint32_t count;
    bool stroke;
    AutosaveAction expected;
    bool fails;
};

void play(const std::vector<Look> &looks)
{
    AutosaveClock clock;
    resetAutosaveClock(clock, 0);
    for (size_t i = 0; i < looks.size(); ++i) {
        const Look &look = looks[i];
        int64_t now = static_cast<int64_t>(look.t * 1000);
        AutosaveAction action = planAutosave(clock, now, look.changed, look.count, look.stroke);
        EXPECT_EQ(static_cast<int>(look.expected), static_cast<int>(action)) << "look " << i << " at " << look.t;
        if (action == WRITE)
            noteAutosaveWrite(clock, now, !look.fails);
        if (action == REMOVE)
            noteAutosaveRemoved(clock);
    }
}

TEST(AutosaveClock, FirstWriteOneMinuteAfterTheTextureBecameChanged)
{
    play({{0, false, 0, false, NONE},
          {5, true, 1, true, NONE},      // a stroke begins changing the texture
          {7, true, 9, false, NONE},     // more changes do not move the start of the minute
          {64.9, true, 9, false, NONE},
          {65, true, 9, false, WRITE},
          {66, true, 9, false, NONE},    // written: nothing new to write
          {300, true, 9, false, NONE}});
}

TEST(AutosaveClock, FurtherChangesAtMostOnceAMinute)
{
    play({{0, true, 1, false, NONE},
          {60, true, 1, false, WRITE},
          {61, true, 2, false, NONE},    // changed again right after the write: the minute runs from the write
          {120, true, 3, false, NONE},   // a minute after the write, but the change seen at 61 is younger
          {121, true, 3, false, WRITE},
          {500, true, 4, false, NONE},   // after a quiet while, a new change waits its own minute
          {559, true, 4, false, NONE},
          {560, true, 4, false, WRITE}});
}

TEST(AutosaveClock, NeverInsideAStroke)
{
    play({{0, true, 1, true, NONE},
          {60, true, 5, true, NONE},
          {90, true, 8, true, NONE},
          {91, true, 8, false, WRITE}});
}

TEST(AutosaveClock, AFailedWriteIsTriedAgainAMinuteLater)
{
    play({{0, true, 1, false, NONE},
          {60, true, 1, false, WRITE, true},
          {61, true, 1, false, NONE},
          {119, true, 1, false, NONE},
          {120, true, 1, false, WRITE},
          {121, true, 1, false, NONE}});
}

TEST(AutosaveClock, RemovedOnceTheTextureIsNoLongerChanged)
{
    play({{0, true, 1, false, NONE},
          {60, true, 1, false, WRITE},
          {70, false, 1, false, REMOVE},   // saved
          {71, false, 1, false, NONE},
          {80, true, 2, false, NONE},      // painted again: a fresh minute, no earlier write to wait for
          {139, true, 2, false, NONE},
          {140, true, 2, false, WRITE}});
    // Unchanged without ever having written: nothing to remove.
    play({{0, true, 1, false, NONE}, {30, false, 1, false, NONE}, {100, false, 1, false, NONE}});
}

TEST(AutosaveClock, ARecoveredFileThatBecameTheAutosaveCountsAsWritten)
{
    AutosaveClock clock;
    resetAutosaveClock(clock, 0);
    noteAutosaveCurrent(clock, 1000, 3);
    EXPECT_EQ(NONE, planAutosave(clock, 90000, true, 3, false));
    EXPECT_EQ(NONE, planAutosave(clock, 91000, true, 4, false));
    EXPECT_EQ(WRITE, planAutosave(clock, 151000, true, 4, false));
    noteAutosaveWrite(clock, 151000, true);
    EXPECT_EQ(REMOVE, planAutosave(clock, 152000, false, 4, false));
}

TEST(RecoveryNames, SetAsideNamesAndTheQuestion)
{
    EXPECT_STREQ("pelterine-autosave.bmp", AUTOSAVE_FILE_NAME);
    EXPECT_STREQ("pelterine-recovered.bmp", RECOVERED_FILE_NAME);
    EXPECT_EQ("pelterine-recovered-1.bmp", setAsideName(1));
    EXPECT_EQ("pelterine-recovered-12.bmp", setAsideName(12));
    EXPECT_EQ("A texture that was not saved was recovered (pelterine-autosave.bmp, 2026-12-09 14:05). Load it?",
              recoveryQuestion("pelterine-autosave.bmp", 2026, 12, 9, 14, 5));
}

TEST(RecoveryNames, TheTemporaryFileOfAnInterruptedWriteIsToldFromAnyOtherFile)
{
    const char *const target = "pelterine-autosave.bmp";
    EXPECT_TRUE(isInterruptedWriteOf("pelterine-autosave.bmp.4242.tmp", target));
    EXPECT_TRUE(isInterruptedWriteOf("pelterine-autosave.bmp.1.tmp", target));
    EXPECT_TRUE(isInterruptedWriteOf("PELTERINE-Autosave.BMP.4294967295.TMP", target));
    const char *const others[] = {
        "pelterine-autosave.bmp",       "pelterine-autosave.bmp.tmp",     "pelterine-autosave.bmp..tmp",
        "pelterine-autosave.bmp.12a.tmp", "pelterine-autosave.bmp.12.tmp.bmp", "pelterine-autosave.bmp.12.tm",
        "pelterine-autosave.bmp.12345678901.tmp", "my pelterine-autosave.bmp.12.tmp", "pelterine-autosave.bm.12.tmp",
        "pelterine-recovered.bmp.12.tmp", "",
    };
    for (const char *name : others)
        EXPECT_FALSE(isInterruptedWriteOf(name, target)) << name;
    EXPECT_TRUE(isInterruptedWriteOf("config.cfg.77.tmp", "config.cfg"));
    EXPECT_FALSE(isInterruptedWriteOf("config.cfg.77.tmp", ""));
    EXPECT_FALSE(isInterruptedWriteOf(nullptr, "config.cfg"));
}

TEST(RecoveryNames, CrashHeaderPlusBaseRowsIsTheSavedFile)
{
    // An asymmetric picture: what the crash writer puts out (header, then skinBase as it is) must be the
    // very file Save texture writes from skinGL.
    BitmapHeader header;
    setupBitmapHeader(header, 256, 256);
    std::vector<uint8_t> rgb(SKIN_BYTES), bgr(SKIN_BYTES);
    for (size_t i = 0; i < SKIN_PIXELS; ++i) {
        uint8_t r = static_cast<uint8_t>(i * 7), g = static_cast<uint8_t>(i >> 8), b = static_cast<uint8_t>(i * 3 + 1);
        rgb[3 * i] = r, rgb[3 * i + 1] = g, rgb[3 * i + 2] = b;
        bgr[3 * i] = b, bgr[3 * i + 1] = g, bgr[3 * i + 2] = r;
    }
    uint8_t head[BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES];
    encodeTextureHeader(header, head);
    std::vector<uint8_t> written(head, head + sizeof head);
    written.insert(written.end(), bgr.begin(), bgr.end());
    EXPECT_EQ(encodeTexture(rgb.data(), header), written);
}

}  // namespace
