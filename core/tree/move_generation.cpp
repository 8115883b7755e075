// Move generation for the nodes of the tree search.
//
// Every node fills two per-level lists once on entry: the capture list,
// ordered by victim and attacker value (most valuable victim first, cheapest
// attacker first), to which the quiet moves that give check are appended, and
// the quiet list, ordered by history score.  Candidates come from a scan of
// the mover's pieces with a small window of target squares per piece type;
// only moves that IsMoveValid accepts enter the lists.
//
// Globals: read `board`, `enPassantX`, `enPassantY` and `searchHistoryScore`;
// write `innerCaptures`, `innerCaptureCount`, `historyQuietMoves` and
// `historyQuietCount`.
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/tree/node_chain.h"
#include "core/types.h"

#include <cstring>

namespace {

constexpr int kListLevels = 8;  // levels 0 to 7 own complete rows
// Order score of a quiet move that gives check: behind every capture.
constexpr double kQuietCheckOrder = -kInfiniteScore;

// True when the move by the piece on (fx, fy) takes something: an enemy
// piece on the target, or a pawn moving diagonally onto the en-passant square.
inline bool IsCaptureCandidate(int player, double mover, int fx, int tx, int ty) {
    double target = board[tx][ty];
    if (target != 0) return colour_of(target) != player;
    if (type_of(mover) != kPawn) return false;
    return tx == enPassantX && ty == enPassantY && (tx - fx == 1 || fx - tx == 1);
}

// Hands every square of the candidate window of each piece of `player` to
// visit(fx, fy, tx, ty), pieces in board order, rows and columns ascending,
// polling the clock before each square.  The window may hold squares the
// piece cannot reach; the visitor's legality test throws those out.  Returns
// false on time-out.  The walk has a copy per piece type, each with its
// type's window rules folded in.
template <class Visit>
bool ScanCandidates(int player, Visit &visit) {
    return for_each_piece_of(player, [&visit](int fx, int fy, int piece) {
        return visit_window_by_type(piece, fx, fy, [&visit, fx, fy](int tx, int ty) {
            if (SearchTimeExpired() != 0) return false;
            visit(fx, fy, tx, ty);
            return true;
        });
    });
}

// Stable insertion into a list kept in descending score: entries with a
// lower score move one row down, the new entry goes behind the last entry
// scoring at least as much.
void InsertDescending(double (*list)[kListColumns], double *count, int level, int fx, int fy,
                      int tx, int ty, double score) {
    int n = static_cast<int>(*count);
    if (n >= kListEntriesPerLevel) return;  // cannot happen for a real position
    const int base = level * kListEntriesPerLevel;
    int i = n;
    while (i > 0 && list[base + i - 1][kColScore] < score) --i;
    // The rows behind the new entry move down one row in one copy.
    std::memmove(list[base + i + 1], list[base + i], sizeof list[0] * static_cast<size_t>(n - i));
    double *row = list[base + i];
    row[kColFromX] = fx;
    row[kColFromY] = fy;
    row[kColToX] = tx;
    row[kColToY] = ty;
    row[kColScore] = score;
    row[kListColumns - 1] = 0;
    *count = n + 1;
}

inline bool ListLevelOk(double level) { return level >= 0 && level < kListLevels; }

}  // namespace

double CapturePieceValue(double piece) {
    const int type = type_of(piece);
    return type >= kEmpty && type <= kKing ? kPieceValue[type] : 0;
}

namespace {

// The two lists of one node, filled from one scan of the candidate windows
// or from a scan each: captures into the capture list as they are met,
// quiet moves into the quiet list, and the quiet moves that give check held
// back and appended to the capture list behind every capture.
class NodeMoveCollector {
public:
    NodeMoveCollector(int side, int level)
        : side_(side),
          level_(level),
          history_(searchHistoryScore[side & 3]),
          legality_(side),
          checks_(side, -1) {}

    void start_captures() { innerCaptureCount[level_] = 0; }
    void start_quiet_moves() {
        historyQuietCount[level_] = 0;
        checkCount_ = 0;
    }

    // A move that takes something (a capture candidate).
    void capture(double mover, int fx, int fy, int tx, int ty) {
        if (!legal(fx, fy, tx, ty)) return;
        double victim = board[tx][ty];
        if (victim == 0) victim = kPawn;  // en passant takes a pawn
        const double score = 100.0 * CapturePieceValue(victim) - CapturePieceValue(mover);
        InsertDescending(innerCaptures, &innerCaptureCount[level_], level_, fx, fy, tx, ty, score);
    }

    // A move to an empty square that takes nothing.
    void quiet_move(int fx, int fy, int tx, int ty) {
        if (!legal(fx, fy, tx, ty)) return;
        if (!slotSaved_) {
            // The check test writes the level's state slot; it is written
            // once, the board being the same for every move.
            SaveSearchState(level_);
            checks_ = QuietCheckScreen(side_, static_cast<int>(FindKing(opponent_of(side_))));
            slotSaved_ = true;
        }
        if (checks_.gives_check(fx, fy, tx, ty)) {
            // Beyond a full list a check would find no room anyway.
            if (checkCount_ < kListEntriesPerLevel)
                checkMoves_[checkCount_++] = move_code(fx, fy, tx, ty);
            return;
        }
        const double score = history_[move_code(fx, fy, tx, ty)];
        InsertDescending(historyQuietMoves, &historyQuietCount[level_], level_, fx, fy, tx, ty,
                         score);
    }

    // Appends the checking quiet moves, in the order met, to the capture
    // list while it has room.
    void finish_quiet_moves() {
        for (int i = 0; i < checkCount_; ++i) {
            const int n = static_cast<int>(innerCaptureCount[level_]);
            if (n >= kListEntriesPerLevel) return;
            const int code = checkMoves_[i];
            double *row = innerCaptures[level_ * kListEntriesPerLevel + n];
            row[kColFromX] = move_from_x(code);
            row[kColFromY] = move_from_y(code);
            row[kColToX] = move_to_x(code);
            row[kColToY] = move_to_y(code);
            row[kColScore] = kQuietCheckOrder;
            row[kListColumns - 1] = 0;
            innerCaptureCount[level_] = n + 1;
        }
    }

private:
    // IsMoveValid of the move.  Every square of a piece's window is tried,
    // so the targets of a slider are worked out once, by walking its lines.
    bool legal(int fx, int fy, int tx, int ty) {
        const int from = square_of(fx, fy);
        if (from != sliderSquare_) {
            sliderSquare_ = from;
            const int type = type_of(board[fx][fy]);
            isSlider_ = type == kRook || type == kBishop || type == kQueen;
            if (isSlider_) sliderTargets_ = slider_rules_targets(fx, fy);
        }
        if (!isSlider_) return legality_.legal(fx, fy, tx, ty);
        return ((sliderTargets_ >> square_of(tx, ty)) & 1) != 0 &&
               legality_.king_stays_safe(fx, fy, tx, ty);
    }

    int side_, level_;
    int sliderSquare_ = -1;
    bool isSlider_ = false;
    uint64_t sliderTargets_ = 0;
    const double *history_;
    SideMoveLegality legality_;
    bool slotSaved_ = false;
    QuietCheckScreen checks_;
    int checkCount_ = 0;
    int checkMoves_[kListEntriesPerLevel];  // move codes
};

}  // namespace

namespace {

// One scan of the side's candidate windows filling the capture list, the
// quiet list or both.
template <bool kCaptures, bool kQuietMoves>
void CollectMoves(double player, double level) {
    if (!ListLevelOk(level)) return;
    const int side = static_cast<int>(player);
    NodeMoveCollector collect(side, static_cast<int>(level));
    if (kCaptures) collect.start_captures();
    if (kQuietMoves) collect.start_quiet_moves();
    auto visit = [side, &collect](int fx, int fy, int tx, int ty) {
        const double mover = board[fx][fy];
        if (IsCaptureCandidate(side, mover, fx, tx, ty)) {
            if (kCaptures) collect.capture(mover, fx, fy, tx, ty);
        } else if (kQuietMoves && board[tx][ty] == 0) {
            // An own piece on the target can never be a legal destination.
            collect.quiet_move(fx, fy, tx, ty);
        }
    };
    ScanCandidates(side, visit);
    if (kQuietMoves) collect.finish_quiet_moves();
}

}  // namespace

double CollectInnerCaptures(double player, double level) {
    CollectMoves<true, false>(player, level);
    return 0;
}

double CollectHistoryQuietMoves(double player, double level) {
    CollectMoves<false, true>(player, level);
    return 0;
}

double CollectNodeMoves(double player, double level) {
    CollectMoves<true, true>(player, level);
    return 0;
}

double IsInnerOrderedMove(double level, double fx, double fy, double tx, double ty) {
    if (!ListLevelOk(level)) return 0;
    const int lv = static_cast<int>(level);
    const int n = static_cast<int>(innerCaptureCount[lv]);
    const double(*rows)[kListColumns] = innerCaptures + lv * kListEntriesPerLevel;
    for (int i = 0; i < n; ++i) {
        if (rows[i][kColFromX] == fx && rows[i][kColFromY] == fy && rows[i][kColToX] == tx &&
            rows[i][kColToY] == ty)
            return 1;
    }
    return 0;
}

double IsCollectedSearchMoveValid(double level, double orderIndex, double fx, double fy, double tx,
                                  double ty) {
    if (ListLevelOk(level)) {
        const int lv = static_cast<int>(level);
        const double captures = innerCaptureCount[lv];
        if (orderIndex >= 0 && orderIndex < captures) return 1;
        const double quietIndex = orderIndex - captures - 2;
        if (quietIndex >= 0 && quietIndex < historyQuietCount[lv]) return 1;
    }
    return IsMoveValid(fx, fy, tx, ty);
}
