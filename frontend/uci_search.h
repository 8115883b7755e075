// The UCI session's "go" command and its search thread (uci_search.cpp),
// and the number reader both halves of the session use.
#pragma once

#include <climits>
#include <cstdlib>

// atoi without its undefined behaviour on overflow: out-of-range numbers
// saturate.
inline int saturating_atoi(const char *s) {
    long v = std::strtol(s, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// Sets computerDepth, computerThinkSeconds and search_infinite from a go line.
void go_limits(const char *line);
// Starts the search thread for the current position and limits.
void start_search();
// The search thread: searches (an infinite one printing an info line for
// each finished depth), holds an infinite search's answer until "stop",
// then prints the result lines.
void search_thread();
// "go": stops a running search, reads the limits and starts the thread.
void uci_go(const char *line);
