#!/usr/bin/env python3
# e2e-timeout: 480
"""End-to-end start-up checks of the real pelterine.exe under Wine: first messages, control states,
the blank views, labels and controls under the dialog font, no dialog keyboard navigation but Enter in a text
box pressing the button beside it, closing, and moving the main window; the same window on a 144-DPI screen; and
the release zip unpacked into a folder whose name Windows' ANSI code page cannot write."""

import shutil
import struct
import sys
import zipfile
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import SHIPPED_PLUGINS, model_colour  # noqa: E402

PLUGIN_FAILED = ("Plugin Error", "Unable to load plugin 'vmr.dll'")
NO_PLUGIN_FOR_MODEL = ("Error", "Unable to load object, there is no plugin loaded")
DEFAULT_MODEL = "_test_boite_tex.vmr"
SETTINGS_SIZE = 78
PEN, WHITE = (0, 119, 170), (255, 255, 255)


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
        texts = {ids.IDC_MODEL_PATH: DEFAULT_MODEL, ids.IDC_PLUGIN_NAME: "(no plugin)", ids.IDC_PEN_SIZE: "3",
                 ids.IDC_ERASER_SIZE: "7"}
        for control, expected in texts.items():
            with self.subTest(control=control):
                self.assertEqual(expected, s.text(control))
        checks = {ids.IDC_TEXTURE_ON_THE_FLY: 1, ids.IDC_CLASSIC_TEXTURE: 1, ids.IDC_MIPMAP_TEXTURE: 0, ids.IDC_GRID: 0,
                  ids.IDC_USE_PATTERN: 1, ids.IDC_USE_COLOR: 0}
        for control, expected in checks.items():
            with self.subTest(control=control):
                self.assertEqual(expected, s.checked(control))
        enabled = {ids.IDC_APPLY_TEXTURE: False, ids.IDC_USE_COLOR: True, ids.IDC_LOAD_MODEL: True}
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
        self.assertEqual([], s.layout_problems())
        views = s.client_origin()
        self.assertEqual((512, 512), (views["viewport"].width, views["viewport"].height))
        self.assertEqual((256, 256), (views["skin"].width, views["skin"].height))
        # Every label shows whole under the dialog font ("Eraser Size :" showed "Eraser").
        labels = {c.text: c for c in harness.left_aligned_labels(s.controls())}
        self.assertTrue(labels["Pen Size :"].needed > 0 and labels["Eraser Size :"].needed > 0, labels)
        for label in labels.values():
            self.assertGreaterEqual(label.right - label.left, label.needed, "label cut off: %r" % (label,))

    def test_tab_does_nothing_and_enter_presses_the_button_beside_its_box(self):
        s = self.start_empty()
        s.activate()
        self.assertTrue(wait_until(lambda: s.focus()[0] == ids.IDC_MODEL_PATH, harness.DEFAULT_TIMEOUT),
                        "focus starts in the model path, saw %r" % (s.focus(),))
        # A character typed after the key proves the key has been handled: if Tab had moved the focus, the
        # character would not land in 1005.
        s.key("End", "Tab")
        s.type_text("q")
        typed = wait_until(lambda: s.text(ids.IDC_MODEL_PATH).endswith("q") or s.boxes(), harness.DEFAULT_TIMEOUT)
        self.assertTrue(typed, "Tab moved the focus to %r" % (s.focus(),))
        self.assertEqual(ids.IDC_MODEL_PATH, s.focus()[0])
        # Enter in the model path is "Load": with no plugin, the load says so.
        s.key("BackSpace", "Return")
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        self.assertEqual([], s.boxes(), "one load for one Enter")
        self.assertEqual(DEFAULT_MODEL, s.text(ids.IDC_MODEL_PATH))
        # Enter in a size box is its "OK", and gives the keyboard back to the painting: a digit typed after it
        # does not reach the box. config.cfg holds the size as it was when Enter was pressed.
        for box, size in ((ids.IDC_PEN_SIZE, "9"), (ids.IDC_ERASER_SIZE, "12")):
            with self.subTest(box=box):
                s.click_control(box)
                self.assertTrue(wait_until(lambda: s.focus()[0] == box, harness.DEFAULT_TIMEOUT), s.focus())
                s.key("End", "BackSpace", "BackSpace", "BackSpace")
                s.type_text(size)
                s.key("Return")
                self.assertTrue(wait_until(lambda: s.focus()[1] == "SkinWindowClass", harness.DEFAULT_TIMEOUT),
                                s.focus())
                s.type_text("5")
                self.assertEqual(size, s.text(box))
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


class StartupAt144Dpi(harness.SessionTestCase):
    """A screen of 144 dots an inch (150 %): the window is drawn at that size, not stretched from 96 DPI."""

    dpi = 144

    def test_the_window_is_half_as_large_again_and_a_dab_lands_under_the_cursor(self):
        s = self.session
        s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        views = s.client_origin()
        self.assertEqual((768, 768), (views["viewport"].width, views["viewport"].height), "512 x 1.5")
        self.assertEqual((384, 384), (views["skin"].width, views["skin"].height), "256 x 1.5")
        self.assertGreaterEqual(views["main"].height, 768 + 2 * 15)
        self.assertEqual([], s.layout_problems())
        # A one-texel pen: what shows under the cursor afterwards is the one texel painted.
        s.click(ids.IDC_USE_PATTERN)
        s.set_text(ids.IDC_PEN_SIZE, "1")
        s.click(ids.IDC_PEN_SIZE_OK)
        before = s.capture("skin")
        x, y = 201, 77
        s.mouse("ldown", x, y)
        s.mouse("lup", x, y)
        after = s.capture("skin")
        self.assertEqual(PEN, after.get(x, y), "the pen colour under the cursor")
        changed = [(i, j) for j in range(after.height) for i in range(after.width) if after.get(i, j) != before.get(i, j)]
        self.assertTrue(changed and all(abs(i - x) <= 2 and abs(j - y) <= 2 for i, j in changed),
                        "the dab shows only around the cursor: %r" % changed[:20])
        saved = s.work / "dab.bmp"
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(saved)
        texture = harness.read_bmp(saved)
        painted = [(i, j) for j in range(texture.height) for i in range(texture.width) if texture.get(i, j) != WHITE]
        self.assertEqual(1, len(painted), "exactly one texel painted: %r" % painted[:10])


class Release(harness.SessionTestCase):
    """The release zip, unpacked into an empty folder whose name holds a space and characters outside the ANSI
    code page, runs from there: the box is drawn, the plugins are listed, a texture saves and loads back."""

    def test_the_release_runs_from_a_folder_of_any_name(self):
        s = self.session
        version = (s.win_build / "pelterine-version.txt").read_text().strip()
        release = s.win_build.parent / ("pelterine-%s-win64.zip" % version)
        self.assertTrue(release.is_file(), "no %s: tools/package.sh makes it" % release)
        folder = s.work_root / "release" / "Pelterine 試し"
        shutil.rmtree(folder.parent, ignore_errors=True)
        folder.mkdir(parents=True)
        with zipfile.ZipFile(release) as zf:
            names = set(zf.namelist())
            zf.extractall(folder)
        expected = {"pelterine.exe", "_test_boite_tex.vmr", "super_pattern_01.bmp", "README.txt", "LICENSE.txt",
                    "sdk/plugin_api.h", "sdk/sk_mesh.c", "sdk/plugincheck.exe", "sdk/example/build.sh",
                    "docs/plugins.md"} | {"plugins/" + p for p in SHIPPED_PLUGINS}
        self.assertEqual(set(), expected - names, "missing from the zip")
        text = (folder / "README.txt").read_text(encoding="utf-8-sig")
        self.assertIn("Quick tour", text)
        self.assertIn("Ctrl+Shift+Z", text)

        s.start_in(folder)
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertEqual("grey", wait_until(lambda: model_colour(s.read_viewport()), harness.DEFAULT_TIMEOUT),
                         "the default box is drawn")
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        self.assertEqual(SHIPPED_PLUGINS, s.plugins_list()[0])
        s.plugins_press(2)   # Cancel
        # A model chosen by its full path, which the plugin takes in a form it can open.
        s.click(ids.IDC_CHOOSE_MODEL)
        s.open_choose(folder / "_test_boite_tex.vmr")
        self.assertEqual([], s.boxes())
        self.assertEqual(str(folder / "_test_boite_tex.vmr"), s.text(ids.IDC_MODEL_PATH).replace("\\", "/").split(":", 1)[1])

        s.mouse("ldown", 40, 60)
        s.mouse("lup", 40, 60)
        painted = s.capture("skin")
        saved = folder / "texture 試.bmp"
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(saved)
        self.assertTrue(saved.is_file(), "the texture was saved under its own name")
        s.mouse("ldown", 200, 200)
        s.mouse("lup", 200, 200)
        self.assertNotEqual(painted.rows, s.capture("skin").rows)
        s.click(ids.IDC_LOAD_TEXTURE)
        s.expect_box("Pelterine", "Save the changes to the texture?", button=7)   # No
        s.open_choose(saved)
        self.assertEqual([], s.boxes())
        self.assertEqual(painted.rows, s.capture("skin").rows, "the saved texture loads back as it was painted")
        s.close()
        self.assertEqual(0, s.wait_exit())
        self.assertEqual(SETTINGS_SIZE, (folder / "config.cfg").stat().st_size)


if __name__ == "__main__":
    harness.main()
