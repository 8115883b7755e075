// The integer view of the board and the per-position shield set must give
// the answers the engine's own board gives, square for square, in positions
// full of pins, checks, en-passant chances, castling rights and promotions;
// the windows as sets of squares must hold the walk's squares in its order.
#include "core/board/legal_moves.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "tests/test_support.h"

#include <iterator>

namespace {

const char *const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    // en passant: the pawn on d5 may take on e6
    "rnbqkbnr/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3",
    // pins on a file, a rank and both diagonals, by every slider
    "4r3/1b6/8/3NB3/r2RK1Pq/4PB2/8/4k2q w - - 0 1",
    // a king in double check
    "4k3/8/8/8/8/5n2/8/r3K3 w - - 0 1",
    // Black to move, pinned pieces of both colours on one line
    "8/8/8/KP1p3r/8/8/8/7k b - - 0 1",
    // in check from h4, with the knight that could block on g3 pinned on
    // the e-file
    "4r2k/8/8/8/7q/8/4N3/4K3 w - - 0 1",
    // in check from h4: the knight takes the queen, the rook blocks on f2
    "4k3/8/8/8/7q/5N2/R7/4K3 w - - 0 1",
    // double check by the knight on f3 and the rook on a1: the rook on h3
    // takes the knight and the king still stands in check
    "4k3/8/8/8/8/5n1R/8/r3K3 w - - 0 1",
    // castling both ways, then with d1 attacked
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/5b2/8/R3K2R w KQkq - 0 1",
    // Black to move: castling, a promotion beside a pawn and en passant
    "r1b1k2r/1P4pp/8/2pPp3/8/8/5PPP/4K2R b Kk - 0 1",
};

// Calls check(fen, view) for each test position, loaded.
template <class Check>
void for_each_position(Check check) {
    for (const char *fen : kPositions) {
        load_fen(fen);
        check(fen, board_view());
    }
}

// The type's rule through the view, for the piece on (fx, fy).
bool view_allows(const BoardView &v, int fx, int fy, int tx, int ty) {
    const int piece = v.at(fx, fy);
    return with_piece_type(type_of(piece), [&](auto type) {
        if constexpr (type() == kEmpty)
            return false;
        else
            return piece_rules_allow_as<type()>(v, fx, fy, tx, ty, piece);
    });
}

// The piece rules as the routine of each type answers them: the from-square
// holds a piece, the to-square no piece of its own and no king, and then the
// rule of its type (a king's step, or else castling).
double rule_of_the_type(int fx, int fy, int tx, int ty) {
    const double piece = board[fx][fy], target = board[tx][ty];
    if (piece == 0 || colour_of(target) == colour_of(piece) || type_of(target) == kKing) return 0;
    switch (type_of(piece)) {
        case kPawn: return IsPawnMoveValid(fx, fy, tx, ty);
        case kRook: return IsRookMoveValid(fx, fy, tx, ty);
        case kKnight: return IsKnightMoveValid(fx, fy, tx, ty);
        case kBishop: return IsBishopMoveValid(fx, fy, tx, ty);
        case kQueen: return IsQueenMoveValid(fx, fy, tx, ty);
        case kKing:
            return IsKingNormalMoveValid(fx, fy, tx, ty) != 0 || IsCastleValid(fx, fy, tx, ty) != 0;
        default: return 0;
    }
}

// The basic test (IsBasicMoveValid) is each type's rule, and the view's rules
// answer as it does, for every pair of squares.
TEST(BoardView, PieceRulesAgreeWithTheBoard) {
    for_each_position([](const char *fen, const BoardView &v) {
        ASSERT_TRUE(v.in_step()) << fen;
        for (int from = 0; from < 64; ++from)
            for (int to = 0; to < 64; ++to) {
                const int fx = from % 8, fy = from / 8, tx = to % 8, ty = to / 8;
                const double basic = IsBasicMoveValid(fx, fy, tx, ty);
                ASSERT_EQ(basic, rule_of_the_type(fx, fy, tx, ty))
                    << fen << " from " << fx << "," << fy << " to " << tx << "," << ty;
                EXPECT_EQ(view_allows(v, fx, fy, tx, ty), basic != 0)
                    << fen << " from " << fx << "," << fy << " to " << tx << "," << ty;
            }
    });
}

// Lines clear as on the engine's board; the squares a rook and a bishop see
// are those whose line from the piece's square is clear there, every square
// and every position alike (pieces in the way or not).
TEST(BoardView, LinesAndReachesAsOnTheBoard) {
    const EngineBoard engine;
    for_each_position([&engine](const char *fen, const BoardView &v) {
        uint64_t straight[64] = {}, diagonal[64] = {};
        // Every pair of distinct squares on a rank, a file or a diagonal,
        // the only pairs the line walk is defined for.
        for (int from = 0; from < 64; ++from)
            for (int to = 0; to < 64; ++to) {
                const int fx = from % 8, fy = from / 8, tx = to % 8, ty = to / 8;
                const int adx = std::abs(tx - fx), ady = std::abs(ty - fy);
                if (from == to || (adx != 0 && ady != 0 && adx != ady)) continue;
                const int steps = std::max(adx, ady);
                const bool clear = engine.clear_between(fx, fy, tx, ty, steps);
                EXPECT_EQ(v.clear_between(fx, fy, tx, ty, steps), clear)
                    << fen << " from " << fx << "," << fy << " to " << tx << "," << ty;
                if (clear) (adx == 0 || ady == 0 ? straight : diagonal)[from] |= square_bit(to);
            }
        for (int from = 0; from < 64; ++from) {
            EXPECT_EQ(v.straight_reach(from), straight[from]) << fen << " square " << from;
            EXPECT_EQ(v.diagonal_reach(from), diagonal[from]) << fen << " square " << from;
        }
    });
}

// Known reaches in the starting position: the pieces on the first rank see
// only their neighbours; a square in the middle sees up to the pawns.
TEST(BoardView, KnownReaches) {
    const struct {
        const char *square;
        bool straight;
        const char *reach;
    } cases[] = {
        {"a1", true, "a2 b1"},     // rook
        {"c1", false, "b2 d2"},    // bishop
        {"d1", true, "d2 c1 e1"},  // queen
        {"a4", true, "a7 a6 a5 a3 a2 b4 c4 d4 e4 f4 g4 h4"},
        {"d4", false, "a7 b6 c5 e3 f2 g7 f6 e5 c3 b2"},
    };
    load_fen(kPositions[0]);
    const BoardView v = board_view();
    for (const auto &c : cases) {
        const int from = lowest_square(squares(c.square));
        EXPECT_EQ(c.straight ? v.straight_reach(from) : v.diagonal_reach(from), squares(c.reach))
            << c.square;
    }
}

TEST(BoardView, AttacksAsTheAttackTestSeesThem) {
    for_each_position([](const char *fen, const BoardView &v) {
        for (const int attacker : {kWhite, kBlack})
            for (int square = 0; square < 64; ++square) {
                const int x = square % 8, y = square / 8;
                EXPECT_EQ(v.attacked_by(attacker, x, y), IsSquareAttacked(x, y, attacker) != 0)
                    << fen << " attacker " << attacker << " square " << x << "," << y;
            }
    });
}

// A king's step is legal exactly when the piece rules allow it and the
// target is not attacked once the king stands there; kings of both colours,
// every step, in every test position and a few where the king's own square
// hides an attack along the line it steps on.
TEST(BoardView, KingStepsAsTheMoveTestPlaysThem) {
    std::vector<const char *> positions(std::begin(kPositions), std::end(kPositions));
    positions.push_back("4k3/8/8/8/r3K3/8/8/8 w - - 0 1");     // stepping away along the rank
    positions.push_back("4k3/8/8/2b5/8/4K3/8/8 w - - 0 1");    // and along the diagonal
    positions.push_back("4k3/8/8/8/8/3q4/4K3/8 w - - 0 1");    // taking a free queen
    positions.push_back("4k3/8/8/8/2b5/3q4/4K3/8 w - - 0 1");  // taking a defended queen
    for (const char *fen : positions) {
        load_fen(fen);
        const BoardView v = board_view();
        for (const int side : {kWhite, kBlack}) {
            const int king = static_cast<int>(FindKing(side));
            const int fx = king_pos_x(king), fy = king_pos_y(king);
            for (int tx = fx - 1; tx <= fx + 1; ++tx)
                for (int ty = fy - 1; ty <= fy + 1; ++ty) {
                    if (tx < 0 || tx > 7 || ty < 0 || ty > 7 || (tx == fx && ty == fy)) continue;
                    const bool legal = IsBasicMoveValid(fx, fy, tx, ty) != 0 &&
                                       !v.attacked_after_step(opponent_of(side), square_of(fx, fy),
                                                              square_of(tx, ty));
                    EXPECT_EQ(legal, IsMoveValid(fx, fy, tx, ty) != 0)
                        << fen << " king " << fx << "," << fy << " to " << tx << "," << ty;
                }
        }
    }
}

// Known attacks: a pawn attacks diagonally forward only, a slider stops at
// the first piece, a knight jumps over pieces.
TEST(BoardView, KnownAttacks) {
    const struct {
        const char *fen;
        int attacker;
        const char *square;
        bool attacked;
    } cases[] = {
        {"4k3/8/8/8/8/3P4/8/4K3 w - - 0 1", kWhite, "c4", true},     // d3 pawn
        {"4k3/8/8/8/8/3P4/8/4K3 w - - 0 1", kWhite, "d4", false},    // not straight ahead
        {"4k3/8/8/8/8/3P4/8/4K3 w - - 0 1", kWhite, "c2", false},    // nor backwards
        {"4k3/8/8/8/8/3p4/8/4K3 w - - 0 1", kBlack, "c2", true},     // d3 black pawn
        {"4k3/8/8/8/r2P3K/8/8/8 w - - 0 1", kBlack, "h4", false},    // rook blocked on d4
        {"4k3/8/8/8/r6K/8/8/8 w - - 0 1", kBlack, "h4", true},       // open rank
        {"4k3/8/8/8/8/8/PPP5/1N2K3 w - - 0 1", kWhite, "c3", true},  // knight b1 over pawns
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        const int square = lowest_square(squares(c.square));
        EXPECT_EQ(board_view().attacked_by(c.attacker, square % 8, square / 8), c.attacked)
            << c.fen << " " << c.square;
    }
}

// A square written on the board behind the view's back (a piece put on an
// empty square, one replaced by an enemy piece, one taken away): the Debug
// check of the view notices it, and a fresh load follows the board.
TEST(BoardView, InStepNoticesABoardWrite) {
    const struct {
        int x, y, piece;
    } kChanges[] = {{4, 4, make_piece(kWhite, kQueen)},
                    {0, 0, make_piece(kWhite, kKnight)},
                    {4, 6, make_piece(kBlack, kPawn)},
                    {3, 0, kEmpty},
                    {7, 7, kEmpty}};
    for (const auto &c : kChanges) {
        load_fen(kPositions[0]);
        BoardView v = board_view();
        board[c.x][c.y] = c.piece;
        EXPECT_FALSE(v.in_step()) << c.x << "," << c.y;
        v.load();
        EXPECT_TRUE(v.in_step()) << c.x << "," << c.y;
        EXPECT_EQ(v.at(c.x, c.y), c.piece);
    }
}

// The shields of `side`'s king in the position on the board.
uint64_t shields_of(int side) {
    const int king = static_cast<int>(FindKing(side));
    return board_view().shields_of(side, king_square(king));
}

// With its king safe, a piece shields it exactly when the king stands
// attacked on the board once the piece is lifted off: the engine's own
// attack test decides, square by square.
TEST(KingShields, SameAsLiftingEachPieceOff) {
    for_each_position([](const char *fen, const BoardView &) {
        for (const int side : {kWhite, kBlack}) {
            const int king = static_cast<int>(FindKing(side));
            if (king < 0) continue;
            const int kx = king_pos_x(king), ky = king_pos_y(king);
            const int enemy = opponent_of(side);
            if (IsSquareAttacked(kx, ky, enemy) != 0) continue;
            const uint64_t shields = shields_of(side);
            for (int square = 0; square < 64; ++square) {
                const int x = square % 8, y = square / 8;
                const double piece = board[x][y];
                if (colour_of(piece) != side || type_of(piece) == kKing) continue;
                board[x][y] = 0;
                const bool exposed = IsSquareAttacked(kx, ky, enemy) != 0;
                board[x][y] = piece;
                EXPECT_EQ((shields >> square) & 1, exposed ? 1u : 0u)
                    << fen << " side " << side << " square " << x << "," << y;
            }
        }
    });
}

// Pieces that do shield their king in the positions above, so that the
// comparison is not won by two empty sets.
TEST(KingShields, FindsThePinnedPieces) {
    const struct {
        const char *fen;
        int side;
        const char *shields;
    } cases[] = {
        // bishop e5 (file, rook e8), rook d4 (rank, rook a4), pawn g4 (rank,
        // queen h4), knight d5 (diagonal, bishop b7), bishop f3 (diagonal,
        // queen h1); not the pawn e3, with only a king behind it
        {kPositions[6], kWhite, "e5 d4 g4 d5 f3"},
        {kPositions[6], kBlack, ""},
        // an own piece behind, or the enemy slider itself first on the line
        {"4k3/8/8/8/8/8/4R3/4K2q w - - 0 1", kWhite, ""},
        {"4k3/4r3/8/8/8/8/8/4R1K1 b - - 0 1", kBlack, "e7"},
        // a rook behind on a diagonal pins nothing, a bishop does
        {"4k3/8/8/8/1r6/8/3N4/4K3 w - - 0 1", kWhite, ""},
        {"4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1", kWhite, "d2"},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        EXPECT_EQ(shields_of(c.side), squares(c.shields)) << c.fen;
    }
}

// The windows as sets of squares hold what the walk visits, and taking
// their bits lowest first gives the walk's order, for every piece type and
// colour on every square.
TEST(WindowSquares, SameSquaresInWalkOrder) {
    for (const int side : {kWhite, kBlack})
        for (int type = kPawn; type <= kKing; ++type)
            for (int square = 0; square < 64; ++square) {
                const int fx = square % 8, fy = square / 8;
                std::vector<int> walked, taken;
                visit_window(make_piece(side, type), fx, fy, [&walked](int tx, int ty) {
                    walked.push_back(square_of(tx, ty));
                    return true;
                });
                for (uint64_t set = window_squares(type, side == kWhite, fx, fy); set != 0;)
                    taken.push_back(pop_lsb(set));
                EXPECT_EQ(taken, walked)
                    << "side " << side << " type " << type << " on " << fx << "," << fy;
            }
}

// Known windows: a white pawn on its start row, a knight in the corner, a
// king on its start square (with both castling targets).
TEST(WindowSquares, KnownWindows) {
    EXPECT_EQ(window_squares(kPawn, true, 4, 6), squares("e4 d3 e3 f3"));
    EXPECT_EQ(window_squares(kKnight, false, 0, 0), squares("c7 b6"));
    EXPECT_EQ(window_squares(kKing, true, 4, 7), squares("d2 e2 f2 c1 d1 e1 f1 g1"));
}

// Expects IsMoveValid's verdict from each legality entry point for every
// candidate of `side` (the king in check or not, pinned pieces, en passant,
// castling): the legal-move interface (one move, a piece's moves, those among
// one square or all, their number, whether there is any), its helper on the
// view, and the game-state queries.  Returns the number of legal moves.
int expect_entry_points_agree(const BoardView &v, int side, const ViewKingSafety &safety) {
    int legal = 0, perftCount = 0;
    LegalMoves moves(v, side, safety);
    for (int f = 0; f < 64; ++f) {
        const Square from = static_cast<Square>(f);
        const int fx = square_x(from), fy = square_y(from);
        const int piece = v.at(fx, fy);
        if (colour_of(piece) != side) continue;
        uint64_t targets = 0;
        for (int t = 0; t < 64; ++t) {
            const Square to = static_cast<Square>(t);
            const int tx = square_x(to), ty = square_y(to);
            if (colour_of(board[tx][ty]) == side) continue;
            const bool want = IsMoveValid(fx, fy, tx, ty) == 1;
            legal += want;
            const bool onView = with_piece_type(type_of(piece), [&](auto type) {
                if constexpr (type() == kEmpty)
                    return false;
                else
                    return view_candidate_legal<type()>(v, safety, from, to, piece);
            });
            EXPECT_EQ(onView, want) << from << "-" << to;
            EXPECT_EQ(moves.legal(from, to), want) << from << "-" << to;
            EXPECT_EQ(moves.moves(from, square_bit(to)), want ? square_bit(to) : 0)
                << from << "-" << to;
            if (want) targets |= square_bit(to);
            if (want) perftCount += type_of(piece) == kPawn && (ty == 0 || ty == 7) ? 4 : 1;
        }
        EXPECT_EQ(moves.moves(from), targets) << "piece on " << from;
        EXPECT_EQ(moves.moves(from, ~uint64_t{0}), targets) << "piece on " << from;
    }
    EXPECT_EQ(moves.count(), perftCount);
    EXPECT_EQ(moves.any(), legal > 0);
    EXPECT_EQ(CountLegalMoves(side), legal);
    EXPECT_EQ(HasLegalMove(side) == 1, legal > 0);
    return legal;
}

// Whether the side to move has a legal move, on the view, in mates,
// stalemates, checks that only a block or only the king answers, and the
// positions above; the engine's own scan must agree everywhere, and so must
// every legality entry point for each candidate of the positions above.
TEST(ViewMoves, AnyLegalMove) {
    const struct {
        const char *fen;
        bool hasMove;
    } cases[] = {
        // the fool's mate
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", false},
        // a back-rank mate: the king's escape square behind it stays attacked
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", false},
        // stalemate by queen and king
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", false},
        // check along the first rank: mate, unless the knight can block
        {"4k3/8/8/8/8/8/PPP5/K6r w - - 0 1", false},
        {"4k3/8/8/8/8/4N3/PPP5/K6r w - - 0 1", true},
        // double check: only the king moves
        {"4k3/8/8/8/8/5n2/8/r3K3 w - - 0 1", true},
        // a rook pinned along the rank still moves along it
        {"k7/8/8/8/8/8/8/KR5r w - - 0 1", true},
        // stalemate: the bishop is pinned along the rank, the enemy king
        // covers the king's squares
        {"8/8/8/8/8/k7/8/KB5r w - - 0 1", false},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", true},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        const int side = static_cast<int>(currentPlayer);
        const BoardView v = board_view();
        EXPECT_EQ(view_any_legal_move(v, side, view_king_safety(v, side)), c.hasMove) << c.fen;
        EXPECT_EQ(HasLegalMove(side) == 1, c.hasMove) << c.fen;
    }
    int legal = 0;
    for_each_position([&legal](const char *fen, const BoardView &v) {
        for (const int side : {kWhite, kBlack}) {
            SCOPED_TRACE(::testing::Message() << fen << " side " << side);
            const ViewKingSafety safety = view_king_safety(v, side);
            EXPECT_EQ(view_any_legal_move(v, side, safety), CountLegalMoves(side) > 0);
            // The king as the board finds it; in check the detail is known.
            const KingSafety k = king_safety(side);
            EXPECT_EQ(safety.king.king, k.king);
            EXPECT_EQ(safety.king.attacked, k.attacked);
            EXPECT_EQ(safety.checkDetail, k.attacked);
            if (k.king == kNoSquare) {
                EXPECT_EQ(safety.shields, 0u);
            }
            legal += expect_entry_points_agree(v, side, safety);
            // In check, also without the detail (worked out when asked).
            if (k.attacked) {
                ViewKingSafety bare = safety;
                bare.checkDetail = false;
                bare.shields = bare.evasions = 0;
                expect_entry_points_agree(v, side, bare);
            }
        }
    });
    EXPECT_GT(legal, 300);
}

// After every legal move of the positions above (castling, en passant and
// promotion among them) the view brought up to date by the move's effects
// agrees with the board, and the move made from the view's description
// leaves the board and the side state as MakeSearchMove leaves them.
TEST(ViewMoves, MoveEffectsKeepTheViewInStep) {
    int moves = 0;
    for_each_position([&moves](const char *fen, const BoardView &v) {
        SaveSearchState(0);
        const std::string saved = state_bytes();
        for_each_legal_move(currentPlayer, [&](int fx, int fy, int tx, int ty) {
            SCOPED_TRACE(std::string(fen) + " " + move_text(fx, fy, tx, ty));
            MakeSearchMove(fx, fy, tx, ty);
            const std::string maker = state_bytes();
            RestoreSearchState(0);
            BoardView told = v;
            const MoveEffects move = move_effects(v, square_of(fx, fy), square_of(tx, ty));
            MoveUndo undo;
            do_move(move, undo, told);
            EXPECT_TRUE(told.in_step());
            EXPECT_TRUE(state_bytes() == maker);
            // Taken back, the position is the one before the move.
            undo_move(move, undo);
            EXPECT_TRUE(state_bytes() == saved);
            RestoreSearchState(0);
            ++moves;
        });
    });
    EXPECT_GT(moves, 150);
}

}  // namespace
