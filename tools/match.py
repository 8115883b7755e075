#!/usr/bin/env python3
"""Plays Quintar against a UCI or xboard opponent and estimates the Elo gap.

    tools/match.py --engine build/quintar --opponent stockfish:1500 \
        --games 10 --tc 5+0.05 --concurrency 2 --pgn games.pgn

Opponents: "stockfish:ELO" (Debian's /usr/games/stockfish with
UCI_LimitStrength), "fairymax" or "phalanx" (Debian's phalanx held to 100000
nodes a second); the last two speak xboard, driven directly.  The runner
keeps both clocks (base plus increment per move, time forfeit when a side
overruns its clock by more than --time-margin, "no answer" when it stays
silent past clock, margin and a grace).  A separate stockfish process referees: it lists the legal moves
(`go perft 1`) and reports the position (`d`), from which the runner judges
mate, stalemate, threefold repetition, the fifty-move rule and bare kings or
a lone minor piece.  Each opening line is played twice with colours swapped.
Standard library only, except --cluster, which needs Dask distributed.
Exit status 0 when our engine made no illegal move, did not crash, hang or
lose on time; else 1.

With --cluster tcp://HOST:PORT each game is one task of a Dask distributed
cluster: the worker that takes it starts the engines and the referee, keeps
the clocks and returns the finished game.  A game whose worker dies is run
again on another worker (Dask reschedules the task); results are keyed by
game number, so each game counts once, and the summary and the PGN (ordered
by game number) do not depend on where or when the games ran.  See
doc/cluster.md.
"""

import argparse
import concurrent.futures
import datetime
import math
import os
import queue
import subprocess
import sys
import threading
import time
import uuid

STOCKFISH = "/usr/games/stockfish"
FAIRYMAX = "/usr/games/fairymax"
PHALANX = "/usr/games/phalanx"
MOVE_OVERHEAD_MS = 100
# The xboard opponents by --opponent name: command line and name in the games.
XBOARD_OPPONENTS = {
    "fairymax": ([FAIRYMAX], "Fairy-Max"),
    # Phalanx at full speed won all of four games against us, held to 200000
    # nodes a second too; at 60000 it scored a half of four.  100000 aims
    # between stockfish's 1750 and 2000 rungs, and a cap on the node rate,
    # unlike one on depth or time, does not weaken it further on a loaded
    # machine.  -l- keeps its learning file out of the games.
    "phalanx": ([PHALANX, "-l-", "-n", "100000"], "Phalanx"),
}
GRACE = 1.0  # seconds past the clock before a silent engine counts as hung
# Seconds an engine has to answer "uci" and "isready" at its start: long,
# since a loaded machine can keep a program from running for seconds, and
# no game clock runs yet.
START_WAIT = 60


class Process:
    """A child process whose output lines arrive on a queue (None at EOF)."""

    def __init__(self, argv):
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()  # (line, when it arrived)
        self.arrived = time.monotonic()  # when the line last read arrived
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        # Each line is stamped as it arrives, so that a game thread that is
        # slow to wake (a busy machine, a Dask worker's own threads) does not
        # charge its delay to the engine's clock.
        for line in self.proc.stdout:
            if line.strip():  # blank lines carry nothing; "" stands for a timeout
                self.lines.put((line.strip(), time.monotonic()))
        self.proc.stdout.close()
        self.lines.put((None, time.monotonic()))

    def send(self, text):
        try:
            self.proc.stdin.write(text + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def read(self, deadline):
        """Next line, "" on timeout, None once the process has ended."""
        try:
            line, self.arrived = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            return line
        except queue.Empty:
            self.arrived = time.monotonic()
            return ""

    def wait_for(self, prefix, seconds):
        deadline = time.monotonic() + seconds
        while True:
            line = self.read(deadline)
            if line is None or line == "":
                return line
            if line.startswith(prefix):
                return line

    def close(self, word="quit"):
        self.send(word)
        try:
            self.proc.wait(timeout=1)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        try:
            self.proc.stdin.close()
        except OSError:  # an engine that ended early leaves a broken pipe
            pass


class Answer:
    def __init__(self, move=None, depth=None, status="ok", seconds=0.0):
        self.move, self.depth, self.status, self.seconds = move, depth, status, seconds


class Engine:
    """Waits for an engine's move while noting the depth it reports."""

    margin = 0.0  # seconds a move may overrun the clock (--time-margin)

    def await_move(self, clock, interrupt):
        """Reads until parse() finds the move; `interrupt` is sent to an engine
        still silent at clock plus grace."""
        start = time.monotonic()
        deadline = start + max(clock, 0.0) + self.margin + GRACE
        self.depth = None
        while True:
            line = self.p.read(deadline)
            seconds = self.p.arrived - start
            if line is None:
                return Answer(None, self.depth, "crash", seconds)
            if line == "":
                self.p.send(interrupt)
                return Answer(None, self.depth, "no answer", seconds)
            found = self.parse(line.split())
            if found:
                return Answer(found[0], self.depth, found[1], seconds)


class UciEngine(Engine):
    def __init__(self, path, name, options=()):
        self.name = name
        self.p = Process([path])
        self.p.send("uci")
        if not self.p.wait_for("uciok", START_WAIT):
            self.p.close()
            raise RuntimeError(f"{name}: no uciok")
        for key, value in options:
            self.p.send(f"setoption name {key} value {value}")
        self.p.send("ucinewgame")
        self.p.send("isready")
        if not self.p.wait_for("readyok", START_WAIT):
            self.p.close()
            raise RuntimeError(f"{name}: no readyok")

    def play(self, moves, clocks, inc, white):
        """Asks for a move; clocks = (white, black) seconds left."""
        self.p.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        ms = [max(1, int(c * 1000)) for c in clocks]
        self.p.send(f"go wtime {ms[0]} btime {ms[1]} winc {int(inc * 1000)} binc {int(inc * 1000)}")
        return self.await_move(clocks[0 if white else 1], "stop")

    def parse(self, words):
        if words[0] == "info" and "depth" in words[1:-1] and words[1] != "string":
            self.depth = int(words[words.index("depth") + 1])
        elif words[0] == "bestmove":
            return (words[1] if len(words) > 1 else "(none)"), "ok"
        return None

    def close(self):
        self.p.close("quit")


class XboardEngine(Engine):
    """xboard/CECP engine, restarted from `new` and the move list every turn."""

    # Phalanx sends castling as O-O / O-O-O; the runner speaks squares.
    CASTLING = {"O-O": {True: "e1g1", False: "e8g8"}, "O-O-O": {True: "e1c1", False: "e8c8"}}

    def __init__(self, argv, name, base, inc):
        self.name = name
        self.base, self.inc = base, inc
        self.p = Process(list(argv))
        self.p.send("xboard")
        self.p.send("protover 2")
        deadline = time.monotonic() + 2
        while True:  # the feature list ends with done=1; older engines send none
            line = self.p.read(deadline)
            if line is None:
                self.p.close()
                raise RuntimeError(f"{name}: ended at start")
            if line == "" or "done=1" in line:
                break

    def play(self, moves, clocks, inc, white):
        own, other = (clocks[0], clocks[1]) if white else (clocks[1], clocks[0])
        self.white = white
        minutes, seconds = divmod(int(round(self.base)), 60)
        for command in ["new", "force", f"level 0 {minutes}:{seconds:02d} {self.inc:g}", "post"]:
            self.p.send(command)
        for move in moves:
            self.p.send(move)
        self.p.send(f"time {max(1, int(own * 100))}")
        self.p.send(f"otim {max(1, int(other * 100))}")
        self.p.send("go")
        return self.await_move(own, "force")

    def parse(self, words):
        if words[0] == "move" and len(words) > 1:
            return self.CASTLING.get(words[1], {}).get(self.white, words[1]), "ok"
        if words[0] == "resign":
            return None, "resign"
        if words[0].startswith("Illegal"):
            return None, "rejected " + " ".join(words)
        if words[0].isdigit() and len(words) > 4:  # thinking: depth score time nodes pv
            self.depth = int(words[0])
        return None

    def close(self):
        self.p.close("quit")


class Referee:
    """Stockfish as rules authority: legal moves and the FEN of a position."""

    def __init__(self):
        self.p = Process([STOCKFISH])
        self.p.send("uci")
        self.p.wait_for("uciok", START_WAIT)

    def _ask(self, moves, command, last):
        """Output lines of the command up to the one starting with `last`."""
        self.p.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        self.p.send(command)
        out = []
        deadline = time.monotonic() + 30
        while True:
            line = self.p.read(deadline)
            if line is None:
                raise RuntimeError("referee ended")
            if line == "":
                raise RuntimeError("referee silent")
            out.append(line)
            if line.startswith(last):
                return out

    def legal_moves(self, moves):
        return {line.split(":")[0] for line in self._ask(moves, "go perft 1", "Nodes searched")
                if ":" in line and not line.startswith("Nodes")}

    def position(self, moves):
        """(FEN, in check) after the moves."""
        fen, checkers = None, ""
        for line in self._ask(moves, "d", "Checkers:"):
            if line.startswith("Fen:"):
                fen = line[4:].strip()
            elif line.startswith("Checkers:"):
                checkers = line[9:].strip()
        return fen, bool(checkers)

    def close(self):
        self.p.close("quit")


def insufficient_material(placement):
    """Bare kings, or a lone knight or bishop beside them."""
    others = [c for c in placement if c.isalpha() and c not in "Kk"]
    return not others or (len(others) == 1 and others[0] in "NBnb")


def play_game(args, opening, engine_white, round_no):
    """One game; returns a dict with the result and both sides' records."""
    started = []
    try:
        started.append(UciEngine(args.engine, "Quintar"))
        if args.opponent_kind == "stockfish":
            started.append(UciEngine(STOCKFISH, f"Stockfish {args.opponent_elo}",
                                     [("Threads", 1), ("Hash", 16), ("UCI_LimitStrength", "true"),
                                      ("UCI_Elo", args.opponent_elo),
                                      # Stockfish runs its clock down to the increment and
                                      # keeps only 10 ms for the pipe by default; the runner
                                      # measures from "go" to "bestmove" on a busy machine.
                                      ("Move Overhead", MOVE_OVERHEAD_MS)]))
        else:
            argv, name = XBOARD_OPPONENTS[args.opponent_kind]
            started.append(XboardEngine(argv, name, args.base, args.inc))
        started.append(Referee())
        for player in started[:2]:
            player.margin = args.time_margin
        return run_game(args, opening, engine_white, round_no, *started)
    finally:
        for p in started:
            p.close()


def run_game(args, opening, engine_white, round_no, ours, theirs, referee):
    base, inc = args.base, args.inc
    players = [ours, theirs] if engine_white else [theirs, ours]
    stats = {p.name: {"illegal": 0, "crash": 0, "no answer": 0, "forfeit": 0,
                      "depths": [], "least clock": base} for p in (ours, theirs)}
    moves, keys = [], []
    clocks = [base, base]
    result, reason = None, None
    for move in opening:
        if move not in referee.legal_moves(moves):
            raise RuntimeError(f"opening move {move} is illegal after {' '.join(moves)}")
        moves.append(move)
    while result is None:
        fen, in_check = referee.position(moves)
        fields = fen.split()
        keys.append(" ".join(fields[:4]))
        side = 0 if fields[1] == "w" else 1
        legal = referee.legal_moves(moves)
        if not legal:
            result = ("0-1" if side == 0 else "1-0") if in_check else "1/2-1/2"
            reason = "checkmate" if in_check else "stalemate"
            break
        if keys.count(keys[-1]) >= 3:
            result, reason = "1/2-1/2", "threefold repetition"
            break
        if int(fields[4]) >= 100:
            result, reason = "1/2-1/2", "fifty-move rule"
            break
        if insufficient_material(fields[0]):
            result, reason = "1/2-1/2", "insufficient material"
            break
        player = players[side]
        record = stats[player.name]
        answer = player.play(moves, tuple(clocks), inc, side == 0)
        loss = "0-1" if side == 0 else "1-0"
        if answer.depth is not None:
            record["depths"].append(answer.depth)
        if answer.status == "crash":
            record["crash"] += 1
            result, reason = loss, f"{player.name} crashed"
        elif answer.status == "no answer":
            record["no answer"] += 1
            result, reason = loss, f"{player.name} gave no move"
        elif answer.status == "resign":
            result, reason = loss, f"{player.name} resigned"
        elif answer.status != "ok":
            record["illegal"] += 1
            result, reason = loss, f"{player.name}: {answer.status}"
        elif charge_clock(clocks[side], answer.seconds, inc, args.time_margin) is None:
            record["forfeit"] += 1
            result, reason = loss, (f"{player.name} lost on time, {answer.seconds:.3f} s"
                                    f" for {clocks[side]:.3f} s left")
        elif answer.move not in legal:
            record["illegal"] += 1
            result, reason = loss, f"{player.name} played illegal {answer.move}"
        else:
            record["least clock"] = min(record["least clock"], clocks[side] - answer.seconds)
            clocks[side] = charge_clock(clocks[side], answer.seconds, inc, args.time_margin)
            moves.append(answer.move)
    return {"round": round_no, "white": players[0].name, "black": players[1].name,
            "engine_white": engine_white, "opening": opening, "moves": moves,
            "result": result, "reason": reason, "stats": stats}


def charge_clock(left, seconds, inc, margin):
    """The clock after a move that took `seconds` with `left` on it, or None
    for a time forfeit.  A move may overrun the clock by up to `margin`
    (time a busy machine took, not the engine); the clock then restarts from
    0 plus the increment."""
    if seconds > left + margin:
        return None
    return max(left - seconds, 0.0) + inc


def elo(score):
    if score <= 0:
        return -math.inf
    if score >= 1:
        return math.inf
    return -400 * math.log10(1 / score - 1)


def elo_interval(wins, losses, draws):
    """Elo difference and its 95 % interval from the score fraction."""
    n = wins + losses + draws
    s = (wins + 0.5 * draws) / n
    var = (wins * (1 - s) ** 2 + draws * (0.5 - s) ** 2 + losses * s ** 2) / n
    se = math.sqrt(var / n)
    return elo(s), elo(s - 1.96 * se), elo(s + 1.96 * se), s


def pgn_text(game, args):
    date = datetime.date.today().strftime("%Y.%m.%d")
    tags = [("Event", "Quintar match"), ("Site", "tools/match.py"), ("Date", date),
            ("Round", str(game["round"])), ("White", game["white"]), ("Black", game["black"]),
            ("Result", game["result"]), ("TimeControl", f"{args.base:g}+{args.inc:g}"),
            ("Termination", game["reason"])]
    out = [f'[{k} "{v}"]' for k, v in tags]
    out.append("")
    body = ["{Moves in coordinate notation (from and to square, promotion piece), not SAN;"
            f" opening {' '.join(game['opening'])}}}"]
    for i, move in enumerate(game["moves"]):
        if i % 2 == 0:
            body.append(f"{i // 2 + 1}.")
        body.append(move)
    body.append(f"{{{game['reason']}}} {game['result']}")
    line, lines = "", []
    for word in body:
        if line and len(line) + 1 + len(word) > 79:
            lines.append(line)
            line = word
        else:
            line = f"{line} {word}" if line else word
    lines.append(line)
    return "\n".join(out + lines) + "\n\n"


def read_openings(path):
    lines = []
    with open(path) as f:
        for raw in f:
            text = raw.split("#")[0].strip()
            if text:
                lines.append(text.split())
    if not lines:
        raise SystemExit(f"{path}: no openings")
    return lines


def parse_args(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--engine", default=os.path.join(here, "..", "build", "quintar"))
    ap.add_argument("--opponent", default="stockfish:1500",
                    help="stockfish:ELO (1350 to 2850), fairymax or phalanx")
    ap.add_argument("--games", type=int, default=10)
    ap.add_argument("--first-game", type=int, default=1,
                    help="number of the first game: game N plays opening line (N-1)//2, so a"
                         " match can be continued where an earlier one stopped")
    ap.add_argument("--tc", default="10+0.1", help="seconds per game + increment per move")
    ap.add_argument("--time-margin", type=float, default=0.0,
                    help="seconds a move may overrun the clock before it counts as a forfeit")
    ap.add_argument("--concurrency", type=int, default=2)
    ap.add_argument("--openings", default=os.path.join(here, "openings.txt"))
    ap.add_argument("--pgn")
    ap.add_argument("--cluster", metavar="tcp://HOST:PORT",
                    help="play each game on a worker of this Dask scheduler")
    args = ap.parse_args(argv)
    if args.cluster:  # workers start the engine by this path: the same on every machine
        args.engine = os.path.abspath(args.engine)
    base, _, inc = args.tc.partition("+")
    args.base, args.inc = float(base), float(inc or 0)
    if args.opponent.startswith("stockfish"):
        args.opponent_kind = "stockfish"
        args.opponent_elo = int(args.opponent.partition(":")[2] or 1500)
    elif args.opponent in XBOARD_OPPONENTS:
        args.opponent_kind = args.opponent
    else:
        ap.error("--opponent must be stockfish:ELO, fairymax or phalanx")
    return args


def play_local(args, jobs, report):
    """Plays the jobs on this machine, `args.concurrency` at a time."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.concurrency) as pool:
        futures = [pool.submit(play_game, args, *job) for job in jobs]
        for job, future in zip(jobs, futures):
            try:
                report(job, future.result())
            except (RuntimeError, OSError) as error:
                report(job, error)


def play_on_cluster(args, jobs, report):
    """Sends each job to the Dask scheduler at `args.cluster` as one task.

    The task key names the match and the game number: Dask keeps one result
    per key, and a task lost with its worker is run again elsewhere (up to
    the scheduler's allowed-failures, then the game is reported aborted)."""
    from distributed import Client, as_completed
    import match as module  # workers import the uploaded copy under this name

    match_id = uuid.uuid4().hex[:12]
    with Client(args.cluster, timeout=60) as client:
        client.upload_file(os.path.abspath(module.__file__))
        futures = {client.submit(module.play_game, args, *job, key=f"game-{match_id}-{job[2]}",
                                 pure=False): job for job in jobs}
        for future in as_completed(list(futures)):
            job = futures.pop(future)
            try:
                outcome = future.result()
            except Exception as error:  # the game's own error or the lost task's
                outcome = RuntimeError(f"{type(error).__name__}: {error}")
            # Let go of the result at once: a result still held would live in
            # its worker's memory, and should that worker die, Dask would play
            # the finished game again to restore it.
            future.release()
            report(job, outcome)


def print_summary(games, tc, opponent, wins, losses, draws, totals):
    """The match summary that tools/plot_strength.py and
    tools/combine_matches.py read back: result, Elo, and each side's faults,
    average depth and least clock left."""
    diff, low, high, score = elo_interval(wins, losses, draws)
    print(f"\n{games} games at {tc} against {opponent}")
    print(f"Quintar: {wins} wins, {losses} losses, {draws} draws, score {score:.3f}")
    print(f"Elo difference {diff + 0.0:+.0f} (95 % interval {low:+.0f} to {high:+.0f})")
    for name, t in totals.items():
        depth = t["depth sum"] / t["depth count"] if t["depth count"] else float("nan")
        print(f"{name}: illegal moves {t['illegal']}, crashes {t['crash']}, no answers"
              f" {t['no answer']}, time forfeits {t['forfeit']}, average depth {depth:.1f},"
              f" least clock left {t['least clock']:.2f} s")


def schedule(openings, first_game, games):
    """The games from number `first_game` on: each opening line twice, ours
    with white in the odd-numbered game."""
    return [(openings[(i // 2) % len(openings)], i % 2 == 0, i + 1)
            for i in range(first_game - 1, first_game - 1 + games)]


def main(argv):
    args = parse_args(argv)
    openings = read_openings(args.openings)
    jobs = schedule(openings, args.first_game, args.games)
    finished, aborted = {}, {}

    def report(job, outcome):
        round_no = job[2]
        if round_no in finished or round_no in aborted:
            raise RuntimeError(f"game {round_no} reported twice")
        if isinstance(outcome, Exception):
            aborted[round_no] = outcome
            print(f"game {round_no}: aborted: {outcome}", flush=True)
            return
        finished[round_no] = outcome
        print(f"game {round_no}: {outcome['white']} - {outcome['black']} {outcome['result']}"
              f" ({outcome['reason']}, {len(outcome['moves'])} plies)", flush=True)

    if args.cluster:
        play_on_cluster(args, jobs, report)
    else:
        play_local(args, jobs, report)
    games = [finished[r] for r in sorted(finished)]
    aborted = len(aborted)
    if args.pgn:
        with open(args.pgn, "w") as f:
            f.writelines(pgn_text(g, args) for g in games)

    if not games:
        return 1
    wins = losses = draws = 0
    for g in games:
        if g["result"] == "1/2-1/2":
            draws += 1
        elif (g["result"] == "1-0") == g["engine_white"]:
            wins += 1
        else:
            losses += 1
    totals = {}
    for g in games:
        for name, r in g["stats"].items():
            t = totals.setdefault(name, {"illegal": 0, "crash": 0, "no answer": 0, "forfeit": 0,
                                         "depth sum": 0, "depth count": 0,
                                         "least clock": args.base})
            for key in ("illegal", "crash", "no answer", "forfeit"):
                t[key] += r[key]
            t["depth sum"] += sum(r["depths"])
            t["depth count"] += len(r["depths"])
            t["least clock"] = min(t["least clock"], r["least clock"])
    opponent = games[0]["white" if not games[0]["engine_white"] else "black"]
    print_summary(len(games), args.tc, opponent, wins, losses, draws, totals)
    ours = totals["Quintar"]
    faults = ours["illegal"] + ours["crash"] + ours["no answer"] + ours["forfeit"]
    return 0 if faults == 0 and aborted == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
