// The repetition test of search nodes and the position keys on the search
// path (core/tree/repetition.h for the nodes the search reaches itself).
//
// Globals: writes `searchPositionKey_s[level]`; reads `positionHistory_s`,
// `positionCount`, `halfmoveClock`; DiscourageWinningRepeat reads
// `searchWinningAdvantage` and `computerPlayer`.
#include "core/tree/repetition.h"

#include "core/quin_core.h"
#include "core/types.h"

#include <cstdint>
#include <cstring>

HS SearchKeyForPlayer_s(double player) {
    HS key;
    const char *end = WritePositionKey(key.v, player);
    std::memset(key.v + (end - key.v), 0, sizeof key.v - static_cast<size_t>(end - key.v));
    return key;
}

namespace {

// A key text of known length compared with others: two texts are the same
// key when their bytes up to and including the key's NUL agree.  Two words
// of it, one from its middle and one near its end (the end of the last rank,
// the side to move and the king flags, which the keys of one search rarely
// differ in beyond the side), are looked at first: keys of different
// positions nearly always differ in one of them.
class KeyMatch {
public:
    KeyMatch(const char *key, size_t length) : key_(key), length_(length) {
        if (length_ >= 16) {
            endAt_ = length_ - 16;
            middleAt_ = length_ / 2;
            std::memcpy(&end_, key + endAt_, sizeof end_);
            std::memcpy(&middle_, key + middleAt_, sizeof middle_);
        }
    }

    bool same(const char *other) const {
        if (length_ >= 16) {
            uint64_t word;
            std::memcpy(&word, other + endAt_, sizeof word);
            if (word != end_) return false;
            std::memcpy(&word, other + middleAt_, sizeof word);
            if (word != middle_) return false;
        }
        return std::memcmp(other, key_, length_) == 0;
    }

private:
    const char *key_;
    size_t length_;  // with the NUL
    size_t endAt_ = 0, middleAt_ = 0;
    uint64_t end_ = 0, middle_ = 0;
};

// The node's key written to its slot at `level`, and the number of times
// it stands in the game history (with `history`) and in the slots from
// `firstLevel` to `level - 1`, every `step`-th.
double count_occurrences(int player, int level, bool history, int firstLevel, int step) {
    HS &key = searchPositionKey_s[level];
    const char *end = WritePositionKey(key.v, player);
    const KeyMatch match(key.v, static_cast<size_t>(end - key.v) + 1);
    double count = 0;
    if (history) {
        const int n = static_cast<int>(positionCount);
        for (int i = 0; i < n; ++i)
            if (match.same(positionHistory_s[i].v)) count += 1;
    }
    for (int i = firstLevel; i <= level - 1; i += step)
        if (match.same(searchPositionKey_s[i].v)) count += 1;
    return count;
}

}  // namespace

double SearchPositionOccurrences(double player, double level) {
    return count_occurrences(static_cast<int>(player), static_cast<int>(level), true, 1, 1);
}

double ChildPositionOccurrences(int player, int level, bool &keyWritten) {
    // Levels since the last capture or pawn move; with none on the path,
    // every level and the game history.
    const double clock = halfmoveClock;
    if (clock < level) {
        const int since = static_cast<int>(clock);
        // A position comes back four plies later at the earliest (a piece of
        // each side goes and returns); before that there is nothing to
        // compare.
        if (since < 4) {
            keyWritten = false;
            return 0;
        }
        // A position recurs only with the same side to move, which stands
        // every second level.
        keyWritten = true;
        return count_occurrences(player, level, false, level - since + (since & 1), 2);
    }
    keyWritten = true;
    return count_occurrences(player, level, true, 1, 1);
}

bool ChildIsRepetition(int player, int level, bool &keyWritten) {
    if (ChildPositionOccurrences(player, level, keyWritten) < 2) return false;
    return HasLegalMove(player) != 0;
}

void WriteSearchKey(int player, int level) {
    WritePositionKey(searchPositionKey_s[level].v, player);
}

double IsSearchRepetition(double player, double level) {
    if (SearchPositionOccurrences(player, level) < 2) return 0;
    return HasLegalMove(player) != 0 ? 1 : 0;
}

double DiscourageWinningRepeat(double score, double occurrences) {
    if (Abs(score) >= kDecisiveScore || occurrences <= 0) return score;
    if (searchWinningAdvantage < 200) return score;
    if (computerPlayer == kWhite) return score >= 200 ? score - 60 : score;
    return score <= -200 ? score + 60 : score;
}
