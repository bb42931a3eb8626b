#!/usr/bin/env python3
# e2e-timeout: 300
"""The short soak of tests/e2e/soak.py: a couple of hundred model loads and a few dozen plugin switches with the
memory flat, a seeded monkey that answers every window for twenty seconds without a crash, and a final save
that loads back byte-identical. The long run is `tests/e2e/soak.py --win-build build/win` (docs/testing.md)."""

import sys
import unittest
from pathlib import Path

import harness  # noqa: E402
import soak  # noqa: E402


class ShortSoak(unittest.TestCase):

    def test_loads_switches_and_monkey_without_crash_or_growth(self):
        # A short run measures few operations, so each phase may grow by a few pages' worth more per 1,000.
        figures = soak.run(harness.Config.win_build, limit_mib=12.0, report=lambda line: sys.stderr.write(line + "\n"),
                           **soak.SHORT)
        self.assertGreaterEqual(figures["actions"], soak.SHORT["actions"])


if __name__ == "__main__":
    harness.main()
