#!/usr/bin/env python3
"""Checks that tools/plot_strength.py reads the match runner's summaries
(infinite bounds included) and the time-to-depth records; drawing needs
matplotlib and is not checked here."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import plot_strength  # noqa: E402

SUMMARY = """game 100: Stockfish 2000 - Quintar 1-0 (checkmate, 167 plies)

100 games at 10+0.1 against Stockfish 2000
Quintar: 1 wins, 99 losses, 0 draws, score 0.010
Elo difference -798 (95 % interval -inf to -607)
"""


class Reading(unittest.TestCase):
    def test_summary(self):
        s = plot_strength.read_summary(SUMMARY)
        self.assertEqual((s["opponent"], s["games"], s["tc"]), ("Stockfish 2000", 100, "10+0.1"))
        self.assertEqual((s["wins"], s["losses"], s["draws"]), (1, 99, 0))
        self.assertEqual((s["elo"], s["low"], s["high"]), (-798, -math.inf, -607))
        self.assertIsNone(plot_strength.read_summary("game 1: aborted: no uciok\n"))

    def test_records(self):
        rows = plot_strength.read_records("# comment\n\nabc1234\t2026-12-07\tstart\t6\t190458\t0.17\n")
        self.assertEqual(rows, [("abc1234", "2026-12-07", "start", 6, "190458", 0.17)])


if __name__ == "__main__":
    unittest.main()
