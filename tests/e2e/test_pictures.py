#!/usr/bin/env python3
# e2e-timeout: 400
"""End-to-end checks of pictures under Wine: a PNG texture loads; pictures load at their own size (a 512 x 512
PNG, an 8-bit BMP of an odd width) and save back exactly; a picture over 2048 asks before it is scaled (both
answers), and a scaled texture is never saved back over its source; "New Texture..." refuses a side and makes a
texture on which a dab at 4 pixels a texel lands on its texel; textures saved as
PNG and TGA (by name or by the chosen file type) load back exactly; a damaged picture is refused under its
path, non-ASCII letters included; a PNG pattern loads."""

import struct
import sys
import zlib
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wine_path  # noqa: E402

IDOK, IDYES, IDNO = 1, 6, 7
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")
DAMAGED = "Picture file is damaged or not supported"
SIDE = 256
PEN = (0, 119, 170)
OPEN_TYPES = ["Pictures (*.bmp;*.png;*.tga;*.jpg;*.jpeg;*.pcx;*.ora)", "Image Bitmap (*.bmp)",
              "OpenRaster, layers (*.ora)", "PNG picture (*.png)",
              "TGA picture (*.tga)", "JPEG picture (*.jpg;*.jpeg)", "PCX picture (*.pcx)", "All files (*.*)"]
SAVE_TYPES = ["BMP picture (*.bmp)", "PNG picture (*.png)", "TGA picture (*.tga)",
              "PCX picture, 256 colours (*.pcx)", "OpenRaster, layers (*.ora)", "JPEG picture (*.jpg;*.jpeg)"]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_file(width, height, colour_of):
    """An 8-bit RGB PNG; colour_of(x, y) gives (r, g, b), y counted from the top."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + bytes(c for x in range(width) for c in colour_of(x, y)) for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return PNG_SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def palette_bmp(width, height, palette, index_of):
    """An 8-bit palette BMP, bottom-up; palette: 256 (r, g, b); index_of(x, y) with y counted from the top."""
    stride = (width + 3) & ~3
    rows = b"".join(bytes(index_of(x, y) for x in range(width)) + b"\x00" * (stride - width)
                    for y in range(height - 1, -1, -1))
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 54 + len(colours)
    header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, 0, 0, 0, 256, 0)
    return header + info + colours + rows


def asymmetric(x, y):
    return x, y, (x * 7 + y * 3) & 255


def asymmetric_wide(x, y):
    return x & 255, (x >> 8) * 100 + (y & 127), (x * 7 + y * 3) & 255


def same(a, b):
    return (a.width, a.height) == (b.width, b.height) and all(ra == rb for ra, rb in zip(a.rows, b.rows))


class Pictures(harness.SessionTestCase):

    def start(self):
        """A fresh folder; the square pen, one dab a message."""
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_USE_PATTERN)
        s.click(ids.IDC_SMOOTH_STROKES)
        return work

    def load_texture(self, path, question=None):
        self.session.click(ids.IDC_LOAD_TEXTURE)
        if question is not None:
            self.session.expect_box(*SAVE_QUESTION, button=question)
        self.session.open_choose(path)

    def cover(self, size=1000):
        """Paints over the whole texture with the pen, so a load that changes nothing would show."""
        s = self.session
        s.set_text(ids.IDC_PEN_SIZE, str(size))
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 128, 128)
        self.assertEqual({PEN: SIDE * SIDE}, s.capture("skin").colours())

    def test_png_texture_loads_with_the_picture_filters(self):
        s = self.session
        work = self.start()
        path = work / "skin.png"
        path.write_bytes(png_file(SIDE, SIDE, asymmetric))
        s.click(ids.IDC_LOAD_TEXTURE)
        self.assertEqual(OPEN_TYPES, s.open_filters())
        s.open_choose(path)
        self.assertEqual([], s.boxes())
        view = s.capture("skin")
        wrong = [(x, y) for y in range(SIDE) for x in range(SIDE) if view.get(x, y) != asymmetric(x, y)]
        self.assertEqual([], wrong[:8], "%d pixels differ from the PNG" % len(wrong))

    def test_pictures_load_at_their_own_size_and_save_back_exactly(self):
        s = self.session
        work = self.start()
        palette = [(x * 5 % 256, 255 - x, x * 11 % 256) for x in range(256)]
        cases = [
            ("wide.png", png_file(512, 512, asymmetric_wide), 512, 512, asymmetric_wide),
            # An 8-bit palette BMP of an odd width: rows of 301 bytes padded to 304, 24-bit colour once loaded.
            ("odd.bmp", palette_bmp(301, 193, palette, lambda x, y: (x + 2 * y) % 256), 301, 193,
             lambda x, y: palette[(x + 2 * y) % 256]),
        ]
        for name, data, width, height, colour_of in cases:
            with self.subTest(file=name):
                (work / name).write_bytes(data)
                self.load_texture(work / name)
                self.assertEqual([], s.boxes())
                saved = work / (name + ".saved.bmp")
                s.click(ids.IDC_SAVE_TEXTURE)
                s.save_choose(saved)
                picture = harness.read_bmp(saved)
                self.assertEqual((width, height), (picture.width, picture.height))
                self.assertEqual(24, struct.unpack("<H", saved.read_bytes()[28:30])[0])
                wrong = [(x, y) for y in range(height) for x in range(width) if picture.get(x, y) != colour_of(x, y)]
                self.assertEqual([], wrong[:8], "%d texels differ" % len(wrong))

    def test_pictures_over_2048_ask_before_scaling_and_never_save_over_their_source(self):
        s = self.session
        work = self.start()
        path = work / "long.png"
        data = png_file(4096, 8, lambda x, y: (10, 200, 30))
        path.write_bytes(data)
        s.mouse("ldown", 60, 60)
        before = s.capture("skin")
        question = "The picture is 4096 \u00d7 8 pixels. Scale it to 2048 \u00d7 8?"
        self.load_texture(path, question=IDNO)
        s.expect_box(wine_path(path), question, button=IDNO)
        self.assertEqual([], s.boxes())
        self.assertTrue(same(before, s.capture("skin")), "No changed the texture")

        self.load_texture(path, question=IDNO)
        s.expect_box(wine_path(path), question, button=IDYES)
        saved = work / "scaled.bmp"
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(saved)
        picture = harness.read_bmp(saved)
        self.assertEqual((2048, 8), (picture.width, picture.height))
        self.assertTrue(all(abs(a - b) <= 1 for c in picture.colours() for a, b in zip(c, (10, 200, 30))))

        # The scaled texture's file is the one just saved, not its source: Ctrl+S never writes over the PNG.
        s.mouse("ldown", 60, 60)
        s.command(ids.IDM_SAVE)
        self.assertEqual(data, path.read_bytes())

    def test_new_texture_of_a_chosen_size_and_a_dab_at_4_pixels_a_texel(self):
        s = self.session
        work = self.start()
        s.set_text(ids.IDC_PEN_SIZE, "1")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.click(ids.IDC_NEW_TEXTURE)
        s.dialog_set_text("New Texture", ids.IDC_NEW_WIDTH, "7")
        box = s.dialog_press("New Texture", IDOK)
        self.assertEqual(("New Texture", "Width and height must be whole numbers from 8 to 2048"), box[:2])
        s.press_box(IDOK, "New Texture")
        s.dialog_set_text("New Texture", ids.IDC_NEW_WIDTH, "64")
        s.dialog_set_text("New Texture", ids.IDC_NEW_HEIGHT, "64")
        self.assertIsNone(s.dialog_press("New Texture", IDOK))
        # 64 texels fit the 256-pixel view at 4 pixels a texel: pixel (41, 41) shows column 10, row 63 - 10.
        s.mouse("ldown", 41, 41)
        s.mouse("lup", 41, 41, 0)
        saved = work / "new.bmp"
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(saved)
        picture = harness.read_bmp(saved)
        self.assertEqual((64, 64), (picture.width, picture.height))
        self.assertEqual({(x, y) for y in range(64) for x in range(64) if picture.get(x, y) != (255, 255, 255)},
                         {(10, 10)}, "one texel painted, rows of the file counted from the top here")
        self.assertEqual(PEN, picture.get(10, 10))

    def test_png_and_tga_saves_load_back_exactly(self):
        s = self.session
        work = self.start()
        s.mouse("ldown", 20, 30)
        s.set_text(ids.IDC_PEN_SIZE, "12")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 200, 40)
        s.click(ids.IDC_USE_PATTERN)
        s.mouse("ldown", 128, 200)
        s.click(ids.IDC_USE_PATTERN)
        first = s.capture("skin")
        self.assertGreater(len(first.colours()), 3)

        s.click(ids.IDC_SAVE_TEXTURE)
        self.assertEqual(SAVE_TYPES, s.save_filters())
        s.save_choose(work / "saved.png")
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(work / "typed", file_type=3)   # no extension typed, TGA chosen: it gets ".tga"
        self.assertEqual([], s.boxes())
        self.assertEqual(PNG_SIGNATURE, (work / "saved.png").read_bytes()[:8])
        tga = (work / "typed.tga").read_bytes()
        self.assertEqual((0, 0, 2, SIDE, SIDE, 24), struct.unpack("<BBB9xHHB", tga[:17]), "an uncompressed TGA")

        for name in ("saved.png", "typed.tga"):
            with self.subTest(file=name):
                self.cover()
                self.load_texture(work / name, question=IDNO)
                self.assertEqual([], s.boxes())
                self.assertTrue(same(first, s.capture("skin")), "%s loaded back differently" % name)

    def test_damaged_picture_is_refused_under_its_path(self):
        s = self.session
        work = self.start()
        s.mouse("ldown", 60, 60)
        before = s.capture("skin")
        path = work / "d\u00e9g\u00e2t.png"
        path.write_bytes(PNG_SIGNATURE + b"\x00" * 40)
        self.load_texture(path, question=IDNO)
        s.expect_box(wine_path(path), DAMAGED, icon="error")
        self.assertEqual([], s.boxes())
        self.assertTrue(same(before, s.capture("skin")), "a damaged picture changed the texture")

    def test_png_pattern_loads(self):
        s = self.session
        work = self.start()
        path = work / "pattern.png"
        path.write_bytes(png_file(32, 32, lambda x, y: (200, 40, 90)))
        s.click(ids.IDC_LOAD_PATTERN)
        s.open_choose(path)
        self.assertEqual([], s.boxes())
        self.assertEqual({(200, 40, 90): 64 * 64}, s.capture("pattern").colours())


if __name__ == "__main__":
    harness.main()
