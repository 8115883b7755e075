// Whether a move gives check, as the quiet search's nodes ask it on their
// view, as the node lists and the root ordering ask it through the check
// screen on their view, and as the move played on the board answers it:
// direct checks of every piece, checks uncovered by the moved piece,
// castling with the rook's check, a promotion checking as a queen, en
// passant uncovering a line, and moves that block or open nothing.
#include "core/tree/check_screen.h"
#include "tests/test_support.h"

namespace {

struct CheckCase {
    const char *name, *fen;
    int player;
    int checks;  // how many of the side's legal moves give check (a pawn
                 // reaching the last row becomes a queen)
};

const CheckCase kCases[] = {
    {"start position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, 0},
    {"knight, bishop, queen", "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 0 1",
     1, 2},
    {"pawn checks", "4k3/8/3P1P2/8/8/8/8/4K3 w - - 0 1", 1, 2},
    {"rook uncovered by a knight", "4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1", 1, 8},
    {"bishop uncovered by a pawn", "7k/8/8/8/8/2P5/1B6/K7 w - - 0 1", 1, 1},
    {"castling rook checks", "5k2/8/8/8/8/8/8/4K2R w K - 0 1", 1, 3},
    {"queen-side castling", "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", 1, 3},
    {"promotion as a queen", "1k6/5P2/8/8/8/8/8/4K3 w - - 0 1", 1, 1},
    {"capture promotion", "1k4r1/5P2/8/8/8/8/8/4K3 w - - 0 1", 1, 2},
    {"en passant uncovers a rook", "8/8/8/R2pP2k/8/8/8/4K3 w - d6 0 1", 1, 1},
    {"en passant uncovers a bishop", "7k/8/8/3pP3/8/8/1B6/4K3 w - d6 0 1", 1, 2},
    {"black to move", "4k3/8/8/8/8/8/4r3/1n1K4 b - - 0 1", 2, 3},
    {"king steps off a line", "k7/8/8/8/8/8/1K6/B7 w - - 0 1", 1, 0},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPPP/R3K2R w KQkq - 0 1", 1, 0},
};

// The view's test and the screen (for moves that take nothing) agree with
// the move played on the board, and the side has as many checking moves as
// the position holds.  The root ordering ranks as checks exactly the moves
// that take nothing and give check, and leaves the root position in level
// 0's state slot.
TEST(GivesCheck, ViewScreenAndRootOrderingAgreeWithTheBoard) {
    for (const CheckCase &c : kCases) {
        load_fen(c.fen);
        const BoardView v = board_view();
        const Square king = king_square(static_cast<int>(FindKing(opponent_of(c.player))));
        ViewCheckScreen screen(v, c.player);
        int checks = 0;
        for_each_legal_move(c.player, [&](int fx, int fy, int tx, int ty) {
            const bool played = SearchMoveGivesCheck(c.player, 1, fx, fy, tx, ty) != 0;
            checks += played;
            EXPECT_EQ(
                view_move_gives_check(v, c.player, king, square_of(fx, fy), square_of(tx, ty)),
                played)
                << c.name << ", " << move_text(fx, fy, tx, ty);
            const bool quiet = board[tx][ty] == 0 &&
                               !(type_of(static_cast<int>(board[fx][fy])) == kPawn && tx != fx);
            if (quiet) {
                EXPECT_EQ(screen.gives_check(square_of(fx, fy), square_of(tx, ty)), played)
                    << c.name << ", " << move_text(fx, fy, tx, ty);
            }
        });
        EXPECT_EQ(checks, c.checks) << c.name;

        CollectRootCaptures();
        const int count = static_cast<int>(rootCaptureCount);
        ASSERT_GT(count, 0) << c.name;
        for (int i = 0; i < count; i++) {
            const double *row = rootCaptures[i];
            const int fx = static_cast<int>(row[kColFromX]), fy = static_cast<int>(row[kColFromY]);
            const int tx = static_cast<int>(row[kColToX]), ty = static_cast<int>(row[kColToY]);
            const bool capture = SearchCapture(fx, fy, tx, ty) != 0;
            const bool check = !capture && SearchMoveGivesCheck(c.player, 1, fx, fy, tx, ty) != 0;
            EXPECT_EQ(row[kColScore] == -kInfiniteScore, check)
                << c.name << ", " << move_text(fx, fy, tx, ty);
        }
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                EXPECT_EQ(searchBoard[0][y * 8 + x], board[x][y])
                    << c.name << ", " << x << "," << y;
    }
}

}  // namespace
