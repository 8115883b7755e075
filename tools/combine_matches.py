#!/usr/bin/env python3
"""Adds up the parts of one match played in several runs of tools/match.py
(for instance games 1 to 100, then 101 to 200 with --first-game 101).

    tools/combine_matches.py PART.out [PART.out ...]

Each PART.out is a summary that tools/match.py printed; PART.pgn beside it
holds that run's games.  Prints the summary of the whole match in the same
form, so tools/plot_strength.py reads it like any other.  Wins, losses,
draws and faults add up, the least clock left is the least of the parts,
and each side's average depth is weighted by the moves that side played
after the opening lines in each part's games.
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import match  # noqa: E402

HEADER = re.compile(r"^(\d+) games at (\S+) against (.+)$")
RESULT = re.compile(r"^Quintar: (\d+) wins, (\d+) losses, (\d+) draws")
SIDE = re.compile(r"^(.+): illegal moves (\d+), crashes (\d+), no answers (\d+), time forfeits"
                  r" (\d+), average depth (\S+), least clock left (\S+) s$")
MOVE = re.compile(r"^[a-h][1-8][a-h][1-8][qrbn]?$")


def read_summary(path):
    """The totals of one summary: games, time control, opponent, results and sides."""
    part = {"sides": {}}
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if m := HEADER.match(line):
                part["games"], part["tc"], part["opponent"] = int(m[1]), m[2], m[3]
            elif m := RESULT.match(line):
                part["wins"], part["losses"], part["draws"] = map(int, m.groups())
            elif m := SIDE.match(line):
                part["sides"][m[1]] = {"illegal": int(m[2]), "crash": int(m[3]),
                                       "no answer": int(m[4]), "forfeit": int(m[5]),
                                       "depth": float(m[6]), "least clock": float(m[7])}
    if "games" not in part or "wins" not in part or not part["sides"]:
        raise SystemExit(f"{path}: no match summary")
    return part


def moves_played(pgn_text):
    """Moves each player made after the opening line, over all games of a PGN."""
    counts = {}
    for game in pgn_text.split('[Event "')[1:]:
        tags = dict(re.findall(r'^\[(\w+) "(.*)"\]$', game, re.M))
        opening = re.search(r"opening ([a-h1-8qrbn ]*)\}", game)
        skip = len(opening[1].split()) if opening else 0
        body = re.sub(r"\{[^}]*\}", " ", game.split("\n\n", 1)[1] if "\n\n" in game else "")
        plies = [w for w in body.split() if MOVE.match(w)]
        for i in range(skip, len(plies)):
            player = tags["White"] if i % 2 == 0 else tags["Black"]
            counts[player] = counts.get(player, 0) + 1
    return counts


def combine(parts):
    """One summary's fields from the parts' summaries and move counts."""
    first = parts[0][0]
    total = {"games": 0, "wins": 0, "losses": 0, "draws": 0, "sides": {}}
    for summary, moves in parts:
        if (summary["tc"], summary["opponent"]) != (first["tc"], first["opponent"]):
            raise SystemExit("the parts are not of one match: "
                             f"{first['tc']} against {first['opponent']}, then"
                             f" {summary['tc']} against {summary['opponent']}")
        for key in ("games", "wins", "losses", "draws"):
            total[key] += summary[key]
        for name, side in summary["sides"].items():
            t = total["sides"].setdefault(name, {"illegal": 0, "crash": 0, "no answer": 0,
                                                 "forfeit": 0, "depth sum": 0.0,
                                                 "depth count": 0, "least clock": float("inf")})
            for key in ("illegal", "crash", "no answer", "forfeit"):
                t[key] += side[key]
            weight = moves.get(name, 0)
            t["depth sum"] += side["depth"] * weight
            t["depth count"] += weight
            t["least clock"] = min(t["least clock"], side["least clock"])
    return first["tc"], first["opponent"], total


def main(argv):
    if not argv:
        raise SystemExit(__doc__.strip().split("\n\n")[1])
    parts = []
    for path in argv:
        with open(os.path.splitext(path)[0] + ".pgn") as f:
            parts.append((read_summary(path), moves_played(f.read())))
    tc, opponent, t = combine(parts)
    match.print_summary(t["games"], tc, opponent, t["wins"], t["losses"], t["draws"], t["sides"])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
