// The king-zone penalty (core/eval/king_zone.h, KingZonePenalty).
//
// Globals read: board (KingZonePenalty only).
#include "core/eval/king_zone.h"

#include "core/board/geometry.h"
#include "core/board/slider_attacks.h"
#include "core/eval/eval_terms.h"
#include "core/quin_core.h"

#include <cassert>
#include <cstdint>

namespace eval_detail {

namespace {

// The zone around a king on (kingX, kingY) attacked by `enemy`: the files
// next to the king and its own, the ranks from one behind the king to two
// in front, or three without a pawn shield; squares off the board dropped.
constexpr uint64_t build_king_zone(int kingX, int kingY, bool attackedByBlack, bool shielded) {
    // A White king is attacked by Black and looks toward smaller y.
    int firstY = kingY - 1, lastY = kingY + (shielded ? 2 : 3);
    if (attackedByBlack) {
        firstY = kingY - (shielded ? 2 : 3);
        lastY = kingY + 1;
    }
    uint64_t zone = 0;
    for (int y = firstY; y <= lastY; y++)
        for (int x = kingX - 1; x <= kingX + 1; x++) zone |= bit_at(x, y);
    return zone;
}

// A zone and the squares from which a piece could reach it on an empty
// board: a piece standing elsewhere never hits the zone, whatever blocks.
struct Zone {
    uint64_t squares;
    uint64_t knightFrom, kingFrom, straightFrom, diagonalFrom;
};

constexpr Zone make_zone(uint64_t squares) {
    Zone z{squares, 0, 0, 0, 0};
    for (int s = 0; s < 64; s++) {
        if (((squares >> s) & 1) == 0) continue;
        z.knightFrom |= knight_squares(s);  // the steps are symmetric
        z.kingFrom |= king_squares(s);
        z.straightFrom |= kRays.straight[s];
        z.diagonalFrom |= kRays.diagonal[s];
    }
    // A piece inside the zone hits it when it reaches any square of it.
    z.straightFrom |= squares;
    z.diagonalFrom |= squares;
    z.knightFrom |= squares;
    z.kingFrom |= squares;
    return z;
}

// The zones of kings on the board, by attacker (Black or not), pawn shield
// (some or none) and king square.
struct KingZones {
    Zone zone[2][2][64];
    constexpr KingZones() : zone() {
        for (int s = 0; s < 64; s++)
            for (int black = 0; black < 2; black++)
                for (int shielded = 0; shielded < 2; shielded++)
                    zone[black][shielded][s] = make_zone(
                        build_king_zone(square_x(s), square_y(s), black != 0, shielded != 0));
    }
};

constexpr KingZones kKingZones;

// The zone from the table, or for a king off the board (a caller's
// coordinates) built into `spare`.
const Zone &king_zone(int kingX, int kingY, int enemy, double shield, Zone &spare) {
    if (on_board(kingX, kingY))
        return kKingZones.zone[enemy == kBlack][shield > 0][square_of(kingX, kingY)];
    spare = make_zone(build_king_zone(kingX, kingY, enemy == kBlack, shield > 0));
    return spare;
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
            hits = straight_attacks(s, occupied) & zone;
        } else if (Type == kBishop) {
            hits = diagonal_attacks(s, occupied) & zone;
        } else {
            hits = (straight_attacks(s, occupied) | diagonal_attacks(s, occupied)) & zone;
        }
        if (hits) {
            attackers += 1;
            units += kZoneWeight[Type] * bits_up_to_3(hits);
        }
    }
}

// The enemy pieces that hit the zone of the king on (kingX, kingY), and
// their attack units.
struct ZoneAttack {
    int attackers = 0, units = 0;
};

ZoneAttack zone_attack(const PieceSets &sets, const Zone &z, int enemy) {
    const uint64_t zone = z.squares;
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
    ZoneAttack a;
    a.attackers = count_sparse(origins);
    a.units = count_sparse(lowerHits) + count_sparse(higherHits);

    // Only the pieces that could reach the zone on an empty board are looked at.
    const uint64_t knights = sets.of(enemy, kKnight) & z.knightFrom;
    const uint64_t bishops = sets.of(enemy, kBishop) & z.diagonalFrom;
    const uint64_t rooks = sets.of(enemy, kRook) & z.straightFrom;
    const uint64_t queens = sets.of(enemy, kQueen) & (z.straightFrom | z.diagonalFrom);
    const uint64_t kings = sets.of(enemy, kKing) & z.kingFrom;
    add_zone_attackers<kKnight>(knights, occupied, zone, a.attackers, a.units);
    add_zone_attackers<kBishop>(bishops, occupied, zone, a.attackers, a.units);
    add_zone_attackers<kRook>(rooks, occupied, zone, a.attackers, a.units);
    add_zone_attackers<kQueen>(queens, occupied, zone, a.attackers, a.units);
    add_zone_attackers<kKing>(kings, occupied, zone, a.attackers, a.units);
    return a;
}

}  // namespace

double king_zone_penalty(const PieceSets &sets, int kingX, int kingY, int enemy, double phase,
                         double shield) {
    Zone spare;
    const ZoneAttack a = zone_attack(sets, king_zone(kingX, kingY, enemy, shield, spare), enemy);
    if (a.attackers < 2) return 0;
    const double u = a.units;
    double penalty = (3 - shield) * u + Int(u * u * 0.25);
    if (penalty > 260) penalty = 260;
    penalty = Int(phase * penalty / kFullPhase);
    if (sets.of(enemy, kQueen) == 0) penalty = Int(penalty * 0.25);
    return penalty;
}

int king_zone_penalty_whole(const PieceSets &sets, int kingX, int kingY, int enemy, int phase,
                            int shield) {
    assert(phase >= 0 && phase <= kFullPhase && shield >= 0 && shield <= 3 &&
           on_board(kingX, kingY));
    // A king from the piece sets stands on the board: its zone is the table's.
    const ZoneAttack a = zone_attack(
        sets, kKingZones.zone[enemy == kBlack][shield > 0][square_of(kingX, kingY)], enemy);
    if (a.attackers < 2) return 0;
    const int u = a.units;
    // Every term is a whole number of at least 0: the doubles' truncations
    // are the integers' divisions.
    int penalty = (3 - shield) * u + u * u / 4;
    if (penalty > 260) penalty = 260;
    penalty = phase * penalty / kFullPhase;
    if (sets.of(enemy, kQueen) == 0) penalty /= 4;
    assert(penalty == king_zone_penalty(sets, kingX, kingY, enemy, phase, shield));
    return penalty;
}

}  // namespace eval_detail

double KingZonePenalty(double kingX, double kingY, double enemy, double phase, double shield) {
    const int side = static_cast<int>(enemy);
    if (side != kWhite && side != kBlack) return 0;  // no piece has that colour
    PieceSets sets{};
    eval_detail::read_piece_sets(sets);
    return eval_detail::king_zone_penalty(sets, static_cast<int>(kingX), static_cast<int>(kingY),
                                          side, phase, shield);
}
