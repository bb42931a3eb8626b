#!/usr/bin/env python3
"""End-to-end checks of config.cfg, the 78-byte settings file: what a first run writes, that the pen colour,
the applied sizes and the colour chooser's custom colours survive a restart, that a size typed but not applied
is not saved, how a file that exists but cannot be opened is reported (at start-up and at close), that a short
file changes only the fields it holds, and that the file choosers do not move the folder config.cfg lives in."""

import struct
import subprocess
import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until, wine_path  # noqa: E402
from expect import SHIPPED_PLUGINS  # noqa: E402

CANCEL = 2

UNREADABLE = ("Error loading configuration", "Unable to open config.cfg")
UNWRITABLE = ("Error writing configuration", "Unable to open config.cfg")


def settings(pen=(0, 119, 170), pen_size=3, eraser=(255, 255, 255), eraser_size=7, custom=None):
    """The 78 bytes of config.cfg: pen RGB, pen size (int32 LE), eraser RGB, eraser size, then 16 custom
    colours as COLORREF (red, green, blue, 0). custom maps a slot to (r, g, b); other slots are black."""
    data = bytes(pen) + struct.pack("<i", pen_size) + bytes(eraser) + struct.pack("<i", eraser_size)
    for slot in range(16):
        data += bytes((custom or {}).get(slot, (0, 0, 0))) + b"\0"
    assert len(data) == 78
    return data


DEFAULTS = settings()

# Every field different from its default, and every custom slot different from the others.
CUSTOMISED = settings(pen=(9, 8, 7), pen_size=5, eraser=(1, 2, 3), eraser_size=9,
                      custom={slot: (16 * slot, 255 - slot, 3 * slot + 1) for slot in range(16)})


def solid_bmp(rgb, side=256):
    """An uncompressed 24-bit bottom-up BMP of one colour."""
    row = bytes((rgb[2], rgb[1], rgb[0])) * side
    pixels = row * side
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, side, side, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)


def listing(folder):
    return sorted(p.relative_to(folder).as_posix() for p in folder.rglob("*"))


class SettingsFile(harness.SessionTestCase):

    def start_clean(self, name=None, extra=None):
        """Starts in a folder with the shipped plugin and data; no message box may appear."""
        s = self.session
        s.start(name or self.work_name(), extra=extra)
        s.wait_main()
        self.assertEqual([], s.boxes(), "a start-up with readable settings reports nothing")
        return s

    def close_and_read(self):
        s = self.session
        s.close()
        self.assertEqual(0, s.wait_exit())
        return (s.work / "config.cfg").read_bytes()

    def sizes(self):
        return self.session.text(ids.IDC_PEN_SIZE), self.session.text(ids.IDC_ERASER_SIZE)

    # ---- a first run

    def test_first_run_writes_the_defaults(self):
        s = self.session
        s.start(self.work_name())
        s.wait_main()
        before = listing(s.work)
        self.assertNotIn("config.cfg", before)
        self.assertEqual([], s.boxes(), "a missing config.cfg is not reported")
        self.assertEqual(("3", "7"), self.sizes())
        s.close()
        self.assertEqual(0, s.wait_exit())
        self.assertEqual(DEFAULTS, (s.work / "config.cfg").read_bytes())
        self.assertEqual(sorted(before + ["config.cfg", "pelterine.ini"]), listing(s.work),
                         "closing writes config.cfg and pelterine.ini (the last session) and nothing else")

    # ---- what is saved, and what comes back

    def test_colour_sizes_and_custom_colours_survive_a_restart(self):
        s = self.start_clean()
        custom, pen = (200, 10, 60), (5, 150, 250)
        s.click(ids.IDC_COLORS)
        s.color_choose(*custom, add=True)    # pen colour and custom slot 0
        s.click(ids.IDC_COLORS)
        s.color_choose(*pen)                 # a second pen colour, not added: slot 0 keeps the first
        s.set_text(ids.IDC_PEN_SIZE, "12")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.set_text(ids.IDC_ERASER_SIZE, "21")
        s.click(ids.IDC_ERASER_SIZE_OK)
        saved = self.close_and_read()
        expected = settings(pen=pen, pen_size=12, eraser_size=21, custom={0: custom})
        self.assertEqual(expected, saved)

        s = self.start_clean(self.work_name() + "-again", extra={"config.cfg": saved})
        self.assertEqual(("12", "21"), self.sizes())
        s.click(ids.IDC_COLORS)
        shown = wait_until(lambda: self.custom_swatch(0) == custom, harness.DEFAULT_TIMEOUT, 0.2)
        self.assertTrue(shown, "custom slot 0 of the chooser shows %r" % (self.custom_swatch(0),))
        for slot in (1, 8):
            with self.subTest(slot=slot):
                self.assertEqual((0, 0, 0), self.custom_swatch(slot))
        s.color_cancel()
        self.assertEqual(saved, self.close_and_read(), "a run that changes nothing writes the same bytes")

    def custom_swatch(self, slot):
        return tuple(int(v) for v in self.session.driver("color-custom", slot)[0].split("\t"))

    def test_size_typed_without_its_ok_button_is_not_saved(self):
        s = self.start_clean(extra={"config.cfg": CUSTOMISED})
        self.assertEqual(("5", "9"), self.sizes())
        s.set_text(ids.IDC_PEN_SIZE, "40")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.set_text(ids.IDC_ERASER_SIZE, "50")      # typed, never applied
        saved = self.close_and_read()
        self.assertEqual(CUSTOMISED[:3] + struct.pack("<i", 40) + CUSTOMISED[7:], saved)

    def test_short_file_changes_only_the_fields_it_holds(self):
        # Pen colour and pen size only; the size is taken unchecked and shown as an unsigned number.
        short = bytes((10, 20, 30)) + struct.pack("<i", -2)
        s = self.start_clean(extra={"config.cfg": short})
        self.assertEqual(("4294967294", "7"), self.sizes())
        self.assertEqual(settings(pen=(10, 20, 30), pen_size=-2), self.close_and_read())

    # ---- a config.cfg that exists but cannot be opened

    def test_folder_named_config_cfg_is_reported_at_start_and_at_close(self):
        s = self.session
        s.start(self.work_name(), extra={"config.cfg/inside.txt": b"a folder, not a file"})
        s.expect_box(*UNREADABLE, icon="error")
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual(("3", "7"), self.sizes())
        before = listing(s.work)
        box, code = self.close_through_box()
        self.assertEqual(0, code)
        self.assertTrue((s.work / "config.cfg" / "inside.txt").is_file(), "the folder is left alone")
        self.assertEqual(sorted(before + ["pelterine.ini"]), listing(s.work), "no temporary file is left behind")
        self.assertEqual(UNWRITABLE + ("error",), box, "the failed write is reported before the program ends")

    def test_locked_file_is_reported_and_the_defaults_stay(self):
        s = self.session
        work = s.stage(self.work_name(), extra={"config.cfg": CUSTOMISED})
        holder = self.hold(work / "config.cfg")
        self.start_staged(work)
        s.expect_box(*UNREADABLE, icon="error")
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual(("3", "7"), self.sizes())
        self.release(holder, work / "config.cfg")
        self.assertEqual(DEFAULTS, self.close_and_read(), "nothing of the locked file was taken")

    def hold(self, path):
        """Opens path with no sharing from another Win32 process of the same Wine server; returns the process."""
        s = self.session
        out_path = path.parent / "hold-output.txt"
        out = open(out_path, "wb")
        self.addCleanup(out.close)
        proc = subprocess.Popen(["wine", str(s.driver_exe), "hold", wine_path(path), "600000"], env=s.env,
                                cwd=path.parent, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        self.addCleanup(self.end_process, proc)
        held = wait_until(lambda: b"held" in out_path.read_bytes() or proc.poll() is not None, 30, 0.1)
        if not held or b"held" not in out_path.read_bytes():
            self.fail("the driver could not lock %s: %r" % (path, out_path.read_bytes()))
        return proc

    def release(self, proc, path):
        self.end_process(proc)
        # The lock is gone once another exclusive open succeeds.
        free = wait_until(lambda: self.session.run_driver("hold", wine_path(path), 1)[0] == 0,
                          harness.DEFAULT_TIMEOUT, 0.2)
        self.assertTrue(free, "config.cfg is still locked after the holder ended")

    @staticmethod
    def end_process(proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait(30)

    def start_staged(self, work):
        """Starts the program in a folder already staged (and prepared) under this name."""
        s = self.session
        s.stage = lambda *args, **kwargs: work    # start() must not stage the folder again
        try:
            s.start(work.name)
        finally:
            del s.stage

    # ---- a failed write keeps the old file

    def test_unwritable_folder_keeps_the_previous_file_intact(self):
        s = self.start_clean(extra={"config.cfg": CUSTOMISED})
        s.set_text(ids.IDC_PEN_SIZE, "33")
        s.click(ids.IDC_PEN_SIZE_OK)              # the write would change the file
        before = listing(s.work)
        locked = subprocess.run(["chattr", "+i", str(s.work)], capture_output=True, text=True)
        if locked.returncode != 0:
            self.skipTest("cannot make the working folder immutable: %s" % locked.stderr.strip())
        self.addCleanup(subprocess.run, ["chattr", "-i", str(s.work)], check=True)
        box, code = self.close_through_box()
        self.assertEqual(0, code)
        self.assertEqual(CUSTOMISED, (s.work / "config.cfg").read_bytes())
        self.assertEqual(before, listing(s.work))
        self.assertEqual(UNWRITABLE + ("error",), box, "the failed write is reported before the program ends")

    def close_through_box(self):
        """Closes the program, presses the first message box that shows up before it ends; returns that box
        (None when the program ended without one) and the exit code."""
        s = self.session
        s.close()
        seen = []

        def box_or_exit():
            if not s.running():
                return True
            seen.extend(s.boxes())
            return bool(seen)

        wait_until(box_or_exit, harness.DEFAULT_TIMEOUT, 0.1)
        if seen:
            s.press_box(1, seen[0].caption)
        return (tuple(seen[0]) if seen else None), s.wait_exit()

    # ---- the choosers put the current folder back

    def test_file_choosers_do_not_move_the_settings_or_plugin_folder(self):
        colour = (40, 200, 90)
        s = self.start_clean(extra={"elsewhere/textures/solid.bmp": solid_bmp(colour),
                                    "elsewhere/saved/keep.txt": b""})
        # Each chooser first opens the other folder, as a user browsing there does: that moves the process's
        # current folder, and only the program puts it back.
        s.click(ids.IDC_LOAD_TEXTURE)
        s.driver("open-browse", wine_path(s.work / "elsewhere" / "textures"))
        s.open_choose("solid.bmp")
        self.assertEqual([], s.boxes())
        self.assertEqual({colour: 256 * 256}, s.capture("skin").colours(), "the chosen texture was loaded")
        s.click(ids.IDC_SAVE_TEXTURE)
        s.driver("save-browse", wine_path(s.work / "elsewhere" / "saved"))
        s.save_choose("copy.bmp")
        self.assertTrue(wait_until((s.work / "elsewhere" / "saved" / "copy.bmp").is_file, harness.DEFAULT_TIMEOUT))
        self.assertEqual([], s.boxes())

        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        self.assertEqual((SHIPPED_PLUGINS, len(SHIPPED_PLUGINS) - 1), s.plugins_list(),
                         "plugins\\ is still found")
        s.plugins_press(CANCEL)

        saved = self.close_and_read()
        self.assertEqual(78, len(saved))
        for folder in ("elsewhere/textures", "elsewhere/saved"):
            with self.subTest(folder=folder):
                self.assertFalse((s.work / folder / "config.cfg").exists())


if __name__ == "__main__":
    harness.main()
