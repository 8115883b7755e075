#!/usr/bin/env python3
"""Soak test of the request-file mode (`quintar --request PATH`).

    tools/request_soak.py [--requests 5000] [--jobs 2] [--seed 1]
        [--engine build/quintar] [--pgn games.pgn | --positions FILE]

Writes many requests with random depths (1 to 6), thinking times (50 to
2,000 ms), evaluation-cache sizes (0, 512, 1024 KB), cache and learning
switches and preference lines, and runs one engine process per request,
--jobs of them at a time.  A fifth of the requests are cancelled through the
cancel file: before the engine starts, while it searches, or just as its
time runs out.

While the soak runs a watcher thread keeps reading every response path and
checks each response it sees is whole: a response must only ever appear by
rename.  After each run the soak checks what the engine left behind: a
cancel it honoured withdraws the request and the cancel file and publishes
nothing; an answer leaves the request (and a late cancel file) to the host
and no temporary file.  Every published move must be legal (stockfish lists
the legal moves with `go perft 1`), and must equal the answer of the same
request run alone without a time limit at the depth the timed search
reached: move, score, depth, learning code, legal-move count and principal
variation; the node count too when the search ended on its depth (or on a
decisive score) rather than on its time.

Positions: every position of the games in a PGN written by tools/match.py
(--pgn, repeatable), or a file with one position a line (--positions): a
move list from the start position, optionally behind "startpos moves", or a
FEN.  The protocol has no FEN form, so a FEN line is sent as
"position fen ..." and must be answered with the ERROR response.  Without
either: the lines of tools/openings.txt, a few fixed lines (a mate, a FEN)
and random legal walks from the openings.

Prints the counts at the end and exits 1 on any fault.  Standard library
only; needs /usr/games/stockfish as referee.
"""

import argparse
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from match import Referee, read_openings  # noqa: E402

HEADER = "QUINTAR_C_REQUEST_1"
NO_MOVE = "Keine gueltige Stellung oder kein legaler Zug"
MOMENTS = ("before", "during", "end")
MOVE = re.compile(r"^[a-h][1-8][a-h][1-8][qrbn]?$")
NUMBER = re.compile(r"^-?\d+(\.\d+)?(e[+-]\d+)?$")
PV_LINE = re.compile(r"^-?\d+( -?\d+){5}$")
DECISIVE = 800000
UNLIMITED_MS = 300000
# Seconds a search of each depth takes, until the soak has measured it.
FIRST_GUESS = {1: 0.01, 2: 0.02, 3: 0.05, 4: 0.2, 5: 1.0, 6: 5.0}
START_UP = 0.005  # seconds from starting the engine to the start of its search
# Seconds an engine may go on after the cancel file appears: it looks every
# 10 ms, so only a hang or a deaf engine needs more, but a busy machine may
# leave an engine that has just finished its search, or this script, waiting
# for a core for a good part of a second.
CANCEL_GRACE = 1.0
BEFORE_LIMIT_MS = 50  # the longest search that may miss a cancel made before it

# Fixed lines besides the openings: fool's mate (White to move is mated, so
# the answer is the ERROR response), a pawn that promotes by capturing, a FEN.
FIXED_LINES = [
    "f2f3 e7e5 g2g4 d8h4",
    "e2e4 d7d5 e4d5 g8f6 c2c4 c7c6 d5c6 e7e5 c6b7 f8c5",
    "8/8/8/8/8/8/8/K6k w - - 0 1",
]


class Position:
    """A position: moves from the start position, or a FEN the protocol
    cannot carry."""

    def __init__(self, moves=None, fen=None):
        self.moves, self.fen = moves or [], fen

    def line(self):
        if self.fen:
            return "position fen " + self.fen
        return "position startpos" + (" moves " + " ".join(self.moves) if self.moves else "")


def parse_position(text):
    """A position from a line of a positions file: a FEN, or moves from the
    start position, optionally behind "position startpos moves"."""
    text = text.split("#")[0].strip()
    if "/" in text:
        return Position(fen=text[len("position fen"):].strip() if text.startswith("position")
                        else text)
    words = text.split()
    while words and words[0] in ("position", "startpos", "moves"):
        words.pop(0)
    return Position(moves=words)


def read_positions(path):
    with open(path) as f:
        return [parse_position(line) for line in f if line.split("#")[0].strip()]


def read_pgn_games(path):
    """The move lists of the games in a PGN of tools/match.py (coordinate
    moves, move numbers, comments in braces)."""
    games, body = [], []
    with open(path) as f:
        for line in f.read().splitlines() + ["[End]"]:
            if line.startswith("["):
                if body:
                    text = re.sub(r"\{[^}]*\}", " ", " ".join(body))
                    games.append([w for w in text.split() if MOVE.match(w)])
                    body = []
            else:
                body.append(line)
    return [g for g in games if g]


class SharedReferee(Referee):
    """The match referee, shared by the worker threads."""

    def __init__(self):
        super().__init__()
        self.lock = threading.Lock()

    def legal(self, moves):
        with self.lock:
            return sorted(self.legal_moves(moves))


class Source:
    """Chooses the position of each request."""

    def __init__(self, args, referee):
        self.referee = referee
        self.games, self.fixed, self.walks = [], [], False
        for path in args.pgn or []:
            self.games += read_pgn_games(path)
        if args.positions:
            self.fixed = read_positions(args.positions)
        if not self.games and not self.fixed:
            self.fixed = [Position(moves=m) for m in read_openings(args.openings)]
            self.fixed += [parse_position(line) for line in FIXED_LINES]
            self.walks = True
        if not self.games and not self.fixed:
            raise SystemExit("no positions")

    def describe(self):
        if self.games:
            return f"{len(self.games)} games ({sum(len(g) + 1 for g in self.games)} positions)"
        return f"{len(self.fixed)} lines" + (" and random legal walks" if self.walks else "")

    def pick(self, rng):
        if self.games:
            game = rng.choice(self.games)
            return Position(moves=game[:rng.randint(0, len(game))])
        position = rng.choice(self.fixed)
        if self.walks and not position.fen and rng.random() < 0.5:
            moves = list(position.moves)
            for _ in range(rng.randint(1, 80)):
                legal = self.referee.legal(moves)
                if not legal:
                    break
                moves.append(rng.choice(legal))
            return Position(moves=moves)
        return position


class Request:
    """One request: its parameters, file content and paths."""

    def __init__(self, index, rng, position, legal, args):
        self.index, self.position, self.legal = index, position, legal
        self.token = f"soak {index} " + "".join(
            rng.choice("abcXYZ019 -_.:/#$%") for _ in range(rng.randint(0, 100)))
        self.ms = rng.randint(args.min_ms, args.max_ms) + rng.choice([0, 0, 0, 0.5])
        self.depth = rng.randint(1, 6)
        self.hash = rng.choice([0, 512, 1024])
        # Switches: 0 is off, any other value on; learning is on only at 1.
        self.move_cache = rng.choice([0, 1, 1, 2, -1])
        self.pawn_cache = rng.choice([0, 1, 1, 3])
        self.learning = rng.choice([0, 1])
        self.endok = rng.choice([0, 1])
        self.prefs = preference_lines(rng, legal)
        # Exactly the cancel share of the requests, spread evenly.
        cancelled = int((index + 1) * args.cancel_share) > int(index * args.cancel_share)
        self.moment = rng.choice(MOMENTS) if cancelled else None
        # Where in the search the cancel falls: a share of its expected
        # length ("during"), or a few milliseconds around its end ("end").
        self.cancel_point = rng.uniform(0.05, 0.9)
        self.cancel_jitter = rng.uniform(-0.025, 0.01)

    def content(self, ms=None, depth=None):
        ms = self.ms if ms is None else ms
        depth = self.depth if depth is None else depth
        params = (f"{ms:g} {depth} {self.hash} {self.move_cache} {self.pawn_cache}"
                  f" {self.learning} {self.endok}")
        return "\n".join([HEADER, self.token, params, self.position.line()] + self.prefs) + "\n"


def preference_lines(rng, legal):
    """Up to six preferences for legal moves, in both move texts the engine
    compares (e2e4 and the five numbers 46440), and now and then a line
    with two fields, which the engine skips."""
    lines = []
    for _ in range(rng.randint(0, 6) if legal else 0):
        move = rng.choice(legal)
        if rng.random() < 0.5:
            fx, fy = ord(move[0]) - 97, 8 - int(move[1])
            tx, ty = ord(move[2]) - 97, 8 - int(move[3])
            move = f"{fx}{fy}{tx}{ty}{5 if len(move) == 5 else 0}"
        lines.append(f"{move} {rng.randint(-40, 40)} {rng.randint(0, 20)}")
    if rng.random() < 0.1:
        lines.append("e2e4 5")
    return lines


def parse_response(data, token):
    """The lines of a whole response, or None if it is not one."""
    text = data.decode("latin-1")
    if not text.endswith("\n"):
        return None
    lines = text[:-1].split("\n")
    if len(lines) < 2 or lines[0] != token:
        return None
    if lines[1] == "ERROR":
        return lines if len(lines) == 3 else None
    if lines[1] != "OK" or len(lines) != 21 or not MOVE.match(lines[2]):
        return None
    if not all(NUMBER.match(x) for x in lines[3:9]):
        return None
    return lines if all(PV_LINE.match(x) for x in lines[9:]) else None


class Watcher(threading.Thread):
    """Keeps reading the response path of every running request and checks
    that each response it sees is whole."""

    def __init__(self):
        super().__init__(daemon=True)
        self.lock = threading.Lock()
        self.paths = {}
        self.looks = self.sightings = 0
        self.partial = []
        self.done = threading.Event()

    def watch(self, path, token):
        with self.lock:
            self.paths[path] = token

    def forget(self, path):
        with self.lock:
            self.paths.pop(path, None)

    def run(self):
        while not self.done.is_set():
            with self.lock:
                paths = list(self.paths.items())
            for path, token in paths:
                self.looks += 1
                try:
                    with open(path, "rb") as f:
                        data = f.read()
                except OSError:
                    continue
                self.sightings += 1
                if parse_response(data, token) is None:
                    self.partial.append(f"{path}: {data[:200]!r}")
            time.sleep(0.001)


class Soak:
    def __init__(self, args):
        self.args = args
        self.dir = tempfile.mkdtemp(prefix="request-soak-")
        self.referee = SharedReferee()
        self.source = Source(args, self.referee)
        self.watcher = Watcher()
        self.lock = threading.Lock()
        self.counts = {}
        self.faults = []
        self.references = {}
        self.overruns = []
        self.lengths = {}  # depth -> seconds of searches that ended on that depth

    def cancel_delay(self, request):
        """Seconds after the start at which the cancel file is made."""
        with self.lock:
            known = sorted(self.lengths.get(request.depth, []))
        # The lower quartile: search lengths spread widely between positions,
        # and a cancel aimed past the end of the search tests nothing.
        length = known[len(known) // 4] if known else FIRST_GUESS[request.depth]
        length = min(length, request.ms / 1000) + START_UP
        if request.moment == "during":
            return request.cancel_point * length
        return max(0.0, length + request.cancel_jitter)

    def count(self, key, n=1):
        with self.lock:
            self.counts[key] = self.counts.get(key, 0) + n

    def fault(self, kind, request, detail, content=None):
        self.count(kind)
        with self.lock:
            self.faults.append(f"{kind}: request {request.index}: {detail}\n"
                               + (content or request.content()))

    def run_engine(self, path, content, ms, request=None):
        """Writes the request, runs the engine (creating the cancel file at
        the request's moment) and returns (status, stderr, seconds the
        engine ran while the cancel file existed: None when it had ended
        before the file was made)."""
        with open(path, "w") as f:
            f.write(content)
        cancel = path + ".cancel"
        moment = request.moment if request else None
        if moment == "before":
            open(cancel, "w").close()
        start = time.monotonic()
        proc = subprocess.Popen([self.args.engine, "--request", path],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        made = start
        if moment in ("during", "end"):
            delay = self.cancel_delay(request) - (time.monotonic() - start)
            if delay > 0:
                try:
                    proc.wait(timeout=delay)
                except subprocess.TimeoutExpired:
                    pass
            made = time.monotonic() if proc.poll() is None else None
            open(cancel, "w").close()
        limit = self.args.hang_seconds + ms / 1000
        try:
            _, err = proc.communicate(timeout=limit)
        except subprocess.TimeoutExpired:
            proc.kill()
            _, err = proc.communicate()
            err += f" (killed after {limit:g} s)".encode()
        age = time.monotonic() - made if moment and made is not None else None
        return proc.returncode, err.decode("latin-1"), age

    def leftovers(self, path):
        """Files of this request the engine left that it should not have."""
        return [p for p in (path + ".response.tmp", path + ".error.txt") if os.path.exists(p)]

    def clean(self, path):
        for suffix in ("", ".response", ".cancel"):
            if os.path.exists(path + suffix):
                os.remove(path + suffix)

    def handle(self, index):
        rng = random.Random(self.args.seed * 1000003 + index)
        position = self.source.pick(rng)
        legal = [] if position.fen else self.referee.legal(position.moves)
        request = Request(index, rng, position, legal, self.args)
        path = os.path.join(self.dir, f"req{index:05d}")
        self.watcher.watch(path + ".response", request.token)
        status, err, age = self.run_engine(path, request.content(), request.ms, request)
        try:
            with open(path + ".response", "rb") as f:
                data = f.read()
        except OSError:
            data = None
        self.watcher.forget(path + ".response")
        left = self.leftovers(path)
        if left:
            self.fault("leftover", request, " ".join(left))
        if status != 0 or err:
            self.fault("exit", request, f"status {status}, stderr {err!r}")
        if request.moment:
            self.count(f"cancel {request.moment}")
        if data is None:
            self.check_withdrawn(request, path)
        else:
            self.check_answer(request, path, data, age)
        self.clean(path)

    def check_withdrawn(self, request, path):
        """No response: only a cancel may explain it, and then the request
        and the cancel file must be gone."""
        if not request.moment:
            self.fault("lost answer", request, "no response and no cancel")
            return
        self.count(f"cancel {request.moment} withdrawn")
        for name in (path, path + ".cancel"):
            if os.path.exists(name):
                self.fault("leftover", request, f"{os.path.basename(name)} after a cancel")

    def check_answer(self, request, path, data, cancel_age):
        lines = parse_response(data, request.token)
        self.count("published")
        if request.moment:
            late = "answered while running" if cancel_age is not None else \
                "answered before the cancel"
            self.count(f"cancel {request.moment} {late}")
            # The engine looks for the cancel file every 10 ms of its search
            # (first 10 ms after its start); CANCEL_GRACE leaves room for a
            # loaded machine.
            if cancel_age is not None and cancel_age > CANCEL_GRACE:
                self.fault("protocol", request,
                           f"answered {cancel_age * 1000:.0f} ms after the cancel file was made")
            if not os.path.exists(path + ".cancel"):
                self.fault("protocol", request, "cancel file removed although answered")
        if not os.path.exists(path):
            self.fault("protocol", request, "request removed although answered")
        if lines is None:
            self.fault("malformed", request, repr(data[:300]))
            return
        if lines[1] == "ERROR":
            self.count("published ERROR")
            if lines[2] != NO_MOVE or (request.legal and not request.position.fen):
                self.fault("illegal", request, f"ERROR response {lines[2]!r} with legal moves")
            return
        if request.position.fen:
            self.fault("illegal", request, "a FEN position was answered")
            return
        if lines[2] not in request.legal:
            self.fault("illegal", request, f"move {lines[2]} not in {' '.join(request.legal)}")
            return
        # The engine counts a promotion once (it always takes a queen).
        squares = len({m[:4] for m in request.legal})
        if int(lines[8]) != squares:
            self.fault("mismatch", request, f"{lines[8]} legal moves, stockfish {squares}")
        searched_ms, reached = float(lines[6]), int(lines[4])
        # A cancel file made before the start is there at the engine's first
        # look, 10 ms after its start: only a shorter search may miss it.
        if request.moment == "before" and searched_ms >= BEFORE_LIMIT_MS:
            self.fault("protocol", request, f"cancel made before the start unseen in a search"
                       f" of {searched_ms:.0f} ms")
        by_time = reached < request.depth and abs(float(lines[3])) < DECISIVE
        with self.lock:
            if by_time:
                self.overruns.append(searched_ms - request.ms)
            elif reached == request.depth:
                self.lengths.setdefault(reached, []).append(searched_ms / 1000)
        if reached < 1:
            self.count("no depth finished")
            return
        self.compare(request, lines, reached, by_time)

    def reference(self, request, depth):
        """The response to the same request without a time limit at `depth`."""
        content = request.content(ms=UNLIMITED_MS, depth=depth)
        with self.lock:
            if content in self.references:
                return content, self.references[content]
        path = os.path.join(self.dir, f"ref{request.index:05d}")
        self.watcher.watch(path + ".response", request.token)
        status, err, _ = self.run_engine(path, content, UNLIMITED_MS)
        try:
            with open(path + ".response", "rb") as f:
                lines = parse_response(f.read(), request.token)
        except OSError:
            lines = None
        self.watcher.forget(path + ".response")
        self.clean(path)
        if status != 0 or err or lines is None:
            self.fault("reference", request, f"status {status}, stderr {err!r}", content)
            lines = None
        with self.lock:
            self.references[content] = lines
        return content, lines

    def compare(self, request, lines, reached, by_time):
        content, ref = self.reference(request, reached)
        if ref is None:
            return
        self.count("compared")
        fields = [2, 3, 4, 7, 8] + list(range(9, 21))
        if not by_time:
            fields.append(5)
            self.count("compared with nodes")
        names = {2: "move", 3: "score", 4: "depth", 5: "nodes", 7: "learning", 8: "legal"}
        diffs = [f"{names.get(i, f'pv line {i + 1}')} {lines[i]!r} != {ref[i]!r}"
                 for i in fields if lines[i] != ref[i]]
        if diffs:
            self.fault("mismatch", request, "; ".join(diffs) + " (timed request below,"
                       " then the untimed one)\n" + request.content(), content)

    def run(self):
        start = time.monotonic()
        self.watcher.start()
        try:
            with concurrent.futures.ThreadPoolExecutor(max_workers=self.args.jobs) as pool:
                for future in [pool.submit(self.handle, i) for i in range(self.args.requests)]:
                    future.result()
        finally:
            self.watcher.done.set()
            self.watcher.join()
            self.referee.close()
        self.seconds = time.monotonic() - start
        left = os.listdir(self.dir)
        if left:
            self.count("leftover", len(left))
            self.faults.append("files left in the soak folder: " + " ".join(sorted(left)[:20]))
        shutil.rmtree(self.dir, ignore_errors=True)
        return self.report()

    def report(self):
        c, w = self.counts, self.watcher
        partial = len(w.partial)
        for text in w.partial[:10]:
            print(f"partial response seen: {text}")
        for text in self.faults[:20]:
            print(text)
        a = self.args
        print(f"\nrequests {a.requests} (seed {a.seed}, {a.jobs} jobs, positions from"
              f" {self.source.describe()})")
        for m in MOMENTS:
            outcomes = [(k, c.get(f"cancel {m} {k}", 0)) for k in
                        ("withdrawn", "answered while running", "answered before the cancel")]
            print(f"cancelled {m}: {c.get('cancel ' + m, 0)}: "
                  + ", ".join(f"{k} {n}" for k, n in outcomes))
        print(f"published {c.get('published', 0)} (ERROR {c.get('published ERROR', 0)});"
              f" compared with an untimed run {c.get('compared', 0)}"
              f" (nodes too {c.get('compared with nodes', 0)}); no depth finished"
              f" {c.get('no depth finished', 0)}")
        print(f"watcher: {w.looks} looks, {w.sightings} responses seen")
        kinds = ("leftover", "illegal", "mismatch", "lost answer", "malformed", "protocol",
                 "exit", "reference")
        print(f"faults: partial {partial}, " + ", ".join(f"{k} {c.get(k, 0)}" for k in kinds))
        if self.overruns:
            over = sorted(self.overruns)
            print(f"timing: {len(over)} searches ended on time, beyond their budget by median"
                  f" {over[len(over) // 2]:.0f} ms, at most {over[-1]:.0f} ms;"
                  f" soak {self.seconds:.1f} s")
        else:
            print(f"timing: soak {self.seconds:.1f} s")
        faults = partial + sum(c.get(k, 0) for k in kinds)
        print("FAIL" if faults else "OK")
        return 1 if faults else 0


def parse_args(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--engine", default=os.path.join(HERE, "..", "build", "quintar"))
    ap.add_argument("--requests", type=int, default=5000)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--pgn", action="append", help="games of tools/match.py (repeatable)")
    ap.add_argument("--positions", help="file: a move list or a FEN a line")
    ap.add_argument("--openings", default=os.path.join(HERE, "openings.txt"))
    ap.add_argument("--min-ms", type=int, default=50)
    ap.add_argument("--max-ms", type=int, default=2000)
    ap.add_argument("--cancel-share", type=float, default=0.2)
    ap.add_argument("--hang-seconds", type=float, default=30,
                    help="extra seconds before a silent engine is killed")
    args = ap.parse_args(argv)
    if not os.access(args.engine, os.X_OK):
        ap.error(f"{args.engine}: no engine")
    return args


def main(argv):
    return Soak(parse_args(argv)).run()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
