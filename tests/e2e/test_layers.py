#!/usr/bin/env python3
# e2e-timeout: 300
"""End-to-end checks of the layers under Wine: painting on two layers with the upper one's opacity and mode
changed, saved as .ora (chosen by its file type: a zip that other programs read, mimetype first and stored) and
loaded back identical; the eraser on the upper layer showing the lower one; a Delete undone; an .ora written by
hand as another program would (layers cropped to their content at offsets, a nested stack, a mode Pelterine
lacks) opening as its layers with a warning naming the mode, and Ctrl+S writing them back."""

import io
import struct
import zipfile
import zlib

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wine_path  # noqa: E402

SAVE_TEXTURE = ids.IDC_SAVE_TEXTURE
LOAD_TEXTURE = ids.IDC_LOAD_TEXTURE
PEN_SIZE, PEN_SIZE_OK = ids.IDC_PEN_SIZE, ids.IDC_PEN_SIZE_OK
IDNO = 7
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")
ORA_TYPE = 5  # the fifth save type: "OpenRaster, layers (*.ora)"
SIDE = 256
PEN = (0, 119, 170)
UNDO = ids.IDC_UNDO


def over_white(colour, opacity_percent):
    """A colour laid at an opacity over white as the program rounds it (Multiply over white is the colour)."""
    alpha = (opacity_percent * 255 + 50) // 100
    return tuple((255 * (255 - alpha) + c * alpha + 127) // 255 for c in colour)


def multiplied_half(upper, lower):
    """The upper colour multiplied over the lower at 50 %."""
    return tuple((b * 127 + ((b * u + 127) // 255) * 128 + 127) // 255 for u, b in zip(upper, lower))


def png_rgba(width, height, pixel_of):
    """An 8-bit RGBA PNG; pixel_of(x, y) gives (r, g, b, a), y counted from the top."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + bytes(c for x in range(width) for c in pixel_of(x, y)) for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def hand_made_ora():
    """A 256 x 256 canvas: an opaque blue-grey background, a 40 x 20 red layer at (100, 50) in a stack offset by
    (10, 5), a Multiply layer of 60 x 60 at (-30, 200) reaching past the canvas, and a colour-dodge layer that
    is empty (so the picture does not depend on how it would be drawn)."""
    stack = ("<?xml version='1.0' encoding='UTF-8'?>\n<image w='256' h='256'><stack>\n"
             " <layer name='dodge' src='data/empty.png' composite-op='svg:color-dodge'/>\n"
             " <layer name='shade' src='data/shade.png' x='-30' y='200' composite-op='svg:multiply'/>\n"
             " <stack x='10' y='5'><layer name='red' src='data/red.png' x='100' y='50'/></stack>\n"
             " <layer name='base' src='data/base.png'/>\n"
             "</stack></image>\n")
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "image/openraster", compress_type=zipfile.ZIP_STORED)
        z.writestr("stack.xml", stack, compress_type=zipfile.ZIP_DEFLATED)
        z.writestr("data/base.png", png_rgba(SIDE, SIDE, lambda x, y: (90, 100, 110, 255)))
        z.writestr("data/red.png", png_rgba(40, 20, lambda x, y: (220, 10, 0, 255)))
        z.writestr("data/shade.png", png_rgba(60, 60, lambda x, y: (128, 255, 0, 255)),
                   compress_type=zipfile.ZIP_DEFLATED)
        z.writestr("data/empty.png", png_rgba(8, 8, lambda x, y: (0, 0, 0, 0)))
    return out.getvalue()


def expected_colour(x, y):
    if 110 <= x < 150 and 55 <= y < 75:
        colour = (220, 10, 0)
    else:
        colour = (90, 100, 110)
    if x < 30 and y >= 200:   # multiplied by (128, 255, 0)
        colour = ((colour[0] * 128 + 127) // 255, colour[1], 0)
    return colour


class Layers(harness.SessionTestCase):

    def start(self):
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        return work

    def start_with_a_dab(self):
        """A start, then one dab of the 9-texel square pen on the background at (30, 40) of the view."""
        s = self.session
        work = self.start()
        s.click(ids.IDC_USE_PATTERN)
        s.set_text(PEN_SIZE, "9")
        s.click(PEN_SIZE_OK)
        s.mouse("ldown", 30, 40)
        s.mouse("lup", 30, 40, 0)
        return work

    def test_texture_saved_as_ora_opens_elsewhere_and_loads_back(self):
        s = self.session
        work = self.start_with_a_dab()
        s.mouse("rdown", 34, 40)
        s.mouse("rup", 34, 40, 0)
        painted = s.capture("skin")
        s.click(SAVE_TEXTURE)
        self.assertEqual("OpenRaster, layers (*.ora)", s.save_filters()[ORA_TYPE - 1])
        s.save_choose(work / "painted", file_type=ORA_TYPE)
        self.assertEqual([], s.boxes())
        data = (work / "painted.ora").read_bytes()
        self.assertEqual(b"PK\x03\x04", data[:4])
        self.assertEqual(b"mimetypeimage/openraster", data[30:54], "mimetype first, stored")
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            self.assertIsNone(z.testzip())
            names = z.namelist()
            self.assertIn("stack.xml", names)
            self.assertIn("mergedimage.png", names)
            self.assertIn("Thumbnails/thumbnail.png", names)
            self.assertIn("composite-op=\"svg:src-over\"", z.read("stack.xml").decode())

        s.set_text(PEN_SIZE, "1000")
        s.click(PEN_SIZE_OK)
        s.mouse("ldown", 128, 128)
        s.click(LOAD_TEXTURE)
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        s.open_choose(work / "painted.ora")
        self.assertEqual([], s.boxes())
        back = s.capture("skin")
        self.assertEqual(painted.rows, back.rows, "the .ora loaded back differently")

    def test_other_programs_layers_open_composed_with_warnings(self):
        s = self.session
        work = self.start()
        path = work / "krita.ora"
        data = hand_made_ora()
        path.write_bytes(data)
        s.click(LOAD_TEXTURE)
        s.open_choose(path)
        caption = wine_path(path)
        box = s.wait_box()
        self.assertEqual(caption, box.caption)
        self.assertIn("\"svg:color-dodge\"", box.text)
        s.press_box(1, caption)
        self.assertEqual([], s.boxes())
        self.assertEqual([("dodge", True, True), ("shade", True, False), ("red", True, False), ("base", True, False)],
                         s.layer_rows())
        view = s.capture("skin")
        wrong = [(x, y) for y in range(SIDE) for x in range(SIDE) if view.get(x, y) != expected_colour(x, y)]
        self.assertEqual([], wrong[:8], "%d pixels differ from the layers' composition" % len(wrong))
        # Ctrl+S writes the layers back over the file they came from.
        s.mouse("ldown", 5, 5)
        s.mouse("lup", 5, 5, 0)
        s.command(ids.IDM_SAVE)
        self.assertEqual([], s.boxes())
        with zipfile.ZipFile(path) as z:
            self.assertEqual(4, z.read("stack.xml").decode().count("<layer "))

    def test_two_layers_painted_saved_loaded_erased_and_a_delete_undone(self):
        s = self.session
        work = self.start_with_a_dab()
        s.click(ids.IDC_NEW_LAYER)
        self.assertEqual([("Layer 2", True, True), ("Background", True, False)], s.layer_rows())
        self.assertFalse(s.enabled(ids.IDC_MERGE_DOWN) and not s.enabled(ids.IDC_DELETE_LAYER))
        s.mouse("ldown", 38, 40)   # over the lower dab's right edge, at column 34
        s.mouse("lup", 38, 40, 0)
        s.layer_opacity(50)
        s.layer_mode(1)   # Multiply
        view = s.capture("skin")
        self.assertEqual(PEN, view.get(30, 40), "the lower layer alone")
        self.assertEqual(over_white(PEN, 50), view.get(40, 40), "the upper layer alone, at 50 %")
        self.assertEqual(multiplied_half(PEN, PEN), view.get(34, 40), "the upper layer multiplied over the lower")

        s.click(SAVE_TEXTURE)
        s.save_choose(work / "two", file_type=ORA_TYPE)
        self.assertEqual([], s.boxes())
        with zipfile.ZipFile(work / "two.ora") as z:
            stack = z.read("stack.xml").decode()
        self.assertEqual(2, stack.count("<layer "))
        self.assertIn("svg:multiply", stack)
        s.click(ids.IDC_NEW_TEXTURE)
        s.dialog_press("New Texture", 1)
        self.assertEqual([("Background", True, True)], s.layer_rows())
        s.click(LOAD_TEXTURE)
        s.open_choose(work / "two.ora")
        self.assertEqual([], s.boxes())
        self.assertEqual([("Layer 2", True, True), ("Background", True, False)], s.layer_rows())
        self.assertEqual(view.rows, s.capture("skin").rows, "the .ora loaded back differently")

        s.mouse("rdown", 36, 40)   # the eraser, 7 wide, on the upper layer: columns 33 to 39
        s.mouse("rup", 36, 40, 0)
        erased = s.capture("skin")
        self.assertEqual(PEN, erased.get(34, 40), "the lower layer shows where the upper one was erased")
        self.assertEqual((255, 255, 255), erased.get(38, 40))
        self.assertEqual(over_white(PEN, 50), erased.get(41, 40))

        s.click(ids.IDC_DELETE_LAYER)
        self.assertEqual([("Background", True, True)], s.layer_rows())
        self.assertFalse(s.enabled(ids.IDC_DELETE_LAYER), "the last layer cannot be deleted")
        s.click(UNDO)
        self.assertEqual([("Layer 2", True, True), ("Background", True, False)], s.layer_rows())
        self.assertEqual(erased.rows, s.capture("skin").rows, "undo brings the deleted layer back")


if __name__ == "__main__":
    harness.main()
