#!/usr/bin/env python3
"""Soak test of pelterine.exe under Wine: many model loads and plugin switches with the process's memory
watched, then a seeded monkey of random mouse messages, clicks and commands that answers every window it
opens, and at the end a texture save that must load back byte-identical.

    tests/e2e/soak.py --win-build build/win            # the long run: 1,000 loads, 200 switches, 20,000 actions in 5 min
    tests/e2e/soak.py --win-build build/win --short    # the short run that ./test.sh runs (about a minute)

Memory is read twice for each phase, after a warm-up and at its end: the private bytes Windows reports for the
process (GetProcessMemoryInfo through the test driver) and VmRSS of the Wine process from /proc. Prints the
figures and exits non-zero when the program crashed, a window would not close, the memory grew by more than
the limit, or the saved texture did not come back identical.
"""

import argparse
import sys
import time
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402

MODEL = "_test_boite_tex.vmr"
MIB = 1 << 20
HISTORY_BUDGET = 64 * MIB

LONG = dict(loads=1000, switches=200, actions=20000, seconds=300)
SHORT = dict(loads=200, switches=30, actions=1500, seconds=20)


class SoakFailure(AssertionError):
    pass


class Memory:
    """The program's private bytes (as Windows counts them) and resident set (as Linux does)."""

    def __init__(self, session):
        self.session = session

    def read(self):
        figures = {}
        for line in self.session.driver("memory"):
            name, _, value = line.partition("\t")
            figures[name] = int(value)
        # Wine 8 reports no private bytes for another process: its pagefile figure (committed memory) then.
        private = figures.get("private") or figures.get("pagefile") or None
        rss = None
        try:
            for line in Path("/proc/%d/status" % self.session.program.pid).read_text().splitlines():
                if line.startswith("VmRSS:"):
                    rss = int(line.split()[1]) * 1024
        except OSError:
            pass
        return private, rss


def growth(before, after, per, count):
    """Growth of each figure, scaled to `per` operations; None where a figure could not be read."""
    return tuple(None if b is None or a is None else (a - b) * per / count for b, a in zip(before, after))


def mib(value):
    return "n/a" if value is None else "%+.2f MiB" % (value / MIB)


class Soak:
    def __init__(self, session, report, limit_mib):
        self.s = session
        self.memory = Memory(session)
        self.report = report
        self.limit = limit_mib * MIB
        self.figures = {}

    def check_alive(self, what):
        if not self.s.running():
            raise SoakFailure("pelterine.exe ended (exit code %s) during %s" % (self.s.program.returncode, what))
        if (self.s.work / "pelterine-recovered.bmp").exists():
            raise SoakFailure("pelterine.exe crashed during %s (it left pelterine-recovered.bmp)" % what)

    def phase(self, name, warmup, run, count, per, limit=None):
        """Runs warmup(), reads the memory, runs run(), reads it again; records the growth per `per` units."""
        warmup()
        self.check_alive(name + " warm-up")
        before = self.memory.read()
        started = time.monotonic()
        run()
        took = time.monotonic() - started
        self.check_alive(name)
        after = self.memory.read()
        grown = growth(before, after, per, count)
        self.figures[name] = grown
        self.report("%s: %d in %.0f s; private bytes %s, VmRSS %s per %d (from %.1f MiB private, %.1f MiB resident)"
                    % (name, count, took, mib(grown[0]), mib(grown[1]), per,
                       (before[0] or 0) / MIB, (before[1] or 0) / MIB))
        worst = max(g for g in grown if g is not None) if any(g is not None for g in grown) else 0
        if worst > (self.limit if limit is None else limit):
            raise SoakFailure("%s: memory grew by %s per %d" % (name, mib(worst), per))

    def loads(self, count):
        warm = max(20, count // 10)
        batch = 100
        def run():
            left = count
            while left > 0:
                n = min(batch, left)
                self.s.driver("load-models", n, MODEL, timeout=60 + n)
                left -= n
        self.phase("model loads", lambda: self.s.driver("load-models", warm, MODEL, timeout=60 + warm),
                   run, count, 1000)

    def switches(self, count):
        warm = max(6, count // 10)
        self.phase("plugin switches", lambda: self.s.driver("switch-plugins", warm, timeout=60 + 2 * warm),
                   lambda: self.s.driver("switch-plugins", count, timeout=60 + 2 * count), count, 100)

    def monkey(self, seed, actions, seconds):
        warm_actions, warm_seconds = max(200, actions // 10), max(3, seconds // 10)
        seen = {}
        def run_monkey(n, t, s):
            out = self.s.driver("monkey", s, n, t, timeout=t * 3 + 120)
            for line in out:
                name, _, value = line.partition("\t")
                if name in ("actions", "windows"):
                    seen[name] = seen.get(name, 0) + int(value)
        # The undo history keeps what strokes changed, up to its budget of 64 MiB: the monkey's growth may reach
        # that much without a leak, so it is judged over the whole run against the budget and some slack.
        self.phase("monkey", lambda: run_monkey(warm_actions, warm_seconds, seed),
                   lambda: run_monkey(actions, seconds, seed + 1), actions, actions,
                   limit=HISTORY_BUDGET + self.limit * actions / 1000)
        self.figures["actions"] = seen.get("actions", 0)
        self.figures["windows"] = seen.get("windows", 0)
        self.report("monkey: %d actions sent, %d windows answered" % (seen.get("actions", 0), seen.get("windows", 0)))

    def save_and_reload(self):
        s = self.s
        if s.checked(ids.IDC_GRID):
            s.click(ids.IDC_GRID)   # the view then shows the texture alone
        s.command(harness.ids.IDM_FIT_VIEW)   # the monkey's middle drags pan the view: one pixel a texel again
        first, second = s.work / "soak-end.bmp", s.work / "soak-end-2.bmp"
        shown = s.capture("skin")
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(first)
        s.click(ids.IDC_LOAD_TEXTURE)
        # Unchanged since the save, but layers the monkey made are in no file yet: then the load asks about them.
        harness.wait_until(lambda: s.boxes() or s.dialogs(), harness.DEFAULT_TIMEOUT)
        if s.boxes():
            s.expect_box("Pelterine", "The layers are not saved in any file. Save them?", button=7)
        s.open_choose(first)
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(second)
        a, b = first.read_bytes(), second.read_bytes()
        if a != b:
            raise SoakFailure("the saved texture did not load back identically (%d and %d bytes)" % (len(a), len(b)))
        # The monkey may have loaded a picture of another size as the texture; one the size of the view is shown
        # fitted at one pixel a texel, as it was captured.
        saved = harness.read_bmp(first)
        if (saved.width, saved.height) == (shown.width, shown.height) and not harness_pixels_match(shown, saved):
            raise SoakFailure("the saved texture is not what the skin view showed")
        self.check_alive("the final save")
        self.report("final save: %s loads back byte-identical" % first.name)


def harness_pixels_match(a, b):
    return (a.width, a.height) == (b.width, b.height) and all(ra == rb for ra, rb in zip(a.rows, b.rows))


def run(win_build, loads, switches, actions, seconds, seed=1, limit_mib=4.0, report=print):
    """Runs the whole soak on a session of its own; returns the figures, raises SoakFailure on a fault."""
    with harness.Session("soak", win_build) as s:
        s.start("soak")
        s.wait_main()
        if s.boxes():
            raise SoakFailure("message boxes at start-up: %s" % s.boxes())
        soak = Soak(s, report, limit_mib)
        try:
            soak.loads(loads)
            soak.switches(switches)
            soak.monkey(seed, actions, seconds)
            soak.save_and_reload()
        except (SoakFailure, harness.HarnessError) as e:
            raise SoakFailure("%s\n  (working folder %s)%s" % (e, s.work, s.context("soak")))
        return soak.figures


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win-build", default="build/win", help="the Windows build folder")
    parser.add_argument("--short", action="store_true", help="the short run of ./test.sh")
    parser.add_argument("--loads", type=int)
    parser.add_argument("--switches", type=int)
    parser.add_argument("--actions", type=int)
    parser.add_argument("--seconds", type=int)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--limit-mib", type=float, default=4.0,
                        help="the most a phase's memory may grow per 1,000 loads or actions, or 100 switches")
    args = parser.parse_args()
    sizes = dict(SHORT if args.short else LONG)
    for key in sizes:
        if getattr(args, key) is not None:
            sizes[key] = getattr(args, key)
    harness.Config.win_build = Path(args.win_build).resolve()
    try:
        run(harness.Config.win_build, seed=args.seed, limit_mib=args.limit_mib, **sizes)
    except SoakFailure as e:
        print("SOAK FAILED: %s" % e)
        return 1
    print("soak passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
