#!/usr/bin/env python3
"""End-to-end checks of the room to paint and of a model that holds still, in the real exe with real input
through X: the splitter between the viewport and the skin view (dragged, kept across starts), the window that
keeps its smallest size itself, a texture fitted at any scale, the camera that frames a model on a load and on
F, the wheel over the viewport, the middle button while painting on the model, and the last session's model and
texture at the next start (Enter in a size box is checked with the other keys in test_startup.py)."""

import struct
import time

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from test_viewport import LEFT, MIDDLE, CameraTestCase, Frame  # noqa: E402

# e2e-timeout: 400

WHEEL_UP, WHEEL_DOWN = 4, 5


def solid_bmp(width, height, rgb):
    """An uncompressed 24-bit bottom-up BMP of one colour and any size."""
    row = bytes((rgb[2], rgb[1], rgb[0])) * width + b"\0" * ((4 - width * 3 % 4) % 4)
    pixels = row * height
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0) + pixels)


def moved_box(default_box, scale, offset):
    """The default .vmr box with its positions scaled and moved: the same box, far larger and off the origin."""
    data = bytearray(default_box)
    vertices = struct.unpack_from("<I", data, 12)[0]
    for i in range(vertices):
        at = 20 + 12 * i
        x, y, z = struct.unpack_from("<3f", data, at)
        struct.pack_into("<3f", data, at, x * scale + offset[0], y * scale + offset[1], z * scale + offset[2])
    return bytes(data)


class Layout(harness.SessionTestCase):

    def start(self, extra=None):
        s = self.session
        s.start(self.work_name(), extra=extra)
        s.wait_main()
        self.assertEqual([], s.boxes())
        return s

    def bar(self):
        """The splitter, as a Control of the main window."""
        return next(c for c in self.session.controls() if c.id == ids.IDC_SPLITTER)

    def test_the_splitter_shares_the_width_is_kept_and_the_window_keeps_its_smallest_size(self):
        s = self.start()
        rects, bar = s.client_origin(), self.bar()
        viewport, skin = rects["viewport"], rects["skin"]
        main = rects["main"]
        # No dead gap: the bar lies right beside the viewport, and the first control right of it beside the bar.
        self.assertEqual(viewport.x - main.x + viewport.width, bar.left)
        right_of = [c.left for c in s.controls() if c.left >= bar.right and c.id != ids.IDC_SPLITTER]
        self.assertEqual(bar.right, min(right_of), "the controls start right after the splitter")
        self.assertEqual([], s.layout_problems())

        # Dragged 120 pixels left: the viewport gives that width to the skin view.
        s.activate()
        y = main.y + (bar.top + bar.bottom) // 2
        s.mouse_move(main.x + bar.left + 4, y)
        s.mouse_down(LEFT)
        for dx in range(-10, -130, -10):   # a drag as a hand makes it, in small moves
            s.mouse_move(main.x + bar.left + 4 + dx, y)
        s.mouse_up(LEFT)
        widths = lambda r: (r["viewport"].width, r["skin"].width)  # noqa: E731
        # The program lays out each move as it comes: read once it has caught up with the last.
        dragged = (viewport.width - 120, skin.width + 120)
        self.assertTrue(wait_until(lambda: widths(s.client_origin()) == dragged, harness.DEFAULT_TIMEOUT),
                        "%r after the drag, %r wanted" % (widths(s.client_origin()), dragged))
        after = s.client_origin()
        self.assertEqual([], s.layout_problems())

        # Made smaller than at the start through the window manager, it sets itself back to that size.
        s.resize(main.width - 200, main.height - 150)
        self.assertTrue(wait_until(lambda: s.client_origin()["main"][2:] == main[2:], harness.DEFAULT_TIMEOUT),
                        "the window stayed at %r, smaller than %r" % (s.client_origin()["main"], main))
        # Larger, the two views share the extra width at the splitter's place, and both take the height.
        s.resize(main.width + 200, main.height + 100)
        both = lambda r: r["viewport"].width + r["skin"].width  # noqa: E731
        self.assertTrue(wait_until(lambda: both(s.client_origin()) == both(after) + 200, harness.DEFAULT_TIMEOUT),
                        "the views share the 200 pixels: %r" % (s.client_origin(),))
        grown = s.client_origin()
        share = after["viewport"].width / both(after)
        self.assertAlmostEqual(share, grown["viewport"].width / both(grown), delta=0.01)
        self.assertEqual((after["viewport"].height + 100, after["skin"].height + 100),
                         (grown["viewport"].height, grown["skin"].height))
        shown = harness.texture_shown(s.capture("skin"))   # the fitted texture is fitted to the larger view
        self.assertEqual(min(grown["skin"].width, grown["skin"].height), shown.width)
        self.assertEqual([], s.layout_problems())

        # Kept across starts: at the start size the viewport is as narrow as it was left.
        s.close()
        self.assertEqual(0, s.wait_exit())
        self.assertIn("layout.viewportShare=", (s.work / "pelterine.ini").read_text())
        s.restart()
        s.wait_main()
        # Read once the window manager's placing of the new window has been laid out.
        self.assertTrue(wait_until(lambda: widths(s.client_origin()) == widths(after), harness.DEFAULT_TIMEOUT),
                        "%r after the restart, %r before" % (widths(s.client_origin()), widths(after)))


class Camera(CameraTestCase):

    def test_the_wheel_zooms_about_the_cursor_and_f_home_and_frame_frame_the_model_again(self):
        s = self.session
        framed = self.pause_spin()   # the middle press also takes the keyboard out of the model box
        w0, h0 = framed.size()
        # Towards the model with the cursor right of its middle: larger, and the part under the cursor stays put.
        self.move_to(340, 256)
        s.xdotool("click", WHEEL_UP)
        s.xdotool("click", WHEEL_UP)
        nearer = self.changed_from(framed, "the wheel")
        nearer = self.still() or nearer
        w1, h1 = nearer.size()
        self.assertGreater(w1, 1.3 * w0, "two notches nearer: %r -> %r" % ((w0, h0), (w1, h1)))
        self.assertLess(nearer.centre()[0], framed.centre()[0], "the model grew away from the cursor")
        for key in ("f", "Home", None):
            before = self.read()
            s.xdotool("click", WHEEL_DOWN)
            self.changed_from(before, "the wheel back")
            if key:
                s.key(key)
            else:
                s.click(ids.IDC_FRAME_VIEW)
            self.assertTrue(wait_until(lambda: self.read() == framed, harness.DEFAULT_TIMEOUT), "%s frames the model "
                            "as the load did (%s)" % (key or "Frame", self.keep(self.read(), "key")))

    def test_a_load_frames_a_large_model_far_from_the_origin(self):
        s = self.session
        default = self.pause_spin()
        big = s.work / "big.vmr"
        big.write_bytes(moved_box((s.work / "_test_boite_tex.vmr").read_bytes(), 12.0, (400.0, -150.0, 90.0)))
        s.set_text(ids.IDC_MODEL_PATH, harness.wine_path(big))
        s.click(ids.IDC_LOAD_MODEL)
        frame = self.pause_spin()
        self.assertIsNotNone(frame.bounds(), "the model is in view (%s)" % self.keep(frame, "big"))
        left, top, right, bottom = frame.bounds()
        x, y = frame.centre()
        where = "%r in a %dx%d view, the default box %r (%s)" % (frame.bounds(), frame.width, frame.height,
                                                                 default.bounds(), self.keep(frame, "big"))
        self.assertTrue(left > 20 and top > 20 and right < frame.width - 20 and bottom < frame.height - 20, where)
        self.assertTrue(abs(x - frame.width / 2) < 40 and abs(y - frame.height / 2) < 40, where)
        self.assertGreater(right - left, 0.7 * default.size()[0], where)

    def test_painting_on_the_model_the_middle_button_turns_and_shift_middle_pans(self):
        s = self.session
        s.click(ids.IDC_PAINT_ON_MODEL)
        paused = self.pause_spin()
        skin = s.capture("skin")
        s.mouse_down(MIDDLE)
        turned = self.steps(2, 0, 5, "a middle drag")
        s.mouse_up(MIDDLE)
        self.assertNotEqual(paused, turned)
        turned = self.still()
        self.assertIsNotNone(turned, "the spin stays paused")
        x0 = turned.centre()[0]
        s.xdotool("keydown", "shift")
        try:
            s.mouse_down(MIDDLE)
            self.steps(5, 0, 6, "a middle drag with Shift")
            s.mouse_up(MIDDLE)
        finally:
            s.xdotool("keyup", "shift")
        panned = self.still()
        # 30 pixels at the depth of the box's middle; its nearest and furthest corners move 45 and 20 pixels.
        (x1, y1), y0 = panned.centre(), turned.centre()[1]
        self.assertTrue(20 <= x1 - x0 <= 45 and abs(y1 - y0) <= 3, "the model follows the cursor 30 pixels: %r (%s)"
                        % ((x1 - x0, y1 - y0), self.keep(panned, "panned")))
        # A turn would leave the box's middle near the view's; the size changes only as the perspective does.
        self.assertTrue(all(abs(a - b) <= 0.05 * a for a, b in zip(turned.size(), panned.size())),
                        "a pan does not turn it: %r -> %r" % (turned.size(), panned.size()))
        self.assertEqual(Frame(skin), Frame(s.capture("skin")), "the middle button paints nothing")


class LastSession(harness.SessionTestCase):

    def test_the_last_model_and_texture_come_back_fitted_unless_a_recovery_waits(self):
        s = self.session
        colour = (200, 30, 40)
        work = s.start(self.work_name(), extra={"pictures/wide.bmp": solid_bmp(308, 193, colour)})
        s.wait_main()
        (work / "models").mkdir()
        (work / "models" / "copy.vmr").write_bytes((work / "_test_boite_tex.vmr").read_bytes())
        s.set_text(ids.IDC_MODEL_PATH, harness.wine_path(work / "models" / "copy.vmr"))
        s.click(ids.IDC_LOAD_MODEL)
        s.click(ids.IDC_LOAD_TEXTURE)
        s.open_choose(work / "pictures" / "wide.bmp")
        skin = s.client_origin()["skin"]

        def fitted():
            shown = harness.texture_shown(s.capture("skin"))
            return (shown.width, shown.height, shown.colours() == {colour: shown.width * shown.height})
        # 308 x 193 fits the view at 256 / 308 of a pixel a texel, whole, by the nearest texel.
        self.assertEqual((skin.width, round(193 * skin.width / 308), True), fitted())

        s.close()
        self.assertEqual(0, s.wait_exit())
        ini = (work / "pelterine.ini").read_text()
        self.assertIn("session.model=", ini)
        self.assertIn("copy.vmr", ini)
        self.assertIn("wide.bmp", ini)
        s.restart()
        s.wait_main()
        self.assertEqual([], s.boxes())
        self.assertTrue(s.text(ids.IDC_MODEL_PATH).endswith("copy.vmr"), s.text(ids.IDC_MODEL_PATH))
        self.assertEqual((skin.width, round(193 * skin.width / 308), True), fitted())

        # With a texture to recover, the offer comes first and the last session is not loaded over it.
        s.close()
        self.assertEqual(0, s.wait_exit())
        (work / "pelterine-autosave.bmp").write_bytes(solid_bmp(64, 64, (0, 0, 255)))
        s.restart()
        s.wait_box()
        s.press_box(7)   # IDNO: set aside
        s.wait_main()
        self.assertEqual("_test_boite_tex.vmr", s.text(ids.IDC_MODEL_PATH))


if __name__ == "__main__":
    harness.main()
