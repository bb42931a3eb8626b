#!/usr/bin/env python3
# e2e-timeout: 600
"""End-to-end checks of the skin texture under Wine: square pen and eraser dabs from real and sent mouse
input, the buttons and modifiers that must not paint, texture files saved and loaded through the choosers
(exact bytes, refusals, failed saves that keep the earlier file), the questions and choosers that hold the main
window until answered, and "Texture on the fly" / "Apply Texture" as seen in the OpenGL viewport."""

import os
import struct
import subprocess
import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until, wine_path  # noqa: E402
from expect import model_colour  # noqa: E402

IDCANCEL, IDYES, IDNO = 2, 6, 7
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")

SIDE = 256
WHITE = (255, 255, 255)
PEN = (0, 119, 170)             # default pen colour, red first
MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL, MK_MBUTTON = 0x1, 0x2, 0x4, 0x8, 0x10
TEXTURE_FILE_BYTES = 14 + 40 + SIDE * SIDE * 3
SAVE_CHOOSER = "Enregistrer sous"
UNABLE_TO_SAVE = "Unable to save texture"
JPEG_QUESTION = "Saving as JPEG loses some detail each time. Save over the JPEG file?\nNo saves as another file."


# ------------------------------------------------------------------ texture files made by the tests

def bmp_file(width, height, bits=24, compression=0, planes=1, pixels=None, offset=54, signature=b"BM"):
    """A BMP file with the given header fields. pixels: the raw pixel bytes (default: white rows padded
    to 4 bytes for a 24-bit picture, zero bytes of the right size otherwise)."""
    if pixels is None:
        stride = (width * bits // 8 + 3) & ~3
        pixels = (b"\xff" if bits == 24 else b"\x00") * (stride * abs(height))
    gap = b"\x00" * (offset - 54)
    header = signature + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, planes, bits, compression, 0, 0, 0, 0, 0)
    return header + info + gap + pixels


def texture_bytes(picture):
    """The pixel block of a 256 x 256 texture file (bottom-up rows, blue-green-red) for a picture given as
    rows top to bottom of (r, g, b), as captures are."""
    out = bytearray()
    for y in range(SIDE - 1, -1, -1):
        for x in range(SIDE):
            r, g, b = picture.get(x, y)
            out += bytes((b, g, r))
    return bytes(out)


# ------------------------------------------------------------------ pictures

def painted(picture):
    """{(x, y): colour} of every pixel that is not white, in window coordinates (y down)."""
    out = {}
    for y in range(picture.height):
        row = picture.rows[y]
        for x in range(picture.width):
            c = (row[3 * x], row[3 * x + 1], row[3 * x + 2])
            if c != WHITE:
                out[(x, y)] = c
    return out


def square(cx, cy, size, colour):
    """The pixels of a square dab of this size at window position (cx, cy): texture row y = 255 - cy;
    the square covers columns x - size/2 .. x - size/2 + size - 1 and rows likewise upward in the
    texture, clamped to the texture, which in window rows is 255 - those rows."""
    half = size // 2
    tx, ty = cx, SIDE - 1 - cy
    cols = {min(max(tx - half + c, 0), SIDE - 1) for c in range(size)}
    rows = {min(max(ty - half + r, 0), SIDE - 1) for r in range(size)}
    return {(x, SIDE - 1 - y): colour for x in cols for y in rows}


def pixels_equal(a, b):
    return (a.width, a.height) == (b.width, b.height) and all(ra == rb for ra, rb in zip(a.rows, b.rows))


class SkinTexture(harness.SessionTestCase):

    # ---- helpers

    def start_square_pen(self, smooth=False):
        """Starts in a fresh folder with the shipped files; "Use Pattern" starts checked, so uncheck it
        for the square pen and eraser. Without smooth, "Smooth strokes" is unchecked too: each mouse message
        paints one dab."""
        s = self.session
        self.undo_locks(s.work_root / self.work_name())
        work = s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_USE_PATTERN)
        self.assertEqual(0, s.checked(ids.IDC_USE_PATTERN))
        if not smooth:
            s.click(ids.IDC_SMOOTH_STROKES)
        return work

    @staticmethod
    def undo_locks(work):
        """A run killed in the middle of a failed-save test leaves its folder immutable or mounted, and the
        fresh working folder could not be made: undo both first."""
        for name in ("locked", "full"):
            folder = work / name
            if folder.is_dir():
                subprocess.run(["chattr", "-i", str(folder)], capture_output=True)
                if os.path.ismount(folder):
                    subprocess.run(["umount", str(folder)], capture_output=True)

    def set_pen_size(self, size):
        self.session.set_text(ids.IDC_PEN_SIZE, str(size))
        self.session.click(ids.IDC_PEN_SIZE_OK)

    def set_eraser_size(self, size):
        self.session.set_text(ids.IDC_ERASER_SIZE, str(size))
        self.session.click(ids.IDC_ERASER_SIZE_OK)

    def assert_painted(self, expected, picture, what):
        got = painted(picture)
        if got != expected:
            extra = sorted(set(got) - set(expected))[:8]
            missing = sorted(set(expected) - set(got))[:8]
            wrong = sorted(p for p in set(got) & set(expected) if got[p] != expected[p])[:8]
            self.fail("%s: %d pixels painted, %d expected; unexpected %s, missing %s, wrong colour %s" % (
                what, len(got), len(expected), extra, missing, [(p, got[p], expected[p]) for p in wrong]))

    def wait_pixel(self, x, y, colour):
        """Waits until the skin view shows this colour at window pixel (x, y); returns the capture."""
        s = self.session
        seen = []

        def shown():
            seen[:] = [s.capture("skin")]
            return seen[0].get(x, y) == colour

        self.assertTrue(wait_until(shown, harness.DEFAULT_TIMEOUT, 0.1),
                        "the skin view never showed %r at (%d, %d)" % (colour, x, y))
        return seen[0]

    def load_texture(self, path, question=None):
        """Loads through "Load Texture..."; question: the answer to "Save the changes to the texture?", which a
        changed texture brings up first (IDNO drops the changes)."""
        self.session.click(ids.IDC_LOAD_TEXTURE)
        if question is not None:
            self.session.expect_box(*SAVE_QUESTION, button=question)
        self.session.open_choose(path)

    def save_texture(self, path, replace=False):
        """Saves through "Save Texture..."; replace=True answers the chooser's overwrite prompt with Yes."""
        s = self.session
        s.click(ids.IDC_SAVE_TEXTURE)
        if not replace:
            s.save_choose(path)
            return
        code, out, _ = s.run_driver("save-choose", wine_path(path))
        self.assertNotEqual(0, code, "the chooser did not ask before replacing %s" % path)
        self.assertTrue(any(line.startswith("box\t" + SAVE_CHOOSER) for line in out), out)
        s.press_box(IDYES, SAVE_CHOOSER)

    def release_real_input(self):
        # A failure in the middle of a real drag must not leave a button or Shift held for the next test.
        for args in (("keyup", "shift"), ("mouseup", "1"), ("mouseup", "3")):
            try:
                self.session.xdotool(*args)
            except harness.HarnessError:
                pass

    # ---- painting

    def test_fast_real_drag_leaves_separate_dabs(self):
        s = self.session
        self.start_square_pen()
        s.activate()
        skin = s.client_origin()["skin"]
        self.addCleanup(self.release_real_input)
        # Big jumps with the button held: each mouse message puts one dab where it is, nothing joins them.
        stops = [(30, 40), (70, 60), (110, 85), (150, 110), (190, 140), (230, 170)]
        s.mouse_move(skin.x + stops[0][0], skin.y + stops[0][1])
        s.mouse_down(1)
        self.wait_pixel(stops[0][0], stops[0][1], PEN)
        for x, y in stops[1:]:
            s.mouse_move(skin.x + x, skin.y + y)
            self.wait_pixel(x, y, PEN)
        s.mouse_up(1)
        picture = s.capture("skin")
        expected = {}
        for x, y in stops:
            expected.update(square(x, y, 3, PEN))
        self.assert_painted(expected, picture, "fast drag")
        for (x0, y0), (x1, y1) in zip(stops, stops[1:]):
            with self.subTest(gap=((x0, y0), (x1, y1))):
                self.assertEqual(WHITE, picture.get((x0 + x1) // 2, (y0 + y1) // 2), "dabs were joined")

    def test_fast_real_drag_with_smooth_strokes_paints_an_unbroken_line(self):
        s = self.session
        self.start_square_pen(smooth=True)
        self.assertEqual(1, s.checked(ids.IDC_SMOOTH_STROKES), "smoothing is on at start")
        s.activate()
        skin = s.client_origin()["skin"]
        self.addCleanup(self.release_real_input)
        s.mouse_move(skin.x + 20, skin.y + 60)
        s.mouse_down(1)
        self.wait_pixel(20, 60, PEN)
        s.mouse_move(skin.x + 220, skin.y + 60)   # one jump of 200 texels: one mouse message
        picture = self.wait_pixel(220, 60, PEN)
        s.mouse_up(1)
        self.assertEqual([], [x for x in range(20, 221) if picture.get(x, 60) != PEN], "gaps in the stroke")

    def test_smooth_stroke_that_leaves_and_comes_back_elsewhere_draws_no_line_across(self):
        s = self.session
        self.start_square_pen(smooth=True)
        s.activate()
        skin = s.client_origin()["skin"]
        self.addCleanup(self.release_real_input)
        # Pressed at (240, 160), out through the right edge, round above the view, in again at the left edge.
        s.mouse_move(skin.x + 240, skin.y + 160)
        s.mouse_down(1)
        self.wait_pixel(240, 160, PEN)
        for x, y in ((skin.width + 30, 160), (skin.width + 30, -40), (-30, -40), (-30, 160), (5, 160)):
            s.mouse_move(skin.x + x, skin.y + y)
        picture = self.wait_pixel(5, 160, PEN)
        s.mouse_up(1)
        row = [x for x in range(skin.width) if picture.get(x, 160) == PEN]
        self.assertEqual(list(range(239, 256)), [x for x in row if x > 128], "painted up to the right edge")
        self.assertEqual([], [x for x in row if 10 <= x <= 235], "a line where the cursor never was")
        self.assertTrue(s.enabled(ids.IDC_UNDO))
        s.click(ids.IDC_UNDO)
        self.assertFalse(s.enabled(ids.IDC_UNDO), "the two pieces were one undo step")

    def test_undo_and_redo_by_buttons_and_by_real_keys(self):
        s = self.session
        self.start_square_pen()
        blank = s.capture("skin")
        self.assertEqual((False, False), (s.enabled(ids.IDC_UNDO), s.enabled(ids.IDC_REDO)))
        s.mouse("ldown", 50, 50)
        s.mouse("lmove", 120, 80)
        s.mouse("lup", 120, 80, 0)
        stroke = s.capture("skin")
        self.assertEqual((True, False), (s.enabled(ids.IDC_UNDO), s.enabled(ids.IDC_REDO)))
        s.click(ids.IDC_UNDO)
        self.assertTrue(pixels_equal(blank, s.capture("skin")), "undo brings back the picture before the stroke")
        self.assertEqual((False, True), (s.enabled(ids.IDC_UNDO), s.enabled(ids.IDC_REDO)))
        s.click(ids.IDC_REDO)
        self.assertTrue(pixels_equal(stroke, s.capture("skin")))
        self.assertEqual((True, False), (s.enabled(ids.IDC_UNDO), s.enabled(ids.IDC_REDO)))

        # The press on the view took the focus out of the model box, so the keys act on the texture.
        s.activate()
        for keys, expected in (("ctrl+z", blank), ("ctrl+y", stroke), ("ctrl+z", blank), ("ctrl+shift+z", stroke)):
            s.key(keys)
            self.assertTrue(wait_until(lambda: pixels_equal(expected, s.capture("skin")), harness.DEFAULT_TIMEOUT),
                            "%s did not bring back the expected picture" % keys)
        # In a text box Ctrl+Z is the box's own undo.
        box = [c for c in s.controls() if c.id == ids.IDC_MODEL_PATH][0]
        origin = s.client_origin()["main"]
        s.xdotool("mousemove", "--sync", origin.x + box.left + 5, origin.y + box.top + 5, "click", "1")
        self.assertEqual(ids.IDC_MODEL_PATH, s.focus()[0])
        s.key("ctrl+z")
        self.assertTrue(pixels_equal(stroke, s.capture("skin")))
        self.assertTrue(s.enabled(ids.IDC_UNDO))

    def test_control_click_picks_the_colour_that_then_paints(self):
        s = self.session
        self.start_square_pen()
        s.mouse("ldown", 40, 40)
        s.click(ids.IDC_COLORS)
        self.assertEqual(PEN, s.color_read(), "the colour chooser opens on the pen colour")
        s.color_choose(200, 10, 10)
        s.mouse("ldown", 120, 40)
        s.mouse("ldown", 40, 40, MK_LBUTTON | MK_CONTROL)
        s.mouse("ldown", 200, 40)
        # The picked colour is the one the chooser opens on, and OK without a change keeps it.
        s.click(ids.IDC_COLORS)
        self.assertEqual(PEN, s.color_read())
        s.color_ok()
        s.mouse("ldown", 200, 80)
        picture = s.capture("skin")
        self.assertEqual(((200, 10, 10), PEN, PEN), (picture.get(120, 40), picture.get(200, 40), picture.get(200, 80)))

    def test_questions_and_choosers_hold_the_main_window_until_answered(self):
        s = self.session
        self.start_square_pen()
        s.mouse("ldown", 60, 60)   # a change: "Load Texture..." asks first
        before = s.capture("skin")
        s.activate()
        self.addCleanup(self.release_real_input)
        skin = s.client_origin()["skin"]
        target = (skin.x + 230, skin.y + 230)   # on the texture, clear of the question and of the chooser
        s.click_control(ids.IDC_LOAD_TEXTURE)
        self.assertEqual(SAVE_QUESTION, s.wait_box()[:2])
        # Real clicks on the texture and on "Load Texture..." while the question is open, then a real click on
        # its "No": the question's answer is handled after them, so what they did is done once it closes.
        self.assert_clear_of_dialogs(target)
        s.click_at(*target)
        s.click_control(ids.IDC_LOAD_TEXTURE)
        s.click_control(IDNO, dialog=SAVE_QUESTION[0])
        self.assertTrue(wait_until(lambda: [d.caption for d in s.dialogs()] == ["Ouvrir"], harness.DEFAULT_TIMEOUT),
                        "after No only the open chooser is open: %r" % (s.dialogs(),))
        # "Colors..." cannot open over the chooser, nor can the chooser's Cancel leave anything open.
        self.assert_clear_of_dialogs(self.control_centre(ids.IDC_COLORS))
        s.click_control(ids.IDC_COLORS)
        s.click_control(IDCANCEL, dialog="Ouvrir")
        self.assertTrue(wait_until(lambda: s.dialogs() == [], harness.DEFAULT_TIMEOUT),
                        "still open: %r" % (s.dialogs(),))
        self.assertTrue(pixels_equal(before, s.capture("skin")), "a click on the texture painted behind the question")

    def control_centre(self, control_id):
        """Screen position of the middle of a control of the main window."""
        s = self.session
        control = next(c for c in s.controls() if c.id == control_id)
        origin = s.client_origin()["main"]
        return origin.x + (control.left + control.right) // 2, origin.y + (control.top + control.bottom) // 2

    def assert_clear_of_dialogs(self, point):
        """A click meant for the main window must not land on an open dialog instead, or it would prove nothing."""
        x, y = point
        for d in self.session.dialogs():
            self.assertFalse(d.left <= x < d.right and d.top <= y < d.bottom, "%r covers %r" % (d, point))

    def test_closing_or_loading_asks_before_a_changed_texture_is_lost(self):
        s = self.session
        work = self.start_square_pen()
        s.mouse("ldown", 60, 60)
        s.close()
        s.expect_box(*SAVE_QUESTION, button=IDCANCEL, icon="warning")
        self.assertTrue(s.running(), "Cancel keeps the program open")
        self.assertFalse((work / "config.cfg").exists(), "and writes no settings yet")
        # "Load Texture..." asks first; Yes with no file of its own goes through the save chooser.
        first = work / "first.bmp"
        s.click(ids.IDC_LOAD_TEXTURE)
        s.expect_box(*SAVE_QUESTION, button=IDYES)
        s.save_choose(first)
        s.open_cancel()
        self.assertEqual(square(60, 60, 3, PEN), painted(harness.read_bmp(first)))
        # Saved, nothing is asked; Ctrl+S saves to the file last loaded or saved, with no chooser.
        self.load_texture(first)
        s.mouse("ldown", 90, 90)
        s.activate()
        s.key("ctrl+s")
        expected = {**square(60, 60, 3, PEN), **square(90, 90, 3, PEN)}
        self.assertTrue(wait_until(lambda: painted(harness.read_bmp(first)) == expected, harness.DEFAULT_TIMEOUT))
        s.close()
        self.assertEqual(0, s.wait_exit(), "nothing changed since the save: no question")
        # No closes without saving.
        work = self.start_square_pen()
        s.mouse("ldown", 60, 60)
        s.close()
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        self.assertEqual(0, s.wait_exit())
        self.assertEqual(["config.cfg"], sorted(p.name for p in work.iterdir() if p.suffix in (".cfg", ".bmp")
                                                 and p.name != "super_pattern_01.bmp"))

    def test_ctrl_s_keeps_format_and_depth_and_pcx_asks_before_reducing(self):
        s = self.session
        work = self.start_square_pen()
        # 8 bits, a palette of 5 entries (blue, green, red, 0) of which the picture uses the first 3.
        palette = bytes((10, 20, 30, 0, 200, 100, 50, 0, 0, 0, 255, 0, 9, 9, 9, 0, 1, 2, 3, 0))
        indices = bytes((x // 64) % 3 for y in range(SIDE) for x in range(SIDE))
        eight = work / "eight.bmp"
        data = bmp_file(SIDE, SIDE, bits=8, pixels=indices, offset=54 + len(palette))
        eight.write_bytes(data[:46] + struct.pack("<I", 5) + data[50:54] + palette + indices)
        self.load_texture(eight)
        s.mouse("ldown", 60, 60)
        s.activate()
        s.key("ctrl+s")
        self.assertTrue(wait_until(lambda: len(eight.read_bytes()) == 54 + 1024 + SIDE * SIDE, harness.DEFAULT_TIMEOUT),
                        "written back in 8 bits")
        data = eight.read_bytes()
        self.assertEqual(8, struct.unpack_from("<H", data, 28)[0])
        self.assertEqual(palette + bytes(PEN[::-1] + (0,)), data[54:78], "its own entries, then the pen's colour")
        self.assertEqual(5, data[54 + 1024 + (SIDE - 1 - 60) * SIDE + 60], "the dab in that colour")
        # Over a JPEG, Ctrl+S asks once for the file whether to lose detail.
        jpeg = work / "eight.jpg"
        self.save_texture(jpeg)
        for asked in (True, False):
            before = jpeg.stat().st_mtime_ns
            s.activate()
            s.key("ctrl+s")
            if asked:
                s.expect_box(wine_path(jpeg), JPEG_QUESTION, button=IDYES, icon="information")
            self.assertTrue(wait_until(lambda: jpeg.stat().st_mtime_ns != before, harness.DEFAULT_TIMEOUT))
        # 300 colours: a PCX save asks, No writes nothing, Yes writes one that leaves the painting changed.
        many = work / "many.bmp"
        many.write_bytes(bmp_file(SIDE, SIDE, pixels=bytes(c for i in range(SIDE * SIDE) for c in (i % 300 // 256,
                                                                                                  i % 300 % 256, 7))))
        self.load_texture(many)
        reduce = ("Pelterine", "The painting has 300 colours; PCX keeps 256. Reduce it?")
        for answer in (IDNO, IDYES):
            self.save_texture(work / "many.pcx")
            s.expect_box(*reduce, button=answer)
            self.assertEqual(answer == IDYES, (work / "many.pcx").exists())
        s.close()
        s.expect_box(*SAVE_QUESTION, button=IDCANCEL, icon="warning")

    def test_the_wheel_a_middle_drag_and_the_ctrl_keys_zoom_and_pan_the_view(self):
        # Each texel's colour names it: red its column, green its row from the top.
        s = self.session
        rows = bytes(c for r in range(SIDE) for x in range(SIDE) for c in (0x80, SIDE - 1 - r, x))
        work = s.start(self.work_name(), extra={"coded.bmp": bmp_file(SIDE, SIDE, pixels=rows)})
        s.wait_main()
        self.load_texture(work / "coded.bmp")
        s.activate()
        s.click_control(ids.IDC_CLASSIC_TEXTURE)   # the keyboard out of the model box, to a button
        view = s.client_origin()["skin"]
        x, y = view.width // 2 + 40, view.height // 2 - 30

        def texel(image, px, py):
            r, g, b = image.get(px, py)
            return (r, g) if b == 0x80 else None

        def shows(test):
            """Waits until a capture of the view passes the test; returns that capture."""
            seen = []

            def passes():
                seen[:] = [s.capture("skin")]
                return test(seen[0])

            self.assertTrue(wait_until(passes, harness.DEFAULT_TIMEOUT), "the view never showed it")
            return seen[0]

        s.key("ctrl+1")
        shown = shows(lambda i: texel(i, x, y) and texel(i, x + 1, y + 1) == tuple(c + 1 for c in texel(i, x, y)))
        t = texel(shown, x, y)
        # The wheel zooms in about the cursor: the pixel under it keeps its texel, now two pixels wide (the
        # cursor's pixel may be either half of it).
        s.mouse_move(view.x + x, view.y + y)
        s.xdotool("click", 4)
        shown = shows(lambda i: len({texel(i, x + k, y) for k in range(16)}) in (8, 9))
        self.assertEqual(t, texel(shown, x, y))
        # A middle drag takes the texture along with the cursor.
        s.mouse_down(2)
        s.mouse_move(view.x + x - 30, view.y + y - 20)
        s.mouse_up(2)
        shows(lambda i: texel(i, x - 30, y - 20) == t)
        # Ctrl+0 brings the whole texture into view.
        s.key("ctrl+0")
        corners = {(0, 0), (SIDE - 1, 0), (0, SIDE - 1), (SIDE - 1, SIDE - 1)}
        shows(lambda i: corners <= {texel(i, px, py) for px in range(i.width) for py in range(i.height)})

    def test_click_paints_the_pen_square_and_saves_an_exact_file(self):
        s = self.session
        work = self.start_square_pen()
        s.mouse("ldown", 100, 100)
        # Texture columns 99..101, rows 154..156 (bottom-up) are window rows 99..101.
        self.assert_painted(square(100, 100, 3, PEN), s.capture("skin"), "click at (100, 100)")
        self.assertEqual({(x, y) for x in range(99, 102) for y in range(99, 102)},
                         set(square(100, 100, 3, PEN)))

        path = work / "dab.bmp"
        self.save_texture(path)
        self.assertEqual([], s.boxes())
        data = path.read_bytes()
        self.assertEqual(TEXTURE_FILE_BYTES, len(data))
        self.assertEqual(b"BM", data[:2])
        file_header = struct.unpack("<IHHI", data[2:14])
        self.assertEqual((TEXTURE_FILE_BYTES, 0, 0, 54), file_header, "bfSize, reserved words, bfOffBits")
        info = struct.unpack("<IiiHHIIiiII", data[14:54])
        self.assertEqual((40, 256, 256, 1, 24, 0, 0, 0, 0, 0, 0), info,
                         "biSize, size, planes, bit count, compression, biSizeImage, resolution, colours")
        expected = bytearray(b"\xff" * (SIDE * SIDE * 3))
        for row in range(154, 157):
            for col in range(99, 102):
                at = (row * SIDE + col) * 3
                expected[at:at + 3] = bytes((170, 119, 0))   # blue, green, red
        if data[54:] != bytes(expected):
            diffs = [i // 3 for i in range(0, len(expected), 3) if data[54 + i:57 + i] != expected[i:i + 3]]
            self.fail("pixel data differs at %d pixels, first (col, row): %s" % (
                len(diffs), [(d % SIDE, d // SIDE) for d in diffs[:8]]))

        # A name typed without an extension gets ".bmp", once.
        self.save_texture(work / "typed")
        self.assertEqual(data, (work / "typed.bmp").read_bytes())
        self.assertFalse((work / "typed..bmp").exists())

    def test_right_button_whitens_a_7_by_7_square(self):
        s = self.session
        self.start_square_pen()
        self.set_pen_size(20)
        s.mouse("ldown", 100, 100)
        pen_square = square(100, 100, 20, PEN)
        self.assert_painted(pen_square, s.capture("skin"), "20-pixel pen square")
        s.mouse("rdown", 100, 100)
        eraser = square(100, 100, 7, WHITE)
        self.assertEqual({(x, y) for x in range(97, 104) for y in range(97, 104)}, set(eraser))
        expected = {p: c for p, c in pen_square.items() if p not in eraser}
        self.assert_painted(expected, s.capture("skin"), "eraser in the pen square")
        # A right-button move erases too, with the eraser's own size.
        self.set_eraser_size(4)
        s.mouse("rmove", 92, 92)
        for p in square(92, 92, 4, WHITE):
            expected.pop(p, None)
        self.assertEqual(16, len(square(92, 92, 4, WHITE)))
        self.assert_painted(expected, s.capture("skin"), "eraser move of size 4")

    def test_shift_ctrl_middle_and_both_buttons_paint_nothing(self):
        s = self.session
        self.start_square_pen()
        sent = [
            ("ldown", MK_LBUTTON | MK_SHIFT), ("lmove", MK_LBUTTON | MK_SHIFT),
            ("rdown", MK_RBUTTON | MK_SHIFT), ("rmove", MK_RBUTTON | MK_SHIFT),
            ("lmove", MK_LBUTTON | MK_CONTROL), ("lmove", MK_LBUTTON | MK_RBUTTON),
            ("ldown", MK_LBUTTON | MK_RBUTTON), ("rdown", MK_LBUTTON | MK_RBUTTON),
            ("lmove", MK_LBUTTON | MK_MBUTTON), ("mmove", MK_MBUTTON), ("move", 0),
        ]
        for i, (msg, wparam) in enumerate(sent):
            s.mouse(msg, 20 + 20 * i, 60, wparam)
        self.assert_painted({}, s.capture("skin"), "sent messages with modifiers or several buttons")

        # The same with real input: a Shift drag, then a drag with both buttons held.
        s.activate()
        skin = s.client_origin()["skin"]
        self.addCleanup(self.release_real_input)
        at = lambda x, y: s.mouse_move(skin.x + x, skin.y + y)  # noqa: E731
        s.xdotool("keydown", "shift")
        at(40, 120)
        s.mouse_down(1)
        for x in (80, 120, 160):
            at(x, 130)
        s.mouse_up(1)
        s.xdotool("keyup", "shift")
        at(40, 180)
        s.mouse_down(1)        # the press alone has exactly the left button: one dab
        s.mouse_down(3)
        for x in (80, 120, 160):
            at(x, 190)
        s.mouse_up(3)
        s.mouse_up(1)
        # A plain click last: once it shows, every earlier real event has been handled.
        at(200, 230)
        s.mouse_down(1)
        s.mouse_up(1)
        picture = self.wait_pixel(200, 230, PEN)
        expected = dict(square(40, 180, 3, PEN))
        expected.update(square(200, 230, 3, PEN))
        self.assert_painted(expected, picture, "real Shift drag and two-button drag")

    # ---- texture files

    def test_refused_textures_show_their_message_and_change_nothing(self):
        s = self.session
        work = self.start_square_pen()
        s.mouse("ldown", 60, 200)
        before = s.capture("skin")
        full = SIDE * SIDE * 3
        cases = [
            ("8bit-rle.bmp", bmp_file(256, 256, bits=8, compression=1, pixels=b"\x00" * 2048),
             "Picture is compressed, too hard for me :P"),
            ("bitfields.bmp", bmp_file(256, 256, compression=3), "Picture is compressed, too hard for me :P"),
            ("huge.bmp", bmp_file(8193, 1, pixels=b""), "Picture file is too large"),
            ("planes.bmp", bmp_file(256, 256, planes=2), "Plan number incorrect, must be 1"),
            # Our own choice for files too short for their pixels or headers: refuse them whole.
            ("truncated.bmp", bmp_file(256, 256, pixels=b"\x00" * (full - 3)), "Picture file is truncated"),
            ("short.bmp", bmp_file(256, 256, pixels=b"")[:40], "Picture file is truncated"),
        ]
        for name, data, message in cases:
            with self.subTest(file=name):
                path = work / name
                path.write_bytes(data)
                self.load_texture(path, question=IDNO)
                s.expect_box(wine_path(path), message, icon="error")
                self.assertEqual([], s.boxes())
        self.assertTrue(pixels_equal(before, s.capture("skin")), "a refused file changed the skin view")
        # The texture itself (what a save writes) is unchanged too.
        saved = work / "after.bmp"
        self.save_texture(saved)
        self.assertEqual(texture_bytes(before), saved.read_bytes()[54:])

    def test_saved_texture_loads_back_identically(self):
        s = self.session
        work = self.start_square_pen()
        # Something with no symmetry: squares of several sizes and a stamp of the default pattern.
        s.mouse("ldown", 20, 30)
        self.set_pen_size(12)
        s.mouse("ldown", 200, 40)
        self.set_pen_size(1)
        s.mouse("ldown", 255, 255)
        s.click(ids.IDC_USE_PATTERN)
        s.mouse("ldown", 128, 200)
        first = s.capture("skin")
        self.assertGreater(len(first.colours()), 3)

        path = work / "round-trip.bmp"
        self.save_texture(path)
        data = path.read_bytes()
        self.assertEqual(texture_bytes(first), data[54:], "the file holds what the view shows")

        s.click(ids.IDC_USE_PATTERN)
        self.set_pen_size(1000)
        s.mouse("ldown", 10, 10)
        covered = s.capture("skin")
        self.assertEqual({PEN: SIDE * SIDE}, covered.colours())
        self.load_texture(path, question=IDNO)
        self.assertEqual([], s.boxes())
        self.assertTrue(pixels_equal(first, s.capture("skin")), "the loaded texture differs from the saved one")

        # The signature is not needed, and the pixels are read from bfOffBits even after a gap.
        s.mouse("ldown", 10, 10)
        variant = work / "variant.bmp"
        variant.write_bytes(bmp_file(256, 256, pixels=data[54:], offset=54 + 26, signature=b"XY"))
        self.load_texture(variant, question=IDNO)
        self.assertEqual([], s.boxes())
        self.assertTrue(pixels_equal(first, s.capture("skin")), "the file with a gap loaded differently")

    def _mount_tmpfs(self, folder, size):
        """Mounts a tmpfs of this size on the folder (undone at cleanup); returns None, or why it failed."""
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s" % size, "tmpfs", str(folder)],
                           capture_output=True, text=True)
        if r.returncode != 0:
            return r.stderr.strip() or "mount failed"
        self.addCleanup(subprocess.run, ["umount", str(folder)], capture_output=True)
        return None

    def _unwritable_folder_with(self, folder, name, data):
        """Puts the file into the folder, then makes the folder unwritable even for root (the tests run as
        root, so permissions would not stop a write): immutable, or else a read-only tmpfs. Skips the test
        when neither works here. Returns how the folder was locked."""
        (folder / name).write_bytes(data)
        r = subprocess.run(["chattr", "+i", str(folder)], capture_output=True, text=True)
        if r.returncode == 0:
            self.addCleanup(subprocess.run, ["chattr", "-i", str(folder)], capture_output=True)
            return "chattr +i"
        chattr_error = r.stderr.strip()
        why = self._mount_tmpfs(folder, "1m")
        if why is not None:
            self.skipTest("no way to make a folder unwritable for root: chattr +i: %s; mount: %s" % (chattr_error, why))
        (folder / name).write_bytes(data)
        r = subprocess.run(["mount", "-o", "remount,ro", str(folder)], capture_output=True, text=True)
        if r.returncode != 0:
            self.skipTest("no way to make a folder unwritable for root: chattr +i: %s; remount ro: %s" % (
                chattr_error, r.stderr.strip()))
        return "a read-only tmpfs"

    def test_save_into_an_unwritable_folder_keeps_the_earlier_file(self):
        s = self.session
        work = self.start_square_pen()
        folder = work / "locked"
        folder.mkdir()
        earlier = bmp_file(256, 256, pixels=bytes(range(256)) * (SIDE * 3))
        how = self._unwritable_folder_with(folder, "kept.bmp", earlier)
        target = folder / "kept.bmp"
        s.mouse("ldown", 100, 100)
        # Replacing the earlier file: the folder refuses the temporary file, so nothing may touch the target
        # (opening the target itself for writing would still succeed under chattr +i).
        self.save_texture(target, replace=True)
        s.expect_box(wine_path(target), UNABLE_TO_SAVE, icon="error")
        self.assertEqual(earlier, target.read_bytes(), "the earlier file changed (folder locked by %s)" % how)
        # A new name in the same folder fails the same way and leaves nothing behind.
        fresh = folder / "fresh.bmp"
        self.save_texture(fresh)
        s.expect_box(wine_path(fresh), UNABLE_TO_SAVE, icon="error")
        self.assertEqual(["kept.bmp"], sorted(os.listdir(folder)))
        self.assertEqual([], s.boxes())

    def test_save_onto_a_full_disk_keeps_the_earlier_file(self):
        s = self.session
        work = self.start_square_pen()
        folder = work / "full"
        folder.mkdir()
        # 256 KiB holds the earlier texture (196,662 bytes) but not a second one beside it.
        why = self._mount_tmpfs(folder, "256k")
        if why is not None:
            self.skipTest("cannot mount a small tmpfs here: %s" % why)
        target = folder / "kept.bmp"
        earlier = bmp_file(256, 256, pixels=bytes(range(256)) * (SIDE * 3))
        self.assertEqual(TEXTURE_FILE_BYTES, len(earlier))
        target.write_bytes(earlier)
        s.mouse("ldown", 100, 100)
        self.save_texture(target, replace=True)
        s.expect_box(wine_path(target), UNABLE_TO_SAVE, icon="error")
        self.assertEqual(earlier, target.read_bytes(), "a failed save damaged the earlier file")
        self.assertEqual(["kept.bmp"], sorted(os.listdir(folder)), "a temporary file was left behind")
        self.assertEqual([], s.boxes())
        # The program goes on: a save elsewhere still works.
        elsewhere = work / "elsewhere.bmp"
        self.save_texture(elsewhere)
        self.assertEqual(TEXTURE_FILE_BYTES, elsewhere.stat().st_size)

    # ---- the texture on the model

    def wait_box_colour(self, colour):
        s = self.session
        seen = []

        def shows():
            seen[:] = [model_colour(s.read_viewport())]
            return seen[0] == colour

        self.assertTrue(wait_until(shows, harness.DEFAULT_TIMEOUT, 0.1),
                        "the model never looked %s (last: %s); frame %s" % (colour, seen, s.work / "gl-viewport.ppm"))

    def new_frames(self, n):
        """Reads the viewport until n frames different from their predecessor have been seen (the model
        spins, so every frame differs); returns them."""
        s = self.session
        frames = [s.read_viewport()]
        while len(frames) <= n:
            nxt = []

            def changed():
                nxt[:] = [s.read_viewport()]
                return not pixels_equal(nxt[0], frames[-1])

            self.assertTrue(wait_until(changed, harness.DEFAULT_TIMEOUT, 0.05), "the viewport stopped changing")
            frames.append(nxt[0])
        return frames[1:]

    def test_texture_on_the_fly_and_apply_texture(self):
        s = self.session
        self.start_square_pen()
        self.assertEqual(1, s.checked(ids.IDC_TEXTURE_ON_THE_FLY))
        self.assertFalse(s.enabled(ids.IDC_APPLY_TEXTURE))
        s.click(ids.IDC_TEXTURE_ON_THE_FLY)
        self.assertEqual(0, s.checked(ids.IDC_TEXTURE_ON_THE_FLY))
        self.assertTrue(s.enabled(ids.IDC_APPLY_TEXTURE))
        s.click(ids.IDC_TEXTURE_ON_THE_FLY)
        self.assertEqual(1, s.checked(ids.IDC_TEXTURE_ON_THE_FLY))
        self.assertFalse(s.enabled(ids.IDC_APPLY_TEXTURE))

        # The default box, loaded at start-up through vmr.dll, shows the white texture.
        self.wait_box_colour("grey")
        # Painting with the box unchecked changes the view at once but not the model.
        s.click(ids.IDC_TEXTURE_ON_THE_FLY)
        self.set_pen_size(1000)
        s.mouse("ldown", 128, 128)
        self.assertEqual({PEN: SIDE * SIDE}, s.capture("skin").colours())
        for i, frame in enumerate(self.new_frames(3)):
            with self.subTest(frame=i):
                self.assertEqual("grey", model_colour(frame), "the model changed before Apply Texture")
        s.click(ids.IDC_APPLY_TEXTURE)
        self.wait_box_colour("blue")

        # With the box checked, a dab reaches the model by itself.
        s.click(ids.IDC_TEXTURE_ON_THE_FLY)
        self.assertFalse(s.enabled(ids.IDC_APPLY_TEXTURE))
        self.set_eraser_size(1000)
        s.mouse("rdown", 128, 128)
        self.assertEqual({WHITE: SIDE * SIDE}, s.capture("skin").colours())
        self.wait_box_colour("grey")


if __name__ == "__main__":
    harness.main()
