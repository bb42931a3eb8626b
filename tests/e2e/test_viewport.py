#!/usr/bin/env python3
"""End-to-end checks of the 3D viewport's camera with real input through X (xdotool): the automatic spin,
the middle-button turn that pauses it, F5 that resumes it, the left-button pan, the right-button zoom, the
light that stays with the viewer while the model turns, and the views that grow with the window.

The camera polls the mouse once per frame and takes one step per frame in which the cursor moved, whatever
the distance. To count steps exactly, each cursor move is followed by waiting for the frame to change, so
that exactly one frame sees each move. Frames are read from the screen."""

import re
import struct
import subprocess
import sys
import time
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import bluish, box_extent_over_a_turn, bright_bounds  # noqa: E402

LEFT, MIDDLE, RIGHT = 1, 2, 3
PEN, WHITE = (0, 119, 170), (255, 255, 255)
# The default box's faces as cells of its unfolded cross (64-texel squares, column and row from the bottom), each
# given a colour of its own so that the face in front can be told from a frame.
FACE_COLOURS = {(1, 2): (255, 0, 0), (2, 2): (0, 255, 0), (3, 2): (255, 0, 255), (0, 2): (255, 255, 0),
                (1, 3): (0, 255, 255), (1, 1): (255, 128, 0)}


def face_texture():
    """A 256 x 256 BMP: white, with each face's cell in its colour."""
    rows = []
    for row in range(256):
        line = bytearray()
        for column in range(256):
            r, g, b = FACE_COLOURS.get((column // 64, row // 64), WHITE)
            line += bytes((b, g, r))
        rows.append(bytes(line))
    pixels = b"".join(rows)
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, 256, 256, 1, 24, 0, 0, 0, 0, 0, 0) + pixels)


def face_of(colour):
    """The cell whose colour has the hue of this lit colour, or None for the background."""
    top = max(colour)
    if top < 40:
        return None
    shade = [c / top for c in colour]
    return min(FACE_COLOURS, key=lambda cell: sum(abs(a - b / 255) for a, b in zip(shade, FACE_COLOURS[cell])))
BRIGHT = 64          # a channel above this is the model; the background is exactly black
STEP = 2             # cursor pixels per move: any distance is one step


class Frame:
    """One viewport frame: raw RGB rows, top to bottom, and the bounds of the model's bright pixels."""

    _bright = bytes(1 if v > BRIGHT else 0 for v in range(256))

    def __init__(self, image):
        self.image = image
        self.width, self.height = image.width, image.height
        self.data = b"".join(bytes(r[:3 * image.width]) for r in image.rows)

    def __eq__(self, other):
        return isinstance(other, Frame) and self.data == other.data

    def __ne__(self, other):
        return not self == other

    def bounds(self):
        """(left, top, right, bottom) of the bright pixels, inclusive, or None."""
        left = top = right = bottom = None
        stride = 3 * self.width
        for y in range(self.height):
            marks = self.data[y * stride:(y + 1) * stride].translate(self._bright)
            first = marks.find(1)
            if first < 0:
                continue
            last = marks.rfind(1)
            left = first // 3 if left is None else min(left, first // 3)
            right = last // 3 if right is None else max(right, last // 3)
            top = y if top is None else top
            bottom = y
        return None if left is None else (left, top, right, bottom)

    def centre(self):
        b = self.bounds()
        return (b[0] + b[2]) / 2.0, (b[1] + b[3]) / 2.0

    def size(self):
        b = self.bounds()
        return b[2] - b[0] + 1, b[3] - b[1] + 1

    def differing_pixels(self, other, tolerance=8):
        a, b = self.data, other.data
        count = 0
        for i in range(0, min(len(a), len(b)), 3):
            if abs(a[i] - b[i]) > tolerance or abs(a[i + 1] - b[i + 1]) > tolerance or abs(a[i + 2] - b[i + 2]) > tolerance:
                count += 1
        return count

    def save(self, path):
        self.image.save_ppm(path)
        return path


class CameraTestCase(harness.SessionTestCase):

    def setUp(self):
        super().setUp()
        s = self.session
        s.start(self.work_name())
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.activate()
        self.viewport = s.client_origin()["viewport"]
        self.cursor = None
        self.move_to(160, 256)

    # ---- reading frames

    def read(self):
        """The current frame as the viewport shows it on screen."""
        return Frame(self.session.read_viewport())

    def keep(self, frame, name):
        """Saves a frame in the work folder, for the failure message."""
        return frame.save(self.session.work / ("%s.ppm" % name))

    def changed_from(self, previous, what):
        """Waits for a frame that differs from `previous`, and returns it."""
        seen = []

        def differs():
            seen.append(self.read())
            return seen[-1] != previous
        if not wait_until(differs, harness.DEFAULT_TIMEOUT, 0.01):
            self.fail("the frame did not change after %s (frame: %s)" % (what, self.keep(seen[-1], "unchanged")))
        return seen[-1]

    def still(self, settle=0.2):
        """Reads until the frame has stayed the same for `settle` seconds, a dozen frames at the display's rate
        (the model stands still); returns that frame, or None."""
        frames = [self.read()]
        since = [time.monotonic()]

        def settled():
            frames.append(self.read())
            if frames[-1] != frames[-2]:
                since[0] = time.monotonic()
            return time.monotonic() - since[0] >= settle
        return frames[-1] if wait_until(settled, harness.DEFAULT_TIMEOUT, 0.01) else None

    def settled_skin(self, before, enough=lambda skin: True):
        """Waits for the skin view to differ from `before` (a capture), to show `enough` and then to hold still
        (frames paint on the model when they come); returns it."""
        s = self.session
        seen = [s.capture("skin")]

        def settled():
            seen.append(s.capture("skin"))
            return Frame(seen[-1]) != Frame(before) and enough(seen[-1]) and Frame(seen[-1]) == Frame(seen[-2])
        self.assertTrue(wait_until(settled, harness.DEFAULT_TIMEOUT, 0.05), "the texture did not change")
        return seen[-1]

    def assert_spinning(self):
        first = self.read()
        self.changed_from(first, "waiting for the spin")
        second = self.read()
        self.changed_from(second, "waiting for the spin")

    def assert_stays(self, frame, reads=3):
        for i in range(reads):
            now = self.read()
            if now != frame:
                self.fail("the frame changed while nothing moved (%s, then %s)"
                          % (self.keep(frame, "before"), self.keep(now, "after")))

    # ---- real input

    def move_to(self, x, y):
        """Moves the cursor to (x, y) of the viewport."""
        self.cursor = (x, y)
        self.session.mouse_move(self.viewport.x + x, self.viewport.y + y)

    def steps(self, dx, dy, count, what):
        """Moves the cursor `count` times by (dx, dy), waiting after each move for the frame it causes, so
        that each move is one camera step. Returns the last frame."""
        frame = self.read()
        for i in range(count):
            self.move_to(self.cursor[0] + dx, self.cursor[1] + dy)
            frame = self.changed_from(frame, "%s, move %d" % (what, i + 1))
        return frame

    def pause_spin(self):
        """A middle-button press without moving pauses the spin; returns the paused frame."""
        s = self.session
        s.mouse_down(MIDDLE)
        paused = self.still()
        s.mouse_up(MIDDLE)
        self.assertIsNotNone(paused, "holding the middle button did not pause the spin")
        self.assert_stays(paused)
        return paused


class Camera(CameraTestCase):

    def test_the_model_shows_on_screen_where_the_camera_puts_it(self):
        # What a user sees: a screenshot of the whole X screen, not a read of any GL surface.
        s = self.session
        v = self.viewport
        outer, inner = box_extent_over_a_turn()

        def box_on_screen():
            shot = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"], env=s.env,
                                  capture_output=True, timeout=harness.DEFAULT_TIMEOUT * 2, check=True).stdout
            screen = harness.read_ppm(shot)
            rows = [row[3 * v.x:3 * (v.x + v.width)] for row in screen.rows[v.y:v.y + v.height]]
            view = harness.Image(v.width, v.height, rows)
            view.save_ppm(s.work / "on-screen.ppm")
            return bright_bounds(view)

        def inside_the_turn(b):
            return b and (outer[0] - 2 <= b[0] <= inner[0] + 2 and outer[1] - 2 <= b[1] <= inner[1] + 2 and
                          inner[2] - 2 <= b[2] <= outer[2] + 2 and inner[3] - 2 <= b[3] <= outer[3] + 2)

        # A busy machine may not have shown the first frame yet: look again for a while before judging.
        bounds = box_on_screen()
        if not inside_the_turn(bounds):
            bounds = wait_until(lambda: (lambda b: b if inside_the_turn(b) else None)(box_on_screen()),
                                harness.DEFAULT_TIMEOUT) or bounds
        self.assertIsNotNone(bounds, "the viewport is black on screen")
        left, top, right, bottom, count = bounds
        self.assertTrue(inside_the_turn(bounds),
                        "the box on screen spans %r; over a turn it spans at least %r and at most %r (%s)"
                        % (bounds[:4], inner, outer, "on-screen.ppm"))

    def paint_on_faces(self):
        """The box wearing a texture of a colour a face, the square pen, "Paint on model" checked, the spin
        paused; returns the paused frame."""
        s = self.session
        faces = s.work / "faces.bmp"
        faces.write_bytes(face_texture())
        s.click(ids.IDC_LOAD_TEXTURE)
        s.open_choose(faces)
        s.click(ids.IDC_USE_PATTERN)                     # the square pen
        s.click(ids.IDC_PAINT_ON_MODEL)
        return self.pause_spin()

    def test_painting_on_the_model_lands_on_the_texel_under_the_cursor(self):
        s = self.session
        frame = self.paint_on_faces().image
        loaded = Frame(s.capture("skin"))
        # The face under the middle of the view, and a stretch of the row through the middle of its picture.
        cell = face_of(frame.get(256, 256))
        self.assertIsNotNone(cell, "the box lies under the middle of the view")
        on_face = [(x, y) for y in range(frame.height) for x in range(frame.width) if face_of(frame.get(x, y)) == cell]
        row = sum(y for _, y in on_face) // len(on_face)
        xs = [x for x, y in on_face if y == row]
        left, right = min(xs) + (max(xs) - min(xs)) // 4, max(xs) - (max(xs) - min(xs)) // 4
        self.move_to(left, row)
        s.mouse_down(LEFT)
        self.move_to(right, row)                 # one fast jump: smoothing fills in the surface between
        s.mouse_up(LEFT)
        skin = self.settled_skin(loaded.image, lambda skin: sum(1 for p in skin.pixels() if p == PEN) > 20)
        painted = {(x, 255 - y) for x in range(256) for y in range(256) if skin.get(x, y) == PEN}
        self.assertGreater(len(painted), 20, "the stroke painted the texture")
        self.assertEqual(set(), {(x, y) for x, y in painted if (x // 64, y // 64) != cell},
                         "texels outside the square of the face in front (%r)" % (cell,))
        columns = {x for x, _ in painted}
        self.assertEqual(set(range(min(columns), max(columns) + 1)), columns, "the line on the face is unbroken")
        self.assertTrue(bluish(*self.read().image.get((left + right) // 2, row)), "the paint shows on the model")
        s.click(ids.IDC_UNDO)
        self.assertEqual(loaded, Frame(s.capture("skin")), "the whole stroke is one undo step")
        s.click(ids.IDC_REDO)
        stroked = Frame(s.capture("skin"))
        # Over the background nothing is painted; the right button erases.
        self.move_to(4, 4)
        s.xdotool("click", LEFT)
        self.assertEqual(stroked, Frame(s.capture("skin")), "a press over the background paints nothing")
        self.move_to(left, row)
        s.mouse_down(RIGHT)
        self.move_to((left + right) // 2, row)
        s.mouse_up(RIGHT)
        erased = s.capture("skin")
        self.assertTrue(any(erased.get(x, 255 - y) == WHITE for x, y in painted), "the eraser whitened the line")
        # Ctrl + click on the face away from the line picks the face's own colour, which then paints flat.
        away = max(on_face, key=lambda p: abs(p[1] - row))
        self.move_to((away[0] + sum(xs) // len(xs)) // 2, (away[1] + row) // 2)
        s.xdotool("keydown", "ctrl")
        try:
            s.xdotool("click", LEFT)
        finally:
            s.xdotool("keyup", "ctrl")
        s.mouse("ldown", 250, 250, window="skin")
        self.assertEqual(FACE_COLOURS[cell], s.capture("skin").get(250, 250), "the picked colour paints")
        # Unchecked, the left drag pans as ever and paints nothing.
        s.click(ids.IDC_PAINT_ON_MODEL)
        picked = Frame(s.capture("skin"))
        before = self.still()
        s.mouse_down(LEFT)
        self.steps(STEP, 0, 5, "a left drag")
        s.mouse_up(LEFT)
        self.assertGreater(self.still().centre()[0], before.centre()[0], "the left drag pans")
        self.assertEqual(picked, Frame(s.capture("skin")))

    def test_a_larger_window_gives_its_room_to_the_views_and_painting_on_the_model_follows(self):
        s = self.session
        start_size = self.paint_on_faces().size()
        before = s.client_origin()
        # Wider by 150 and taller by 250, as a drag of the border makes it (the screen is 1280 pixels wide).
        s.resize(before["main"].width + 150, before["main"].height + 250)
        self.assertTrue(wait_until(lambda: s.client_origin()["main"].height == before["main"].height + 250,
                                   harness.DEFAULT_TIMEOUT), "the window did not grow: %r" % (s.client_origin(),))
        after = s.client_origin()
        self.viewport = after["viewport"]
        # The viewport and the skin view share the extra width as they shared the start width (the splitter was
        # never dragged), and both take all the extra height.
        share = before["viewport"].width / (before["viewport"].width + before["skin"].width)
        self.assertEqual((before["viewport"].width + round(150 * share), before["viewport"].height + 250),
                         (after["viewport"].width, after["viewport"].height))
        self.assertEqual(before["skin"].height + 250, after["skin"].height)
        self.assertEqual([], s.layout_problems())
        # Drawn at the new size with its proportions: taller than wide, the view keeps 45 degrees across, so the
        # model grows with the width alone.
        frame = self.still()
        grown = after["viewport"].width / before["viewport"].width
        w1, h1 = frame.size()
        self.assertTrue(abs(w1 / start_size[0] - grown) < 0.05 and abs(h1 / start_size[1] - grown) < 0.05,
                        "the model went from %r to %r in a view %.2f times as wide (%s)"
                        % (start_size, (w1, h1), grown, self.keep(frame, "grown")))
        # Painting on the model lands on the face under the cursor.
        x, y = frame.width // 2, frame.height // 2
        cell = face_of(frame.image.get(x, y))
        self.assertIsNotNone(cell, "the box lies under the middle of the view")
        self.move_to(x - 6, y)
        s.mouse_down(LEFT)
        self.move_to(x + 6, y)
        s.mouse_up(LEFT)
        s.command(ids.IDM_ACTUAL_SIZE)   # the grown view fits the texture to its size: one pixel a texel again
        skin = harness.texture_shown(s.capture("skin"))   # in its middle
        self.assertEqual((256, 256), (skin.width, skin.height))
        painted = {(i, 255 - j) for i in range(256) for j in range(256) if skin.get(i, j) == PEN}
        self.assertGreater(len(painted), 3, "the stroke painted the texture")
        self.assertEqual(set(), {(i, j) for i, j in painted if (i // 64, j // 64) != cell},
                         "texels outside the face under the cursor (%r)" % (cell,))
        # Maximized and restored, the layout holds and comes back.
        s.show("maximize")
        self.assertEqual([], s.layout_problems())
        self.assertGreater(s.client_origin()["viewport"].height, after["viewport"].height)
        s.show("restore")
        sizes = lambda rects: {k: (r.width, r.height) for k, r in rects.items()}  # noqa: E731
        self.assertEqual(sizes(after), sizes(s.client_origin()))

    def test_middle_drag_turns_and_pauses_until_f5(self):
        s = self.session
        self.assert_spinning()
        spinning = self.read()
        s.mouse_down(MIDDLE)
        self.assertIsNotNone(self.still(), "holding the middle button pauses the spin")
        turned = self.steps(STEP, 0, 10, "a middle drag")
        s.mouse_up(MIDDLE)
        paused = self.still()
        self.assertIsNotNone(paused, "the spin goes on after a middle drag")
        self.assertNotEqual(spinning, paused)
        self.assertEqual(turned, paused, "releasing the button changes nothing")
        self.assert_stays(paused)

        # While paused, the middle button held still changes nothing, and moving it turns the model.
        s.mouse_down(MIDDLE)
        self.assert_stays(paused)
        turned = self.steps(STEP, 0, 5, "a middle drag while paused")
        s.mouse_up(MIDDLE)
        self.assertNotEqual(paused, turned)
        self.assert_stays(turned)

        # F5 resumes the spin wherever the cursor is; the spin goes on after the key is released.
        s.mouse_move(self.viewport.x + self.viewport.width + 100, self.viewport.y + 20)
        self.assert_stays(turned)
        s.xdotool("keydown", "F5")
        try:
            self.changed_from(turned, "pressing F5")
        finally:
            s.xdotool("keyup", "F5")
        self.assert_spinning()

    def test_left_drag_pans_the_model_with_the_cursor(self):
        s = self.session
        before = self.pause_spin()
        x0, y0 = before.centre()
        w0, h0 = before.size()
        s.mouse_down(LEFT)
        right = self.steps(STEP, 0, 15, "a left drag to the right")
        up = self.steps(0, -STEP, 15, "a left drag upwards")
        s.mouse_up(LEFT)
        self.assert_stays(up)
        where = "frames %s, %s, %s" % (self.keep(before, "before"), self.keep(right, "right"), self.keep(up, "up"))
        # 15 steps of 0.1 unit: about 18 pixels at the model's distance of 50.
        x1, y1 = right.centre()
        self.assertTrue(10 <= x1 - x0 <= 40 and abs(y1 - y0) <= 3, "pan right moved the centre by %r; %s"
                        % ((x1 - x0, y1 - y0), where))
        x2, y2 = up.centre()
        self.assertTrue(10 <= y1 - y2 <= 40 and abs(x2 - x1) <= 3, "pan up moved the centre by %r; %s"
                        % ((x2 - x1, y2 - y1), where))
        w2, h2 = up.size()
        self.assertTrue(abs(w2 - w0) <= 0.1 * w0 and abs(h2 - h0) <= 0.1 * h0, "panning resized the model: "
                        "%r -> %r; %s" % ((w0, h0), (w2, h2), where))

    def test_right_drag_upwards_zooms_in_and_sideways_does_nothing(self):
        s = self.session
        before = self.pause_spin()
        s.mouse_down(RIGHT)
        for i in range(5):
            self.move_to(self.cursor[0] + STEP, self.cursor[1])
        self.assert_stays(before, reads=2)
        near = self.steps(0, -STEP, 10, "a right drag upwards")
        w0, h0 = before.size()
        w1, h1 = near.size()
        # 10 steps of 1 unit: from 50 to 40 units away, a quarter larger.
        self.assertTrue(w1 >= 1.12 * w0 and h1 >= 1.12 * h0, "zooming in grew the model from %r to %r (%s, %s)"
                        % ((w0, h0), (w1, h1), self.keep(before, "before"), self.keep(near, "near")))
        # Coming nearer moves every point away from the centre of the view: all four edges move out.
        (l0, t0, r0, b0), (l1, t1, r1, b1) = before.bounds(), near.bounds()
        self.assertTrue(l1 < l0 and t1 < t0 and r1 > r0 and b1 > b0, "zooming in moved the edges from %r to %r"
                        % (before.bounds(), near.bounds()))
        # The same number of steps down brings it back exactly where it was.
        back = self.steps(0, STEP, 10, "a right drag downwards")
        s.mouse_up(RIGHT)
        self.assertEqual(before, back, "zooming 10 steps in and 10 out is not the start (%s, %s)"
                         % (self.keep(before, "before"), self.keep(back, "back")))

    def test_light_stays_with_the_viewer_while_the_model_turns(self):
        # The box is white on all sides, so with the light fixed relative to the viewer a quarter turn
        # (90 one-degree steps) shows the same picture again; a light turning with the model would shade
        # the faces differently after the turn.
        s = self.session
        start = self.pause_spin()
        s.mouse_down(MIDDLE)
        half = self.steps(STEP, 0, 45, "a middle drag")
        quarter = self.steps(STEP, 0, 45, "a middle drag")
        s.mouse_up(MIDDLE)
        where = "frames %s, %s, %s" % (self.keep(start, "start"), self.keep(half, "half"),
                                       self.keep(quarter, "quarter"))
        box = start.size()
        self.assertGreater(half.differing_pixels(start), box[0] * box[1] // 10, "45 degrees changed little; " + where)
        # Only the edges move by a pixel or so: the faces are split into triangles differently.
        self.assertLess(quarter.differing_pixels(start), box[0] * box[1] // 200, "a quarter turn is not the start; "
                        + where)


# ------------------------------------------------------------------ the projected brush on the gutter box

# Each visible chart of the box gets a colour of its own (hues apart, so the lit faces can be told apart).
CHART_COLOURS = {"front-left": (255, 0, 0), "front-right": (0, 200, 0), "back-right": (0, 0, 255),
                 "back-left": (255, 200, 0), "side-right": (200, 0, 255), "top-left": (0, 200, 200),
                 "top-right": (255, 120, 120), "bottom-left": (120, 60, 0), "bottom-right": (120, 120, 255),
                 "side-left": (0, 100, 50)}


def gutter_box(folder):
    """Writes the gutter box (tools/island_models) to folder/box.obj; returns its charts from the text's
    comments: name -> (left, bottom, right, top, visible), texels of a 256 x 256 texture."""
    path = folder / "box.obj"
    subprocess.run([str(harness.native_tool("make_island_obj")), "box", str(path)], check=True,
                   timeout=harness.DEFAULT_TIMEOUT)
    return {m[0]: (int(m[1]), int(m[2]), int(m[3]), int(m[4]), m[5] == "1")
            for m in re.findall(r"^# chart (\S+) (\d+) (\d+) (\d+) (\d+) ([01])$", path.read_text(), re.M)}


def bmp_256(colour_at):
    """A 256 x 256 BMP whose texel (column, row from the bottom) is colour_at(column, row)."""
    pixels = b"".join(bytes(c for x in range(256) for c in reversed(colour_at(x, y))) for y in range(256))
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, 256, 256, 1, 24, 0, 0, 0, 0, 0, 0) + pixels)


def inside(rect, x, y):
    return rect[0] <= x <= rect[2] and rect[1] <= y <= rect[3]


class ProjectedBrush(CameraTestCase):
    """The gutter box through obj.dll: ten islands with gutters of 2 to 6 texels, three never-visible patches in
    them, symmetric about x = 0. Each chart is painted in its own colour, so a frame tells where each lies."""

    def setUp(self):
        super().setUp()
        s = self.session
        self.charts = gutter_box(s.work)
        colour_of = {}
        for name, rect in self.charts.items():
            for y in range(rect[1], rect[3] + 1):
                for x in range(rect[0], rect[2] + 1):
                    colour_of[x, y] = CHART_COLOURS.get(name, WHITE)
        (s.work / "charts.bmp").write_bytes(bmp_256(lambda x, y: colour_of.get((x, y), WHITE)))
        (s.work / "white.bmp").write_bytes(bmp_256(lambda x, y: WHITE))
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        names, _ = s.plugins_list()
        s.plugins_select(names.index("obj.dll"))
        s.plugins_press(1)
        s.set_text(ids.IDC_MODEL_PATH, "box.obj")
        s.click(ids.IDC_LOAD_MODEL)
        s.click(ids.IDC_LOAD_TEXTURE)
        s.open_choose(s.work / "charts.bmp")
        self.assertEqual([], s.boxes())
        s.click(ids.IDC_USE_PATTERN)                     # the square pen, 5 texels
        s.set_text(ids.IDC_PEN_SIZE, "5")
        s.click(ids.IDC_PEN_SIZE_OK)
        s.click(ids.IDC_PAINT_ON_MODEL)
        self.frame = self.pause_spin().image
        self.loaded = s.capture("skin")
        # Where the viewport lies once the model and its texture are in: the frame's pixels are clicked there.
        self.viewport = s.client_origin()["viewport"]

    def chart_at(self, x, y):
        """The chart whose colour a frame pixel shows (by hue: the light is grey), or None."""
        colour = self.frame.get(x, y)
        top = max(colour)
        if top < 40:
            return None
        shade = [c / top for c in colour]
        best = min(CHART_COLOURS, key=lambda n: sum(abs(a - b / max(CHART_COLOURS[n])) for a, b in
                                                    zip(shade, CHART_COLOURS[n])))
        near = sum(abs(a - b / max(CHART_COLOURS[best])) for a, b in zip(shade, CHART_COLOURS[best]))
        return best if near < 0.12 else None

    def on_screen(self, name):
        """The frame's pixels that show a chart, (x, y) of the viewport."""
        if not hasattr(self, "_shown"):
            self._shown = {}
            for y in range(self.frame.height):
                for x in range(self.frame.width):
                    self._shown.setdefault(self.chart_at(x, y), []).append((x, y))
        return self._shown.get(name, [])

    def painted(self, skin, before=None):
        """Texels (column, row from the bottom) that differ between two captures of the skin view."""
        before = before or self.loaded
        return {(x, 255 - y) for y in range(256) for x in range(256) if skin.get(x, y) != before.get(x, y)}

    def covered(self, x, y):
        return any(inside(rect, x, y) for rect in self.charts.values())

    def bleed_of(self, texels):
        """The gutter texels (in no chart) within two texels of any of these along each axis."""
        return {(x + dx, y + dy) for x, y in texels for dx in range(-2, 3) for dy in range(-2, 3)
                if not self.covered(x + dx, y + dy)} - set(texels)

    def test_a_dab_on_the_seam_paints_both_faces_up_to_it_and_never_a_hidden_patch(self):
        # The top face is cut at x = 0 into two islands whose gutter holds a never-visible patch, 2 texels from
        # each: a dab in texture space would reach it, the projected dab stops at the faces' edges.
        s = self.session
        left, right = self.on_screen("top-left"), set(self.on_screen("top-right"))
        seam = [(x + dx // 2, y + dy // 2) for x, y in left for dx in range(-3, 4) for dy in range(-3, 4)
                if (x + dx, y + dy) in right]
        self.assertTrue(seam, "the top face's seam shows (frame %s)" % self.keep(Frame(self.frame), "frame"))
        mx, my = sum(p[0] for p in seam) / len(seam), sum(p[1] for p in seam) / len(seam)
        self.move_to(*min(seam, key=lambda p: (p[0] - mx) ** 2 + (p[1] - my) ** 2))
        s.xdotool("click", LEFT)
        painted = self.painted(self.settled_skin(self.loaded))
        top_left, top_right = self.charts["top-left"], self.charts["top-right"]
        on_left = {p for p in painted if inside(top_left, *p)}
        on_right = {p for p in painted if inside(top_right, *p)}
        self.assertTrue(any(x == top_left[2] for x, _ in on_left), "the left half is painted up to its edge")
        self.assertTrue(any(x == top_right[0] for x, _ in on_right), "the right half is painted up to its edge")
        self.assertEqual(set(), {p for p in painted - on_left - on_right if self.covered(*p)},
                         "texels of other charts, the hidden patch between the halves among them")
        self.assertEqual(self.bleed_of(on_left | on_right), painted - on_left - on_right, "the bleed")

    def deepest(self, name):
        """The frame pixel of a chart farthest from any other pixel along its row and its column."""
        pixels = set(self.on_screen(name))

        def reach(p, dx, dy):
            n = 0
            while (p[0] + (n + 1) * dx, p[1] + (n + 1) * dy) in pixels:
                n += 1
            return n
        return max(pixels, key=lambda p: min(reach(p, 1, 0), reach(p, -1, 0), reach(p, 0, 1), reach(p, 0, -1)))

    def test_a_mirrored_dab_paints_the_other_half_and_a_slanted_stroke_is_unbroken(self):
        # With Mirror a dab inside one half of the top is painted at its mirror image through x = 0 too, inside
        # the other half.
        s = self.session
        s.click(ids.IDC_MIRROR)
        self.move_to(*self.deepest("top-left"))
        s.xdotool("click", LEFT)
        skin = self.settled_skin(self.loaded)
        top_left, top_right = self.charts["top-left"], self.charts["top-right"]
        painted = self.painted(skin)
        dab = {p for p in painted if inside(top_left, *p)}
        mirror = {p for p in painted if inside(top_right, *p)}
        # Column c of the left half and column left + right - c of the right half lie at x and -x on the model.
        mirrored = {(top_left[0] + top_right[2] - x, y) for x, y in dab}
        self.assertTrue(dab and dab == painted - mirror, "the dab lies inside the left half (cursor %r; dab %r; "
                        "elsewhere %r; frame %s)" % (self.cursor, sorted(dab), sorted(painted - mirror - dab),
                                                     self.keep(Frame(self.frame), "frame")))
        self.assertLessEqual(len(mirrored ^ mirror), 0.25 * len(dab), "the right half holds its mirror image "
                             "(%r against %r)" % (sorted(mirror), sorted(mirrored)))
        # The top face, seen from 20 degrees above, is foreshortened up the screen: dabs spaced on the screen
        # alone would fall apart in the texture there. A stroke up across it is one piece on each half.
        top = self.on_screen("top-left") + self.on_screen("top-right")
        x = sorted(p[0] for p in top)[len(top) // 2]
        column = sorted(y for px, y in top if px == x)
        self.move_to(x, column[-1] - 6)
        s.mouse_down(LEFT)
        for y in range(column[-1] - 6, column[0] + 6, -2):
            self.move_to(x, y)
        s.mouse_up(LEFT)
        painted = self.painted(self.settled_skin(skin, lambda now: len(self.painted(now, skin)) > 40), skin)
        for half in (top_left, top_right):
            stroke = {p for p in painted if inside(half, *p)}
            self.assertTrue(stroke, "the stroke paints each half of the top")
            piece, todo = set(), list(stroke)[:1]
            while todo:
                p = todo.pop()
                if p in stroke and p not in piece:
                    piece.add(p)
                    todo += [(p[0] + dx, p[1] + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
            self.assertEqual(stroke, piece, "the stroke is one piece on each half of the top")

    def test_a_fill_paints_one_island_and_its_bleed_and_a_second_stops_at_the_paint(self):
        s = self.session
        half = self.on_screen("top-left")
        cx, cy = sum(p[0] for p in half) / len(half), sum(p[1] for p in half) / len(half)
        target = min(half, key=lambda p: (p[0] - cx) ** 2 + (p[1] - cy) ** 2)
        s.click(ids.IDC_LOAD_TEXTURE)
        s.open_choose(s.work / "white.bmp")
        fresh = s.capture("skin")
        s.click(ids.IDC_FILL)
        self.move_to(*target)
        s.xdotool("click", LEFT)
        filled_skin = self.settled_skin(fresh)
        filled = self.painted(filled_skin, fresh)
        rect = self.charts["top-left"]
        island = {(x, y) for x in range(rect[0], rect[2] + 1) for y in range(rect[1], rect[3] + 1)}
        self.assertEqual(island | self.bleed_of(island), filled, "the island under the cursor and its bleed")
        self.assertEqual({PEN}, {filled_skin.get(x, 255 - y) for x, y in filled})
        # The eraser's white dab inside the filled part, then a fill in another colour inside that dab.
        s.click(ids.IDC_FILL)
        s.xdotool("click", RIGHT)
        erased_skin = self.settled_skin(filled_skin)
        dab = self.painted(erased_skin, filled_skin)
        self.assertTrue(dab and dab <= island)
        s.click(ids.IDC_COLORS)
        s.color_choose(200, 30, 30)
        s.click(ids.IDC_FILL)
        s.xdotool("click", LEFT)
        second = self.painted(self.settled_skin(erased_skin), erased_skin)
        self.assertEqual(dab, second, "the second fill stops at the paint around the white dab")


if __name__ == "__main__":
    harness.main()
