#!/usr/bin/env python3
"""End-to-end checks of the plugin kit and of how the program meets plugins: the release zip's example plugin
built from the unpacked zip with its one command, loading its model and reloaded by "Refresh" once rebuilt;
sdk/plugincheck.exe on the shipped plugins (clean) and on the test DLLs (each breach named); a model refused
through sk_loaderror (the reason shown, the shown model kept, no save question); no plugin command while the
plugin's own message box is up; a plugin that leaves GL state dirty followed by a shipped plugin; Cancel in the
model chooser."""
# e2e-timeout: 900

import shutil
import subprocess
import tempfile
import zipfile
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import model_colour  # noqa: E402
from test_obj import cube_md2, cube_obj  # noqa: E402

OK, CANCEL = 1, 2   # Plugins dialog
FRAME_TIMEOUT = 20.0
REFUSAL = "Unable to load model\nline 12: vertex index 40 is out of range"
MK_LBUTTON = 0x0001

# (DLL as copied from test-plugins, the model it is given, the findings plugincheck must print)
BREACHES = [
    ("breach-nulltable.dll", "square.sq", ["BREACH sk_gettexcoord returned no table for the 2 triangles"]),
    ("breach-nullentry.dll", "square.sq", ["BREACH sk_gettexcoord returned a table whose entry 0 is null"]),
    ("breach-nancorner.dll", "square.sq", ["BREACH sk_gettexcoord returned a table whose entry 1 has a coordinate "
                                           "that is not a finite number"]),
    ("breach-overcount.dll", "square.sq", ["BREACH sk_getinfo reports 1000 triangles, but sk_gettexcoord's table "
                                           "holds only 2 readable entries"]),
    ("breach-unsetcount.dll", "square.sq", ["BREACH sk_getinfo left the triangle count unset",
                                            "BREACH sk_getinfo left the has-texture-coordinates flag unset"]),
    ("breach-badfilter.dll", "square.sq", ["BREACH sk_filefilter returned a file filter Pelterine does not use: "
                                           "an odd number of strings"]),
    ("breach-notexture.dll", "square.sq", ["BREACH sk_texturefile names 'no such picture.png', which does not exist"]),
    ("breach-dirtygl.dll", "square.sq", ["BREACH sk_draw leaves the matrix mode on GL_TEXTURE instead of GL_MODELVIEW",
                                         "BREACH sk_draw leaves texture 0 bound instead of the skin texture",
                                         "BREACH sk_draw leaves the texture matrix changed",
                                         "BREACH sk_draw leaves GL_CULL_FACE enabled",
                                         "BREACH sk_draw leaves the client array GL_VERTEX_ARRAY enabled"]),
    ("mangled.dll", None, ["BREACH sk_load is exported only as '_Z7sk_loadPKc'",
                           "BREACH sk_draw is exported only as '_Z7sk_drawv'"]),
    ("notadll.dll", None, ["BREACH the library cannot be loaded: it is not a DLL at all"]),
]


class PluginKit(harness.SessionTestCase):

    # ---- helpers

    def start(self, plugins, extra=None):
        s = self.session
        work = s.start(self.work_name(), plugins=plugins, extra=extra)
        s.wait_main()
        self.assertEqual([], s.boxes())
        return work

    def switch_plugin(self, dll):
        """Switches plugin through the Plugins dialog: the new plugin holds no model, and the model box says so."""
        s = self.session
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        names, _ = s.plugins_list()
        s.plugins_select(names.index(dll))
        s.plugins_press(OK)
        self.assertEqual([], s.boxes())
        self.assertEqual(dll, s.text(ids.IDC_PLUGIN_NAME))
        self.assertEqual("", s.text(ids.IDC_MODEL_PATH), "no model of the old plugin is named after a switch")

    def load(self, path):
        s = self.session
        s.set_text(ids.IDC_MODEL_PATH, path)
        s.click(ids.IDC_LOAD_MODEL)

    def wait_colour(self, colour):
        s = self.session
        seen = []

        def shows():
            seen[:] = [s.read_viewport()]
            return model_colour(seen[0]) == colour

        self.assertTrue(wait_until(shows, FRAME_TIMEOUT, 0.2), "the viewport never showed a %s model (last: %s); "
                        "frame %s" % (colour, seen and model_colour(seen[0]), s.work / "gl-viewport.ppm"))

    def paint_all(self):
        """The whole texture in the pen colour (blue): the texture is then changed and unsaved."""
        s = self.session
        if s.checked(ids.IDC_USE_PATTERN):
            s.click(ids.IDC_USE_PATTERN)
        s.set_text(ids.IDC_PEN_SIZE, "1000")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 128, 128, MK_LBUTTON)
        s.mouse("lup", 128, 128, 0)

    def plugincheck(self, dll, model=None, cwd=None):
        """Runs sdk/plugincheck.exe under the session's Wine; (exit code, lines printed)."""
        s = self.session
        command = ["wine", str(s.win_build / "sdk" / "plugincheck.exe"), str(dll)] + ([str(model)] if model else [])
        done = subprocess.run(command, cwd=cwd, env=s.env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=120)
        return done.returncode, done.stdout.decode("utf-8", "replace").replace("\r", "").splitlines()

    # ---- the checker

    def test_plugincheck_passes_shipped_plugins_and_names_each_breach(self):
        s = self.session
        folder = Path(tempfile.mkdtemp(prefix="plugincheck-", dir=s.work_root))
        test_plugins = s.win_build / "test-plugins"
        (folder / "cube.obj").write_bytes(cube_obj())
        (folder / "cube.md2").write_bytes(cube_md2())
        (folder / "square.sq").write_bytes(b"")
        shutil.copy2(s.dist / "_test_boite_tex.vmr", folder)
        shutil.copy2(harness.Config.source / "sdk" / "example" / "cube.ply", folder)
        clean = [(s.dist / "plugins" / "vmr.dll", "_test_boite_tex.vmr"), (s.dist / "plugins" / "obj.dll", "cube.obj"),
                 (s.dist / "plugins" / "md2.dll", "cube.md2"), (test_plugins / "ply_example.dll", "cube.ply"),
                 (test_plugins / "breach.dll", "square.sq"), (test_plugins / "breach.dll", "refuse.sq")]
        for dll, model in clean:
            with self.subTest(dll=dll.name, model=model):
                code, lines = self.plugincheck(dll, model, cwd=folder)
                self.assertEqual([], [line for line in lines if line.startswith("BREACH")])
                self.assertEqual((0, "OK: no breach found"), (code, lines[-1]), "\n".join(lines))
                self.assertTrue(lines[0].startswith("note exports: ") and "sk_load" in lines[0], lines[0])
        code, lines = self.plugincheck(test_plugins / "breach.dll", "refuse.sq", cwd=folder)
        self.assertIn("note sk_loaderror refused refuse.sq: line 12: vertex index 40 is out of range", lines)

        for name, model, expected in BREACHES:
            with self.subTest(dll=name):
                source = test_plugins / (name if (test_plugins / name).is_file() else "breach.dll")
                shutil.copy2(source, folder / name)
                code, lines = self.plugincheck(folder / name, model, cwd=folder)
                found = [line for line in lines if line.startswith("BREACH")]
                self.assertEqual(1, code, "\n".join(lines))
                self.assertEqual(len(expected), len(found), "\n".join(found))
                for words in expected:
                    self.assertEqual(1, sum(line.startswith(words) for line in found), "%r in\n%s" % (words, "\n".join(lines)))

    # ---- the example, from the release zip

    def test_example_builds_from_the_unpacked_zip_loads_its_model_and_reloads_when_rebuilt(self):
        s = self.session
        unpacked = s.work_root / "kit-zip"
        shutil.rmtree(unpacked, ignore_errors=True)
        unpacked.mkdir(parents=True)
        subprocess.run([str(harness.Config.source / "tools" / "package.sh"), str(s.win_build), str(unpacked)], check=True,
                       stdout=subprocess.DEVNULL, timeout=300)
        release = next(unpacked.glob("pelterine-*-win64.zip"))
        with zipfile.ZipFile(release) as zf:
            zf.extractall(unpacked / "release")
        sdk = unpacked / "release" / "sdk"
        self.assertTrue((sdk / "plugincheck.exe").is_file())
        build = subprocess.run(["sh", "sdk/example/build.sh"], cwd=unpacked / "release", capture_output=True,
                               timeout=300)
        self.assertEqual(0, build.returncode, build.stderr.decode(errors="replace"))
        dll = sdk / "example" / "ply_example.dll"
        work = self.start(["vmr.dll"], extra={"plugins/ply_example.dll": dll, "cube.ply": sdk / "example" / "cube.ply"})
        self.paint_all()
        self.switch_plugin("ply_example.dll")
        self.load("cube.ply")
        self.assertEqual([], s.boxes())
        self.wait_colour("blue")
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID), "the cube has texture coordinates")

        # An author rebuilds with another description; "Refresh" loads the new file and the model again.
        source = sdk / "example" / "ply_example.c"
        source.write_text(source.read_text().replace("PLY example plugin (ply_example.dll)", "PLY example, rebuilt"))
        build = subprocess.run(["sh", str(sdk / "example" / "build.sh")], capture_output=True, timeout=300)
        self.assertEqual(0, build.returncode, build.stderr.decode(errors="replace"))
        (work / "plugins" / "ply_example.dll").rename(work / "plugins" / "ply_example.old")
        shutil.copy2(dll, work / "plugins" / "ply_example.dll")
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        s.plugins_press(ids.IDC_REFRESH_PLUGINS)
        self.assertTrue(s.plugins_text(ids.IDC_PLUGIN_INFO).startswith("PLY example, rebuilt"))
        s.plugins_press(CANCEL)
        self.assertEqual([], s.boxes())
        self.assertEqual("ply_example.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.assertEqual("cube.ply", s.text(ids.IDC_MODEL_PATH))
        self.wait_colour("blue")

    # ---- refusals, the plugin's own message box, Cancel

    def test_refusal_keeps_the_shown_model_and_no_plugin_command_runs_inside_a_plugin_call(self):
        s = self.session
        work = self.start(["vmr.dll", "breach.dll"])
        (work / "refuse.png").write_bytes((s.dist / "super_pattern_01.bmp").read_bytes())
        self.paint_all()
        self.switch_plugin("breach.dll")
        self.load("square.sq")
        self.assertEqual([], s.boxes())
        self.wait_colour("blue")

        # Refused: the plugin's reason with the path as caption, then the square again, no picture, no question.
        self.load("refuse.sq")
        s.expect_box("refuse.sq", REFUSAL, icon="error")
        self.assertTrue(s.no_box_within(1.0), "no save question for a refused model: %s" % s.boxes())
        self.assertEqual("square.sq", s.text(ids.IDC_MODEL_PATH))
        self.wait_colour("blue")

        # While the plugin's own box is up inside sk_load, neither "Plugins..." nor "Load" runs.
        self.load("ownbox.sq")
        self.assertEqual("Own box", wait_until(lambda: [b.text for b in s.boxes()] == ["Own box"] and "Own box",
                                               harness.DEFAULT_TIMEOUT))
        s.click(ids.IDC_PLUGINS)
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual(["Own box"], [b.text for b in s.boxes()], "no Plugins dialog, no second load")
        s.press_box(1, "ownbox.sq")
        self.assertTrue(s.no_box_within(1.0))
        self.assertEqual("breach.dll", s.text(ids.IDC_PLUGIN_NAME))
        self.wait_colour("blue")

        # Cancel in the model chooser is no error.
        s.click(ids.IDC_CHOOSE_MODEL)
        s.open_cancel()
        self.assertTrue(s.no_box_within(1.5), "Cancel showed %s" % s.boxes())
        self.assertEqual("ownbox.sq", s.text(ids.IDC_MODEL_PATH))

    def test_dirty_gl_state_of_one_plugin_never_reaches_the_next(self):
        s = self.session
        self.start(["vmr.dll"], extra={"plugins/breach-dirtygl.dll": s.win_build / "test-plugins" / "breach.dll"})
        self.paint_all()
        self.wait_colour("blue")
        self.switch_plugin("breach-dirtygl.dll")
        self.load("square.sq")
        self.wait_colour("blue")   # the first frame after each draw is set up again
        self.switch_plugin("vmr.dll")
        self.load("_test_boite_tex.vmr")
        self.assertEqual([], s.boxes())
        self.wait_colour("blue")   # textured with the skin, placed by the camera: as usual


if __name__ == "__main__":
    harness.main()
