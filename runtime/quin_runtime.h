// Runtime layer under the engine core: fixed 512-byte strings, the numeric
// helpers that give every double its integer meaning, the numbered memory
// blocks the caches live in, the millisecond clock and the search's single
// time-and-cancel test.  Every failure here ends the process (status 2).
#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

// A fixed-capacity text value: at most 511 bytes of text, NUL-terminated,
// every byte behind the text zero when built by this layer.
struct HS {
    char v[512];
};

HS hs(const char *s);
HS cat(const HS &a, const HS &b);
HS StrStr(double n);
HS Chr(double n);

inline double Abs(double n) { return std::fabs(n); }
inline double Int(double n) { return std::trunc(n); }
inline double Mod(double a, double b) { return std::fmod(a, b); }

// Numbered memory blocks (0 to 906).  Block 905 holds the evaluation cache
// and the move hash, block 906 the pawn cache.
constexpr int kMemoryBlocks = 907;
extern unsigned char *memory[kMemoryBlocks];
extern uint64_t memory_size[kMemoryBlocks];
// Writes to each block through this layer (AllocMem, FreeMem, poke_n,
// poke_s), counted so that what the engine remembers of a block's contents
// can tell whether they were changed behind its back.
extern uint64_t memory_writes[kMemoryBlocks];

double AllocMem(double id, double bytes);
double FreeMem(double id);
void checkmem(double id, double off, double len);
double peek_n(double id, double off, double type);
double poke_n(double id, double off, double value, double type);
HS peek_s(double id, double off, double len);
double poke_s(double id, double off, const HS &value, double type);

// Unchecked fast paths for the caches, whose offsets lie inside their blocks
// by construction.  Same little-endian byte layout as peek_n/poke_n.
inline unsigned char *block_bytes(int id) { return memory[id]; }

// Clock: milliseconds of the monotonic clock, and milliseconds since start-up.
double monotonic_ms();
extern double timer_origin;
double GetTimer(double id = 0);
// The clock source behind monotonic_ms: the platform's clock, replaced by
// tests that need a clock they control.
extern double (*engine_clock_ms)();

// Cancel and stop state shared with the request protocol and the UCI session.
constexpr int kPathCapacity = 4097;
extern char request_cancel[kPathCapacity];
extern double cancel_last;
extern std::atomic<int> stop_requested;
// Number of times the cancel file has been looked for (for tests).
extern uint64_t cancel_polls;

// The search's stop test, asked at every node: 1 once the deadline has come,
// the UCI session has asked to stop or the request's cancel file exists.
// The usual answer, "not yet" from an earlier clock reading, is given here
// without a call; everything else is SearchTimeExpiredFull's.
double SearchTimeExpiredFull();

// What an earlier clock reading vouches for: the next `calls` questions
// about the moment `base` are answered "not yet" without a reading.  Slot 0
// is the next cancel-file look, slot 1 the search deadline.
struct ClockVouch {
    double base = -1;
    int calls = 0;
};
extern ClockVouch clock_vouch[2];
extern double searchTimedActive, searchDeadline, searchAborted;

inline double SearchTimeExpired() {
    // A deadline vouched for by an earlier reading, in a timed search that
    // nothing has stopped, outside request mode: "not yet".
    ClockVouch &deadline = clock_vouch[1];
    if (deadline.calls > 0 && deadline.base == searchDeadline && request_cancel[0] == 0 &&
        stop_requested.load() == 0 && searchTimedActive != 0 && searchAborted == 0) {
        --deadline.calls;
        return 0;
    }
    return SearchTimeExpiredFull();
}

// Whether the search must stop, asked `times` times in a row
// (SearchTimeExpired each time) with nothing done in between, stopping at the
// first 1: 1 when one of them said so.  While the earlier reading vouches for
// all of them, they are answered together.
inline double SearchTimeExpiredRepeated(int times) {
    ClockVouch &deadline = clock_vouch[1];
    if (deadline.calls >= times && deadline.base == searchDeadline && request_cancel[0] == 0 &&
        stop_requested.load() == 0 && searchTimedActive != 0 && searchAborted == 0) {
        deadline.calls -= times;
        return 0;
    }
    for (int i = 0; i < times; ++i)
        if (SearchTimeExpired() == 1) return 1;
    return 0;
}
