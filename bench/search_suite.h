// The fixed search suite behind bench/search and its node-count signature:
// openings, middlegames with tactics, endgames, mates and a position where
// most moves stalemate.  Each entry is searched from a fresh engine, so the
// node counts do not depend on the order of the entries.
#pragma once

#include "frontend/quintar.h"

struct SearchSuiteEntry {
    const char *name;
    const char *fen;
    int depth;
};

inline const SearchSuiteEntry kSearchSuite[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5},
    {"ruy-lopez", "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3", 5},
    {"sicilian", "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2", 5},
    {"qgd-middlegame", "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1BBPPP/R2QK2R w KQ - 0 8", 5},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4},
    {"sacrifice-mate2", "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 4},
    {"queen-sac-mate2", "r1bq2r1/b4pk1/p1pp1p2/1p2pP2/1P2P1PB/3P4/1PPQ2P1/R3K2R w - - 0 1", 4},
    {"black-mate2", "6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 4},
    {"knight-tactic", "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 4},
    {"rook-endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6},
    {"pawn-endgame", "8/8/8/4k3/8/8/4PK2/8 w - - 0 1", 7},
    {"promotion-race", "8/P7/8/8/8/8/6kp/K7 w - - 0 1", 6},
    {"back-rank-mate1", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 8},
    {"stalemate-trap", "k7/8/1Q6/8/8/8/8/6K1 w - - 0 1", 5},
};

inline constexpr int kSearchSuiteSize = sizeof kSearchSuite / sizeof kSearchSuite[0];

// Searches one entry from a fresh engine; the answer is in the result globals.
inline bool run_search_suite_entry(const SearchSuiteEntry &e) {
    init_engine();
    if (!set_fen(e.fen)) return false;
    computerPlayer = currentPlayer;
    computerDepth = e.depth;
    computerThinkSeconds = 300;
    CalculateBestMove();
    return true;
}
