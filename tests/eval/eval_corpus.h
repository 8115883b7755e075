// A reproducible corpus of chess positions for the evaluation tests and the
// evaluation benchmark: seeded random legal play from the start position and
// from a few openings (biased toward captures so that games run down to
// endgames with few pieces), plus king-and-heavy-piece endings with the
// kings walked about at random.  Each position can be loaded into the
// engine's globals and mirrored (board flipped top to bottom, colours
// swapped, side to move, castling rights and en-passant square mirrored).
//
// Needs the engine's board globals, IsMoveValid and set_fen.
#pragma once

#include "frontend/quintar.h"

#include <cstdint>
#include <vector>

namespace eval_corpus {

struct Position {
    double b[8][8];  // b[x][y], as board
    double side;
    double wk, bk, wa, wh, ba, bh;
    double epx, epy;
};

inline Position capture() {
    Position p;
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) p.b[x][y] = board[x][y];
    p.side = currentPlayer;
    p.wk = whiteKingMoved;
    p.bk = blackKingMoved;
    p.wa = whiteRookAMoved;
    p.wh = whiteRookHMoved;
    p.ba = blackRookAMoved;
    p.bh = blackRookHMoved;
    p.epx = enPassantX;
    p.epy = enPassantY;
    return p;
}

inline void load(const Position &p) {
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) board[x][y] = p.b[x][y];
    currentPlayer = p.side;
    whiteKingMoved = p.wk;
    blackKingMoved = p.bk;
    whiteRookAMoved = p.wa;
    whiteRookHMoved = p.wh;
    blackRookAMoved = p.ba;
    blackRookHMoved = p.bh;
    enPassantX = p.epx;
    enPassantY = p.epy;
}

inline double swap_colour(double piece) {
    if (piece == 0) return 0;
    return piece < 11 ? piece + 10 : piece - 10;
}

inline Position mirror(const Position &p) {
    Position m;
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) m.b[x][7 - y] = swap_colour(p.b[x][y]);
    m.side = 3 - p.side;
    m.wk = p.bk;
    m.bk = p.wk;
    m.wa = p.ba;
    m.ba = p.wa;
    m.wh = p.bh;
    m.bh = p.wh;
    m.epx = p.epx;
    m.epy = p.epy < 0 ? p.epy : 7 - p.epy;
    return m;
}

inline bool same(const Position &a, const Position &b) {
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++)
            if (a.b[x][y] != b.b[x][y]) return false;
    return a.side == b.side && a.wk == b.wk && a.bk == b.bk && a.wa == b.wa && a.wh == b.wh &&
           a.ba == b.ba && a.bh == b.bh && a.epx == b.epx && a.epy == b.epy;
}

// Small deterministic generator (64-bit LCG, high bits out).
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 2862933555777941757ULL + 3037000493ULL) {}
    uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

struct Move {
    int fx, fy, tx, ty;
    bool capture;
};

inline std::vector<Move> legal_moves() {
    std::vector<Move> moves;
    const double side = currentPlayer;
    for (int fy = 0; fy < 8; fy++)
        for (int fx = 0; fx < 8; fx++) {
            if (board[fx][fy] == 0 || PieceColor(board[fx][fy]) != side) continue;
            for (int ty = 0; ty < 8; ty++)
                for (int tx = 0; tx < 8; tx++)
                    if (IsMoveValid(fx, fy, tx, ty))
                        moves.push_back({fx, fy, tx, ty, board[tx][ty] != 0});
        }
    return moves;
}

// Makes a legal move on the globals: captures, en passant, castling with its
// rook, promotion to `promoteType`, castling flags, en-passant square and the
// side to move.
inline void make_move(const Move &m, int promoteType) {
    const double piece = board[m.fx][m.fy];
    const double captured = board[m.tx][m.ty];
    const bool isPawn = piece == 1 || piece == 11;
    const bool isKing = piece == 6 || piece == 16;
    if (isPawn && captured == 0 && m.fx != m.tx) board[m.tx][m.fy] = 0;  // en passant
    if (isKing && (m.tx - m.fx == 2 || m.fx - m.tx == 2)) {
        const int rookFrom = m.tx == 6 ? 7 : 0, rookTo = m.tx == 6 ? 5 : 3;
        board[rookTo][m.fy] = board[rookFrom][m.fy];
        board[rookFrom][m.fy] = 0;
    }
    if (piece == 6) whiteKingMoved = 1;
    if (piece == 16) blackKingMoved = 1;
    if ((m.fx == 0 && m.fy == 7) || (m.tx == 0 && m.ty == 7)) whiteRookAMoved = 1;
    if ((m.fx == 7 && m.fy == 7) || (m.tx == 7 && m.ty == 7)) whiteRookHMoved = 1;
    if ((m.fx == 0 && m.fy == 0) || (m.tx == 0 && m.ty == 0)) blackRookAMoved = 1;
    if ((m.fx == 7 && m.fy == 0) || (m.tx == 7 && m.ty == 0)) blackRookHMoved = 1;
    board[m.tx][m.ty] = piece;
    board[m.fx][m.fy] = 0;
    if (isPawn && (m.ty == 0 || m.ty == 7))
        board[m.tx][m.ty] = promoteType + (piece == 11 ? 10 : 0);
    enPassantX = enPassantY = -1;
    if (isPawn && (m.ty - m.fy == 2 || m.fy - m.ty == 2)) {
        enPassantX = m.fx;
        enPassantY = (m.fy + m.ty) / 2;
    }
    currentPlayer = 3 - currentPlayer;
}

inline void play_games(std::vector<Position> &out, const char *fen, int games, int maxPlies,
                       uint64_t seed) {
    static const int kPromotions[4] = {5, 2, 4, 3};
    for (int g = 0; g < games; g++) {
        Rng rng(seed * 1000 + static_cast<uint64_t>(g));
        if (!set_fen(fen)) return;
        // Capture-hungry games thin the board out quickly; quiet ones keep
        // middle games.
        const int captureBias = 20 + 20 * (g % 4);
        for (int ply = 0; ply < maxPlies; ply++) {
            std::vector<Move> moves = legal_moves();
            if (moves.empty()) break;
            int pieces = 0;
            for (int x = 0; x < 8; x++)
                for (int y = 0; y < 8; y++) pieces += board[x][y] != 0;
            if (pieces <= 3) break;  // bare kings shuffling add nothing
            std::vector<Move> captures;
            for (const Move &m : moves)
                if (m.capture) captures.push_back(m);
            const std::vector<Move> &pool =
                (!captures.empty() && rng.below(100) < captureBias) ? captures : moves;
            make_move(pool[static_cast<size_t>(rng.below(static_cast<int>(pool.size())))],
                      kPromotions[rng.below(4)]);
            out.push_back(capture());
        }
    }
}

// Walks the kings of a lone-king ending about with legal king moves.
inline void walk_kings(std::vector<Position> &out, const char *fen, int plies, uint64_t seed) {
    Rng rng(seed);
    if (!set_fen(fen)) return;
    out.push_back(capture());
    for (int ply = 0; ply < plies; ply++) {
        std::vector<Move> moves = legal_moves();
        std::vector<Move> kingMoves;
        for (const Move &m : moves)
            if (!m.capture && (board[m.fx][m.fy] == 6 || board[m.fx][m.fy] == 16))
                kingMoves.push_back(m);
        if (kingMoves.empty()) {
            currentPlayer = 3 - currentPlayer;
            continue;
        }
        make_move(kingMoves[static_cast<size_t>(rng.below(static_cast<int>(kingMoves.size())))], 5);
        out.push_back(capture());
    }
}

// About 3,000 positions, the same on every run.
inline std::vector<Position> build() {
    std::vector<Position> out;
    play_games(out, start_fen, 8, 160, 1);
    play_games(out, "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3", 3, 140, 2);
    play_games(out, "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5", 3, 140, 3);
    play_games(out, "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2", 2, 140, 4);
    play_games(out, "r3k2r/ppp2ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPP2PPP/R3K2R w KQkq - 0 8", 2, 120, 5);
    play_games(out, "8/pp3k2/2p1p3/3p4/3P1P2/2P2K2/PP6/8 w - - 0 30", 2, 80, 6);
    play_games(out, "4k3/1P3P2/8/8/8/8/2p3p1/4K3 w - - 0 1", 4, 40, 11);
    walk_kings(out, "8/8/8/3k4/8/8/8/K6R w - - 0 1", 40, 7);
    walk_kings(out, "4k3/8/8/8/8/8/8/3QK3 w - - 0 1", 40, 8);
    walk_kings(out, "8/8/4k3/8/8/1r6/8/6K1 b - - 0 1", 40, 9);
    walk_kings(out, "8/2k5/8/8/8/8/1PP5/R3K3 w - - 0 1", 40, 10);
    return out;
}

}  // namespace eval_corpus
