// Fixed-capacity strings: every HS built here holds at most 511 bytes of
// text with all bytes behind the text zero.
#include "runtime/quin_runtime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static void capacity_exceeded() {
    std::fputs("string capacity exceeded\n", stderr);
    std::exit(2);
}

HS hs(const char *s) {
    HS r;
    size_t n = std::strlen(s);
    if (n >= sizeof r.v) capacity_exceeded();
    std::memcpy(r.v, s, n);
    std::memset(r.v + n, 0, sizeof r.v - n);
    return r;
}

HS cat(const HS &a, const HS &b) {
    size_t na = std::strlen(a.v);
    size_t nb = std::strlen(b.v);
    if (na + nb >= sizeof(HS::v)) capacity_exceeded();
    HS r;
    std::memcpy(r.v, a.v, na);
    std::memcpy(r.v + na, b.v, nb);
    std::memset(r.v + na + nb, 0, sizeof r.v - na - nb);
    return r;
}

HS StrStr(double n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", n);
    return hs(buf);
}

HS Chr(double n) {
    HS r;
    std::memset(r.v, 0, sizeof r.v);
    double t = std::trunc(n);
    int32_t i = 0;
    if (std::isfinite(t) && t >= -2147483648.0 && t <= 2147483647.0) i = static_cast<int32_t>(t);
    r.v[0] = static_cast<char>(static_cast<uint32_t>(i) & 0xFF);
    return r;
}
