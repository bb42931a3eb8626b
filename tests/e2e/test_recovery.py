#!/usr/bin/env python3
# e2e-timeout: 240
"""End-to-end checks that a crash or a kill never costs the painting: a fault of the program's own leaves
pelterine-recovered.bmp equal to the texture, a killed run leaves an autosave (at the interval pelterine.ini
sets) that the next start offers by the texture file, model and plugin it belongs to and loads exactly, Ctrl+S
then writing that texture file, a declined file is set aside and never asked about again, a save or a "No" at close
removes the autosave, the temporary file of a write a kill interrupted is gone at the next start, and a second
Pelterine in the same folder leaves the folder's files to the first."""

import os
import sys
import time
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until, wine_path  # noqa: E402
from test_skin import bmp_file, texture_bytes, pixels_equal  # noqa: E402

IDYES, IDNO = 6, 7
AUTOSAVE, RECOVERED = "pelterine-autosave.bmp", "pelterine-recovered.bmp"
ACCESS_VIOLATION = "c0000005"
WHITE_TEXTURE = bmp_file(256, 256)


def question(path, belongs=""):
    """The start-up question for a recovered file, its last write in local time as Wine shows it; belongs: what
    the autosave's record says the painting belongs to."""
    when = time.strftime("%Y-%m-%d %H:%M", time.localtime(path.stat().st_mtime))
    return "A texture that was not saved was recovered (%s, %s). Load it?%s" % (path.name, when, belongs)


def texture(seed):
    """A 256 x 256 texture file whose every pixel differs from its neighbours and from other seeds'."""
    pixels = bytes((i * 7 + seed * 31 + (i >> 9)) & 0xFF for i in range(256 * 256 * 3))
    return bmp_file(256, 256, pixels=pixels)


class Recovery(harness.SessionTestCase):

    def start(self, **kw):
        s = self.session
        work = s.start(self.work_name(), **kw)
        s.wait_main()
        self.assertEqual([], s.boxes())
        return work

    def paint(self):
        """A few strokes of the pattern brush and the pen; returns the texture file they should make."""
        s = self.session
        for x, y in ((40, 50), (120, 200)):
            s.mouse("ldown", x, y)
            for step in range(1, 5):
                s.mouse("lmove", x + 15 * step, y - 8 * step)
            s.mouse("lup", x + 60, y - 32)
        s.click(ids.IDC_USE_PATTERN)   # now the square pen
        s.mouse("rdown", 200, 30)
        s.mouse("rup", 200, 30)
        s.mouse("ldown", 230, 240)
        s.mouse("lup", 230, 240)
        return self.shown_texture()

    def shown_texture(self):
        """The texture file of what the skin view shows (the grid is off)."""
        return WHITE_TEXTURE[:54] + texture_bytes(self.session.capture("skin"))

    def answer_question(self, path, button, belongs=""):
        self.session.expect_box("Pelterine", question(path, belongs), button=button, icon="warning")

    def test_crash_writes_the_texture_and_a_declined_file_is_set_aside(self):
        s = self.session
        work = self.start(extra={"pelterine-recovered-1.bmp": b"taken"})
        # A fault with nothing painted leaves nothing to recover.
        self.assertEqual(ACCESS_VIOLATION, s.driver("crash")[0])
        s.wait_exit()
        self.assertFalse((work / RECOVERED).exists())

        s.restart()
        s.wait_main()
        self.assertTrue(s.no_box_within(1))
        expected = self.paint()
        self.assertNotEqual(WHITE_TEXTURE, expected)
        self.assertEqual(ACCESS_VIOLATION, s.driver("crash")[0])
        s.wait_exit()
        self.assertEqual(expected, (work / RECOVERED).read_bytes())

        # "No": the file moves to the first free numbered name, and the next start asks nothing.
        s.restart()
        self.answer_question(work / RECOVERED, IDNO)
        s.wait_main()
        self.assertFalse((work / RECOVERED).exists())
        self.assertEqual(b"taken", (work / "pelterine-recovered-1.bmp").read_bytes())
        self.assertEqual(expected, (work / "pelterine-recovered-2.bmp").read_bytes())
        self.assertEqual(WHITE_TEXTURE, self.shown_texture())
        s.restart()
        s.wait_main()
        self.assertTrue(s.no_box_within(2))

    def test_killed_run_leaves_an_autosave_that_loads_exactly_and_saves_to_its_file(self):
        s = self.session
        # The interval comes from pelterine.ini: 10 s instead of the minute, longer than the painting takes.
        work = self.start(extra={"pelterine.ini": b"recovery.autosave_seconds=10\r\n", "skin.bmp": WHITE_TEXTURE,
                                 "box.vmr": s.dist / "_test_boite_tex.vmr"}, args=("skin.bmp", "box.vmr"))
        painting = time.time()
        expected = self.paint()
        autosave, record = work / AUTOSAVE, work / "pelterine-autosave.ini"
        self.assertTrue(wait_until(lambda: autosave.exists() and autosave.read_bytes() == expected, 30, 0.2),
                        "no autosave of the painting 30 s after it")
        # Written an interval after the painting began, not at once (a second allowed for the file times).
        self.assertGreaterEqual(autosave.stat().st_mtime, painting + 9)
        s.stop_program()   # SIGKILL, by PID: no chance to write anything more
        self.assertFalse((work / RECOVERED).exists())

        # The offer names what the record says the painting belongs to; "Yes" loads it as a changed texture (one
        # undo step) on that model, and skin.bmp, written since by another program, is asked about as a live
        # reload is.
        os.utime(work / "skin.bmp", (time.time() - 7200, time.time() - 7200))
        s.restart()
        self.answer_question(autosave, IDYES, "\nIt is skin.bmp, painted on box.vmr with vmr.dll.")
        s.expect_box("Pelterine", wine_path(work / "skin.bmp") + " changed on disk. Load it and lose your changes?",
                     button=IDNO)
        s.wait_main()
        self.assertEqual(expected, self.shown_texture())
        self.assertTrue(s.enabled(ids.IDC_UNDO))
        self.assertEqual(wine_path(work / "box.vmr"), s.text(ids.IDC_MODEL_PATH))
        # No keeps the painting, and Ctrl+S writes it to that file: nothing is left to recover.
        s.command(ids.IDM_SAVE)   # posted: the save may come after the driver's reply
        self.assertTrue(wait_until(lambda: (work / "skin.bmp").read_bytes() == expected, harness.DEFAULT_TIMEOUT))
        self.assertTrue(wait_until(lambda: not autosave.exists() and not record.exists(), harness.DEFAULT_TIMEOUT))

        # A layer painted and saved flat: skin.bmp does not hold the layers, so the autosave keeps them; "No" at
        # close removes it and its record.
        s.click(ids.IDC_NEW_LAYER)
        s.mouse("ldown", 10, 10)
        s.mouse("lup", 10, 10)
        s.command(ids.IDM_SAVE)
        self.assertTrue(wait_until(lambda: (work / "pelterine-autosave.ora").exists() and record.exists(), 30, 0.2),
                        "no autosave of the layers 30 s after their flat save")
        s.close()
        s.expect_box("Pelterine", "The layers are not saved in any file. Save them?", button=IDNO)
        self.assertEqual(0, s.wait_exit())
        self.assertEqual([], sorted(p.name for p in work.glob("pelterine-*")))

    def test_newer_file_is_offered_the_older_set_aside_and_a_save_removes_the_autosave(self):
        s = self.session
        older, newer = texture(1), texture(2)
        # The record spoke of the older autosave: it goes with it, unnamed in the question.
        work = s.work = s.stage(self.work_name(), extra={AUTOSAVE: older, RECOVERED: newer,
                                                         "pelterine-autosave.ini": b"texture=Z:\\old.bmp\r\n"})
        hour_ago = time.time() - 3600
        os.utime(work / AUTOSAVE, (hour_ago, hour_ago))
        s.restart()
        self.answer_question(work / RECOVERED, IDYES)
        s.wait_main()
        self.assertEqual(newer, self.shown_texture())
        self.assertEqual(older, (work / "pelterine-recovered-1.bmp").read_bytes())
        self.assertFalse((work / RECOVERED).exists())
        self.assertEqual(newer, (work / AUTOSAVE).read_bytes())   # it is the autosave of the texture now
        self.assertFalse((work / "pelterine-autosave.ini").exists())

        s.click(ids.IDC_UNDO)
        self.assertEqual(WHITE_TEXTURE, self.shown_texture())
        s.click(ids.IDC_REDO)
        self.assertEqual(newer, self.shown_texture())
        # Not the current file: saving asks where, and a save leaves nothing to recover.
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(work / "kept.bmp")
        self.assertEqual(newer, (work / "kept.bmp").read_bytes())
        self.assertFalse((work / AUTOSAVE).exists())
        s.close()
        self.assertEqual(0, s.wait_exit())

    def test_a_second_start_in_the_same_folder_leaves_the_folder_to_the_first(self):
        s = self.session
        leftovers = {AUTOSAVE + ".4242.tmp": b"half a texture", "config.cfg.77.tmp": b"half the settings",
                     "pelterine-autosave.ini.4242.tmp": b"half a record"}
        work = self.start(extra=dict(leftovers, **{"notes.77.tmp": b"not ours"}))
        for name in leftovers:
            self.assertFalse((work / name).exists(), "%s left from an interrupted write is removed" % name)
        self.assertTrue((work / "notes.77.tmp").exists())
        expected = self.paint()
        s.show("minimize")
        second = s.start_another()
        with s.any_process():
            s.expect_box("Pelterine", "Pelterine is already running in this folder.", icon="information")
        self.assertEqual(0, second.wait(harness.DEFAULT_TIMEOUT))
        state = wait_until(lambda: (lambda st: st if not st["iconic"] and st["foreground"] else None)(s.state()),
                           harness.DEFAULT_TIMEOUT)
        self.assertTrue(state, "the first window is brought to the front: %r" % s.state())
        self.assertEqual(expected, self.shown_texture(), "the first one paints on as before")
        self.assertEqual([], sorted(p.name for p in work.glob("pelterine-*")))


if __name__ == "__main__":
    harness.main()
