#!/usr/bin/env python3
"""End-to-end checks of the shipped plugins obj.dll and md2.dll on the real pelterine.exe under Wine. obj.dll,
chosen in the Plugins dialog, makes the "..." chooser offer .obj files, loads a generated .obj cube (off-centre,
of side 3, quads of v/vt/vn corners, CR LF line ends) and draws it where the default box stands; its texture
coordinates make exactly the expected mapping grid; paint reaches the model; a model without texture
coordinates is drawn untextured without a grid, and a refused file (a bad index, one byte over the size cap,
a missing file) is reported and the model shown before comes back. md2.dll loads a generated Quake II cube whose corners
each have three texture coordinates, draws it textured and gives exactly its grid. Models bring their pictures:
the default box one named after it at start-up, an OBJ the PNG its material names, an MD2 the PCX skin it names
(after the save question, whose Cancel keeps the texture), and Ctrl+S writes that PCX back with its palette."""

import struct
import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import (SHIPPED_PLUGINS, SIDE, box_extent_over_a_turn, bright_bounds, grid_pixels,  # noqa: E402
                    model_colour, to_view)
from test_pictures import SAVE_QUESTION, asymmetric, png_file  # noqa: E402

OK, INFO_TEXT, CURRENT = 1, ids.IDC_PLUGIN_INFO, ids.IDC_CURRENT_PLUGIN   # Plugins dialog
MK_LBUTTON = 1
IDCANCEL, IDNO = 2, 7

INFO = {"obj.dll": "OBJ model plugin (obj.dll) 1.0\nLoads Wavefront OBJ models (*.obj): v, vt, vn and f "
                   "statements,\npolygons as fans; centred and scaled to a cube of side 20.",
        "md2.dll": "MD2 model plugin (md2.dll) 1.1\nLoads Quake II models (*.md2): every frame with its name,\n"
                   "triangles and skin coordinates; centred and scaled to a cube of side 20."}
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
PEN = (0, 119, 170)          # the default pen colour
FRAME_TIMEOUT = 20.0         # frames come slowly on a loaded 2-core machine
MAX_FILE_BYTES = 256 << 20   # obj.dll refuses larger files unread


# ------------------------------------------------------------------ the cube file

# Corners of a cube of side 2 (scaled and moved when written), and its faces counter-clockwise from outside
# (1-based corners), each with its normal and its own rectangle of the texture (u0, v0, u1, v1), all of
# different sizes so that a swapped face, a flipped v or a wrong corner cannot hide.
CORNERS = [(-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1), (-1, -1, -1), (1, -1, -1), (1, 1, -1), (-1, 1, -1)]
FACES = [
    ((1, 2, 3, 4), (0, 0, 1), (0.1, 0.1, 0.3, 0.35)),
    ((2, 6, 7, 3), (1, 0, 0), (0.35, 0.1, 0.6, 0.3)),
    ((6, 5, 8, 7), (0, 0, -1), (0.65, 0.05, 0.95, 0.25)),
    ((5, 1, 4, 8), (-1, 0, 0), (0.1, 0.5, 0.25, 0.9)),
    ((4, 3, 7, 8), (0, 1, 0), (0.4, 0.45, 0.7, 0.7)),
    ((5, 6, 2, 1), (0, -1, 0), (0.75, 0.55, 0.9, 0.95)),
]
ROTATED = {3, 4}     # faces written from their second corner: their fan's diagonal runs the other way
CENTRE, HALF = (7.0, -2.0, 5.0), 1.5


def face_uvs(rect):
    u0, v0, u1, v1 = rect
    return [(u0, v0), (u1, v0), (u1, v1), (u0, v1)]


def face_order(f):
    return [1, 2, 3, 0] if f in ROTATED else [0, 1, 2, 3]


def corner_text(p, t, n, texture, normals):
    if texture and normals:
        return "%d/%d/%d" % (p, t, n)
    if texture:
        return "%d/%d" % (p, t)
    return "%d//%d" % (p, n) if normals else "%d" % p


def cube_obj(texture=True, normals=True):
    """The cube as OBJ text: CR LF line ends, comments and statements a painter ignores; each face has its
    own four vt; the last face uses negative indices."""
    lines = ["# a cube of side 3 around (7, -2, 5)", "mtllib cube.mtl", "o cube"]
    lines += ["v %g %g %g" % tuple(c + HALF * k for c, k in zip(CENTRE, corner)) for corner in CORNERS]
    if texture:
        lines += ["vt %g %g" % uv for _, _, rect in FACES for uv in face_uvs(rect)]
    if normals:
        lines += ["vn %g %g %g" % normal for _, normal, _ in FACES]
    lines += ["usemtl skin", "s off"]
    for f, (corners, _, _) in enumerate(FACES):
        parts = []
        for k in face_order(f):
            p, t, n = corners[k], 4 * f + k + 1, f + 1
            if f == len(FACES) - 1:
                p, t, n = p - 9, t - 25, n - 7
            parts.append(corner_text(p, t, n, texture, normals))
        lines.append("f " + " ".join(parts))
    return ("\r\n".join(lines) + "\r\n").encode()


def cube_triangles():
    """The texture triangles the plugin reports: each quad split as a fan around its first written corner."""
    triangles = []
    for f, (_, _, rect) in enumerate(FACES):
        uvs = [face_uvs(rect)[k] for k in face_order(f)]
        triangles += [(uvs[0], uvs[1], uvs[2]), (uvs[0], uvs[2], uvs[3])]
    return triangles


# ------------------------------------------------------------------ the cube as a Quake II model

# Each face corner's texture coordinate as integer s, t on a 256 x 256 skin, t counted from the top: eight
# corners of the cube, each with three of them.
MD2_ST = [(round(u * SIDE), round((1 - v) * SIDE)) for _, _, rect in FACES for u, v in face_uvs(rect)]


def cube_md2(skins=()):
    """The cube as an MD2 file: Quake's axes (x forward, y left, z up, so our (x, y, z) is its (y, z, x)), one
    frame of the eight corners, each face split into two clockwise triangles with its own four (s, t); the skin
    names given."""
    triangles = []
    for f, (corners, _, _) in enumerate(FACES):
        a, b, c, d = (p - 1 for p in corners)
        triangles += [(a, c, b, 4 * f, 4 * f + 2, 4 * f + 1), (a, d, c, 4 * f, 4 * f + 3, 4 * f + 2)]
    vertices = b"".join(bytes([255 * (k + 1) // 2 for k in (z, x, y)] + [0]) for x, y, z in CORNERS)
    frame = struct.pack("<6f16s", 0.02, 0.02, 0.02, 7, -2, 5, b"cube") + vertices
    sections = [b"".join(name.encode().ljust(64, b"\0") for name in skins),
                b"".join(struct.pack("<2h", *st) for st in MD2_ST),
                b"".join(struct.pack("<6H", *t) for t in triangles), frame]
    offsets = [68]
    for section in sections:
        offsets.append(offsets[-1] + len(section))
    header = struct.pack("<4s16i", b"IDP2", 8, SIDE, SIDE, len(frame), len(skins), len(CORNERS), len(MD2_ST),
                         len(triangles), 0, 1, *offsets[:4], offsets[4], offsets[4])
    return header + b"".join(sections)


def cube_md2_triangles():
    """The texture triangles md2.dll reports: the file's triangles turned counter-clockwise, (a, b, c) and
    (a, c, d) of each face, with u = s / 256 and v = 1 - t / 256."""
    uv = [(s / SIDE, 1 - t / SIDE) for s, t in MD2_ST]
    return [tri for f in range(len(FACES)) for tri in ((uv[4 * f], uv[4 * f + 1], uv[4 * f + 2]),
                                                       (uv[4 * f], uv[4 * f + 2], uv[4 * f + 3]))]


# ------------------------------------------------------------------ an 8-bit PCX skin

# 64 colours in 16 x 32 blocks, the pen's colour at index 200 and greys in the rest of the palette.
SKIN_PALETTE = ([(4 * i, 255 - 3 * i, 37 * i % 256) for i in range(64)] +
                [PEN if i == 200 else (i, i, i) for i in range(64, 256)])


def skin_index(x, y):
    return x // 16 + 16 * (y // 64)


def pcx_file(index_of, palette):
    """A 256 x 256 8-bit PCX: index_of(x, y), y counted from the top, each index coded as a run of one."""
    header = bytearray(128)
    header[0:4] = bytes([0x0A, 5, 1, 8])
    struct.pack_into("<4H", header, 4, 0, 0, SIDE - 1, SIDE - 1)
    header[65] = 1
    struct.pack_into("<H", header, 66, SIDE)
    coded = bytes(b for y in range(SIDE) for x in range(SIDE) for b in (0xC1, index_of(x, y)))
    return bytes(header) + coded + b"\x0c" + bytes(c for colour in palette for c in colour)


def read_pcx(data):
    """(rows of palette indices from the top, palette) of an 8-bit PCX as written by any ZSoft writer."""
    width = struct.unpack_from("<H", data, 8)[0] + 1
    line_bytes = struct.unpack_from("<H", data, 66)[0]
    indices, at, end = bytearray(), 128, len(data) - 769
    while at < end:
        code = data[at]
        if code >= 0xC0:
            indices += bytes([data[at + 1]]) * (code & 0x3F)
            at += 2
        else:
            indices.append(code)
            at += 1
    rows = [indices[y * line_bytes:y * line_bytes + width] for y in range(len(indices) // line_bytes)]
    palette = [tuple(data[i:i + 3]) for i in range(len(data) - 768, len(data), 3)]
    return rows, palette


# ------------------------------------------------------------------ the tests

class ModelPlugins(harness.SessionTestCase):

    def start_with_plugin(self, dll):
        """Starts with the shipped files (vmr.dll and the default box), writes the models into the working
        folder and switches to the plugin through the Plugins dialog."""
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.write_models(work)
        return self.switch_plugin(dll)

    def write_models(self, work):
        (work / "cube.obj").write_bytes(cube_obj())
        (work / "plain cube.obj").write_bytes(cube_obj(texture=False, normals=False))
        (work / "broken.obj").write_bytes(cube_obj().replace(b"f 1/1/1 ", b"f 9/1/1 "))
        (work / "cube.md2").write_bytes(cube_md2())
        # The cube, then a comment of NUL bytes up to one byte more than the plugin reads (a sparse file).
        with open(work / "huge.obj", "wb") as f:
            f.write(cube_obj() + b"#")
            f.seek(MAX_FILE_BYTES)
            f.write(b"\n")

    def switch_plugin(self, dll):
        """Switches plugin through the Plugins dialog; the model is then gone."""
        s = self.session
        current = s.text(ids.IDC_PLUGIN_NAME)
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        names, selected = s.plugins_list()
        self.assertEqual((SHIPPED_PLUGINS, names.index(current)), (names, selected), "%s is current" % current)
        s.plugins_select(names.index(dll))
        self.assertEqual(INFO[dll], s.plugins_text(INFO_TEXT))
        self.assertEqual(current, s.plugins_text(CURRENT))
        s.plugins_press(OK)
        self.assertEqual([], s.boxes())
        self.assertEqual(dll, s.text(ids.IDC_PLUGIN_NAME))
        self.wait_colour("black")   # no model until one is loaded through the new plugin
        return s

    def load(self, path, refusal=None):
        """Loads a model through "Load"; a refused one must be reported with its path as the caption."""
        s = self.session
        s.set_text(ids.IDC_MODEL_PATH, path)
        s.click(ids.IDC_LOAD_MODEL)
        if refusal:
            s.expect_box(path, refusal, icon="error")
        self.assertEqual([], s.boxes(), "a model load shows no other message")

    def wait_colour(self, colour):
        s = self.session
        seen = []

        def shows():
            seen[:] = [s.read_viewport()]
            return model_colour(seen[0]) == colour

        self.assertTrue(wait_until(shows, FRAME_TIMEOUT, 0.2), "the viewport never showed a %s model (last: %s); "
                        "frame %s" % (colour, seen and model_colour(seen[0]), s.work / "gl-viewport.ppm"))
        return seen[0]

    def assert_view(self, picture, grid, paint_colour):
        """The skin view shows paint_colour everywhere but on the grid's black pixels."""
        self.assertEqual((SIDE, SIDE), (picture.width, picture.height))
        wrong = [((x, y), picture.get(x, y)) for y in range(SIDE) for x in range(SIDE)
                 if picture.get(x, y) != (BLACK if (x, y) in grid else paint_colour)]
        self.assertEqual([], wrong[:12], "%d pixels of the skin view differ ((x, y), seen)" % len(wrong))

    def paint_all(self):
        """Paints the whole texture in the pen colour with a pen wider than the texture."""
        s = self.session
        if s.checked(ids.IDC_USE_PATTERN):
            s.click(ids.IDC_USE_PATTERN)
        self.assertEqual(0, s.checked(ids.IDC_USE_PATTERN))
        s.set_text(ids.IDC_PEN_SIZE, "1000")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 128, 128, MK_LBUTTON)

    def assert_texture(self, colour_of, what):
        """The skin view shows colour_of(x, y) at every pixel (y from the top)."""
        view = self.session.capture("skin")
        wrong = [((x, y), view.get(x, y)) for y in range(SIDE) for x in range(SIDE)
                 if view.get(x, y) != colour_of(x, y)]
        self.assertEqual([], wrong[:12], "%d pixels of the skin view differ from %s" % (len(wrong), what))

    def test_cube_chosen_with_the_plugins_filter_fills_the_view_shows_its_grid_and_takes_paint(self):
        s = self.start_with_plugin("obj.dll")
        s.click(ids.IDC_CHOOSE_MODEL)
        self.assertEqual(["Wavefront OBJ (*.obj)", "All files (*.*)"], s.open_filters())
        s.open_choose(s.work / "cube.obj")
        self.assertEqual([], s.boxes())
        frame = self.wait_colour("grey")
        where = "viewport frame: %s" % (s.work / "gl-viewport.ppm")
        # Centred and scaled to side 20, the cube covers what the default box covers in some turn of the spin.
        x0, y0, x1, y1, bright = bright_bounds(frame)
        outer, inner = box_extent_over_a_turn()
        margin = 3
        for name, seen, low, high in (("left", x0, outer[0], inner[0]), ("top", y0, outer[1], inner[1]),
                                      ("right", x1, inner[2], outer[2]), ("bottom", y1, inner[3], outer[3])):
            self.assertTrue(low - margin <= seen <= high + margin, "%s edge of the cube at %d, expected %.0f to "
                            "%.0f; %s" % (name, seen, low, high, where))
        self.assertGreater(bright, 0.6 * (x1 - x0) * (y1 - y0), "the cube is a solid region: " + where)

        # The grid: both triangles of each face's rectangle, the rotated faces with the other diagonal.
        expected = to_view(grid_pixels(cube_triangles()))
        for pixel in [(25, 230), (76, 166), (166, 243), (243, 192), (230, 12)]:   # a few corners, spelled out
            self.assertIn(pixel, expected)
        for pixel in [(5, 5), (128, 128), (250, 250)]:
            self.assertNotIn(pixel, expected)
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), expected, WHITE)

        # The whole texture painted: the model turns blue, the grid stays on top in the view.
        self.paint_all()
        self.assert_view(s.capture("skin"), expected, PEN)
        self.wait_colour("blue")

    def test_untextured_and_refused_models(self):
        s = self.start_with_plugin("obj.dll")
        self.paint_all()
        self.load("cube.obj")
        self.wait_colour("blue")
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))

        # Without texture coordinates (and without normals, which the plugin computes) the cube is drawn
        # lit but untextured, although the texture is painted blue, and the grid cannot be checked.
        self.load("plain cube.obj")
        self.assertEqual(0, s.checked(ids.IDC_GRID), "a model without texture coordinates unchecks the grid")
        s.click(ids.IDC_GRID)
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        frame = self.wait_colour("grey")
        self.assertIsNotNone(bright_bounds(frame))

        # A refused file (the first face, on line 44, names a ninth corner of eight) is reported, and the model
        # shown before (the plain cube) is loaded again, its path back in the box.
        self.load("broken.obj", "Unable to load model\nline 44: vertex index 9 is out of range")
        self.assertEqual("plain cube.obj", s.text(ids.IDC_MODEL_PATH))
        self.wait_colour("grey")
        self.assertEqual(0, s.checked(ids.IDC_GRID))
        self.assertTrue(s.running())

        # A file over the size cap is refused although it starts with the whole cube, and a missing one; the
        # textured cube stays (each refusal follows the grey cube, so an old frame cannot pass for the cube kept).
        self.load("cube.obj")
        self.wait_colour("blue")
        self.load("huge.obj", "Unable to load model\nthe file is larger than 256 MiB")
        self.assertEqual("cube.obj", s.text(ids.IDC_MODEL_PATH))
        self.load("plain cube.obj")
        self.wait_colour("grey")
        self.load("missing.obj", "Unable to load model\nthe file cannot be opened")
        self.wait_colour("grey")
        self.assertEqual("plain cube.obj", s.text(ids.IDC_MODEL_PATH))

        # And the plugin goes on loading good files.
        self.load("cube.obj")
        self.wait_colour("blue")
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), to_view(grid_pixels(cube_triangles())), PEN)

    def test_md2_cube_draws_textured_with_its_exact_grid(self):
        s = self.start_with_plugin("md2.dll")
        self.load("cube.md2")
        self.wait_colour("grey")
        s.click(ids.IDC_GRID)
        self.assertEqual(1, s.checked(ids.IDC_GRID))
        self.assert_view(s.capture("skin"), to_view(grid_pixels(cube_md2_triangles())), WHITE)
        self.paint_all()
        self.wait_colour("blue")


    def test_models_bring_their_pictures(self):
        s = self.session
        # At start-up the default box brings a picture named after it.
        work = s.start(self.work_name(), extra={"_test_boite_tex.png": png_file(SIDE, SIDE, asymmetric)})
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assert_texture(asymmetric, "the picture named after the default box")

        # An OBJ in a folder of its own: its material's map_Kd, relative to that folder.
        def crate(x, y):
            return 200, x, y
        (work / "models" / "skins").mkdir(parents=True)
        (work / "models" / "crate.obj").write_bytes(cube_obj().replace(b"cube.mtl", b"crate.mtl"))
        (work / "models" / "crate.mtl").write_bytes(b"newmtl skin\r\nmap_Kd skins\\crate.png\r\n")
        (work / "models" / "skins" / "crate.png").write_bytes(png_file(SIDE, SIDE, crate))
        self.switch_plugin("obj.dll")
        self.load("models\\crate.obj")
        self.assert_texture(crate, "the OBJ's material picture")

        # A painted texture is offered for saving before an MD2 brings its PCX skin; Cancel keeps the painting
        # and the model is loaded all the same.
        skin = work / "cube_skin.pcx"
        skin.write_bytes(pcx_file(skin_index, SKIN_PALETTE))
        (work / "cube.md2").write_bytes(cube_md2(["models/cube/cube_skin.pcx"]))
        self.paint_all()
        self.switch_plugin("md2.dll")
        s.set_text(ids.IDC_MODEL_PATH, "cube.md2")
        s.click(ids.IDC_LOAD_MODEL)
        s.expect_box(*SAVE_QUESTION, button=IDCANCEL)
        self.assertEqual([], s.boxes())
        self.assert_texture(lambda x, y: PEN, "the painting kept by Cancel")
        self.wait_colour("blue")
        s.click(ids.IDC_LOAD_MODEL)
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        self.assertEqual([], s.boxes())
        self.assert_texture(lambda x, y: SKIN_PALETTE[skin_index(x, y)], "the MD2's PCX skin")

        # The skin is the file Ctrl+S saves to: painted over, it is written back unasked with its own palette.
        before = skin.read_bytes()
        self.paint_all()
        s.command(ids.IDM_SAVE)
        self.assertTrue(wait_until(lambda: skin.read_bytes() != before, harness.DEFAULT_TIMEOUT),
                        "Ctrl+S did not write the PCX skin")
        self.assertEqual(([], []), (s.boxes(), s.dialogs()), "no question and no chooser")
        rows, palette = read_pcx(skin.read_bytes())
        self.assertEqual(SKIN_PALETTE, palette)
        self.assertEqual([bytes([200]) * SIDE] * SIDE, [bytes(row) for row in rows])


if __name__ == "__main__":
    harness.main()
