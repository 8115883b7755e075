// Attack and check detection: read-only walks over the board.
//
// Globals: reads `board` only.
#include "core/board/geometry.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Whether a piece of type t, the first piece met at `distance` along the
// ray (dx, dy) from the square, attacks the square; pawnDy is the row step
// from an attacking pawn to the square it attacks.
constexpr bool attacks_along_ray(int t, int dx, int dy, int distance, int pawnDy) {
    if (t == kQueen || (distance == 1 && t == kKing)) return true;
    if (dx != 0 && dy != 0) return t == kBishop || (distance == 1 && t == kPawn && dy == pawnDy);
    return t == kRook;
}

// Knight jumps that stay on the board, per square: as element offsets in
// `board` and as steps (dx, dy), in the order of kKnightDx.
struct KnightJumps {
    signed char offset[64][8];
    signed char dx[64][8], dy[64][8];
    unsigned char count[64];
    constexpr KnightJumps() : offset(), dx(), dy(), count() {
        for (int square = 0; square < 64; ++square) {
            const int x = square_x(square), y = square_y(square);
            int n = 0;
            for (int i = 0; i < 8; ++i) {
                if (!on_board(x + kKnightDx[i], y + kKnightDy[i])) continue;
                dx[square][n] = static_cast<signed char>(kKnightDx[i]);
                dy[square][n] = static_cast<signed char>(kKnightDy[i]);
                offset[square][n++] =
                    static_cast<signed char>(board_offset(kKnightDx[i], kKnightDy[i]));
            }
            count[square] = static_cast<unsigned char>(n);
        }
    }
};
constexpr KnightJumps kKnightJumps;

// The plain walk, for a square off the board (whose rays may still enter
// it): eight rays from the square outward while on the board, then the
// knight squares.
bool off_board_square_attacked(int x, int y, int attacker) {
    const int pawnDy = attacker == kWhite ? 1 : -1;
    for (int d = 0; d < 8; ++d) {
        const int dx = kDirX[d], dy = kDirY[d];
        int cx = x + dx, cy = y + dy, distance = 1;
        while (on_board(cx, cy)) {
            const double p = board[cx][cy];
            if (p != 0) {
                if (colour_of(p) == attacker &&
                    attacks_along_ray(type_of(p), dx, dy, distance, pawnDy))
                    return true;
                break;
            }
            cx += dx;
            cy += dy;
            ++distance;
        }
    }
    const double knight = make_piece(attacker, kKnight);
    for (int i = 0; i < 8; ++i) {
        const int cx = x + kKnightDx[i], cy = y + kKnightDy[i];
        if (on_board(cx, cy) && board[cx][cy] == knight) return true;
    }
    return false;
}

// Hands every attack by pieces of `attacker` on the on-board square (x, y)
// to on_attack(ax, ay, dx, dy, distance): the attacking knights (with no
// line: 0, 0, 0), then, for each of the eight rays, its first piece when
// that piece attacks along the ray.  Stops, returning false, when on_attack
// does.
template <class OnAttack>
bool visit_attacks(int x, int y, int attacker, OnAttack &&on_attack) {
    const double *origin = &board[0][0] + board_offset(x, y);
    const int square = square_of(x, y);

    const double knight = make_piece(attacker, kKnight);
    const signed char *jumps = kKnightJumps.offset[square];
    for (int i = 0, n = kKnightJumps.count[square]; i < n; ++i)
        if (origin[jumps[i]] == knight &&
            !on_attack(x + kKnightJumps.dx[square][i], y + kKnightJumps.dy[square][i], 0, 0, 0))
            return false;

    const int pawnDy = attacker == kWhite ? 1 : -1;  // a White pawn attacks from below (larger y)
    const unsigned char *lengths = kRays.length[square];
    for (int d = 0; d < 8; ++d) {
        const int steps = lengths[d];
        if (steps == 0) continue;
        const int dx = kDirX[d], dy = kDirY[d];
        const int step = board_offset(dx, dy);
        const double *at = origin + step;
        int distance = 1;
        while (*at == 0 && distance < steps) {
            at += step;
            ++distance;
        }
        const double p = *at;
        if (p == 0 || colour_of(p) != attacker) continue;
        if (attacks_along_ray(type_of(p), dx, dy, distance, pawnDy) &&
            !on_attack(x + dx * distance, y + dy * distance, dx, dy, distance))
            return false;
    }
    return true;
}

}  // namespace

// Eight rays, each ending at its first occupied square, and the knight
// squares.  Only whether some attack exists is reported, so the rays and
// the knight squares may be looked at in any order.
double IsSquareAttacked(double xd, double yd, double attackerColor) {
    const int x = static_cast<int>(xd), y = static_cast<int>(yd);
    const int attacker = attackerColor == kWhite ? kWhite : kBlack;
    if (!on_board(x, y)) return off_board_square_attacked(x, y, attacker) ? 1 : 0;
    return visit_attacks(x, y, attacker, [](int, int, int, int, int) { return false; }) ? 0 : 1;
}

double PieceAttacksSquare(double fromX, double fromY, double toX, double toY) {
    const int fx = static_cast<int>(fromX), fy = static_cast<int>(fromY);
    const int tx = static_cast<int>(toX), ty = static_cast<int>(toY);
    const int dx = tx - fx, dy = ty - fy;
    const int piece = static_cast<int>(board[fx][fy]);
    switch (type_of(piece)) {
        case kPawn:
            return (dy == (colour_of(piece) == kWhite ? -1 : 1) && std::abs(dx) == 1) ? 1 : 0;
        case kRook: return IsRookMoveValid(fromX, fromY, toX, toY);
        case kKnight: return knight_jump(dx, dy) ? 1 : 0;
        case kBishop: return IsBishopMoveValid(fromX, fromY, toX, toY);
        case kQueen: return IsQueenMoveValid(fromX, fromY, toX, toY);
        case kKing: return king_step(dx, dy) ? 1 : 0;
        default: return 0;  // an empty square
    }
}

// The board scan in rank order, a rank at a time with its eight squares
// written out; a square holds the king exactly when its bits are those of
// the king's code (a whole number, not zero).
double FindKing(double player) {
    const double king = make_piece(player == kWhite ? kWhite : kBlack, kKing);
    uint64_t kingBits;
    std::memcpy(&kingBits, &king, sizeof kingBits);
    const double *base = &board[0][0];
    const auto holds_king = [kingBits](const double *square) {
        uint64_t bits;
        std::memcpy(&bits, square, sizeof bits);
        return bits == kingBits;
    };
    for (int y = 0; y < 8; ++y) {
        const double *rank = base + board_offset(0, y);
        if (holds_king(rank + board_offset(0, 0))) return king_pos(0, y);
        if (holds_king(rank + board_offset(1, 0))) return king_pos(1, y);
        if (holds_king(rank + board_offset(2, 0))) return king_pos(2, y);
        if (holds_king(rank + board_offset(3, 0))) return king_pos(3, y);
        if (holds_king(rank + board_offset(4, 0))) return king_pos(4, y);
        if (holds_king(rank + board_offset(5, 0))) return king_pos(5, y);
        if (holds_king(rank + board_offset(6, 0))) return king_pos(6, y);
        if (holds_king(rank + board_offset(7, 0))) return king_pos(7, y);
    }
    return -1;
}

double IsPlayerInCheck(double player) {
    const double kingPos = FindKing(player);
    if (kingPos < 0) return 0;
    const int pos = static_cast<int>(kingPos);
    return IsSquareAttacked(king_pos_x(pos), king_pos_y(pos), player == kWhite ? kBlack : kWhite);
}
