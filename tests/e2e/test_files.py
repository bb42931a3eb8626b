#!/usr/bin/env python3
# e2e-timeout: 400
"""End-to-end checks of files from outside the choosers under Wine: a model and a picture named on the command line
(picture first, relative paths) both open; the texture file overwritten by another program reloads by itself as one
undo step, asks before it replaces unsaved painting (No keeps it), and is never reloaded after Pelterine's own
save; a second start with a picture hands it to the running one; started with a picture in another folder (as "Open
with" may), the program works in its own folder and a reload keeps the view's zoom and waits for a writer that
holds the file; dropped files open a model through the plugin that takes it and a picture, and name the rest in one
message; "Export UV Layout..." writes the grid the view shows as black lines on transparent, and a model rewritten
by another program reloads with its new grid; Ctrl+C and Ctrl+V carry the texture and a picture through the
clipboard, and leave a text box's keys alone."""

import struct
import threading
import time
import zlib

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wine_path  # noqa: E402

IDNO = 7
SIDE = 256
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")
MODEL = "_test_boite_tex.vmr"


def bmp_file(width, height, colour_of):
    """A 24-bit BMP, bottom-up; colour_of(x, y) gives (r, g, b) with y counted from the top."""
    stride = (3 * width + 3) & ~3
    rows = b"".join(bytes(c for x in range(width) for c in reversed(colour_of(x, y))) + b"\0" * (stride - 3 * width)
                    for y in range(height - 1, -1, -1))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) + info + rows


def marked(colour):
    """A solid texture with a 4 x 4 marker at its top-left, so a flip or a shift shows."""
    return lambda x, y: (255, 0, 255) if x < 4 and y < 4 else colour


def read_png_alpha(path):
    """The alpha of an 8-bit RGBA PNG as rows top first, and its colours; filters None and Up (what the program
    writes)."""
    data = path.read_bytes()
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack(">IIBB", body[:10])
            assert (depth, colour_type) == (8, 6), "not 8-bit RGBA"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride, rows, above = zlib.decompress(idat), width * 4, [], bytes(width * 4)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        assert line[0] in (0, 2), "filter %d" % line[0]
        row = bytes(line[1:]) if line[0] == 0 else bytes((b + a) & 255 for b, a in zip(line[1:], above))
        rows.append(row)
        above = row
    return width, height, rows


class Files(harness.SessionTestCase):

    def shows(self, colour_of, timeout=5):
        """Waits until the skin view shows the whole texture as colour_of gives it."""
        def right():
            view = self.session.capture("skin")
            return all(view.get(x, y) == colour_of(x, y) for x, y in ((0, 0), (3, 3), (4, 4), (200, 100), (255, 255)))
        return harness.wait_until(right, timeout, interval=0.2)

    def test_command_line_files_open_and_reload_when_another_program_writes(self):
        s = self.session
        first, second, third = marked((200, 30, 40)), marked((20, 160, 60)), marked((1, 2, 250))
        fourth = marked((9, 9, 9))
        work = s.start(self.work_name(), extra={"box.vmr": s.dist / MODEL, "paint.bmp": bmp_file(SIDE, SIDE, first)},
                       args=("paint.bmp", "box.vmr"))
        s.wait_main()
        self.assertTrue(self.shows(first), "the picture of the command line is not shown")
        self.assertEqual(wine_path(work / "box.vmr"), s.text(ids.IDC_MODEL_PATH))
        self.assertEqual([], s.boxes())

        # Another program overwrites the file: no unsaved painting, so it reloads alone, as one undo step.
        (work / "paint.bmp").write_bytes(bmp_file(SIDE, SIDE, second))
        self.assertTrue(self.shows(second), "the texture did not reload")
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_UNDO)
        self.assertTrue(self.shows(first, 1), "undo did not bring back the texture before the reload")
        s.click(ids.IDC_REDO)
        self.assertTrue(self.shows(second, 1))

        # Unsaved painting: the question; No keeps the painting and asks no more for that change.
        s.mouse("ldown", 100, 100)
        s.mouse("lup", 100, 100)
        painted = s.capture("skin")
        (work / "paint.bmp").write_bytes(bmp_file(SIDE, SIDE, third))
        s.expect_box("Pelterine", wine_path(work / "paint.bmp") + " changed on disk. Load it and lose your changes?",
                     button=IDNO)
        self.assertTrue(s.no_box_within(1.5))
        self.assertEqual(painted.rows, s.capture("skin").rows)

        # Pelterine's own save reloads nothing.
        s.command(ids.IDM_SAVE)
        self.assertTrue(s.no_box_within(1.5))
        self.assertEqual(painted.rows, s.capture("skin").rows)

        # A second start with a picture hands it over: it opens here as a drop would, after the save question.
        s.mouse("ldown", 30, 200)
        s.mouse("lup", 30, 200)
        (work / "other.bmp").write_bytes(bmp_file(SIDE, SIDE, fourth))
        other = s.start_another("other.bmp")
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        self.assertTrue(self.shows(fourth), "the handed-over picture is not shown")
        self.assertEqual(0, other.wait(20))
        self.assertEqual([], s.boxes())

    def test_open_with_from_another_folder_works_in_the_programs_folder(self):
        s = self.session
        skin = marked((120, 5, 200))
        work = s.start(self.work_name(), extra={"docs/skin.bmp": bmp_file(SIDE, SIDE, skin)}, args=("skin.bmp",),
                       start_in="docs")
        s.wait_main()
        self.assertTrue(self.shows(skin), "the picture named relative to the starting folder is not shown")
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))   # the plugins of the program's folder
        self.assertEqual([], s.boxes())

        # A reload keeps the zoom: the wheel over the top-left corner doubles the 4 x 4 marker, and so it stays.
        def marker_pixels():
            return s.capture("skin").colours().get((255, 0, 255), 0)
        view = s.client_origin()["skin"]
        s.activate()
        s.mouse_move(view.x + 1, view.y + 1)
        s.xdotool("click", 4)
        self.assertTrue(harness.wait_until(lambda: marker_pixels() > 16, 5), "the wheel did not zoom")
        zoomed = marker_pixels()
        changed = marked((5, 120, 5))
        (work / "docs" / "skin.bmp").write_bytes(bmp_file(SIDE, SIDE, changed))
        self.assertTrue(harness.wait_until(lambda: s.capture("skin").get(100, 100) == changed(0, 100), 5))
        self.assertEqual(zoomed, marker_pixels())

        # A writer that still holds the file (no sharing): the reload waits for it to let go.
        path = work / "docs" / "skin.bmp"
        holder = threading.Thread(target=s.run_driver, args=("hold", wine_path(path), 4000))
        holder.start()
        self.assertTrue(harness.wait_until(lambda: s.run_driver("hold", wine_path(path), 1)[0] != 0, 5))
        held = marked((200, 200, 0))
        path.write_bytes(bmp_file(SIDE, SIDE, held))
        time.sleep(1.5)
        self.assertEqual(changed(0, 100), s.capture("skin").get(100, 100), "read while its writer held it")
        holder.join()
        self.assertTrue(harness.wait_until(lambda: s.capture("skin").get(100, 100) == held(0, 100), 5))
        s.close()
        self.assertEqual(0, s.wait_exit())
        self.assertTrue((work / "config.cfg").is_file())
        self.assertFalse((work / "docs" / "config.cfg").exists())

    def switch_plugin(self, name):
        s = self.session
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        s.plugins_select(s.plugins_list()[0].index(name))
        s.plugins_press(1)

    def test_dropped_model_switches_plugin_and_refused_files_share_one_message(self):
        s = self.session
        skin = marked((70, 80, 90))
        work = s.start(self.work_name(), extra={"box.vmr": s.dist / MODEL, "skin.bmp": bmp_file(SIDE, SIDE, skin)})
        s.wait_main()
        self.switch_plugin("obj.dll")
        self.assertEqual("obj.dll", s.text(ids.IDC_PLUGIN_NAME))
        s.driver("drop", *[wine_path(work / name) for name in ("notes.txt", "skin.bmp", "box.vmr", "more.bmp")])
        s.expect_box("Pelterine", "Pelterine cannot open %s\nPelterine cannot open %s" % (
            wine_path(work / "notes.txt"), wine_path(work / "more.bmp")))
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.assertEqual(wine_path(work / "box.vmr"), s.text(ids.IDC_MODEL_PATH))
        self.assertTrue(self.shows(skin), "the dropped picture is not shown")

    def test_uv_layout_export_draws_the_grid_the_view_shows(self):
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        self.assertTrue(s.enabled(ids.IDC_EXPORT_UV))
        s.click(ids.IDC_GRID)
        s.command(ids.IDM_ACTUAL_SIZE)   # one screen pixel a texel, whatever size the view starts at
        s.mouse_move(0, 0)   # the real cursor off the view: no brush outline in the picture
        view = s.capture("skin")
        grid = {(x, y) for y in range(SIDE) for x in range(SIDE) if view.get(x, y) == (0, 0, 0)}
        self.assertGreater(len(grid), 100)
        s.click(ids.IDC_EXPORT_UV)
        s.save_choose(work / "layout.png")
        width, height, rows = read_png_alpha(work / "layout.png")
        self.assertEqual((SIDE, SIDE), (width, height))
        strong = {(x, y) for y in range(SIDE) for x in range(SIDE) if rows[y][4 * x + 3] >= 128}
        self.assertTrue(all(rows[y][4 * x:4 * x + 3] == b"\0\0\0" for y in range(SIDE) for x in range(SIDE)))
        self.assertIn(0, {rows[y][4 * x + 3] for y in range(SIDE) for x in range(SIDE)})   # transparent around

        def near(point, points):
            return any((point[0] + dx, point[1] + dy) in points for dx in (-1, 0, 1) for dy in (-1, 0, 1))
        self.assertEqual([], [p for p in grid if not near(p, strong)][:8], "grid texels with no line near")
        self.assertEqual([], [p for p in strong if not near(p, grid)][:8], "lines away from the grid")

        # Another program rewrites the model with its texture coordinates halved: it reloads, its grid with it.
        def grid_in_bottom_left_quarter():
            view = s.capture("skin")
            black = [(x, y) for y in range(SIDE) for x in range(SIDE) if view.get(x, y) == (0, 0, 0)]
            return black and all(x < SIDE // 2 + 1 and y >= SIDE // 2 - 1 for x, y in black)
        self.assertFalse(grid_in_bottom_left_quarter())
        model = bytearray((work / MODEL).read_bytes())
        vertices = struct.unpack_from("<I", model, 12)[0]
        at = 20 + 24 * vertices
        halved = [c / 2 for c in struct.unpack_from("<%df" % (2 * vertices), model, at)]
        struct.pack_into("<%df" % (2 * vertices), model, at, *halved)
        (work / MODEL).write_bytes(bytes(model))
        self.assertTrue(harness.wait_until(grid_in_bottom_left_quarter, 5, interval=0.3), "the model did not reload")
        self.assertEqual([], s.boxes())

        # Another plugin holds no model, so there are no texture coordinates: the button is disabled.
        self.switch_plugin("obj.dll")
        self.assertTrue(harness.wait_until(lambda: not s.enabled(ids.IDC_EXPORT_UV), 3))

    def test_clipboard_copies_the_texture_and_pastes_a_picture_at_the_top_left(self):
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        s.mouse("ldown", 0, 0)   # a dab at the top-left, so the copy is not all white
        s.mouse("lup", 0, 0)
        before = s.capture("skin")
        s.activate()
        s.click_control(ids.IDC_SMOOTH_STROKES)   # the focus on a check box (toggled back), not a text box
        s.click_control(ids.IDC_SMOOTH_STROKES)
        s.key("ctrl+c")
        copied = work / "copied.bmp"
        self.assertTrue(harness.wait_until(lambda: s.run_driver("clip-get", copied)[0] == 0, 5))
        self.assertEqual(before.rows, harness.read_bmp(copied).rows)

        picture = lambda x, y: (x * 40, y * 60, 99)   # 5 x 3, asymmetric
        (work / "small.bmp").write_bytes(bmp_file(5, 3, picture))
        s.driver("clip-put", work / "small.bmp")
        s.key("ctrl+v")
        self.assertTrue(harness.wait_until(lambda: s.capture("skin").get(4, 2) == picture(4, 2), 5))
        after = s.capture("skin")
        self.assertEqual([], [(x, y) for y in range(3) for x in range(5) if after.get(x, y) != picture(x, y)])
        self.assertEqual(before.rows[3:], after.rows[3:])
        self.assertEqual(before.get(5, 0), after.get(5, 0))
        s.click(ids.IDC_UNDO)
        self.assertEqual(before.rows, s.capture("skin").rows)

        # In a text box the keys are the box's: the texture stays.
        s.click_control(ids.IDC_MODEL_PATH)
        s.key("ctrl+v")
        time.sleep(0.5)
        self.assertEqual(before.rows, s.capture("skin").rows)


if __name__ == "__main__":
    harness.main()
