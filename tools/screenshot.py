#!/usr/bin/env python3
"""Starts Pelterine on a virtual display, saves a screenshot of its main window and closes it.

With --demo the grid is shown and tinted strokes are painted first, on the flat texture and, mirrored, on the
model (the picture in the README).
"""
import argparse
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from controls import ids  # noqa: E402


def paint_demo(session):
    session.click(ids.IDC_GRID)                      # show the mapping grid
    session.click(ids.IDC_USE_COLOR)                      # tint the pattern brush with the pen colour
    for i in range(40):                      # a stroke around the four side faces of the box
        session.mouse("ldown", 8 + i * 6, 96 + (i % 8) * 2)
    # A stroke painted on the model itself, and mirrored through its plane x = 0, with the spin waiting while the
    # button is held.
    session.click(ids.IDC_PAINT_ON_MODEL)
    session.click(ids.IDC_MIRROR)
    session.activate()
    view = session.client_origin()["viewport"]
    session.mouse_move(view.x + 170, view.y + 330)
    session.mouse_down(1)
    for step in range(24):
        time.sleep(0.05)
        session.mouse_move(view.x + 170 + step * 7, view.y + 330 - step * 2 - (step % 6) * 6)
    session.mouse_up(1)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--win-build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--demo", action="store_true")
    args = parser.parse_args()
    out = Path(args.out).resolve()
    harness.Config.win_build = Path(args.win_build).resolve()

    with harness.Session("screenshot") as session:
        session.start("screenshot")
        session.wait_main(timeout=60)
        if args.demo:
            paint_demo(session)
        time.sleep(1.0)                      # let a few frames turn the model
        main_rect = session.client_origin()["main"]
        subprocess.run(["import", "-silent", "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (main_rect.width, main_rect.height, main_rect.x, main_rect.y),
                        "+repage", str(out)], env=session.env, check=True, timeout=30)
        session.close()
        if args.demo:   # the demo stroke changed the texture: close without saving it
            session.expect_box("Pelterine", "Save the changes to the texture?", button=7)
        session.wait_exit(timeout=20)
    print("Screenshot saved to %s" % out)


if __name__ == "__main__":
    main()
