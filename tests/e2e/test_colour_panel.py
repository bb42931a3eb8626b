#!/usr/bin/env python3
"""End-to-end checks of the colour panel beside the pattern: a real click and a real drag in its square set the
pen colour a dab then paints, a click on a recent colour picks it and the recent colours come back after a
restart, and the palette of an 8-bit texture is offered as swatches that pick their colour."""

import struct

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402

IDNO = 7
MK_LBUTTON, MK_CONTROL = 0x1, 0x8
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")


def solid_blocks(image, colour, region=None):
    """Centres (x, y) of the solid swatches of this colour: pixels whose 3 x 3 neighbourhood is all that colour,
    grouped where they touch; region = (left, top, right, bottom) limits the search."""
    left, top, right, bottom = region or (0, 0, image.width, image.height)
    inner = {(x, y) for y in range(max(top, 1), min(bottom, image.height - 1))
             for x in range(max(left, 1), min(right, image.width - 1))
             if all(image.get(x + dx, y + dy) == colour for dx in (-1, 0, 1) for dy in (-1, 0, 1))}
    centres = []
    while inner:
        group, todo = [], [inner.pop()]
        while todo:
            x, y = todo.pop()
            group.append((x, y))
            for near in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if near in inner:
                    inner.remove(near)
                    todo.append(near)
        centres.append((sum(p[0] for p in group) // len(group), sum(p[1] for p in group) // len(group)))
    return centres


def palette_bmp(colours, side=64):
    """An 8-bit BMP of side x side whose palette holds these colours (r, g, b); every pixel is index 0."""
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    offset = 54 + len(palette)
    pixels = b"\0" * (side * side)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 8, 0, 0, 0, 0, len(colours), 0)
    return header + info + palette + pixels


class ColourPanel(harness.SessionTestCase):

    def start_square_pen(self):
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_USE_PATTERN)   # the square pen, which paints the pen colour as it is
        return work

    def panel_point(self, x, y):
        panel = self.session.client_origin()["colour"]
        return panel.x + x, panel.y + y

    def click_panel(self, x, y):
        self.session.click_at(*self.panel_point(x, y))

    def dab_colour(self, x, y):
        """Paints one dab at skin view pixel (x, y) and returns the colour it shows there."""
        s = self.session
        s.mouse("ldown", x, y)
        s.mouse("lup", x, y)
        return s.capture("skin").get(x, y)

    def test_a_click_and_a_drag_in_the_square_set_the_pen_colour_a_dab_paints(self):
        s = self.session
        self.start_square_pen()
        panel = s.capture("colour")
        self.assertGreater(panel.width, 100, "the panel is too small to use")
        # The square lies at the panel's top left, and each of its pixels shows the colour a click there picks.
        clicked, dragged_to = (panel.width // 5, panel.height // 3), (panel.width // 3, panel.height // 6)
        wanted = panel.get(*clicked)
        self.assertNotEqual(wanted, panel.get(*dragged_to))
        self.click_panel(*clicked)
        self.assertEqual(wanted, self.dab_colour(60, 60), "the dab after a click in the square")
        shown = s.capture("colour")
        self.assertTrue(solid_blocks(shown, wanted, (0, panel.height * 2 // 3, panel.width // 3, panel.height)),
                        "the panel does not show the new pen colour at its bottom left")

        s.mouse_move(*self.panel_point(*clicked))
        s.mouse_down(1)
        for step in range(1, 5):
            x = clicked[0] + (dragged_to[0] - clicked[0]) * step // 4
            y = clicked[1] + (dragged_to[1] - clicked[1]) * step // 4
            s.mouse_move(*self.panel_point(x, y))
        s.mouse_up(1)
        self.assertEqual(panel.get(*dragged_to), self.dab_colour(120, 60), "the dab after a drag in the square")

        # Ctrl + click picks the first dab's colour back, and the panel shows it as the pen colour.
        s.mouse("ldown", 60, 60, MK_LBUTTON | MK_CONTROL)
        s.mouse("lup", 60, 60, MK_CONTROL)
        picked = s.capture("colour")
        self.assertTrue(solid_blocks(picked, wanted, (0, panel.height * 4 // 5, panel.width // 4, panel.height)),
                        "the panel does not show the colour Ctrl + click picked")

    def test_a_recent_colour_picks_it_and_the_row_comes_back_after_a_restart(self):
        s = self.session
        self.start_square_pen()
        first, second = (200, 30, 90), (20, 160, 60)
        for colour, x in ((first, 40), (second, 80)):
            s.click(ids.IDC_COLORS)
            s.color_choose(*colour)
            self.assertEqual(colour, self.dab_colour(x, 40))
        panel = s.capture("colour")
        # The square now shows the second colour's hue; the first shows only in the row of recent colours.
        found = solid_blocks(panel, first)
        self.assertEqual(1, len(found), "the first colour should show once, among the recent colours")
        self.assertGreater(found[0][1], panel.height * 2 // 3)
        self.click_panel(*found[0])
        self.assertEqual(first, self.dab_colour(120, 40), "the dab after a click on a recent colour")

        s.close()
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        s.wait_exit()
        self.assertIn("colour.recent=c81e5a,14a03c", (s.work / "pelterine.ini").read_text())
        s.restart()
        s.wait_main()
        # The pen colour (from config.cfg) shows beside the row, and again as its first colour.
        again = s.capture("colour")
        bottom = (0, again.height * 4 // 5, again.width, again.height)
        self.assertEqual(2, len(solid_blocks(again, first, bottom)), "the pen and the first recent colour")
        self.assertEqual(1, len(solid_blocks(again, second, bottom)), "the second recent colour after a restart")

    def test_an_8_bit_textures_palette_is_offered_and_a_swatch_picks_its_colour(self):
        s = self.session
        work = self.start_square_pen()
        colours = [(255, 255, 255)] + [(17 * i, 255 - 13 * i, (70 * i) % 256) for i in range(1, 16)]
        (work / "palette.bmp").write_bytes(palette_bmp(colours))
        before = s.capture("colour")
        self.assertEqual([], solid_blocks(before, colours[7]))
        s.click(ids.IDC_LOAD_TEXTURE)
        s.open_choose(work / "palette.bmp")
        panel = None

        def offered():
            nonlocal panel
            panel = s.capture("colour")
            return len(solid_blocks(panel, colours[7])) == 1

        self.assertTrue(wait_until(offered, harness.DEFAULT_TIMEOUT, 0.2), "the palette is not offered")
        self.click_panel(*solid_blocks(panel, colours[7])[0])
        self.assertEqual(colours[7], self.dab_colour(30, 30), "the dab after a click on a swatch")

        # A true-colour texture offers no swatches (the palette's white is also the empty panel's nothing).
        pixels = bytes(range(8 * 8 * 3))
        (work / "flat.bmp").write_bytes(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + struct.pack(
            "<IiiHHIIiiII", 40, 8, 8, 1, 24, 0, 0, 0, 0, 0, 0) + pixels)
        s.click(ids.IDC_LOAD_TEXTURE)
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        s.open_choose(work / "flat.bmp")
        self.assertTrue(wait_until(lambda: not solid_blocks(s.capture("colour"), colours[3]), harness.DEFAULT_TIMEOUT,
                                   0.2), "the palette is still offered after a true-colour texture")


if __name__ == "__main__":
    harness.main()
