#!/usr/bin/env python3
"""Runs a chess engine over an EPD test suite at a fixed time per position.

    tools/epd_suite.py --engine build/quintar --time 0.1 doc/suites/wac.epd
    tools/epd_suite.py --engine /usr/games/stockfish --time 1 \
        --option UCI_LimitStrength=true --option UCI_Elo=1500 doc/suites/wac.epd
    tools/epd_suite.py --engine /usr/games/fairymax --xboard --time 1 doc/suites/wac.epd

Each EPD line holds a position (the first four FEN fields) and operations
such as `bm Qg6;` (best moves: the engine must play one of them), `am Nf3;`
(avoid moves: it must play none of them) and `id "WAC.001";`.  The engine's
move, given in coordinate notation, is turned into standard algebraic
notation (SAN) by the small move generator below, so the suite's moves are
compared as written.  Prints one line per position and "solved S of N".
UCI engines get `go movetime`; xboard engines (driven as tools/match.py
drives fairymax) get the position through `edit` and `st` for whole seconds,
else one move's worth of clock.  An engine that crashes or stays silent past
the time plus a second misses the position and is started afresh.
Standard library only.
"""

import argparse
import os
import sys
import time
from collections import namedtuple

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import match  # noqa: E402  engine processes and their protocols

FILES = "abcdefgh"
KNIGHT_STEPS = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING_STEPS = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
ROOK_LINES = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_LINES = [(1, 1), (1, -1), (-1, 1), (-1, -1)]
SLIDES = {"R": ROOK_LINES, "B": BISHOP_LINES, "Q": ROOK_LINES + BISHOP_LINES}


def square(name):
    return (int(name[1]) - 1) * 8 + FILES.index(name[0])


def square_name(sq):
    return FILES[sq % 8] + str(sq // 8 + 1)


def step(sq, df, dr):
    """The square df files and dr ranks away, or None off the board."""
    f, r = sq % 8 + df, sq // 8 + dr
    return r * 8 + f if 0 <= f < 8 and 0 <= r < 8 else None


class Move(namedtuple("Move", "frm to promo")):
    def uci(self):
        return square_name(self.frm) + square_name(self.to) + self.promo.lower()


class Position:
    """Squares 0 (a1) to 63 (h8) holding FEN letters, "." for empty."""

    def __init__(self, board, white, castling, ep):
        self.board, self.white, self.castling, self.ep = board, white, castling, ep

    @classmethod
    def from_fen(cls, fen):
        fields = fen.split()
        board = ["."] * 64
        for i, row in enumerate(fields[0].split("/")):
            f = 0
            for c in row:
                if c.isdigit():
                    f += int(c)
                else:
                    board[(7 - i) * 8 + f] = c
                    f += 1
        castling = "" if len(fields) < 3 or fields[2] == "-" else fields[2]
        ep = square(fields[3]) if len(fields) > 3 and fields[3] != "-" else None
        return cls(board, len(fields) < 2 or fields[1] == "w", castling, ep)

    def mine(self, piece, white):
        return piece != "." and piece.isupper() == white

    def attacked(self, sq, by_white):
        """Whether a piece of the given colour attacks the square."""
        b = self.board
        pawn_rank = -1 if by_white else 1  # attacking pawns stand one rank behind
        for df in (-1, 1):
            s = step(sq, df, pawn_rank)
            if s is not None and b[s] == ("P" if by_white else "p"):
                return True
        for steps, kind in ((KNIGHT_STEPS, "N"), (KING_STEPS, "K")):
            for df, dr in steps:
                s = step(sq, df, dr)
                if s is not None and b[s] == (kind if by_white else kind.lower()):
                    return True
        for lines, kinds in ((ROOK_LINES, "RQ"), (BISHOP_LINES, "BQ")):
            for df, dr in lines:
                s = step(sq, df, dr)
                while s is not None:
                    if b[s] != ".":
                        if self.mine(b[s], by_white) and b[s].upper() in kinds:
                            return True
                        break
                    s = step(s, df, dr)
        return False

    def king_in_check(self, white):
        king = "K" if white else "k"
        return king in self.board and self.attacked(self.board.index(king), not white)

    def pseudo_moves(self):
        b, white = self.board, self.white
        for sq in range(64):
            piece = b[sq]
            if not self.mine(piece, white):
                continue
            kind = piece.upper()
            if kind == "P":
                yield from self.pawn_moves(sq)
            elif kind in "NK":
                for df, dr in KNIGHT_STEPS if kind == "N" else KING_STEPS:
                    s = step(sq, df, dr)
                    if s is not None and not self.mine(b[s], white):
                        yield Move(sq, s, "")
                if kind == "K":
                    yield from self.castlings(sq)
            else:
                for df, dr in SLIDES[kind]:
                    s = step(sq, df, dr)
                    while s is not None and not self.mine(b[s], white):
                        yield Move(sq, s, "")
                        if b[s] != ".":
                            break
                        s = step(s, df, dr)

    def pawn_moves(self, sq):
        b, white = self.board, self.white
        forward = 1 if white else -1
        last = 7 if white else 0
        targets = []
        s = step(sq, 0, forward)
        if s is not None and b[s] == ".":
            targets.append(s)
            s2 = step(s, 0, forward)
            if sq // 8 == (1 if white else 6) and b[s2] == ".":
                targets.append(s2)
        for df in (-1, 1):
            s = step(sq, df, forward)
            if s is not None and (self.mine(b[s], not white) or s == self.ep):
                targets.append(s)
        for s in targets:
            if s // 8 == last:
                yield from (Move(sq, s, p) for p in "QRBN")
            else:
                yield Move(sq, s, "")

    def castlings(self, sq):
        white = self.white
        home = 4 if white else 60
        if sq != home or self.king_in_check(white):
            return
        for right, rook, between, path in (("K", home + 3, [home + 1, home + 2], [home + 1, home + 2]),
                                           ("Q", home - 4, [home - 1, home - 2, home - 3],
                                            [home - 1, home - 2])):
            if (right if white else right.lower()) not in self.castling:
                continue
            if self.board[rook] != ("R" if white else "r"):
                continue
            if any(self.board[s] != "." for s in between):
                continue
            if any(self.attacked(s, not white) for s in path):
                continue
            yield Move(sq, path[-1], "")

    def play(self, move):
        b = list(self.board)
        piece = b[move.frm]
        kind = piece.upper()
        if kind == "P" and move.to == self.ep and b[move.to] == ".":
            b[move.to - 8 if self.white else move.to + 8] = "."
        if kind == "K" and abs(move.to - move.frm) == 2:
            rook_from, rook_to = ((move.frm + 3, move.frm + 1) if move.to > move.frm
                                  else (move.frm - 4, move.frm - 1))
            b[rook_to], b[rook_from] = b[rook_from], "."
        b[move.to] = (move.promo if self.white else move.promo.lower()) if move.promo else piece
        b[move.frm] = "."
        castling = self.castling
        for sq, rights in ((4, "KQ"), (60, "kq"), (0, "Q"), (7, "K"), (56, "q"), (63, "k")):
            if sq in (move.frm, move.to):
                castling = "".join(c for c in castling if c not in rights)
        ep = (move.frm + move.to) // 2 if kind == "P" and abs(move.to - move.frm) == 16 else None
        return Position(b, not self.white, castling, ep)

    def legal_moves(self):
        return [m for m in self.pseudo_moves() if not self.play(m).king_in_check(self.white)]

    def san(self, move, legal=None):
        """The move in standard algebraic notation, with + or # for check or mate."""
        legal = self.legal_moves() if legal is None else legal
        kind = self.board[move.frm].upper()
        capture = self.board[move.to] != "." or (kind == "P" and move.to == self.ep)
        if kind == "K" and abs(move.to - move.frm) == 2:
            text = "O-O" if move.to > move.frm else "O-O-O"
        elif kind == "P":
            text = (FILES[move.frm % 8] + "x" if capture else "") + square_name(move.to)
            if move.promo:
                text += "=" + move.promo.upper()
        else:
            rivals = [m.frm for m in legal if m.to == move.to and m.frm != move.frm
                      and self.board[m.frm] == self.board[move.frm]]
            origin = ""
            if rivals:
                if all(r % 8 != move.frm % 8 for r in rivals):
                    origin = FILES[move.frm % 8]
                elif all(r // 8 != move.frm // 8 for r in rivals):
                    origin = str(move.frm // 8 + 1)
                else:
                    origin = square_name(move.frm)
            text = kind + origin + ("x" if capture else "") + square_name(move.to)
        after = self.play(move)
        if after.king_in_check(after.white):
            text += "#" if not after.legal_moves() else "+"
        return text


def plain_san(text):
    """SAN without the marks that suites write inconsistently: check and mate
    signs, annotation glyphs, "=" before a promotion piece, zeros in castling."""
    text = text.strip().rstrip("+#!?").replace("=", "").replace("0", "O")
    return text[:-2] if text.endswith("ep") else text


def parse_epd(line):
    """(FEN, {operation: [operands]}) of one EPD line, or None for a blank one."""
    fields = line.split(None, 4)
    if len(fields) < 4:
        return None
    fen = " ".join(fields[:4]) + " 0 1"
    ops = {}
    for op in (fields[4] if len(fields) > 4 else "").split(";"):
        words, quoted, current = [], False, ""
        for c in op.strip():
            if c == '"':
                quoted = not quoted
            elif c == " " and not quoted:
                if current:
                    words.append(current)
                current = ""
            else:
                current += c
        if current:
            words.append(current)
        if words:
            ops[words[0]] = words[1:]
    return fen, ops


def judge(position, uci_move, ops):
    """(SAN of the engine's move or its raw text, solved) for the operations."""
    legal = position.legal_moves()
    move = next((m for m in legal if m.uci() == uci_move), None)
    if move is None:
        return f"{uci_move}(illegal)", False
    san = position.san(move, legal)
    solved = True
    if "bm" in ops:
        solved = plain_san(san) in {plain_san(m) for m in ops["bm"]}
    if "am" in ops:
        solved = solved and plain_san(san) not in {plain_san(m) for m in ops["am"]}
    return san, solved


def xboard_setup(fen):
    """Commands that put an xboard engine in force mode on the position, for
    engines without `setboard`: a first move a2a3 hands the move to black when
    black is to move, then `edit` places the pieces (castling follows from
    kings and rooks on their home squares)."""
    position = Position.from_fen(fen)
    commands = ["new", "force"] + ([] if position.white else ["a2a3"]) + ["edit", "#"]
    for white in (True, False):
        if not white:
            commands.append("c")
        commands += [p.upper() + square_name(sq) for sq, p in enumerate(position.board)
                     if position.mine(p, white)]
    return commands + ["."]


class UciSearcher(match.UciEngine):
    def search(self, fen, seconds):
        self.p.send("ucinewgame")
        self.p.send("position fen " + fen)
        self.p.send(f"go movetime {max(1, int(seconds * 1000))}")
        return self.await_move(seconds, "stop")


def xboard_time(seconds):
    """Commands that limit an xboard engine's think: `st` takes whole
    seconds; a shorter time becomes the clock for one move in one minute."""
    if seconds >= 1 and seconds == int(seconds):
        return [f"st {int(seconds)}"]
    centis = max(1, int(seconds * 100))
    return ["level 1 1 0", f"time {centis}", f"otim {centis}"]


class XboardSearcher(match.XboardEngine):
    def search(self, fen, seconds):
        for command in xboard_setup(fen) + ["post"] + xboard_time(seconds) + ["go"]:
            self.p.send(command)
        return self.await_move(seconds, "force")


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("epd")
    ap.add_argument("--engine", required=True)
    ap.add_argument("--xboard", action="store_true", help="the engine speaks xboard, not UCI")
    ap.add_argument("--time", type=float, default=1.0, help="seconds per position")
    ap.add_argument("--option", action="append", default=[], metavar="NAME=VALUE",
                    help="UCI option to set before the first position")
    args = ap.parse_args(argv)
    options = [tuple(o.split("=", 1)) for o in args.option]
    name = os.path.basename(args.engine)

    def start():
        return (XboardSearcher(args.engine, name, 60, 0) if args.xboard
                else UciSearcher(args.engine, name, options))

    engine = start()
    solved = total = faults = 0
    spent = 0.0
    try:
        with open(args.epd) as f:
            for number, line in enumerate(f, 1):
                parsed = parse_epd(line)
                if parsed is None:
                    continue
                fen, ops = parsed
                ident = (ops.get("id") or [f"line {number}"])[0]
                answer = engine.search(fen, args.time)
                spent += answer.seconds
                total += 1
                if answer.status != "ok" or not answer.move:
                    faults += 1
                    san, ok = answer.status, False
                else:
                    san, ok = judge(Position.from_fen(fen), answer.move, ops)
                solved += ok
                wanted = " ".join(f"{op} {' '.join(ops[op])}" for op in ("bm", "am") if op in ops)
                depth = "-" if answer.depth is None else answer.depth
                print(f"{ident:10} {'solved' if ok else 'missed':6} {san:10} {wanted:24}"
                      f" depth {depth:>3} {answer.seconds:6.2f} s", flush=True)
                if answer.status in ("crash", "no answer"):
                    # A late answer would be taken for the next position's.
                    engine.close()
                    engine = start()
    finally:
        engine.close()
    print(f"solved {solved} of {total}")
    print(f"{name} at {args.time:g} s per position: {faults} faults, average"
          f" {spent / max(1, total):.2f} s per position")
    return 0 if faults == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
