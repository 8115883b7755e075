#!/usr/bin/env python3
"""Writes balanced random opening lines for tools/match.py.

    tools/make_openings.py --lines 100 --plies 8 --seed 1 > tools/openings-100.txt

Each line is PLIES moves from the start position, each drawn at random
from the --choices best moves Debian's stockfish names at depth 8 (MultiPV),
so the lines look like openings people play; a line is kept when
stockfish's own score after `go depth DEPTH` lies within --window
centipawns and no earlier line reached the same position.  A match of 2 x LINES games then plays every line
once with each colour and no line twice.
"""

import argparse
import random
import subprocess
import sys

STOCKFISH = "/usr/games/stockfish"


class Stockfish:
    def __init__(self):
        self.p = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.send("uci")
        self.until("uciok")

    def send(self, line):
        self.p.stdin.write(line + "\n")

    def until(self, prefix):
        lines = []
        for line in self.p.stdout:
            line = line.strip()
            lines.append(line)
            if line.startswith(prefix):
                return lines
        raise RuntimeError("stockfish ended")

    def good_moves(self, moves, count):
        self.send(f"setoption name MultiPV value {count}")
        self.send("position startpos moves " + " ".join(moves))
        self.send("go depth 8")
        best = {}
        for line in self.until("bestmove"):
            words = line.split()
            if " multipv " in line and " pv " in line:
                best[int(words[words.index("multipv") + 1])] = words[words.index("pv") + 1]
        self.send("setoption name MultiPV value 1")
        return [best[k] for k in sorted(best)]

    def fen(self, moves):
        self.send("position startpos moves " + " ".join(moves))
        self.send("d")
        return next(l for l in self.until("Checkers") if l.startswith("Fen:")).split()[1:5]

    def score(self, moves, depth):
        self.send("position startpos moves " + " ".join(moves))
        self.send(f"go depth {depth}")
        info = [l for l in self.until("bestmove") if " score " in l]
        words = info[-1].split()
        kind, value = words[words.index("score") + 1:words.index("score") + 3]
        return int(value) if kind == "cp" else 100000


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--lines", type=int, default=100)
    ap.add_argument("--plies", type=int, default=6)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--depth", type=int, default=12)
    ap.add_argument("--choices", type=int, default=5, help="best moves to draw each ply from")
    ap.add_argument("--window", type=int, default=60, help="largest |score| kept, centipawns")
    args = ap.parse_args(argv)
    rng = random.Random(args.seed)
    sf = Stockfish()
    seen = set()
    print(f"# {args.lines} opening lines of {args.plies} plies drawn from stockfish's "
          f"{args.choices} best moves, score at depth {args.depth} within {args.window} cp")
    print(f"# (tools/make_openings.py --seed {args.seed}).")
    print("# tools/match.py plays each line twice, swapping colours.")
    found = 0
    while found < args.lines:
        moves = []
        for _ in range(args.plies):
            good = sf.good_moves(moves, args.choices)
            if not good:
                break
            moves.append(rng.choice(good))
        if len(moves) < args.plies:
            continue
        position = " ".join(sf.fen(moves))
        if position in seen or abs(sf.score(moves, args.depth)) > args.window:
            continue
        seen.add(position)
        found += 1
        print(" ".join(moves))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
