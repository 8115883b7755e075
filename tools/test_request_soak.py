#!/usr/bin/env python3
"""Checks of tools/request_soak.py: it passes the real engine, and a short
soak against a stand-in that wraps the engine and misbehaves in one way
counts exactly that fault and exits with status 1.  The engine is
$QUINTAR_ENGINE, else build-test/quintar or build/quintar."""

import os
import re
import stat
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import request_soak  # noqa: E402


def engine_path():
    for path in [os.environ.get("QUINTAR_ENGINE", ""),
                 os.path.join(HERE, "..", "build-test", "quintar"),
                 os.path.join(HERE, "..", "build", "quintar")]:
        if path and os.access(path, os.X_OK):
            return os.path.abspath(path)
    raise unittest.SkipTest("no engine built")


# Runs the real engine on the request and then spoils the outcome as MODE
# says.  Untimed requests (the soak's reference runs) are left alone by
# "score", so that the timed answer differs from the reference.
STAND_IN = r'''#!/usr/bin/env python3
import os, subprocess, sys, time
MODE, ENGINE = "%s", "%s"
path = sys.argv[2]
response = path + ".response"
timed = open(path).read().split("\n")[2].split()[0] != "300000"
if MODE == "deaf":  # searches a copy, so never sees the cancel file, then dawdles
    os.link(path, path + ".copy")
    status = subprocess.run([ENGINE, "--request", path + ".copy"]).returncode
    os.remove(path + ".copy")
    time.sleep(1.5)  # longer than the soak's CANCEL_GRACE
    os.rename(path + ".copy.response", response)
else:
    status = subprocess.run([ENGINE, "--request", path]).returncode
if os.path.exists(response):
    lines = open(response).read().split("\n")
    if MODE == "in place":
        data = "\n".join(lines).encode()
        os.remove(response)
        with open(response, "wb") as f:
            half = len(data) // 2
            f.write(data[:half]); f.flush(); time.sleep(0.05); f.write(data[half:])
        lines = None
    elif MODE == "temporary left":
        open(response + ".tmp", "w").close()
    elif MODE == "score" and timed and lines[1] == "OK":
        lines[3] = str(int(lines[3]) + 1)
    elif MODE == "illegal" and lines[1] == "OK":
        lines[2] = "a1a1"
    elif MODE == "dropped":
        os.remove(response)
        lines = None
    if lines:
        open(response + ".x", "w").write("\n".join(lines)); os.rename(response + ".x", response)
sys.exit(status)
'''


def run_soak(engine):
    out = subprocess.run([sys.executable, os.path.join(HERE, "request_soak.py"),
                          "--engine", engine, "--requests", "6", "--seed", "3",
                          "--max-ms", "200", "--jobs", "2"],
                         capture_output=True, text=True, timeout=120)
    return out.returncode, out.stdout + out.stderr


def fault_counts(out):
    """The counts of the soak's "faults:" line."""
    line = re.search(r"^faults: (.*)$", out, re.M).group(1)
    return {k: int(v) for k, v in (item.rsplit(" ", 1) for item in line.split(", "))}


class Checks(unittest.TestCase):
    def test_response_wholeness(self):
        ok = ("t\nOK\ne2e4\n-12\n3\n1200\n15\n0\n20\n"
              + "1 6 6 4 4 1\n" + "0 0 0 0 0 0\n" * 11).encode()
        self.assertIsNotNone(request_soak.parse_response(ok, "t"))
        for cut in (1, 10, len(ok) // 2, len(ok) - 1):
            self.assertIsNone(request_soak.parse_response(ok[:cut], "t"), cut)
        self.assertIsNone(request_soak.parse_response(ok, "u"))  # another request's token
        error = b"t\nERROR\nKeine gueltige Stellung oder kein legaler Zug\n"
        self.assertIsNotNone(request_soak.parse_response(error, "t"))
        self.assertIsNone(request_soak.parse_response(error[:-1], "t"))

    def test_positions_file_lines(self):
        cases = [("e2e4 e7e5", ["e2e4", "e7e5"], None),
                 ("position startpos moves d2d4", ["d2d4"], None),
                 ("startpos", [], None),
                 ("8/8/8/8/8/8/8/K6k w - - 0 1", [], "8/8/8/8/8/8/8/K6k w - - 0 1"),
                 ("position fen 8/8/8/8/8/8/8/K6k b - -", [], "8/8/8/8/8/8/8/K6k b - -")]
        for line, moves, fen in cases:
            p = request_soak.parse_position(line)
            self.assertEqual((p.moves, p.fen), (moves, fen), line)

    def test_pgn_of_the_match_runner(self):
        pgn = ('[Event "Quintar match"]\n[Result "0-1"]\n\n{Moves in coordinate notation (from'
               ' and to square, promotion piece), not SAN; opening f2f3 e7e5}\n1. f2f3 e7e5 2.'
               ' g2g4 d8h4 {checkmate} 0-1\n\n[Event "Quintar match"]\n\n1. e2e4 e7e5 *\n')
        with tempfile.NamedTemporaryFile("w", suffix=".pgn", delete=False) as f:
            f.write(pgn)
        self.addCleanup(os.remove, f.name)
        self.assertEqual(request_soak.read_pgn_games(f.name), [["f2f3", "e7e5", "g2g4", "d8h4"], ["e2e4", "e7e5"]])

    def test_the_engine_passes_and_each_planted_fault_is_counted(self):
        engine = engine_path()
        for mode, kind in [(None, None), ("in place", "partial"), ("temporary left", "leftover"),
                           ("score", "mismatch"), ("illegal", "illegal"),
                           ("dropped", "lost answer"), ("deaf", "protocol")]:
            with tempfile.TemporaryDirectory() as tmp:
                stand_in = os.path.join(tmp, "engine")
                with open(stand_in, "w") as f:
                    f.write(STAND_IN % (mode, engine))
                os.chmod(stand_in, os.stat(stand_in).st_mode | stat.S_IXUSR)
                status, out = run_soak(stand_in if mode else engine)
            self.assertEqual(status, 1 if mode else 0, out)
            counts = fault_counts(out)
            if mode:
                self.assertGreater(counts.get(kind, 0), 0, f"{mode}: {out}")
            self.assertEqual({k: v for k, v in counts.items() if v and k != kind}, {}, f"{mode}: {out}")


if __name__ == "__main__":
    unittest.main()
