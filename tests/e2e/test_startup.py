#!/usr/bin/env python3
"""End-to-end start-up checks of the real pelterine.exe under Wine: first messages, control states,
the blank views, labels and controls under the dialog font, no dialog keyboard navigation but Enter in a text
box pressing the button beside it, closing, and moving the main window."""

import itertools
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import harness  # noqa: E402
from harness import ids  # noqa: E402
from harness import wait_until  # noqa: E402

PLUGIN_FAILED = ("Plugin Error", "Unable to load plugin 'vmr.dll'")
NO_PLUGIN_FOR_MODEL = ("Error", "Unable to load object, there is no plugin loaded")
DEFAULT_MODEL = "_test_boite_tex.vmr"
MODEL_PATH, LOAD_BUTTON = ids.IDC_MODEL_PATH, ids.IDC_LOAD_MODEL
PEN_SIZE, ERASER_SIZE = ids.IDC_PEN_SIZE, ids.IDC_ERASER_SIZE
SETTINGS_SIZE = 78


class StartupInEmptyFolder(harness.SessionTestCase):
    """The working folder holds only pelterine.exe: no plugins folder, no data files, no config.cfg."""

    def start_empty(self):
        """Starts in an empty folder, acknowledges the two expected messages, waits for the main window."""
        s = self.session
        s.start(self.work_name(), data=False, plugins=False)
        s.expect_box(*PLUGIN_FAILED, icon="error")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        s.wait_main()
        return s

    def test_reports_missing_plugin_then_missing_model_then_shows_main_window(self):
        s = self.session
        s.start(self.work_name(), data=False, plugins=False)
        first = s.wait_box()
        self.assertEqual(PLUGIN_FAILED, first[:2])
        self.assertEqual(1, len(s.boxes()), "one message at a time")
        code, _, _ = s.run_driver("wait-main", 1, timeout=1)
        self.assertNotEqual(0, code, "the main window is shown only after its initialisation")
        s.expect_box(*PLUGIN_FAILED, icon="error")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        s.wait_main()
        self.assertEqual([], s.boxes(), "no pattern or settings message in an empty folder")
        self.assertTrue(s.running())

    def test_controls_after_initialisation(self):
        s = self.start_empty()
        texts = {MODEL_PATH: DEFAULT_MODEL, ids.IDC_PLUGIN_NAME: "(no plugin)", ids.IDC_PEN_SIZE: "3",
                 ids.IDC_ERASER_SIZE: "7"}
        for control, expected in texts.items():
            with self.subTest(control=control):
                self.assertEqual(expected, s.text(control))
        checks = {ids.IDC_TEXTURE_ON_THE_FLY: 1, ids.IDC_CLASSIC_TEXTURE: 1, ids.IDC_MIPMAP_TEXTURE: 0, ids.IDC_GRID: 0,
                  ids.IDC_USE_PATTERN: 1, ids.IDC_USE_COLOR: 0}
        for control, expected in checks.items():
            with self.subTest(control=control):
                self.assertEqual(expected, s.checked(control))
        enabled = {ids.IDC_APPLY_TEXTURE: False, ids.IDC_USE_COLOR: True, LOAD_BUTTON: True}
        for control, expected in enabled.items():
            with self.subTest(control=control):
                self.assertEqual(expected, s.enabled(control))

    def test_viewport_is_opaque_black_and_the_views_are_white(self):
        s = self.start_empty()
        frame = s.read_viewport()
        self.assertGreaterEqual(min(frame.width, frame.height), 511)
        self.assertEqual({(0, 0, 0)}, set(frame.colours()), "viewport frame: " + str(s.work / "gl-viewport.ppm"))
        for view, size in (("skin", 256), ("pattern", 64)):
            with self.subTest(view=view):
                picture = s.capture(view)
                self.assertEqual((size, size), (picture.width, picture.height))
                self.assertEqual({(255, 255, 255): size * size}, picture.colours())

    def test_views_and_controls_fit_the_dialog_font(self):
        s = self.start_empty()
        controls, client = s.controls(), s.client_origin()["main"]
        is_group = lambda c: c.cls == "Button" and c.style & 0xF == 7  # noqa: E731  BS_GROUPBOX
        within = lambda c, l, t, r, b: l <= c.left and t <= c.top and c.right <= r and c.bottom <= b  # noqa: E731
        skin_group = next(c for c in controls if is_group(c) and c.text == "Skin")
        for view in (c for c in controls if c.cls in ("SkinWindowClass", "PatternWindowClass")):
            self.assertTrue(within(view, *skin_group[3:7]), "%r outside %r" % (view, skin_group))
        for control in controls:
            self.assertTrue(within(control, 0, 0, client.width, client.height), "%r outside %r" % (control, client))
        for a, b in itertools.combinations([c for c in controls if not is_group(c)], 2):
            self.assertFalse(a.left < b.right and b.left < a.right and a.top < b.bottom and b.top < a.bottom, (a, b))
        # Every label shows whole under the dialog font ("Eraser Size :" showed "Eraser").
        labels = {c.text: c for c in harness.left_aligned_labels(controls)}
        self.assertTrue(labels["Pen Size :"].needed > 0 and labels["Eraser Size :"].needed > 0, labels)
        for label in labels.values():
            self.assertGreaterEqual(label.right - label.left, label.needed, "label cut off: %r" % (label,))

    def test_tab_does_nothing_and_enter_presses_the_button_beside_its_box(self):
        s = self.start_empty()
        s.activate()
        self.assertTrue(wait_until(lambda: s.focus()[0] == MODEL_PATH, harness.DEFAULT_TIMEOUT),
                        "focus starts in the model path, saw %r" % (s.focus(),))
        # A character typed after the key proves the key has been handled: if Tab had moved the focus, the
        # character would not land in 1005.
        s.key("End", "Tab")
        s.type_text("q")
        typed = wait_until(lambda: s.text(MODEL_PATH).endswith("q") or s.boxes(), harness.DEFAULT_TIMEOUT)
        self.assertTrue(typed, "Tab moved the focus to %r" % (s.focus(),))
        self.assertEqual(MODEL_PATH, s.focus()[0])
        # Enter in the model path is "Load": with no plugin, the load says so.
        s.key("BackSpace", "Return")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        self.assertEqual([], s.boxes(), "one load for one Enter")
        self.assertEqual(DEFAULT_MODEL, s.text(MODEL_PATH))
        # Enter in a size box is its "OK". The digit typed after Enter lands in the box once Enter has been
        # handled, and is not applied: config.cfg holds the size as it was when Enter was pressed.
        for box, size in ((PEN_SIZE, "9"), (ERASER_SIZE, "12")):
            with self.subTest(box=box):
                s.click_control(box)
                self.assertTrue(wait_until(lambda: s.focus()[0] == box, harness.DEFAULT_TIMEOUT), s.focus())
                s.key("End", "BackSpace", "BackSpace", "BackSpace")
                s.type_text(size)
                s.key("Return")
                s.type_text("5")
                self.assertTrue(wait_until(lambda: s.text(box) == size + "5", harness.DEFAULT_TIMEOUT), s.text(box))
        self.assertEqual([], s.boxes(), "Enter in a size box pressed something else")
        s.close()
        self.assertEqual(0, s.wait_exit())
        saved = (s.work / "config.cfg").read_bytes()
        self.assertEqual((9, 12), struct.unpack_from("<i", saved, 3) + struct.unpack_from("<i", saved, 10),
                         "pen and eraser sizes in config.cfg")

    def test_close_ends_with_exit_code_0_and_writes_settings(self):
        s = self.start_empty()
        s.close()
        self.assertEqual(0, s.wait_exit())
        settings = s.work / "config.cfg"
        self.assertTrue(settings.is_file(), "closing writes config.cfg")
        self.assertEqual(SETTINGS_SIZE, settings.stat().st_size)

    def test_moving_the_main_window_keeps_it_working(self):
        s = self.start_empty()
        before = s.client_origin()
        window = s.xdotool("search", "--onlyvisible", "--name", "^Pelterine$").split()[-1]
        s.xdotool("windowmove", "--sync", window, 40, 30)
        moved = wait_until(lambda: s.client_origin()["main"] != before["main"], harness.DEFAULT_TIMEOUT)
        self.assertTrue(moved, "the main window did not move")
        after = s.client_origin()
        dx, dy = after["main"].x - before["main"].x, after["main"].y - before["main"].y
        for child in ("viewport", "skin", "pattern"):
            with self.subTest(child=child):
                self.assertEqual((before[child].x + dx, before[child].y + dy), (after[child].x, after[child].y))
        self.assertEqual([], s.boxes())
        self.assertEqual({(255, 255, 255): 256 * 256}, s.capture("skin").colours())
        self.assertEqual({(0, 0, 0)}, set(s.read_viewport().colours()))
        s.click(ids.IDC_TEXTURE_ON_THE_FLY)
        self.assertEqual(0, s.checked(ids.IDC_TEXTURE_ON_THE_FLY), "the window still answers its controls")
        s.close()
        self.assertEqual(0, s.wait_exit())


if __name__ == "__main__":
    harness.main()
