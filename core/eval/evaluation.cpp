// Static evaluation: material, piece placement, pawn structure, king safety
// and the winning-king endgame term, summed from White's point of view.
//
// The board is read once into integer codes and occupancy sets; a pass over
// the occupied squares gathers everything the piece terms depend on
// (material phase, king squares, per-file pawn masks and the pawn-cache key),
// and a second one sums one value per piece in board order.  Pawn-structure features come
// from the pawn cache (block 906) when the same pawn configuration has been
// seen before.  Nothing here allocates or formats.
//
// Globals read: board, pawnCacheEnabled, pawnCacheReady, memory/memory_size
// of block 906.  Written: pawnCacheHits, pawnCacheMisses, the pawn cache
// (block 906; InitPawnCache on first use).
#include "core/quin_core.h"
#include "core/eval/board_ranks.h"
#include "core/eval/cache_layout.h"
#include "core/eval/winning_king.h"

#include <cstdint>
#include <cstring>

namespace {

// Material of both sides without pawns and kings at which the middlegame
// terms count in full (and the endgame terms not at all).
constexpr int kFullPhase = 6400;

// ------------------------------------------------------------ attack sets
// Squares are numbered y * 8 + x (y = 0 is rank 8), one bit each.

struct LeaperTables {
    uint64_t knight[64];
    uint64_t king[64];
    uint64_t whitePawn[64];
    uint64_t blackPawn[64];
};

constexpr uint64_t bit_at(int x, int y) {
    return (x >= 0 && x < 8 && y >= 0 && y < 8) ? (uint64_t{1} << (y * 8 + x)) : 0;
}

constexpr LeaperTables make_leaper_tables() {
    LeaperTables t{};
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int s = y * 8 + x;
            t.knight[s] = bit_at(x - 2, y - 1) | bit_at(x - 2, y + 1) | bit_at(x - 1, y - 2) |
                          bit_at(x - 1, y + 2) | bit_at(x + 1, y - 2) | bit_at(x + 1, y + 2) |
                          bit_at(x + 2, y - 1) | bit_at(x + 2, y + 1);
            uint64_t k = 0;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++)
                    if (dx != 0 || dy != 0) k |= bit_at(x + dx, y + dy);
            t.king[s] = k;
            t.whitePawn[s] = bit_at(x - 1, y - 1) | bit_at(x + 1, y - 1);
            t.blackPawn[s] = bit_at(x - 1, y + 1) | bit_at(x + 1, y + 1);
        }
    }
    return t;
}

constexpr LeaperTables kLeapers = make_leaper_tables();

// Squares a slider on (x, y) reaches along one direction: every square up to
// and including the first occupied one.
constexpr uint64_t ray(int x, int y, int dx, int dy, uint64_t occupied) {
    uint64_t set = 0;
    x += dx;
    y += dy;
    while (x >= 0 && x < 8 && y >= 0 && y < 8) {
        const uint64_t b = uint64_t{1} << (y * 8 + x);
        set |= b;
        if (occupied & b) break;
        x += dx;
        y += dy;
    }
    return set;
}

constexpr uint64_t rook_attacks(int x, int y, uint64_t occ) {
    return ray(x, y, 1, 0, occ) | ray(x, y, -1, 0, occ) | ray(x, y, 0, 1, occ) |
           ray(x, y, 0, -1, occ);
}

constexpr uint64_t bishop_attacks(int x, int y, uint64_t occ) {
    return ray(x, y, 1, 1, occ) | ray(x, y, -1, 1, occ) | ray(x, y, 1, -1, occ) |
           ray(x, y, -1, -1, occ);
}

// What rooks and bishops reach on an empty board: a slider whose lines miss
// a set of squares altogether cannot attack it, whatever blocks.
struct SliderReach {
    uint64_t rook[64];
    uint64_t bishop[64];
    constexpr SliderReach() : rook(), bishop() {
        for (int s = 0; s < 64; s++) {
            rook[s] = rook_attacks(s & 7, s >> 3, 0);
            bishop[s] = bishop_attacks(s & 7, s >> 3, 0);
        }
    }
};

constexpr SliderReach kSliderReach;

// The eight directions: the first four a rook's, the last four a bishop's.
// Along the "rising" ones the square number grows, so the nearest square of
// a set is its lowest bit; along the others its highest.
constexpr int kDirX[8] = {1, -1, 0, 0, 1, -1, 1, -1};
constexpr int kDirY[8] = {0, 0, 1, -1, 1, 1, -1, -1};
constexpr bool kDirRising[8] = {true, false, true, false, true, true, false, false};

// Each direction's line from each square on an empty board.
struct DirectionLines {
    uint64_t line[8][64];
    constexpr DirectionLines() : line() {
        for (int d = 0; d < 8; d++)
            for (int s = 0; s < 64; s++) line[d][s] = ray(s & 7, s >> 3, kDirX[d], kDirY[d], 0);
    }
};

constexpr DirectionLines kLines;

// The squares of `target` a slider on s attacks along directions firstDir to
// lastDir: each line up to and including its first occupied square.  Lines
// that miss the target are not traced.
inline uint64_t slider_attacks_in(int firstDir, int lastDir, int s, uint64_t occ, uint64_t target) {
    uint64_t set = 0;
    for (int d = firstDir; d <= lastDir; d++) {
        const uint64_t full = kLines.line[d][s];
        if ((full & target) == 0) continue;
        const uint64_t blockers = full & occ;
        if (blockers == 0) {
            set |= full;
        } else {
            const int first =
                kDirRising[d] ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
            set |= full ^ kLines.line[d][first];
        }
    }
    return set & target;
}

// The squares of `target` that the piece with `code` on square s attacks
// (sliders stopped by `occ`).
inline uint64_t piece_attacks_in(int code, int s, uint64_t occ, uint64_t target) {
    switch (code) {
        case make_piece(kWhite, kPawn): return kLeapers.whitePawn[s] & target;
        case make_piece(kBlack, kPawn): return kLeapers.blackPawn[s] & target;
        case make_piece(kWhite, kKnight):
        case make_piece(kBlack, kKnight): return kLeapers.knight[s] & target;
        case make_piece(kWhite, kKing):
        case make_piece(kBlack, kKing): return kLeapers.king[s] & target;
        case make_piece(kWhite, kRook):
        case make_piece(kBlack, kRook):
            return (kSliderReach.rook[s] & target) ? slider_attacks_in(0, 3, s, occ, target) : 0;
        case make_piece(kWhite, kBishop):
        case make_piece(kBlack, kBishop):
            return (kSliderReach.bishop[s] & target) ? slider_attacks_in(4, 7, s, occ, target) : 0;
        case make_piece(kWhite, kQueen):
        case make_piece(kBlack, kQueen):
            return ((kSliderReach.rook[s] | kSliderReach.bishop[s]) & target)
                       ? slider_attacks_in(0, 7, s, occ, target)
                       : 0;
        default: return 0;
    }
}

// min(number of set bits, 3).
inline int bits_up_to_3(uint64_t v) {
    if (v == 0) return 0;
    v &= v - 1;
    if (v == 0) return 1;
    v &= v - 1;
    return v == 0 ? 2 : 3;
}

// Bit counts of bytes without relying on a hardware instruction being enabled.
constexpr struct ByteCounts {
    unsigned char n[256];
    constexpr ByteCounts() : n() {
        for (int i = 0; i < 256; i++) n[i] = static_cast<unsigned char>((i & 1) + n[i >> 1]);
    }
} kByteCounts;

inline int popcount8(unsigned v) { return kByteCounts.n[v & 0xFFu]; }

inline int iabs(int v) { return v < 0 ? -v : v; }

// Closeness to the centre along one coordinate: 0 2 4 6 6 4 2 0.
// Tabled for board coordinates 0..7.
constexpr int kCenter[8] = {0, 2, 4, 6, 6, 4, 2, 0};
inline int center_of(int c) { return kCenter[c]; }

// King-zone penalty over an integer copy of the board (`squares[y * 8 + x]`)
// with its occupancy set.
double king_zone_penalty(const int *squares, uint64_t occupied, uint64_t enemyPieces, int kingX,
                         int kingY, int enemy, double phase, double shield) {
    // The zone extends toward the enemy, one rank further without a pawn
    // shield; a White king is attacked by Black, a Black king by White.
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
        for (int y = firstY < 0 ? 0 : firstY; y <= lastY && y < 8; y++) zone |= files << (y * 8);
    } else {
        for (int y = firstY; y <= lastY; y++)
            for (int x = kingX - 1; x <= kingX + 1; x++) zone |= bit_at(x, y);
    }

    int attackers = 0, units = 0, enemyQueen = 0;
    uint64_t pieces = enemyPieces;
    while (pieces) {
        const int s = __builtin_ctzll(pieces);
        pieces &= pieces - 1;
        const int code = squares[s];
        const int type = type_of(code);
        if (type == kQueen) enemyQueen = 1;
        const int hits = bits_up_to_3(piece_attacks_in(code, s, occupied, zone));
        if (hits > 0) {
            // Attack weight by piece type (pawn 1, rook 3, knight 2, bishop 2,
            // queen 5, king 1).
            static constexpr int kWeight[7] = {0, 1, 3, 2, 2, 5, 1};
            attackers += 1;
            units += (type >= kPawn && type <= kKing ? kWeight[type] : 0) * hits;
        }
    }
    if (attackers < 2) return 0;
    const double u = units;
    double penalty = (3 - shield) * u + Int(u * u * 0.25);
    if (penalty > 260) penalty = 260;
    penalty = Int(phase * penalty / kFullPhase);
    if (enemyQueen == 0) penalty = Int(penalty * 0.25);
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
// What the first pass over the board gathers for the piece terms.
struct BoardScan {
    int squares[64];  // piece codes by square y * 8 + x
    uint64_t occupied = 0, whitePieces = 0, blackPieces = 0;
    // Pawn ranks (bit y) per file, files shifted by one so that the
    // neighbours of the a- and h-files read as empty.
    unsigned whitePawns[10] = {0}, blackPawns[10] = {0};
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

// The first pass: square codes and occupancy, reading the board in memory
// order (files), then over the occupied squares in board order: pawn files,
// phase material, the winning-king facts (the last king of a colour in board
// order counts) and (with the cache on) the pawn key and hash.
void scan_board(BoardScan &scan, PawnCacheProbe &pawns, bool useCache) {
    // The sums are kept in locals (registers) and stored once at the end.
    uint64_t occupied = 0, blackPieces = 0;
#if defined(__SSE2__)
    const __m128i empty = _mm_set1_epi32(kEmpty);
    const __m128i blackOffset = _mm_set1_epi32(kBlackOffset);
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        __m128d whole = _mm_setzero_pd();  // not needed here
        load_rank_pair(y, ranks, whole);
        for (int r = 0; r < 4; r++) {
            const int s = y * 8 + r * 4;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(&scan.squares[s]), ranks[r]);
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
            const int s = y * 8 + x;
            scan.squares[s] = code;
            occupied |= static_cast<uint64_t>(code != kEmpty) << s;
            blackPieces |= static_cast<uint64_t>(code > kBlackOffset) << s;
        }
    }
#endif
    if (useCache) std::memset(pawns.key, 65 + kEmpty, kPawnKeyBytes);
    uint64_t pawnSum = kSquarePowers.sum;  // every square's pawn term is at least 1
    int phase = 0;
    WinningKingMaterial material;
    for (uint64_t rest = occupied; rest; rest &= rest - 1) {
        const int s = __builtin_ctzll(rest);
        const int code = scan.squares[s];
        const int x = s & 7, y = s >> 3;
        const int type = type_of(code);
        const bool white = colour_of(code) == kWhite;
        if (type >= kRook && type <= kQueen) phase += kPieceValue[type];
        add_winning_king_piece(material, x, y, white, type);
        if (type == kPawn) {
            (white ? scan.whitePawns : scan.blackPawns)[x + 1] |= 1u << y;
            pawns.key[s] = static_cast<unsigned char>(65 + code);
            pawnSum += static_cast<uint64_t>(code) * kSquarePowers.p[s];
        }
    }
    pawns.hashSum = pawnSum;
    scan.occupied = occupied;
    scan.whitePieces = occupied & ~blackPieces;
    scan.blackPieces = blackPieces;
    scan.phase = phase;
    scan.material = material;
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
        pawns.slot ? pawns.slot + kPawnWordsOffset + (y * 8 + x) * kPawnWordBytes : nullptr;
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

double pawn_value(const BoardScan &scan, const PhaseTerms &terms, PawnCacheProbe &pawns, int x,
                  int y, bool white, int rank, int centerX, int centerY) {
    const PawnFeatures f = pawn_features(scan, pawns, x, y, white);
    int base = kPieceValue[kPawn] + 5 * rank + 2 * centerX;
    if (rank >= 3) base += 2 * centerY;
    if ((x == 3 || x == 4) && (rank == 3 || rank == 4)) base += terms.centralPawnBonus;
    double value = base;
    if (f.sameFile > 1) value += -12.0 * (f.sameFile - 1) / f.sameFile;  // doubled
    if (f.neighbours == 0) value -= 15;                                  // isolated
    if (f.passed) {
        const int r2 = rank * rank;
        value += 2 * r2 + (3 * r2 * terms.endgameWeight) / kFullPhase;
        if (f.connected) value += 8 + 2 * rank;
        if (f.supported) value += 2 * rank + 10;
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
            value += kingPawnBonus;
        }
    }
    return value;
}

double rook_value(const BoardScan &scan, int x, bool white, int rank, int centerX) {
    int v = kPieceValue[kRook] + 2 * centerX;
    if (rank == 6) v += 20;
    const unsigned ownOnFile = (white ? scan.whitePawns : scan.blackPawns)[x + 1];
    const unsigned enemyOnFile = (white ? scan.blackPawns : scan.whitePawns)[x + 1];
    if (ownOnFile == 0) {
        v += 12;                        // half-open file
        if (enemyOnFile == 0) v += 10;  // open file
    }
    return v;
}

// The kings' material: 20000 each, cancelling while both stand.
constexpr double kKingMaterial = 20000.0;

double king_value(const BoardScan &scan, const PhaseTerms &terms, int x, int y, bool white,
                  int rank, int centerX, int centerY) {
    int kingMiddle = -12 * rank - 3 * centerX;
    if (rank == 0 && (x == 2 || x == 6)) kingMiddle += 35;  // castled
    // Own pawns on the three squares one rank in front.
    const int frontY = white ? y - 1 : y + 1;
    int shield = 0;
    if (frontY >= 0 && frontY < 8) {
        const int ownPawn = make_piece(white ? kWhite : kBlack, kPawn);
        for (int fx = x - 1; fx <= x + 1; fx++)
            if (fx >= 0 && fx < 8 && scan.squares[frontY * 8 + fx] == ownPawn) shield++;
    }
    const int kingEnd = 5 * (centerX + centerY);
    const int blended =
        ((kingMiddle + 12 * shield) * terms.phase + kingEnd * terms.endgameWeight) / kFullPhase;
    double zone = 0;
    if (terms.phase != 0) {
        zone = king_zone_penalty(scan.squares, scan.occupied,
                                 white ? scan.blackPieces : scan.whitePieces, x, y,
                                 white ? kBlack : kWhite, terms.phase, shield);
    }
    return kKingMaterial + blended - zone;
}

// The value of a piece of `type` on (x, y), from its own side's point of view.
double piece_value(const BoardScan &scan, const PhaseTerms &terms, PawnCacheProbe &pawns, int type,
                   bool white, int x, int y) {
    const int rank = white ? 7 - y : y;
    const int centerX = center_of(x);
    const int centerY = center_of(rank);
    switch (type) {
        case kPawn: return pawn_value(scan, terms, pawns, x, y, white, rank, centerX, centerY);
        case kRook: return rook_value(scan, x, white, rank, centerX);
        case kKnight:
            return (centerX + centerY) * 4 + kPieceValue[kKnight] - 24 - (rank == 0 ? 10 : 0);
        case kBishop: return 2 * (centerX + centerY) + kPieceValue[kBishop] - (rank == 0 ? 10 : 0);
        case kQueen:
            return kPieceValue[kQueen] + centerX + centerY -
                   (rank > 1 ? terms.queenEarlyPenalty : 0);
        case kKing: return king_value(scan, terms, x, y, white, rank, centerX, centerY);
        default: return 0;
    }
}

}  // namespace

double KingZonePenalty(double kingX, double kingY, double enemy, double phase, double shield) {
    int squares[64];
    uint64_t occupied = 0, enemyPieces = 0;
    const int side = static_cast<int>(enemy);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int code = static_cast<int>(board[x][y]);
            squares[y * 8 + x] = code;
            if (code == kEmpty) continue;
            occupied |= uint64_t{1} << (y * 8 + x);
            if (colour_of(code) == side) enemyPieces |= uint64_t{1} << (y * 8 + x);
        }
    }
    return king_zone_penalty(squares, occupied, enemyPieces, static_cast<int>(kingX),
                             static_cast<int>(kingY), side, phase, shield);
}

double EvaluateBoardUncached() {
    const bool useCache = pawnCacheEnabled != 0;
    if (useCache && pawnCacheReady == 0) InitPawnCache();

    // Step 1. First pass over the board.
    BoardScan scan;
    PawnCacheProbe pawns;
    scan_board(scan, pawns, useCache);

    // Step 2. Pawn-cache probe.
    if (useCache) probe_pawn_cache(pawns);

    // Step 3. Phase terms.
    PhaseTerms terms;
    terms.phase = scan.phase > kFullPhase ? kFullPhase : scan.phase;
    terms.endgameWeight = kFullPhase - terms.phase;
    terms.queenEarlyPenalty = 15 * terms.phase / kFullPhase;
    terms.centralPawnBonus = 18 * terms.phase / kFullPhase;
    terms.bothKings = scan.material.whiteKingX >= 0 && scan.material.blackKingX >= 0;

    // Step 4. Second pass: one value per piece, in board order.
    double score = 0;
    int whiteBishops = 0, blackBishops = 0;
    for (uint64_t rest = scan.occupied; rest; rest &= rest - 1) {
        const int s = __builtin_ctzll(rest);
        const int code = scan.squares[s];
        const int type = type_of(code);
        const bool white = colour_of(code) == kWhite;
        const double value = piece_value(scan, terms, pawns, type, white, s & 7, s >> 3);
        if (type == kBishop) (white ? whiteBishops : blackBishops)++;
        if (white)
            score += value;
        else
            score -= value;
    }

    // Step 5. Winning-king term, pawn-cache slot marked valid, bishop pair.
    const double bonus = winning_king_bonus(scan.material);
    if (useCache && !pawns.hit && pawns.wordsFit) pawns.slot[kPawnStateOffset] = 1;
    if (whiteBishops >= 2) score += 30;
    if (blackBishops >= 2) score -= 30;
    return Int(score + bonus);
}
