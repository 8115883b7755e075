// FEN reading (strict placement, lenient rest), coordinate move text and
// position snapshots.  A rejected FEN or move changes nothing.
#include "frontend/quintar.h"

#include "core/board/move_effects.h"
#include "core/board/move_rules.h"

#include <cstdio>
#include <cstring>

const char *const start_fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

int piece_code(char c) {
    switch (c) {
        case 'P': return 1;
        case 'R': return 2;
        case 'N': return 3;
        case 'B': return 4;
        case 'Q': return 5;
        case 'K': return 6;
        case 'p': return 11;
        case 'r': return 12;
        case 'n': return 13;
        case 'b': return 14;
        case 'q': return 15;
        case 'k': return 16;
        default: return 0;
    }
}

int set_fen(const char *fen) {
    char placement[100] = {0}, side[4] = {0}, castling[8] = {0}, ep[8] = {0};
    int half = 0, full = 1;
    if (std::sscanf(fen, "%99s %3s %7s %7s %d %d", placement, side, castling, ep, &half, &full) < 4)
        return 0;

    double scratch[8][8] = {};
    int x = 0, y = 0, slashes = 0, whiteKings = 0, blackKings = 0;
    for (const char *c = placement; *c; ++c) {
        if (*c == '/') {
            if (x != 8 || slashes >= 7) return 0;
            ++slashes;
            ++y;
            x = 0;
        } else if (*c >= '1' && *c <= '8') {
            x += *c - '0';
            if (x > 8) return 0;
        } else {
            const int code = piece_code(*c);
            if (code == 0 || x > 7) return 0;
            scratch[x][y] = code;
            if (code == 6) ++whiteKings;
            if (code == 16) ++blackKings;
            ++x;
        }
    }
    if (whiteKings != 1 || blackKings != 1 || x != 8 || slashes != 7 || half < 0) return 0;
    if (std::strcmp(side, "w") != 0 && std::strcmp(side, "b") != 0) return 0;
    int epX = -1, epY = -1;
    if (std::strcmp(ep, "-") != 0) {
        if (std::strlen(ep) != 2 || ep[0] < 'a' || ep[0] > 'h' || (ep[1] != '3' && ep[1] != '6'))
            return 0;
        epX = ep[0] - 'a';
        epY = '8' - ep[1];
    }

    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) board[fx][fy] = scratch[fx][fy];
    const bool black = side[0] == 'b';
    currentPlayer = black ? 2 : 1;
    computerPlayer = currentPlayer;
    const bool K = std::strchr(castling, 'K') != nullptr, Q = std::strchr(castling, 'Q') != nullptr;
    const bool k = std::strchr(castling, 'k') != nullptr, q = std::strchr(castling, 'q') != nullptr;
    whiteRookHMoved = K ? 0 : 1;
    whiteRookAMoved = Q ? 0 : 1;
    whiteKingMoved = (K || Q) ? 0 : 1;
    blackRookHMoved = k ? 0 : 1;
    blackRookAMoved = q ? 0 : 1;
    blackKingMoved = (k || q) ? 0 : 1;
    enPassantX = epX;
    enPassantY = epY;
    halfmoveClock = half;
    moveCount = 2.0 * full - 2 + (black ? 1 : 0);
    ClearPositionHistory();
    AddPositionHistory();
    return 1;
}

int apply_uci(const char *m) {
    const size_t len = std::strlen(m);
    if (len != 4 && len != 5) return 0;
    if (m[0] < 'a' || m[0] > 'h' || m[2] < 'a' || m[2] > 'h') return 0;
    if (m[1] < '1' || m[1] > '8' || m[3] < '1' || m[3] > '8') return 0;
    const int fx = m[0] - 'a', fy = '8' - m[1], tx = m[2] - 'a', ty = '8' - m[3];
    const double piece = board[fx][fy];
    if (PieceColor(piece) != currentPlayer) return 0;
    double promoted = 0;
    if ((piece == 1 || piece == 11) && (m[3] == '8' || m[3] == '1')) {
        if (len != 5) return 0;
        switch (m[4]) {
            case 'q': promoted = 5; break;
            case 'r': promoted = 2; break;
            case 'b': promoted = 4; break;
            case 'n': promoted = 3; break;
            default: return 0;
        }
    } else if (len != 4) {
        return 0;
    }
    if (!IsMoveValid(fx, fy, tx, ty)) return 0;
    // The move stands: its undo record is not kept.
    MoveEffects move = move_effects(EngineBoard(), square_of(fx, fy), square_of(tx, ty));
    if (promoted != 0) move.promote_to(static_cast<int>(promoted));
    MoveUndo undo;
    do_move(move, undo);
    currentPlayer = 3 - currentPlayer;
    computerPlayer = currentPlayer;
    moveCount += 1;
    AddPositionHistory();
    return 1;
}

int apply_uci_list(char *moves) {
    char *p = moves;
    for (;;) {
        while (*p == ' ') ++p;
        if (!*p) return 1;
        char *word = p;
        while (*p && *p != ' ') ++p;
        const char saved = *p;
        *p = 0;
        const int ok = apply_uci(word);
        *p = saved;
        if (!ok) return 0;
    }
}

HS ComputerMoveText_s(double piece, double fx, double fy, double tx, double ty) {
    HS r;
    std::memset(r.v, 0, sizeof r.v);
    r.v[0] = static_cast<char>('a' + static_cast<int>(fx));
    r.v[1] = static_cast<char>('8' - static_cast<int>(fy));
    r.v[2] = static_cast<char>('a' + static_cast<int>(tx));
    r.v[3] = static_cast<char>('8' - static_cast<int>(ty));
    if ((piece == 1 || piece == 11) && (ty == 0 || ty == 7)) r.v[4] = 'q';
    return r;
}

State state_get() {
    State s;
    std::memcpy(s.b, board, sizeof s.b);
    s.wk = whiteKingMoved;
    s.bk = blackKingMoved;
    s.wa = whiteRookAMoved;
    s.wh = whiteRookHMoved;
    s.ba = blackRookAMoved;
    s.bh = blackRookHMoved;
    s.epx = enPassantX;
    s.epy = enPassantY;
    s.half = halfmoveClock;
    s.side = currentPlayer;
    return s;
}

void state_put(const State *s) {
    std::memcpy(board, s->b, sizeof s->b);
    state_put_flags(s);
}

void state_put_flags(const State *s) {
    whiteKingMoved = s->wk;
    blackKingMoved = s->bk;
    whiteRookAMoved = s->wa;
    whiteRookHMoved = s->wh;
    blackRookAMoved = s->ba;
    blackRookHMoved = s->bh;
    enPassantX = s->epx;
    enPassantY = s->epy;
    halfmoveClock = s->half;
    currentPlayer = s->side;
}
