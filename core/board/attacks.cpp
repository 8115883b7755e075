// Attack and check detection: read-only walks over the board.
//
// Globals: reads `board` only.
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The board as one block: board[x][y] is element x * kColumn + y, so a step
// of (dx, dy) moves dx * kColumn + dy elements.
constexpr int kColumn = 9;

// The eight ray directions (dx, dy) in the order the rays are walked, and
// for every square the number of squares from it to the edge along each.
constexpr int kRayDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kRayDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
// The eight knight jumps (dx, dy).
constexpr int kJumpDx[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
constexpr int kJumpDy[8] = {-1, 1, -2, 2, -2, 2, -1, 1};

constexpr bool on_board(int x, int y) { return x >= 0 && x <= 7 && y >= 0 && y <= 7; }

// Whether a piece of type t, the first piece met at `distance` along the
// ray (dx, dy) from the square, attacks the square; pawnDy is the row step
// from an attacking pawn to the square it attacks.
constexpr bool attacks_along_ray(int t, int dx, int dy, int distance, int pawnDy) {
    if (t == kQueen || (distance == 1 && t == kKing)) return true;
    if (dx != 0 && dy != 0) return t == kBishop || (distance == 1 && t == kPawn && dy == pawnDy);
    return t == kRook;
}

struct RayLengths {
    unsigned char length[64][8];
    constexpr RayLengths() : length() {
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y)
                for (int d = 0; d < 8; ++d) {
                    int n = 0;
                    for (int cx = x + kRayDx[d], cy = y + kRayDy[d]; on_board(cx, cy);
                         cx += kRayDx[d], cy += kRayDy[d])
                        ++n;
                    length[x * 8 + y][d] = static_cast<unsigned char>(n);
                }
    }
};
constexpr RayLengths kRays;

// Knight jumps that stay on the board, per square: as element offsets and
// as steps (dx, dy).
struct KnightJumps {
    signed char offset[64][8];
    signed char dx[64][8], dy[64][8];
    unsigned char count[64];
    constexpr KnightJumps() : offset(), dx(), dy(), count() {
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y) {
                int n = 0;
                for (int i = 0; i < 8; ++i) {
                    if (on_board(x + kJumpDx[i], y + kJumpDy[i])) {
                        dx[x * 8 + y][n] = static_cast<signed char>(kJumpDx[i]);
                        dy[x * 8 + y][n] = static_cast<signed char>(kJumpDy[i]);
                        offset[x * 8 + y][n++] =
                            static_cast<signed char>(kJumpDx[i] * kColumn + kJumpDy[i]);
                    }
                }
                count[x * 8 + y] = static_cast<unsigned char>(n);
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
        const int dx = kRayDx[d], dy = kRayDy[d];
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
        const int cx = x + kJumpDx[i], cy = y + kJumpDy[i];
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
    const double *origin = &board[0][0] + x * kColumn + y;
    const int square = x * 8 + y;

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
        const int dx = kRayDx[d], dy = kRayDy[d];
        const int step = dx * kColumn + dy;
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

int square_attackers(int x, int y, int attackerColor, AttackLine *lines) {
    int count = 0;
    visit_attacks(x, y, attackerColor == kWhite ? kWhite : kBlack,
                  [lines, &count](int ax, int ay, int dx, int dy, int distance) {
                      lines[count++] = {ax, ay, dx, dy, distance};
                      return true;
                  });
    return count;
}

double PieceAttacksSquare(double fromX, double fromY, double toX, double toY) {
    const int fx = static_cast<int>(fromX), fy = static_cast<int>(fromY);
    const int tx = static_cast<int>(toX), ty = static_cast<int>(toY);
    const int dx = tx - fx, dy = ty - fy;
    const int adx = std::abs(dx), ady = std::abs(dy);
    const int piece = static_cast<int>(board[fx][fy]);
    switch (type_of(piece)) {
        case kPawn: return (dy == (colour_of(piece) == kWhite ? -1 : 1) && adx == 1) ? 1 : 0;
        case kRook: return IsRookMoveValid(fromX, fromY, toX, toY);
        case kKnight: return ((adx == 2 && ady == 1) || (adx == 1 && ady == 2)) ? 1 : 0;
        case kBishop: return IsBishopMoveValid(fromX, fromY, toX, toY);
        case kQueen: return IsQueenMoveValid(fromX, fromY, toX, toY);
        case kKing: return (adx <= 1 && ady <= 1 && (adx | ady) != 0) ? 1 : 0;
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
        const double *rank = base + y;
        if (holds_king(rank + 0 * kColumn)) return 0 * 10 + y;
        if (holds_king(rank + 1 * kColumn)) return 1 * 10 + y;
        if (holds_king(rank + 2 * kColumn)) return 2 * 10 + y;
        if (holds_king(rank + 3 * kColumn)) return 3 * 10 + y;
        if (holds_king(rank + 4 * kColumn)) return 4 * 10 + y;
        if (holds_king(rank + 5 * kColumn)) return 5 * 10 + y;
        if (holds_king(rank + 6 * kColumn)) return 6 * 10 + y;
        if (holds_king(rank + 7 * kColumn)) return 7 * 10 + y;
    }
    return -1;
}

double IsPlayerInCheck(double player) {
    const double kingPos = FindKing(player);
    if (kingPos < 0) return 0;
    const double x = Int(kingPos / 10), y = Mod(kingPos, 10);
    return IsSquareAttacked(x, y, player == kWhite ? kBlack : kWhite);
}
