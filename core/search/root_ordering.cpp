// Root move ordering: every legal move of the engine's side, collected with
// the per-piece target windows and kept sorted by insertion.  Captures come
// first (most valuable victim, then least valuable attacker), then quiet
// checks, then quiet moves by their score in the previous iteration, then
// the quiet moves not searched before, all ties in generation order.
#include "../quin_core.h"

namespace {

// Order values of the non-capture classes.
constexpr double kCheckOrder = -1000000;
constexpr double kPreviousOffset = -2000001;
constexpr double kUnsearchedOrder = -3000002;

// Visits one row of target columns first..last with the given step, after
// pulling the range onto the board by whole steps.  Returns false when the
// visitor asked to stop.
template <typename Visit>
inline bool visit_columns(int ty, int first, int last, int step, Visit &visit) {
    if (step <= 0) step = 1;
    while (first < 0) first += step;
    while (last > 7) last -= step;
    for (int tx = first; tx <= last; tx += step) {
        if (!visit(tx, ty)) return false;
    }
    return true;
}

// The candidate targets of the piece on (fx, fy), row by row from low to
// high y and, within a row, by ascending column.  The window includes
// squares the piece cannot reach; IsMoveValid sorts those out.
template <typename Visit>
bool visit_targets(int piece, int fx, int fy, Visit &visit) {
    const int type = piece > 10 ? piece - 10 : piece;
    switch (type) {
        case 1:
            if (piece == 1) {
                if (fy == 6 && !visit_columns(fy - 2, fx, fx, 1, visit)) return false;
                if (fy - 1 >= 0 && !visit_columns(fy - 1, fx - 1, fx + 1, 1, visit)) return false;
            } else {
                if (fy + 1 <= 7 && !visit_columns(fy + 1, fx - 1, fx + 1, 1, visit)) return false;
                if (fy == 1 && !visit_columns(fy + 2, fx, fx, 1, visit)) return false;
            }
            return true;
        case 3: {
            const int lo = fy - 2 < 0 ? 0 : fy - 2;
            const int hi = fy + 2 > 7 ? 7 : fy + 2;
            for (int ty = lo; ty <= hi; ++ty) {
                if (ty == fy) continue;
                const int j = (ty - fy == 1 || fy - ty == 1) ? 2 : 1;
                if (!visit_columns(ty, fx - j, fx + j, 2 * j, visit)) return false;
            }
            return true;
        }
        case 4:
            for (int ty = 0; ty <= 7; ++ty) {
                if (ty == fy) continue;
                const int d = ty > fy ? ty - fy : fy - ty;
                if (!visit_columns(ty, fx - d, fx + d, 2 * d, visit)) return false;
            }
            return true;
        case 2:
            for (int ty = 0; ty <= 7; ++ty) {
                const bool ok = ty == fy ? visit_columns(ty, 0, 7, 1, visit)
                                         : visit_columns(ty, fx, fx, 1, visit);
                if (!ok) return false;
            }
            return true;
        case 5:
            for (int ty = 0; ty <= 7; ++ty) {
                const int d = ty > fy ? ty - fy : fy - ty;
                const bool ok = ty == fy ? visit_columns(ty, 0, 7, 1, visit)
                                         : visit_columns(ty, fx - d, fx + d, d, visit);
                if (!ok) return false;
            }
            return true;
        case 6: {
            const int lo = fy - 1 < 0 ? 0 : fy - 1;
            const int hi = fy + 1 > 7 ? 7 : fy + 1;
            for (int ty = lo; ty <= hi; ++ty) {
                const bool ok = ty == fy ? visit_columns(ty, fx - 2, fx + 2, 1, visit)
                                         : visit_columns(ty, fx - 1, fx + 1, 1, visit);
                if (!ok) return false;
            }
            return true;
        }
        default: return true;
    }
}

// Order value of a legal root move.
double root_order_value(int fx, int fy, int tx, int ty) {
    const double mover = board[fx][fy];
    const double target = board[tx][ty];
    if (SearchCapture(fx, fy, tx, ty) != 0) {
        // An en-passant capture lands on an empty square and takes a pawn.
        const double victim = target != 0 ? target : 1;
        return 100 * CapturePieceValue(victim) - CapturePieceValue(mover);
    }
    if (SearchMoveGivesCheck(computerPlayer, 0, fx, fy, tx, ty) != 0) return kCheckOrder;
    if (rootResultOrderEnabled != 0) {
        const double code = fy * 512 + fx * 64 + ty * 8 + tx;
        const int count = static_cast<int>(rootPreviousCount);
        for (int i = 0; i < count && i < kRootRows; ++i) {
            if (rootPreviousResult[i][0] == code) {
                double previous = rootPreviousResult[i][1];
                if (previous < -1000000) previous = -1000000;
                if (previous > 1000000) previous = 1000000;
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
    while (index > 0 && rootCaptures[index - 1][4] < value) {
        for (int c = 0; c < 5; ++c) rootCaptures[index][c] = rootCaptures[index - 1][c];
        --index;
    }
    rootCaptures[index][0] = fx;
    rootCaptures[index][1] = fy;
    rootCaptures[index][2] = tx;
    rootCaptures[index][3] = ty;
    rootCaptures[index][4] = value;
    rootCaptureCount += 1;
}

}  // namespace

double CollectRootCaptures() {
    rootCaptureCount = 0;
    for (int fy = 0; fy <= 7; ++fy) {
        for (int fx = 0; fx <= 7; ++fx) {
            const double piece = board[fx][fy];
            if (PieceColor(piece) != computerPlayer) continue;
            auto visit = [fx, fy](int tx, int ty) {
                if (SearchTimeExpired() != 0) return false;
                if (IsMoveValid(fx, fy, tx, ty) == 0) return true;
                insert_root_move(fx, fy, tx, ty, root_order_value(fx, fy, tx, ty));
                return true;
            };
            if (!visit_targets(static_cast<int>(piece), fx, fy, visit)) return 0;
        }
    }
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
        rootPreviousResult[i][0] = rootCurrentResult[i][0];
        rootPreviousResult[i][1] = rootCurrentResult[i][1];
    }
    return 0;
}
