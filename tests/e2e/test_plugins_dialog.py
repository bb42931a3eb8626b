#!/usr/bin/env python3
"""End-to-end checks of the Plugins dialog: the sorted list of plugins\\*.dll with the current plugin selected
(whatever the case of its file name), labels shown whole, each library's information, "Refresh", an empty or
missing plugin folder, and what OK, Cancel and the close box do to the loaded plugin and to the model drawn in
the viewport."""

import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import SHIPPED_PLUGINS as SHIPPED  # noqa: E402

# main window
# Plugins dialog
OK = 1
CANCEL = 2

VMR_INFO = ("VMR model plugin (vmr.dll) 1.0\nLoads Vantrel Morvane models (*.vmr), format version 1:\n"
            "indexed triangles with normals and texture coordinates.")
QUAD_INFO = "Example quad plugin\nOne textured square; reads no file."
NO_INFO = "there is no information about this plugin"
NOT_A_LIBRARY = "unable to load this plugin, it may be cancerous\nit is not a DLL at all"
NO_LOAD_NO_DRAW = "Error : unable to find\n'sk_load'\n'sk_draw'\nplugin functions"
NO_PLUGINS = "there is no plugins"
NO_PLUGIN_FOR_MODEL = ("Error", "Unable to load object, there is no plugin loaded")
FRAME_TIMEOUT = 20.0   # frames come slowly on a loaded 2-core machine


def model_drawn(frame):
    return set(frame.colours()) != {(0, 0, 0)}


class PluginsDialog(harness.SessionTestCase):

    def start(self, plugins=True, extra=None):
        """Starts with the shipped data; the default plugin and model load without a message."""
        s = self.session
        s.start(self.work_name(), plugins=plugins, extra=extra)
        s.wait_main()
        self.assertEqual([], s.boxes())
        return s

    def open_dialog(self):
        s = self.session
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        return s

    def frame_after(self, previous):
        """The first viewport frame that differs from previous (the last one read when none differs)."""
        s = self.session
        frame = wait_until(lambda: self._differs(s.read_viewport(), previous), FRAME_TIMEOUT, 0.2)
        return frame or s.read_viewport()

    @staticmethod
    def _differs(frame, previous):
        return frame if previous is None or frame.rows != previous.rows else None

    def wait_drawn(self, drawn):
        """Waits until the viewport shows the model (drawn=True) or only the cleared background."""
        s = self.session
        frame = wait_until(lambda: self._matches(s.read_viewport(), drawn), FRAME_TIMEOUT, 0.2)
        self.assertTrue(frame, "the viewport %s: %s" % ("never showed the model" if drawn else "still shows a model",
                                                        s.work / "gl-viewport.ppm"))
        return frame

    @staticmethod
    def _matches(frame, drawn):
        return frame if model_drawn(frame) == drawn else None

    def assert_still_drawing(self, before):
        """New frames keep coming after a modal dialog and they still show the model."""
        frame = self.frame_after(before)
        self.assertTrue(model_drawn(frame), "the model is no longer drawn: %s" % (self.session.work / "gl-viewport.ppm"))
        return frame

    # ---- the list and the information

    def test_sorted_list_current_plugin_information_and_refresh(self):
        test_plugins = self.session.win_build / "test-plugins"
        files = {
            "plugins/VMR.DLL": self.session.dist / "plugins" / "vmr.dll",   # loaded as "vmr.dll"
            "plugins/Zeta.dll": test_plugins / "bare.dll",                  # no sk_info
            "plugins/alpha.dll": test_plugins / "example_quad.dll",
            "plugins/Mid.DLL": test_plugins / "nodraw.dll",
            "plugins/noload_nodraw.dll": test_plugins / "noload_nodraw.dll",
            "plugins/notadll.dll": test_plugins / "notadll.dll",
            "plugins/readme.txt": b"not a plugin name",
        }
        s = self.start(plugins=False, extra=files)
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.open_dialog()
        self.assertEqual("vmr.dll", s.plugins_text(ids.IDC_CURRENT_PLUGIN))
        expected = ["alpha.dll", "Mid.DLL", "noload_nodraw.dll", "notadll.dll", "VMR.DLL", "Zeta.dll"]
        self.assertEqual((expected, expected.index("VMR.DLL")), s.plugins_list(),
                         "sorted whatever the case, and the current plugin selected although its case differs")
        self.assertEqual(VMR_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))
        # Under whatever font the dialog gets, its labels show whole ("Available plugins :" was "Available").
        labels = {c.text: c for c in harness.left_aligned_labels(s.controls("Plugins"))}
        for text in ("Current plugin :", "vmr.dll", "Available plugins :", "Plugin information :"):
            with self.subTest(label=text):
                self.assertIn(text, labels)
                label = labels[text]
                self.assertGreater(label.needed, 0)
                self.assertGreaterEqual(label.right - label.left, label.needed, "label cut off: %r" % (label,))

        for name, info in (("alpha.dll", QUAD_INFO), ("Zeta.dll", NO_INFO), ("notadll.dll", NOT_A_LIBRARY),
                           ("noload_nodraw.dll", NO_LOAD_NO_DRAW)):
            with self.subTest(entry=name):
                s.plugins_select(expected.index(name))
                self.assertEqual(info, s.plugins_text(ids.IDC_PLUGIN_INFO))
        s.plugins_select(expected.index("Mid.DLL"))
        missing_draw = s.plugins_text(ids.IDC_PLUGIN_INFO)
        self.assertIn("'sk_draw'", missing_draw)
        self.assertNotIn("'sk_load'", missing_draw)

        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        self.assertEqual((expected, expected.index("VMR.DLL")), s.plugins_list(), "Refresh selects the current plugin")
        self.assertEqual(VMR_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))
        self.assertEqual("vmr.dll", s.plugins_text(ids.IDC_CURRENT_PLUGIN))

        (s.work / "plugins" / "VMR.DLL").rename(s.work / "plugins" / "VMR.off")
        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        without = [name for name in expected if name != "VMR.DLL"]
        self.assertEqual((without, len(without) - 1), s.plugins_list(),
                         "without the current plugin's file the last entry stays selected")
        self.assertEqual(NO_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))
        s.plugins_press(CANCEL)
        self.assertEqual([], s.boxes())
        self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))

    # ---- no plugin files, and OK with nothing selected

    def test_emptied_plugin_folder_then_ok_leaves_no_plugin(self):
        s = self.start()
        self.wait_drawn(True)
        self.open_dialog()
        self.assertEqual((SHIPPED, len(SHIPPED) - 1), s.plugins_list())
        self.assertEqual(VMR_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))

        plugins, away = s.work / "plugins", s.work / "plugins-away"
        plugins.rename(away)                       # no plugins folder at all
        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        self.assertEqual(([], -1), s.plugins_list())
        self.assertEqual(NO_PLUGINS, s.plugins_text(ids.IDC_PLUGIN_INFO))

        away.rename(plugins)
        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        self.assertEqual((SHIPPED, len(SHIPPED) - 1), s.plugins_list())
        self.assertEqual(VMR_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))

        plugins.rename(away)
        plugins.mkdir()                            # a plugins folder with no library in it
        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        self.assertEqual(([], -1), s.plugins_list())
        self.assertEqual(NO_PLUGINS, s.plugins_text(ids.IDC_PLUGIN_INFO))
        self.assertEqual("vmr.dll", s.plugins_text(ids.IDC_CURRENT_PLUGIN))

        s.plugins_press(OK)                        # nothing selected: unloads, loads nothing, says nothing
        self.assertEqual([], s.boxes())
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME), "no name of a plugin that is not loaded")
        self.assertEqual("", s.text(ids.IDC_MODEL_PATH), "nor of its model")
        self.wait_drawn(False)
        s.set_text(ids.IDC_MODEL_PATH, "_test_boite_tex.vmr")
        s.click(ids.IDC_LOAD_MODEL)
        s.expect_box(*NO_PLUGIN_FOR_MODEL, icon="error")
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME))

        self.open_dialog()
        self.assertEqual("(no plugin)", s.plugins_text(ids.IDC_CURRENT_PLUGIN))
        self.assertEqual(([], -1), s.plugins_list())
        self.assertEqual(NO_PLUGINS, s.plugins_text(ids.IDC_PLUGIN_INFO))
        s.plugins_press(CANCEL)

    # ---- Cancel, the close box and OK

    def test_cancel_and_close_box_change_nothing(self):
        s = self.start(plugins=["vmr.dll", "example_quad.dll"])
        frame = self.wait_drawn(True)
        for how in ("Cancel", "close box"):
            with self.subTest(how=how):
                self.open_dialog()
                self.assertEqual((["example_quad.dll", "vmr.dll"], 1), s.plugins_list())
                s.plugins_select(0)
                self.assertEqual(QUAD_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))
                if how == "Cancel":
                    s.plugins_press(CANCEL)
                else:
                    s.driver("plugins-close")
                self.assertEqual([], s.boxes())
                self.assertEqual("vmr.dll", s.text(ids.IDC_PLUGIN_NAME))
                frame = self.assert_still_drawing(frame)
        self.open_dialog()
        self.assertEqual("vmr.dll", s.plugins_text(ids.IDC_CURRENT_PLUGIN))
        self.assertEqual((["example_quad.dll", "vmr.dll"], 1), s.plugins_list())
        s.plugins_press(CANCEL)

    def test_ok_switches_plugin_and_stops_drawing_until_a_model_is_loaded(self):
        s = self.start(plugins=["vmr.dll", "example_quad.dll"])
        self.wait_drawn(True)
        s.click(ids.IDC_GRID)   # the box's grid on show
        self.assertNotEqual({(255, 255, 255)}, set(s.capture("skin").colours()))
        self.open_dialog()
        s.plugins_select(0)
        s.plugins_press(OK)
        self.assertEqual([], s.boxes(), "example_quad.dll has every export")
        self.assertEqual("example_quad.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.wait_drawn(False)
        # No model is loaded through the new plugin, so nothing of the old one's grid stays on show.
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        self.assertEqual({(255, 255, 255)}, set(s.capture("skin").colours()))
        self.assertEqual("", s.text(ids.IDC_MODEL_PATH), "no path of the old plugin's model")

        s.set_text(ids.IDC_MODEL_PATH, "any name")
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes())
        self.wait_drawn(True)

        self.open_dialog()
        self.assertEqual("example_quad.dll", s.plugins_text(ids.IDC_CURRENT_PLUGIN))
        self.assertEqual((["example_quad.dll", "vmr.dll"], 0), s.plugins_list())
        self.assertEqual(QUAD_INFO, s.plugins_text(ids.IDC_PLUGIN_INFO))
        s.plugins_press(CANCEL)


if __name__ == "__main__":
    harness.main()
