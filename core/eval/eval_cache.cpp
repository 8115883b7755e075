// Evaluation cache (block 905) and pawn-cache allocation (block 906).
//
// Every static evaluation of the engine goes through EvaluateBoard (or, in
// the quiet search, evaluate_prepared_view, which reads the same key from
// the node's board view), which looks the whole position up in a direct-mapped
// table of 128-byte slots keyed by a 73-character text key (the 64 squares plus side to move,
// castling flags and en-passant square).  The slot index comes from a hash
// over the squares only, so side-to-move and castling twins share a slot and
// displace one another; the full key comparison keeps every hit exact.
//
// The slot layout is in core/eval/cache_layout.h.
//
// Globals read: evalHashSlots, currentPlayer, board and the position state
// (for the key).  Written: evalHashKB, evalHashSlots, evalHashHits,
// evalHashMisses, pawnCacheReady, blocks 905 and 906, and (SetEvalHash)
// moveHashGeneration, moveHashHits, moveHashStores.
//
// The hot path reads and writes the block bytes directly with the same layout
// the checked peek/poke helpers use, builds the key byte by byte and never
// allocates or formats.
#include "core/board/board_view.h"
#include "core/eval/cache_key_simd.h"
#include "core/eval/board_scan.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"

#include <cassert>
#include <cstdint>
#include <cstring>

namespace {

// Same conversion as poke_n: truncate to a 64-bit integer, keep the low 32
// bits.
inline void write_score(unsigned char *p, double value) {
    write_le32(p, static_cast<uint32_t>(static_cast<int64_t>(value)));
}

// Cache probe and store through the bound-checked block helpers.  Used only
// when the board holds something other than piece codes or block 905 is not
// the size the slot count promises (globals changed behind the cache's
// back), so that a bad access ends the process with the memory-bounds
// message instead of touching foreign memory.
double evaluate_board_checked(const unsigned char *key, double offset) {
    HS key_s;
    std::memset(key_s.v, 0, sizeof key_s.v);
    std::memcpy(key_s.v, key, kKeyBytes);
    if (peek_n(kEvalBlock, offset + kStateOffset, 1) == kSlotScored &&
        std::memcmp(peek_s(kEvalBlock, offset + kKeyOffset, kKeyBytes).v, key, kKeyBytes) == 0) {
        evalHashHits += 1;
        return peek_n(kEvalBlock, offset + kScoreOffset, 4) - kScoreBias;
    }
    evalHashMisses += 1;
    const double value = EvaluateBoardUncached();
    if (peek_n(kEvalBlock, offset + kStateOffset, 1) == kSlotEmpty ||
        std::memcmp(peek_s(kEvalBlock, offset + kKeyOffset, kKeyBytes).v, key, kKeyBytes) != 0) {
        poke_n(kEvalBlock, offset + kMoveFlagOffset, 0, 1);
    }
    poke_n(kEvalBlock, offset + kStateOffset, kSlotEmpty, 1);
    poke_s(kEvalBlock, offset + kKeyOffset, key_s, 0);
    poke_n(kEvalBlock, offset + kScoreOffset, value + kScoreBias, 4);
    poke_n(kEvalBlock, offset + kStateOffset, kSlotScored, 1);
    return value;
}

// The cache's probe and store for the current position, whose key and
// square hash the caller has written; `sets` (or null) the position's piece
// sets when the caller has them; `knownIndex` the slot index hash % slots
// when the caller has worked it out for the cache's present size, else -1.
double evaluate_keyed(const unsigned char *key, int64_t hash, bool exact, bool smallCodes,
                      const PieceSets *sets, int64_t knownIndex = -1,
                      const KeySums *known = nullptr) {
    const int64_t slots = static_cast<int64_t>(evalHashSlots);
    if (!exact || static_cast<double>(slots) != evalHashSlots || slots <= 0) {
        return evaluate_board_checked(
            key, Mod(cache_square_hash_in_doubles(), evalHashSlots) * kSlotBytes);
    }
    const int64_t index = knownIndex >= 0 ? knownIndex : slot_index(hash, slots);
    const double offset = static_cast<double>(index * kSlotBytes);
    const uint64_t off = static_cast<uint64_t>(offset);
    if (memory[kEvalBlock] == nullptr || off + kSlotBytes > memory_size[kEvalBlock]) {
        return evaluate_board_checked(key, offset);
    }

    unsigned char *slot = memory[kEvalBlock] + off;
    // The evaluation below never touches block 905, so the slot's key is
    // compared once for the probe and the store.
    const bool sameKey =
        slot[kStateOffset] != kSlotEmpty && cache_key_simd::same_key(slot + kKeyOffset, key);
    if (slot[kStateOffset] == kSlotScored && sameKey) {
        evalHashHits += 1;
        return static_cast<double>(read_le32(slot + kScoreOffset)) - kScoreBias;
    }

    evalHashMisses += 1;
    // The caller's piece sets, or the key's squares: the evaluation reads
    // them from there.
    const double value = sets != nullptr ? evaluate_board_from_sets(*sets, known)
                         : smallCodes    ? evaluate_board_from_key(key)
                                         : EvaluateBoardUncached();

    assert(slot == memory[kEvalBlock] + off);
    // A slot that held another position (or nothing) loses its move entry; a
    // slot the move hash claimed for this very position keeps it.
    if (!sameKey) slot[kMoveFlagOffset] = 0;
    slot[kStateOffset] = kSlotEmpty;
    std::memcpy(slot + kKeyOffset, key, kKeyBytes);
    write_score(slot + kScoreOffset, value + kScoreBias);
    slot[kStateOffset] = kSlotScored;
    return value;
}

}  // namespace

double EvaluateBoard() {
    if (evalHashSlots == 0) return EvaluateBoardUncached();
    unsigned char key[kKeyBytes];
    bool exact, smallCodes;
    const int64_t hash = cache_position_key(key, currentPlayer, &exact, &smallCodes);
    return evaluate_keyed(key, hash, exact, smallCodes, nullptr);
}

namespace {

// The place of a position with the sums `sums`: the hash from the square
// sum, its slot index, and the slot's first cache line on its way.
inline EvalKeyPlace place_of(const KeySums &sums) {
    EvalKeyPlace place;
    place.sums = sums;
    place.hash = static_cast<int64_t>(mod_prime(sums.squares));
    const int64_t slots = static_cast<int64_t>(evalHashSlots);
    place.slots = slots;
    if (slots > 0 && static_cast<double>(slots) == evalHashSlots) {
        place.index = slot_index(place.hash, slots);
        if (memory[kEvalBlock] != nullptr)
            __builtin_prefetch(memory[kEvalBlock] + place.index * kSlotBytes);
    }
    return place;
}

}  // namespace

EvalKeyPlace prefetch_view_eval_after(const KeySums &before, const MoveEffects &e) {
    return place_of(key_sums_after(before, e));
}

KeySums key_sums_of_view(const BoardView &view) {
    KeySums sums;
    unsigned char key[kKeyBytes];
    sums.squares = cache_key_simd::read_cells(view.cell, key);
    eval_detail::pawn_sum_and_phase(view, sums);
    return sums;
}

void prepare_view_eval(const BoardView &view, ViewEvalKey &prepared) {
    KeySums sums;
    sums.squares = cache_key_of_cells(view.cell, prepared.key, currentPlayer);
    eval_detail::pawn_sum_and_phase(view, sums);
    static_cast<EvalKeyPlace &>(prepared) = place_of(sums);
}

void prepare_view_eval_known(const BoardView &view, const EvalKeyPlace &place,
                             ViewEvalKey &prepared) {
    cache_key_chars_of(view.cell, prepared.key, currentPlayer);
    static_cast<EvalKeyPlace &>(prepared) = place;
#ifndef NDEBUG
    const KeySums fresh = key_sums_of_view(view);
    assert(place.sums.squares == fresh.squares && place.sums.pawns == fresh.pawns &&
           place.sums.phase == fresh.phase);
#endif
}

double evaluate_prepared_view(const BoardView &view, const ViewEvalKey &prepared) {
    if (evalHashSlots == 0) return EvaluateBoardUncached();
    const unsigned char *key = prepared.key;
    const int64_t hash = prepared.hash;
#ifndef NDEBUG
    unsigned char boardKey[kKeyBytes];
    bool exact, smallCodes;
    assert(view.in_step());
    assert(cache_position_key(boardKey, currentPlayer, &exact, &smallCodes) == hash && exact &&
           smallCodes && std::memcmp(boardKey, key, kKeyBytes) == 0);
#endif
    // Codes 7 to 10 name no piece: such a board (written directly, never
    // played) is evaluated from the key as EvaluateBoard does.
    const bool pieceCodes =
        (view.byPiece[7] | view.byPiece[8] | view.byPiece[9] | view.byPiece[10]) == 0;
    // The prepared index holds while the cache keeps the size it was worked
    // out for.
    const bool sameSize = static_cast<double>(prepared.slots) == evalHashSlots;
    return evaluate_keyed(key, hash, true, true, pieceCodes ? &view : nullptr,
                          sameSize ? prepared.index : -1, pieceCodes ? &prepared.sums : nullptr);
}

double SetEvalHash(double kb) {
    if (kb != 0 && kb != 512 && kb != 1024) return 0;
    if (evalHashKB > 0) FreeMem(kEvalBlock);
    evalHashKB = 0;
    evalHashSlots = 0;
    evalHashHits = 0;
    evalHashMisses = 0;
    // The move hash lives in the same slots: its entries go with them.
    moveHashGeneration += 1;
    moveHashHits = 0;
    moveHashStores = 0;
    if (kb == 0) return 0;
    AllocMem(kEvalBlock, kb * 1024);
    evalHashKB = kb;
    evalHashSlots = kb * 1024 / kSlotBytes;
    return 0;
}

double InitPawnCache() {
    if (pawnCacheReady != 0) return 0;
    AllocMem(kPawnBlock, kPawnCacheBytes);
    pawnCacheReady = 1;
    return 0;
}
