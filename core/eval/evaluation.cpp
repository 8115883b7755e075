// Static evaluation: material, piece placement, pawn structure, king safety
// and the winning-king endgame term, summed from White's point of view.
//
// The board is walked twice.  The first pass gathers everything the piece
// terms depend on (material phase, king squares, per-file pawn masks, the
// occupancy used by the attack tests and the pawn-cache key); the second pass
// sums one value per piece in board order.  Pawn-structure features come
// from the pawn cache (block 906) when the same pawn configuration has been
// seen before.  Nothing here allocates or formats.
#include "core/quin_core.h"
#include "core/eval/cache_layout.h"

#include <cstdint>
#include <cstring>

// Winning-king term from counts gathered by the caller's own board scan
// (defined with WinningKingEndgame).
double winning_king_bonus(int whiteKingX, int whiteKingY, int blackKingX, int blackKingY,
                          int whiteOthers, int blackOthers, int whiteHeavy, int blackHeavy);

namespace {

constexpr int kPawnSlots = 128;
constexpr int kPawnSlotBytes = 336;
constexpr int kPawnKeyBytes = 64;
constexpr int kPawnWordsOffset = 80;
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
inline uint64_t ray(int x, int y, int dx, int dy, uint64_t occupied) {
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

inline uint64_t rook_attacks(int x, int y, uint64_t occ) {
    return ray(x, y, 1, 0, occ) | ray(x, y, -1, 0, occ) | ray(x, y, 0, 1, occ) |
           ray(x, y, 0, -1, occ);
}

inline uint64_t bishop_attacks(int x, int y, uint64_t occ) {
    return ray(x, y, 1, 1, occ) | ray(x, y, -1, 1, occ) | ray(x, y, 1, -1, occ) |
           ray(x, y, -1, -1, occ);
}

// The squares the piece with `code` on (x, y) attacks, whatever stands on
// them (the piece's own square never included).
inline uint64_t piece_attacks(int code, int x, int y, uint64_t occ) {
    const int s = y * 8 + x;
    switch (code) {
        case 1: return kLeapers.whitePawn[s];
        case 11: return kLeapers.blackPawn[s];
        case 2:
        case 12: return rook_attacks(x, y, occ);
        case 3:
        case 13: return kLeapers.knight[s];
        case 4:
        case 14: return bishop_attacks(x, y, occ);
        case 5:
        case 15: return rook_attacks(x, y, occ) | bishop_attacks(x, y, occ);
        case 6:
        case 16: return kLeapers.king[s];
        default: return 0;
    }
}

inline int piece_type(int code) { return code < 11 ? code : code - 10; }

// PieceColor for an integral code.
inline int piece_side(int code) { return code == 0 ? 0 : (code >= 11 ? 2 : 1); }

// Bit counts without relying on a hardware instruction being enabled.
inline int popcount64(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ULL);
    v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((v * 0x0101010101010101ULL) >> 56);
}

constexpr struct ByteCounts {
    unsigned char n[256];
    constexpr ByteCounts() : n() {
        for (int i = 0; i < 256; i++) n[i] = static_cast<unsigned char>((i & 1) + n[i >> 1]);
    }
} kByteCounts;

inline int popcount8(unsigned v) { return kByteCounts.n[v & 0xFFu]; }

inline int iabs(int v) { return v < 0 ? -v : v; }

// Closeness to the centre along one coordinate: 0 2 4 6 6 4 2 0.
inline int center_of(int c) { return 7 - iabs(2 * c - 7); }

// King-zone penalty over an integer copy of the board (`squares[y * 8 + x]`)
// with its occupancy set.
double king_zone_penalty(const int *squares, uint64_t occupied, uint64_t enemyPieces, int kingX,
                         int kingY, int enemy, double phase, double shield) {
    // The zone extends toward the enemy, one rank further without a pawn
    // shield; a White king is attacked by side 2, a Black king by side 1.
    int firstY, lastY;
    if (enemy == 2) {
        firstY = kingY - (shield > 0 ? 2 : 3);
        lastY = kingY + 1;
    } else {
        firstY = kingY - 1;
        lastY = kingY + (shield > 0 ? 2 : 3);
    }
    uint64_t zone = 0;
    for (int y = firstY; y <= lastY; y++)
        for (int x = kingX - 1; x <= kingX + 1; x++) zone |= bit_at(x, y);

    int attackers = 0, units = 0, enemyQueen = 0;
    uint64_t pieces = enemyPieces;
    while (pieces) {
        const int s = __builtin_ctzll(pieces);
        pieces &= pieces - 1;
        const int code = squares[s];
        const int type = piece_type(code);
        if (type == 5) enemyQueen = 1;
        const int hits = popcount64(piece_attacks(code, s & 7, s >> 3, occupied) & zone);
        if (hits > 0) {
            static constexpr int kWeight[7] = {0, 1, 3, 2, 2, 5, 1};
            attackers += 1;
            units += (type >= 1 && type <= 6 ? kWeight[type] : 0) * (hits < 3 ? hits : 3);
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
        memory_size[kPawnBlock] < static_cast<uint64_t>(kPawnSlots * kPawnSlotBytes)) {
        checkmem(kPawnBlock, pawnOffset, 1);
        checkmem(kPawnBlock, pawnOffset, kPawnSlotBytes);
    }
    return memory[kPawnBlock];
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
            if (code == 0) continue;
            occupied |= uint64_t{1} << (y * 8 + x);
            if (piece_side(code) == side) enemyPieces |= uint64_t{1} << (y * 8 + x);
        }
    }
    return king_zone_penalty(squares, occupied, enemyPieces, static_cast<int>(kingX),
                             static_cast<int>(kingY), side, phase, shield);
}

double EvaluateBoardUncached() {
    const bool useCache = pawnCacheEnabled != 0;
    if (useCache && pawnCacheReady == 0) InitPawnCache();

    // ---- first pass: phase, kings, pawn masks, occupancy, pawn key
    int squares[64];
    uint64_t occupied = 0, whitePieces = 0, blackPieces = 0;
    // Pawn ranks (bit y) per file, files shifted by one so that the
    // neighbours of the a- and h-files read as empty.
    unsigned whitePawns[10] = {0}, blackPawns[10] = {0};
    unsigned char pawnKey[kPawnKeyBytes];
    int64_t pawnTerms[64];
    int phase = 0;
    int whiteKingX = -1, whiteKingY = -1, blackKingX = -1, blackKingY = -1;
    int whiteOthers = 0, blackOthers = 0, whiteHeavy = 0, blackHeavy = 0;

    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int code = static_cast<int>(board[x][y]);
            const int s = y * 8 + x;
            squares[s] = code;
            if (useCache) {
                const int pawnCode = (code == 1 || code == 11) ? code : 0;
                pawnKey[s] = static_cast<unsigned char>(65 + pawnCode);
                pawnTerms[s] = pawnCode + 1;
            }
            if (code == 0) continue;
            occupied |= uint64_t{1} << s;
            switch (piece_type(code)) {
                case 2: phase += 500; break;
                case 3: phase += 320; break;
                case 4: phase += 330; break;
                case 5: phase += 900; break;
                default: break;
            }
            if (code == 6) {
                whiteKingX = x;
                whiteKingY = y;
            } else if (code == 16) {
                blackKingX = x;
                blackKingY = y;
            } else if (code < 11) {
                whiteOthers++;
                if (code == 2 || code == 5) whiteHeavy = 1;
                if (code == 1) whitePawns[x + 1] |= 1u << y;
            } else {
                blackOthers++;
                if (code == 12 || code == 15) blackHeavy = 1;
                if (code == 11) blackPawns[x + 1] |= 1u << y;
            }
            if (code < 11)
                whitePieces |= uint64_t{1} << s;
            else
                blackPieces |= uint64_t{1} << s;
        }
    }

    // ---- pawn-cache probe
    unsigned char *pawnSlot = nullptr;
    bool pawnHit = false;
    // A feature word holds up to 15 neighbours; a board with 16 own pawns on
    // the two adjacent files (possible from a FEN, never in a game) cannot be
    // stored without corrupting the word, so such a configuration is
    // evaluated afresh every time instead of being validated in the cache.
    bool pawnWordsFit = true;
    if (useCache) {
        // Horner hash of the pawn codes modulo 2^31 - 1, reduced every
        // fourth square (the same remainder as reducing at every square).
        int64_t pawnHash = 0;
        for (int i = 0; i < 64; i += 4) {
            const int64_t block =
                ((pawnTerms[i] * 131 + pawnTerms[i + 1]) * 131 + pawnTerms[i + 2]) * 131 +
                pawnTerms[i + 3];
            pawnHash = (pawnHash * (131LL * 131 * 131 * 131) + block) % 2147483647;
        }
        const double pawnOffset = static_cast<double>((pawnHash % kPawnSlots) * kPawnSlotBytes);
        pawnSlot = pawn_block(pawnOffset) + static_cast<int64_t>(pawnOffset);
        if (pawnSlot[0] == 1 && std::memcmp(pawnSlot + 1, pawnKey, kPawnKeyBytes) == 0) {
            pawnHit = true;
            pawnCacheHits += 1;
        } else {
            pawnCacheMisses += 1;
            pawnSlot[0] = 0;
            std::memcpy(pawnSlot + 1, pawnKey, kPawnKeyBytes);
        }
    }

    if (phase > kFullPhase) phase = kFullPhase;
    const int endgameWeight = kFullPhase - phase;
    const int queenEarlyPenalty = 15 * phase / kFullPhase;
    const int centralPawnBonus = 18 * phase / kFullPhase;
    const bool bothKings = whiteKingX >= 0 && blackKingX >= 0;

    // ---- second pass: one value per piece, in board order
    double score = 0;
    int whiteBishops = 0, blackBishops = 0;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int s = y * 8 + x;
            const int code = squares[s];
            if (code == 0) continue;
            const int type = piece_type(code);
            const bool white = code < 11;
            const int rank = white ? 7 - y : y;
            const int centerX = center_of(x);
            const int centerY = center_of(rank);
            double value = 0;
            switch (type) {
                case 1: {
                    const unsigned *own = white ? whitePawns : blackPawns;
                    const unsigned *enemy = white ? blackPawns : whitePawns;
                    int sameFile, neighbours, passed, connected, supported;
                    unsigned char *word = pawnSlot ? pawnSlot + kPawnWordsOffset + s * 4 : nullptr;
                    if (pawnHit) {
                        const uint32_t v = read_le32(word);
                        sameFile = v % 16;
                        neighbours = (v / 16) % 16;
                        passed = (v / 256) % 2;
                        connected = (v / 512) % 2;
                        supported = (v / 1024) % 2;
                    } else {
                        const unsigned left = own[x], right = own[x + 2];
                        const unsigned sides = left | right;
                        sameFile = popcount8(own[x + 1]);
                        neighbours = popcount8(left) + popcount8(right);
                        connected = (sides & (((7u << y) >> 1) & 0xFFu)) != 0;
                        const int supportY = white ? y + 1 : y - 1;
                        supported = supportY >= 0 && supportY < 8 && ((sides >> supportY) & 1u);
                        // Enemy pawns ahead on this file or the adjacent ones
                        // (smaller y for White, larger y for Black).
                        const unsigned ahead =
                            white ? ((1u << y) - 1u) : (0xFFu & ~((2u << y) - 1u));
                        passed = ((enemy[x] | enemy[x + 1] | enemy[x + 2]) & ahead) == 0;
                        if (neighbours > 15) pawnWordsFit = false;
                        if (word) {
                            write_le32(word, static_cast<uint32_t>(sameFile + 16 * neighbours +
                                                                   256 * passed + 512 * connected +
                                                                   1024 * supported));
                        }
                    }
                    int base = 100 + 5 * rank + 2 * centerX;
                    if (rank >= 3) base += 2 * centerY;
                    if ((x == 3 || x == 4) && (rank == 3 || rank == 4)) base += centralPawnBonus;
                    value = base;
                    if (sameFile > 1) value += -12.0 * (sameFile - 1) / sameFile;
                    if (neighbours == 0) value -= 15;
                    if (passed) {
                        const int r2 = rank * rank;
                        value += 2 * r2 + (3 * r2 * endgameWeight) / kFullPhase;
                        if (connected) value += 8 + 2 * rank;
                        if (supported) value += 2 * rank + 10;
                        if (bothKings) {
                            const int ownDistance =
                                white ? iabs(whiteKingX - x) + iabs(whiteKingY - y)
                                      : iabs(blackKingX - x) + iabs(blackKingY - y);
                            const int enemyDistance =
                                white ? iabs(blackKingX - x) + iabs(blackKingY - y)
                                      : iabs(whiteKingX - x) + iabs(whiteKingY - y);
                            int kingPawnBonus =
                                (enemyDistance - ownDistance) * 4 * endgameWeight / kFullPhase;
                            if (kingPawnBonus < -24) kingPawnBonus = -24;
                            if (kingPawnBonus > 24) kingPawnBonus = 24;
                            value += kingPawnBonus;
                        }
                    }
                    break;
                }
                case 2: {
                    int v = 500 + 2 * centerX;
                    if (rank == 6) v += 20;
                    const unsigned ownOnFile = (white ? whitePawns : blackPawns)[x + 1];
                    const unsigned enemyOnFile = (white ? blackPawns : whitePawns)[x + 1];
                    if (ownOnFile == 0) {
                        v += 12;
                        if (enemyOnFile == 0) v += 10;
                    }
                    value = v;
                    break;
                }
                case 3: value = (centerX + centerY) * 4 + 320 - 24 - (rank == 0 ? 10 : 0); break;
                case 4:
                    value = 2 * (centerX + centerY) + 330 - (rank == 0 ? 10 : 0);
                    if (white)
                        whiteBishops++;
                    else
                        blackBishops++;
                    break;
                case 5: value = 900 + centerX + centerY - (rank > 1 ? queenEarlyPenalty : 0); break;
                case 6: {
                    int kingMiddle = -12 * rank - 3 * centerX;
                    if (rank == 0 && (x == 2 || x == 6)) kingMiddle += 35;
                    // Own pawns on the three squares one rank in front.
                    const int frontY = white ? y - 1 : y + 1;
                    int shield = 0;
                    if (frontY >= 0 && frontY < 8) {
                        const int ownPawn = white ? 1 : 11;
                        for (int fx = x - 1; fx <= x + 1; fx++)
                            if (fx >= 0 && fx < 8 && squares[frontY * 8 + fx] == ownPawn) shield++;
                    }
                    const int kingEnd = 5 * (centerX + centerY);
                    const int blended =
                        ((kingMiddle + 12 * shield) * phase + kingEnd * endgameWeight) / kFullPhase;
                    double zone = 0;
                    if (phase != 0) {
                        zone =
                            king_zone_penalty(squares, occupied, white ? blackPieces : whitePieces,
                                              x, y, white ? 2 : 1, phase, shield);
                    }
                    value = 20000.0 + blended - zone;
                    break;
                }
                default: value = 0; break;
            }
            if (white)
                score += value;
            else
                score -= value;
        }
    }

    const double bonus = winning_king_bonus(whiteKingX, whiteKingY, blackKingX, blackKingY,
                                            whiteOthers, blackOthers, whiteHeavy, blackHeavy);
    if (useCache && !pawnHit && pawnWordsFit) pawnSlot[0] = 1;
    if (whiteBishops >= 2) score += 30;
    if (blackBishops >= 2) score -= 30;
    return Int(score + bonus);
}
