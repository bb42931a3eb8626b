#!/usr/bin/env python3
"""End-to-end checks of the pattern brush under Wine: the pattern view (default pattern, loaded patterns,
patterns whose rows need padding in the file), refused pattern files, darkening and brightening stamps
with and without the pen-colour tint, and how "Colors...", "Use Pattern" and "Use Color" change the brush.

Stamps are checked pixel for pixel against a small model of the brush: tint is the screen blend
255 - (255 - pattern) * (255 - pen) / 255 per colour, and a stamp subtracts (left button) or adds (right
button) 255 - brush from each texel under the pattern, saturating, with pattern pixels beyond the texture's
edge landing on the edge texel."""

import struct
import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wine_path  # noqa: E402

SIDE = 256
VIEW = 64
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
PEN = (0, 119, 170)             # default pen colour, red first
DEFAULT_PATTERN = "super_pattern_01.bmp"

# An 8 x 8 pattern, rows top to bottom, as (r, g, b): white border, black 4 x 4 middle, and two marks that
# give away any flip or colour swap: mid grey up right, pure red down left.
G, R, W, K = (128, 128, 128), (255, 0, 0), WHITE, BLACK
PATTERN_8 = [
    [W, W, W, W, W, W, W, W],
    [W, W, W, W, W, W, G, W],
    [W, W, K, K, K, K, W, W],
    [W, W, K, K, K, K, W, W],
    [W, W, K, K, K, K, W, W],
    [W, W, K, K, K, K, W, W],
    [W, R, W, W, W, W, W, W],
    [W, W, W, W, W, W, W, W],
]

# 6 x 4: rows of 18 bytes, padded to 20 in the file. Every pixel differs from its neighbours.
PATTERN_6x4 = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (255, 0, 255), (0, 255, 255)],
    [(128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 0), (128, 0, 128), (0, 128, 128)],
    [(0, 0, 0), (64, 64, 64), (128, 128, 128), (192, 192, 192), (255, 128, 0), (0, 128, 255)],
    [(255, 255, 255), (200, 100, 50), (50, 100, 200), (100, 200, 50), (30, 60, 90), (250, 240, 230)],
]


# ------------------------------------------------------------------ pattern files

def bmp_file(width, height, bits=24, compression=0, planes=1, pixels=None):
    if pixels is None:
        stride = (width * bits // 8 + 3) & ~3
        pixels = b"\x80" * (stride * abs(height))
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, planes, bits, compression, 0, 0, 0, 0, 0)
    return header + info + pixels


def pattern_file(rows):
    """A 24-bit BMP of a picture given as rows top to bottom of (r, g, b): rows bottom-up, blue first,
    each padded to a multiple of 4 bytes."""
    width, height = len(rows[0]), len(rows)
    pad = b"\x00" * (((3 * width + 3) & ~3) - 3 * width)
    pixels = b"".join(b"".join(bytes((b, g, r)) for r, g, b in row) + pad for row in reversed(rows))
    return bmp_file(width, height, pixels=pixels)


def rows_of(image):
    return [[image.get(x, y) for x in range(image.width)] for y in range(image.height)]


# ------------------------------------------------------------------ the model

def tint(rows, pen):
    return [[tuple(255 - (255 - s) * (255 - c) // 255 for s, c in zip(px, pen)) for px in row] for row in rows]


class Skin:
    """The expected skin view: window pixel (x, y) with y down; texture row = 255 - y."""

    def __init__(self):
        self.px = [[WHITE] * SIDE for _ in range(SIDE)]

    def square(self, cx, cy, size, colour):
        half, ty = size // 2, SIDE - 1 - cy
        for r in range(size):
            for c in range(size):
                x = min(max(cx - half + c, 0), SIDE - 1)
                y = min(max(ty - half + r, 0), SIDE - 1)
                self.px[SIDE - 1 - y][x] = colour

    def stamp(self, brush, cx, cy, brighten=False):
        """brush: rows top to bottom. Pattern row i counts from the bottom, like the texture rows."""
        height, width = len(brush), len(brush[0])
        x0, y0 = cx - width // 2, (SIDE - 1 - cy) - height // 2
        for i in range(height):
            for j in range(width):
                amount = [255 - v for v in brush[height - 1 - i][j]]
                x = min(max(x0 + j, 0), SIDE - 1)
                y = min(max(y0 + i, 0), SIDE - 1)
                old = self.px[SIDE - 1 - y][x]
                if brighten:
                    new = tuple(min(255, o + a) for o, a in zip(old, amount))
                else:
                    new = tuple(max(0, o - a) for o, a in zip(old, amount))
                self.px[SIDE - 1 - y][x] = new


def stretched(rows, x, y):
    """The pattern pixel that the 64 x 64 view shows at (x, y) when it enlarges the pattern by a whole factor."""
    height, width = len(rows), len(rows[0])
    return rows[y * height // VIEW][x * width // VIEW]


class PatternBrush(harness.SessionTestCase):

    # ---- helpers

    def start(self, **stage):
        """Starts in a fresh folder, with "Smooth strokes" unchecked: each mouse message stamps once."""
        s = self.session
        work = s.start(self.work_name(), **stage)
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_SMOOTH_STROKES)
        return work

    def default_pattern(self):
        return rows_of(harness.read_bmp(self.session.dist / DEFAULT_PATTERN))

    def load_pattern(self, path):
        self.session.click(ids.IDC_LOAD_PATTERN)
        self.session.open_choose(path)

    def write_and_load(self, name, rows):
        path = self.session.work / name
        path.write_bytes(pattern_file(rows))
        self.load_pattern(path)
        self.assertEqual([], self.session.boxes())

    def assert_skin(self, model, what):
        picture = self.session.capture("skin")
        wrong = [((x, y), picture.get(x, y), model.px[y][x]) for y in range(SIDE) for x in range(SIDE)
                 if picture.get(x, y) != model.px[y][x]]
        if wrong:
            self.fail("%s: %d pixels differ from the model, first (pos, shown, expected): %s" % (
                what, len(wrong), wrong[:6]))

    def assert_view_shows(self, rows, what):
        """The pattern view shows these pattern rows enlarged to 64 x 64 (a whole factor, so every view
        pixel is exactly one pattern pixel)."""
        view = self.session.capture("pattern")
        self.assertEqual((VIEW, VIEW), (view.width, view.height))
        wrong = [((x, y), view.get(x, y), stretched(rows, x, y)) for y in range(VIEW) for x in range(VIEW)
                 if view.get(x, y) != stretched(rows, x, y)]
        if wrong:
            self.fail("%s: %d view pixels differ, first (pos, shown, expected): %s" % (what, len(wrong), wrong[:6]))

    # ---- the view and the default pattern

    def test_default_pattern_is_shown_and_stamped(self):
        s = self.session
        self.start()
        default = self.default_pattern()
        self.assertEqual(0, VIEW % len(default), "the shipped pattern is enlarged by a whole factor")
        view = s.capture("pattern")
        self.assertGreater(len(view.colours()), 1, "the pattern view is blank")
        for corner in ((0, 0), (63, 0), (0, 63), (63, 63)):
            self.assertEqual(WHITE, view.get(*corner), "corner %s" % (corner,))
        self.assertTrue(all(v < 64 for v in view.get(32, 32)), "the middle is dark: %s" % (view.get(32, 32),))
        self.assert_view_shows(default, "default pattern")
        # "Use Pattern" starts checked and "Use Color" unchecked: the left button stamps the plain pattern.
        self.assertEqual((1, 0), (s.checked(ids.IDC_USE_PATTERN), s.checked(ids.IDC_USE_COLOR)))
        s.mouse("ldown", 100, 100)
        model = Skin()
        model.stamp(default, 100, 100)
        self.assert_skin(model, "stamp of the default pattern")

    def test_without_the_default_pattern_the_brush_is_white(self):
        s = self.session
        dist = s.dist
        self.start(data=False, plugins=["vmr.dll"], extra={"_test_boite_tex.vmr": dist / "_test_boite_tex.vmr"})
        self.assertEqual({WHITE: VIEW * VIEW}, s.capture("pattern").colours())
        s.mouse("ldown", 100, 100)
        s.mouse("rdown", 150, 150)
        self.assertEqual({WHITE: SIDE * SIDE}, s.capture("skin").colours(), "a white brush changes nothing")

    def test_refused_patterns_keep_the_previous_one(self):
        s = self.session
        work = self.start()
        before = s.capture("pattern")
        cases = [
            ("w65.bmp", bmp_file(65, 4), "Pattern incorrect, width must be multiple of 2"),
            ("w258.bmp", bmp_file(258, 4), "Pattern width incorrect, must be less or equal to 256"),
            ("h5.bmp", bmp_file(4, 5), "Pattern incorrect, height must be multiple of 2"),
            ("odd-both.bmp", bmp_file(5, 7), "Pattern incorrect, width must be multiple of 2"),
            ("h300-8bit.bmp", bmp_file(8, 300, bits=8), "Pattern height incorrect, must be less or equal than 256"),
            ("8bit.bmp", bmp_file(8, 8, bits=8), "Pattern is non 24 bits"),
            ("compressed.bmp", bmp_file(64, 64, compression=3), "Pattern is compressed, too hard for me :P"),
            ("planes.bmp", bmp_file(8, 8, planes=2), "Plan number incorrect, must be 1"),
            # Our own choice for a file too short for its pixels: refuse it whole.
            ("truncated.bmp", bmp_file(8, 8, pixels=b"\x00" * 100), "Pattern file is truncated"),
        ]
        for name, data, message in cases:
            with self.subTest(file=name):
                path = work / name
                path.write_bytes(data)
                self.load_pattern(path)
                s.expect_box(wine_path(path), message, icon="error")
                self.assertEqual([], s.boxes())
        after = s.capture("pattern")
        self.assertEqual(before.rows, after.rows, "a refused file changed the pattern view")
        s.mouse("ldown", 100, 100)
        model = Skin()
        model.stamp(self.default_pattern(), 100, 100)
        self.assert_skin(model, "stamp after the refusals")

    # ---- stamps

    def test_darkening_stamps_with_and_without_the_tint(self):
        s = self.session
        self.start()
        self.write_and_load("p8.bmp", PATTERN_8)
        self.assert_view_shows(PATTERN_8, "loaded 8 x 8 pattern")
        model = Skin()

        s.click(ids.IDC_USE_COLOR)
        self.assertEqual(1, s.checked(ids.IDC_USE_COLOR))
        tinted = tint(PATTERN_8, PEN)
        self.assert_view_shows(tinted, "tinted pattern")
        s.mouse("ldown", 60, 60)
        model.stamp(tinted, 60, 60)
        self.assert_skin(model, "tinted stamp")
        shown = s.capture("skin")
        # The pattern's top left pixel lands at (56, 57): its black rows and columns 2..5 at x 58..61, y 59..62.
        for x in range(58, 62):
            for y in range(59, 63):
                self.assertEqual(PEN, shown.get(x, y), "pen colour where the pattern is black")
        self.assertEqual((128, 188, 213), shown.get(62, 58), "grey 128 tinted by 0, 119, 170")
        self.assertEqual((255, 119, 170), shown.get(57, 63), "red tinted by the pen")
        self.assertEqual(WHITE, shown.get(56, 57), "white where the pattern is white")

        s.click(ids.IDC_USE_COLOR)
        self.assertEqual(0, s.checked(ids.IDC_USE_COLOR))
        self.assert_view_shows(PATTERN_8, "untinted again")
        s.mouse("ldown", 180, 60)
        model.stamp(PATTERN_8, 180, 60)
        self.assert_skin(model, "plain stamp")
        self.assertEqual(BLACK, s.capture("skin").get(180, 60))

        # A pattern loaded while "Use Color" is checked is shown and stamped plain.
        s.click(ids.IDC_USE_COLOR)
        self.write_and_load("p8-again.bmp", PATTERN_8)
        self.assertEqual(1, s.checked(ids.IDC_USE_COLOR))
        self.assert_view_shows(PATTERN_8, "reloaded with Use Color checked")
        s.mouse("lmove", 60, 180)
        model.stamp(PATTERN_8, 60, 180)
        # At the top right corner the pattern pixels beyond the edge all land on the corner texel.
        s.mouse("ldown", 255, 0)
        model.stamp(PATTERN_8, 255, 0)
        self.assert_skin(model, "plain stamps after the reload, one at the corner")

    def test_brightening_stamp(self):
        s = self.session
        self.start()
        self.write_and_load("p8.bmp", PATTERN_8)
        model = Skin()
        # A dark square with the square pen first.
        s.click(ids.IDC_USE_PATTERN)
        s.set_text(ids.IDC_PEN_SIZE, "20")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 100, 100)
        model.square(100, 100, 20, PEN)
        self.assert_skin(model, "pen square")
        s.click(ids.IDC_USE_PATTERN)
        self.assertEqual(1, s.checked(ids.IDC_USE_PATTERN))
        s.mouse("rdown", 100, 100)
        model.stamp(PATTERN_8, 100, 100, brighten=True)
        self.assert_skin(model, "brightening stamp")
        shown = s.capture("skin")
        self.assertEqual(WHITE, shown.get(100, 100), "black pattern pixels brighten to white")
        self.assertEqual((127, 246, 255), shown.get(102, 98), "grey 128 brightens by 127, saturating")
        self.assertEqual((0, 255, 255), shown.get(97, 103), "red brightens green and blue only")
        self.assertEqual(PEN, shown.get(96, 97), "white pattern pixels leave the texel alone")
        # The right button stamps on moves too.
        s.mouse("rmove", 30, 30)
        model.stamp(PATTERN_8, 30, 30, brighten=True)
        self.assert_skin(model, "brightening on white")

    def test_pattern_with_padded_rows(self):
        s = self.session
        self.start()
        self.write_and_load("p6x4.bmp", PATTERN_6x4)
        with self.subTest(what="stamp"):
            s.mouse("ldown", 100, 100)
            model = Skin()
            model.stamp(PATTERN_6x4, 100, 100)
            self.assert_skin(model, "stamp of the 6 x 4 pattern")
        with self.subTest(what="view"):
            # 6 columns over 64 pixels: sample each pattern pixel in the middle of its stretch.
            view = s.capture("pattern")
            wrong = []
            for i, row in enumerate(PATTERN_6x4):
                for j, colour in enumerate(row):
                    x, y = (2 * j + 1) * VIEW // 12, (2 * i + 1) * VIEW // 8
                    if view.get(x, y) != colour:
                        wrong.append(((j, i), (x, y), view.get(x, y), colour))
            if wrong:
                self.fail("the view shows the 6 x 4 pattern wrongly at %d of 24 pixels; (pattern pixel, view "
                          "pixel, shown, expected): %s" % (len(wrong), wrong[:6]))

    # ---- colour and the check boxes

    def test_colors_use_pattern_and_use_color(self):
        s = self.session
        self.start()
        default = self.default_pattern()
        self.assertEqual((1, 0, True), (s.checked(ids.IDC_USE_PATTERN), s.checked(ids.IDC_USE_COLOR), s.enabled(ids.IDC_USE_COLOR)))
        s.click(ids.IDC_USE_COLOR)
        self.assert_view_shows(tint(default, PEN), "tinted with the default pen")
        red = (255, 0, 0)
        s.click(ids.IDC_COLORS)
        s.color_choose(*red)
        self.assert_view_shows(tint(default, red), "re-tinted red by Colors...")

        s.click(ids.IDC_USE_PATTERN)
        self.assertEqual(0, s.checked(ids.IDC_USE_PATTERN))
        self.assertFalse(s.enabled(ids.IDC_USE_COLOR), "Use Color follows Use Pattern")
        self.assertEqual(1, s.checked(ids.IDC_USE_COLOR), "disabling Use Color keeps its check")
        # Without "Use Pattern" a new colour leaves the brush as it is, and checking it again does not re-tint.
        s.click(ids.IDC_COLORS)
        s.color_choose(0, 255, 0)
        s.click(ids.IDC_USE_PATTERN)
        self.assertEqual((1, 1, True), (s.checked(ids.IDC_USE_PATTERN), s.checked(ids.IDC_USE_COLOR), s.enabled(ids.IDC_USE_COLOR)))
        self.assert_view_shows(tint(default, red), "brush after Use Pattern off and on")
        s.mouse("ldown", 100, 100)
        model = Skin()
        model.stamp(tint(default, red), 100, 100)
        self.assert_skin(model, "stamp with the brush tinted red")

        s.click(ids.IDC_USE_COLOR)
        self.assert_view_shows(default, "Use Color off")
        # A colour chosen while "Use Color" is off tints nothing now, but the next tint uses it.
        blue = (0, 0, 255)
        s.click(ids.IDC_COLORS)
        s.color_choose(*blue)
        self.assert_view_shows(default, "colour chosen with Use Color off")
        s.click(ids.IDC_USE_COLOR)
        self.assert_view_shows(tint(default, blue), "Use Color on with the blue pen")


if __name__ == "__main__":
    harness.main()
