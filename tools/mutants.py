#!/usr/bin/env python3
"""Fault-finding check of the test suite: plants one hand-picked fault at a
time in a scratch copy of the tree, rebuilds it incrementally and runs the
fast tests (ctest -LE slow, then the bench signature test).  A mutant is
"killed" when a test fails, "survived" when every test passes, "build" when
it does not compile and "n/a" when its original text is not found exactly
once (the code has moved on; edit the table).

    tools/mutants.py [--out FILE] [--rev REV] [--only NAME,...] [--labels LABELS]

The source tree is only read: the copy lives in $QUIN_MUTANT_DIR (default
/tmp/quin-mutants), and every mutated file is put back in the copy before
the next mutant, on exit and on Ctrl-C.
"""
import argparse
import io
import os
import shutil
import signal
import subprocess
import sys
import tarfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (name, file, original text, replacement): each a single-line fault.
MUTANTS = [
    # UCI session
    ("uci-readyok-byte", "frontend/uci_session.cpp", 'std::puts("readyok");', 'std::puts("readyOk");'),
    ("uci-hash-size", "frontend/uci_session.cpp", "saturating_atoi(value) != 0 ? 1024 : 0", "saturating_atoi(value) != 0 ? 512 : 0"),
    ("uci-fen-offset", "frontend/uci_session.cpp", "fen = rest + 4;", "fen = rest + 5;"),
    ("uci-quit-no-join", "frontend/uci_session.cpp", "    } else if (std::strcmp(line, \"quit\") == 0) {\n        join_search(1);", "    } else if (std::strcmp(line, \"quit\") == 0) {"),
    # UCI go limits and search thread
    ("go-depth-cap", "frontend/uci_search.cpp", "if (d > 8) d = 8;", "if (d > 7) d = 7;"),
    ("go-clock-share", "frontend/uci_search.cpp", "t / 30.0", "t / 20.0"),
    ("go-clock-margin", "frontend/uci_search.cpp", "t - 50.0", "t - 5.0"),
    ("go-clock-side", "frontend/uci_search.cpp", 'currentPlayer == 1 ? " wtime " : currentPlayer == 2 ? " btime "', 'currentPlayer == 2 ? " wtime " : currentPlayer == 1 ? " btime "'),
    ("go-infinite-no-hold", "frontend/uci_search.cpp", "        search_infinite = 1;", "        search_infinite = 0;"),
    # request-file protocol
    ("req-time-max", "frontend/request_mode.cpp", "r->ms <= 300000", "r->ms < 300000"),
    ("req-hash-512", "frontend/request_mode.cpp", "r->hash != 512", "r->hash != 256"),
    ("req-pv-rows", "frontend/request_mode.cpp", "for (int i = 0; i < 12 && ok; ++i)", "for (int i = 0; i < 11 && ok; ++i)"),
    ("req-cancel-left", "frontend/request_mode.cpp", "        remove(request_cancel);\n", ""),
    ("req-token-line-end", "frontend/request_mode.cpp", "if (n == kTokenBuffer - 1 && token[n - 1] != '\\n') {", "if (false) {"),
    ("req-pref-fields", "frontend/request_mode.cpp", "&value, &bonus) != 3) continue;", "&value, &bonus) < 2) continue;"),
    ("req-message-byte", "frontend/request_mode.cpp", "Keine gueltige Stellung", "Keine gueltige stellung"),
    ("req-no-flush", "frontend/request_mode.cpp", "written = (fflush(out) == 0) && written;", "written = written;"),
    # FEN and move text
    ("fen-ep-rank", "frontend/fen.cpp", "(ep[1] != '3' && ep[1] != '6')", "(ep[1] != '3' && ep[1] != '5')"),
    ("fen-castle-q", "frontend/fen.cpp", "blackRookAMoved = q ? 0 : 1;", "blackRookAMoved = k ? 0 : 1;"),
    ("fen-move-count", "frontend/fen.cpp", "moveCount = 2.0 * full - 2 + (black ? 1 : 0);", "moveCount = 2.0 * full - 2;"),
    ("fen-promote-knight", "frontend/fen.cpp", "case 'n': promoted = 3; break;", "case 'n': promoted = 4; break;"),
    ("fen-ranks", "frontend/fen.cpp", "if (x != 8 || slashes >= 7) return 0;", "if (x != 8 || slashes >= 8) return 0;"),
    ("move-list-skips-bad", "frontend/fen.cpp", "        if (!ok) return 0;\n    }", "        if (!ok) continue;\n    }"),
    ("movetext-promo-rank", "frontend/fen.cpp", "(ty == 0 || ty == 7)) r.v[4] = 'q';", "(ty == 0 || ty == 6)) r.v[4] = 'q';"),
    # result lines
    ("result-mate-moves", "frontend/result_lines.cpp", "long long moves = (p + 1) / 2;", "long long moves = p / 2;"),
    ("result-mate-sign", "frontend/result_lines.cpp", "if (own < 0) moves = -moves;", ""),
    ("result-no-flush", "frontend/result_lines.cpp", '    std::printf("bestmove %s\\n", hasMove ? computerBestMove_s.v : "0000");\n    std::fflush(stdout);', '    std::printf("bestmove %s\\n", hasMove ? computerBestMove_s.v : "0000");'),
    # runtime: strings and memory blocks
    ("hs-capacity", "frontend/hs_string.cpp", "if (n >= sizeof r.v) capacity_exceeded();", "if (n > sizeof r.v) capacity_exceeded();"),
    ("mem-bounds", "frontend/memory_blocks.cpp", "len > memory_size[b] - off)", "len > memory_size[b] - off + 1)"),
    ("mem-byte-order", "frontend/memory_blocks.cpp", "static_cast<uint32_t>(p[3]) << 24", "static_cast<uint32_t>(p[3]) << 16"),
    # core
    ("core-castle-flag", "core/board/board.cpp", "if (toX == 7 && toY == 0) blackRookHMoved = 1;", ""),
    ("core-slider-window", "core/board/attacks.cpp", "length[x * 8 + y][d] = static_cast<unsigned char>(n);", "length[x * 8 + y][d] = static_cast<unsigned char>(n > 1 ? n - 1 : n);"),
    ("core-mate-distance", "core/tree/depth_search.cpp", "IsPlayerInCheck(player) != 0 ? mated_score(player, level) : 0;", "IsPlayerInCheck(player) != 0 ? mated_score(player, level + 1) : 0;"),
    ("core-fifty-moves", "core/tree/depth_search.cpp", "if (halfmoveClock >= kFiftyMoveHalfmoves ||", "if (halfmoveClock > kFiftyMoveHalfmoves ||"),
    ("core-tie-rule", "core/search/learning.cpp", "(preference - bonus > bestPreference - bestBonus)", "(preference - bonus >= bestPreference - bestBonus)"),
    # board geometry and what a move changes (core/board/geometry.h, move_effects.h)
    ("geometry-wrong-ray", "core/board/geometry.h", "inline constexpr int kDirY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};", "inline constexpr int kDirY[8] = {-1, -1, -1, 0, 0, 1, 1, 0};"),
    ("geometry-ray-length", "core/board/geometry.h", "++length[from][d];", "length[from][d] = 1;"),
    ("geometry-reach-end", "core/board/geometry.h", "direction_rises(d) ? lowest_square(blockers) : highest_square(blockers)", "lowest_square(blockers)"),
    ("geometry-wrong-between", "core/board/geometry.h", "mask[from][square_of(x, y)] = passed;", "mask[from][square_of(x, y)] = passed | bit_at(x, y);"),
    ("effects-no-castling-rook", "core/board/move_effects.h", "        e.change[e.count++] = {code(rookFrom), code(fy), code(rook), code(kEmpty)};\n", ""),
]


current = None  # the test or build process running now


def run(cmd, cwd, timeout):
    """Runs cmd quietly; returns True when it succeeds within timeout."""
    global current
    current = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        return current.wait(timeout=timeout) == 0
    except subprocess.TimeoutExpired:
        stop_current()
        return False


def stop_current():
    """Ends the running process and everything it started."""
    if current and current.poll() is None:
        os.killpg(current.pid, signal.SIGKILL)
        current.wait()


def source_files(src, rev):
    """{path: bytes} of the tree at git revision rev, or of the working
    tree (tracked and untracked files that are not ignored) when rev is None."""
    if rev:
        data = subprocess.run(["git", "archive", "--format=tar", rev], cwd=src, check=True,
                              capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as tar:
            return {m.name: tar.extractfile(m).read() for m in tar.getmembers() if m.isfile()}
    names = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=src,
                           check=True, capture_output=True).stdout.decode().split("\0")
    out = {}
    for rel in filter(None, names):
        if os.path.isfile(os.path.join(src, rel)):
            with open(os.path.join(src, rel), "rb") as f:
                out[rel] = f.read()
    return out


def sync_copy(files, dst):
    """Makes dst hold exactly files; unchanged files keep their time stamps
    so that the build stays incremental."""
    for dirpath, _dirs, names in os.walk(dst):
        for n in names:
            rel = os.path.relpath(os.path.join(dirpath, n), dst)
            if rel not in files:
                os.remove(os.path.join(dst, rel))
    for rel, data in files.items():
        d = os.path.join(dst, rel)
        os.makedirs(os.path.dirname(d), exist_ok=True)
        if os.path.exists(d):
            with open(d, "rb") as f:
                if f.read() == data:
                    continue
        with open(d, "wb") as f:
            f.write(data)


def run_again(build, cwd, timeout):
    """Runs the tests that failed in the last run once more, by name; False
    when they fail again or when no failed test was recorded."""
    log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    try:
        with open(log) as f:
            names = [line.strip().split(":", 1)[1] for line in f if ":" in line]
    except OSError:
        return False
    if not names:
        return False
    pattern = "^(" + "|".join(n.replace(".", "\\.") for n in names) + ")$"
    return run(["ctest", "--test-dir", build, "--timeout", "60", "-R", pattern], cwd, timeout)


def judge(tests, rerun, sig):
    """killed when a test fails twice in a row (a test that fails once and
    passes on its second try is a timing test on a loaded machine)."""
    if tests():
        return "survived" if sig() else "killed"
    return "flaky" if rerun() else "killed"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", help="also write the report to this file")
    ap.add_argument("--only", help="comma-separated mutant names")
    ap.add_argument("--labels", default="", help="ctest -L regex (default: every non-slow test)")
    ap.add_argument("--rev", help="test the tree of this git revision (default: the working tree)")
    # A clock test that fails on a loaded machine (a zero time limit that
    # still searches).  None of the mutants touches the clock.
    ap.add_argument("--exclude", default="FallbackIsFirstLegalMove", help="ctest -E regex")
    ap.add_argument("--timeout", type=int, default=300, help="seconds per mutant's test run")
    args = ap.parse_args()

    work = os.environ.get("QUIN_MUTANT_DIR", "/tmp/quin-mutants")
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    os.makedirs(src, exist_ok=True)
    sync_copy(source_files(ROOT, args.rev), src)

    restore = {}  # path -> original bytes of the file mutated right now

    def put_back(*_):
        for path, data in restore.items():
            with open(path, "wb") as f:
                f.write(data)
        restore.clear()

    def on_signal(signum, _frame):
        stop_current()
        put_back()
        sys.exit(128 + signum)

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)

    cfg = ["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DQUIN_WERROR=ON"]
    bld = ["cmake", "--build", build, "-j2"]
    if not (run(cfg, src, 600) and run(bld, src, 1800)):
        sys.exit("mutants: the unmutated copy does not build")
    # Every test runs, so that the rerun of the failed ones meets the test
    # that really catches the fault and not only a timing test.
    fast = ["ctest", "--test-dir", build, "-j2", "--timeout", "60", "-LE", "slow", "-E", args.exclude]
    if args.labels:
        fast += ["-L", args.labels]
    sig = ["ctest", "--test-dir", build, "-R", "Signature", "--timeout", "120"]
    # Timing tests may fail once on a loaded machine: a second try decides.
    if not ((run(fast, src, args.timeout) or run_again(build, src, args.timeout)) and
            run(sig, src, args.timeout)):
        sys.exit("mutants: the unmutated copy fails its tests")

    only = set(args.only.split(",")) if args.only else None
    lines, tally = [], {}
    started = time.time()
    try:
        for name, rel, old, new in MUTANTS:
            if only and name not in only:
                continue
            path = os.path.join(src, rel)
            with open(path, "rb") as f:
                text = f.read()
            t0 = time.time()
            if text.count(old.encode()) != 1:
                verdict = "n/a"
            else:
                restore[path] = text
                with open(path, "wb") as f:
                    f.write(text.replace(old.encode(), new.encode()))
                if not run(bld, src, 900):
                    verdict = "build"
                else:
                    # A run cut off by the time limit leaves no list of its
                    # failures; an older list must not stand in for it.
                    failed_log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
                    if os.path.exists(failed_log):
                        os.remove(failed_log)
                    verdict = judge(lambda: run(fast, src, args.timeout),
                                    lambda: run_again(build, src, args.timeout),
                                    lambda: run(sig, src, args.timeout))
                put_back()
            tally[verdict] = tally.get(verdict, 0) + 1
            line = f"{name:24} {verdict:9} {rel}  ({time.time() - t0:.0f} s)"
            print(line, flush=True)
            lines.append(line)
    finally:
        put_back()
    summary = " ".join(f"{k} {v}" for k, v in sorted(tally.items()))
    summary = f"summary: {summary}  ({time.time() - started:.0f} s)"
    print(summary)
    if args.out:
        with open(args.out, "w") as f:
            f.write("\n".join(lines + [summary]) + "\n")


if __name__ == "__main__":
    main()
