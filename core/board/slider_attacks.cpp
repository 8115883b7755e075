// The slider reach tables (core/board/slider_attacks.h), built at start-up.
#include "core/board/slider_attacks.h"

#include "core/board/geometry.h"

#include <cstdio>
#include <cstdlib>

namespace slider_detail {

SquareIndex straightIndex[64], diagonalIndex[64];

namespace {

// Entries: 2^(mask squares) per square.
constexpr int kStraightEntries = 102400, kDiagonalEntries = 5248;
uint64_t straightReach[kStraightEntries], diagonalReach[kDiagonalEntries];

// The multipliers, by square (a8 first), found by
// tools/slider_multipliers.cpp; any that folded two occupancies of
// different reach onto one entry would stop the start-up below.
constexpr uint64_t kStraightMultipliers[64] = {
    0x1A80001020804001ULL, 0x2040001000200040ULL, 0x0100082001001040ULL, 0x020005100A002040ULL,
    0x1500020500080030ULL, 0x05002A0400030008ULL, 0x0A80020005002C80ULL, 0x4080007300004880ULL,
    0x0000802040008000ULL, 0x4000808020004000ULL, 0x40C1801000802002ULL, 0x1080808010000800ULL,
    0xC081001100040800ULL, 0x1A86001002011834ULL, 0x9600800200800100ULL, 0x040500006D000482ULL,
    0x0823208001400C88ULL, 0x0010004000402000ULL, 0x1004490011002000ULL, 0x0016808008001000ULL,
    0x0C40808004000800ULL, 0x020C008002008004ULL, 0x2102040008011002ULL, 0x2040020004008041ULL,
    0x0048268080104000ULL, 0x0020004240100020ULL, 0x8100460600102080ULL, 0x0008008080081001ULL,
    0x2441001300040800ULL, 0x0980040080800200ULL, 0x8520420400100148ULL, 0x4001006200008104ULL,
    0x2040004026800880ULL, 0x0010002000404000ULL, 0x1088200388801000ULL, 0x000C120042000822ULL,
    0x8600800400800800ULL, 0xA801800201801400ULL, 0x0200110A0C001008ULL, 0x1133001081001042ULL,
    0x0000A08140018000ULL, 0x0060002050004001ULL, 0x00A0804022020010ULL, 0x0000100300090020ULL,
    0x0200040008008080ULL, 0x2004001008020200ULL, 0x8E01100288440001ULL, 0x0002004495020004ULL,
    0x0000400080002080ULL, 0x0000400100208100ULL, 0x4004811000200480ULL, 0xA008001000800880ULL,
    0x0042001008042200ULL, 0x1001001884000B00ULL, 0x4143000200040100ULL, 0x501E802100004080ULL,
    0x3405A08000425901ULL, 0x0201020124401282ULL, 0x0802130020000841ULL, 0x8000040900201001ULL,
    0x0001001008000205ULL, 0x0402005004310862ULL, 0x1200122088100104ULL, 0x0000030C24044482ULL,
};
constexpr uint64_t kDiagonalMultipliers[64] = {
    0x0808102088004080ULL, 0x0048500100410008ULL, 0x0010040044480000ULL, 0x411C040098040000ULL,
    0x00441C2128A00808ULL, 0x0881300820000404ULL, 0xC004044404045008ULL, 0x0106250800842084ULL,
    0x8018082001020208ULL, 0x9800B00480848200ULL, 0x0000410101010640ULL, 0x0044C80841004048ULL,
    0x0040040420008280ULL, 0x008C010108406001ULL, 0x0080010410040400ULL, 0x0010002504102504ULL,
    0x0310024004014410ULL, 0x20084A0208080088ULL, 0x0010022842404102ULL, 0x0018000882004300ULL,
    0x0024048200A20200ULL, 0x0002001841100108ULL, 0x0224008110880400ULL, 0x0022010041042100ULL,
    0x0008040240900200ULL, 0x9014108064010810ULL, 0x00210404C0840010ULL, 0x0008080020202020ULL,
    0x8020840020802000ULL, 0x021020800148040DULL, 0x4C0410434C010400ULL, 0x8200820001104200ULL,
    0x0028821090082000ULL, 0x0162082201210200ULL, 0x0A10588800900340ULL, 0x0000202020280080ULL,
    0x0408022400814100ULL, 0x001348020061A202ULL, 0x2030014200404204ULL, 0x2802008032020201ULL,
    0x0008041104280920ULL, 0x0100420221141080ULL, 0x0010140028000402ULL, 0x0004344010420208ULL,
    0x0140404810404E02ULL, 0x4258501001800048ULL, 0x80041004004A0104ULL, 0x0010110308250F08ULL,
    0x420080A410400000ULL, 0x8000222202204400ULL, 0x3200022094100422ULL, 0x0000000884042200ULL,
    0x0800002004240900ULL, 0x5005040990010004ULL, 0x0040944582020A18ULL, 0x0102081200820400ULL,
    0x8006840101100222ULL, 0x1400102901101000ULL, 0x4000080046084400ULL, 0x4041000000420221ULL,
    0x048A421020204100ULL, 0x0854000890100620ULL, 0x0004200302120400ULL, 0x0140080104008411ULL,
};

// The reach along the two opposite directions d and e of one line.
uint64_t line_reach(int square, int d, int e, uint64_t occupied) {
    return ray_reach(square, d, occupied) | ray_reach(square, e, occupied);
}

// Fills every square's part of `table` through its multiplier, checking
// that occupancies sharing an entry share their reach.  The directions
// pair up into two lines (dirs[0] with dirs[3], dirs[1] with dirs[2]),
// whose blockers act apart: each occupancy is a subset of one line's
// blockers joined with one of the other's, and its reach the union of the
// two lines' reaches, each walked once.
void build(const int (&dirs)[4], const uint64_t (&multipliers)[64], SquareIndex *index,
           uint64_t *table, int entries) {
    static bool filled[4096];  // by entry of the square being filled
    uint64_t *part = table;
    for (int square = 0; square < 64; ++square) {
        SquareIndex &s = index[square];
        s.mask = line_blockers(dirs, square);
        s.multiplier = multipliers[square];
        s.shift = static_cast<unsigned>(64 - count_bits(s.mask));
        s.reach = part;
        const uint64_t size = uint64_t{1} << count_bits(s.mask);
        for (uint64_t i = 0; i < size; ++i) filled[i] = false;
        const uint64_t maskA = s.mask & (kRays.ray[square][dirs[0]] | kRays.ray[square][dirs[3]]);
        const uint64_t maskB = s.mask & ~maskA;
        // The second line's subsets and reaches (at most 6 blockers).
        uint64_t subsetsB[64], reachesB[64];
        int countB = 0;
        uint64_t b = 0;
        do {
            subsetsB[countB] = b;
            reachesB[countB++] = line_reach(square, dirs[1], dirs[2], b);
            b = (b - maskB) & maskB;  // carry-rippler enumeration
        } while (b != 0);
        uint64_t a = 0;
        do {
            const uint64_t reachA = line_reach(square, dirs[0], dirs[3], a);
            for (int i = 0; i < countB; ++i) {
                const uint64_t reach = reachA | reachesB[i];
                const uint64_t slot = ((a | subsetsB[i]) * s.multiplier) >> s.shift;
                if (filled[slot] && part[slot] != reach) {
                    std::fputs("slider table: multiplier collision\n", stderr);
                    std::abort();
                }
                filled[slot] = true;
                part[slot] = reach;
            }
            a = (a - maskA) & maskA;
        } while (a != 0);
        part += size;
    }
    if (part != table + entries) std::abort();
}

struct Builder {
    Builder() {
        build(kStraightDirs, kStraightMultipliers, straightIndex, straightReach, kStraightEntries);
        build(kDiagonalDirs, kDiagonalMultipliers, diagonalIndex, diagonalReach, kDiagonalEntries);
    }
};
const Builder builder;

}  // namespace

uint64_t line_blockers(const int (&dirs)[4], int square) {
    uint64_t mask = 0;
    for (const int d : dirs) {
        const uint64_t ray = kRays.ray[square][d];
        if (ray == 0) continue;
        const int edge = direction_rises(d) ? highest_square(ray) : lowest_square(ray);
        mask |= ray & ~square_bit(edge);
    }
    return mask;
}

uint64_t walked_reach(const int (&dirs)[4], int square, uint64_t occupied) {
    uint64_t reach = 0;
    for (const int d : dirs) reach |= ray_reach(square, d, occupied);
    return reach;
}

}  // namespace slider_detail
