// The pawn cache's probe (core/eval/pawn_terms.h).
//
// Globals read: memory/memory_size of block 906.  Written: pawnCacheHits,
// pawnCacheMisses, the pawn cache (block 906).
#include "core/eval/pawn_terms.h"

#include "core/quin_core.h"

#include <cassert>
#include <cstring>

namespace eval_detail {

namespace {

// Pawn cache block, or null after ending the process with the memory-bounds
// message when the block is missing or short (the globals were changed behind
// the cache's back).
unsigned char *pawn_block(double pawnOffset) {
    if (memory[kPawnBlock] == nullptr ||
        memory_size[kPawnBlock] < static_cast<uint64_t>(kPawnCacheBytes)) {
        checkmem(kPawnBlock, pawnOffset, 1);
        checkmem(kPawnBlock, pawnOffset, kPawnSlotBytes);
    }
    return memory[kPawnBlock];
}

}  // namespace

void probe_pawn_cache(PawnCacheProbe &pawns, const PieceSets &sets) {
    const int64_t pawnHash = static_cast<int64_t>(mod_prime(pawns.hashSum));
    const double pawnOffset = static_cast<double>((pawnHash % kPawnSlots) * kPawnSlotBytes);
    unsigned char *slot = pawn_block(pawnOffset) + static_cast<int64_t>(pawnOffset);
    pawns.slot = slot;
    pawns.slotIndex = static_cast<int>(pawnHash % kPawnSlots);
    if (pawnMemo[pawns.slotIndex].holds(sets.of(kWhite, kPawn), sets.of(kBlack, kPawn)) &&
        slot[kPawnStateOffset] == 1) {
#ifndef NDEBUG
        write_pawn_key(pawns, sets);
        assert(std::memcmp(slot + kPawnKeyOffset, pawns.key, kPawnKeyBytes) == 0);
#endif
        pawns.hit = true;
        pawns.memoHit = true;
        pawnCacheHits += 1;
        return;
    }
    write_pawn_key(pawns, sets);
    if (slot[kPawnStateOffset] == 1 &&
        std::memcmp(slot + kPawnKeyOffset, pawns.key, kPawnKeyBytes) == 0) {
        pawns.hit = true;
        pawnCacheHits += 1;
    } else {
        pawnCacheMisses += 1;
        pawnMemo[pawns.slotIndex].valid = false;
        slot[kPawnStateOffset] = 0;
        std::memcpy(slot + kPawnKeyOffset, pawns.key, kPawnKeyBytes);
    }
}

PawnMemo pawnMemo[kPawnSlots];

}  // namespace eval_detail
