// The engine's move tests on the board in their double-valued form
// (IsBasicMoveValid and the tests per piece over the piece rules of
// core/board/move_rules.h), the full test that plays the move in place,
// looks for an attack on the mover's king and takes the move back
// (legal_by_playing, IsMoveValid).  The decisions that skip the full test
// where the position's facts make it needless are in core/board/legality.h.
//
// Globals: read `board`, the castling flags (`whiteKingMoved`,
// `blackKingMoved`, `whiteRookAMoved`, `whiteRookHMoved`, `blackRookAMoved`,
// `blackRookHMoved`), `enPassantX` and `enPassantY`.  The full test writes
// `board` while it plays a move and puts back every square before it
// returns.
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
#include <cstdlib>

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

bool legal_by_playing(int fx, int fy, int tx, int ty, int kx, int ky) {
    const double piece = board[fx][fy];
    if (piece == 0 || !piece_rules_allow(fx, fy, tx, ty)) return false;
    const MoveEffects e = move_effects(EngineBoard(), square_of(fx, fy), square_of(tx, ty));
    MoveUndo undo;
    do_move<MoveScope::kSquares>(e, undo);
    const int side = colour_of(piece);
    const int enemy = opponent_of(side);
    bool verdict = true;
    if (kx >= 0) {
        verdict = IsSquareAttacked(kx, ky, enemy) == 0;
    } else {
        const double king = make_piece(side, kKing);
        bool found = false;
        for (int y = 0; y < 8 && !found; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (board[x][y] == king) {
                    verdict = IsSquareAttacked(x, y, enemy) == 0;
                    found = true;
                    break;
                }
            }
        }
    }
    undo_move<MoveScope::kSquares>(e, undo);
    return verdict;
}

double IsMoveValid(double fromX, double fromY, double toX, double toY) {
    return legal_by_playing(static_cast<int>(fromX), static_cast<int>(fromY), static_cast<int>(toX),
                            static_cast<int>(toY), -1, -1)
               ? 1
               : 0;
}
