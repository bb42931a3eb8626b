#!/usr/bin/env python3
"""End-to-end check of Mirror through the model on the flat texture, on the real pelterine.exe under Wine: obj.dll
loads a model of two wings mirrored across the file's plane x = 0, laid out on the texture apart and turned, with a
raised arm on one side that makes its box lopsided (so the plugin's centring moves that plane); a dab on one wing
in the flat view is painted again on the other wing's mirrored texels (read back from the plugin's drawing in
feedback mode), not across the texture's middle column; and the line under the model box says which of the model's
two pictures is painted."""

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402
from expect import SIDE, model_colour  # noqa: E402
from test_pictures import png_file  # noqa: E402

OK = 1
MK_LBUTTON = 1
WHITE, PEN = (255, 255, 255), (0, 119, 170)
FRAME_TIMEOUT = 20.0


def wing_uv(x, y):
    """Texel column and row (from the bottom) of a point of the model: the left wing's (x, y) at 16 + 32 (x + 3),
    16 + 32 y; the right wing's at 128 + 32 (x - 1), 192 - 32 y (turned upside down); the arm's apart."""
    if x < 0:
        return 16 + 32 * (x + 3), 16 + 32 * y
    if y < 5:
        return 128 + 32 * (x - 1), 192 - 32 * y
    return 224 + 8 * (x - 3), 224 + 8 * (y - 6)


def winged_obj():
    """Each square its own four v and vt, faces counter-clockwise from the front; wings in material "wood", the arm
    (x 3..5, y 6..7: the box runs from x -3 to 5) in "metal"."""
    squares = [("wood", -3, -1, 0, 2), ("wood", 1, 3, 0, 2), ("metal", 3, 5, 6, 7)]
    lines, faces = ["mtllib winged.mtl"], []
    for n, (material, x0, x1, y0, y1) in enumerate(squares):
        corners = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
        lines += ["v %g %g 0" % c for c in corners]
        lines += ["vt %g %g" % tuple(t / SIDE for t in wing_uv(x, y)) for x, y in corners]
        faces += ["usemtl " + material, "f " + " ".join("%d/%d" % (4 * n + k, 4 * n + k) for k in range(1, 5))]
    return ("\r\n".join(lines + faces) + "\r\n").encode()


class MirrorThroughModel(harness.SessionTestCase):

    def test_a_flat_dab_is_mirrored_through_the_model_and_the_pictures_are_named(self):
        s = self.session
        work = s.start(self.work_name())
        s.wait_main()
        (work / "winged.obj").write_bytes(winged_obj())
        (work / "winged.mtl").write_bytes(b"newmtl wood\r\nmap_Kd wood.png\r\nnewmtl metal\r\nmap_Kd metal.png\r\n")
        (work / "wood.png").write_bytes(png_file(SIDE, SIDE, lambda x, y: WHITE))
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        names, _ = s.plugins_list()
        s.plugins_select(names.index("obj.dll"))
        s.plugins_press(OK)
        self.assertEqual("", s.text(ids.IDC_MODEL_NOTE))
        s.set_text(ids.IDC_MODEL_PATH, "winged.obj")
        s.click(ids.IDC_LOAD_MODEL)
        self.assertEqual([], s.boxes(), "the pictures are named without a box")
        self.assertEqual("winged.obj uses 2 pictures; Pelterine paints wood.png, used by 67 % of its faces",
                         s.text(ids.IDC_MODEL_NOTE))
        # The surface is read in the first frame that shows the model.
        self.assertTrue(wait_until(lambda: model_colour(s.read_viewport()) != "black", FRAME_TIMEOUT, 0.2),
                        "the viewport never showed the model")

        if s.checked(ids.IDC_USE_PATTERN):
            s.click(ids.IDC_USE_PATTERN)
        s.click(ids.IDC_MIRROR)
        s.set_text(ids.IDC_PEN_SIZE, "3")
        s.click(ids.IDC_PEN_SIZE_OK)
        # Texel (40, 50) of the left wing; its mirror image lies at (207 - 40, 207 - 50) on the right wing. The view
        # shows the texture a pixel a texel, row 0 at the bottom.
        s.mouse("ldown", 40, SIDE - 1 - 50, MK_LBUTTON)
        s.mouse("lup", 40, SIDE - 1 - 50, 0)
        view = s.capture("skin")
        painted = {(x, SIDE - 1 - y) for y in range(SIDE) for x in range(SIDE) if view.get(x, y) == PEN}
        dab = {(x, y) for x in range(39, 42) for y in range(49, 52)}
        mirrored = {(207 - x, 207 - y) for x, y in dab}
        self.assertEqual(sorted(dab | mirrored), sorted(painted),
                         "the dab and its mirror through the model, nothing across the middle column")


if __name__ == "__main__":
    harness.main()
