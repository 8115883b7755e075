// Move generation for the nodes of the tree search.
//
// Every node fills two per-level lists: the capture list, ordered by victim
// and attacker value (most valuable victim first, cheapest attacker first),
// to which the quiet moves that give check are appended, and the quiet list,
// ordered by history score.  The moves are the legal moves of the mover's
// pieces in board order, each piece's in the order of its window of target
// squares: perft's generator (core/board/legal_moves.h) on a view of the
// board.  Debug builds check each piece's moves against IsMoveValid over its
// window.
//
// A chain node lists its captures on entry but holds its quiet moves, each
// with its history score of that moment.  It picks out the checking ones
// only when its captures are all searched, and orders the rest only when it
// reaches its quiet pass: most nodes cut off before either, and the history
// scores its subtree raises in between must not reorder the list.
//
// Globals: read `board`, `enPassantX`, `enPassantY` and `searchHistoryScore`;
// write `innerCaptures`, `innerCaptureCount`, `historyQuietMoves` and
// `historyQuietCount`.
#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legal_moves.h"
#include "core/board/legality.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/tree/node_chain.h"
#include "core/types.h"

#include <cassert>
#include <cstring>

namespace {

constexpr int kListLevels = 8;  // levels 0 to 7 own complete rows
// Order score of a quiet move that gives check: behind every capture.
constexpr double kQuietCheckOrder = -kInfiniteScore;

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
    // The rows behind the new entry move down one row in one copy (most
    // entries go last: equal history scores keep the order met).
    if (i < n)
        std::memmove(list[base + i + 1], list[base + i],
                     sizeof list[0] * static_cast<size_t>(n - i));
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

// The quiet moves of a chain node, in the order met, with the history score
// each had when it was met; written to the level's quiet list by
// ListNodeQuietMoves.
struct HeldQuietMove {
    double score;
    int code;
};
HeldQuietMove heldQuiet[kListLevels][kListEntriesPerLevel];
int heldQuietCount[kListLevels];

// The legal targets of each of the mover's pieces, by level and square, as
// the last collection at the level found them (only the squares of the
// mover's pieces are meant).
uint64_t legalTargets[kListLevels][64];

}  // namespace

double CapturePieceValue(double piece) {
    const int type = type_of(piece);
    return type >= kEmpty && type <= kKing ? kPieceValue[type] : 0;
}

namespace {

// The two lists of one node, filled from one scan of the candidate windows
// or from a scan each: captures into the capture list as they are met, and
// quiet moves held in the order met with their history scores of the
// moment (ListNodeQuietChecks and ListNodeQuietMoves list them).
class NodeMoveCollector {
public:
    NodeMoveCollector(int side, int level)
        : level_(level), history_(searchHistoryScore[side & 3]) {}

    void start_captures() { innerCaptureCount[level_] = 0; }
    void start_quiet_moves() {
        historyQuietCount[level_] = 0;
        heldQuietCount[level_] = 0;
    }

    // A legal move that takes something.
    void capture(int mover, Move m) {
        const int tx = square_x(m.to), ty = square_y(m.to);
        double victim = board[tx][ty];
        if (victim == 0) victim = kPawn;  // en passant takes a pawn
        const double score = 100.0 * CapturePieceValue(victim) - CapturePieceValue(mover);
        InsertDescending(innerCaptures, &innerCaptureCount[level_], level_, square_x(m.from),
                         square_y(m.from), tx, ty, score);
    }

    // A legal move to an empty square that takes nothing.
    void quiet_move(Move m) {
        int &held = heldQuietCount[level_];
        if (held >= kListEntriesPerLevel) return;  // cannot happen for a real position
        const int code =
            move_code(square_x(m.from), square_y(m.from), square_x(m.to), square_y(m.to));
        heldQuiet[level_][held++] = HeldQuietMove{history_[code], code};
    }

private:
    int level_;
    const double *history_;
};

}  // namespace

namespace {

// Whether the board holds the legal moves of the piece on (fx, fy) that
// `targets` names: every square of its window that IsMoveValid accepts.
[[maybe_unused]] bool window_moves_are(int fx, int fy, int piece, uint64_t targets) {
    uint64_t legal = 0;
    visit_window(piece, fx, fy, [&legal, fx, fy](int tx, int ty) {
        if (IsMoveValid(fx, fy, tx, ty) == 1) legal |= square_bit(square_of(tx, ty));
        return true;
    });
    return legal == targets;
}

// The side's legal moves, piece by piece in board order and each piece's in
// its window's order, into the capture list, the quiet list or both.  The
// clock is polled once for each square of a piece's window before its moves
// are listed; on time-out the lists are left as they are (the node ends
// without reading them).
template <bool kCaptures, bool kQuietMoves>
void CollectMoves(double player, double level, BoardView &v) {
    if (!ListLevelOk(level)) return;
    const int side = static_cast<int>(player);
    NodeMoveCollector collect(side, static_cast<int>(level));
    if (kCaptures) collect.start_captures();
    if (kQuietMoves) collect.start_quiet_moves();
    v.load();
    const LegalMoves legal(v, side);
    uint64_t listed = 0;
    uint64_t *targets = legalTargets[static_cast<int>(level)];
    auto visit = [&v, &collect, &listed](Move m) {
        const int mover = v.cell[m.from];
        const bool enPassant =
            type_of(mover) == kPawn && m.to == v.enPassant && square_x(m.to) != square_x(m.from);
        if (v.cell[m.to] != kEmpty || enPassant) {
            if (kCaptures) collect.capture(mover, m);
        } else if (kQuietMoves) {
            collect.quiet_move(m);
        }
        listed |= square_bit(m.to);
    };
    for (uint64_t pieces = v.bySide[side]; pieces != 0;) {
        const Square from = pop_lsb(pieces);
        const int fx = square_x(from), fy = square_y(from);
        const int piece = v.cell[from];
        const int type = type_of(piece);
        if (type < kPawn || type > kKing) {  // a code that names no piece
            targets[from] = 0;
            continue;
        }
        if (SearchTimeExpiredRepeated(count_bits(window_squares(type, side == kWhite, fx, fy))) ==
            1)
            break;
        listed = 0;
        legal.moves(from, visit);
        assert(window_moves_are(fx, fy, piece, listed));
        targets[from] = listed;
    }
}

}  // namespace

double CollectInnerCaptures(double player, double level) {
    BoardView view;
    CollectMoves<true, false>(player, level, view);
    return 0;
}

double CollectHistoryQuietMoves(double player, double level) {
    BoardView view;
    CollectMoves<false, true>(player, level, view);
    ListNodeQuietChecks(static_cast<int>(player), static_cast<int>(level), view);
    ListNodeQuietMoves(static_cast<int>(level));
    return 0;
}

double CollectNodeMoves(double player, double level, BoardView &view) {
    CollectMoves<true, true>(player, level, view);
    return 0;
}

bool IsNodeMoveLegal(int level, Square from, Square to) {
    const bool legal = ListLevelOk(level) && ((legalTargets[level][from] >> to) & 1) != 0;
    assert(legal == (IsMoveValid(square_x(from), square_y(from), square_x(to), square_y(to)) == 1));
    return legal;
}

void ListNodeQuietChecks(int player, int level, const BoardView &view) {
    if (!ListLevelOk(level) || heldQuietCount[level] == 0) return;
    // The check test writes the level's state slot; it is written once, the
    // board being the same for every move.
    SaveSearchState(level);
    ViewCheckScreen checks(view, player);
    HeldQuietMove *held = heldQuiet[level];
    const int n = heldQuietCount[level];
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const int code = held[i].code;
        if (!checks.gives_check(move_from(code), move_to(code))) {
            held[kept++] = held[i];
            continue;
        }
        // Beyond a full list a check would find no room anyway.
        const int listed = static_cast<int>(innerCaptureCount[level]);
        if (listed >= kListEntriesPerLevel) continue;
        double *row = innerCaptures[level * kListEntriesPerLevel + listed];
        row[kColFromX] = move_from_x(code);
        row[kColFromY] = move_from_y(code);
        row[kColToX] = move_to_x(code);
        row[kColToY] = move_to_y(code);
        row[kColScore] = kQuietCheckOrder;
        row[kListColumns - 1] = 0;
        innerCaptureCount[level] = listed + 1;
    }
    heldQuietCount[level] = kept;
}

void ListNodeQuietMoves(int level) {
    if (!ListLevelOk(level)) return;
    // Stable descending insertion, as InsertDescending makes it, on the held
    // moves: equal scores keep the order met.
    HeldQuietMove *held = heldQuiet[level];
    const int n = heldQuietCount[level];
    for (int k = 1; k < n; ++k) {
        const HeldQuietMove m = held[k];
        int i = k;
        while (i > 0 && held[i - 1].score < m.score) {
            held[i] = held[i - 1];
            --i;
        }
        held[i] = m;
    }
    double(*rows)[kListColumns] = historyQuietMoves + level * kListEntriesPerLevel;
    for (int i = 0; i < n; ++i) {
        const int code = held[i].code;
        double *row = rows[i];
        row[kColFromX] = move_from_x(code);
        row[kColFromY] = move_from_y(code);
        row[kColToX] = move_to_x(code);
        row[kColToY] = move_to_y(code);
        row[kColScore] = held[i].score;
        row[kListColumns - 1] = 0;
    }
    historyQuietCount[level] = n;
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
