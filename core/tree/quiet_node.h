// What a node of the limited quiet search (core/tree/quiet_search.cpp)
// knows about itself while it walks its moves, and the tests it makes of
// its own moves from its integer view of the board: whether a move is
// legal, whether it can give check and whether it does, and the quick
// screens that tell when no fork can be threatened.  Internal to core/tree.
#pragma once

#include "core/board/board_view.h"
#include "core/board/legal_moves.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/tree/threat_tests.h"
#include "core/types.h"

#include <cassert>

namespace quiet_detail {

// The deepest level a quiet node may reach: there it only evaluates.
constexpr int kLastLevel = 11;
// From this level on no move is tested for giving check.
constexpr int kNoCheckLevel = 10;
// forkReply: the node answers a fork, support move or knight-fork threat of
// the opponent (kFollowFork), or a pawn-fork threat (kPawnForkAlarm), and
// searches every move.
constexpr int kFollowFork = 1;
constexpr int kPawnForkAlarm = 2;
// chainKeep handed to the replies of support moves and reserved checks.
constexpr int kKeepChain = 2;

inline int piece_at(int x, int y) { return static_cast<int>(board[x][y]); }
inline int abs_int(int v) { return v < 0 ? -v : v; }

// Where the kings of a node stand (the squares FindKing finds, kNoSquare
// for none), when its parent knows them: a move never moves, takes or
// makes a king of the side that did not move, and a move by a piece other
// than the king leaves its own side's kings where they stood.
constexpr Square kKingUnknown = static_cast<Square>(-2);
struct KnownKings {
    Square own = kKingUnknown;    // the king of the side to move
    Square enemy = kKingUnknown;  // the king of the other side
};

// The parent's view of the board and the move that led to the node, from
// which the node's own view follows square by square (no parent view: the
// view is loaded from the board), and how the node came to be searched.
struct ParentView {
    const BoardView *view = nullptr;
    const MoveEffects *move = nullptr;
    // The place of the node's evaluation key, when the parent has worked it
    // out from its own sums and the move.
    const EvalKeyPlace *place = nullptr;
    enum class Entry {
        kDirect,     // a top-level call: the full repetition test
        kTested,     // a chain node at the same level and in the same
                     // position has just made the test (keyWritten: whether
                     // it left the key in the level's slot)
        kAfterMove,  // the search's own move led here: the search's rule
    };
    Entry entry = Entry::kDirect;
    bool keyWritten = true;
};

// Everything a quiet node knows about itself while it walks its moves.
struct QuietNode {
    int player, remaining, level;
    double alpha, beta;
    int checksLeft, forkReply, chainKeep;

    bool inCheck;
    int opponent;
    int followReserve;
    int reservedChecks;
    bool hasSupportTarget;
    int supportX, supportY;
    int supportCount;

    int kingX, kingY;                       // the enemy king's file and row
    Square ownKingSquare, enemyKingSquare;  // FindKing of the node's two sides
    bool enemyKing;                         // without an enemy king no move can give check
    bool forced;  // in check or answering a fork: every move, no stand pat
    double bestScore;
    int keptChain, keepAfterCheck, nextChecks;
    const double *before;  // the position before the opponent's last move
    // The pieces whose move may uncover a check (discovery_candidates),
    // worked out the first time a move is asked about.
    uint64_t discoveries;
    bool discoveriesKnown;
    // Legality of the node's own moves on its view, from the safety of its
    // king: with the king safe, from the pieces that shield it (a set of
    // squares); in check, from whether a move answers every attack.
    LegalMoves legality;
    // The en-passant square as a square number, -1 for none.
    int enPassantSquare;
    // The node's position as an integer view: it stands unchanged while the
    // node walks its moves, since every move played or tested is taken back.
    BoardView view;
    // The view's evaluation-cache key, prepared when the node starts.
    ViewEvalKey evalKey;
    // Whether the level's state slot holds the node's position: written
    // once, the first time a move is played or tested, since every move is
    // taken back and the children write only deeper slots.
    bool slotSaved;
    // Whether the level's key slot holds the node's key (a node reached by
    // a capture or pawn move writes it only before a move that may be
    // repeated: core/tree/repetition.h).
    bool keyWritten;
};

// Writes the node's position to its state slot, once.
inline void save_slot(QuietNode &n) {
    if (n.slotSaved) return;
    SaveSearchState(n.level);
    n.slotSaved = true;
}

// Whether the node's own move checks the enemy king (SearchMoveGivesCheck's
// answer, with the level's slot written as it writes it), from the node's
// view.
inline bool move_gives_check(QuietNode &n, Square from, Square to) {
    save_slot(n);
    return view_move_gives_check(n.view, n.player, n.enemyKingSquare, from, to);
}

// Whether a move of the node's own piece on `from` is legal (IsMoveValid's
// verdict): the piece's rules read from the view, the king's safety as the
// node knows it.
inline bool move_legal(QuietNode &n, Square from, Square to) { return n.legality.legal(from, to); }

// How a candidate or a pass ended.
enum class Walk { kGoOn, kCutoff, kTimeUp };

// The classification of one candidate move.
struct Candidate {
    bool tactical = false;
    bool quietCheck = false;
    bool quietFork = false;
    bool supportMove = false;
};

// The node's own fork targets.
inline uint64_t fork_targets(const QuietNode &n) { return fork_targets_of(n.view, n.player); }

// Whether a pawn of the node's side on (x, y), files b to g, attacks two of
// the opponent's fork targets: PawnForkTargets(n.player, x, y) read from the
// view.
inline bool pawn_forks_from(const QuietNode &n, int x, int y) {
    const bool forks = (pawn_fork_squares(n.view, n.player) >> square_of(x, y)) & 1;
    assert(forks == (PawnForkTargets(n.player, x, y) == 1));
    return forks;
}

// Whether an enemy pawn on files b to g and rows 1 to 6 has a push in its
// window to an empty square from which it would attack two fork targets, and
// the push is legal (LegalMoves): HasPawnForkThreat(n.opponent) on
// the node's view.  Only the squares that fork are looked at, and only the
// pawns that reach one; the answer does not hang on the order the pushes are
// tried in (the test only reads the view).
inline bool pawn_fork_threat(const QuietNode &n) {
    const BoardView &v = n.view;
    const int side = n.opponent;
    const bool white = side == kWhite;
    const uint64_t forks = pawn_fork_squares(v, side) & ~v.occupied;
    bool found = false;
    if (forks != 0) {
        LegalMoves moves;  // worked out for the first push onto a fork square
        bool known = false;
        const auto legal = [&](Square from, Square to) {
            if (!known) moves.reset(v, side, view_king_safety(v, side));
            known = true;
            return moves.legal(from, to);
        };
        // White pawns push toward row 0: one row, or two from row 6.
        const uint64_t reach = white ? (forks << 8) | ((forks & rank_mask(4)) << 16)
                                     : (forks >> 8) | ((forks & rank_mask(3)) >> 16);
        for (uint64_t pawns = v.byPiece[make_piece(side, kPawn)] & reach & ~kBackRanks;
             pawns != 0 && !found;) {
            const Square from = pop_lsb(pawns);
            const int x = square_x(from), y = square_y(from);
            int firstRow, lastRow;
            window_rows(kPawn, white, y, firstRow, lastRow);
            for (int ty = firstRow; ty <= lastRow && !found; ++ty)
                found = ((forks >> square_of(x, ty)) & 1) != 0 && legal(from, square_of(x, ty));
        }
    }
    assert(found == (HasPawnForkThreat(side) == 1));
    return found;
}

// Whether an enemy knight stands a jump away from two fork targets, one a
// rook or queen: without one, HasKnightForkThreat finds nothing.
inline bool knight_fork_exists(const QuietNode &n) {
    const BoardView &v = n.view;
    const uint64_t t = fork_targets(n);
    const uint64_t majors =
        v.byPiece[make_piece(n.player, kRook)] | v.byPiece[make_piece(n.player, kQueen)];
    for (uint64_t knights = v.byPiece[make_piece(n.opponent, kKnight)]; knights != 0;) {
        const uint64_t hit = knight_squares(pop_lsb(knights)) & t;
        if (more_than_one(hit) && (hit & majors) != 0) return true;
    }
    assert(HasKnightForkThreat(n.opponent, n.level) == 0);
    return false;
}

// Whether quiet checks may still be spent at this node.
inline bool quiet_checks_open(const QuietNode &n) {
    return n.checksLeft > 0 && n.level < kNoCheckLevel &&
           (quietCheckNodes < zevivEzezoZtartLimit || n.reservedChecks > 0);
}

// The node's pieces that stand alone between the enemy king and one of
// their side's queens, rooks on a rank or file or bishops on a diagonal:
// the pieces whose move may uncover a check (quiet_discovery_candidate for
// every square at once).  The node has an enemy king.
inline uint64_t discovery_candidates(QuietNode &n) {
    if (!n.discoveriesKnown) {
        n.discoveries = n.view.lone_blockers(n.player, n.enemyKingSquare, n.player);
        n.discoveriesKnown = true;
    }
    return n.discoveries;
}

// Whether the piece on `from` may uncover a check by moving.
inline bool may_discover_check(QuietNode &n, Square from) {
    const bool candidate = (discovery_candidates(n) >> from) & 1;
    assert(candidate == (quiet_discovery_candidate(square_x(from), square_y(from), n.kingX, n.kingY,
                                                   n.player) == 1));
    return candidate;
}

// Whether the piece on `from` arriving on `to` can give check at all:
// directly by its geometry, or by uncovering a slider behind it.
inline bool may_give_check(QuietNode &n, int type, Square from, Square to) {
    return direct_check_geometry(type, n.player, square_x(to), square_y(to), n.kingX, n.kingY) ||
           may_discover_check(n, from);
}

}  // namespace quiet_detail
