// The move tests of core/board/move_validation.cpp in whole-number form, for
// loops that try many candidates of one position (perft, the search's move
// scans): the same tests as IsBasicMoveValid, IsMoveValidKnownKing and
// PieceShieldsKing, without the conversions to and from doubles.  A king
// position is x * 10 + y, -1 for no king, as FindKing gives it.
#pragma once

#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>

// The piece rules alone (IsBasicMoveValid).
bool piece_rules_allow(int fx, int fy, int tx, int ty);

// For a rook, bishop or queen on (fx, fy): every target that the piece
// rules allow it (piece_rules_allow), as bits ty * 8 + tx.
uint64_t slider_rules_targets(int fx, int fy);

// Full legality with the mover's king known (IsMoveValidKnownKing).
bool move_legal_known_king(int fx, int fy, int tx, int ty, int kingPos, bool kingAttacked);

// Whether the piece shields its king from an enemy slider (PieceShieldsKing).
bool piece_shields_king(int fx, int fy, int kingPos);

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
        k.attacked = IsSquareAttacked(kingPos / 10, kingPos % 10, opponent_of(side)) != 0;
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

// Whether a move of `piece` from (fx, fy) to (tx, ty) that the piece rules
// allow is legal, given the position's king safety and rules_decide for the
// piece.  En passant, which empties a second square, always gets the full
// test.
inline bool allowed_move_legal(const KingSafety &k, bool decide, int fx, int fy, int tx, int ty,
                               int piece) {
    const bool enPassant = type_of(piece) == kPawn && tx != fx && board[tx][ty] == 0;
    return (decide && !enPassant) || move_legal_known_king(fx, fy, tx, ty, k.king, k.attacked);
}

// IsMoveValid of the move of `piece` from (fx, fy) to (tx, ty), given the
// position's king safety and rules_decide for the piece.
inline bool legal_with(const KingSafety &k, bool decide, int fx, int fy, int tx, int ty,
                       int piece) {
    return piece_rules_allow(fx, fy, tx, ty) &&
           allowed_move_legal(k, decide, fx, fy, tx, ty, piece);
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
        const int square = fy * 8 + fx;
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
            attackCount_ =
                square_attackers(k_.king / 10, k_.king % 10, opponent_of(side_), attacks_);
        const int kx = k_.king / 10, ky = k_.king % 10;
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
