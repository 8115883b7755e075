// Move legality: the piece rules (pseudo-legal test) and the full test that
// plays the move in place, looks for an attack on the mover's king and takes
// the move back.
//
// Globals: read `board`, the castling flags (`whiteKingMoved`,
// `blackKingMoved`, `whiteRookAMoved`, `whiteRookHMoved`, `blackRookAMoved`,
// `blackRookHMoved`), `enPassantX` and `enPassantY`.  The full test writes
// `board` while it plays a move and puts back every square before it
// returns.
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kWhiteKing = make_piece(kWhite, kKing);
constexpr int kBlackKing = make_piece(kBlack, kKing);
constexpr int kWhiteRook = make_piece(kWhite, kRook);
constexpr int kBlackRook = make_piece(kBlack, kRook);

}  // namespace

bool castle_allowed(int fx, int fy, int tx, int ty) {
    const double piece = board[fx][fy];
    if (piece == kWhiteKing) {
        if (fx != 4 || fy != 7 || whiteKingMoved != 0 || IsSquareAttacked(4, 7, kBlack))
            return false;
        if (tx == 6 && ty == 7)
            return whiteRookHMoved == 0 && board[7][7] == kWhiteRook && board[5][7] == 0 &&
                   board[6][7] == 0 && !IsSquareAttacked(5, 7, kBlack) &&
                   !IsSquareAttacked(6, 7, kBlack);
        if (tx == 2 && ty == 7)
            return whiteRookAMoved == 0 && board[0][7] == kWhiteRook && board[1][7] == 0 &&
                   board[2][7] == 0 && board[3][7] == 0 && !IsSquareAttacked(3, 7, kBlack) &&
                   !IsSquareAttacked(2, 7, kBlack);
        return false;
    }
    if (piece == kBlackKing) {
        if (fx != 4 || fy != 0 || blackKingMoved != 0 || IsSquareAttacked(4, 0, kWhite))
            return false;
        if (tx == 6 && ty == 0)
            return blackRookHMoved == 0 && board[7][0] == kBlackRook && board[5][0] == 0 &&
                   board[6][0] == 0 && !IsSquareAttacked(5, 0, kWhite) &&
                   !IsSquareAttacked(6, 0, kWhite);
        if (tx == 2 && ty == 0)
            return blackRookAMoved == 0 && board[0][0] == kBlackRook && board[1][0] == 0 &&
                   board[2][0] == 0 && board[3][0] == 0 && !IsSquareAttacked(3, 0, kWhite) &&
                   !IsSquareAttacked(2, 0, kWhite);
        return false;
    }
    return false;
}

bool piece_rules_allow(int fx, int fy, int tx, int ty) {
    const EngineBoard b;
    const int piece = static_cast<int>(b.at(fx, fy));
    return with_piece_type(type_of(piece), [&](auto type) {
        if constexpr (type() == kEmpty)
            return false;  // an empty square
        else
            return piece_rules_allow_as<type()>(b, fx, fy, tx, ty, piece);
    });
}

uint64_t slider_rules_targets(int fx, int fy) {
    const double piece = board[fx][fy];
    const int type = type_of(piece);
    uint64_t targets = 0;
    for (int d = 0; d < 8; ++d) {
        const int dx = kDirX[d], dy = kDirY[d];
        if (!slides_along(type, dx, dy)) continue;
        for (int x = fx + dx, y = fy + dy; x >= 0 && x <= 7 && y >= 0 && y <= 7; x += dx, y += dy) {
            const double target = board[x][y];
            if (target == 0) {
                targets |= bit_at(x, y);
                continue;
            }
            // The piece rules' test of an occupied target.
            if (colour_of(target) != colour_of(piece) && type_of(target) != kKing)
                targets |= bit_at(x, y);
            break;
        }
    }
    return targets;
}

double IsBasicMoveValid(double fromX, double fromY, double toX, double toY) {
    return piece_rules_allow(static_cast<int>(fromX), static_cast<int>(fromY),
                             static_cast<int>(toX), static_cast<int>(toY))
               ? 1
               : 0;
}

double IsPawnMoveValid(double fromX, double fromY, double toX, double toY) {
    const int fx = static_cast<int>(fromX), fy = static_cast<int>(fromY);
    return piece_rules::pawn_step(EngineBoard(), fx, fy, static_cast<int>(toX),
                                  static_cast<int>(toY), static_cast<int>(board[fx][fy]))
               ? 1
               : 0;
}

double IsKnightMoveValid(double fromX, double fromY, double toX, double toY) {
    return knight_jump(static_cast<int>(toX - fromX), static_cast<int>(toY - fromY)) ? 1 : 0;
}

double IsBishopMoveValid(double fromX, double fromY, double toX, double toY) {
    return piece_rules::bishop_line(EngineBoard(), static_cast<int>(fromX), static_cast<int>(fromY),
                                    static_cast<int>(toX), static_cast<int>(toY))
               ? 1
               : 0;
}

double IsRookMoveValid(double fromX, double fromY, double toX, double toY) {
    return piece_rules::rook_line(EngineBoard(), static_cast<int>(fromX), static_cast<int>(fromY),
                                  static_cast<int>(toX), static_cast<int>(toY))
               ? 1
               : 0;
}

double IsQueenMoveValid(double fromX, double fromY, double toX, double toY) {
    return (IsRookMoveValid(fromX, fromY, toX, toY) != 0 ||
            IsBishopMoveValid(fromX, fromY, toX, toY) != 0)
               ? 1
               : 0;
}

double IsKingNormalMoveValid(double fromX, double fromY, double toX, double toY) {
    const double dx = std::abs(toX - fromX), dy = std::abs(toY - fromY);
    return ((dx != 0 || dy != 0) && dx <= 1 && dy <= 1) ? 1 : 0;
}

double IsCastleValid(double fromX, double fromY, double toX, double toY) {
    return castle_allowed(static_cast<int>(fromX), static_cast<int>(fromY), static_cast<int>(toX),
                          static_cast<int>(toY))
               ? 1
               : 0;
}

namespace {

// Plays the move on the board, tests the king on (kx, ky) (or, when kx is
// negative, the first king of the mover's colour in scan order: rank 8 to
// rank 1, file a to h) and restores every square it touched.
double play_and_test(int fx, int fy, int tx, int ty, int kx, int ky) {
    const double piece = board[fx][fy];
    if (piece == 0 || !piece_rules_allow(fx, fy, tx, ty)) return 0;
    const MoveEffects e = move_effects(EngineBoard(), fx, fy, tx, ty);
    write_changes(e);
    const int side = colour_of(piece);
    const int enemy = opponent_of(side);
    double verdict = 1;
    if (kx >= 0) {
        verdict = IsSquareAttacked(kx, ky, enemy) ? 0 : 1;
    } else {
        const double king = make_piece(side, kKing);
        bool found = false;
        for (int y = 0; y < 8 && !found; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (board[x][y] == king) {
                    verdict = IsSquareAttacked(x, y, enemy) ? 0 : 1;
                    found = true;
                    break;
                }
            }
        }
    }
    take_back_changes(e);
    return verdict;
}

}  // namespace

double IsMoveValid(double fromX, double fromY, double toX, double toY) {
    return play_and_test(static_cast<int>(fromX), static_cast<int>(fromY), static_cast<int>(toX),
                         static_cast<int>(toY), -1, -1);
}

// The shield test: the piece on (fx, fy) shields the king on (kx, ky) from
// an enemy slider when it stands on one of the king's lines with nothing between them,
// and the first piece behind it on that line is an enemy queen, or an enemy
// rook on a rank or file, or an enemy bishop on a diagonal.
bool piece_on_line_shields_king(int fx, int fy, int kx, int ky) {
    const int dx = fx - kx, dy = fy - ky;
    if (dx != 0 && dy != 0 && dx != dy && dx != -dy) return false;
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    int x = kx + sx, y = ky + sy;
    while (x != fx || y != fy) {
        if (board[x][y] != 0) return false;
        x += sx;
        y += sy;
    }
    const bool black = colour_of(board[fx][fy]) == kBlack;
    for (x += sx, y += sy; x >= 0 && x <= 7 && y >= 0 && y <= 7; x += sx, y += sy) {
        const double p = board[x][y];
        if (p == 0) continue;
        if ((colour_of(p) == kBlack) == black) return false;
        const int t = type_of(p);
        return t == kQueen || (t == kRook && (sx == 0 || sy == 0)) ||
               (t == kBishop && sx != 0 && sy != 0);
    }
    return false;
}

double PieceShieldsKing(double fromX, double fromY, double kingPos) {
    if (kingPos < 0) return 0;
    return piece_shields_king(static_cast<int>(fromX), static_cast<int>(fromY),
                              static_cast<int>(kingPos))
               ? 1
               : 0;
}

namespace {

// The square (in scan order) of the first king in scan order after
// the king on (fx, fy) moves to (tx, ty), given first, the first king of
// its colour before the move (which may be the mover).  Castling also moves
// a rook, never a king, so only the kings can change the answer.
int first_king_after_king_move(int fx, int fy, int tx, int ty, int first) {
    const int from = square_of(fx, fy), to = square_of(tx, ty);
    if (from != first) return to < first ? to : first;  // the first king stays unless passed
    if (to < from) return to;
    // The mover was the first king: another one between its squares comes first.
    const double king = board[fx][fy];
    for (int i = from + 1; i < to; ++i)
        if (board[square_x(i)][square_y(i)] == king) return i;
    return to;
}

}  // namespace

bool move_legal_known_king(int fx, int fy, int tx, int ty, int kingPos, bool kingAttacked) {
    const double piece = board[fx][fy];
    const int kx = king_pos_x(kingPos), ky = king_pos_y(kingPos);
    if (kingPos < 0 || kx > 7 || ky > 7) return play_and_test(fx, fy, tx, ty, -1, -1) != 0;
    if (type_of(piece) == kKing) {
        // The king found after the move follows from the first king before it.
        if (board[kx][ky] != make_piece(colour_of(piece), kKing))
            return play_and_test(fx, fy, tx, ty, -1, -1) != 0;
        const int after = first_king_after_king_move(fx, fy, tx, ty, square_of(kx, ky));
        return play_and_test(fx, fy, tx, ty, square_x(after), square_y(after)) != 0;
    }
    if (!kingAttacked) {
        const bool enPassant = type_of(piece) == kPawn && board[tx][ty] == 0 && tx != fx;
        if (!enPassant && !piece_on_line_shields_king(fx, fy, kx, ky))
            return piece_rules_allow(fx, fy, tx, ty);
    }
    return play_and_test(fx, fy, tx, ty, kx, ky) != 0;
}

double IsMoveValidKnownKing(double fromX, double fromY, double toX, double toY, double kingPos,
                            double kingAttacked) {
    return move_legal_known_king(static_cast<int>(fromX), static_cast<int>(fromY),
                                 static_cast<int>(toX), static_cast<int>(toY),
                                 kingPos < 0 ? -1 : static_cast<int>(kingPos), kingAttacked != 0)
               ? 1
               : 0;
}
