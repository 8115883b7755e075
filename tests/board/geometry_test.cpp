// The board's integer geometry (core/board/geometry.h) and the description
// of what a move changes (core/board/move_effects.h), against public facts:
// how many moves each piece has on an empty board, the squares between two
// squares, the encodings and the squares that castling, en passant and
// promotion write.
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/board/slider_attacks.h"
#include "tests/test_support.h"

namespace {

// Summed over the 64 squares of an empty board: 336 knight moves, 420 king
// moves, 896 rook moves and 560 bishop moves.
TEST(Geometry, EmptyBoardMobilityTotals) {
    int knight = 0, king = 0, straight = 0, diagonal = 0, rays = 0, lengths = 0;
    for (int s = 0; s < 64; ++s) {
        knight += count_bits(knight_squares(s));
        king += count_bits(king_squares(s));
        straight += count_bits(straight_attacks(s, 0));
        diagonal += count_bits(diagonal_attacks(s, 0));
        EXPECT_EQ(kRays.straight[s], straight_attacks(s, 0)) << s;
        EXPECT_EQ(kRays.diagonal[s], diagonal_attacks(s, 0)) << s;
        for (int d = 0; d < 8; ++d) {
            rays += count_bits(kRays.ray[s][d]);
            lengths += kRays.length[s][d];
        }
    }
    EXPECT_EQ(knight, 336);
    EXPECT_EQ(king, 420);
    EXPECT_EQ(straight, 896);
    EXPECT_EQ(diagonal, 560);
    EXPECT_EQ(rays, 896 + 560);
    EXPECT_EQ(lengths, 896 + 560);
}

// Each direction's ray leads away from the square: toward higher square
// numbers exactly for the rising directions, and its first square is one
// step (kDirX, kDirY) away.
TEST(Geometry, RaysStartOneStepAway) {
    for (int s = 0; s < 64; ++s)
        for (int d = 0; d < 8; ++d) {
            const uint64_t ray = kRays.ray[s][d];
            const int x = square_x(s) + kDirX[d], y = square_y(s) + kDirY[d];
            EXPECT_EQ((ray & bit_at(x, y)) != 0, on_board(x, y)) << s << " " << d;
            if (ray == 0) continue;
            const int nearest = direction_rises(d) ? lowest_square(ray) : highest_square(ray);
            EXPECT_EQ(nearest, square_of(x, y)) << s << " " << d;
            EXPECT_EQ(direction_rises(d), nearest > s) << s << " " << d;
        }
}

TEST(Geometry, SquaresBetween) {
    const struct {
        const char *from, *to, *between;
    } cases[] = {
        {"a1", "h8", "b2 c3 d4 e5 f6 g7"},
        {"e1", "e4", "e2 e3"},
        {"a5", "d5", "b5 c5"},
        {"h1", "f3", "g2"},
        {"e4", "f3", ""},  // neighbours
        {"a1", "b3", ""},  // a knight's jump
        {"a8", "h7", ""},  // no line
    };
    for (const auto &c : cases) {
        const int from = lowest_square(squares(c.from)), to = lowest_square(squares(c.to));
        EXPECT_EQ(between(from, to), squares(c.between)) << c.from << c.to;
        EXPECT_EQ(between(to, from), squares(c.between)) << c.to << c.from;
    }
    // Between two squares of one line lie the squares of the ray from one
    // up to the other.
    for (int s = 0; s < 64; ++s)
        for (int d = 0; d < 8; ++d)
            for (uint64_t ray = kRays.ray[s][d]; ray != 0;) {
                const int to = pop_lsb(ray);
                EXPECT_EQ(between(s, to), kRays.ray[s][d] & ~kRays.ray[to][d] & ~square_bit(to))
                    << s << " " << to;
            }
}

// The slider tables against the ray walk that defines the reach, on every
// square with occupancies from sparse to full.
TEST(Geometry, SliderTablesMatchTheRayWalk) {
    using slider_detail::walked_reach;
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int square = 0; square < 64; ++square)
        for (int i = 0; i < 2000; ++i) {
            // One, two or three words and-ed: about a half, a quarter or an
            // eighth of the board occupied; first the empty and full board.
            uint64_t occupied = i == 0 ? 0 : i == 1 ? ~uint64_t{0} : next();
            if (i > 1 && i % 3 >= 1) occupied &= next();
            if (i > 1 && i % 3 == 2) occupied &= next();
            ASSERT_EQ(straight_attacks(square, occupied),
                      walked_reach(kStraightDirs, square, occupied))
                << square << " " << occupied;
            ASSERT_EQ(diagonal_attacks(square, occupied),
                      walked_reach(kDiagonalDirs, square, occupied))
                << square << " " << occupied;
        }
}

// The threat test writes the targets that the quiet search reads back.
// FindKing's answers: e1 is 47, a8 is 0; no king (-1) reads as x 0, y -1 as
// Int and Mod read it.
TEST(Geometry, Encodings) {
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(minor_target_x(minor_target_code(x, y)), x);
            EXPECT_EQ(minor_target_y(minor_target_code(x, y)), y);
        }
    EXPECT_EQ(king_pos(4, 7), 47);
    EXPECT_EQ(king_pos(0, 0), 0);
    EXPECT_EQ(king_pos_x(-1), 0);
    EXPECT_EQ(king_pos_y(-1), -1);
}

TEST(Geometry, BitScans) {
    const uint64_t kSets[] = {1,
                              uint64_t{1} << 63,
                              0x8000000000000001ULL,
                              0x00F0000000000100ULL,
                              ~uint64_t{0},
                              0x5555555555555555ULL};
    for (const uint64_t set : kSets) {
        int lowest = 0, highest = 63;
        while (((set >> lowest) & 1) == 0) ++lowest;
        while (((set >> highest) & 1) == 0) --highest;
        EXPECT_EQ(lowest_square(set), lowest) << set;
        EXPECT_EQ(highest_square(set), highest) << set;
        EXPECT_EQ(count_bits(set), count_sparse(set)) << set;
        EXPECT_EQ(bits_up_to_3(set), count_bits(set) < 3 ? count_bits(set) : 3) << set;
        EXPECT_EQ(more_than_one(set), count_bits(set) > 1) << set;
        uint64_t rest = set;
        int popped = 0;
        while (rest != 0) {
            const int s = pop_lsb(rest);
            EXPECT_TRUE((set >> s) & 1);
            ++popped;
        }
        EXPECT_EQ(popped, count_bits(set)) << set;
    }
}

// The squares a move writes, and their pieces after it.
TEST(MoveEffects, SquaresEachMoveWrites) {
    struct Change {
        int x, y, after;
    };
    struct Case {
        const char *fen, *move;
        int captured;
        std::vector<Change> changes;
    };
    const int K = make_piece(kWhite, kKing), R = make_piece(kWhite, kRook);
    const int P = make_piece(kWhite, kPawn), p = make_piece(kBlack, kPawn);
    const int Q = make_piece(kWhite, kQueen), k = make_piece(kBlack, kKing);
    const int r = make_piece(kBlack, kRook), n = make_piece(kBlack, kKnight);
    const char *castle = "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1";
    const Case kCases[] = {
        // the pawn's two squares
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4", 0, {{4, 4, P}, {4, 6, 0}}},
        // castling: the rook jumps to the square the king passed
        {castle, "e1g1", 0, {{6, 7, K}, {4, 7, 0}, {5, 7, R}, {7, 7, 0}}},
        {castle, "e1c1", 0, {{2, 7, K}, {4, 7, 0}, {3, 7, R}, {0, 7, 0}}},
        {"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", 0, {{2, 0, k}, {4, 0, 0}, {3, 0, r}, {0, 0, 0}}},
        // en passant: the pawn beside the target goes
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", p, {{3, 2, P}, {4, 3, 0}, {3, 3, 0}}},
        // a capture that promotes to a queen
        {"n3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8", n, {{0, 0, Q}, {1, 1, 0}}},
    };
    for (const Case &c : kCases) {
        load_fen(c.fen);
        const std::string m = c.move;
        const MoveEffects e = move_effects(EngineBoard(), square_of(m[0] - 'a', '8' - m[1]),
                                           square_of(m[2] - 'a', '8' - m[3]));
        EXPECT_EQ(e.captured, c.captured) << c.fen;
        ASSERT_EQ(e.count, static_cast<int>(c.changes.size())) << c.fen;
        for (int i = 0; i < e.count; ++i) {
            const Change &want = c.changes[i];
            const auto &got = e.change[i];
            EXPECT_EQ(std::vector<int>({got.x, got.y, got.after, got.before}),
                      std::vector<int>({want.x, want.y, want.after, int(board[want.x][want.y])}))
                << c.fen << " change " << i;
        }
        // Made and taken back, with the side state or on the squares alone,
        // the position is as it was; on the squares alone the side state
        // never changes.
        const State before = state_get();
        const std::string bytes = state_bytes();
        MoveUndo undo;
        do_move<MoveScope::kSquares>(e, undo);
        for (int i = 0; i < e.count; ++i)
            EXPECT_EQ(board[e.change[i].x][e.change[i].y], e.change[i].after) << c.fen;
        State played = state_get();
        std::memcpy(played.b, before.b, sizeof played.b);
        EXPECT_EQ(std::memcmp(&before, &played, sizeof before), 0) << c.fen;
        undo_move<MoveScope::kSquares>(e, undo);
        EXPECT_TRUE(state_bytes() == bytes) << c.fen;
        do_move(e, undo);
        undo_move(e, undo);
        EXPECT_TRUE(state_bytes() == bytes) << c.fen;
    }
}

}  // namespace
