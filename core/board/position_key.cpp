// Position keys (text that identifies a position for repetition, learning
// and the principal-variation memory) and the game's position history.
//
// Globals: the keys read `board`, the castling flags, `enPassantX`,
// `enPassantY` and `currentPlayer`; ClearPositionHistory and
// AddPositionHistory write `positionHistory_s` and `positionCount`.
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdio>
#include <cstring>

namespace {

// Writes n as "%.15g" would; small whole numbers (all a key ever holds) are
// written digit by digit.
inline char *put_number(char *p, double n) {
    if (n >= 0 && n < 100 && n == static_cast<int>(n)) {
        const int i = static_cast<int>(n);
        if (i >= 10) *p++ = static_cast<char>('0' + i / 10);
        *p++ = static_cast<char>('0' + i % 10);
        return p;
    }
    if (n < 0 && n > -100 && n == static_cast<int>(n)) {
        *p++ = '-';
        return put_number(p, -n);
    }
    char buf[32];
    const int len = std::snprintf(buf, sizeof buf, "%.15g", n);
    std::memcpy(p, buf, static_cast<size_t>(len));
    return p + len;
}

// The en-passant text into p; returns the end.
char *put_en_passant(char *p, double side) {
    if (enPassantX < 0 || enPassantY < 0) {
        *p++ = '-';
        return p;
    }
    const bool white = side == kWhite;
    const double pawn = make_piece(white ? kWhite : kBlack, kPawn);
    const double row = white ? enPassantY + 1 : enPassantY - 1;
    if (row < 0 || row > 7) {
        *p++ = '-';
        return p;
    }
    const int r = static_cast<int>(row);
    bool usable = false;
    if (enPassantX - 1 >= 0 && board[static_cast<int>(enPassantX) - 1][r] == pawn &&
        IsMoveValid(enPassantX - 1, row, enPassantX, enPassantY))
        usable = true;
    else if (!(enPassantX + 1 > 7) && board[static_cast<int>(enPassantX) + 1][r] == pawn &&
             IsMoveValid(enPassantX + 1, row, enPassantX, enPassantY))
        usable = true;
    if (!usable) {
        *p++ = '-';
        return p;
    }
    p = put_number(p, enPassantX);
    *p++ = ',';
    return put_number(p, enPassantY);
}

}  // namespace

HS EffectiveEnPassant_s() {
    HS r;
    std::memset(r.v, 0, sizeof r.v);
    put_en_passant(r.v, currentPlayer);
    return r;
}

namespace {

// A square's text followed by its comma, for the codes a board can hold.
struct SquareText {
    char text[4];
    int length;
};
constexpr SquareText kSquareText[17] = {{"0,", 2},  {"1,", 2},  {"2,", 2},  {"3,", 2},  {"4,", 2},
                                        {"5,", 2},  {"6,", 2},  {"7,", 2},  {"8,", 2},  {"9,", 2},
                                        {"10,", 3}, {"11,", 3}, {"12,", 3}, {"13,", 3}, {"14,", 3},
                                        {"15,", 3}, {"16,", 3}};

}  // namespace

char *WritePositionKey(char *dst, double side) {
    char *p = dst;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const double square = board[x][y];
            const int code = static_cast<int>(square);
            if (code >= 0 && code <= 16 && code == square) {
                std::memcpy(p, kSquareText[code].text, 4);
                p += kSquareText[code].length;
            } else {
                p = put_number(p, square);
                *p++ = ',';
            }
        }
    *p++ = 'P';
    p = put_number(p, side);
    *p++ = 'K';
    p = put_number(p, whiteKingMoved);
    p = put_number(p, blackKingMoved);
    *p++ = 'R';
    p = put_number(p, whiteRookAMoved);
    p = put_number(p, whiteRookHMoved);
    p = put_number(p, blackRookAMoved);
    p = put_number(p, blackRookHMoved);
    *p++ = 'E';
    p = put_en_passant(p, side);
    *p = 0;
    return p;
}

HS PositionKey_s() {
    HS r;
    const char *end = WritePositionKey(r.v, currentPlayer);
    std::memset(r.v + (end - r.v), 0, sizeof r.v - static_cast<size_t>(end - r.v));
    return r;
}

double ClearPositionHistory() {
    for (int i = 0; i <= 1000; ++i) std::memset(positionHistory_s[i].v, 0, sizeof(HS::v));
    positionCount = 0;
    return 0;
}

double AddPositionHistory() {
    if (positionCount > 1000) return 0;
    positionHistory_s[static_cast<int>(positionCount)] = PositionKey_s();
    positionCount += 1;
    return 0;
}
