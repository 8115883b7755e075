// Move hash: the best move found at a position, kept in the upper bytes of
// the position's evaluation-cache slot (block 905) under the same 73-byte
// key, so that a later visit can search that move first.  The side byte of
// the key is the side to move at the node, not the global side to move.
//
// Globals read: moveHashEnabled, moveHashGeneration, evalHashSlots,
// searchAborted, board, the preferred line (preferredPV*) and the current
// principal variation (currentPV*).  Written: moveHashKey_s, moveHashOffset,
// moveHashNodeGeneration, moveHashOrder, moveHashHits, moveHashStores and
// block 905.
#include "core/board/board_view.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"
#include "core/tree/node_chain.h"

#include <cassert>
#include <cstdint>
#include <cstring>

namespace {

// Levels 0 (the root) to 8 keep a probe each.
constexpr int kMoveHashLevels = 9;

// The cache block, or null when it is missing or smaller than its slots.
unsigned char *CacheBlock() {
    if (evalHashSlots <= 0) return nullptr;
    unsigned char *block = block_bytes(kEvalBlock);
    if (block == nullptr) return nullptr;
    if (memory_size[kEvalBlock] < static_cast<uint64_t>(evalHashSlots) * kSlotBytes) return nullptr;
    return block;
}

// The move stored for the position and usable here (ProbeMoveHash's answer),
// with the position's key read from `view` when there is one (in step with
// the board) and the stored move's legality decided by legal(fx, fy, tx, ty).
template <class Legal>
double probe_move_hash(double level, double player, const BoardView *view, Legal &&legal) {
    const int lv = to_index(level, kMoveHashLevels);
    moveHashOffset[lv] = -1;
    moveHashNodeGeneration[lv] = moveHashGeneration;
    moveHashOrder[lv] = -1;
    if (moveHashEnabled == 0 || evalHashSlots == 0) return -1;
    unsigned char *block = CacheBlock();
    if (block == nullptr) return -1;

    char *key = moveHashKey_s[lv].v;
    unsigned char *keyBytes = reinterpret_cast<unsigned char *>(key);
    bool exact = true;
    const int64_t hash =
        view != nullptr
            ? static_cast<int64_t>(mod_prime(cache_key_of_cells(view->cell, keyBytes, player)))
            : cache_position_key(keyBytes, player, &exact);
#ifndef NDEBUG
    if (view != nullptr) {
        unsigned char boardKey[kKeyBytes];
        bool boardExact;
        assert(cache_position_key(boardKey, player, &boardExact) == hash && boardExact &&
               std::memcmp(boardKey, keyBytes, kKeyBytes) == 0);
    }
#endif
    key[kKeyBytes] = 0;
    // The slot: the hash modulo the slot count, in integers when both are
    // whole (fmod gives the same remainder, far more slowly).
    const int64_t slots = static_cast<int64_t>(evalHashSlots);
    const bool wholeSlots = slots > 0 && static_cast<double>(slots) == evalHashSlots;
    const int64_t offset =
        (exact && wholeSlots ? slot_index(hash, slots)
                             : static_cast<int64_t>(Mod(exact ? static_cast<double>(hash)
                                                              : cache_square_hash_in_doubles(),
                                                        evalHashSlots))) *
        kSlotBytes;
    moveHashOffset[lv] = static_cast<double>(offset);

    const unsigned char *slot = block + offset;
    if (slot[kStateOffset] == kSlotEmpty) return -1;
    if (std::memcmp(slot + kKeyOffset, key, kKeyBytes) != 0) return -1;
    if (slot[kMoveFlagOffset] != 1) return -1;
    const int64_t code = static_cast<int64_t>(read_le32(slot + kMoveCodeOffset)) - 1;
    if (code < 0 || code >= kMoveCodes) return -1;

    const int c = static_cast<int>(code);
    const int fx = move_from_x(c), fy = move_from_y(c), tx = move_to_x(c), ty = move_to_y(c);
    if (colour_of(board[fx][fy]) != player) return -1;
    if (!legal(fx, fy, tx, ty)) return -1;
    moveHashHits += 1;
    return static_cast<double>(code);
}

// The level's first move from the move hash's answer `code`, the preferred
// line's move ahead of it, as PrepareMoveHashOrder orders them.
double order_from_probe(double level, double player, double code) {
    if (PreferredPVAvailable(level, player) != 0) {
        const int ply = to_index(level, kMoveHashLevels);
        code = move_code(preferredPVFromX[ply], preferredPVFromY[ply], preferredPVToX[ply],
                         preferredPVToY[ply]);
    }
    moveHashOrder[to_index(level, kMoveHashLevels)] = code;
    return code >= 0 ? 1 : 0;
}

}  // namespace

double ProbeMoveHash(double level, double player) {
    return probe_move_hash(level, player, nullptr, [](int fx, int fy, int tx, int ty) {
        return IsMoveValid(fx, fy, tx, ty) != 0;
    });
}

double PrepareMoveHashOrder(double level, double player) {
    return order_from_probe(level, player, ProbeMoveHash(level, player));
}

double PrepareNodeMoveOrder(int level, int player, const BoardView &view) {
    const double code =
        probe_move_hash(level, player, &view, [level](int fx, int fy, int tx, int ty) {
            return IsNodeMoveLegal(level, square_of(fx, fy), square_of(tx, ty));
        });
    return order_from_probe(level, player, code);
}

double IsMoveHashOrder(double level, double fx, double fy, double tx, double ty) {
    return move_code(fx, fy, tx, ty) == moveHashOrder[to_index(level, kMoveHashLevels)] ? 1 : 0;
}

double StoreMoveHash(double level) {
    const int lv = to_index(level, kMoveHashLevels);
    if (moveHashEnabled == 0 || evalHashSlots == 0 || searchAborted != 0) return 0;
    if (moveHashNodeGeneration[lv] != moveHashGeneration) return 0;
    const double offset = moveHashOffset[lv];
    if (offset < 0 || offset >= evalHashSlots * kSlotBytes) return 0;
    if (currentPVValid[lv][lv] == 0) return 0;
    unsigned char *block = CacheBlock();
    if (block == nullptr) return 0;

    const double code = move_code(currentPVFromX[lv][lv], currentPVFromY[lv][lv],
                                  currentPVToX[lv][lv], currentPVToY[lv][lv]);
    unsigned char *slot = block + static_cast<int64_t>(offset);
    const char *key = moveHashKey_s[lv].v;
    if (slot[kStateOffset] == kSlotEmpty) {
        std::memcpy(slot + kKeyOffset, key, kKeyBytes);
        slot[kStateOffset] = kSlotMoveOnly;
    } else if (std::memcmp(slot + kKeyOffset, key, kKeyBytes) != 0) {
        slot[kStateOffset] = kSlotEmpty;
        std::memcpy(slot + kKeyOffset, key, kKeyBytes);
        slot[kStateOffset] = kSlotMoveOnly;
    }
    slot[kMoveFlagOffset] = 0;
    write_le32(slot + kMoveCodeOffset, static_cast<uint32_t>(static_cast<int64_t>(code) + 1));
    slot[kMoveFlagOffset] = 1;
    moveHashStores += 1;
    return 0;
}
