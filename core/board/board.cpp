// Piece colours and the castling flags that a move clears.
#include "../quin_core.h"

double PieceColor(double piece) {
    if (piece == 0) return 0;
    return piece >= 11 ? 2 : 1;
}

double IsPawn(double piece) { return (piece == 1 || piece == 11) ? 1 : 0; }

double UpdateCastlingRights(double piece, double fromX, double fromY, double toX, double toY,
                            double capturedPiece) {
    if (piece == 6) whiteKingMoved = 1;
    if (piece == 16) blackKingMoved = 1;
    if (piece == 2) {
        if (fromX == 0 && fromY == 7) whiteRookAMoved = 1;
        if (fromX == 7 && fromY == 7) whiteRookHMoved = 1;
    }
    if (piece == 12) {
        if (fromX == 0 && fromY == 0) blackRookAMoved = 1;
        if (fromX == 7 && fromY == 0) blackRookHMoved = 1;
    }
    if (capturedPiece == 2) {
        if (toX == 0 && toY == 7) whiteRookAMoved = 1;
        if (toX == 7 && toY == 7) whiteRookHMoved = 1;
    }
    if (capturedPiece == 12) {
        if (toX == 0 && toY == 0) blackRookAMoved = 1;
        if (toX == 7 && toY == 0) blackRookHMoved = 1;
    }
    return 0;
}
