#!/usr/bin/env python3
"""End-to-end checks of the brush tip under Wine: a soft round dab as the real program paints it, the tip and the
options taken from pelterine.ini, the brush keys (and that a text box keeps them), and the outline that follows
the real cursor over the skin view without reaching the texture."""

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402

IDNO = 7
SAVE_QUESTION = ("Pelterine", "Save the changes to the texture?")
WHITE = (255, 255, 255)
PEN = (0, 119, 170)   # the default pen colour, red first
# A soft round tip at 60 %, the pattern off, as a painter would have left them at the last close.
SOFT_ROUND = b"brush.shape=round\r\nbrush.hardness=0\r\nbrush.opacity=60\r\noptions.usePattern=0\r\n"


class Brush(harness.SessionTestCase):

    def start(self, ini=None):
        s = self.session
        s.start(self.work_name(), extra={"pelterine.ini": ini} if ini else None)
        s.wait_main()
        self.assertEqual([], s.boxes())

    def test_a_soft_round_dab_is_the_opacity_in_its_middle_and_fades_to_a_round_edge(self):
        s = self.session
        self.start(SOFT_ROUND)
        self.assertEqual((0, "0", "60"), (s.checked(ids.IDC_USE_PATTERN), s.text(ids.IDC_HARDNESS_VALUE),
                                          s.text(ids.IDC_OPACITY_VALUE)))
        self.assertTrue(s.enabled(ids.IDC_BRUSH_SHAPE), "without the pattern the tip's controls are live")
        s.set_text(ids.IDC_PEN_SIZE, "21")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.mouse("ldown", 100, 100)
        picture = s.capture("skin")
        # 60 % of the way from white to the pen in the middle.
        middle = tuple(round(255 + (p - 255) * 0.6) for p in PEN)
        for got, want in zip(picture.get(100, 100), middle):
            self.assertAlmostEqual(got, want, delta=1)
        reds = [picture.get(100 + d, 100)[0] for d in range(12)]
        self.assertEqual(sorted(reds), reds, "lighter towards the edge: %r" % reds)
        self.assertLess(reds[0], reds[7], "a soft edge, not a hard one: %r" % reds)
        self.assertEqual(WHITE, picture.get(111, 100), "nothing beyond the radius")
        self.assertEqual(WHITE, picture.get(108, 92), "round: the square's corner stays white")
        self.assertNotEqual(WHITE, picture.get(100, 92), "... where the disc reaches as far up")

        # "Use Pattern" makes the pattern the tip: shape and hardness are greyed.
        s.click(ids.IDC_USE_PATTERN)
        self.assertEqual((False, False), (s.enabled(ids.IDC_BRUSH_SHAPE), s.enabled(ids.IDC_HARDNESS)))
        s.close()
        s.expect_box(*SAVE_QUESTION, button=IDNO)
        self.assertEqual(0, s.wait_exit())
        kept = (s.work / "pelterine.ini").read_text()
        self.assertIn("brush.shape=round", kept)
        self.assertIn("options.usePattern=1", kept)

    def test_keys_set_size_hardness_and_opacity_unless_a_text_box_has_the_focus(self):
        s = self.session
        self.start()
        s.activate()
        # The model path box has the focus at the start: it keeps the keys.
        self.assertEqual(ids.IDC_MODEL_PATH, s.focus()[0])
        s.key("bracketright", "5")
        self.assertEqual(("3", "100"), (s.text(ids.IDC_PEN_SIZE), s.text(ids.IDC_OPACITY_VALUE)))
        # A press on the view takes the focus out of the box.
        s.click(ids.IDC_USE_PATTERN)
        s.mouse("ldown", 30, 30)
        self.assertNotEqual(ids.IDC_MODEL_PATH, s.focus()[0])
        s.key("bracketright", "bracketright", "bracketleft")
        self.assertTrue(wait_until(lambda: s.text(ids.IDC_PEN_SIZE) == "4", harness.DEFAULT_TIMEOUT),
                        "the pen size box shows %s" % s.text(ids.IDC_PEN_SIZE))
        s.key("shift+bracketleft", "3", "0", "4")
        self.assertTrue(wait_until(lambda: (s.text(ids.IDC_HARDNESS_VALUE), s.text(ids.IDC_OPACITY_VALUE)) ==
                                   ("75", "40"), harness.DEFAULT_TIMEOUT),
                        "hardness %s, opacity %s" % (s.text(ids.IDC_HARDNESS_VALUE), s.text(ids.IDC_OPACITY_VALUE)))
        # The new size paints at once: a hard square of 4 at 40 %.
        s.key("shift+bracketright")
        s.mouse("ldown", 100, 100)
        picture = s.capture("skin")
        dab = {(x, y) for y in range(90, 110) for x in range(90, 110) if picture.get(x, y) != WHITE}
        self.assertEqual({(x, y) for x in range(98, 102) for y in range(99, 103)}, dab)
        self.assertEqual(tuple(round(255 + (p - 255) * 0.4) for p in PEN), picture.get(100, 100))

    def test_the_outline_follows_the_real_cursor_on_the_screen_only(self):
        s = self.session
        self.start(SOFT_ROUND)
        s.set_text(ids.IDC_PEN_SIZE, "40")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.activate()
        skin = s.client_origin()["skin"]
        def view():   # the screen itself, as X shows it
            return s.grab_screen(skin.x, skin.y, skin.width, skin.height)

        def ring(picture):   # the outline's right edge, 20 pixels right of the cursor, give or take its width
            return any(picture.get(x, 128) != WHITE for x in range(144, 152))

        s.mouse_move(skin.x + 128, skin.y + 128)
        self.assertTrue(wait_until(lambda: ring(view()), harness.DEFAULT_TIMEOUT),
                        "no outline 20 pixels right of the cursor")
        shown = view()
        self.assertEqual(WHITE, shown.get(128 + 16, 128 + 16), "a circle, not a square")
        s.mouse_move(skin.x - 40, skin.y + 128)
        self.assertTrue(wait_until(lambda: not ring(view()), harness.DEFAULT_TIMEOUT),
                        "the outline stays after the cursor left")
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(s.work / "outline.bmp")
        body = (s.work / "outline.bmp").read_bytes()[54:]
        self.assertEqual(set(body), {255}, "the outline reached the texture")


if __name__ == "__main__":
    harness.main()
