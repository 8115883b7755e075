#!/usr/bin/env python3
"""Draws the strength ladder and time to depth per commit as PNG files.

    tools/plot_strength.py --ladder doc/strength_ladder.png doc/strength/a.out@7217cda \
        --time-to-depth doc/time_to_depth.png bench/records/time_to_depth.tsv

The ladder reads the summaries that tools/match.py prints ("N games at TC
against NAME", "Quintar: W wins, L losses, D draws", "Elo difference X (95 %
interval LOW to HIGH)") and draws each opponent's Elo difference with its
interval; a bound at infinity (a score of 0 or 1 inside the interval) is
drawn to the edge of the plot with an arrow head.

Time to depth reads records of bench/time_to_depth, one measurement per
line, tab-separated: commit, date, position, depth, nodes, CPU seconds
(lines starting with # are comments).  It draws CPU seconds per commit, in
the order the commits first appear, one line per position at each depth.
Needs Debian's python3-matplotlib (drawn with the Agg backend, no display).
"""

import argparse
import math
import re
import sys

SUMMARY = {
    "games": re.compile(r"^(\d+) games at (\S+) against (.+)$", re.M),
    "score": re.compile(r"^Quintar: (\d+) wins, (\d+) losses, (\d+) draws", re.M),
    "elo": re.compile(r"^Elo difference (\S+) \(95 % interval (\S+) to (\S+)\)", re.M),
}


def number(text):
    """A figure as the runner prints it: +98, -14, -inf or inf."""
    return float(text.replace("+", ""))


def read_summary(text):
    """The match summary in a runner's output, or None if it has none."""
    found = {k: p.findall(text) for k, p in SUMMARY.items()}
    if not all(found.values()):
        return None
    games, tc, opponent = found["games"][-1]
    wins, losses, draws = (int(n) for n in found["score"][-1])
    diff, low, high = (number(n) for n in found["elo"][-1])
    return {"opponent": opponent, "games": int(games), "tc": tc, "wins": wins,
            "losses": losses, "draws": draws, "elo": diff, "low": low, "high": high}


def read_records(text):
    """Time-to-depth records: (commit, date, position, depth, nodes, seconds)."""
    rows = []
    for line in text.splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        commit, date, position, depth, nodes, seconds = line.split("\t")
        rows.append((commit, date, position, int(depth), nodes, float(seconds)))
    return rows


def pyplot():
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    return plt


def draw_ladder(summaries, labels, path, title):
    plt = pyplot()
    fig, ax = plt.subplots(figsize=(8, 0.6 * len(summaries) + 1.6))
    finite = [v for s in summaries for v in (s["low"], s["high"], s["elo"]) if math.isfinite(v)]
    left, right = min(finite + [0]) - 100, max(finite + [0]) + 100
    for y, s in enumerate(summaries):
        low = s["low"] if math.isfinite(s["low"]) else left
        high = s["high"] if math.isfinite(s["high"]) else right
        centre = min(max(s["elo"], left), right)
        ax.errorbar([centre], [y], xerr=[[centre - low], [high - centre]], fmt="o", capsize=4,
                    color="tab:blue")
        for bound, edge, mark in ((s["low"], left, "<"), (s["high"], right, ">")):
            if not math.isfinite(bound):
                ax.plot([edge], [y], marker=mark, color="tab:blue")
        ax.annotate(f"{s['elo']:+.0f}  ({s['wins']}-{s['losses']}-{s['draws']})", (centre, y),
                    textcoords="offset points", xytext=(0, 7), ha="center", fontsize=8)
    ax.axvline(0, color="grey", linewidth=0.8)
    ax.set_yticks(range(len(summaries)))
    ax.set_yticklabels(labels)
    ax.set_ylim(len(summaries) - 0.3, -0.7)  # first summary on top
    ax.set_xlim(left, right)
    ax.set_xlabel("Elo difference of Quintar (95 % interval)")
    ax.set_title(title, fontsize=10)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def draw_time_to_depth(rows, path):
    plt = pyplot()
    commits = list(dict.fromkeys(r[0] for r in rows))
    depths = sorted({r[3] for r in rows})
    fig, axes = plt.subplots(1, len(depths), figsize=(4 * len(depths), 3.6), squeeze=False)
    for ax, depth in zip(axes[0], depths):
        for position in dict.fromkeys(r[2] for r in rows):
            points = {r[0]: r[5] for r in rows if r[2] == position and r[3] == depth}
            xs = [i for i, c in enumerate(commits) if c in points]
            ax.plot(xs, [points[commits[i]] for i in xs], marker="o", label=position)
        ax.set_xticks(range(len(commits)))
        ax.set_xticklabels(commits, rotation=30, fontsize=8)
        ax.set_yscale("log")
        ax.set_title(f"depth {depth}", fontsize=10)
        ax.set_ylabel("CPU seconds")
    axes[0][0].legend(fontsize=7)
    fig.suptitle("quintar --bench: CPU seconds to depth per commit", fontsize=10)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--ladder", nargs="+", metavar=("PNG", "SUMMARY"),
                    help="output PNG, then the runner's outputs, one per row; "
                         "SUMMARY@TAG adds TAG (a commit, say) to the row's label")
    ap.add_argument("--title", default="Strength ladder")
    ap.add_argument("--time-to-depth", nargs=2, metavar=("PNG", "RECORDS"))
    args = ap.parse_args(argv)
    if args.ladder:
        summaries, labels = [], []
        for entry in args.ladder[1:]:
            name, _, tag = entry.partition("@")
            with open(name) as f:
                s = read_summary(f.read())
            if s is None:
                print(f"{name}: no match summary, left out", file=sys.stderr)
                continue
            summaries.append(s)
            labels.append(f"{s['opponent']}\n{s['games']} games, {s['tc']}" + (f", {tag}" if tag else ""))
        if not summaries:
            return 1
        draw_ladder(summaries, labels, args.ladder[0], args.title)
    if args.time_to_depth:
        with open(args.time_to_depth[1]) as f:
            draw_time_to_depth(read_records(f.read()), args.time_to_depth[0])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
