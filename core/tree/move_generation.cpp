// Move generation for the nodes of the tree search.
//
// Every node fills two per-level lists once on entry: the capture list,
// ordered by victim and attacker value (most valuable victim first, cheapest
// attacker first), to which the quiet moves that give check are appended, and
// the quiet list, ordered by history score.  Candidates come from a scan of
// the mover's pieces with a small window of target squares per piece type;
// only moves that IsMoveValid accepts enter the lists.
#include "core/quin_core.h"

namespace {

constexpr int kEntriesPerLevel = 256;
constexpr int kListLevels = 8;  // levels 0 to 7 own complete rows

inline int ColourOf(double piece) {
    if (piece == 0) return 0;
    return piece >= 11 ? 2 : 1;
}

inline int TypeOf(double piece) {
    int code = static_cast<int>(piece);
    return code > 10 ? code - 10 : code;
}

inline int ValueOfType(int type) {
    switch (type) {
        case 1: return 100;
        case 2: return 500;
        case 3: return 320;
        case 4: return 330;
        case 5: return 900;
        case 6: return 1000;
        default: return 0;
    }
}

// True when the move by the piece on (fx, fy) takes something: an enemy
// piece on the target, or a pawn moving diagonally onto the en-passant square.
inline bool IsCaptureCandidate(int player, double mover, int fx, int tx, int ty) {
    double target = board[tx][ty];
    if (target != 0) return ColourOf(target) != player;
    if (mover != 1 && mover != 11) return false;
    return tx == enPassantX && ty == enPassantY && (tx - fx == 1 || fx - tx == 1);
}

// Visits one row of the window: columns first..last in steps of step, pulled
// onto the board by whole steps.  Returns false when the clock ran out.
template <class Visit>
inline bool VisitColumns(int fx, int fy, int ty, int first, int last, int step, Visit &visit) {
    while (first < 0) first += step;
    while (last > 7) last -= step;
    for (int tx = first; tx <= last; tx += step) {
        if (SearchTimeExpired() != 0) return false;
        visit(fx, fy, tx, ty);
    }
    return true;
}

// Scans the board a8..h1 for the pieces of `player` and hands every square of
// each piece's target window to visit(fx, fy, tx, ty), rows ascending and
// columns ascending.  The window may hold squares the piece cannot reach;
// the visitor's legality test throws those out.  Returns false on time-out.
template <class Visit>
bool ScanCandidates(int player, Visit &visit) {
    for (int fy = 0; fy < 8; ++fy) {
        for (int fx = 0; fx < 8; ++fx) {
            double piece = board[fx][fy];
            if (ColourOf(piece) != player) continue;
            switch (TypeOf(piece)) {
                case 1:
                    if (piece == 1) {
                        if (fy == 6 && !VisitColumns(fx, fy, 4, fx, fx, 1, visit)) return false;
                        if (fy >= 1 && !VisitColumns(fx, fy, fy - 1, fx - 1, fx + 1, 1, visit))
                            return false;
                    } else {
                        if (fy <= 6 && !VisitColumns(fx, fy, fy + 1, fx - 1, fx + 1, 1, visit))
                            return false;
                        if (fy == 1 && !VisitColumns(fx, fy, 3, fx, fx, 1, visit)) return false;
                    }
                    break;
                case 3:
                    for (int ty = fy - 2; ty <= fy + 2; ++ty) {
                        if (ty < 0 || ty > 7 || ty == fy) continue;
                        int j = (ty - fy == 1 || fy - ty == 1) ? 2 : 1;
                        if (!VisitColumns(fx, fy, ty, fx - j, fx + j, 2 * j, visit)) return false;
                    }
                    break;
                case 4:
                    for (int ty = 0; ty < 8; ++ty) {
                        if (ty == fy) continue;
                        int d = ty > fy ? ty - fy : fy - ty;
                        if (!VisitColumns(fx, fy, ty, fx - d, fx + d, 2 * d, visit)) return false;
                    }
                    break;
                case 2:
                    for (int ty = 0; ty < 8; ++ty) {
                        bool ok = ty == fy ? VisitColumns(fx, fy, ty, 0, 7, 1, visit)
                                           : VisitColumns(fx, fy, ty, fx, fx, 1, visit);
                        if (!ok) return false;
                    }
                    break;
                case 5:
                    for (int ty = 0; ty < 8; ++ty) {
                        bool ok;
                        if (ty == fy) {
                            ok = VisitColumns(fx, fy, ty, 0, 7, 1, visit);
                        } else {
                            int d = ty > fy ? ty - fy : fy - ty;
                            ok = VisitColumns(fx, fy, ty, fx - d, fx + d, d, visit);
                        }
                        if (!ok) return false;
                    }
                    break;
                case 6:
                    for (int ty = fy - 1; ty <= fy + 1; ++ty) {
                        if (ty < 0 || ty > 7) continue;
                        bool ok = ty == fy ? VisitColumns(fx, fy, ty, fx - 2, fx + 2, 1, visit)
                                           : VisitColumns(fx, fy, ty, fx - 1, fx + 1, 1, visit);
                        if (!ok) return false;
                    }
                    break;
                default: break;
            }
        }
    }
    return true;
}

// Stable insertion into a list kept in descending score: entries with a
// lower score move one row down, the new entry goes behind the last entry
// scoring at least as much.
void InsertDescending(double (*list)[6], double *count, int level, int fx, int fy, int tx, int ty,
                      double score) {
    int n = static_cast<int>(*count);
    if (n >= kEntriesPerLevel) return;  // cannot happen for a real position
    int base = level * kEntriesPerLevel;
    int i = n;
    while (i > 0 && list[base + i - 1][4] < score) {
        double *dst = list[base + i];
        const double *src = list[base + i - 1];
        for (int c = 0; c < 6; ++c) dst[c] = src[c];
        --i;
    }
    double *row = list[base + i];
    row[0] = fx;
    row[1] = fy;
    row[2] = tx;
    row[3] = ty;
    row[4] = score;
    row[5] = 0;
    *count = n + 1;
}

inline bool ListLevelOk(double level) { return level >= 0 && level < kListLevels; }

}  // namespace

double CapturePieceValue(double piece) { return ValueOfType(TypeOf(piece)); }

double CollectInnerCaptures(double player, double level) {
    if (!ListLevelOk(level)) return 0;
    const int lv = static_cast<int>(level);
    const int side = static_cast<int>(player);
    innerCaptureCount[lv] = 0;
    auto visit = [lv, side](int fx, int fy, int tx, int ty) {
        double mover = board[fx][fy];
        if (!IsCaptureCandidate(side, mover, fx, tx, ty)) return;
        if (IsMoveValid(fx, fy, tx, ty) == 0) return;
        double victim = board[tx][ty];
        if (victim == 0) victim = 1;  // en passant takes a pawn
        double score = 100.0 * ValueOfType(TypeOf(victim)) - ValueOfType(TypeOf(mover));
        InsertDescending(innerCaptures, &innerCaptureCount[lv], lv, fx, fy, tx, ty, score);
    };
    ScanCandidates(side, visit);
    return 0;
}

double CollectHistoryQuietMoves(double player, double level) {
    if (!ListLevelOk(level)) return 0;
    const int lv = static_cast<int>(level);
    const int side = static_cast<int>(player);
    historyQuietCount[lv] = 0;
    const double *history = searchHistoryScore[side & 3];
    auto visit = [lv, side, history](int fx, int fy, int tx, int ty) {
        double mover = board[fx][fy];
        if (IsCaptureCandidate(side, mover, fx, tx, ty)) return;
        // An own piece on the target can never be a legal destination.
        if (board[tx][ty] != 0) return;
        if (IsMoveValid(fx, fy, tx, ty) == 0) return;
        if (SearchMoveGivesCheck(side, lv, fx, fy, tx, ty) != 0) {
            int n = static_cast<int>(innerCaptureCount[lv]);
            if (n >= kEntriesPerLevel) return;
            double *row = innerCaptures[lv * kEntriesPerLevel + n];
            row[0] = fx;
            row[1] = fy;
            row[2] = tx;
            row[3] = ty;
            row[4] = -1000000;
            row[5] = 0;
            innerCaptureCount[lv] = n + 1;
            return;
        }
        double score = history[(fy * 8 + fx) * 64 + ty * 8 + tx];
        InsertDescending(historyQuietMoves, &historyQuietCount[lv], lv, fx, fy, tx, ty, score);
    };
    ScanCandidates(side, visit);
    return 0;
}

double IsInnerOrderedMove(double level, double fx, double fy, double tx, double ty) {
    if (!ListLevelOk(level)) return 0;
    const int lv = static_cast<int>(level);
    const int n = static_cast<int>(innerCaptureCount[lv]);
    const double(*rows)[6] = innerCaptures + lv * kEntriesPerLevel;
    for (int i = 0; i < n; ++i) {
        if (rows[i][0] == fx && rows[i][1] == fy && rows[i][2] == tx && rows[i][3] == ty) return 1;
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
