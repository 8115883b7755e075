#!/usr/bin/env python3
"""Checks of tools/epd_suite.py: its move generator against published perft
counts, its SAN on the cases that need care, EPD parsing and the verdicts;
a stand-in plays the engine."""

import contextlib
import io
import os
import stat
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import epd_suite  # noqa: E402
from epd_suite import Position  # noqa: E402


def perft(position, depth):
    if depth == 0:
        return 1
    return sum(perft(position.play(m), depth - 1) for m in position.legal_moves())


# A UCI engine whose first run never answers "go"; later runs castle short.
STAND_IN = r'''#!/usr/bin/env python3
import os, sys
first = not os.path.exists("%s")
open("%s", "a").close()
for line in sys.stdin:
    word = (line.split() or [""])[0]
    if word in ("uci", "isready"):
        print("uciok" if word == "uci" else "readyok", flush=True)
    elif word == "quit":
        break
    elif word == "go" and not first:
        print("info depth 1"); print("bestmove e1g1", flush=True)
'''


class Rules(unittest.TestCase):
    def test_perft_counts(self):
        # Published counts: the start position, "Kiwipete" (castling, pins,
        # en passant, promotions) and the rook-and-pawn ending with checks
        # and en passant discoveries.
        for fen, depth, nodes in [
                ("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 2, 400),
                ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 2039),
                ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3, 2812),
                ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 2, 264)]:
            self.assertEqual(perft(Position.from_fen(fen), depth), nodes, fen)

    def test_castling_rules(self):
        # (position, whether e1g1 / e1c1 is legal)
        for fen, short, long in [
                ("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", True, True),
                ("4k3/8/8/8/8/8/8/R3K2R w - - 0 1", False, False),
                ("4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", False, True),   # f1 attacked
                ("4k3/8/8/8/8/8/3r4/R3K2R w KQ - 0 1", True, False),   # d1 attacked
                ("4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1", False, False),  # in check
                ("4k3/8/8/8/8/8/1r6/R3K2R w KQ - 0 1", True, True),    # only b1 attacked
                ("4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", True, False)]:   # b1 occupied
            legal = {m.uci() for m in Position.from_fen(fen).legal_moves()}
            self.assertEqual(("e1g1" in legal, "e1c1" in legal), (short, long), fen)

    def test_san_of_moves(self):
        for fen, moves in [
                # pawn moves and captures, en passant
                ("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {"e2e4": "e4"}),
                ("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", {"e5d6": "exd6"}),
                ("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", {"e4d3": "exd3"}),
                # castling, with check
                ("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {"e1g1": "O-O", "e1c1": "O-O-O"}),
                ("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", {"e8c8": "O-O-O"}),
                ("5k2/8/8/8/8/8/8/4K2R w K - 0 1", {"e1g1": "O-O+"}),
                # promotion, under-promotion, capturing promotion, with check
                ("8/P7/8/8/8/8/8/k6K w - - 0 1", {"a7a8q": "a8=Q+", "a7a8n": "a8=N"}),
                ("1r5k/P7/8/8/8/8/8/7K w - - 0 1", {"a7b8q": "axb8=Q+"}),
                ("7k/8/8/8/8/8/p7/1N5K b - - 0 1", {"a2b1r": "axb1=R+"}),
                # disambiguation by file, by rank, by both, and none needed
                ("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1",
                 {"b1d2": "Nbd2", "f3d2": "Nfd2", "f3g5": "Ng5"}),
                ("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", {"a1a3": "R1a3", "a5a3": "R5a3"}),
                ("8/7k/8/8/8/Q7/8/Q1Q4K w - - 0 1",
                 {"a1b2": "Qa1b2", "c1b2": "Qcb2", "a3b2": "Q3b2"}),
                # a pinned rival needs no disambiguation
                ("4k3/8/8/8/1b6/2N5/8/4K1N1 w - - 0 1", {"g1e2": "Ne2"}),
                # captures, check and mate
                ("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2",
                 {"e4d5": "exd5", "f1b5": "Bb5+"}),
                ("rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", {"d8h4": "Qh4#"}),
                ("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", {"a1a8": "Ra8#", "a1a7": "Ra7"}),
                ("2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", {"g3g6": "Qg6"})]:
            position = Position.from_fen(fen)
            legal = {m.uci(): m for m in position.legal_moves()}
            for uci, san in moves.items():
                self.assertEqual(position.san(legal[uci]), san, (fen, uci))

    def test_plain_san_drops_the_marks_suites_disagree_on(self):
        for written, plain in [("Qg6+", "Qg6"), ("Qh4#", "Qh4"), ("0-0-0", "O-O-O"),
                               ("e8=Q", "e8Q"), ("Nf3!?", "Nf3"), ("exd6ep", "exd6")]:
            self.assertEqual(epd_suite.plain_san(written), plain)

    def test_parse_epd(self):
        fen, ops = epd_suite.parse_epd(
            '2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - bm Qg6 Qh3; id "WAC 001";\r\n')
        self.assertEqual(fen, "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1")
        self.assertEqual(ops, {"bm": ["Qg6", "Qh3"], "id": ["WAC 001"]})
        self.assertIsNone(epd_suite.parse_epd("\n"))

    def test_judge(self):
        fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"
        cases = [({"bm": ["O-O"]}, "e1g1", ("O-O", True)),
                 ({"bm": ["0-0"]}, "e1g1", ("O-O", True)),
                 ({"bm": ["O-O-O", "Rb1"]}, "e1g1", ("O-O", False)),
                 ({"am": ["O-O"]}, "e1g1", ("O-O", False)),
                 ({"am": ["O-O"]}, "e1c1", ("O-O-O", True)),
                 ({"bm": ["Rxa8+"]}, "a1a8", ("Rxa8+", True)),
                 ({"bm": ["O-O"]}, "e1e3", ("e1e3(illegal)", False))]
        for ops, uci, expected in cases:
            self.assertEqual(epd_suite.judge(Position.from_fen(fen), uci, ops), expected, (ops, uci))

    def test_xboard_setup_hands_the_move_to_black(self):
        self.assertEqual(epd_suite.xboard_setup("4k3/8/8/8/8/8/8/4K2R b K - 0 1"),
                         ["new", "force", "a2a3", "edit", "#", "Ke1", "Rh1", "c", "Ke8", "."])
        self.assertEqual(epd_suite.xboard_setup("4k3/8/8/8/8/8/8/4K3 w - - 0 1")[:3], ["new", "force", "edit"])

    def test_xboard_time(self):
        for seconds, commands in [(1, ["st 1"]), (5, ["st 5"]),
                                  (0.1, ["level 1 1 0", "time 10", "otim 10"]),
                                  (1.5, ["level 1 1 0", "time 150", "otim 150"])]:
            self.assertEqual(epd_suite.xboard_time(seconds), commands)

    def test_every_suite_move_is_legal_in_its_position(self):
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "doc", "suites", "wac.epd")) as f:
            lines = [epd_suite.parse_epd(line) for line in f]
        for fen, ops in filter(None, lines):
            position = Position.from_fen(fen)
            sans = {epd_suite.plain_san(position.san(m)) for m in position.legal_moves()}
            for written in ops.get("bm", []) + ops.get("am", []):
                self.assertIn(epd_suite.plain_san(written), sans, (ops.get("id"), written))

    def test_a_silent_engine_misses_the_position_and_is_started_afresh(self):
        with tempfile.TemporaryDirectory() as tmp:
            engine, mark, epd = (os.path.join(tmp, n) for n in ("engine", "started", "suite.epd"))
            with open(engine, "w") as f:
                f.write(STAND_IN % (mark, mark))
            os.chmod(engine, os.stat(engine).st_mode | stat.S_IXUSR)
            with open(epd, "w") as f:
                for name in ("one", "two"):
                    f.write(f'r3k2r/8/8/8/8/8/8/R3K2R w KQkq - bm O-O; id "{name}";\n')
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                status = epd_suite.main([epd, "--engine", engine, "--time", "0.05"])
        lines = out.getvalue().splitlines()
        self.assertEqual(status, 1)
        self.assertEqual([lines[0][:27], lines[1][:21], lines[2]],
                         ["one        missed no answer", "two        solved O-O", "solved 1 of 2"], lines)
        self.assertIn("1 faults", lines[3])


if __name__ == "__main__":
    unittest.main()
