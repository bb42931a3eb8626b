// Tests of the recovery rules: when the autosave is written and removed, the set-aside names, the question,
// and the texture header the crash writer puts before the pixel rows.
#include <gtest/gtest.h>

#include <utility>

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

void play(const std::vector<Look> &looks, int64_t delayMs = AUTOSAVE_DELAY_MS)
{
    AutosaveClock clock;
    clock.delayMs = delayMs;
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

// pelterine.ini may set another interval (1 to 3600 seconds), which a reset keeps.
TEST(AutosaveClock, AnIntervalOfItsOwnReplacesTheMinute)
{
    play({{0, true, 1, false, NONE}, {2.9, true, 1, false, NONE}, {3, true, 1, false, WRITE},
          {4, true, 2, false, NONE}, {6, true, 2, false, NONE}, {7, true, 2, false, WRITE}},
         3000);
    const std::pair<const char *, int64_t> cases[] = {{"10", 10000},           {"1", 1000},
                                                      {"3600", 3600000},       {"0", AUTOSAVE_DELAY_MS},
                                                      {"3601", AUTOSAVE_DELAY_MS}, {"ten", AUTOSAVE_DELAY_MS}};
    for (const auto &c : cases)
        EXPECT_EQ(c.second, autosaveDelayFrom({{"recovery.autosave_seconds", c.first}})) << c.first;
    EXPECT_EQ(AUTOSAVE_DELAY_MS, autosaveDelayFrom({}));
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

// The record beside an autosave reads back as written, whatever the paths hold.
TEST(AutosaveRecord, ReadsBackAsWritten)
{
    const AutosaveRecord record{"C:\\skins\\Tex \xC3\xA8 = 1.pcx", 18446744073709551615u, "Z:\\tris.md2", "md2.dll"};
    const std::string text = encodeAutosaveRecord(record);
    const AutosaveRecord read = decodeAutosaveRecord(text.data(), text.size());
    EXPECT_EQ(record.texture, read.texture);
    EXPECT_EQ(record.textureWritten, read.textureWritten);
    EXPECT_EQ(record.model, read.model);
    EXPECT_EQ(record.plugin, read.plugin);
}

// A damaged or hand-edited record names nothing it did not mean: a bad field is left empty, the others kept.
TEST(AutosaveRecord, OddInputLeavesJustThatFieldEmpty)
{
    const std::string overlong = "texture=C:\\" + std::string(3000, 'a') + ".bmp\r\n";
    const struct {
        std::string text;
        const char *texture;
        uint64_t written;
        const char *model;
    } cases[] = {
        {"", "", 0, ""},
        {"model=m.vmr\n", "", 0, "m.vmr"},
        {"texture=a.bmp\r\ntexture.written=12\r\nmodel=m.vmr\r\nplugin=vmr.dll\r\n", "a.bmp", 12, "m.vmr"},
        {overlong + "model=m.vmr\r\n", "", 0, "m.vmr"},
        {"texture=C:\\t\xE8.bmp\r\nmodel=m.vmr", "", 0, "m.vmr"},           // Latin-1, not UTF-8
        {"texture=a.bmp\nmodel=m\xC3.vmr\n", "a.bmp", 0, ""},                  // cut short
        {"texture=a.bmp\ntexture.written=12x\n", "a.bmp", 0, ""},
        {"texture.written=-12\n", "", 0, ""},
        {"texture.written=18446744073709551616\n", "", 0, ""},                 // one past 64 bits
        {std::string("texture=a.bmp\0b\nmodel=m.vmr", 27), "", 0, "m.vmr"},   // a NUL inside a value
        {"texture a.bmp\n=m.vmr\nmodel\n", "", 0, ""},
    };
    for (const auto &c : cases) {
        const AutosaveRecord read = decodeAutosaveRecord(c.text.data(), c.text.size());
        EXPECT_EQ(c.texture, read.texture) << c.text.substr(0, 60);
        EXPECT_EQ(c.written, read.textureWritten) << c.text.substr(0, 60);
        EXPECT_EQ(c.model, read.model) << c.text.substr(0, 60);
    }
}

// Ctrl+S takes only a picture's name from a record: never a file of another kind a damaged record might name.
TEST(AutosaveRecord, CtrlSTakesOnlyANameItWritesAPictureUnder)
{
    for (const char *path : {"C:\\a\\skin.bmp", "C:\\a\\SKIN.BMP", "s.png", "s.Tga", "s.pcx", "s.jpg", "C:\\a.b\\s.ora"})
        EXPECT_TRUE(savesTextureTo(path)) << path;
    for (const char *path : {"", "C:\\a\\skin", "C:\\a.bmp\\skin", "s.bmpx", "s.exe", "C:\\Windows\\bmp", ".bm"})
        EXPECT_FALSE(savesTextureTo(path)) << path;
}

TEST(AutosaveRecord, TheQuestionNamesTextureModelAndPluginByFileName)
{
    const char *const cases[][4] = {
        {"C:\\skins\\Tex \xC3\xA8.pcx", "Z:/models/tris.md2", "md2.dll",
         "Load it?\nIt is Tex \xC3\xA8.pcx, painted on tris.md2 with md2.dll."},
        {"", "Z:\\models\\box.vmr", "vmr.dll", "Load it?\nIt is a new texture, painted on box.vmr with vmr.dll."},
        {"skin.bmp", "", "vmr.dll", "Load it?\nIt is skin.bmp."},
        {"skin.bmp", "box.vmr", "", "Load it?\nIt is skin.bmp, painted on box.vmr."},
        {"", "", "vmr.dll", "Load it?"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[3], recoveryQuestion("Load it?", AutosaveRecord{c[0], 0, c[1], c[2]}));
}

}  // namespace
