#!/usr/bin/env python3
"""End-to-end checks of the room to paint and of a model that holds still, in the real exe with real input
through X: the splitter between the viewport and the skin view (dragged, kept across starts), the window that
keeps its smallest size itself, a texture fitted at any scale, the camera that frames a model on a load and on
F, the wheel over the viewport, the middle button while painting on the model, Enter in a size box, and the last
session's model and texture at the next start."""

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
        after = s.client_origin()
        self.assertEqual((viewport.width - 120, skin.width + 120), (after["viewport"].width, after["skin"].width))
        self.assertEqual([], s.layout_problems())

        # Made smaller than at the start through the window manager, it sets itself back to that size.
        s.resize(main.width - 200, main.height - 150)
        self.assertTrue(wait_until(lambda: s.client_origin()["main"][2:] == main[2:], harness.DEFAULT_TIMEOUT),
                        "the window stayed at %r, smaller than %r" % (s.client_origin()["main"], main))
        # Larger, the two views share the extra width at the splitter's place, and both take the height.
        s.resize(main.width + 200, main.height + 100)
        self.assertTrue(wait_until(lambda: s.client_origin()["main"].width == main.width + 200,
                                   harness.DEFAULT_TIMEOUT))
        grown = s.client_origin()
        both = lambda r: r["viewport"].width + r["skin"].width  # noqa: E731
        self.assertEqual(both(after) + 200, both(grown))
        share = after["viewport"].width / both(after)
        self.assertAlmostEqual(share, grown["viewport"].width / both(grown), delta=0.01)
        self.assertEqual((after["viewport"].height + 100, after["skin"].height + 100),
                         (grown["viewport"].height, grown["skin"].height))
        self.assertEqual([], s.layout_problems())

        # Kept across starts: at the start size the viewport is as narrow as it was left.
        s.close()
        self.assertEqual(0, s.wait_exit())
        self.assertIn("layout.viewportShare=", (s.work / "pelterine.ini").read_text())
        s.restart()
        s.wait_main()
        again = s.client_origin()
        self.assertEqual(after["viewport"].width, again["viewport"].width)
        self.assertEqual(after["skin"].width, again["skin"].width)


if __name__ == "__main__":
    harness.main()
