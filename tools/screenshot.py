#!/usr/bin/env python3
"""Starts Pelterine on a virtual display, saves a screenshot of its main window and closes it.

With --demo the grid is shown and soft round strokes are painted first, on the flat texture and, on a layer of
their own, mirrored on the model (the picture in the README).
"""
import argparse
import math
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from controls import ids  # noqa: E402


# The demo's brush: a soft round pen, as a painter would set it, taken from pelterine.ini at start.
DEMO_SETTINGS = ("brush.shape=round\nbrush.hardness=20\nbrush.opacity=85\noptions.usePattern=0\n"
                 "options.smoothStrokes=1\n")


def paint_demo(session):
    session.click(ids.IDC_GRID)                      # show the mapping grid
    session.set_text(ids.IDC_PEN_SIZE, "14")
    session.click(ids.IDC_PEN_SIZE_OK)
    session.click(ids.IDC_COLORS)
    session.color_choose(190, 80, 30)
    # A soft wave around the four side faces of the box, on the flat view.
    session.mouse("ldown", 8, 100)
    for x in range(8, 250, 6):
        session.mouse("lmove", x, 100 + int(14 * math.sin(x / 22.0)))
    session.mouse("lup", 250, 100, 0)
    # A layer of its own for a stroke painted on the model itself, mirrored through its plane x = 0, with the
    # spin waiting while the button is held.
    session.click(ids.IDC_NEW_LAYER)
    session.click(ids.IDC_COLORS)
    session.color_choose(0, 119, 170)
    session.click(ids.IDC_PAINT_ON_MODEL)
    session.click(ids.IDC_MIRROR)
    session.activate()
    view = session.client_origin()["viewport"]
    session.mouse_move(view.x + 170, view.y + 330)
    session.mouse_down(1)
    for step in range(24):
        time.sleep(0.05)
        session.mouse_move(view.x + 170 + step * 7, view.y + 330 - step * 3 - int(18 * math.sin(step / 4.0)))
    session.mouse_up(1)
    # The cursor leaves the viewport, so no brush outline stands over the picture.
    main = session.client_origin()["main"]
    session.mouse_move(main.x + main.width - 20, main.y + 20)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--win-build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--demo", action="store_true")
    args = parser.parse_args()
    out = Path(args.out).resolve()
    harness.Config.win_build = Path(args.win_build).resolve()

    with harness.Session("screenshot") as session:
        session.start("screenshot", extra={"pelterine.ini": DEMO_SETTINGS.encode()} if args.demo else None)
        session.wait_main(timeout=60)
        if args.demo:
            paint_demo(session)
        time.sleep(1.0)                      # let a few frames turn the model
        main_rect = session.client_origin()["main"]
        subprocess.run(["import", "-silent", "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (main_rect.width, main_rect.height, main_rect.x, main_rect.y),
                        "+repage", str(out)], env=session.env, check=True, timeout=30)
        session.close()
        if args.demo:   # the demo painted a layer no file holds: close without saving it
            session.expect_box("Pelterine", "The layers are not saved in any file. Save them?", button=7)
        session.wait_exit(timeout=20)
    print("Screenshot saved to %s" % out)


if __name__ == "__main__":
    main()
