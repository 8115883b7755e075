// Piece colours and the castling flags that a move clears.
//
// Globals: UpdateCastlingRights writes `whiteKingMoved`, `blackKingMoved`,
// `whiteRookAMoved`, `whiteRookHMoved`, `blackRookAMoved` and
// `blackRookHMoved`; the rest read nothing.
#include "core/quin_core.h"
#include "core/types.h"

// The side of a piece code as a double: 1 White, 2 Black, 0 empty.
double PieceColor(double piece) { return colour_of(piece); }

double IsPawn(double piece) { return type_of(piece) == kPawn ? 1 : 0; }

double UpdateCastlingRights(double piece, double fromX, double fromY, double toX, double toY,
                            double capturedPiece) {
    if (piece == make_piece(kWhite, kKing)) whiteKingMoved = 1;
    if (piece == make_piece(kBlack, kKing)) blackKingMoved = 1;
    if (piece == make_piece(kWhite, kRook)) {
        if (fromX == 0 && fromY == 7) whiteRookAMoved = 1;
        if (fromX == 7 && fromY == 7) whiteRookHMoved = 1;
    }
    if (piece == make_piece(kBlack, kRook)) {
        if (fromX == 0 && fromY == 0) blackRookAMoved = 1;
        if (fromX == 7 && fromY == 0) blackRookHMoved = 1;
    }
    if (capturedPiece == make_piece(kWhite, kRook)) {
        if (toX == 0 && toY == 7) whiteRookAMoved = 1;
        if (toX == 7 && toY == 7) whiteRookHMoved = 1;
    }
    if (capturedPiece == make_piece(kBlack, kRook)) {
        if (toX == 0 && toY == 0) blackRookAMoved = 1;
        if (toX == 7 && toY == 0) blackRookHMoved = 1;
    }
    return 0;
}
