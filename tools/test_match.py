#!/usr/bin/env python3
"""Checks of tools/match.py: its arithmetic, its rules and its fault counts.
The fault checks play one game with a stand-in engine that misbehaves in one
way and expect exactly that fault charged and status 1.
Needs /usr/games/stockfish (opponent and referee)."""

import contextlib
import math
import os
import stat
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import combine_matches  # noqa: E402
import match  # noqa: E402

# A UCI engine that misbehaves as MODE says once it is asked for a move.
STAND_IN = r'''#!/usr/bin/env python3
import sys, time
MODE = "%s"
for line in sys.stdin:
    words = line.split() or [""]
    if words[0] == "uci":
        print("id name stand-in"); print("uciok", flush=True)
    elif words[0] == "isready":
        print("readyok", flush=True)
    elif words[0] == "quit":
        break
    elif words[0] == "go" and MODE == "illegal":
        print("info depth 3"); print("bestmove e2e5", flush=True)
    elif words[0] == "go" and MODE == "crash":
        sys.exit(3)
    elif words[0] == "go" and MODE == "slow":
        time.sleep(1.3); print("bestmove a2a3", flush=True)
'''


class Rules(unittest.TestCase):
    def test_elo_and_its_interval(self):
        # Logistic model: 75 % is +190.8 Elo, 50 % is 0, 10 % is -381.7.
        for score, expected in [(0.75, 190.85), (0.5, 0.0), (0.1, -381.70), (1.0, math.inf),
                                (0.0, -math.inf)]:
            self.assertAlmostEqual(match.elo(score), expected, places=1, msg=score)
        # 6 wins, 2 losses, 2 draws: score 0.7, per-game deviation
        # sqrt((6*0.09 + 2*0.49 + 2*0.04)/10) = 0.4025, standard error 0.1273;
        # the bounds are the Elo of 0.7 -+ 1.96 * 0.1273.
        self.assertEqual([round(x, 2) for x in match.elo_interval(6, 2, 2)], [147.19, -33.40, 504.05, 0.7])

    def test_clock_charge(self):
        # (left, seconds, increment, margin) -> clock after the move; None: forfeit.
        for args, expected in [((1.0, 0.4, 0.1, 0.0), 0.7), ((0.1, 0.1, 0.05, 0.0), 0.05),
                               ((0.1, 0.15, 0.05, 0.0), None), ((0.1, 0.15, 0.05, 1.0), 0.05),
                               ((0.1, 1.05, 0.05, 1.0), 0.05), ((0.1, 1.2, 0.05, 1.0), None)]:
            got = match.charge_clock(*args)
            self.assertEqual(got if got is None else round(got, 9), expected, args)

    def test_insufficient_material(self):
        for placement, expected in [("8/8/4k3/8/8/3K4/8/8", True), ("8/8/4k3/8/8/3KN3/8/8", True),
                                    ("8/8/4kb2/8/8/3K4/8/8", True), ("8/8/4k3/8/8/3KR3/8/8", False),
                                    ("8/8/4kb2/8/8/3KB3/8/8", False), ("8/8/4k3/8/8/3KNN2/8/8", False),
                                    ("8/8/4k3/8/8/3K4/7P/8", False)]:
            self.assertEqual(match.insufficient_material(placement), expected, placement)

    def test_opponent_names(self):
        # --opponent -> (kind, Elo or None); the xboard names start their own
        # engine; None: refused.
        for name, kind, elo in [("stockfish:1750", "stockfish", 1750), ("stockfish", "stockfish", 1500),
                                ("fairymax", "fairymax", None), ("phalanx", "phalanx", None),
                                ("gnuchess", None, None), ("phalanx:1500", None, None), ("", None, None)]:
            if kind is None:
                with self.assertRaises(SystemExit, msg=name), open(os.devnull, "w") as quiet, \
                        contextlib.redirect_stderr(quiet):
                    match.parse_args(["--opponent", name])
                continue
            args = match.parse_args(["--opponent", name])
            self.assertEqual((args.opponent_kind, getattr(args, "opponent_elo", None)), (kind, elo), name)

    def test_castling_words_become_squares(self):
        # Phalanx's O-O / O-O-O by the side to move; other moves pass unchanged.
        engine = match.XboardEngine.__new__(match.XboardEngine)
        for word, white, move in [("O-O", True, "e1g1"), ("O-O", False, "e8g8"),
                                  ("O-O-O", True, "e1c1"), ("O-O-O", False, "e8c8"),
                                  ("e7e8q", True, "e7e8q")]:
            engine.white = white
            self.assertEqual(engine.parse(["move", word]), (move, "ok"), (word, white))

    def test_an_answer_is_timed_when_it_arrives_not_when_it_is_read(self):
        # The line is on the queue before the reader looks: its time is the
        # moment it came, however late the game thread gets to it.
        p = match.Process(["/bin/echo", "bestmove e2e4"])
        p.proc.wait()
        while p.lines.qsize() < 2:  # the line and the end of the output
            time.sleep(0.01)
        looked = time.monotonic()
        self.assertEqual(p.read(looked + 10), "bestmove e2e4")
        self.assertLess(p.arrived, looked)
        self.assertIsNone(p.read(looked + 10))

    def test_a_later_first_game_continues_the_openings_and_colours(self):
        lines = [[f"line{i}"] for i in range(5)]
        for first, games, expected in [
                (1, 3, [(["line0"], True, 1), (["line0"], False, 2), (["line1"], True, 3)]),
                (4, 2, [(["line1"], False, 4), (["line2"], True, 5)]),
                (10, 2, [(["line4"], False, 10), (["line0"], True, 11)])]:  # lines wrap round
            self.assertEqual(match.schedule(lines, first, games), expected, (first, games))

    PART = """
{games} games at 10+0.1 against Fairy-Max
Quintar: {wins} wins, {losses} losses, {draws} draws, score 0.500
Elo difference +0 (95 % interval -1 to +1)
Quintar: illegal moves 0, crashes 0, no answers 0, time forfeits 0, average depth {ours}, least clock left {clock} s
Fairy-Max: illegal moves 0, crashes 0, no answers 0, time forfeits {forfeits}, average depth 8.0, least clock left 0.10 s
"""
    GAME = """[Event "Quintar match"]
[White "{white}"]
[Black "{black}"]

{{Moves ...; opening e2e4 e7e5}}
1. e2e4 e7e5 2. g1f3 b8c6 3. f1b5 {{checkmate}} 1-0

"""

    def test_parts_add_up_and_depths_are_weighted_by_moves(self):
        with tempfile.TemporaryDirectory() as tmp:
            # Part one: 2 games, we are white in one; 2 moves each after the
            # opening for white, 1 for black: we made 3 moves at depth 5.
            # Part two: 1 game as white: 2 moves at depth 8.
            parts = [(dict(games=2, wins=1, losses=1, draws=0, ours="5.0", clock="3.10", forfeits=2),
                      [("Quintar", "Fairy-Max"), ("Fairy-Max", "Quintar")]),
                     (dict(games=1, wins=0, losses=0, draws=1, ours="8.0", clock="2.50", forfeits=1),
                      [("Quintar", "Fairy-Max")])]
            paths = []
            for i, (fields, games) in enumerate(parts):
                paths.append(os.path.join(tmp, f"part{i}.out"))
                with open(paths[-1], "w") as f:
                    f.write("game 1: ...\n" + self.PART.format(**fields))
                with open(os.path.join(tmp, f"part{i}.pgn"), "w") as f:
                    f.writelines(self.GAME.format(white=w, black=b) for w, b in games)
            out = subprocess.run([sys.executable, os.path.join(HERE, "combine_matches.py")] + paths,
                                 capture_output=True, text=True, check=True).stdout
        self.assertEqual(out, "\n3 games at 10+0.1 against Fairy-Max\n"
                         "Quintar: 1 wins, 1 losses, 1 draws, score 0.500\n"
                         "Elo difference +0 (95 % interval -561 to +561)\n"
                         "Quintar: illegal moves 0, crashes 0, no answers 0, time forfeits 0,"
                         " average depth 6.2, least clock left 2.50 s\n"
                         "Fairy-Max: illegal moves 0, crashes 0, no answers 0, time forfeits 3,"
                         " average depth 8.0, least clock left 0.10 s\n")
        # Parts of different matches are refused.
        other = {"games": 1, "wins": 1, "losses": 0, "draws": 0, "tc": "5+0.05",
                 "opponent": "Fairy-Max", "sides": {}}
        with self.assertRaises(SystemExit):
            combine_matches.combine([(dict(other, tc="10+0.1"), {}), (other, {})])


class Games(unittest.TestCase):  # against stockfish
    def test_legal_moves_mate_and_openings(self):
        referee = match.Referee()
        self.addCleanup(referee.close)
        self.assertEqual(len(referee.legal_moves([])), 20)
        moves = "f2f3 e7e5 g2g4 d8h4".split()  # the fool's mate
        self.assertEqual(referee.legal_moves(moves), set())
        fen, in_check = referee.position(moves)
        self.assertTrue(in_check)
        self.assertTrue(fen.startswith("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w"))
        for line in match.read_openings(os.path.join(HERE, "openings.txt")):
            for i, move in enumerate(line):
                self.assertIn(move, referee.legal_moves(line[:i]), line)

    def test_each_fault_is_charged_to_the_engine(self):
        # An engine that does not start aborts the game; each fault of a
        # stand-in is charged and loses it.
        for mode, expected in [("/bin/false", "game 1: aborted"), ("/nonexistent/quintar", "game 1: aborted"),
                               ("illegal", "illegal moves 1, crashes 0, no answers 0, time forfeits 0"),
                               ("crash", "illegal moves 0, crashes 1, no answers 0, time forfeits 0"),
                               ("silent", "illegal moves 0, crashes 0, no answers 1, time forfeits 0"),
                               ("slow", "illegal moves 0, crashes 0, no answers 0, time forfeits 1")]:
            stand_in = not mode.startswith("/")
            with tempfile.TemporaryDirectory() as tmp:
                engine = os.path.join(tmp, "engine") if stand_in else mode
                if stand_in:
                    with open(engine, "w") as f:
                        f.write(STAND_IN % mode)
                    os.chmod(engine, os.stat(engine).st_mode | stat.S_IXUSR)
                out = subprocess.run([sys.executable, os.path.join(HERE, "match.py"),
                                      "--engine", engine, "--games", "1", "--tc", "1+0",
                                      "--opponent", "stockfish:1350", "--concurrency", "1"],
                                     capture_output=True, text=True, timeout=60)
            self.assertEqual(out.returncode, 1, out.stdout)
            self.assertIn("Quintar: " + expected if stand_in else expected, out.stdout, mode)
            if stand_in:
                self.assertIn("0 wins, 1 losses, 0 draws", out.stdout, mode)

if __name__ == "__main__":
    unittest.main()
