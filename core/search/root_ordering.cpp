// Root move ordering: every legal move of the engine's side, collected with
// the per-piece target windows and kept sorted by insertion.  Captures come
// first (most valuable victim, then least valuable attacker), then quiet
// checks, then quiet moves by their score in the previous iteration, then
// the quiet moves not searched before, all ties in generation order.
//
// Globals: read `board`, `computerPlayer`, `rootResultOrderEnabled`,
// `rootPreviousResult`, `rootPreviousCount`, `rootCurrentResult`,
// `rootCurrentCount` and the preferred move (`preferredFromX` ...
// `preferredToY`); write `rootCaptures`, `rootCaptureCount`,
// `rootPreviousResult`, `rootPreviousCount` and, once a quiet move is tested
// for check, level 0's state slot (the root position).
#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/legal_moves.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/types.h"

#include <cassert>

namespace {

// Order values of the non-capture classes, each class below the one before
// it: captures score 9000 and more, previous-iteration scores are clamped to
// plus or minus kInfiniteScore and shifted below the checks.
constexpr double kCheckOrder = -kInfiniteScore;
constexpr double kPreviousOffset = -2 * kInfiniteScore - 1;
constexpr double kUnsearchedOrder = -3 * kInfiniteScore - 2;

// The root position as an integer view.
BoardView loaded_view() {
    BoardView v;
    v.load();
    return v;
}

// Whether a legal root move that takes nothing gives check: the check
// screen's answer on the root position's view, which decides on the view
// the moves that can check.  Level 0's state slot holds the root position
// from the first such question on, as SearchMoveGivesCheck leaves it.
class RootCheckTest {
public:
    explicit RootCheckTest(const BoardView &view)
        : view_(view), screen_(view_, static_cast<int>(computerPlayer)) {}

    bool gives_check(Square from, Square to) {
        if (!slotSaved_) {
            SaveSearchState(0);
            slotSaved_ = true;
        }
        const bool check = screen_.gives_check(from, to);
        assert(check == (SearchMoveGivesCheck(computerPlayer, 0, square_x(from), square_y(from),
                                              square_x(to), square_y(to)) != 0));
        return check;
    }

private:
    const BoardView &view_;
    ViewCheckScreen screen_;
    bool slotSaved_ = false;
};

// Order value of a legal root move.
double root_order_value(int fx, int fy, int tx, int ty, RootCheckTest &checks) {
    const double mover = board[fx][fy];
    const double target = board[tx][ty];
    if (SearchCapture(fx, fy, tx, ty) != 0) {
        // An en-passant capture lands on an empty square and takes a pawn.
        const double victim = target != 0 ? target : static_cast<double>(kPawn);
        return 100 * CapturePieceValue(victim) - CapturePieceValue(mover);
    }
    if (checks.gives_check(square_of(fx, fy), square_of(tx, ty))) return kCheckOrder;
    if (rootResultOrderEnabled != 0) {
        const double code = move_code(fx, fy, tx, ty);
        const int count = static_cast<int>(rootPreviousCount);
        for (int i = 0; i < count && i < kRootRows; ++i) {
            if (rootPreviousResult[i][kResultCode] == code) {
                double previous = rootPreviousResult[i][kResultScore];
                if (previous < -kInfiniteScore) previous = -kInfiniteScore;
                if (previous > kInfiniteScore) previous = kInfiniteScore;
                return previous + kPreviousOffset;
            }
        }
    }
    return kUnsearchedOrder;
}

// Inserts a move behind every row whose value is at least as high.
void insert_root_move(int fx, int fy, int tx, int ty, double value) {
    int index = static_cast<int>(rootCaptureCount);
    if (index >= kRootRows) return;  // cannot happen: no position has 257 legal moves
    while (index > 0 && rootCaptures[index - 1][kColScore] < value) {
        for (int c = kColFromX; c <= kColScore; ++c)
            rootCaptures[index][c] = rootCaptures[index - 1][c];
        --index;
    }
    double *row = rootCaptures[index];
    row[kColFromX] = fx;
    row[kColFromY] = fy;
    row[kColToX] = tx;
    row[kColToY] = ty;
    row[kColScore] = value;
    rootCaptureCount += 1;
}

}  // namespace

// The legal moves come from the one generator, piece by piece in board
// order; the clock is polled before every square of each piece's window,
// and the square is listed when it is one of the piece's legal targets.
double CollectRootCaptures() {
    rootCaptureCount = 0;
    const int side = static_cast<int>(computerPlayer);
    const BoardView view = loaded_view();
    // A side that is neither White nor Black owns no piece with a move.
    const bool sided = side == kWhite || side == kBlack;
    LegalMoves legal;
    if (sided) legal.reset(view, side, view_king_safety(view, side));
    RootCheckTest checks(view);
    for_each_piece_of(side, [sided, &legal, &checks](int fx, int fy, int piece) {
        const uint64_t targets = sided ? legal.moves(square_of(fx, fy)) : 0;
        return visit_window(piece, fx, fy, [fx, fy, targets, &checks](int tx, int ty) {
            if (SearchTimeExpired() != 0) return false;
            if (((targets >> square_of(tx, ty)) & 1) == 0) return true;
            assert(IsMoveValid(fx, fy, tx, ty) == 1);
            insert_root_move(fx, fy, tx, ty, root_order_value(fx, fy, tx, ty, checks));
            return true;
        });
    });
    return 0;
}

double RootMovePass(double fx, double fy, double tx, double ty, double movePass) {
    const double preferred =
        (fx == preferredFromX && fy == preferredFromY && tx == preferredToX && ty == preferredToY)
            ? 1
            : 0;
    if (movePass == -1) return preferred;
    return preferred == 1 ? 0 : 1;
}

double CommitRootResults() {
    rootPreviousCount = rootCurrentCount;
    const int count = static_cast<int>(rootCurrentCount);
    for (int i = 0; i < count && i < kRootRows; ++i) {
        rootPreviousResult[i][kResultCode] = rootCurrentResult[i][kResultCode];
        rootPreviousResult[i][kResultScore] = rootCurrentResult[i][kResultScore];
    }
    return 0;
}
