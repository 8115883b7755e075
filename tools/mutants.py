#!/usr/bin/env python3
"""Fault-finding check of the test suite: plants one fault at a time in a
scratch copy of the tree, rebuilds it incrementally and runs the fast tests
(ctest -LE slow, then the bench signature test).  The faults are the
hand-picked ones of the table below and, with --seed, a sample drawn at
random from the product code (core/, runtime/, frontend/, platform/): a
comparison flipped, a constant changed by one, a sign swapped, a condition
negated or a statement deleted, each on one line.

A mutant is "killed" when a test fails, "survived" when every test passes,
"build" when it does not compile, "same" when it compiles to the same
product objects as the unmutated code (no change of behaviour), and "n/a"
when the text it changes is not found exactly once (the code has moved on;
edit the table).  The kill rate counts killed against survived (and flaky),
for the chosen and the random mutants separately.

    tools/mutants.py [--out FILE] [--rev REV] [--only NAME,...] [--labels LABELS]
                     [--seed N --random K] [--no-chosen] [--jobs N]

The source tree is only read: the copy lives in $QUIN_MUTANT_DIR (default
/tmp/quin-mutants), and every mutated file is put back in the copy before
the next mutant, on exit and on Ctrl-C.
"""
import argparse
import hashlib
import io
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (name, file, original text, replacement), or (name, file, context, original
# text, replacement) where the original text is replaced inside the one
# place that matches the context: each a single-line fault.  Texts match
# with any run of white space standing for any other, and a text that is no
# longer in the named file is looked for in every product source, so that a
# fault survives the move of its code to another file.
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
    ("go-limits-dropped", "frontend/uci_search.cpp", "join_search(1); go_limits(line); start_search();", "go_limits(line);", ""),
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
    ("hs-capacity", "runtime/hs_string.cpp", "if (n >= sizeof r.v) capacity_exceeded();", "if (n > sizeof r.v) capacity_exceeded();"),
    ("mem-bounds", "runtime/memory_blocks.cpp", "len > memory_size[b] - off)", "len > memory_size[b] - off + 1)"),
    ("mem-byte-order", "runtime/memory_blocks.cpp", "static_cast<uint32_t>(p[3]) << 24", "static_cast<uint32_t>(p[3]) << 16"),
    # core
    ("core-castle-flag", "core/board/board.cpp", "if (toX == 7 && toY == 0) blackRookHMoved = 1;", ""),
    ("core-mate-distance", "core/tree/depth_search.cpp", "IsPlayerInCheck(player) != 0 ? mated_score(player, level) : 0;", "IsPlayerInCheck(player) != 0 ? mated_score(player, level + 1) : 0;"),
    ("core-fifty-moves", "core/tree/depth_search.cpp", "if (halfmoveClock >= kFiftyMoveHalfmoves ||", "if (halfmoveClock > kFiftyMoveHalfmoves ||"),
    # The public king-zone call: its king square must reach the zone term.
    ("eval-zone-public-call", "core/eval/king_zone.cpp", "static_cast<int>(kingX), static_cast<int>(kingY),", "static_cast<int>(kingX), static_cast<int>(kingX),"),
    ("core-tie-rule", "core/search/learning.cpp", "(preference - bonus > bestPreference - bestBonus)", "(preference - bonus >= bestPreference - bestBonus)"),
    # board geometry and what a move changes (core/board/geometry.h, move_effects.h)
    ("geometry-wrong-ray", "core/board/geometry.h", "inline constexpr int kDirY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};", "inline constexpr int kDirY[8] = {-1, -1, -1, 0, 0, 1, 1, 0};"),
    ("geometry-ray-length", "core/board/geometry.h", "++length[from][d];", "length[from][d] = 1;"),
    ("geometry-reach-end", "core/board/geometry.h", "direction_rises(d) ? lowest_square(blockers) : highest_square(blockers)", "lowest_square(blockers)"),
    ("geometry-wrong-between", "core/board/geometry.h", "mask[from][square_of(x, y)] = passed;", "mask[from][square_of(x, y)] = passed | bit_at(x, y);"),
    ("effects-no-castling-rook", "core/board/move_effects.h", "        e.change[e.count++] = {code(rookFrom), code(fy), code(rook), code(kEmpty)};\n", ""),
    # the legal-move interface and the legality tests beneath it
    # (core/board/legal_moves.h, legality.h)
    ("legal-among-untested", "core/board/legal_moves.h", "uint64_t legal = t.sure & among;", "uint64_t legal = (t.sure | t.tested) & among;"),
    ("legal-sure-pinned-piece", "core/board/legal_moves.h", "if (Type != kPawn && Type != kKing && decide) sure = targets;", "if (Type != kPawn && Type != kKing) sure = targets;"),
    ("legal-sure-pinned-pawn", "core/board/legal_moves.h", "if (decide) sure = steps | captures;", "sure = steps | captures;"),
    ("legal-rules-decide-in-check", "core/board/legality.h", "if (k.king == kNoSquare || k.attacked || type_of(piece) == kKing) return false;", "if (k.king == kNoSquare || type_of(piece) == kKing) return false;"),
    ("legal-evasion-pinned-blocker", "core/board/legality.h", "if (Type == kKing || ((s.shields >> from) & 1)) return false;", "if (Type == kKing) return false;"),
    ("legal-evasion-no-capture", "core/board/legality.h", "return square_bit(checker) | between(king, checker);", "return between(king, checker);"),
    ("legal-evasion-double-check", "core/board/legality.h", "    if (more_than_one(checkers)) return 0;\n", ""),
    ("legal-evasion-from-square", "core/board/legality.h", "const bool answers = (s.evasions >> to) & 1;", "const bool answers = (s.evasions >> from) & 1;"),
    # The king's safety asked of the position before the move instead of after it.
    ("legal-king-safe-before-move", "core/board/legality.h", "    return !v.attacked_after_move(opponent_of(side), square_x(king), square_y(king),\n                                  move_effects(v, from, to));", "    return !v.attacked_by(opponent_of(side), square_x(king), square_y(king));"),
    # the move maker's undo (core/board/move_effects.h)
    ("undo-first-two-only", "core/board/move_effects.h", "for (int i = e.count - 1; i >= 0; --i)", "for (int i = 1; i >= 0; --i)"),
    ("undo-keeps-target", "core/board/move_effects.h", "for (int i = e.count - 1; i >= 0; --i)", "i >= 0", "i > 0"),
    ("undo-half-move-clock", "core/board/move_effects.h", "    halfmoveClock = s.halfmoveClock;\n", ""),
    ("undo-en-passant-file", "core/board/move_effects.h", "enPassantY = s.enPassantY;", "enPassantY = s.enPassantX;"),
    ("effects-long-castle-rook", "core/board/move_effects.h", "rookTo = tx > fx ? 5 : 3;", "rookTo = tx > fx ? 5 : 2;"),
    # keys brought up to date by a move: the evaluation cache's square sum
    # (core/eval/cache_layout.h), the view (core/board/board_view.h), the
    # position key's kept ranks and the search's repetition slots
    ("evalkey-step-sign", "core/eval/cache_layout.h", "const int64_t step = c.after - c.before;", "const int64_t step = c.before - c.after;"),
    ("evalkey-first-two", "core/eval/cache_layout.h", "for (int i = 0; i < e.count; ++i) {\n        const SquareChange &c = e.change[i];", "i < e.count", "i < 2"),
    ("evalkey-square-swap", "core/eval/cache_layout.h", "sum += static_cast<uint64_t>(step) * kSquarePowers.p[square_of(c.x, c.y)];", "square_of(c.x, c.y)", "square_of(c.y, c.x)"),
    ("view-apply-no-en-passant", "core/board/board_view.h", "set(square_of(e.change[i].x, e.change[i].y), e.change[i].after);\n        load_en_passant();", "load_en_passant();", ""),
    ("view-apply-first-two", "core/board/board_view.h", "for (int i = 0; i < e.count; ++i)\n            set(", "i < e.count", "i < 2"),
    ("poskey-unkept-rank", "core/board/position_key_simd.h", "<< (pair * 2);\n    }\n    return ranks & known.valid;", "ranks & known.valid", "ranks"),
    ("rep-child-parity", "core/tree/repetition.cpp", "level - since + (since & 1)", "level - since"),
    ("rep-child-key-claimed", "core/tree/repetition.cpp", "keyWritten = false;", "keyWritten = true;"),
]


PRODUCT_DIRS = ("core/", "runtime/", "frontend/", "platform/")
# The stand-in for the AmigaOS services is test scaffolding, not product.
NOT_PRODUCT = ("platform/amiga/standin/",)


def product_sources(files):
    return sorted(r for r in files if r.startswith(PRODUCT_DIRS) and not r.startswith(NOT_PRODUCT)
                  and r.endswith((".cpp", ".h")))


def loose(text):
    """A pattern for text in which any run of white space matches any other."""
    return re.compile(r"\s+".join(re.escape(w) for w in text.split()).encode())


def locate(src, files, hint, context):
    """The file that holds context exactly once, the hinted file first, then
    every product source; None when there is no such single place."""
    pat = loose(context)
    def count(rel):
        with open(os.path.join(src, rel), "rb") as f:
            return len(pat.findall(f.read()))
    if os.path.exists(os.path.join(src, hint)) and count(hint) == 1:
        return hint
    hits = [(rel, count(rel)) for rel in product_sources(files)]
    hits = [h for h in hits if h[1]]
    return hits[0][0] if len(hits) == 1 and hits[0][1] == 1 else None


def apply_chosen(text, context, old, new):
    """text with old replaced by new inside the one match of context."""
    m = loose(context).search(text)
    region = m.group(0)
    if old is None:
        changed = new.strip().encode()
    else:
        i = region.find(old.encode())
        if i < 0:
            return None
        changed = region[:i] + new.encode() + region[i + len(old):]
    return text[:m.start()] + changed + text[m.end():]


# ------------------------------------------------------------ random faults

def code_lines(text):
    """(line number, line, code) for every line: code is the line with
    comments, string and character literals blanked out (same length), or
    None for preprocessor lines and lines inside block comments."""
    out, in_block = [], False
    for n, line in enumerate(text.split("\n"), 1):
        chars, i, quote = list(line), 0, None
        if not in_block and line.lstrip().startswith("#"):
            out.append((n, line, None))
            continue
        while i < len(chars):
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    chars[i] = chars[i + 1] = " "
                    in_block = False
                    i += 2
                    continue
                chars[i] = " "
            elif quote:
                if c == "\\":
                    chars[i] = " "
                    if i + 1 < len(chars):
                        chars[i + 1] = " "
                    i += 2
                    continue
                if c == quote:
                    quote = None
                else:
                    chars[i] = " "
            elif line.startswith("//", i):
                for j in range(i, len(chars)):
                    chars[j] = " "
                break
            elif line.startswith("/*", i):
                chars[i] = chars[i + 1] = " "
                in_block = True
                i += 2
                continue
            elif c in "\"'":
                quote = c
            i += 1
        code = "".join(chars)
        out.append((n, line, code if code.strip() else None))
    return out


FLIPS = {"==": ["!="], "!=": ["=="], "<": [">=", "<="], ">": ["<=", ">="],
         "<=": [">", "<"], ">=": ["<", ">"]}
DECLARATION = re.compile(r"^(const|constexpr|static|int|double|bool|auto|unsigned|char|long|"
                         r"size_t|u?int\d+_t|HS|std::|struct|class|using|typedef|template|"
                         r"namespace|extern|inline|void|return\b)")


def sites_of(rel, text):
    """Every single-line fault of the five kinds that the file allows, as
    (file, line number, start, end, replacement, kind)."""
    sites, prev_end = [], ";"
    for n, line, code in code_lines(text):
        if code is None:
            continue
        for m in re.finditer(r"(?<=\s)(==|!=|<=|>=|<|>)(?=\s)", code):
            for r in FLIPS[m.group(1)]:
                sites.append((rel, n, m.start(), m.end(), r, "comparison"))
        for m in re.finditer(r"(?<![\w.])(\d+)(\.\d*)?(?![\w.'])", code):
            v = int(m.group(1))
            for r in {v + 1, v - 1} - {-1}:
                sites.append((rel, n, m.start(1), m.end(1), str(r), "constant"))
        for m in re.finditer(r"(?<=\s)(\+|-|\+=|-=)(?=\s)", code):
            r = {"+": "-", "-": "+", "+=": "-=", "-=": "+="}[m.group(1)]
            sites.append((rel, n, m.start(), m.end(), r, "sign"))
        for m in re.finditer(r"\b(if|while) \(", code):
            open_at, depth = m.end() - 1, 0
            for j in range(open_at, len(code)):
                depth += {"(": 1, ")": -1}.get(code[j], 0)
                if depth == 0:
                    cond = line[open_at + 1:j]
                    sites.append((rel, n, open_at + 1, j, "!(" + cond + ")", "negation"))
                    break
        stripped = code.strip()
        if (stripped.endswith(";") and prev_end[-1] in ";{}:" and not DECLARATION.match(stripped)
                and stripped.count("(") == stripped.count(")") and not stripped.startswith(("}", "case", "default"))):
            start = len(code) - len(code.lstrip())
            sites.append((rel, n, start, len(line), "", "deletion"))
        prev_end = stripped
    return sites


def random_mutants(src, files, seed, k):
    """k faults on k different lines drawn with the seed: a line of the
    product code that allows a fault (so every file weighs in with its size),
    then one of the faults that line allows."""
    by_line = {}
    for rel in product_sources(files):
        with open(os.path.join(src, rel), encoding="utf-8", errors="replace") as f:
            for site in sites_of(rel, f.read()):
                by_line.setdefault((site[0], site[1]), []).append(site)
    rng = random.Random(seed)
    lines = rng.sample(sorted(by_line), min(k, len(by_line)))
    return [rng.choice(by_line[line]) for line in lines]


def mutate_line(text, site):
    rel, n, start, end, replacement, _kind = site
    lines = text.split(b"\n")
    line = lines[n - 1].decode("utf-8", errors="surrogateescape")
    lines[n - 1] = (line[:start] + replacement + line[end:]).encode("utf-8", errors="surrogateescape")
    return b"\n".join(lines)


def describe(text, site):
    rel, n, start, end, replacement, kind = site
    line = text.split(b"\n")[n - 1].decode("utf-8", errors="replace")
    return f"{rel}:{n} {kind}: {line[start:end].strip() or '(statement)'!r} -> {replacement!r}"


PRODUCT_TARGETS = ("quin_engine", "quin_uci", "quin_platform", "quintar", "quintar-amiga-standin")


def product_objects(build):
    """Hash of every object file of the product targets (not the tests)."""
    h = hashlib.sha256()
    top = os.path.join(build, "CMakeFiles")
    for d in sorted(os.listdir(top)):
        if d[:-len(".dir")] not in PRODUCT_TARGETS:
            continue
        for dirpath, _dirs, names in sorted(os.walk(os.path.join(top, d))):
            for n in sorted(names):
                if n.endswith(".o"):
                    with open(os.path.join(dirpath, n), "rb") as f:
                        h.update(n.encode() + f.read())
    return h.hexdigest()


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
    tree (tracked and untracked files that are not ignored) when rev is None,
    and the set of the paths that are executable (scripts the tests run)."""
    if rev:
        data = subprocess.run(["git", "archive", "--format=tar", rev], cwd=src, check=True,
                              capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as tar:
            members = [m for m in tar.getmembers() if m.isfile()]
            return ({m.name: tar.extractfile(m).read() for m in members},
                    {m.name for m in members if m.mode & 0o111})
    names = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=src,
                           check=True, capture_output=True).stdout.decode().split("\0")
    out, executable = {}, set()
    for rel in filter(None, names):
        path = os.path.join(src, rel)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                out[rel] = f.read()
            if os.access(path, os.X_OK):
                executable.add(rel)
    return out, executable


def sync_copy(files, executable, dst):
    """Makes dst hold exactly files, the executable ones executable;
    unchanged files keep their time stamps so that the build stays
    incremental."""
    for dirpath, _dirs, names in os.walk(dst):
        for n in names:
            rel = os.path.relpath(os.path.join(dirpath, n), dst)
            if rel not in files:
                os.remove(os.path.join(dst, rel))
    for rel, data in files.items():
        d = os.path.join(dst, rel)
        os.makedirs(os.path.dirname(d), exist_ok=True)
        same = False
        if os.path.exists(d):
            with open(d, "rb") as f:
                same = f.read() == data
        if not same:
            with open(d, "wb") as f:
                f.write(data)
        mode = 0o755 if rel in executable else 0o644
        if os.stat(d).st_mode & 0o777 != mode:
            os.chmod(d, mode)


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


def kill_rate(tally):
    killed = tally.get("killed", 0)
    judged = killed + tally.get("survived", 0) + tally.get("flaky", 0)
    return f"{killed}/{judged} killed ({100.0 * killed / judged:.0f} %)" if judged else "none judged"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", help="also write the report to this file")
    ap.add_argument("--only", help="comma-separated mutant names (random-NN: the NNth random one)")
    ap.add_argument("--labels", default="", help="ctest -L regex (default: every non-slow test)")
    ap.add_argument("--rev", help="test the tree of this git revision (default: the working tree)")
    # A clock test that fails on a loaded machine (a zero time limit that
    # still searches).  None of the mutants touches the clock.
    ap.add_argument("--exclude", default="FallbackIsFirstLegalMove", help="ctest -E regex")
    ap.add_argument("--timeout", type=int, default=300, help="seconds per mutant's test run")
    ap.add_argument("--seed", type=int, help="draw random faults with this seed")
    ap.add_argument("--random", type=int, metavar="K",
                    help="how many random faults (default with --seed: 5)")
    ap.add_argument("--no-chosen", action="store_true", help="only the random faults")
    # On a machine shared with another long job, -j1 leaves it its core.
    ap.add_argument("--jobs", type=int, default=2, help="parallel build and test jobs")
    args = ap.parse_args()
    if args.random and args.seed is None:
        ap.error("--random needs --seed")
    if args.random is None:
        args.random = 5 if args.seed is not None else 0

    work = os.environ.get("QUIN_MUTANT_DIR", "/tmp/quin-mutants")
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    os.makedirs(src, exist_ok=True)
    files, executable = source_files(ROOT, args.rev)
    sync_copy(files, executable, src)

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
    bld = ["cmake", "--build", build, f"-j{args.jobs}"]
    if not (run(cfg, src, 600) and run(bld, src, 1800)):
        sys.exit("mutants: the unmutated copy does not build")
    products = [t for t in PRODUCT_TARGETS[3:]
                if os.path.isdir(os.path.join(build, "CMakeFiles", t + ".dir"))]
    bld_products = bld + ["--target"] + products
    baseline = product_objects(build)
    # Every test runs, so that the rerun of the failed ones meets the test
    # that really catches the fault and not only a timing test.
    fast = ["ctest", "--test-dir", build, f"-j{args.jobs}", "--timeout", "60", "-LE", "slow", "-E", args.exclude]
    if args.labels:
        fast += ["-L", args.labels]
    sig = ["ctest", "--test-dir", build, "-R", "Signature", "--timeout", "120"]
    # Timing tests may fail once on a loaded machine: a second try decides.
    if not ((run(fast, src, args.timeout) or run_again(build, src, args.timeout)) and
            run(sig, src, args.timeout)):
        sys.exit("mutants: the unmutated copy fails its tests")

    def try_mutant(path, text, mutated):
        """Builds and tests the copy with path holding mutated; the verdict."""
        restore[path] = text
        with open(path, "wb") as f:
            f.write(mutated)
        try:
            if not run(bld_products, src, 900):
                return "build"
            if product_objects(build) == baseline:
                return "same"
            if not run(bld, src, 900):
                return "build"
            # A run cut off by the time limit leaves no list of its
            # failures; an older list must not stand in for it.
            failed_log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
            if os.path.exists(failed_log):
                os.remove(failed_log)
            return judge(lambda: run(fast, src, args.timeout),
                         lambda: run_again(build, src, args.timeout),
                         lambda: run(sig, src, args.timeout))
        finally:
            put_back()

    # (group, name, file, mutated text or None when not found, description)
    plan = []
    only = set(args.only.split(",")) if args.only else None
    for entry in ([] if args.no_chosen else MUTANTS):
        name, hint = entry[0], entry[1]
        context, old, new = (entry[2], None, entry[3]) if len(entry) == 4 else entry[2:]
        if only and name not in only:
            continue
        rel = locate(src, files, hint, context)
        mutated = None
        if rel:
            with open(os.path.join(src, rel), "rb") as f:
                mutated = apply_chosen(f.read(), context, old, new)
        plan.append(("chosen", name, rel or hint, mutated, rel or hint))
    if args.random:
        for i, site in enumerate(random_mutants(src, files, args.seed, args.random), 1):
            if only and f"random-{i:02d}" not in only:
                continue
            with open(os.path.join(src, site[0]), "rb") as f:
                text = f.read()
            plan.append(("random", f"random-{i:02d}", site[0], mutate_line(text, site),
                         describe(text, site)))

    lines, tallies = [], {"chosen": {}, "random": {}}
    started = time.time()
    try:
        for group, name, rel, mutated, what in plan:
            t0 = time.time()
            if mutated is None:
                verdict = "n/a"
            else:
                path = os.path.join(src, rel)
                with open(path, "rb") as f:
                    verdict = try_mutant(path, f.read(), mutated)
            tally = tallies[group]
            tally[verdict] = tally.get(verdict, 0) + 1
            line = f"{name:24} {verdict:9} {what}  ({time.time() - t0:.0f} s)"
            print(line, flush=True)
            lines.append(line)
    finally:
        put_back()
    summary = []
    for group, tally in tallies.items():
        if tally:
            counts = " ".join(f"{k} {v}" for k, v in sorted(tally.items()))
            summary.append(f"{group}: {counts}; kill rate {kill_rate(tally)}")
    if args.random:
        summary.append(f"random sample: seed {args.seed}, {args.random} faults")
    summary.append(f"time {time.time() - started:.0f} s")
    print("\n".join(summary))
    if args.out:
        with open(args.out, "w") as f:
            f.write("\n".join(lines + summary) + "\n")


if __name__ == "__main__":
    main()
