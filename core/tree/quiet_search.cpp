// The limited quiet search at the leaves of the main search.  Past the
// horizon it keeps following only the moves that can swing material or
// king safety: captures while the capture budget lasts, recaptures,
// checking captures, promotions, en-passant captures, pawn forks and
// bishop support moves, every move when in check or facing a fork, and in a
// second pass quiet checks under tight budgets.  Every node also recognises
// mate, stalemate, repetition, the fifty-move rule and dead material.
//
// The search works on the global board through the per-level state stack
// and allocates nothing; the candidate squares are the pieces' candidate
// windows (core/board/candidate_windows.h).  Each node also keeps an
// integer view of its position (core/board/board_view.h), taken from its
// parent's view and the move played: the node's pieces, its move tests
// and the squares each pass may search are read from it, while the board
// itself is only changed to play a move and put back.
//
// Globals: reads `board`, `enPassantX`, `enPassantY`, `halfmoveClock`,
// `searchBoard`, `searchIterationDepth`, `quietNodeLimit`, `quietCheckLimit`
// and `zevivEzezoZtartLimit`; reads and writes `quietNodes`,
// `quietCheckNodes`, `quietCheckActive` and `computerNodes`; changes the
// board and the state stack only between SaveSearchState and
// RestoreSearchState of its own level.
#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/dead_material.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/tree/node_chain.h"
#include "core/tree/quiet_node.h"
#include "core/tree/repetition.h"
#include "core/tree/search_state.h"
#include "core/types.h"

#include <cassert>

namespace {

using namespace quiet_detail;

// The node flags: the fork alarms, the reserved checks and the loose minor
// piece that bishop support moves may attack.
void set_node_flags(QuietNode &n) {
    const double levelD = n.level;
    // The opponent threatens a pawn fork: answer with every move.
    if (n.level < 8 && n.checksLeft >= 2 && n.remaining >= 2 && n.forkReply == kNoForkReply &&
        !n.inCheck && quietCheckNodes < zevivEzezoZtartLimit && pawn_fork_threat(n))
        n.forkReply = kPawnForkAlarm;
    // A knight of the opponent has just jumped into a fork of a major piece.
    if (n.level >= 2 && n.level < 8 && !n.inCheck && n.remaining >= 2 &&
        n.forkReply == kNoForkReply && n.checksLeft == 3 && levelD == searchIterationDepth &&
        knight_fork_exists(n) && HasKnightForkThreat(n.opponent, n.level) == 1)
        n.forkReply = kFollowFork;

    n.followReserve =
        (n.checksLeft == 2 && quietCheckActive > 0 && !n.inCheck && n.forkReply == kNoForkReply &&
         n.level < 9 && levelD == searchIterationDepth + 2 &&
         quietCheckNodes >= zevivEzezoZtartLimit)
            ? 1
            : 0;
    n.reservedChecks = (!n.inCheck && n.forkReply == kNoForkReply && n.checksLeft == 3 &&
                        levelD == searchIterationDepth)
                           ? 2
                           : n.followReserve;

    // A loose enemy minor piece under the queen's attack: bishop moves that
    // add a second attacker to it are searched as support moves.
    n.hasSupportTarget = false;
    n.supportX = n.supportY = 0;
    if (n.level < 7 && (n.chainKeep > 0 || n.remaining >= 2) && n.checksLeft >= 2 && !n.inCheck &&
        n.forkReply == kNoForkReply && quietCheckActive > 0 && levelD == searchIterationDepth + 2) {
        const double supportTarget = QueenMinorTarget(n.player);
        if (supportTarget > 0) {
            n.hasSupportTarget = true;
            const int target = static_cast<int>(supportTarget);
            n.supportX = minor_target_x(target);
            n.supportY = minor_target_y(target);
        }
    }
}

// Node budgets: past the limit the line only goes one more ply.
void count_node(QuietNode &n) {
    if (quietCheckActive > 0) {
        if (n.remaining > 1 && quietCheckNodes >= quietCheckLimit) n.remaining = 1;
        quietCheckNodes += 1;
    } else {
        if (n.remaining > 1 && quietNodes >= quietNodeLimit) n.remaining = 1;
        quietNodes += 1;
    }
    if (n.remaining < 1 && n.chainKeep > 0 && n.level < kLastLevel) n.remaining = 1;
}

// Pass 1: a move to an empty square is searched when it gives check (the
// node is never forced here).
bool is_quiet_check(QuietNode &n, int type, Square from, Square to, Candidate &c) {
    if (!n.enemyKing || !quiet_checks_open(n)) return false;
    if (!may_give_check(n, type, from, to)) return false;
    if (!move_gives_check(n, from, to)) return false;
    c.tactical = true;
    c.quietCheck = true;
    return true;
}

// Bishop move adding a second attacker to the loose minor piece: played on
// the board to see whether the bishop then attacks the target and could
// take it (asked of the legal-move interface on the view after the move).
void test_support_move(QuietNode &n, Square from, Square to, Candidate &c) {
    const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
    if (!n.hasSupportTarget || n.supportCount >= 2) return;
    if (abs_int(tx - n.supportX) != abs_int(ty - n.supportY)) return;
    if (tx == n.supportX && ty == n.supportY) return;
    if (PieceAttacksSquare(fx, fy, n.supportX, n.supportY) != 0) return;
    save_slot(n);
    const MoveEffects move = move_effects(EngineBoard(), from, to);
    MoveUndo undo;
    do_move(move, undo);
    const auto can_take = [&n, &move, to]() {
        BoardView after = n.view;
        after.apply(move);
        return LegalMoves(after, n.player).legal(to, square_of(n.supportX, n.supportY));
    };
    if (PieceAttacksSquare(tx, ty, n.supportX, n.supportY) == 1 && can_take()) {
        c.supportMove = true;
        c.quietFork = true;
        c.tactical = true;
    }
    take_back_search_move(move, undo, n.level);
}

// Pass 0: the tactical classification of a candidate.  Returns whether the
// move is searched.
bool is_tactical(QuietNode &n, int type, Square from, Square to, bool capture, bool pawnPriority,
                 Candidate &c) {
    if (!capture)
        c.tactical = n.forced;
    else if (n.remaining > 0)
        c.tactical = true;
    else
        // A capture on the square where the opponent has just taken one of
        // ours is a recapture.
        c.tactical = n.forced || (n.before != nullptr && colour_of(n.before[to]) == n.player);
    if (pawnPriority) c.tactical = true;

    if (!c.tactical && !capture) {
        // Pawn push that attacks two pieces.
        if (type == kPawn && square_x(to) == square_x(from) && n.checksLeft > 0 &&
            n.remaining > 0 && n.level < 9 && pawn_forks_from(n, square_x(to), square_y(to))) {
            c.tactical = true;
            c.quietFork = true;
        } else if (type == kBishop) {
            test_support_move(n, from, to, c);
        }
    }

    // A capture that the budget no longer covers is still searched when it
    // gives check.
    if (!c.tactical && capture && n.level < kNoCheckLevel && n.enemyKing) {
        if (may_give_check(n, type, from, to) && move_gives_check(n, from, to)) c.tactical = true;
    }
    return c.tactical;
}

double quiet_node(int player, int remaining, int level, double alpha, double beta, int checksLeft,
                  int forkReply, int chainKeep, KnownKings kings, ParentView parent);

// Plays a classified, legal candidate, searches the reply and folds the
// score into the node's window.
Walk search_candidate(QuietNode &n, const Candidate &c, Square from, Square to) {
    int nextKeep;
    if (c.quietCheck) {
        if (quietCheckNodes >= zevivEzezoZtartLimit && n.reservedChecks > 0) {
            n.reservedChecks -= 1;
            nextKeep = kKeepChain;
        } else {
            nextKeep = n.keepAfterCheck;
        }
    } else {
        nextKeep = n.keptChain;
    }
    if (c.supportMove) nextKeep = kKeepChain;

    KnownKings childKings;
    childKings.own = n.enemyKingSquare;
    if (type_of(n.view.cell[from]) != kKing) childKings.enemy = n.ownKingSquare;
    save_slot(n);
    const MoveEffects move = move_effects(n.view, from, to);
    const EvalKeyPlace childPlace = prefetch_view_eval_after(n.evalKey.sums, move);
    key_before_move(n.player, n.level, type_of(move.piece), move.captured, n.keyWritten);
    MoveUndo undo;
    do_move(move, undo);
    const ParentView parent{&n.view, &move, &childPlace, ParentView::Entry::kAfterMove};
    double score;
    if (c.quietFork || c.quietCheck) {
        quietCheckActive += 1;
        score =
            quiet_node(n.opponent, n.remaining + 1, n.level + 1, n.alpha, n.beta, n.checksLeft - 1,
                       c.quietFork ? kFollowFork : kNoForkReply, nextKeep, childKings, parent);
        quietCheckActive -= 1;
    } else {
        score = quiet_node(n.opponent, n.remaining - 1, n.level + 1, n.alpha, n.beta, n.nextChecks,
                           kNoForkReply, nextKeep, childKings, parent);
    }
    take_back_search_move(move, undo, n.level);
    if (SearchTimeExpired() == 1) return Walk::kTimeUp;

    if (n.player == kWhite) {
        if (score > n.bestScore) n.bestScore = score;
        if (n.bestScore > n.alpha) n.alpha = n.bestScore;
    } else {
        if (score < n.bestScore) n.bestScore = score;
        if (n.bestScore < n.beta) n.beta = n.bestScore;
    }
    if (n.alpha >= n.beta) return Walk::kCutoff;
    if (c.supportMove) n.supportCount += 1;
    return Walk::kGoOn;
}

// One legal candidate of the piece `mover` in pass `pass`: classified, and
// searched when it belongs to the pass.
Walk try_candidate(QuietNode &n, int pass, int mover, Square from, Square to) {
    const int type = type_of(mover);
    const int targetColour = colour_of(n.view.cell[to]);
    assert(targetColour != n.player);  // a legal move never lands on an own piece
    const bool capture = targetColour != kNoSide;
    const bool pawnPriority = type == kPawn && n.remaining > 0 &&
                              (((kBackRanks >> to) & 1) != 0 || to == n.enPassantSquare);

    Candidate c;
    if (pass == 1) {
        if (capture || pawnPriority) return Walk::kGoOn;
        if (!is_quiet_check(n, type, from, to, c)) return Walk::kGoOn;
    } else {
        if (!is_tactical(n, type, from, to, capture, pawnPriority, c)) return Walk::kGoOn;
    }
    return search_candidate(n, c, from, to);
}

// Pass 0's squares in a node that is not forced (so not in check): among
// the window's squares that a slider reaches, captures (a pawn takes only
// diagonally), a pawn's promotions, en passant and pushes onto a square
// from which it forks (only while the line has plies left), and a bishop's
// moves onto a diagonal of the support target other than the target
// itself.  The line test comes last, for the squares that remain.
QUIN_ALWAYS_INLINE uint64_t tactical_targets(QuietNode &n, int type, Square from) {
    const BoardView &v = n.view;
    const int fx = square_x(from);
    const uint64_t window = window_squares(type, n.player == kWhite, from) & ~v.bySide[n.player];
    uint64_t keep = window & v.bySide[n.opponent] & (type == kPawn ? ~file_mask(fx) : ~0ULL);
    if (type == kPawn && n.remaining > 0) {
        keep |=
            window & (kBackRanks | (n.enPassantSquare >= 0 ? square_bit(n.enPassantSquare) : 0));
        if (n.checksLeft > 0 && n.level < 9)
            keep |= window & file_mask(fx) & ~v.occupied & pawn_fork_squares(v, n.player);
    } else if (type == kBishop && n.hasSupportTarget) {
        const int target = square_of(n.supportX, n.supportY);
        keep |= window & kCheckSquares.mask[0][target][kBishop] & ~square_bit(target);
    }
    return keep == 0 ? 0 : keep & v.line_reach(type, from);
}

// Pass 1's squares (the node is not forced, so not in check): while quiet
// checks are open (once closed they stay closed: the check node count only
// grows and the reserved checks only shrink), the empty squares of the
// window that the piece reaches and from which it may give check, directly
// or by uncovering a slider.  The line test comes last.
QUIN_ALWAYS_INLINE uint64_t check_targets(QuietNode &n, int type, Square from) {
    if (!n.enemyKing || !quiet_checks_open(n)) return 0;
    const BoardView &v = n.view;
    const uint64_t quiet = window_squares(type, n.player == kWhite, from) & ~v.occupied;
    const uint64_t direct = kCheckSquares.mask[n.player == kWhite ? 0 : 1][n.enemyKingSquare][type];
    const uint64_t keep =
        (quiet & ~direct) == 0 || may_discover_check(n, from) ? quiet : quiet & direct;
    return keep == 0 ? 0 : keep & v.line_reach(type, from);
}

// The squares of the window of the node's `type` piece on `from` that
// pass `pass` may search, before the generator keeps the legal ones among
// them; for every other square of the window the pass would do nothing
// (the classification of a move it does not search has no effect).
// Squares the move could only reach illegally (behind a slider's first
// blocker; in check, off the squares that answer it) are left out here.  A
// forced node's pass 0 searches all of them; the other passes keep the
// squares of tactical_targets and check_targets.
QUIN_ALWAYS_INLINE uint64_t pass_targets(QuietNode &n, int pass, int type, Square from) {
    if (pass == 1) return check_targets(n, type, from);
    if (!n.forced) return tactical_targets(n, type, from);
    const BoardView &v = n.view;
    // A slider's squares behind the first piece on a line fail its rule
    // before anything is done with them.
    uint64_t open = window_squares(type, n.player == kWhite, from) & ~v.bySide[n.player] &
                    v.line_reach(type, from);
    // In check, a piece other than the king that shields nothing can only
    // take the attacker or step between (en passant is tested by itself).
    const ViewKingSafety &safety = n.legality.safety();
    if (safety.king.attacked && safety.checkDetail && type != kKing &&
        ((safety.shields >> from) & 1) == 0) {
        open &= safety.evasions |
                (type == kPawn && n.enPassantSquare >= 0 ? square_bit(n.enPassantSquare) : 0);
    }
#ifndef NDEBUG
    const uint64_t window = window_squares(type, n.player == kWhite, from) & ~v.bySide[n.player];
    for (uint64_t dropped = window & ~open; dropped != 0;)
        assert(!move_legal(n, from, pop_lsb(dropped)));
#endif
    return open;
}

// One pass over the candidate windows of the node's pieces in board order,
// polling the clock before every window row: each piece's legal moves that
// the pass may search (the generator's, among pass_targets), row by row.
// The polls before rows that hold nothing for the pass follow one another
// with nothing in between; they are made together, before the next row
// that does (or at the end).
Walk run_pass(QuietNode &n, int pass) {
    const bool white = n.player == kWhite;
    int polls = 0;  // rows passed over since the last poll
    for (uint64_t pieces = n.view.bySide[n.player]; pieces != 0;) {
        const Square from = pop_lsb(pieces);
        const int mover = n.view.cell[from];
        const int type = type_of(mover);
        const int y = square_y(from);
        const int lastRow = kWindowRows.last[white][type][y];
        int ty = kWindowRows.first[white][type][y];
        for (uint64_t targets = n.legality.moves_in_reach(from, pass_targets(n, pass, type, from));
             targets != 0;) {
            const int row = square_y(lowest_square(targets));
            const uint64_t rowSquares = targets & rank_mask(row);
            targets &= ~rowSquares;
            polls += row - ty + 1;
            ty = row + 1;
            if (SearchTimeExpiredRepeated(polls) == 1) return Walk::kTimeUp;
            polls = 0;
            for (uint64_t squares = rowSquares; squares != 0;) {
                const Walk end = try_candidate(n, pass, mover, from, pop_lsb(squares));
                if (end != Walk::kGoOn) return end;
            }
        }
        if (lastRow >= ty) polls += lastRow - ty + 1;
    }
    if (polls > 0 && SearchTimeExpiredRepeated(polls) == 1) return Walk::kTimeUp;
    return Walk::kGoOn;
}

double quiet_node(int player, int remaining, int level, double alpha, double beta, int checksLeft,
                  int forkReply, int chainKeep, KnownKings kings, ParentView parent) {
    // Step 1. Time and repetition.
    if (SearchTimeExpired() == 1) return 0;
    bool keyWritten = true;
    if (parent.entry == ParentView::Entry::kAfterMove) {
        if (ChildIsRepetition(player, level, keyWritten)) return 0;
    } else if (parent.entry == ParentView::Entry::kTested) {
        keyWritten = parent.keyWritten;
    } else if (IsSearchRepetition(player, level) == 1) {
        return 0;
    }

    QuietNode n;
    n.keyWritten = keyWritten;
    n.player = player;
    n.remaining = remaining > kLastLevel - level ? kLastLevel - level : remaining;
    n.level = level;
    n.alpha = alpha;
    n.beta = beta;
    n.checksLeft = checksLeft;
    n.forkReply = forkReply;
    n.chainKeep = chainKeep;
    n.slotSaved = false;
    if (parent.view != nullptr) {
        n.view = *parent.view;
        n.view.apply(*parent.move);
    } else {
        n.view.load();
    }
    assert(n.view.in_step());
    // The stand-pat evaluation's cache slot starts loading now, while the
    // node's tests run.
    if (parent.place != nullptr)
        prepare_view_eval_known(n.view, *parent.place, n.evalKey);
    else
        prepare_view_eval(n.view, n.evalKey);
    // The king's safety (IsPlayerInCheck) also settles the legality of most
    // of the node's moves.
    // The kings' squares are handed down or read from the view; Debug builds
    // check that they are FindKing's.
    n.ownKingSquare = kings.own != kKingUnknown ? kings.own : n.view.king_square_of(player);
    assert(n.ownKingSquare == king_square(static_cast<int>(FindKing(player))));
    n.legality.reset_at(n.view, player, n.ownKingSquare);
    n.inCheck = n.legality.safety().king.attacked;
    n.enPassantSquare = n.view.enPassant;
    n.opponent = opponent_of(player);

    // Step 2. The node flags.
    set_node_flags(n);

    // Step 3. Mate and stalemate.
    const bool canMove = n.legality.any();
    assert(canMove == (HasQuietLegalMove(player) == 1));
    if (!canMove) return n.inCheck ? mated_score(player, level) : 0;

    // Step 4. Budgets, node count, draws and the horizon.
    count_node(n);
    computerNodes += 1;
    if (halfmoveClock >= 100) return 0;
    const bool dead = insufficient_material(n.view);
    assert(dead == (IsInsufficientMaterial() == 1));
    if (dead) return 0;
    if (n.remaining <= 0) {
        if (level < kLastLevel && n.inCheck)
            n.remaining = 1;
        else if (level >= kLastLevel)
            return evaluate_prepared_view(n.view, n.evalKey);
    }

    n.enemyKingSquare =
        kings.enemy != kKingUnknown ? kings.enemy : n.view.king_square_of(n.opponent);
    assert(n.enemyKingSquare == king_square(static_cast<int>(FindKing(n.opponent))));
    n.enemyKing = n.enemyKingSquare != kNoSquare;
    // Without an enemy king no test reads its file and row.
    n.kingX = n.enemyKing ? square_x(n.enemyKingSquare) : 0;
    n.kingY = n.enemyKing ? square_y(n.enemyKingSquare) : -1;

    // Step 5. Stand pat, unless every move must be searched.
    n.forced = n.inCheck || n.forkReply != kNoForkReply;
    if (!n.forced) {
        n.bestScore = evaluate_prepared_view(n.view, n.evalKey);
        if (player == kWhite) {
            if (n.bestScore >= n.beta) return n.bestScore;
            if (n.bestScore > n.alpha) n.alpha = n.bestScore;
        } else {
            if (n.bestScore <= n.alpha) return n.bestScore;
            if (n.bestScore < n.beta) n.beta = n.bestScore;
        }
    } else {
        n.bestScore = worst_score(player);
    }

    // Step 6. The passes: tactical moves, then (unforced nodes only) the
    // quiet checks.
    const int lastQuietPass = n.forced ? 0 : 1;
    n.keptChain = n.chainKeep > 1 ? n.chainKeep - 1 : 0;
    n.keepAfterCheck = n.followReserve == 1 ? kKeepChain : n.keptChain;
    n.nextChecks = n.forkReply == kPawnForkAlarm ? n.checksLeft - 1 : n.checksLeft;
    n.supportCount = 0;
    n.before = level > 0 ? searchBoard[level - 1] : nullptr;
    n.discoveriesKnown = false;

    for (int quietPass = 0; quietPass <= lastQuietPass; ++quietPass) {
        if (quietPass == 1 && !quiet_checks_open(n)) return n.bestScore;
        const Walk end = run_pass(n, quietPass);
        if (end == Walk::kTimeUp) return 0;
        if (end == Walk::kCutoff) return n.bestScore;
    }
    return n.bestScore;
}

}  // namespace

double LimitedQuietSearch(double player, double remaining, double level, double alpha, double beta,
                          double checksLeft, double forkReply, double chainKeep) {
    return quiet_node(static_cast<int>(player), static_cast<int>(remaining),
                      static_cast<int>(level), alpha, beta, static_cast<int>(checksLeft),
                      static_cast<int>(forkReply), static_cast<int>(chainKeep), KnownKings(),
                      ParentView());
}

double ChainLeafSearch(int player, int level, double alpha, double beta, ChainLeaf how,
                       bool keyWritten, const ChainParent &from) {
    ResetQuietCounters();
    ParentView origin;
    origin.view = from.view;
    origin.move = from.move;
    origin.place = from.place;
    origin.entry =
        how == ChainLeaf::kTested ? ParentView::Entry::kTested : ParentView::Entry::kAfterMove;
    origin.keyWritten = keyWritten;
    return quiet_node(player, kQuietStartRemaining, level, alpha, beta, kQuietStartChecks,
                      kNoForkReply, kNoChainKeep, KnownKings(), origin);
}

// Whether the side can move at all, by the double board's own test: each
// piece in board order walks its candidate window, and the first square
// that IsMoveValid accepts ends the scan.  The node asks the board view
// instead (view_any_legal_move); Debug builds check it against this scan.
double HasQuietLegalMove(double player) {
    const bool none = for_each_piece_of(static_cast<int>(player), [](int fx, int fy, int piece) {
        return visit_window(piece, fx, fy,
                            [fx, fy](int tx, int ty) { return IsMoveValid(fx, fy, tx, ty) == 0; });
    });
    return none ? 0 : 1;
}

double ResetQuietCounters() {
    quietNodes = 0;
    quietCheckNodes = 0;
    quietCheckActive = 0;
    return 0;
}

int quiet_discovery_candidate(int fx, int fy, int kx, int ky, int player) {
    if (fx == kx && fy == ky) return 0;
    if (fx < 0 || fx > 7 || fy < 0 || fy > 7) return 0;
    const int dx = fx - kx;
    const int dy = fy - ky;
    if (dx != 0 && dy != 0 && abs_int(dx) != abs_int(dy)) return 0;
    const int sx = (dx > 0) - (dx < 0);
    const int sy = (dy > 0) - (dy < 0);
    // The line from the king to the piece must be open.
    for (int x = kx + sx, y = ky + sy; x != fx || y != fy; x += sx, y += sy) {
        if (x >= 0 && x <= 7 && y >= 0 && y <= 7 && board[x][y] != 0) return 0;
    }
    // First piece behind it on the same line.
    int x = fx + sx, y = fy + sy;
    while (x >= 0 && x <= 7 && y >= 0 && y <= 7 && board[x][y] == 0) {
        x += sx;
        y += sy;
    }
    if (x < 0 || x > 7 || y < 0 || y > 7) return 0;
    const int piece = piece_at(x, y);
    if (colour_of(piece) != player) return 0;
    const int type = type_of(piece);
    const bool diagonal = sx != 0 && sy != 0;
    if (type == kQueen) return 1;
    if (type == kBishop && diagonal) return 1;
    if (type == kRook && !diagonal) return 1;
    return 0;
}
