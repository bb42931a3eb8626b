#!/usr/bin/env python3
"""End-to-end checks of models that move and of glTF models on the real pelterine.exe under Wine: an MD2 model of
several frames shows Play, the trackbar and its sequences under the viewport, moves while it plays with the spin
paused and stands still when paused, and the trackbar moves it; a .glb box brings the picture it holds, which
Ctrl+S proposes to save beside it. A still model shows none of these controls. A plugin that faults in the new
exports, or hands over a frame name or picture bytes that lead nowhere, is reported and dropped."""

import json
import struct
import time

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from test_pictures import png_file  # noqa: E402

PLAY, TRACKBAR, SEQUENCE = ids.IDC_PLAY, ids.IDC_FRAME_TRACKBAR, ids.IDC_SEQUENCE
PLUGINS, PLUGIN_NAME, MODEL_PATH, LOAD = ids.IDC_PLUGINS, ids.IDC_PLUGIN_NAME, ids.IDC_MODEL_PATH, ids.IDC_LOAD_MODEL
OK, MIDDLE, WS_VISIBLE = 1, 2, 0x10000000
SIDE = 256
FRAME_TIMEOUT = 20.0


def walking_box_md2():
    """A box of side 100 (file units, scale 0.1), its top four corners moved along x by 30 more in each frame:
    frames stand01, stand02, run1, run2, run3. Triangles clockwise from outside, as MD2 files wind them."""
    corners = [(x, y, z) for z in (0, 100) for y in (0, 100) for x in (0, 100)]
    faces = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]
    triangles = []
    for a, b, c, d in faces:
        triangles += [(a, c, b, a, c, b), (a, d, c, a, d, c)]
    st = b"".join(struct.pack("<2h", 20 + 200 * (i & 1), 20 + 100 * (i >> 1 & 1) + 50 * (i >> 2)) for i in range(8))
    names = [b"stand01", b"stand02", b"run1", b"run2", b"run3"]
    frames = b""
    for f, name in enumerate(names):
        moved = [(x + (30 * f if z else 0), y, z) for x, y, z in corners]
        frames += struct.pack("<6f16s", 0.1, 0.1, 0.1, 0, 0, 0, name) + b"".join(
            bytes([x, y, z, 0]) for x, y, z in moved)
    frame_size = 40 + 4 * len(corners)
    sections = [st, b"".join(struct.pack("<6H", *t) for t in triangles), frames]
    offsets = [68]
    for section in sections:
        offsets.append(offsets[-1] + len(section))
    header = struct.pack("<4s16i", b"IDP2", 8, SIDE, SIDE, frame_size, 0, len(corners), 8, len(triangles), 0,
                         len(names), 68, offsets[0], offsets[1], offsets[2], offsets[3], offsets[3])
    return header + b"".join(sections)


def picture_colour(x, y):
    return (40 + x // 2, 200 - y // 2, 90)


def box_glb():
    """A unit square facing the viewer as a .glb: one buffer with its positions, texture coordinates, indices and
    a 256 x 256 PNG that its material's base colour names through a buffer view."""
    picture = png_file(SIDE, SIDE, picture_colour)
    bin_ = struct.pack("<12f", 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0) + struct.pack("<8f", 0, 1, 1, 1, 1, 0, 0, 0)
    bin_ += struct.pack("<6H", 0, 1, 2, 0, 2, 3) + picture
    bin_ += b"\0" * (-len(bin_) % 4)
    views = [(0, 48), (48, 32), (80, 12), (92, len(picture))]
    document = {
        "asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
        "textures": [{"source": 0}], "images": [{"bufferView": 3, "mimeType": "image/png"}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3"},
                      {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
                      {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"}],
        "bufferViews": [{"buffer": 0, "byteOffset": o, "byteLength": n} for o, n in views],
        "buffers": [{"byteLength": len(bin_)}]}
    text = json.dumps(document).encode()
    text += b" " * (-len(text) % 4)
    return (b"glTF" + struct.pack("<II", 2, 12 + 8 + len(text) + 8 + len(bin_)) + struct.pack("<I", len(text)) +
            b"JSON" + text + struct.pack("<I", len(bin_)) + b"BIN\0" + bin_)


class MovingModels(harness.SessionTestCase):

    def start_with_plugin(self, dll, models):
        """Starts with the shipped files, writes the models and switches to the plugin through the Plugins dialog."""
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        for name, data in models.items():
            (work / name).write_bytes(data)
        s.click(PLUGINS)
        s.plugins_wait()
        names, _ = s.plugins_list()
        s.plugins_select(names.index(dll))
        s.plugins_press(OK)
        self.assertEqual(dll, s.text(PLUGIN_NAME))
        return s

    def load(self, path):
        s = self.session
        s.set_text(MODEL_PATH, path)
        s.click(LOAD)
        self.assertEqual([], s.boxes(), "the model loads without a message")

    def visible(self, control_id):
        return any(c.id == control_id and c.style & WS_VISIBLE for c in self.session.controls())

    def control_text(self, control_id):
        return next(c.text for c in self.session.controls() if c.id == control_id)

    def read(self):
        return self.session.read_viewport().rows

    def changes(self, frame, what):
        """Waits for the viewport to show something else than `frame`; returns what it shows."""
        seen = [frame]
        self.assertTrue(wait_until(lambda: seen.append(self.read()) or seen[-1] != frame, FRAME_TIMEOUT, 0.05),
                        "the viewport did not change: %s" % what)
        return seen[-1]

    def still(self, settle=0.5):
        """The frame once it has stayed the same for `settle` seconds."""
        frames, since = [self.read()], [time.monotonic()]

        def settled():
            frames.append(self.read())
            if frames[-1] != frames[-2]:
                since[0] = time.monotonic()
            return time.monotonic() - since[0] >= settle
        self.assertTrue(wait_until(settled, FRAME_TIMEOUT, 0.02), "the viewport never stood still")
        return frames[-1]

    def test_frames_play_with_the_spin_paused_and_the_trackbar_moves_them(self):
        s = self.start_with_plugin("md2.dll", {"walk.md2": walking_box_md2()})
        self.assertFalse(self.visible(PLAY), "the default box is still: no Play button")
        self.load("walk.md2")
        self.assertTrue(all(self.visible(i) for i in (PLAY, TRACKBAR, SEQUENCE)), "controls of a moving model")
        self.assertEqual(("Play", "All frames"), (s.text(PLAY), self.control_text(SEQUENCE)))

        # The spin paused by a middle press over the viewport: only the frames can move the model now.
        view = s.client_origin()["viewport"]
        s.mouse_move(view.x + view.width // 2, view.y + view.height // 2)
        s.mouse_down(MIDDLE)
        paused = self.still()
        s.mouse_up(MIDDLE)
        self.assertEqual(paused, self.still(), "the spin stays paused")

        s.click(PLAY)
        self.assertEqual("Pause", s.text(PLAY))
        playing = self.changes(paused, "playing the frames")
        self.changes(playing, "the frames go on")
        s.click(PLAY)
        self.assertEqual("Play", s.text(PLAY))
        stopped = self.still()
        self.assertEqual(stopped, self.still(), "a paused animation draws no new pose")

        # The trackbar, clicked (which steps it) then moved with the keys: Home shows frame 0, the pose the model
        # stood in before it played; End the last frame.
        main = s.client_origin()["main"]
        track = next(c for c in s.controls() if c.id == TRACKBAR)
        s.click_at(main.x + (track.left + track.right) // 2, main.y + (track.top + track.bottom) // 2)
        s.key("Home")
        self.assertTrue(wait_until(lambda: self.read() == paused, FRAME_TIMEOUT, 0.05), "Home shows frame 0")
        s.key("End")
        self.assertNotEqual(paused, self.changes(paused, "the trackbar's End"))

    def test_a_glb_box_brings_the_picture_it_holds_and_ctrl_s_proposes_it_beside_the_model(self):
        s = self.start_with_plugin("gltf.dll", {"box.glb": box_glb()})
        self.load("box.glb")
        view = s.capture("skin")
        wrong = [(x, y) for y in range(0, SIDE, 8) for x in range(0, SIDE, 8)
                 if view.get(x, y) != picture_colour(x, y)]
        self.assertEqual([], wrong[:8], "the skin view shows the picture held in the .glb")
        self.assertFalse(self.visible(PLAY), "a glTF model is still")
        s.command(ids.IDM_SAVE)
        self.assertTrue(wait_until(lambda: any(d.caption == "Enregistrer sous" for d in s.dialogs()), harness.DEFAULT_TIMEOUT),
                        "Ctrl+S opens the save chooser")
        names = [c.text for c in s.controls("Enregistrer sous") if c.text.endswith(".png")]
        self.assertIn("box_basecolor.png", names)
        s.driver("save-cancel")

    def test_faults_in_the_frame_and_picture_exports_are_reported_and_the_plugin_dropped(self):
        s = self.session
        faulty = s.win_build / "test-plugins" / "faulty.dll"
        rows = [("sk_framecount", "divzero"), ("sk_framename", "badpointer"), ("sk_texturebytes", "badpointer"),
                ("sk_setframe", "null")]
        names = ["fault-%s-%s.dll" % row for row in rows]
        s.start(self.work_name(), extra={"plugins/" + name: faulty for name in names})
        s.wait_main()
        for (function, _), name in zip(rows, names):
            with self.subTest(function=function):
                s.click(PLUGINS)
                s.plugins_wait()
                listed, _ = s.plugins_list()
                s.plugins_select(listed.index(name))
                s.plugins_press(OK)
                s.set_text(MODEL_PATH, "_test_boite_tex.vmr")   # a plugin switch leaves the model box empty
                s.click(LOAD)
                if function == "sk_setframe":
                    self.assertTrue(self.visible(PLAY), "two frames: the controls show")
                    s.click(PLAY)
                s.expect_box("Plugin Error", "The plugin '%s' stopped working in %s and was unloaded."
                             % (name, function), icon="error", timeout=FRAME_TIMEOUT)
                self.assertEqual("(no plugin)", s.text(PLUGIN_NAME))
                self.assertTrue(wait_until(lambda: not self.visible(PLAY), FRAME_TIMEOUT), "the controls go")


if __name__ == "__main__":
    harness.main()
