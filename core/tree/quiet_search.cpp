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
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/board/view_moves.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/types.h"

#include <cassert>

namespace {

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

// Where the kings of a node stand (x * 10 + y, -1 for none, as FindKing
// gives them), when its parent knows them: a move never moves, takes or
// makes a king of the side that did not move, and a move by a piece other
// than the king leaves its own side's kings where they stood.
constexpr int kKingUnknown = -2;
struct KnownKings {
    int own = kKingUnknown;    // the king of the side to move
    int enemy = kKingUnknown;  // the king of the other side
};

// The parent's view of the board and the move that led to the node, from
// which the node's own view follows square by square (no parent: the view
// is loaded from the board).
struct ParentView {
    const BoardView *view = nullptr;
    const MoveEffects *move = nullptr;
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

    int kingX, kingY;
    int ownKingPos, enemyKingPos;  // FindKing of the node's two sides
    bool enemyKing;                // without an enemy king no move can give check
    bool forced;                   // in check or answering a fork: every move, no stand pat
    double bestScore;
    int keptChain, keepAfterCheck, nextChecks;
    const double *before;  // the position before the opponent's last move
    // Discovered-check candidates depend only on the node's position, the
    // same in both passes: each is computed at most once (-1 not yet).
    signed char discovered[64];
    // Legality of the node's own moves, from the safety of its king: with
    // the king safe, from the pieces that shield it (a set of squares); in
    // check, from whether a move answers every attack.
    KingSafety king;
    uint64_t shields;
    SideMoveLegality legality;
    // The en-passant square as a square number, -1 for none.
    int enPassantSquare;
    // The node's position as an integer view: it stands unchanged while the
    // node walks its moves, since every move played or tested is taken back.
    BoardView view;
    // Whether the level's state slot holds the node's position: written
    // once, the first time a move is played or tested, since every move is
    // taken back and the children write only deeper slots.
    bool slotSaved;
};

// Writes the node's position to its state slot, once.
inline void save_slot(QuietNode &n) {
    if (n.slotSaved) return;
    SaveSearchState(n.level);
    n.slotSaved = true;
}

// MoveGivesCheckKnownKing for the node's own move.  A move that is no
// castling and no en passant changes two squares: the enemy king stands
// attacked after it when a piece of the mover's other than the moved one
// attacks it with the moved piece's square emptied and its target filled,
// or when the moved piece (a pawn reaching the last row as a queen)
// attacks it from the target.
inline bool move_gives_check(QuietNode &n, int fx, int fy, int tx, int ty) {
    save_slot(n);
    const BoardView &v = n.view;
    const int piece = v.at(fx, fy);
    int type = type_of(piece);
    const bool castle = type == kKing && (tx - fx == 2 || fx - tx == 2);
    const bool enPassant = type == kPawn && tx != fx && v.at(tx, ty) == 0;
    if (castle || enPassant || n.enemyKingPos < 0)
        return move_checks_in_place(n.player, fx, fy, tx, ty, n.enemyKingPos);
    if (type == kPawn && (ty == 0 || ty == 7)) type = kQueen;
    const int kx = n.kingX, ky = n.kingY;
    const int king = square_of(kx, ky), to = square_of(tx, ty);
    const uint64_t from = square_bit(square_of(fx, fy));
    const uint64_t occupancy = (v.occupied & ~from) | square_bit(to);
    bool check;
    switch (type) {
        case kPawn:
            check = ky == ty + (n.player == kWhite ? -1 : 1) && (kx - tx == 1 || tx - kx == 1);
            break;
        case kKnight: check = (knight_squares(to) >> king) & 1; break;
        case kKing: check = (king_squares(to) >> king) & 1; break;
        default:
            check = slides_along(type, tx - kx, ty - ky) && (between(king, to) & occupancy) == 0;
            break;
    }
    check = check || v.attacked_on(n.player, kx, ky, occupancy, from);
    assert(check == move_checks_in_place(n.player, fx, fy, tx, ty, n.enemyKingPos));
    return check;
}

// IsMoveValid for a move of the node's own piece on (fx, fy): the piece's
// rules read from the view, the king's safety as the node knows it.
inline bool move_legal(QuietNode &n, int fx, int fy, int tx, int ty) {
    assert(n.view.in_step());
    const int piece = n.view.at(fx, fy);
    const bool legal = with_piece_type(type_of(piece), [&](auto type) {
        if (n.king.attacked)
            return piece_rules_allow_as<type()>(n.view, fx, fy, tx, ty, piece) &&
                   n.legality.allowed_legal(fx, fy, tx, ty);
        return view_legal_as<type()>(n.view, n.king, rules_decide(n.king, n.shields, fx, fy, piece),
                                     fx, fy, tx, ty, piece);
    });
    assert(legal == (IsMoveValid(fx, fy, tx, ty) == 1));
    return legal;
}

// How a candidate or a pass ended.
enum class Walk { kGoOn, kCutoff, kTimeUp };

// The classification of one candidate move.
struct Candidate {
    bool tactical = false;
    bool quietCheck = false;
    bool quietFork = false;
    bool supportMove = false;
    bool moveLegal = false;
};

// The node's rooks, knights, bishops and queens: the pieces a fork can hit.
inline uint64_t fork_targets(const QuietNode &n) {
    const BoardView &v = n.view;
    return v.byPiece[make_piece(n.player, kRook)] | v.byPiece[make_piece(n.player, kKnight)] |
           v.byPiece[make_piece(n.player, kBishop)] | v.byPiece[make_piece(n.player, kQueen)];
}

// Whether some square on files b to g is such that an enemy pawn arriving
// there would attack two fork targets: without one, HasPawnForkThreat
// finds nothing.
inline bool pawn_fork_square_exists(const QuietNode &n) {
    const uint64_t t = fork_targets(n);
    // A White pawn on square s attacks the squares s - 9 and s - 7, a
    // Black pawn s + 7 and s + 9.
    const uint64_t squares = n.opponent == kWhite ? (t << 9) & (t << 7) : (t >> 7) & (t >> 9);
    const bool exists = (squares & kInnerFiles) != 0;
    assert(exists || HasPawnForkThreat(n.opponent) == 0);
    return exists;
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

// The node flags: the fork alarms, the reserved checks and the loose minor
// piece that bishop support moves may attack.
void set_node_flags(QuietNode &n) {
    const double levelD = n.level;
    // The opponent threatens a pawn fork: answer with every move.
    if (n.level < 8 && n.checksLeft >= 2 && n.remaining >= 2 && n.forkReply == kNoForkReply &&
        !n.inCheck && quietCheckNodes < zevivEzezoZtartLimit && pawn_fork_square_exists(n)) {
        if (HasPawnForkThreat(n.opponent) == 1) n.forkReply = kPawnForkAlarm;
    }
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

// Whether quiet checks may still be spent at this node.
inline bool quiet_checks_open(const QuietNode &n) {
    return n.checksLeft > 0 && n.level < kNoCheckLevel &&
           (quietCheckNodes < zevivEzezoZtartLimit || n.reservedChecks > 0);
}

// Whether the piece on (fx, fy) arriving on (tx, ty) can give check at all:
// directly by its geometry, or by uncovering a slider behind it.
inline bool may_give_check(QuietNode &n, int type, int fx, int fy, int tx, int ty) {
    if (direct_check_geometry(type, n.player, tx, ty, n.kingX, n.kingY)) return true;
    signed char &disc = n.discovered[square_of(fx, fy)];
    if (disc < 0)
        disc =
            static_cast<signed char>(quiet_discovery_candidate(fx, fy, n.kingX, n.kingY, n.player));
    return disc == 1;
}

// Pass 1: a move to an empty square is searched when it gives check (the
// node is never forced here).
bool is_quiet_check(QuietNode &n, int type, int fx, int fy, int tx, int ty, Candidate &c) {
    if (!n.enemyKing || !quiet_checks_open(n)) return false;
    if (!may_give_check(n, type, fx, fy, tx, ty)) return false;
    if (!move_legal(n, fx, fy, tx, ty)) return false;
    if (!move_gives_check(n, fx, fy, tx, ty)) return false;
    c.moveLegal = true;
    c.tactical = true;
    c.quietCheck = true;
    return true;
}

// Bishop move adding a second attacker to the loose minor piece: played on
// the board to see whether the bishop then attacks the target and could
// take it.
void test_support_move(QuietNode &n, int fx, int fy, int tx, int ty, Candidate &c) {
    if (!n.hasSupportTarget || n.supportCount >= 2) return;
    if (abs_int(tx - n.supportX) != abs_int(ty - n.supportY)) return;
    if (tx == n.supportX && ty == n.supportY) return;
    if (PieceAttacksSquare(fx, fy, n.supportX, n.supportY) != 0) return;
    if (!move_legal(n, fx, fy, tx, ty)) return;
    c.moveLegal = true;
    save_slot(n);
    MakeSearchMove(fx, fy, tx, ty);
    if (PieceAttacksSquare(tx, ty, n.supportX, n.supportY) == 1 &&
        IsMoveValid(tx, ty, n.supportX, n.supportY) == 1) {
        c.supportMove = true;
        c.quietFork = true;
        c.tactical = true;
    }
    RestoreSearchState(n.level);
}

// Pass 0: the tactical classification of a candidate.  Returns whether the
// move is searched.
bool is_tactical(QuietNode &n, int type, int fx, int fy, int tx, int ty, bool capture,
                 bool pawnPriority, Candidate &c) {
    if (!capture)
        c.tactical = n.forced;
    else if (n.remaining > 0)
        c.tactical = true;
    else
        // A capture on the square where the opponent has just taken one of
        // ours is a recapture.
        c.tactical =
            n.forced || (n.before != nullptr && colour_of(n.before[square_of(tx, ty)]) == n.player);
    if (pawnPriority) c.tactical = true;

    if (!c.tactical && !capture) {
        // Pawn push that attacks two pieces.
        if (type == kPawn && tx == fx && n.checksLeft > 0 && n.remaining > 0 && n.level < 9 &&
            PawnForkTargets(n.player, tx, ty) == 1) {
            c.tactical = true;
            c.quietFork = true;
        } else if (type == kBishop) {
            test_support_move(n, fx, fy, tx, ty, c);
        }
    }

    // A capture that the budget no longer covers is still searched when it
    // gives check.
    if (!c.tactical && capture && n.level < kNoCheckLevel && n.enemyKing) {
        if (may_give_check(n, type, fx, fy, tx, ty) && move_legal(n, fx, fy, tx, ty)) {
            c.moveLegal = true;
            if (move_gives_check(n, fx, fy, tx, ty)) c.tactical = true;
        }
    }
    return c.tactical;
}

double quiet_node(int player, int remaining, int level, double alpha, double beta, int checksLeft,
                  int forkReply, int chainKeep, KnownKings kings, ParentView parent);

// Plays a classified, legal candidate, searches the reply and folds the
// score into the node's window.
Walk search_candidate(QuietNode &n, const Candidate &c, int fx, int fy, int tx, int ty) {
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
    childKings.own = n.enemyKingPos;
    if (type_of(n.view.at(fx, fy)) != kKing) childKings.enemy = n.ownKingPos;
    save_slot(n);
    const MoveEffects move = move_effects(n.view, fx, fy, tx, ty);
    make_move(move);
    const ParentView parent{&n.view, &move};
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
    RestoreSearchState(n.level);
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

// One candidate (tx, ty) of the piece `mover` on (fx, fy) in pass `pass`:
// classified, and searched when it belongs to the pass.
Walk try_candidate(QuietNode &n, int pass, int fx, int fy, int mover, int tx, int ty) {
    const int type = type_of(mover);
    const int targetColour = colour_of(n.view.at(tx, ty));
    // The origin and squares of own pieces are never a legal move, whatever
    // their classification.
    if (targetColour == n.player) return Walk::kGoOn;
    const bool capture = targetColour != kNoSide;
    const bool pawnPriority = type == kPawn && n.remaining > 0 &&
                              (ty == 0 || ty == 7 || square_of(tx, ty) == n.enPassantSquare);

    Candidate c;
    if (pass == 1) {
        if (capture || pawnPriority) return Walk::kGoOn;
        if (!is_quiet_check(n, type, fx, fy, tx, ty, c)) return Walk::kGoOn;
    } else {
        if (!is_tactical(n, type, fx, fy, tx, ty, capture, pawnPriority, c)) return Walk::kGoOn;
    }
    if (!c.moveLegal && !move_legal(n, fx, fy, tx, ty)) return Walk::kGoOn;
    return search_candidate(n, c, fx, fy, tx, ty);
}

// The squares of the window of the node's `type` piece on (fx, fy) that
// pass `pass` may search; for every other square of the window
// try_candidate ends at once, with nothing done.  Pass 0 searches all of
// them in a forced node, else captures, a pawn's promotions, en passant
// and pushes that may fork (only while the line has plies left), and a
// bishop's moves onto a diagonal of the support target; pass 1 only moves to
// empty squares that may give check, while quiet checks are open (once
// closed they stay closed: the check node count only grows and the
// reserved checks only shrink).
uint64_t pass_targets(QuietNode &n, int pass, int type, int fx, int fy) {
    const BoardView &v = n.view;
    const uint64_t open = window_squares(type, n.player == kWhite, fx, fy) & ~v.bySide[n.player];
    if (pass == 0) {
        if (n.forced) return open;
        uint64_t keep = open & v.bySide[n.opponent];
        if (type == kPawn && n.remaining > 0) {
            // Promotions and en passant; pushes that may fork.
            keep |=
                open & (kBackRanks | (n.enPassantSquare >= 0 ? square_bit(n.enPassantSquare) : 0));
            if (n.checksLeft > 0 && n.level < 9) keep |= open & file_mask(fx);
        } else if (type == kBishop && n.hasSupportTarget) {
            // Squares on a diagonal of the support target, other than the
            // target itself.
            const int target = square_of(n.supportX, n.supportY);
            keep |= open & kCheckSquares.mask[0][target][kBishop] & ~square_bit(target);
        }
        return keep;
    }
    if (!n.enemyKing || !quiet_checks_open(n)) return 0;
    const uint64_t quiet = open & ~v.occupied;
    const uint64_t direct =
        kCheckSquares.mask[n.player == kWhite ? 0 : 1][square_of(n.kingX, n.kingY)][type];
    if ((quiet & ~direct) == 0) return quiet;
    signed char &disc = n.discovered[square_of(fx, fy)];
    if (disc < 0)
        disc =
            static_cast<signed char>(quiet_discovery_candidate(fx, fy, n.kingX, n.kingY, n.player));
    return disc == 1 ? quiet : quiet & direct;
}

// One pass over the candidate windows of the node's pieces in board order,
// polling the clock before every window row.  The polls before rows that
// hold nothing for the pass follow one another with nothing in between;
// they are made together, before the next row that does (or at the end).
Walk run_pass(QuietNode &n, int pass) {
    const bool white = n.player == kWhite;
    int polls = 0;  // rows passed over since the last poll
    for (uint64_t pieces = n.view.bySide[n.player]; pieces != 0;) {
        const int from = pop_lsb(pieces);
        const int fx = square_x(from), fy = square_y(from);
        const int mover = n.view.cell[from];
        const int type = type_of(mover);
        int firstRow, lastRow;
        window_rows(type, white, fy, firstRow, lastRow);
        int ty = firstRow;
        for (uint64_t targets = pass_targets(n, pass, type, fx, fy); targets != 0;) {
            const int row = square_y(lowest_square(targets));
            const uint64_t rowSquares = targets & rank_mask(row);
            targets &= ~rowSquares;
            polls += row - ty + 1;
            ty = row + 1;
            if (SearchTimeExpiredRepeated(polls) == 1) return Walk::kTimeUp;
            polls = 0;
            for (uint64_t squares = rowSquares; squares != 0;) {
                const int tx = square_x(pop_lsb(squares));
                const Walk end = try_candidate(n, pass, fx, fy, mover, tx, row);
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
    if (IsSearchRepetition(player, level) == 1) return 0;

    QuietNode n;
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
    // The king's safety (IsPlayerInCheck) also settles the legality of most
    // of the node's moves.
    // Debug builds check that the squares handed down are FindKing's.
    assert(kings.own == kKingUnknown || kings.own == FindKing(player));
    assert(kings.enemy == kKingUnknown || kings.enemy == FindKing(opponent_of(player)));
    n.ownKingPos = kings.own != kKingUnknown ? kings.own : static_cast<int>(FindKing(player));
    KingSafety &ownKing = n.king;
    ownKing = KingSafety();
    n.shields = 0;
    if (n.ownKingPos >= 0) {
        const int kx = king_pos_x(n.ownKingPos), ky = king_pos_y(n.ownKingPos);
        ownKing.king = n.ownKingPos;
        ownKing.attacked = n.view.attacked_by(opponent_of(player), kx, ky);
        if (!ownKing.attacked) n.shields = n.view.shields_of(player, kx, ky);
    }
    assert(ownKing.attacked == king_safety_at(player, n.ownKingPos).attacked);
    n.inCheck = ownKing.attacked;
    n.legality.reset(player, ownKing);
    n.enPassantSquare = n.view.enPassant;
    n.opponent = opponent_of(player);

    // Step 2. The node flags.
    set_node_flags(n);

    // Step 3. Mate and stalemate.
    if (!view_any_legal_move(n.view, player, ownKing, n.shields))
        return n.inCheck ? mated_score(player, level) : 0;

    // Step 4. Budgets, node count, draws and the horizon.
    count_node(n);
    computerNodes += 1;
    if (halfmoveClock >= 100) return 0;
    if (IsInsufficientMaterial() == 1) return 0;
    if (n.remaining <= 0) {
        if (level < kLastLevel && n.inCheck)
            n.remaining = 1;
        else if (level >= kLastLevel)
            return EvaluateBoard();
    }

    n.enemyKingPos =
        kings.enemy != kKingUnknown ? kings.enemy : static_cast<int>(FindKing(n.opponent));
    n.kingX = king_pos_x(n.enemyKingPos);
    n.kingY = king_pos_y(n.enemyKingPos);
    n.enemyKing = n.enemyKingPos >= 0;

    // Step 5. Stand pat, unless every move must be searched.
    n.forced = n.inCheck || n.forkReply != kNoForkReply;
    if (!n.forced) {
        n.bestScore = EvaluateBoard();
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
    for (int i = 0; i < 64; ++i) n.discovered[i] = -1;

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

// The same scan as HasLegalMove: the candidate windows, stopping at the
// first legal move.
double HasQuietLegalMove(double player) { return HasLegalMove(player); }

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
