// The candidate windows: the engine has no move generator of the ordinary
// kind.  For a piece standing on (fx, fy) it tries a small window of target
// squares derived from the piece's type, row by row, and leaves it to the
// legality test to throw out the squares the piece cannot reach (its own
// square, blocked slider squares, own pieces).  Every scan of the engine's
// moves walks these windows: the node and root move lists, the limited
// quiet search, the any-legal-move test, the threat tests and perft.
//
// The window of a piece, rows ascending and, within a row, columns from
// first to last in steps of step:
//
//   piece    rows                             columns of row ty
//   pawn     the row ahead; from the start    the row ahead: fx - 1 to fx + 1;
//            row also the double-step row     the double-step row: fx
//   knight   fy - 2 to fy + 2                 fx - j, fx + j (j = 2 when one
//                                             row away, else 1); none on fy
//   bishop   0 to 7                           fx - d, fx + d (d = |ty - fy|);
//                                             none on fy
//   rook     0 to 7                           fy: 0 to 7; else fx
//   queen    0 to 7                           fy: 0 to 7; else fx - d, fx,
//                                             fx + d
//   king     fy - 1 to fy + 1                 fy: fx - 2 to fx + 2 (castling);
//                                             else fx - 1 to fx + 1
//
// Rows are cut to the board; a column range that leaves the board is pulled
// back by whole steps, so only on-board squares of the pattern remain.  The
// window holds every legal move of the piece.
//
// Reads `board` only; header-only so that every scan inlines its visitor.
#pragma once

#include "core/board/geometry.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>

// The target rows first..last of a piece of `type` (kPawn..kKing) and
// colour (`white`) standing on row fy, cut to the board.  first > last when
// there is none.  An unknown type gets every row and no columns.
constexpr void window_rows(int type, bool white, int fy, int &first, int &last) {
    switch (type) {
        case kPawn:
            if (white) {
                first = fy == 6 ? fy - 2 : fy - 1;
                last = fy - 1;
            } else {
                first = fy + 1;
                last = fy == 1 ? fy + 2 : fy + 1;
            }
            break;
        case kKnight:
            first = fy - 2;
            last = fy + 2;
            break;
        case kKing:
            first = fy - 1;
            last = fy + 1;
            break;
        default:
            first = 0;
            last = 7;
            break;
    }
    if (first < 0) first = 0;
    if (last > 7) last = 7;
}

// The target columns of row ty for a piece of `type` and colour on (fx, fy):
// first, last and step, pulled onto the board by whole steps.  False when
// the row holds no candidate.
constexpr bool window_columns(int type, bool white, int fx, int fy, int ty, int &first, int &last,
                              int &step) {
    const int dy = ty > fy ? ty - fy : fy - ty;
    switch (type) {
        case kPawn:
            if (ty == fy + (white ? -1 : 1)) {
                first = fx - 1;
                last = fx + 1;
            } else {
                first = last = fx;
            }
            step = 1;
            break;
        case kKnight: {
            if (dy == 0) return false;
            const int jump = dy == 1 ? 2 : 1;
            first = fx - jump;
            last = fx + jump;
            step = 2 * jump;
            break;
        }
        case kRook:
            if (dy == 0) {
                first = 0;
                last = 7;
            } else {
                first = last = fx;
            }
            step = 1;
            break;
        case kBishop:
            if (dy == 0) return false;
            first = fx - dy;
            last = fx + dy;
            step = 2 * dy;
            break;
        case kQueen:
            if (dy == 0) {
                first = 0;
                last = 7;
                step = 1;
            } else {
                first = fx - dy;
                last = fx + dy;
                step = dy;
            }
            break;
        case kKing:
            if (dy == 0) {
                first = fx - 2;
                last = fx + 2;
            } else {
                first = fx - 1;
                last = fx + 1;
            }
            step = 1;
            break;
        default: return false;
    }
    while (first < 0) first += step;
    while (last > 7) last -= step;
    return first <= last;
}

// The walk of visit_window for a piece of type `type`.  Fixed is the same
// type when it is known when compiling (then the row and column rules of
// the type fold into the loops), -1 otherwise.
template <int Fixed, class OnRow, class OnSquare>
inline bool visit_typed_window(int type, bool white, int fx, int fy, OnRow &on_row,
                               OnSquare &on_square) {
    if (Fixed >= 0) type = Fixed;
    int firstRow, lastRow;
    window_rows(type, white, fy, firstRow, lastRow);
    for (int ty = firstRow; ty <= lastRow; ++ty) {
        if (!on_row(ty)) return false;
        int first, last, step;
        if (!window_columns(type, white, fx, fy, ty, first, last, step)) continue;
        for (int tx = first; tx <= last; tx += step)
            if (!on_square(tx, ty)) return false;
    }
    return true;
}

// The windows as sets of squares, for every piece type and colour on every
// square: [white][type][square].  Bit
// order is walk order (rows ascending, columns ascending within a row), so
// taking the bits lowest first visits the squares as visit_typed_window
// does; loops that skip whole sets of squares (their own pieces) mask them
// out instead of testing each.
struct WindowSquares {
    // Every type a board square's code can give (type_of of 0 to 16): the
    // codes that name no piece have no window.
    uint64_t squares[2][kBlackOffset + 1][64];
    constexpr WindowSquares() : squares() {
        for (int white = 0; white < 2; ++white)
            for (int type = kPawn; type <= kBlackOffset; ++type)
                for (int fy = 0; fy < 8; ++fy)
                    for (int fx = 0; fx < 8; ++fx) {
                        uint64_t set = 0;
                        int firstRow = 0, lastRow = 0;
                        window_rows(type, white != 0, fy, firstRow, lastRow);
                        for (int ty = firstRow; ty <= lastRow; ++ty) {
                            int first = 0, last = 0, step = 1;
                            if (!window_columns(type, white != 0, fx, fy, ty, first, last, step))
                                continue;
                            for (int tx = first; tx <= last; tx += step) set |= bit_at(tx, ty);
                        }
                        squares[white][type][square_of(fx, fy)] = set;
                    }
    }
};
inline constexpr WindowSquares kWindowSquares{};

// The window of a piece of `type` (kPawn..kKing) and colour on (fx, fy) as a
// set of squares.
inline uint64_t window_squares(int type, bool white, int fx, int fy) {
    return kWindowSquares.squares[white ? 1 : 0][type][square_of(fx, fy)];
}
inline uint64_t window_squares(int type, bool white, Square from) {
    return kWindowSquares.squares[white ? 1 : 0][type][from];
}

// window_rows by table, for the loops that ask it for every piece.
struct WindowRowTable {
    signed char first[2][kBlackOffset + 1][8], last[2][kBlackOffset + 1][8];
    constexpr WindowRowTable() : first(), last() {
        for (int white = 0; white < 2; ++white)
            for (int type = kPawn; type <= kBlackOffset; ++type)
                for (int fy = 0; fy < 8; ++fy) {
                    int f = 0, l = 0;
                    window_rows(type, white != 0, fy, f, l);
                    first[white][type][fy] = static_cast<signed char>(f);
                    last[white][type][fy] = static_cast<signed char>(l);
                }
    }
};
inline constexpr WindowRowTable kWindowRows{};

// Walks the window of `piece` (a code, White or Black) on (fx, fy):
// on_row(ty) before every row of the window (also a row without candidates,
// such as a knight's own row), then on_square(tx, ty) for each of its
// squares.  Either returning false ends the walk, and the walk then returns
// false.  One copy of the walk serves every piece type.
template <class OnRow, class OnSquare>
inline bool visit_window(int piece, int fx, int fy, OnRow &&on_row, OnSquare &&on_square) {
    return visit_typed_window<-1>(type_of(piece), colour_of(piece) == kWhite, fx, fy, on_row,
                                  on_square);
}

// A piece's candidate squares walked as visit_window walks them, with a copy
// of the walk per piece type, for visitors small enough to be copied six
// times: each copy folds its type's rows and columns into the loops.
template <class OnRow, class OnSquare>
inline bool visit_window_by_type(int piece, int fx, int fy, OnRow &&on_row, OnSquare &&on_square) {
    const bool white = colour_of(piece) == kWhite;
    return with_piece_type(type_of(piece), [&](auto type) {
        return visit_typed_window<type()>(type(), white, fx, fy, on_row, on_square);
    });
}

// Both walks, for visitors that need no word before each row.
template <class OnSquare>
inline bool visit_window(int piece, int fx, int fy, OnSquare &&on_square) {
    return visit_window(
        piece, fx, fy, [](int) { return true; }, on_square);
}
template <class OnSquare>
inline bool visit_window_by_type(int piece, int fx, int fy, OnSquare &&on_square) {
    return visit_window_by_type(
        piece, fx, fy, [](int) { return true; }, on_square);
}

// Calls on_piece(fx, fy, piece) for every piece of `side` in board order,
// rows y 0 to 7 (rank 8 to rank 1) and within a row x 0 to 7.  Returns false
// as soon as on_piece does.
template <class OnPiece>
inline bool for_each_piece_of(int side, OnPiece &&on_piece) {
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            const int piece = static_cast<int>(board[fx][fy]);
            if (colour_of(piece) != side) continue;
            if (!on_piece(fx, fy, piece)) return false;
        }
    return true;
}
