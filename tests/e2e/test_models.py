#!/usr/bin/env python3
# e2e-timeout: 600
"""End-to-end checks of the plugin loader, model loading and the mapping coordinate grid, on the real
pelterine.exe under Wine: the default plugin and model, the grid over the skin view, models with and
without texture coordinates, the "Load" and "..." commands (and the file types "..." offers), plugins lacking
exports, and the exact order of the plugin calls as the recorder test plugin logs them.

Generated models come from the native make_vmr tool: set PELTERINE_MAKE_VMR to its path, or run the file
from the native build folder (as CTest does), or keep the native build beside the Windows build
(<name>-win and <name>-native, or win and native)."""

import os
import re
import subprocess
import sys
import time
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import SIDE, box_extent_over_a_turn, bright_bounds, f32, grid_pixels, to_view  # noqa: E402

PLUGIN_FAILED = ("Plugin Error", "Unable to load plugin 'vmr.dll'")
NO_PLUGIN_FOR_MODEL = ("Error", "Unable to load object, there is no plugin loaded")
PLUGIN_PATH_CAPTION = "plugins\\vmr.dll"
NO_SK_LOAD = "Unable to find 'sk_load' function in the plugin"
NO_SK_DRAW = "Unable to find 'sk_draw' function in the plugin"
MISSING_OPTIONAL = ("Some plugin functions wasn't found\n\n"
                    "    sk_getinfo\n    sk_gettexcoord\n    sk_freetexcoordtab\n    sk_info\n")
DEFAULT_MODEL = "_test_boite_tex.vmr"

MK_LBUTTON, MK_RBUTTON = 1, 2

WHITE, BLACK = (255, 255, 255), (0, 0, 0)
PEN = (0, 119, 170)          # the default pen colour; the default pen size is 3
TEXTURE_FILE_SIZE = 54 + SIDE * SIDE * 3


# ------------------------------------------------------------------ the mapping grid, computed independently

def box_triangles():
    """The default box's texture triangles as the shipped plugin reports them: six faces in a cross of
    64-texel squares, each face's quad a, b, c, d split into (a, b, c) and (a, c, d)."""
    cells = [(1, 2), (2, 2), (3, 2), (0, 2), (1, 3), (1, 1)]   # front, right, back, left, top, bottom
    corner_u, corner_v = (0, 1, 1, 0), (0, 0, 1, 1)
    triangles = []
    for column, row in cells:
        uv = [((column + corner_u[k]) * 0.25, (row + corner_v[k]) * 0.25) for k in range(4)]
        triangles += [(uv[0], uv[1], uv[2]), (uv[0], uv[2], uv[3])]
    return triangles


def flat_grid_triangles(cells):
    """make_vmr grid N: vertices row by row from the bottom, u = i / N, v = j / N; quad (bl, br, tr, tl)
    split into (bl, br, tr) and (bl, tr, tl)."""
    def uv(i, j):
        return (f32(i / cells), f32(j / cells))
    triangles = []
    for j in range(cells):
        for i in range(cells):
            bl, br, tr, tl = uv(i, j), uv(i + 1, j), uv(i + 1, j + 1), uv(i, j + 1)
            triangles += [(bl, br, tr), (bl, tr, tl)]
    return triangles


FULL_TRIANGLE = [((0.0, 0.0), (1.0, 0.0), (0.0, 1.0))]


# ------------------------------------------------------------------ generated models

def make_vmr_tool():
    candidates = []
    if os.environ.get("PELTERINE_MAKE_VMR"):
        candidates.append(Path(os.environ["PELTERINE_MAKE_VMR"]))
    candidates.append(Path.cwd() / "make_vmr")   # CTest runs the test in the native build folder
    win = harness.Config.win_build
    if win.name.endswith("win"):
        candidates.append(win.parent / (win.name[:-3] + "native") / "make_vmr")
    for tool in candidates:
        if tool.is_file() and os.access(tool, os.X_OK):
            return tool
    raise harness.HarnessError("make_vmr not found (tried %s); build the native build or set PELTERINE_MAKE_VMR"
                               % ", ".join(map(str, candidates)))


def make_model(target, *kind):
    """Writes a .vmr model with make_vmr (kind: "box", "notex", "grid", "4", ...)."""
    r = subprocess.run([str(make_vmr_tool())] + list(kind) + [str(target)], capture_output=True, text=True,
                       timeout=60)
    if r.returncode != 0:
        raise harness.HarnessError("make_vmr %s failed: %s" % (" ".join(kind), r.stderr))
    return target


# ------------------------------------------------------------------ shared checks

class ModelTestCase(harness.SessionTestCase):

    def start_default(self):
        s = self.session
        s.start(self.work_name())
        s.wait_main()
        return s

    def start_with_plugin_as_vmr(self, dll):
        """Starts with a test plugin copied in as plugins\\vmr.dll, so start-up loads it."""
        s = self.session
        s.start(self.work_name(), plugins=False,
                extra={"plugins/vmr.dll": s.win_build / "test-plugins" / dll})
        return s

    def assert_view(self, picture, grid=frozenset(), paint=frozenset(), paint_colour=PEN, what="the skin view"):
        """The picture shows white, the paint square and, on top of everything, the grid's black pixels
        (positions in view coordinates)."""
        self.assertEqual((SIDE, SIDE), (picture.width, picture.height))
        wrong = []
        for y in range(SIDE):
            for x in range(SIDE):
                expected = BLACK if (x, y) in grid else paint_colour if (x, y) in paint else WHITE
                got = picture.get(x, y)
                if got != expected:
                    wrong.append(((x, y), got, expected))
        self.assertEqual([], wrong[:12], "%d pixels of %s differ ((x, y), seen, expected)" % (len(wrong), what))

    def assert_gl_black(self):
        frame = self.session.read_viewport()
        self.assertEqual({BLACK}, set(frame.colours()), "viewport frame: %s" % (self.session.work / "gl-viewport.ppm"))



# ------------------------------------------------------------------ the shipped plugin and the default box

class DefaultPluginAndModel(ModelTestCase):
    """The working folder as shipped: plugins\\vmr.dll and the default textured box."""

    def test_startup_loads_the_plugin_and_shows_the_lit_box(self):
        s = self.start_default()
        self.assertEqual([], s.boxes(), "start-up showed a message")
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.assertEqual(DEFAULT_MODEL, s.text(ids.IDC_MODEL_PATH))
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        frame = s.read_viewport()
        where = "viewport frame: %s" % (s.work / "gl-viewport.ppm")
        last = min(frame.width, frame.height) - 1
        for corner in ((0, 0), (last, 0), (0, last), (last, last), (20, 20), (last - 20, last - 20)):
            self.assertEqual(BLACK, frame.get(*corner), "%s at %r" % (where, corner))
        # A white, textured, lit box: neutral grey levels, bright where it faces the light.
        centre = frame.get(256, 256)
        self.assertEqual(centre[0], centre[1], where)
        self.assertEqual(centre[1], centre[2], where)
        self.assertGreater(centre[0], 150, where)
        # The box turns, so each edge of its bright region lies between the extremes it reaches in a turn.
        x0, y0, x1, y1, count = bright_bounds(frame)
        outer, inner = box_extent_over_a_turn()
        margin = 3
        for name, seen, low, high in (("left", x0, outer[0], inner[0]), ("top", y0, outer[1], inner[1]),
                                      ("right", x1, inner[2], outer[2]), ("bottom", y1, inner[3], outer[3])):
            self.assertTrue(low - margin <= seen <= high + margin, "%s edge of the box at %d, expected %.0f to "
                            "%.0f; %s" % (name, seen, low, high, where))
        self.assertGreater(count, 0.6 * (x1 - x0) * (y1 - y0), "the box is a solid region: " + where)

    def test_grid_shows_the_box_cross_and_hides_again(self):
        s = self.start_default()
        self.assert_view(s.capture("skin"))
        expected = to_view(grid_pixels(box_triangles()))
        # A few lines of the cross spelled out, so a wrong layout is obvious in the failure message:
        # row 127 (view y 128) runs along all four middle squares, column 63 borders left and front.
        for pixel in [(0, 128), (100, 128), (254, 128), (255, 128), (63, 100), (63, 64), (127, 0), (191, 100)]:
            self.assertIn(pixel, expected)
        for pixel in [(30, 30), (200, 30), (100, 230), (255, 255)]:
            self.assertNotIn(pixel, expected)
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=expected)
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"))
        s.click(ids.IDC_GRID)
        self.assert_view(s.capture("skin"), grid=expected)

    def test_paint_over_a_grid_line_shows_the_line_but_saves_the_paint(self):
        s = self.start_default()
        s.click(ids.IDC_USE_PATTERN)   # solid pen squares instead of the pattern brush
        self.assertEqual(0, s.checked(ids.IDC_USE_PATTERN))
        s.click(ids.IDC_GRID)
        # Texel column 100, row 127: on the grid line along the middle row of the cross.
        s.mouse("ldown", 100, 128, MK_LBUTTON)
        square = {(x, y) for x in (99, 100, 101) for y in (127, 128, 129)}
        grid = to_view(grid_pixels(box_triangles()))
        self.assertTrue({(99, 128), (100, 128), (101, 128)} <= grid)
        self.assert_view(s.capture("skin"), grid=grid, paint=square)
        saved = s.work / "painted.bmp"
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(saved)
        self.assertTrue(wait_until(lambda: saved.is_file() and saved.stat().st_size == TEXTURE_FILE_SIZE,
                                   harness.DEFAULT_TIMEOUT), "no texture file written")
        self.assert_view(harness.read_bmp(saved), paint=square, what="the saved texture")
        self.assertEqual([], s.boxes())

    def test_model_without_texture_coordinates_keeps_the_grid_unchecked(self):
        s = self.start_default()
        make_model(s.work / "plain box.vmr", "notex")
        s.click(ids.IDC_USE_PATTERN)
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        s.set_text(ids.IDC_MODEL_PATH, "plain box.vmr")
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes())
        self.assertEqual(0, s.checked(ids.IDC_GRID), "a model without texture coordinates unchecks the grid")
        # The load composes the view before it repaints it: the old model's grid is gone at once.
        box_grid = to_view(grid_pixels(box_triangles()))
        self.assert_view(s.capture("skin"), what="the view right after the load")
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID), "the grid cannot be checked without texture coordinates")
        self.assert_view(s.capture("skin"))
        # The untextured box is still drawn.
        self.assertIsNotNone(bright_bounds(s.read_viewport()))
        # A model with coordinates makes the box work again, with its grid rebuilt.
        s.set_text(ids.IDC_MODEL_PATH, DEFAULT_MODEL)
        s.click(ids.IDC_LOAD_MODEL)
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=box_grid)

    def test_choose_model_loads_it_and_cancel_reports_it(self):
        s = self.start_default()
        model = make_model(s.work / "flat.vmr", "grid", "4")
        s.click(ids.IDC_CHOOSE_MODEL)
        self.assertEqual(["Vantrel Morvane (*.vmr)", "All files (*.*)"], s.open_filters(), "vmr.dll's own list")
        s.open_choose(model)
        self.assertEqual([], s.boxes())
        self.assertEqual(harness.wine_path(model).lower(), s.text(ids.IDC_MODEL_PATH).lower())
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        flat = to_view(grid_pixels(flat_grid_triangles(4)))
        self.assert_view(s.capture("skin"), grid=flat)
        # Cancelling the chooser changes nothing.
        before = s.text(ids.IDC_MODEL_PATH)
        s.click(ids.IDC_CHOOSE_MODEL)
        s.open_cancel()
        self.assertEqual([], s.boxes())
        self.assertEqual(before, s.text(ids.IDC_MODEL_PATH))
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=flat)


# ------------------------------------------------------------------ no plugin, and plugins lacking exports

class WithoutAWorkingPlugin(ModelTestCase):

    def test_load_without_plugin_reports_it_and_empty_path_does_nothing(self):
        s = self.session
        s.start(self.work_name(), data=False, plugins=False)
        s.expect_box(*PLUGIN_FAILED, icon="error")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        s.wait_main()
        s.click(ids.IDC_LOAD_MODEL)
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        self.assertEqual([], s.boxes())
        s.set_text(ids.IDC_MODEL_PATH, "")
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes(), "\"Load\" with an empty path must do nothing")
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME))
        self.assertTrue(s.running())

    def test_plugin_without_sk_load_and_sk_draw(self):
        s = self.start_with_plugin_as_vmr("noload_nodraw.dll")
        s.expect_box(PLUGIN_PATH_CAPTION, NO_SK_LOAD, icon="error")
        s.expect_box(*PLUGIN_FAILED, icon="error")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME))
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID), "no model was loaded, so there are no texture coordinates")
        self.assert_gl_black()

    def test_plugin_without_sk_draw_loads_models_but_draws_nothing(self):
        s = self.start_with_plugin_as_vmr("nodraw.dll")
        s.expect_box(PLUGIN_PATH_CAPTION, NO_SK_DRAW, icon="error")
        s.expect_box(*PLUGIN_FAILED, icon="error")
        s.wait_main()
        self.assertEqual([], s.boxes(), "the model loads through sk_load without a message")
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME))
        # The model was loaded: its texture coordinates, (0.5, 0.5), (1, 0.5), (0.5, 1), make the grid.
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=to_view(grid_pixels([((0.5, 0.5), (1.0, 0.5), (0.5, 1.0))])))
        self.assert_gl_black()
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes())
        self.assert_gl_black()

    def test_plugin_with_only_the_required_exports_warns_then_works(self):
        s = self.start_with_plugin_as_vmr("bare.dll")
        s.expect_box("Warning", MISSING_OPTIONAL, icon="warning")
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
        # The first frames follow the box: on a busy machine the square may take a moment to show.
        self.assertIsNotNone(wait_until(lambda: bright_bounds(s.read_viewport()), harness.DEFAULT_TIMEOUT),
                             "the plugin's square is drawn")
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID), "without sk_getinfo a model has no texture coordinates")
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes())
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        # Without sk_filefilter the chooser offers .vmr files alone.
        s.click(ids.IDC_CHOOSE_MODEL)
        self.assertEqual(["Vantrel Morvane (*.vmr)"], s.open_filters())
        s.open_cancel()


# ------------------------------------------------------------------ the order of the plugin calls

DRAW_STATE = re.compile(r"sk_draw matrix=modelview texture=[1-9]\d* texture2d=1 lighting=1 colormaterial=1 depth=1$")


class PluginCalls(ModelTestCase):
    """recorder.dll as plugins\\vmr.dll appends each call it receives to plugin_calls.log."""

    def log_lines(self):
        log = self.session.work / "plugin_calls.log"
        return log.read_text().splitlines() if log.is_file() else []

    def calls_since(self, start):
        """The calls logged from line `start` on, without the lines that only count repeated draws."""
        return [line for line in self.log_lines()[start:] if not line.startswith("sk_draw calls=")]

    def load(self, path, warning=None):
        """Loads a model through "Load"; returns the calls it caused. A table that breaks the contract is named in a
        warning once."""
        s = self.session
        start = len(self.log_lines())
        s.set_text(ids.IDC_MODEL_PATH, path)
        s.click(ids.IDC_LOAD_MODEL)
        if warning:
            s.expect_box("Warning", "The plugin 'vmr.dll' breaks the plugin contract: " + warning, icon="warning")
        self.assertEqual([], s.boxes())
        calls = [c for c in self.calls_since(start) if not c.startswith("sk_draw matrix=")]
        return calls

    def wait_for_draw(self, start):
        ok = wait_until(lambda: any(c.startswith("sk_draw matrix=") for c in self.calls_since(start)),
                        harness.DEFAULT_TIMEOUT)
        self.assertTrue(ok, "no frame drew the model: %r" % self.log_lines()[start:])

    def test_the_spin_takes_half_a_degree_a_frame_at_the_display_rate(self):
        # recorder.dll logs the time and the turn of every frame for a model named "frames".
        s = self.start_with_plugin_as_vmr("recorder.dll")
        s.wait_main()
        self.load("frames")
        time.sleep(3.0)
        frames = [(int(m.group(1)), float(m.group(2))) for m in
                  re.finditer(r"^frame us=(\d+) yaw=(\S+) texture=\d+$", "\n".join(self.log_lines()), re.M)][30:]
        self.assertGreater(len(frames), 40, "too few frames were drawn")
        steps = {round((b[1] - a[1]) % 360.0, 2) for a, b in zip(frames, frames[1:])}
        self.assertEqual({0.5}, steps, "every frame turns the model by half a degree")
        rate = (len(frames) - 1) / ((frames[-1][0] - frames[0][0]) / 1e6)
        # Frames come at the display's rate (60 a second here), never faster.
        self.assertTrue(20 <= rate <= 63, "%.1f frames a second" % rate)

    def test_calls_in_order_for_model_loads(self):
        s = self.start_with_plugin_as_vmr("recorder.dll")
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.wait_for_draw(0)
        calls = self.calls_since(0)
        self.assertEqual(['sk_load path="%s"' % DEFAULT_MODEL,
                          "sk_getinfo in=0,0 out=1,1",                      # the flag: texture coordinates
                          "sk_getinfo in=0,0 out=1,1",                      # the grid build: the count
                          "sk_gettexcoord table=1 count=1",
                          "sk_freetexcoordtab count=1 table=1"], calls[:5])
        self.assertRegex(calls[5], DRAW_STATE)
        self.assertEqual(6, len(calls), "only draws follow: %r" % calls)

        # The path reaches sk_load exactly as typed, and every load with coordinates rebuilds the grid.
        self.assertEqual(['sk_load path="models\\My Model.vmr"', "sk_getinfo in=0,0 out=1,1",
                          "sk_getinfo in=0,0 out=1,1", "sk_gettexcoord table=2 count=1",
                          "sk_freetexcoordtab count=1 table=2"], self.load("models\\My Model.vmr"))
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=to_view(grid_pixels(FULL_TRIANGLE)))

        # Without texture coordinates there is no grid build, and the box is unchecked.
        start = len(self.log_lines())
        self.assertEqual(['sk_load path="notex.vmr"', "sk_getinfo in=0,0 out=1,0"], self.load("notex.vmr"))
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        self.wait_for_draw(start)
        self.assertNotIn("sk_info", self.log_lines(), "sk_info is only for the Plugins dialog")

    def test_contract_breaking_tables_do_not_crash_and_draw_only_valid_triangles(self):
        s = self.start_with_plugin_as_vmr("recorder.dll")
        s.wait_main()
        self.wait_for_draw(0)
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        # Six entries: the full triangle, a null entry, a null corner, corners far outside, NaN corners,
        # and an infinite corner. Only the first one is a triangle of the texture.
        self.assertEqual(['sk_load path="broken.vmr"', "sk_getinfo in=0,0 out=6,1", "sk_getinfo in=0,0 out=6,1",
                          "sk_gettexcoord table=2 count=6", "sk_freetexcoordtab count=6 table=2"],
                         self.load("broken.vmr", "4 of the 6 entries of the table its sk_gettexcoord returned are "
                                   "null or have a null corner or a coordinate that is not a number.\n\n"
                                   "The mapping grid leaves them out."))
        self.assertTrue(s.running())
        s.click(ids.IDC_GRID)
        s.click(ids.IDC_GRID)   # unchecked and checked again: recomposed and repainted with the new grid
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), grid=to_view(grid_pixels(FULL_TRIANGLE)),
                         what="the grid of the broken table (only its triangle (0, 0), (1, 0), (0, 1) is valid; "
                              "the others have a null entry, a null corner, corners far outside, NaN or "
                              "infinite coordinates)")

        # A negative count still releases the table once, with that count; nothing is drawn, and the empty grid's
        # box cannot be checked.
        self.assertEqual(['sk_load path="negcount.vmr"', "sk_getinfo in=0,0 out=-2,1",
                          "sk_getinfo in=0,0 out=-2,1", "sk_gettexcoord table=3 count=1",
                          "sk_freetexcoordtab count=-2 table=3"], self.load("negcount.vmr"))
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"))
        # A null table with a positive count is released as null and draws nothing.
        start = len(self.log_lines())
        self.assertEqual(['sk_load path="nulltable.vmr"', "sk_getinfo in=0,0 out=1,1", "sk_getinfo in=0,0 out=1,1",
                          "sk_gettexcoord table=null count=0", "sk_freetexcoordtab count=1 table=null"],
                         self.load("nulltable.vmr", "its sk_gettexcoord returned no table for the 1 triangles its "
                                   "sk_getinfo reports.\n\nThe mapping grid stays empty."))
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        s.click(ids.IDC_GRID)
        s.click(ids.IDC_GRID)
        self.assert_view(s.capture("skin"))
        self.wait_for_draw(start)   # and the frames go on drawing the model


if __name__ == "__main__":
    harness.main()
