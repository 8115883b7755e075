// Position keys (text that identifies a position for repetition, learning
// and the principal-variation memory) and the game's position history.
//
// Globals: the keys read `board`, the castling flags, `enPassantX`,
// `enPassantY` and `currentPlayer`; ClearPositionHistory and
// AddPositionHistory write `positionHistory_s` and `positionCount`.
#include "core/board/position_key_simd.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
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

// The piece code held by a square, when it is one of the whole numbers 0 to
// 16 a board can hold; -1 for any other value.  A double holding a whole
// number from 1 to 16 has all but its top 16 bits zero, and its top 16 bits
// (sign, exponent and the first four bits of the fraction) lie between
// 0x3FF0 (1) and 0x4030 (16).
struct TopBitsCodes {
    signed char code[65];
    constexpr TopBitsCodes() : code() {
        for (int i = 0; i <= 64; ++i) code[i] = -1;
        // Top 16 bits of 1 .. 16: exponent e and fraction f with
        // n = (16 + f) * 2^(e - 4), f < 16.
        for (int n = 1; n <= 16; ++n) {
            int e = 0;
            while ((n >> (e + 1)) != 0) ++e;  // 2^e <= n < 2^(e + 1)
            const int fraction = ((n << (4 - e)) - 16) & 15;
            const int top = ((1023 + e) << 4) | fraction;
            code[top - 0x3FF0] = static_cast<signed char>(n);
        }
    }
};
constexpr TopBitsCodes kTopBitsCodes;

inline int whole_code(double square) {
    uint64_t bits;
    std::memcpy(&bits, &square, sizeof bits);
    if (bits == 0) return 0;
    if ((bits & 0x0000FFFFFFFFFFFFULL) != 0) return -1;
    const unsigned index = static_cast<unsigned>(bits >> 48) - 0x3FF0u;
    return index <= 64 ? kTopBitsCodes.code[index] : -1;
}

// The text of two neighbouring squares, each followed by its comma, for
// every pair of codes a board can hold.
struct PairText {
    char text[17 * 17][8];
    unsigned char length[17 * 17];
    constexpr PairText() : text(), length() {
        for (int a = 0; a <= 16; ++a)
            for (int b = 0; b <= 16; ++b) {
                char *t = text[a * 17 + b];
                const int codes[2] = {a, b};
                int n = 0;
                for (int code : codes) {
                    if (code >= 10) t[n++] = static_cast<char>('0' + code / 10);
                    t[n++] = static_cast<char>('0' + code % 10);
                    t[n++] = ',';
                }
                length[a * 17 + b] = static_cast<unsigned char>(n);
            }
    }
};
constexpr PairText kPairText;

// One square's text and comma, for a value that is no whole code too.
inline char *put_square(char *p, double square) {
    p = put_number(p, square);
    *p++ = ',';
    return p;
}

}  // namespace

namespace {

// Whether the double is 0 or 1 (a flag as the engine keeps it); the bits
// of 1.0 are those of 0x3FF0 in the top 16.
inline bool plain_flag(double flag, int &bit) {
    uint64_t bits;
    std::memcpy(&bits, &flag, sizeof bits);
    if (bits == 0) {
        bit = 0;
        return true;
    }
    bit = 1;
    return bits == 0x3FF0000000000000ULL;
}

// "K" and the two king flags, "R" and the four rook flags, for every
// combination of flags that are 0 or 1 (bit 5 whiteKingMoved .. bit 0
// blackRookHMoved).
struct FlagText {
    char text[64][8];
    constexpr FlagText() : text() {
        for (int i = 0; i < 64; ++i) {
            const char t[8] = {'K', '0', '0', 'R', '0', '0', '0', '0'};
            for (int c = 0; c < 8; ++c) text[i][c] = t[c];
            text[i][1] = static_cast<char>('0' + ((i >> 5) & 1));
            text[i][2] = static_cast<char>('0' + ((i >> 4) & 1));
            text[i][4] = static_cast<char>('0' + ((i >> 3) & 1));
            text[i][5] = static_cast<char>('0' + ((i >> 2) & 1));
            text[i][6] = static_cast<char>('0' + ((i >> 1) & 1));
            text[i][7] = static_cast<char>('0' + (i & 1));
        }
    }
};
constexpr FlagText kFlagText;

}  // namespace

namespace {

thread_local KnownRanks knownRanks;

// Writes rank y's text at p and returns its end, keeping it in `known` when
// the rank holds only whole codes.
QUIN_ALWAYS_INLINE char *write_rank(char *p, int y, KnownRanks &known) {
    int pairs[4];
    if (!rank_codes(y, pairs, known, whole_code)) {  // some square holds another value
        known.valid &= ~(1u << y);
        for (int x = 0; x < 8; ++x) p = put_square(p, board[x][y]);
        return p;
    }
    char text[sizeof known.text[y] + 8];
    size_t length = 0;
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        std::memcpy(text + length, kPairText.text[pairs[i]], 8);
        length += kPairText.length[pairs[i]];
    }
    std::memset(text + length, 0, 8);  // the last pair's spare bytes
    std::memcpy(known.text[y], text, sizeof known.text[y]);
    known.length[y] = static_cast<unsigned char>(length);
    known.valid |= 1u << y;
    std::memcpy(p, text, sizeof known.text[y]);
    return p + length;
}

}  // namespace

char *WritePositionKey(char *dst, double side) {
    char *p = dst;
    KnownRanks &known = knownRanks;
    const unsigned unchanged = unchanged_ranks(known);
#pragma GCC unroll 8
    for (int y = 0; y < 8; ++y) {
        if (unchanged & (1u << y)) {
            std::memcpy(p, known.text[y], sizeof known.text[y]);
            p += known.length[y];
        } else {
            p = write_rank(p, y, known);
        }
    }
    *p++ = 'P';
    p = put_number(p, side);
    int wk, bk, wa, wh, ba, bh;
    if (plain_flag(whiteKingMoved, wk) && plain_flag(blackKingMoved, bk) &&
        plain_flag(whiteRookAMoved, wa) && plain_flag(whiteRookHMoved, wh) &&
        plain_flag(blackRookAMoved, ba) && plain_flag(blackRookHMoved, bh)) {
        std::memcpy(p, kFlagText.text[wk << 5 | bk << 4 | wa << 3 | wh << 2 | ba << 1 | bh], 8);
        p += 8;
    } else {
        *p++ = 'K';
        p = put_number(p, whiteKingMoved);
        p = put_number(p, blackKingMoved);
        *p++ = 'R';
        p = put_number(p, whiteRookAMoved);
        p = put_number(p, whiteRookHMoved);
        p = put_number(p, blackRookAMoved);
        p = put_number(p, blackRookHMoved);
    }
    *p++ = 'E';
    if (enPassantX < 0 || enPassantY < 0)  // no en-passant square at all
        *p++ = '-';
    else
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
