// A reproducible corpus of positions for the evaluation tests and benchmark:
// seeded random legal play (biased toward captures, so games reach endings)
// from a few openings, plus lone-king endings with the kings walked about.
// Positions are captured from and loaded into the engine's globals.
#pragma once

#include "frontend/quintar.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace eval_corpus {

// Side to move, castling flags (wk, bk, wa, wh, ba, bh) and en-passant square.
inline double *const *state_fields() {
    static double *const f[9] = {&currentPlayer,   &whiteKingMoved,  &blackKingMoved,
                                 &whiteRookAMoved, &whiteRookHMoved, &blackRookAMoved,
                                 &blackRookHMoved, &enPassantX,      &enPassantY};
    return f;
}

struct Position {
    double b[8][8];  // b[x][y], as board
    double f[9];     // state_fields()
};

inline Position capture() {
    Position p;
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) p.b[x][y] = board[x][y];
    for (int i = 0; i < 9; i++) p.f[i] = *state_fields()[i];
    return p;
}

inline void load(const Position &p) {
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) board[x][y] = p.b[x][y];
    for (int i = 0; i < 9; i++) *state_fields()[i] = p.f[i];
}

// Board flipped top to bottom, colours, side to move and rights swapped.
inline Position mirror(const Position &p) {
    Position m = p;
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) {
            const double v = p.b[x][y];
            m.b[x][7 - y] = v == 0 ? 0 : v < 11 ? v + 10 : v - 10;
        }
    m.f[0] = 3 - p.f[0];
    std::swap(m.f[1], m.f[2]);
    std::swap(m.f[3], m.f[5]);
    std::swap(m.f[4], m.f[6]);
    if (p.f[8] >= 0) m.f[8] = 7 - p.f[8];
    return m;
}

// 64-bit LCG, high bits out.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 2862933555777941757ULL + 3037000493ULL) {}
    uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    template <class T>
    const T &pick(const std::vector<T> &v) {
        return v[static_cast<size_t>(below(static_cast<int>(v.size())))];
    }
};

struct Move {
    int fx, fy, tx, ty;
    bool capture;
};

inline std::vector<Move> legal_moves() {
    std::vector<Move> moves;
    for (int fy = 0; fy < 8; fy++)
        for (int fx = 0; fx < 8; fx++) {
            if (board[fx][fy] == 0 || PieceColor(board[fx][fy]) != currentPlayer) continue;
            for (int ty = 0; ty < 8; ty++)
                for (int tx = 0; tx < 8; tx++)
                    if (IsMoveValid(fx, fy, tx, ty))
                        moves.push_back({fx, fy, tx, ty, board[tx][ty] != 0});
        }
    return moves;
}

// Plays a legal move through the engine, promoting to `promotion`.
inline void make_move(const Move &m, char promotion) {
    const double piece = board[m.fx][m.fy];
    const bool promotes = (piece == 1 || piece == 11) && (m.ty == 0 || m.ty == 7);
    const char text[6] = {static_cast<char>('a' + m.fx), static_cast<char>('8' - m.fy),
                          static_cast<char>('a' + m.tx), static_cast<char>('8' - m.ty),
                          promotes ? promotion : '\0',   '\0'};
    apply_uci(text);
}

inline void play_games(std::vector<Position> &out, const char *fen, int games, int maxPlies,
                       uint64_t seed) {
    for (int g = 0; g < games; g++) {
        Rng rng(seed * 1000 + static_cast<uint64_t>(g));
        if (!set_fen(fen)) return;
        const int captureBias = 20 + 20 * (g % 4);
        for (int ply = 0; ply < maxPlies; ply++) {
            std::vector<Move> moves = legal_moves(), captures;
            if (moves.empty()) break;
            int pieces = 0;
            for (int x = 0; x < 8; x++)
                for (int y = 0; y < 8; y++) pieces += board[x][y] != 0;
            if (pieces <= 3) break;
            for (const Move &m : moves)
                if (m.capture) captures.push_back(m);
            const bool takes = !captures.empty() && rng.below(100) < captureBias;
            const Move &m = rng.pick(takes ? captures : moves);
            make_move(m, "qrbn"[rng.below(4)]);
            out.push_back(capture());
        }
    }
}

inline void walk_kings(std::vector<Position> &out, const char *fen, int plies, uint64_t seed) {
    Rng rng(seed);
    if (!set_fen(fen)) return;
    out.push_back(capture());
    for (int ply = 0; ply < plies; ply++) {
        std::vector<Move> kingMoves;
        for (const Move &m : legal_moves())
            if (!m.capture && (board[m.fx][m.fy] == 6 || board[m.fx][m.fy] == 16))
                kingMoves.push_back(m);
        if (kingMoves.empty()) {
            currentPlayer = 3 - currentPlayer;
            continue;
        }
        make_move(rng.pick(kingMoves), 'q');
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
