// Registration of the timer device's clean-up at program exit.  On AmigaOS
// it is the C library's atexit; the Linux stand-in routes it through its own
// journal so that tests can refuse it.
#pragma once

#ifdef QUIN_AMIGA_STANDIN
// 0 on success, as atexit.
int amiga_atexit(void (*fn)());
#else
#include <cstdlib>
inline int amiga_atexit(void (*fn)()) { return std::atexit(fn); }
#endif
