// Numbered, zero-filled byte blocks with bound-checked access.  Numbers are
// stored little-endian whatever the host's byte order, so the cache layouts
// are the same on every platform.
#include "runtime/quin_runtime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

unsigned char *memory[kMemoryBlocks];
uint64_t memory_size[kMemoryBlocks];
uint64_t memory_writes[kMemoryBlocks];

static int block_number(double id) {
    double t = std::trunc(id);
    if (!std::isfinite(t) || t < -2147483648.0 || t > 2147483647.0) return -1;
    return static_cast<int>(t);
}

// A negative offset becomes huge (and fails the bound check), as the
// conversion of a signed number to an unsigned one does.
static uint64_t as_unsigned(double n) {
    double t = std::trunc(n);
    if (!std::isfinite(t)) return UINT64_MAX;
    if (t < 0) {
        if (t < -9.2e18) return UINT64_MAX;
        return static_cast<uint64_t>(static_cast<int64_t>(t));
    }
    if (t >= 1.8e19) return UINT64_MAX;
    return static_cast<uint64_t>(t);
}

static int64_t as_int64(double n) {
    double t = std::trunc(n);
    if (!std::isfinite(t) || t < -9.2e18 || t > 9.2e18) return 0;
    return static_cast<int64_t>(t);
}

double AllocMem(double id, double bytes) {
    int b = block_number(id);
    if (b < 0 || b >= kMemoryBlocks) {
        std::fprintf(stderr, "memory bounds %d %llu %llu\n", b, 0ULL, 0ULL);
        std::exit(2);
    }
    FreeMem(id);
    memory_writes[b] += 1;
    uint64_t n = as_unsigned(bytes);
    void *p = std::calloc(n ? n : 1, 1);
    if (!p) std::exit(2);
    memory[b] = static_cast<unsigned char *>(p);
    memory_size[b] = n;
    return 0;
}

double FreeMem(double id) {
    int b = block_number(id);
    if (b < 0 || b >= kMemoryBlocks) return 0;
    memory_writes[b] += 1;
    std::free(memory[b]);
    memory[b] = nullptr;
    memory_size[b] = 0;
    return 0;
}

static unsigned char *checked(int b, uint64_t off, uint64_t len) {
    if (b < 0 || b >= kMemoryBlocks || !memory[b] || off > memory_size[b] ||
        len > memory_size[b] - off) {
        // "%lu" of a 64-bit unsigned number on every platform.
        std::fprintf(stderr, "memory bounds %d %llu %llu\n", b,
                     static_cast<unsigned long long>(off), static_cast<unsigned long long>(len));
        std::exit(2);
    }
    return memory[b] + off;
}

void checkmem(double id, double off, double len) {
    checked(block_number(id), as_unsigned(off), as_unsigned(len));
}

double peek_n(double id, double off, double type) {
    if (type == 1) return *checked(block_number(id), as_unsigned(off), 1);
    const unsigned char *p = checked(block_number(id), as_unsigned(off), 4);
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return static_cast<double>(v);
}

double poke_n(double id, double off, double value, double type) {
    uint64_t v = static_cast<uint64_t>(as_int64(value));
    const int b = block_number(id);
    if (b >= 0 && b < kMemoryBlocks) memory_writes[b] += 1;
    if (type == 1) {
        *checked(block_number(id), as_unsigned(off), 1) = static_cast<unsigned char>(v & 0xFF);
        return 0;
    }
    unsigned char *p = checked(block_number(id), as_unsigned(off), 4);
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    p[2] = static_cast<unsigned char>((v >> 16) & 0xFF);
    p[3] = static_cast<unsigned char>((v >> 24) & 0xFF);
    return 0;
}

HS peek_s(double id, double off, double len) {
    uint64_t n = as_unsigned(len);
    const unsigned char *p = checked(block_number(id), as_unsigned(off), n);
    if (n >= sizeof(HS::v)) std::exit(2);
    HS r;
    std::memset(r.v, 0, sizeof r.v);
    std::memcpy(r.v, p, n);
    return r;
}

double poke_s(double id, double off, const HS &value, double type) {
    size_t n = std::strlen(value.v);
    const int b = block_number(id);
    if (b >= 0 && b < kMemoryBlocks) memory_writes[b] += 1;
    unsigned char *p = checked(b, as_unsigned(off), n);
    std::memcpy(p, value.v, n);
    return 0;
}
