#!/usr/bin/env python3
"""Measures the real pelterine.exe under Wine, from outside, and prints the figures docs/performance.md keeps.

    python3 bench/e2e_bench.py --win-build build/win [--dabs 2000] [--runs 5]

- microseconds per dab: a burst of WM_MOUSEMOVE messages posted to the skin view (pen, and the default pattern,
  in the classic and the mipmap upload modes, one dab a message) timed until a last dab at a marker shows on
  screen, minus the time of the marker alone; the median of several runs. The same burst without a button
  gives the floor: what the messages alone cost;
- microseconds per dab of the soft round tip (Round, size 64, hardness 50 %, opacity 50 %) on a 2048 x 2048
  texture, against the messages alone on the same texture with the same tip;
- frames a second: the recorder test plugin logs the time of every draw;
- CPU use while idle, with the default box spinning, with its spin paused (a middle-button click in the
  viewport) and with the window minimized while it spins: the process's user + system time over a while.
- frames a second while painting a long stroke on the model (the default pattern brush, the cursor going round
  a circle for a few seconds), on the default box and on the island sphere of 12,288 triangles
  (tools/make_island_obj), with and without "Mirror": the frame_timer test plugin hands every call on to the
  shipped plugin and logs the time of every draw, the visible frames and the pick passes alike.
- frames a second while an MD2 model of 80 frames and 12,800 triangles plays, paused and while a stroke paints on
  it (the same frame_timer plugin handing on to md2.dll).

Run by hand, not by ./test.sh: the figures depend on the machine and on what else it runs."""

import argparse
import math
import os
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from controls import ids  # noqa: E402

MK_LBUTTON = 0x1
MARKERS = [(250, 8 + 40 * i) for i in range(6)]   # far enough apart that no dab or stamp reaches another


def program_pids(session):
    """Linux PIDs of this session's pelterine.exe (its Wine prefix tells it from any other)."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if b"pelterine.exe" in Path("/proc/%s/cmdline" % entry).read_bytes() and \
                    str(session.prefix).encode() in Path("/proc/%s/environ" % entry).read_bytes():
                pids.append(int(entry))
        except OSError:
            pass
    return pids


def cpu_seconds(pids):
    ticks = os.sysconf("SC_CLK_TCK")
    total = 0
    for pid in pids:
        fields = Path("/proc/%d/stat" % pid).read_text().rsplit(")", 1)[1].split()
        total += int(fields[11]) + int(fields[12])
    return total / ticks


def new_texture(s, width, height):
    """A white texture of that size through "New Texture...", shown at one screen pixel per texel."""
    s.click(ids.IDC_NEW_TEXTURE)
    s.dialog_set_text("New Texture", ids.IDC_NEW_WIDTH, str(width))
    s.dialog_set_text("New Texture", ids.IDC_NEW_HEIGHT, str(height))
    s.dialog_press("New Texture", 1)
    s.command(ids.IDM_ACTUAL_SIZE)


# The soft round tip of the speed goal: Round, hardness 50 %, opacity 50 %, kept in pelterine.ini as a painter
# would have left it (the pattern off), with the pen at size 64.
SOFT_ROUND_TIP = b"brush.shape=round\r\nbrush.hardness=50\r\nbrush.opacity=50\r\noptions.usePattern=0\r\n"


def measure_dabs(s, dabs, runs, pattern, mipmap, wparam=MK_LBUTTON, side=256, soft_round=False, outline=False,
                 layers=1):
    """One dab a message: "Smooth strokes" is unchecked. wparam 0 times the messages alone (nothing painted).
    side: the texture's sides (shown at one screen pixel per texel, so the markers are texels). soft_round: the
    pen is the soft round tip of size 64. outline: the real cursor rests over the view, so every message draws the
    brush outline too. layers: how many the texture has, the dabs landing on the middle one."""
    values = []
    for run in range(runs):
        s.start("bench-dabs", extra={"pelterine.ini": SOFT_ROUND_TIP} if soft_round else None)
        s.wait_main()
        if side != 256:
            new_texture(s, side, side)
        for _ in range(layers - 1):
            s.command(ids.IDC_NEW_LAYER)
        if layers > 1:
            s.layer_choose(layers // 2)
        if soft_round:
            s.set_text(ids.IDC_PEN_SIZE, "64")
            s.click(ids.IDC_PEN_SIZE_OK)
        elif not pattern:
            s.click(ids.IDC_USE_PATTERN)
        if mipmap:
            s.click(ids.IDC_MIPMAP_TEXTURE)
        try:
            s.click(ids.IDC_SMOOTH_STROKES)
        except harness.HarnessError:
            pass   # a build from before smoothing: one dab a message already
        if outline:
            skin = s.client_origin()["skin"]
            s.mouse_move(skin.x + 128, skin.y + 128)   # the real cursor over the view: the outline follows it
        time.sleep(0.5)
        mx, my = MARKERS[run % 3 * 2]
        if layers > 1:
            # The first dab on the chosen layer builds its cache where it lands: not what a dab costs.
            wx, wy = MARKERS[(run % 3 * 2 + 2) % len(MARKERS)]
            s.driver("post-dabs", 0, wx, wy, MK_LBUTTON, timeout=30)
        alone = int(s.driver("post-dabs", 0, mx, my, MK_LBUTTON, timeout=30)[0])
        mx, my = MARKERS[run % 3 * 2 + 1]
        burst = int(s.driver("post-dabs", dabs, mx, my, wparam, timeout=120)[0])
        values.append((burst - alone) / dabs)
    return statistics.median(values), min(values), max(values)


def frames_per_second(s, seconds=4.0):
    work = s.start("bench-frames", plugins=[], extra={"plugins/vmr.dll": s.win_build / "test-plugins" / "recorder.dll"})
    s.wait_main()
    s.set_text(ids.IDC_MODEL_PATH, "frames")
    s.click(ids.IDC_LOAD_MODEL)
    time.sleep(seconds)
    times = [int(m.group(1)) for m in re.finditer(r"^frame us=(\d+)", (work / "plugin_calls.log").read_text(), re.M)]
    times = times[len(times) // 4:]   # past the start
    return (len(times) - 1) / ((times[-1] - times[0]) / 1e6)


def frames_while_painting(s, side, seconds=3.0):
    """Frames a second of the spinning model while a real stroke (the cursor moving 100 pixels to and fro every
    10 ms with the button held) paints a side x side texture on the fly."""
    work = s.start("bench-paint-frames", plugins=[],
                   extra={"plugins/vmr.dll": s.win_build / "test-plugins" / "recorder.dll"})
    s.wait_main()
    s.set_text(ids.IDC_MODEL_PATH, "frames")
    s.click(ids.IDC_LOAD_MODEL)
    new_texture(s, side, side)
    s.activate()
    view = s.client_origin()["skin"]
    s.mouse_move(view.x + 78, view.y + 128)
    time.sleep(1.0)
    log = work / "plugin_calls.log"
    before = len(log.read_text().splitlines())
    s.mouse_down(1)
    s.xdotool(*wiggle_args(int(seconds / 0.01), 100, 0.01))
    s.mouse_up(1)
    times = [int(m.group(1)) for m in re.finditer(r"^frame us=(\d+)", "\n".join(log.read_text().splitlines()[before:]),
                                                  re.M)]
    return (len(times) - 1) / ((times[-1] - times[0]) / 1e6) if len(times) > 1 else 0.0


def idle_cpu(s, paused=False, minimized=False, seconds=10.0):
    s.start("bench-idle")
    s.wait_main()
    if minimized:
        s.show("minimize")
    if paused:
        s.activate()
        view = s.client_origin()["viewport"]
        s.mouse_move(view.x + view.width // 2, view.y + view.height // 2)
        s.mouse_down(2)
        time.sleep(0.3)
        s.mouse_up(2)
        # A frame must see the button up with the cursor still over the viewport: a release it only sees outside
        # goes on turning the model as the cursor moves, as a drag released outside does.
        time.sleep(0.5)
        s.mouse_move(view.x + view.width + 40, view.y + 20)   # then nothing moves over the viewport
    time.sleep(2.0)
    pids = program_pids(s)
    before, started = cpu_seconds(pids), time.monotonic()
    time.sleep(seconds)
    return 100.0 * (cpu_seconds(pids) - before) / (time.monotonic() - started)


def wiggle_args(moves, dx, pause):
    """xdotool arguments that move the real cursor dx pixels to and fro, one move every pause seconds."""
    steps = []
    for k in range(moves):
        steps += ["mousemove_relative", "--", str(dx if k % 2 == 0 else -dx), "0", "sleep", str(pause)]
    return steps


def picks_per_second(s, heavy, seconds=3.0, jump=300):
    """Painting on the model while the cursor jumps `jump` pixels to and fro every 20 ms, with "Smooth strokes":
    each frame that sees a jump finds the texels under the brush at each of its jump points in one extra draw. recorder.dll logs every
    draw (visible frames and pick passes alike); returns (frames a second, pick passes a second, picks a second).
    heavy: the recorder's square of 100,352 triangles instead of one quad."""
    work = s.start("bench-picks", plugins=[], extra={"plugins/vmr.dll": s.win_build / "test-plugins" / "recorder.dll"})
    s.wait_main()
    s.set_text(ids.IDC_MODEL_PATH, "frames-heavy" if heavy else "frames")
    s.click(ids.IDC_LOAD_MODEL)
    s.click(ids.IDC_USE_PATTERN)
    s.click(ids.IDC_PAINT_ON_MODEL)
    s.activate()
    view = s.client_origin()["viewport"]
    s.mouse_move(view.x + 256 - jump // 2, view.y + 256)
    time.sleep(1.0)
    log = work / "plugin_calls.log"
    before = len(log.read_text().splitlines())
    s.mouse_down(1)
    s.xdotool(*wiggle_args(int(seconds / 0.02), jump, 0.02))
    s.mouse_up(1)
    draws = [(int(m.group(1)), m.group(2)) for m in re.finditer(
        r"^frame us=(\d+) yaw=\S+ texture=(\d+)", "\n".join(log.read_text().splitlines()[before:]), re.M)]
    # A pick pass draws with the coordinate texture bound, the frames with the skin texture: the commoner one.
    skin = max(set(t for _, t in draws), key=[t for _, t in draws].count)
    passes = sum(1 for _, t in draws if t != skin)
    span = (draws[-1][0] - draws[0][0]) / 1e6
    return (len(draws) - passes) / span, passes / span, passes * jump / span


def circle_args(seconds, radius, pause=0.01):
    """xdotool arguments that take the real cursor round a circle of this radius (starting at its right), a small
    move every pause seconds, for about `seconds`."""
    steps, previous = [], (radius, 0)
    moves = int(seconds / pause)
    for k in range(1, moves + 1):
        angle = 2 * math.pi * k / 90
        now = (round(radius * math.cos(angle)), round(radius * math.sin(angle)))
        steps += ["mousemove_relative", "--", str(now[0] - previous[0]), str(now[1] - previous[1]),
                  "sleep", str(pause)]
        previous = now
    return steps


def painting_frames(s, sphere, mirror, seconds=5.0):
    """Frames a second while a long stroke paints on the model: (frames, pick passes) a second."""
    timer = s.win_build / "test-plugins" / "frame_timer.dll"
    extra = {"plugins/vmr.dll": timer, "timed/vmr.dll": s.dist / "plugins" / "vmr.dll",
             "timed/obj.dll": s.dist / "plugins" / "obj.dll"}
    work = s.start("bench-painting", plugins=[], extra=extra)
    s.wait_main()
    if sphere:
        subprocess.run([str(harness.native_tool("make_island_obj")), "sphere", str(work / "sphere.obj")],
                       check=True, timeout=30)
        s.set_text(ids.IDC_MODEL_PATH, "sphere.obj")
        s.click(ids.IDC_LOAD_MODEL)
    s.click(ids.IDC_PAINT_ON_MODEL)
    if mirror:
        s.click(ids.IDC_MIRROR)
    s.activate()
    view = s.client_origin()["viewport"]
    s.mouse_move(view.x + 256 + 80, view.y + 256)
    time.sleep(1.0)
    log = work / "frame_times.log"
    idle = log.read_text().splitlines()
    skin = re.match(r"frame us=\d+ texture=(\d+)", idle[-1]).group(1)   # no pass draws before painting
    s.mouse_down(1)
    s.xdotool(*circle_args(seconds, 80))
    s.mouse_up(1)
    draws = [(int(m.group(1)), m.group(2)) for m in re.finditer(
        r"^frame us=(\d+) texture=(\d+)", "\n".join(log.read_text().splitlines()[len(idle):]), re.M)]
    passes = sum(1 for _, t in draws if t != skin)
    span = (draws[-1][0] - draws[0][0]) / 1e6
    return (len(draws) - passes) / span, passes / span


def waving_grid_md2(side=80, frames=80):
    """An MD2 grid of side x side quads (2 x side^2 triangles) whose height waves from frame to frame, frames named
    wave1, wave2, ..."""
    import struct
    row = side + 1
    st = b"".join(struct.pack("<2h", 3 * i, 3 * j) for j in range(row) for i in range(row))
    tris = b""
    for j in range(side):
        for i in range(side):
            a = j * row + i
            tris += struct.pack("<6H", a, a + row + 1, a + 1, a, a + row + 1, a + 1)
            tris += struct.pack("<6H", a, a + row, a + row + 1, a, a + row, a + row + 1)
    body = b""
    for f in range(frames):
        body += struct.pack("<6f16s", 0.1, 0.1, 0.1, 0, 0, 0, b"wave%d" % (f + 1)) + b"".join(
            bytes([3 * i, 3 * j, int(127 + 120 * math.sin((i + j + f * 4) / 9.0)), 0])
            for j in range(row) for i in range(row))
    offsets = [68, 68 + len(st), 68 + len(st) + len(tris)]
    end = offsets[2] + len(body)
    header = struct.pack("<4s16i", b"IDP2", 8, 256, 256, 40 + 4 * row * row, 0, row * row, row * row,
                         2 * side * side, 0, frames, 68, offsets[0], offsets[1], offsets[2], end, end)
    return header + st + tris + body


def playing_frames(s, paint, seconds=5.0):
    """(frames, pick passes) a second while the waving grid plays, with a stroke painting on it or not."""
    timer = s.win_build / "test-plugins" / "frame_timer.dll"
    extra = {"plugins/vmr.dll": timer, "timed/vmr.dll": s.dist / "plugins" / "vmr.dll",
             "timed/md2.dll": s.dist / "plugins" / "md2.dll", "wave.md2": waving_grid_md2()}
    work = s.start("bench-playing", plugins=[], extra=extra)
    s.wait_main()
    s.set_text(MODEL_PATH, "wave.md2")
    s.click(LOAD)
    s.click(ids.IDC_PLAY)
    if paint:
        s.click(PAINT_ON_MODEL)
    s.activate()
    view = s.client_origin()["viewport"]
    s.mouse_move(view.x + 256 + 80, view.y + 256)
    time.sleep(1.0)
    log = work / "frame_times.log"
    idle = log.read_text().splitlines()
    skin = re.match(r"frame us=\d+ texture=(\d+)", idle[-1]).group(1)   # no pass draws before painting
    if paint:
        s.mouse_down(1)
        s.xdotool(*circle_args(seconds, 80))
        s.mouse_up(1)
    else:
        time.sleep(seconds)
    draws = [(int(m.group(1)), m.group(2)) for m in re.finditer(
        r"^frame us=(\d+) texture=(\d+)", "\n".join(log.read_text().splitlines()[len(idle):]), re.M)]
    passes = sum(1 for _, t in draws if t != skin)
    span = (draws[-1][0] - draws[0][0]) / 1e6
    return (len(draws) - passes) / span, passes / span


def print_painting_frames(s):
    for paint in (False, True):
        print("an 80-frame MD2 of 12,800 triangles playing%s: %.0f frames and %.0f pick passes a second" % (
            (" under a stroke" if paint else "",) + playing_frames(s, paint)))
    for sphere in (False, True):
        for mirror in (False, True):
            frames, passes = painting_frames(s, sphere, mirror)
            print("painting a stroke on %s%s: %.0f frames and %.0f pick passes a second" % (
                "the 12,288-triangle sphere" if sphere else "the default box", " with Mirror" if mirror else "",
                frames, passes))
    for heavy in (False, True):
        frames, passes, picks = picks_per_second(s, heavy)
        print("painting on %s: %.0f frames, %.0f pick passes and %.0f picks a second" % (
            "100,352 triangles" if heavy else "one quad", frames, passes, picks))


def print_soft_round_dab(s, args):
    """The soft round dab against the message floor of the same texture and tip, in the same run (goal: within 1.3
    times). The messages are posted, so the brush outline (which follows the real cursor) is drawn only when the
    cursor lies over the view: the second figure puts it there."""
    floor, _, _ = measure_dabs(s, args.dabs, args.runs, False, False, wparam=0, side=2048, soft_round=True)
    median, low, high = measure_dabs(s, args.dabs, args.runs, False, False, side=2048, soft_round=True)
    print("soft round 64 on 2048 x 2048: %7.1f us a dab (runs %.1f .. %.1f), floor %.1f us, %.2f times" % (
        median, low, high, floor, median / floor if floor > 0 else float("nan")))
    floor, _, _ = measure_dabs(s, args.dabs, args.runs, False, False, wparam=0, side=2048, soft_round=True,
                               outline=True)
    median, low, high = measure_dabs(s, args.dabs, args.runs, False, False, side=2048, soft_round=True, outline=True)
    print("... with the outline shown: %7.1f us a dab (runs %.1f .. %.1f), floor %.1f us, %.2f times" % (
        median, low, high, floor, median / floor if floor > 0 else float("nan")))


def print_layered_dabs(s, dabs, runs):
    """A dab on the middle of 16 layers of 2048 x 2048 against the messages alone in the same run."""
    floor, _, _ = measure_dabs(s, dabs, runs, False, False, wparam=0, side=2048, layers=16)
    median, low, high = measure_dabs(s, dabs, runs, False, False, side=2048, layers=16)
    print("pen on 2048 x 2048, 16 layers %7.1f us a dab (runs %.1f .. %.1f), %.2f times the message floor "
          "(%.1f us; goal: within 1.3)" % (median, low, high, median / floor if floor > 0 else 0.0, floor))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--win-build", default="build/win")
    parser.add_argument("--dabs", type=int, default=2000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cpu-only", action="store_true", help="only the idle CPU figures")
    parser.add_argument("--painting", action="store_true", help="only the figures of painting on the model")
    parser.add_argument("--brush", action="store_true", help="only the soft round dab against its floor")
    parser.add_argument("--layers", action="store_true", help="only the dab on 16 layers against the floor")
    args = parser.parse_args()
    win_build = Path(args.win_build).resolve()
    harness.Config.win_build = win_build
    with harness.Session("e2e-bench", win_build) as s:
        if args.painting:
            return print_painting_frames(s)
        if args.brush:
            return print_soft_round_dab(s, args)
        if args.layers:
            return print_layered_dabs(s, args.dabs, args.runs)
        print("idle CPU with the box spinning: %.1f%% of a core" % idle_cpu(s, paused=False))
        print("idle CPU with the spin paused: %.1f%% of a core" % idle_cpu(s, paused=True))
        print("idle CPU minimized, spinning: %.1f%% of a core" % idle_cpu(s, minimized=True))
        if args.cpu_only:
            return
        median, low, high = measure_dabs(s, args.dabs, args.runs, False, False, wparam=0)
        print("%-15s %7.1f us a message (runs %.1f .. %.1f)" % ("no button", median, low, high))
        for pattern in (False, True):
            for mipmap in (False, True):
                median, low, high = measure_dabs(s, args.dabs, args.runs, pattern, mipmap)
                print("%-7s %-7s %7.1f us a dab (runs %.1f .. %.1f)" % (
                    "pattern" if pattern else "pen", "mipmap" if mipmap else "classic", median, low, high))
        for side in (256, 2048):
            median, low, high = measure_dabs(s, args.dabs, args.runs, False, False, side=side)
            print("pen on %4d x %-4d %7.1f us a dab (runs %.1f .. %.1f)" % (side, side, median, low, high))
        print_soft_round_dab(s, args)
        print_layered_dabs(s, args.dabs, args.runs)
        for side in (256, 2048):
            print("frames a second while painting a %d x %d texture: %.1f" % (side, side, frames_while_painting(s, side)))
        print("frames a second: %.1f" % frames_per_second(s))
        print_painting_frames(s)


if __name__ == "__main__":
    main()
