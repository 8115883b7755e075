// Learning preferences: the host's table of preferred moves, used only to
// break exact score ties between root moves in the opening and, when the
// host's end-game file is usable, in positions with 3 to 8 pieces.
//
// Globals read: board, pref_count, pref_move, pref_value, pref_bonus.
// Written: none.
#include "core/quin_core.h"

#include <cstring>

namespace {

// Appends n as "%.15g" would print it.  The coordinates and the promotion
// code are small whole numbers, written digit by digit; anything else goes
// through the general formatter.
void append_number(HS &out, size_t &len, double n) {
    if (n >= 0 && n <= 9 && n == Int(n)) {
        out.v[len++] = static_cast<char>('0' + static_cast<int>(n));
        out.v[len] = 0;
        return;
    }
    const HS text = StrStr(n);
    const size_t add = std::strlen(text.v);
    if (len + add >= sizeof out.v) {
        out = cat(out, text);  // ends the process with the capacity message
        return;
    }
    std::memcpy(out.v + len, text.v, add + 1);
    len += add;
}

// Index of the first table entry whose move text equals `move`, or -1.
int find_preference(const HS &move) {
    const size_t len = std::strlen(move.v);
    if (len >= sizeof pref_move[0]) return -1;  // no entry holds a text this long
    int count = pref_count;
    if (count > kPrefEntries) count = kPrefEntries;
    for (int i = 0; i < count; ++i) {
        if (std::memcmp(pref_move[i], move.v, len + 1) == 0) return i;
    }
    return -1;
}

}  // namespace

double EndLearningPosition() {
    double count = 0;
    for (int x = 0; x <= 7; ++x) {
        for (int y = 0; y <= 7; ++y) {
            if (board[x][y] != 0) count += 1;
        }
    }
    return (count >= 3 && count <= 8) ? 1 : 0;
}

HS EndSearchMove_s(double piece, double fx, double fy, double tx, double ty) {
    double promotion = 0;
    if (type_of(piece) == kPawn && (ty == 0 || ty == 7)) promotion = kQueen;
    return EndLearningMove_s(fx, fy, tx, ty, promotion);
}

HS EndLearningMove_s(double fx, double fy, double tx, double ty, double promotion) {
    HS out;
    out.v[0] = 0;
    size_t len = 0;
    append_number(out, len, fx);
    append_number(out, len, fy);
    append_number(out, len, tx);
    append_number(out, len, ty);
    append_number(out, len, promotion);
    std::memset(out.v + len, 0, sizeof out.v - len);
    return out;
}

double LearningPreference(const HS &key, const HS &move, double *bonus) {
    const int i = find_preference(move);
    if (bonus != nullptr) *bonus = i >= 0 ? pref_bonus[i] : 0;
    return i >= 0 ? pref_value[i] : 0;
}

double EndLearningPreference(const HS &key, const HS &move) {
    const int i = find_preference(move);
    return i >= 0 ? pref_value[i] : 0;
}

double LearningTieReason(double preference, double bestPreference, double bonus, double bestBonus) {
    return (preference - bonus > bestPreference - bestBonus) ? 2 : 1;
}
