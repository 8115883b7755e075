// The move tests of core/board/move_validation.cpp in whole-number form, for
// loops that try many candidates of one position (perft, the search's move
// scans): the same tests as IsBasicMoveValid, IsMoveValidKnownKing and
// PieceShieldsKing, without the conversions to and from doubles.  A king
// position is encoded as FindKing gives it (core/board/geometry.h).
//
// Which test answers which question (each agrees with the engine's own
// test named in brackets):
//   may this piece make this step, the king's safety aside?
//       piece_rules_allow, piece_rules_allow_as<Type> (IsBasicMoveValid)
//   is this move legal?
//       move_legal_known_king, with the mover's king known (IsMoveValidKnownKing);
//       SideMoveLegality::legal, for many candidates of one side;
//       view_legal_as<Type> on the board view (core/board/view_moves.h)
//   can the move of this piece leave its king attacked at all?
//       rules_decide: no, when the king is safe and the piece neither is
//       the king nor shields it
//   how safe is the side's king?
//       KingSafety (king_safety) on the board, ViewKingSafety
//       (view_king_safety) on the view, shields included
//   has the side a legal move?
//       any_legal_move (HasLegalMove), view_any_legal_move on the view
// What a move changes, for the tests that play it in place, is described
// once in core/board/move_effects.h.
#pragma once

#include "core/board/geometry.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <cstdlib>

// ------------------------------------------------------------ piece rules
// The movement rules of each piece type, inline so that loops which try
// many candidates of a known piece type fold the type's rule into the loop
// (always inlined: the compiler's own limits stop at the pawn's).
// The rules read the board through `b`: the engine's board itself
// (EngineBoard) or an integer view of it (core/board/board_view.h) that
// agrees with it square for square.

// The engine's board as the piece rules read it.
struct EngineBoard {
    double at(int x, int y) const { return board[x][y]; }
    bool en_passant_at(int x, int y) const { return x == enPassantX && y == enPassantY; }

    // Whether the squares strictly between (fx, fy) and (tx, ty), which
    // share a row, a column or a diagonal, are empty.  The line has `steps`
    // squares from one end to the other.
    bool clear_between(int fx, int fy, int tx, int ty, int steps) const {
        const int sx = (tx > fx) - (tx < fx), sy = (ty > fy) - (ty < fy);
        int cx = fx, cy = fy;
        for (int k = steps - 1; k > 0; --k) {
            cx += sx;
            cy += sy;
            if (board[cx][cy] != 0) return false;
        }
        return true;
    }
};

namespace piece_rules {

template <class Board>
inline bool bishop_line(const Board &b, int fx, int fy, int tx, int ty) {
    const int dx = std::abs(tx - fx), dy = std::abs(ty - fy);
    return dx != 0 && dx == dy && b.clear_between(fx, fy, tx, ty, dx);
}

template <class Board>
inline bool rook_line(const Board &b, int fx, int fy, int tx, int ty) {
    return ((tx == fx) != (ty == fy)) &&
           b.clear_between(fx, fy, tx, ty, std::abs(tx - fx + ty - fy));
}

inline bool knight_jump(int fx, int fy, int tx, int ty) { return ::knight_jump(tx - fx, ty - fy); }

inline bool king_step(int fx, int fy, int tx, int ty) { return ::king_step(tx - fx, ty - fy); }

// The pawn rules (IsPawnMoveValid) for `piece` on (fx, fy): one step ahead
// to an empty square, two from the start row over two empty squares, one
// diagonal step onto an enemy piece or onto the en-passant square behind an
// enemy pawn.  A piece that is no pawn has no pawn move.
template <class Board>
QUIN_ALWAYS_INLINE bool pawn_step(const Board &b, int fx, int fy, int tx, int ty, int piece) {
    if (type_of(piece) != kPawn) return false;
    const int side = colour_of(piece);
    const int dir = side == kWhite ? -1 : 1;
    const int startRow = side == kWhite ? 6 : 1;
    const int dx = tx - fx, dy = ty - fy;
    const auto target = b.at(tx, ty);
    if (dx == 0 && dy == dir && target == 0) return true;
    if (dx == 0 && fy == startRow && dy == 2 * dir && target == 0 && b.at(fx, fy + dir) == 0)
        return true;
    if (std::abs(dx) != 1 || dy != dir) return false;
    if (target != 0) return colour_of(target) != side;
    if (b.en_passant_at(tx, ty)) return b.at(tx, fy) == make_piece(opponent_of(side), kPawn);
    return false;
}

}  // namespace piece_rules

// IsCastleValid in whole numbers: the king on (fx, fy) castles to (tx, ty).
bool castle_allowed(int fx, int fy, int tx, int ty);

// The piece rules (IsBasicMoveValid) for `piece`, of type Type, standing on
// (fx, fy): the target holds no piece of its own side and no king, and the
// type's movement rule allows the step.  Castling reads the engine's board,
// which the view agrees with.
template <int Type, class Board>
QUIN_ALWAYS_INLINE bool piece_rules_allow_as(const Board &b, int fx, int fy, int tx, int ty,
                                             int piece) {
    assert(piece != 0 && b.at(fx, fy) == piece && board[fx][fy] == piece && type_of(piece) == Type);
    const auto target = b.at(tx, ty);
    if (target != 0) {
        if (colour_of(target) == colour_of(piece)) return false;
        if (type_of(target) == kKing) return false;
    }
    switch (Type) {
        case kPawn: return piece_rules::pawn_step(b, fx, fy, tx, ty, piece);
        case kRook: return piece_rules::rook_line(b, fx, fy, tx, ty);
        case kKnight: return piece_rules::knight_jump(fx, fy, tx, ty);
        case kBishop: return piece_rules::bishop_line(b, fx, fy, tx, ty);
        case kQueen:
            return piece_rules::rook_line(b, fx, fy, tx, ty) ||
                   piece_rules::bishop_line(b, fx, fy, tx, ty);
        case kKing: return piece_rules::king_step(fx, fy, tx, ty) || castle_allowed(fx, fy, tx, ty);
        default: return false;
    }
}

// The piece rules alone (IsBasicMoveValid), on the engine's board.
bool piece_rules_allow(int fx, int fy, int tx, int ty);

// For a rook, bishop or queen on (fx, fy): every target that the piece
// rules allow it (piece_rules_allow), as a set of squares.
uint64_t slider_rules_targets(int fx, int fy);

// Full legality with the mover's king known (IsMoveValidKnownKing).
bool move_legal_known_king(int fx, int fy, int tx, int ty, int kingPos, bool kingAttacked);

// The shield test below for a piece on (fx, fy) and its king on (kx, ky).
bool piece_on_line_shields_king(int fx, int fy, int kx, int ky);

// Whether the piece shields its king from an enemy slider (PieceShieldsKing).
// A move of any piece but a king leaves the kings where they stand, so the
// king that IsMoveValid would find after the move is the one found before
// it; callers that test many moves of one position look it up once.  When
// that king is not attacked before the move, only a piece that shields it
// from an enemy slider can expose it by moving, so for any other piece the
// piece rules alone decide; en passant, which also empties a second square,
// always gets the full test.  Most pieces share no rank, file or diagonal
// with their king; they are told apart here, before the walk along the line.
inline bool piece_shields_king(int fx, int fy, int kingPos) {
    if (kingPos < 0) return false;
    const int kx = king_pos_x(kingPos), ky = king_pos_y(kingPos);
    const int dx = fx - kx, dy = fy - ky;
    if (dx != 0 && dy != 0 && dx != dy && dx != -dy) return false;
    return piece_on_line_shields_king(fx, fy, kx, ky);
}

// An attack on a square: the attacker's square and, for an attack along a
// line, the step (dx, dy) from the attacked square toward the attacker and
// the attacker's distance in steps (a knight's attack has no line: 0, 0, 0).
struct AttackLine {
    int x, y;
    int dx, dy, distance;
};

// Every attack by pieces of colour attackerColor on the square (x, y), on
// the board: each ray's first piece that attacks (as IsSquareAttacked
// counts it) and every attacking knight, at most 16, written to lines.
// Returns how many.
int square_attackers(int x, int y, int attackerColor, AttackLine *lines);

// What a position says about the safety of one side's king, shared by every
// candidate move of that side while the position stands: where the king is
// (as FindKing gives it) and whether the enemy attacks it.
struct KingSafety {
    int king = -1;
    bool attacked = false;
};

// The same with the king's position (FindKing(side)) already known.
inline KingSafety king_safety_at(int side, int kingPos) {
    KingSafety k;
    if (kingPos >= 0) {
        k.king = kingPos;
        k.attacked =
            IsSquareAttacked(king_pos_x(kingPos), king_pos_y(kingPos), opponent_of(side)) != 0;
    }
    return k;
}

inline KingSafety king_safety(int side) {
    return king_safety_at(side, static_cast<int>(FindKing(side)));
}

// Whether the piece rules alone decide the moves of the piece on (fx, fy)
// (en passant aside): with its king safe, a piece that neither is the king
// nor shields it from a slider cannot leave the king attacked.
inline bool rules_decide(const KingSafety &k, int fx, int fy, int piece) {
    return k.king >= 0 && !k.attacked && type_of(piece) != kKing &&
           !piece_shields_king(fx, fy, k.king);
}

// rules_decide with the side's shielding pieces known, as a set of squares
// (BoardView::shields_of).
inline bool rules_decide(const KingSafety &k, uint64_t shields, int fx, int fy, int piece) {
    if (k.king < 0 || k.attacked || type_of(piece) == kKing) return false;
    const bool shield = (shields >> square_of(fx, fy)) & 1;
    assert(shield == piece_shields_king(fx, fy, k.king));
    return !shield;
}

// Whether a move of `piece` from (fx, fy) to (tx, ty) that the piece rules
// allow is legal, given the position's king safety and rules_decide for the
// piece.  En passant, which empties a second square, always gets the full
// test.
template <class Board = EngineBoard>
inline bool allowed_move_legal(const KingSafety &k, bool decide, int fx, int fy, int tx, int ty,
                               int piece, const Board &b = Board()) {
    const bool enPassant = type_of(piece) == kPawn && tx != fx && b.at(tx, ty) == 0;
    return (decide && !enPassant) || move_legal_known_king(fx, fy, tx, ty, k.king, k.attacked);
}

// IsMoveValid of the move of `piece`, of type Type, from (fx, fy) to
// (tx, ty), given the position's king safety and rules_decide for the
// piece, reading the board through `b` (which agrees with the engine's
// board).
template <int Type, class Board>
QUIN_ALWAYS_INLINE bool legal_with_as(const Board &b, const KingSafety &k, bool decide, int fx,
                                      int fy, int tx, int ty, int piece) {
    return piece_rules_allow_as<Type>(b, fx, fy, tx, ty, piece) &&
           allowed_move_legal(k, decide, fx, fy, tx, ty, piece, b);
}

// IsMoveValid for the candidate moves of one side in a position that stays
// as it is while they are tried (a move played in between is taken back):
// the king's safety is worked out once, when a candidate first passes the
// piece rules, and rules_decide once per moving piece.
class SideMoveLegality {
public:
    explicit SideMoveLegality(int side = kNoSide) : side_(side) {}
    SideMoveLegality(int side, const KingSafety &k) : side_(side), k_(k), haveKing_(true) {}

    // Starts over for `side` in a new position whose king safety is k.
    void reset(int side, const KingSafety &k) {
        side_ = side;
        k_ = k;
        haveKing_ = true;
        decidedSquare_ = -1;
        attackCount_ = -1;
    }

    // IsMoveValid(fx, fy, tx, ty) for a piece of the side on (fx, fy).
    bool legal(int fx, int fy, int tx, int ty) {
        return piece_rules_allow(fx, fy, tx, ty) && allowed_legal(fx, fy, tx, ty);
    }

    // The same for a move that the piece rules allow.
    bool allowed_legal(int fx, int fy, int tx, int ty) {
        if (!haveKing_) {
            k_ = king_safety(side_);
            haveKing_ = true;
        }
        const int piece = static_cast<int>(board[fx][fy]);
        const int square = square_of(fx, fy);
        if (square != decidedSquare_) {
            decidedSquare_ = square;
            decided_ = rules_decide(k_, fx, fy, piece);
            evades_ = k_.king >= 0 && k_.attacked && type_of(piece) != kKing &&
                      !piece_shields_king(fx, fy, k_.king);
        }
        if (evades_ && !(type_of(piece) == kPawn && tx != fx && board[tx][ty] == 0))
            return answers_every_attack(tx, ty);
        return allowed_move_legal(k_, decided_, fx, fy, tx, ty, piece);
    }

private:
    // With the king attacked, a move by a piece that neither is the king nor
    // shields it (and no en passant) changes the board on two squares only:
    // the emptied square opens no line to the king, so the king is safe
    // after it exactly when every attack is answered, the attacker taken or
    // its line to the king blocked on the target square.
    bool answers_every_attack(int tx, int ty) {
        if (attackCount_ < 0)
            attackCount_ = square_attackers(king_pos_x(k_.king), king_pos_y(k_.king),
                                            opponent_of(side_), attacks_);
        const int kx = king_pos_x(k_.king), ky = king_pos_y(k_.king);
        for (int i = 0; i < attackCount_; ++i) {
            const AttackLine &a = attacks_[i];
            if (tx == a.x && ty == a.y) continue;  // taken
            bool blocked = false;
            for (int j = 1; j < a.distance && !blocked; ++j)
                blocked = tx == kx + j * a.dx && ty == ky + j * a.dy;
            if (!blocked) return false;
        }
        return true;
    }

    int side_;
    KingSafety k_;
    bool haveKing_ = false;
    int decidedSquare_ = -1;
    bool decided_ = false;
    bool evades_ = false;
    int attackCount_ = -1;
    AttackLine attacks_[16];
};

// HasLegalMove for `side`; `known`, when not null, is the side's king safety
// in the current position (worked out on demand otherwise).
bool any_legal_move(int side, const KingSafety *known);
