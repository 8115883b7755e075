// Static evaluation: material, piece placement, pawn structure, king safety
// and the winning-king endgame term, summed from White's point of view.
//
// The board is read once into integer codes, which are sorted into one
// occupancy set per piece code.  Everything else works on those sets: the
// material phase and king squares, per-file pawn masks and the pawn-cache
// key, the values of the pieces (whole numbers from tables of square values,
// summed in integers), and the king-zone attacks.  Pawn-structure features
// come from the pawn cache (block 906) when the same pawn configuration has
// been seen before.  Nothing here allocates or formats.
//
// Globals read: board, pawnCacheEnabled, pawnCacheReady, memory/memory_size
// of block 906.  Written: pawnCacheHits, pawnCacheMisses, the pawn cache
// (block 906; InitPawnCache on first use).
#include "core/quin_core.h"
#include "core/board/geometry.h"
#include "core/eval/board_ranks.h"
#include "core/eval/cache_layout.h"
#include "core/eval/winning_king.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

// Material of both sides without pawns and kings at which the middlegame
// terms count in full (and the endgame terms not at all).
constexpr int kFullPhase = 6400;

// ------------------------------------------------------------ attack sets
// Squares and sets of squares as core/board/geometry.h numbers them.

// The squares of `zone` a slider on s attacks along the directions `dirs`:
// each line up to and including its first occupied square.  Lines that miss
// the zone are not traced.
template <int N>
inline uint64_t slider_hits(const int (&dirs)[N], int s, uint64_t occ, uint64_t zone) {
    uint64_t set = 0;
    for (const int d : dirs)
        if ((kRays.ray[s][d] & zone) != 0) set |= ray_reach(s, d, occ);
    return set & zone;
}

inline int popcount8(unsigned v) { return count_sparse(v & 0xFFu); }

inline int iabs(int v) { return v < 0 ? -v : v; }

// ------------------------------------------------------- piece sets
// The occupied squares by piece code.  byCode[0] collects the squares whose
// value names no piece (codes 7 to 10, above 16 or below 0, possible only on
// a board written directly): they block lines and count as material of
// their colour for the winning-king term, and nothing else.
struct PieceSets {
    uint64_t byCode[kBlackOffset + kKing + 1] = {};
    uint64_t bySide[3] = {};  // kWhite, kBlack
    uint64_t occupied = 0;

    uint64_t of(int side, int type) const { return byCode[make_piece(side, type)]; }
};

constexpr struct CodeIndex {
    unsigned char index[kBlackOffset + kKing + 1];
    constexpr CodeIndex() : index() {
        for (int type = kPawn; type <= kKing; type++) {
            index[make_piece(kWhite, type)] = static_cast<unsigned char>(make_piece(kWhite, type));
            index[make_piece(kBlack, type)] = static_cast<unsigned char>(make_piece(kBlack, type));
        }
    }
} kCodeIndex;

// Sorts the occupied squares of `squares` into piece sets; `blackPieces`
// holds the squares of codes above kBlackOffset.
void sort_pieces(PieceSets &sets, const int *squares, uint64_t occupied, uint64_t blackPieces) {
    for (uint64_t rest = occupied; rest;) {
        const int s = pop_lsb(rest);
        const unsigned code = static_cast<unsigned>(squares[s]);
        sets.byCode[code <= kBlackOffset + kKing ? kCodeIndex.index[code] : 0] |= square_bit(s);
    }
    sets.occupied = occupied;
    sets.bySide[kWhite] = occupied & ~blackPieces;
    sets.bySide[kBlack] = blackPieces;
}

// ------------------------------------------------------- king zone
// The zone around a king on (kingX, kingY) attacked by `enemy`: the files
// next to the king and its own, the ranks from one behind the king to two
// in front, or three without a pawn shield; squares off the board dropped.
uint64_t king_zone(int kingX, int kingY, int enemy, double shield) {
    // A White king is attacked by Black and looks toward smaller y.
    int firstY, lastY;
    if (enemy == kBlack) {
        firstY = kingY - (shield > 0 ? 2 : 3);
        lastY = kingY + 1;
    } else {
        firstY = kingY - 1;
        lastY = kingY + (shield > 0 ? 2 : 3);
    }
    uint64_t zone = 0;
    if (kingX >= 0 && kingX < 8) {
        // Files kingX - 1 .. kingX + 1 within the board, on every zone rank.
        const uint64_t files = ((uint64_t{7} << kingX) >> 1) & 0xFFu;
        for (int y = firstY < 0 ? 0 : firstY; y <= lastY && y < 8; y++)
            zone |= files << square_of(0, y);
    } else {
        for (int y = firstY; y <= lastY; y++)
            for (int x = kingX - 1; x <= kingX + 1; x++) zone |= bit_at(x, y);
    }
    return zone;
}

// Attack weight by piece type (pawn 1, rook 3, knight 2, bishop 2, queen 5,
// king 1).
constexpr int kZoneWeight[7] = {0, 1, 3, 2, 2, 5, 1};

// Adds the pieces of `set` of one type that hit the zone: one attacker each,
// the type's weight per zone square hit (at most three counted).
template <int Type>
inline void add_zone_attackers(uint64_t set, uint64_t occupied, uint64_t zone, int &attackers,
                               int &units) {
    while (set) {
        const int s = pop_lsb(set);
        uint64_t hits;
        if (Type == kKnight) {
            hits = knight_squares(s) & zone;
        } else if (Type == kKing) {
            hits = king_squares(s) & zone;
        } else if (Type == kRook) {
            hits = (kRays.straight[s] & zone) ? slider_hits(kStraightDirs, s, occupied, zone) : 0;
        } else if (Type == kBishop) {
            hits = (kRays.diagonal[s] & zone) ? slider_hits(kDiagonalDirs, s, occupied, zone) : 0;
        } else {
            hits = ((kRays.straight[s] | kRays.diagonal[s]) & zone)
                       ? slider_hits(kStraightDirs, s, occupied, zone) |
                             slider_hits(kDiagonalDirs, s, occupied, zone)
                       : 0;
        }
        if (hits) {
            attackers += 1;
            units += kZoneWeight[Type] * bits_up_to_3(hits);
        }
    }
}

// King-zone penalty of the king on (kingX, kingY) attacked by `enemy`.
double king_zone_penalty(const PieceSets &sets, int kingX, int kingY, int enemy, double phase,
                         double shield) {
    const uint64_t zone = king_zone(kingX, kingY, enemy, shield);
    const uint64_t occupied = sets.occupied;

    // Pawns all at once: each hits at most two squares, one toward either
    // neighbouring file, so its count never reaches the cap of three.
    const uint64_t pawns = sets.of(enemy, kPawn);
    uint64_t lowerHits, higherHits, origins;
    lowerHits = pawn_attacks_left(enemy, pawns) & zone;
    higherHits = pawn_attacks_right(enemy, pawns) & zone;
    if (enemy == kWhite)  // White pawns take toward smaller y
        origins = (lowerHits << 9) | (higherHits << 7);
    else
        origins = (lowerHits >> 7) | (higherHits >> 9);
    int attackers = count_sparse(origins);
    int units = count_sparse(lowerHits) + count_sparse(higherHits);

    add_zone_attackers<kKnight>(sets.of(enemy, kKnight), occupied, zone, attackers, units);
    add_zone_attackers<kBishop>(sets.of(enemy, kBishop), occupied, zone, attackers, units);
    add_zone_attackers<kRook>(sets.of(enemy, kRook), occupied, zone, attackers, units);
    add_zone_attackers<kQueen>(sets.of(enemy, kQueen), occupied, zone, attackers, units);
    add_zone_attackers<kKing>(sets.of(enemy, kKing), occupied, zone, attackers, units);

    if (attackers < 2) return 0;
    const double u = units;
    double penalty = (3 - shield) * u + Int(u * u * 0.25);
    if (penalty > 260) penalty = 260;
    penalty = Int(phase * penalty / kFullPhase);
    if (sets.of(enemy, kQueen) == 0) penalty = Int(penalty * 0.25);
    return penalty;
}

// Pawn cache block, or null after ending the process with the memory-bounds
// message when the block is missing or short (the globals were changed behind
// the cache's back).
unsigned char *pawn_block(double pawnOffset) {
    if (memory[kPawnBlock] == nullptr ||
        memory_size[kPawnBlock] < static_cast<uint64_t>(kPawnCacheBytes)) {
        checkmem(kPawnBlock, pawnOffset, 1);
        checkmem(kPawnBlock, pawnOffset, kPawnSlotBytes);
    }
    return memory[kPawnBlock];
}

// ------------------------------------------------------ the board scan
// What the pass over the board gathers for the piece terms.
struct BoardScan {
    PieceSets sets;
    // Pawn ranks (bit y) per file, files shifted by one so that the
    // neighbours of the a- and h-files read as empty.
    unsigned whitePawns[10] = {0}, blackPawns[10] = {0};
    unsigned whitePawnFiles = 0, blackPawnFiles = 0;  // bit x: a pawn on file x
    int phase = 0;  // rook, knight, bishop and queen material of both sides
    WinningKingMaterial material;
};

// The pawn-cache state of one evaluation.
struct PawnCacheProbe {
    unsigned char key[kPawnKeyBytes];  // Chr(65 + pawn code) per square
    uint64_t hashSum = 0;              // unreduced square hash of the pawn codes
    unsigned char *slot = nullptr;     // the probed slot; null with the cache off
    bool hit = false;
    // A feature word holds up to 15 neighbours; a board with 16 own pawns on
    // the two adjacent files (possible from a FEN, never in a game) cannot be
    // stored without corrupting the word, so such a configuration is
    // evaluated afresh every time instead of being validated in the cache.
    bool wordsFit = true;
};

// Reads the board into integer codes and occupancy sets (memory order, two
// ranks at a time).
void read_board(int *squares, uint64_t &occupiedOut, uint64_t &blackOut) {
    uint64_t occupied = 0, blackPieces = 0;
#if defined(__SSE2__)
    const __m128i empty = _mm_set1_epi32(kEmpty);
    const __m128i blackOffset = _mm_set1_epi32(kBlackOffset);
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        __m128d whole = _mm_setzero_pd();  // not needed here
        load_rank_pair(y, ranks, whole);
        for (int r = 0; r < 4; r++) {
            const int s = square_of(r * 4, y);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(&squares[s]), ranks[r]);
            const int emptyBits =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(ranks[r], empty)));
            const int blackBits =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(ranks[r], blackOffset)));
            occupied |= static_cast<uint64_t>(~emptyBits & 15) << s;
            blackPieces |= static_cast<uint64_t>(blackBits) << s;
        }
    }
#else
    for (int x = 0; x < 8; x++) {
        const double *file = board[x];
        for (int y = 0; y < 8; y++) {
            const int code = static_cast<int>(file[y]);
            const int s = square_of(x, y);
            squares[s] = code;
            occupied |= static_cast<uint64_t>(code != kEmpty) << s;
            blackPieces |= static_cast<uint64_t>(code > kBlackOffset) << s;
        }
    }
#endif
    occupiedOut = occupied;
    blackOut = blackPieces;
}

// Phase material of the non-pawn pieces.
int phase_material(const PieceSets &sets) {
    int phase = 0;
    for (int type = kRook; type <= kQueen; type++)
        phase += kPieceValue[type] *
                 (count_sparse(sets.of(kWhite, type)) + count_sparse(sets.of(kBlack, type)));
    return phase;
}

// Piece sets of the current board.
void read_piece_sets(PieceSets &sets) {
    int squares[64];  // piece codes by square
    uint64_t occupied, blackPieces;
    read_board(squares, occupied, blackPieces);
    sort_pieces(sets, squares, occupied, blackPieces);
}

// Piece sets from the square characters Chr(code + 65) of a position key;
// false when a square holds a code that names no piece.
bool piece_sets_from_chars(PieceSets &sets, const unsigned char *chars) {
#if defined(__SSE2__)
    __m128i chunks[4];
    for (int i = 0; i < 4; i++)
        chunks[i] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + 16 * i));
    const auto squares_of = [&chunks](int code) {
        const __m128i c = _mm_set1_epi8(static_cast<char>(65 + code));
        const auto bits = [&c](__m128i chunk) {
            return static_cast<uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, c))));
        };
        return bits(chunks[0]) | bits(chunks[1]) << 16 | bits(chunks[2]) << 32 |
               bits(chunks[3]) << 48;
    };
#else
    const auto squares_of = [chars](int code) {
        uint64_t set = 0;
        for (int s = 0; s < 64; s++) set |= static_cast<uint64_t>(chars[s] == 65 + code) << s;
        return set;
    };
#endif
    uint64_t white = 0, black = 0;
    for (int type = kPawn; type <= kKing; type++) {
        white |= sets.byCode[make_piece(kWhite, type)] = squares_of(make_piece(kWhite, type));
        black |= sets.byCode[make_piece(kBlack, type)] = squares_of(make_piece(kBlack, type));
    }
    const uint64_t empty = squares_of(kEmpty);
    sets.occupied = white | black;
    sets.bySide[kWhite] = white;
    sets.bySide[kBlack] = black;
    return (empty | white | black) == ~uint64_t{0};
}

// The pass over the piece sets: pawn files, phase material, the winning-king
// facts (the last king of a colour in board order counts) and (with the
// cache on) the pawn key and hash.
void scan_board(BoardScan &scan, PawnCacheProbe &pawns, bool useCache) {
    const PieceSets &sets = scan.sets;
    scan.phase = phase_material(sets);

    WinningKingMaterial &m = scan.material;
    const uint64_t whiteKings = sets.of(kWhite, kKing), blackKings = sets.of(kBlack, kKing);
    if (whiteKings) {
        const int s = highest_square(whiteKings);
        m.whiteKingX = square_x(s);
        m.whiteKingY = square_y(s);
    }
    if (blackKings) {
        const int s = highest_square(blackKings);
        m.blackKingX = square_x(s);
        m.blackKingY = square_y(s);
    }
    m.whiteOthers = count_bits(sets.bySide[kWhite] & ~whiteKings);
    m.blackOthers = count_bits(sets.bySide[kBlack] & ~blackKings);
    m.whiteHeavy = (sets.of(kWhite, kRook) | sets.of(kWhite, kQueen)) != 0;
    m.blackHeavy = (sets.of(kBlack, kRook) | sets.of(kBlack, kQueen)) != 0;

    if (useCache) std::memset(pawns.key, 65 + kEmpty, kPawnKeyBytes);
    uint64_t pawnSum = kSquarePowers.sum;  // every square's pawn term is at least 1
    for (int side = kWhite; side <= kBlack; side++) {
        const int code = make_piece(side, kPawn);
        unsigned *files = side == kWhite ? scan.whitePawns : scan.blackPawns;
        unsigned fileSet = 0;
        for (uint64_t rest = sets.byCode[code]; rest;) {
            const int s = pop_lsb(rest);
            const int x = square_x(s);
            files[x + 1] |= 1u << square_y(s);
            fileSet |= 1u << x;
            pawns.key[s] = static_cast<unsigned char>(65 + code);
            pawnSum += static_cast<uint64_t>(code) * kSquarePowers.p[s];
        }
        (side == kWhite ? scan.whitePawnFiles : scan.blackPawnFiles) = fileSet;
    }
    pawns.hashSum = pawnSum;
}

// Looks the pawn configuration up.  A miss claims the slot at once (state 0,
// the new key); the caller marks it valid once the feature words are in.
void probe_pawn_cache(PawnCacheProbe &pawns) {
    const int64_t pawnHash = static_cast<int64_t>(mod_prime(pawns.hashSum));
    const double pawnOffset = static_cast<double>((pawnHash % kPawnSlots) * kPawnSlotBytes);
    unsigned char *slot = pawn_block(pawnOffset) + static_cast<int64_t>(pawnOffset);
    pawns.slot = slot;
    if (slot[kPawnStateOffset] == 1 &&
        std::memcmp(slot + kPawnKeyOffset, pawns.key, kPawnKeyBytes) == 0) {
        pawns.hit = true;
        pawnCacheHits += 1;
    } else {
        pawnCacheMisses += 1;
        slot[kPawnStateOffset] = 0;
        std::memcpy(slot + kPawnKeyOffset, pawns.key, kPawnKeyBytes);
    }
}

// ------------------------------------------------------- piece terms
// Values that depend on the material phase, computed once per evaluation.
struct PhaseTerms {
    int phase;              // min(phase material, kFullPhase)
    int endgameWeight;      // kFullPhase - phase
    int queenEarlyPenalty;  // for a queen off its first two ranks
    int centralPawnBonus;   // for a pawn on d4, e4, d5 or e5 (own side's view)
    bool bothKings;
};

// Closeness to the centre along one coordinate: 0 2 4 6 6 4 2 0.
constexpr int kCenter[8] = {0, 2, 4, 6, 6, 4, 2, 0};

// The part of each piece's value that depends on its square alone, from its
// own side's point of view, by piece code and square: the pawn's base value
// (without the central bonus), rook, knight, bishop and queen (without the
// development penalty).  Kings are valued apart.
struct SquareValues {
    int value[kBlackOffset + kKing + 1][64];
    constexpr SquareValues() : value() {
        for (int side = kWhite; side <= kBlack; side++) {
            for (int s = 0; s < 64; s++) {
                const int x = square_x(s), y = square_y(s);
                const int rank = side == kWhite ? 7 - y : y;
                const int centerX = kCenter[x], centerY = kCenter[rank];
                const int backRank = rank == 0 ? 10 : 0;
                value[make_piece(side, kPawn)][s] =
                    kPieceValue[kPawn] + 5 * rank + 2 * centerX + (rank >= 3 ? 2 * centerY : 0);
                value[make_piece(side, kRook)][s] =
                    kPieceValue[kRook] + 2 * centerX + (rank == 6 ? 20 : 0);
                value[make_piece(side, kKnight)][s] =
                    (centerX + centerY) * 4 + kPieceValue[kKnight] - 24 - backRank;
                value[make_piece(side, kBishop)][s] =
                    2 * (centerX + centerY) + kPieceValue[kBishop] - backRank;
                value[make_piece(side, kQueen)][s] = kPieceValue[kQueen] + centerX + centerY;
            }
        }
    }
};

constexpr SquareValues kSquareValues;

// Pawns on d4, e4, d5 and e5 (the same squares from either side's view).
constexpr uint64_t kCentralPawnSquares = bit_at(3, 3) | bit_at(4, 3) | bit_at(3, 4) | bit_at(4, 4);

// Queens off their first two ranks, by side.
constexpr uint64_t kQueenDeveloped[3] = {0, 0x0000FFFFFFFFFFFFULL, 0xFFFFFFFFFFFF0000ULL};

// The five pawn-structure features of one pawn.
struct PawnFeatures {
    int sameFile;    // own pawns on the file, this one included
    int neighbours;  // own pawns on the adjacent files
    int passed;      // no enemy pawn ahead on this or an adjacent file
    int connected;   // an own pawn on an adjacent file at most one rank away
    int supported;   // an own pawn on an adjacent file on the rank behind
};

// The features of the pawn on (x, y): read from its cache word on a hit,
// otherwise found from the pawn files and written to the word (cache on).
PawnFeatures pawn_features(const BoardScan &scan, PawnCacheProbe &pawns, int x, int y, bool white) {
    PawnFeatures f;
    unsigned char *word =
        pawns.slot ? pawns.slot + kPawnWordsOffset + square_of(x, y) * kPawnWordBytes : nullptr;
    if (pawns.hit) {
        const uint32_t v = read_le32(word);
        f.sameFile = v % kWordNeighbours;
        f.neighbours = (v / kWordNeighbours) % 16;
        f.passed = (v / kWordPassed) % 2;
        f.connected = (v / kWordConnected) % 2;
        f.supported = (v / kWordSupported) % 2;
        return f;
    }
    const unsigned *own = white ? scan.whitePawns : scan.blackPawns;
    const unsigned *enemy = white ? scan.blackPawns : scan.whitePawns;
    const unsigned left = own[x], right = own[x + 2];
    const unsigned sides = left | right;
    f.sameFile = popcount8(own[x + 1]);
    f.neighbours = popcount8(left) + popcount8(right);
    f.connected = (sides & (((7u << y) >> 1) & 0xFFu)) != 0;
    const int supportY = white ? y + 1 : y - 1;
    f.supported = supportY >= 0 && supportY < 8 && ((sides >> supportY) & 1u);
    // Enemy pawns ahead on this file or the adjacent ones (smaller y for
    // White, larger y for Black).
    const unsigned ahead = white ? ((1u << y) - 1u) : (0xFFu & ~((2u << y) - 1u));
    f.passed = ((enemy[x] | enemy[x + 1] | enemy[x + 2]) & ahead) == 0;
    if (f.neighbours > 15) pawns.wordsFit = false;
    if (word) {
        write_le32(word, static_cast<uint32_t>(f.sameFile) + kWordNeighbours * f.neighbours +
                             kWordPassed * f.passed + kWordConnected * f.connected +
                             kWordSupported * f.supported);
    }
    return f;
}

// One pawn's value as its whole-number parts, in the order they are added.
struct PawnTerms {
    int base;      // square, central bonus
    int sameFile;  // the doubled term is -12 (sameFile - 1) / sameFile
    int isolated;  // 0 or -15
    int passed;    // the passed-pawn terms, each 0 when not passed
    int connected;
    int supported;
    int kingBonus;
};

// The doubled-pawn term of a pawn with `sameFile` own pawns on its file is
// a whole number for these counts (0 and 1 have none), a fraction otherwise.
constexpr unsigned kWholeDoubledCounts = 1u << 0 | 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 6;

inline bool doubled_is_whole(int sameFile) { return (kWholeDoubledCounts >> sameFile) & 1u; }

// The value as a whole number, for a pawn whose doubled term is whole.
inline int pawn_value_whole(const PawnTerms &t) {
    const int doubled = t.sameFile > 1 ? -12 * (t.sameFile - 1) / t.sameFile : 0;
    return t.base + doubled + t.isolated + t.passed + t.connected + t.supported + t.kingBonus;
}

// The value summed term by term in doubles, fractions and all.
// (A term that does not apply is 0, and adding 0 leaves the double as it is.)
inline double pawn_value_exact(const PawnTerms &t) {
    double value = t.base;
    if (t.sameFile > 1) value += -12.0 * (t.sameFile - 1) / t.sameFile;
    value += t.isolated;
    value += t.passed;
    value += t.connected;
    value += t.supported;
    value += t.kingBonus;
    return value;
}

PawnTerms pawn_terms(const BoardScan &scan, const PhaseTerms &terms, PawnCacheProbe &pawns, int s,
                     bool white) {
    const int x = square_x(s), y = square_y(s);
    const int rank = white ? 7 - y : y;
    const PawnFeatures f = pawn_features(scan, pawns, x, y, white);
    PawnTerms t{};
    t.base = kSquareValues.value[make_piece(white ? kWhite : kBlack, kPawn)][s];
    if ((kCentralPawnSquares >> s) & 1u) t.base += terms.centralPawnBonus;
    t.sameFile = f.sameFile;
    if (f.neighbours == 0) t.isolated = -15;
    if (f.passed) {
        const int r2 = rank * rank;
        t.passed = 2 * r2 + (3 * r2 * terms.endgameWeight) / kFullPhase;
        if (f.connected) t.connected = 8 + 2 * rank;
        if (f.supported) t.supported = 2 * rank + 10;
        if (terms.bothKings) {
            // The own king nearer the passer than the enemy king, by
            // Manhattan distance, counts in the endgame.
            const WinningKingMaterial &m = scan.material;
            const int whiteDistance = iabs(m.whiteKingX - x) + iabs(m.whiteKingY - y);
            const int blackDistance = iabs(m.blackKingX - x) + iabs(m.blackKingY - y);
            const int ownDistance = white ? whiteDistance : blackDistance;
            const int enemyDistance = white ? blackDistance : whiteDistance;
            int kingPawnBonus =
                (enemyDistance - ownDistance) * 4 * terms.endgameWeight / kFullPhase;
            if (kingPawnBonus < -24) kingPawnBonus = -24;
            if (kingPawnBonus > 24) kingPawnBonus = 24;
            t.kingBonus = kingPawnBonus;
        }
    }
    return t;
}

// Rook on the file of `fileBit`: +12 on a half-open file, +22 on an open one.
inline int rook_file_bonus(unsigned fileBit, unsigned ownPawnFiles, unsigned enemyPawnFiles) {
    if (ownPawnFiles & fileBit) return 0;
    return (enemyPawnFiles & fileBit) ? 12 : 22;
}

// Own pawns in front of a king (the three squares one rank ahead), by side
// and square.
struct ShieldSquares {
    uint64_t squares[3][64];
    constexpr ShieldSquares() : squares() {
        for (int s = 0; s < 64; s++) {
            const int x = square_x(s), y = square_y(s);
            squares[kWhite][s] = bit_at(x - 1, y - 1) | bit_at(x, y - 1) | bit_at(x + 1, y - 1);
            squares[kBlack][s] = bit_at(x - 1, y + 1) | bit_at(x, y + 1) | bit_at(x + 1, y + 1);
        }
    }
};

constexpr ShieldSquares kShield;

// The kings' material: 20000 each, cancelling while both stand.
constexpr int kKingMaterial = 20000;

int king_value(const BoardScan &scan, const PhaseTerms &terms, int s, int side) {
    const int x = square_x(s), y = square_y(s);
    const int rank = side == kWhite ? 7 - y : y;
    const int centerX = kCenter[x], centerY = kCenter[rank];
    int kingMiddle = -12 * rank - 3 * centerX;
    if (rank == 0 && (x == 2 || x == 6)) kingMiddle += 35;  // castled
    const int shield = bits_up_to_3(kShield.squares[side][s] & scan.sets.of(side, kPawn));
    const int kingEnd = 5 * (centerX + centerY);
    const int blended =
        ((kingMiddle + 12 * shield) * terms.phase + kingEnd * terms.endgameWeight) / kFullPhase;
    int zone = 0;
    if (terms.phase != 0) {
        zone = static_cast<int>(
            king_zone_penalty(scan.sets, x, y, opponent_of(side), terms.phase, shield));
    }
    return kKingMaterial + blended - zone;
}

// The pieces of one side other than pawns, as whole numbers: values by
// square into `values` (own side's view), their sum returned.
int side_piece_values(const BoardScan &scan, const PhaseTerms &terms, int side, int *values) {
    const PieceSets &sets = scan.sets;
    const unsigned ownPawnFiles = side == kWhite ? scan.whitePawnFiles : scan.blackPawnFiles;
    const unsigned enemyPawnFiles = side == kWhite ? scan.blackPawnFiles : scan.whitePawnFiles;
    int sum = 0;
    for (uint64_t rest = sets.of(side, kRook); rest;) {
        const int s = pop_lsb(rest);
        const int v = kSquareValues.value[make_piece(side, kRook)][s] +
                      rook_file_bonus(1u << square_x(s), ownPawnFiles, enemyPawnFiles);
        values[s] = v;
        sum += v;
    }
    for (const int type : {kKnight, kBishop}) {
        const int code = make_piece(side, type);
        for (uint64_t rest = sets.byCode[code]; rest;) {
            const int s = pop_lsb(rest);
            values[s] = kSquareValues.value[code][s];
            sum += values[s];
        }
    }
    for (uint64_t rest = sets.of(side, kQueen); rest;) {
        const int s = pop_lsb(rest);
        int v = kSquareValues.value[make_piece(side, kQueen)][s];
        if ((kQueenDeveloped[side] >> s) & 1u) v -= terms.queenEarlyPenalty;
        values[s] = v;
        sum += v;
    }
    for (uint64_t rest = sets.of(side, kKing); rest;) {
        const int s = pop_lsb(rest);
        const int v = king_value(scan, terms, s, side);
        values[s] = v;
        sum += v;
    }
    return sum;
}

}  // namespace

double KingZonePenalty(double kingX, double kingY, double enemy, double phase, double shield) {
    int squares[64];
    uint64_t occupied = 0, blackPieces = 0;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int code = static_cast<int>(board[x][y]);
            const int s = square_of(x, y);
            squares[s] = code;
            if (code == kEmpty) continue;
            occupied |= square_bit(s);
            if (colour_of(code) == kBlack) blackPieces |= square_bit(s);
        }
    }
    PieceSets sets;
    sort_pieces(sets, squares, occupied, blackPieces);
    const int side = static_cast<int>(enemy);
    if (side != kWhite && side != kBlack) return 0;  // no piece has that colour
    return king_zone_penalty(sets, static_cast<int>(kingX), static_cast<int>(kingY), side, phase,
                             shield);
}

namespace {

// The evaluation of the board whose pieces `scan.sets` holds.
double evaluate_sets(BoardScan &scan) {
    const bool useCache = pawnCacheEnabled != 0;
    if (useCache && pawnCacheReady == 0) InitPawnCache();

    // Step 1. The pass over the piece sets.
    PawnCacheProbe pawns;
    scan_board(scan, pawns, useCache);
    const PieceSets &sets = scan.sets;

    // Step 2. Pawn-cache probe.
    if (useCache) probe_pawn_cache(pawns);

    // Step 3. Phase terms.
    PhaseTerms terms;
    terms.phase = scan.phase > kFullPhase ? kFullPhase : scan.phase;
    terms.endgameWeight = kFullPhase - terms.phase;
    terms.queenEarlyPenalty = 15 * terms.phase / kFullPhase;
    terms.centralPawnBonus = 18 * terms.phase / kFullPhase;
    terms.bothKings = scan.material.whiteKingX >= 0 && scan.material.blackKingX >= 0;

    // Step 4. One value per piece.  Every value is a whole number unless a
    // file holds five, seven or eight pawns of one side; then the values are
    // summed in board order as doubles, fractions and all, so that the
    // rounding stays that of the plain sum.
    int values[64];
    double fractionalValue[64];
    uint64_t fractional = 0;  // pawns whose value is not a whole number
    int total = 0;
    for (int side = kWhite; side <= kBlack; side++) {
        const bool white = side == kWhite;
        int sum = 0;
        for (uint64_t rest = sets.of(side, kPawn); rest;) {
            const int s = pop_lsb(rest);
            const PawnTerms t = pawn_terms(scan, terms, pawns, s, white);
            if (doubled_is_whole(t.sameFile)) {
                values[s] = pawn_value_whole(t);
                sum += values[s];
            } else {
                fractional |= square_bit(s);
                fractionalValue[s] = pawn_value_exact(t);
            }
        }
        sum += side_piece_values(scan, terms, side, values);
        total += white ? sum : -sum;
    }
    double score;
    if (fractional == 0) {
        score = total;
    } else {
        score = 0;
        const uint64_t valued = sets.occupied & ~sets.byCode[0];
        for (uint64_t rest = valued; rest;) {
            const int s = pop_lsb(rest);
            const double value = ((fractional >> s) & 1u) ? fractionalValue[s] : values[s];
            if ((sets.bySide[kWhite] >> s) & 1u)
                score += value;
            else
                score -= value;
        }
    }

    // Step 5. Winning-king term, pawn-cache slot marked valid, bishop pair.
    const double bonus = winning_king_bonus(scan.material);
    if (useCache && !pawns.hit && pawns.wordsFit) pawns.slot[kPawnStateOffset] = 1;
    const uint64_t whiteBishops = sets.of(kWhite, kBishop), blackBishops = sets.of(kBlack, kBishop);
    if (whiteBishops & (whiteBishops - 1)) score += 30;
    if (blackBishops & (blackBishops - 1)) score -= 30;
    return Int(score + bonus);
}

}  // namespace

double EvaluateBoardUncached() {
    BoardScan scan;
    read_piece_sets(scan.sets);
    return evaluate_sets(scan);
}

double evaluate_board_from_key(const unsigned char *key) {
    BoardScan scan;
    if (!piece_sets_from_chars(scan.sets, key)) {
        scan.sets = PieceSets();
        read_piece_sets(scan.sets);
    }
    return evaluate_sets(scan);
}
