#!/usr/bin/env python3
"""tools/match.py --cluster on a Dask scheduler and two workers on
127.0.0.1.  The engine, stockfish wrapped, notes the process that started it
(a worker, without a nanny); the first worker to start its second game is
killed: Dask hands that game to the other worker, while the game the killed
worker finished stays counted once and is not played again."""

import os
import re
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
GAMES = 5
WRAPPER = """#!/bin/sh
echo $PPID >> "%s/started"
exec /usr/games/stockfish
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return False


class ClusterMatch(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.children = []

    def tearDown(self):
        for child in self.children:
            if child.poll() is None:
                child.kill()
            child.wait()
        self.tmp.cleanup()

    def start(self, argv, out=subprocess.DEVNULL):  # ended by tearDown if still running
        child = subprocess.Popen(argv, cwd=self.tmp.name, stdout=out, stderr=subprocess.DEVNULL)
        self.children.append(child)
        return child

    def test_a_killed_worker_loses_no_game_and_counts_none_twice(self):
        tmp = self.tmp.name
        address = f"tcp://127.0.0.1:{free_port()}"
        bin_dir = os.path.dirname(sys.executable)
        self.start([sys.executable, os.path.join(bin_dir, "dask-scheduler"), "--host", "127.0.0.1",
                    "--port", address.rsplit(":", 1)[1], "--no-dashboard"])
        workers = [self.start([sys.executable, os.path.join(bin_dir, "dask-worker"), address,
                               "--host", "127.0.0.1", "--nthreads", "1", "--no-nanny",
                               "--no-dashboard", "--local-directory", tmp])
                   for _ in range(2)]
        from distributed import Client
        with Client(address, timeout=30) as client:
            self.assertTrue(wait_until(lambda: len(client.scheduler_info()["workers"]) == 2, 60),
                            "workers did not join")

        engine = os.path.join(tmp, "engine")
        with open(engine, "w") as f:
            f.write(WRAPPER % tmp)
        os.chmod(engine, os.stat(engine).st_mode | stat.S_IXUSR)
        pgn = os.path.join(tmp, "games.pgn")
        log = os.path.join(tmp, "match.out")
        with open(log, "w") as sink:
            runner = self.start([sys.executable, os.path.join(HERE, "match.py"), "--cluster", address,
                                 "--engine", engine, "--opponent", "stockfish:1350", "--games", str(GAMES),
                                 "--tc", "1+0.01", "--pgn", pgn], sink)
        started = os.path.join(tmp, "started")

        def lines(path):
            if not os.path.exists(path):
                return []
            with open(path) as f:
                return [line for line in f if line.endswith("\n")]

        def victim_pid():
            """A worker that has started its second game once the runner has
            printed every finished game (each worker plays one game at a
            time, so at most two of the games started are unfinished)."""
            pids = [int(line) for line in lines(started)]
            printed = [line for line in lines(log) if line.startswith("game ")]
            twice = [p for p in pids if pids.count(p) > 1]
            return twice[0] if twice and len(printed) >= len(pids) - 2 else None

        self.assertTrue(wait_until(victim_pid, 120), "no worker started a second game")
        pid = victim_pid()
        victim = [w for w in workers if w.pid == pid]
        self.assertEqual(len(victim), 1, "the engine was not started by a worker")
        os.kill(pid, signal.SIGKILL)
        runner.wait(timeout=150)
        with open(log) as f:
            out = f.read()
        self.assertIsNotNone(victim[0].wait(timeout=10))

        rounds = sorted(int(n) for n in re.findall(r"^game (\d+):", out, re.M))
        self.assertEqual(rounds, list(range(1, GAMES + 1)), out)
        self.assertNotIn("aborted", out)
        counts = re.search(r"(\d+) wins, (\d+) losses, (\d+) draws", out)
        self.assertEqual(sum(int(n) for n in counts.groups()) if counts else None, GAMES, out)
        self.assertIn(f"{GAMES} games at 1+0.01", out)
        with open(pgn) as f:
            tags = re.findall(r'^\[Round "(\d+)"\]', f.read(), re.M)
        self.assertEqual(tags, [str(n) for n in range(1, GAMES + 1)])
        # One worker plays one game at a time, so exactly one game was cut
        # off and started again; the finished one was not played again.
        with open(started) as f:
            self.assertEqual(len(f.readlines()), GAMES + 1)


if __name__ == "__main__":
    unittest.main()
