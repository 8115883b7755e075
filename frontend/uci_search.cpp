// The "go" command of the UCI session and its search thread.  The command
// loop turns the limits of the line into the engine's search limits and
// starts the thread; the thread runs the search and prints the result lines
// itself when it ends (and, in an infinite analysis, an info line for every
// depth it finishes on the way).
#include "frontend/uci_search.h"

#include "frontend/quintar.h"
#include "platform/platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void go_limits(const char *line) {
    computerDepth = 8;
    computerThinkSeconds = 10;
    search_infinite = 0;
    if (const char *p = std::strstr(line, " depth ")) {
        int d = saturating_atoi(p + 7);
        if (d < 1) d = 1;
        if (d > 8) d = 8;
        computerDepth = d;
        computerThinkSeconds = 300;
    }
    const char *clock = currentPlayer == 1 ? " wtime " : currentPlayer == 2 ? " btime " : nullptr;
    if (const char *p = std::strstr(line, " movetime ")) {
        // fmax: a movetime that is not a number counts as the 1 ms minimum.
        computerThinkSeconds = std::fmax(std::atof(p + 10), 1.0) / 1000.0;
    } else if (const char *q = clock ? std::strstr(line, clock) : nullptr) {
        // A thirtieth of the clock, but never the whole clock minus 50 ms
        // of safety; at least 1 ms.  fmin/fmax skip a not-a-number side.
        double t = std::atof(q + 7);
        double budget = std::fmax(std::fmin(t / 30.0, t - 50.0), 1.0);
        computerThinkSeconds = budget / 1000.0;
    }
    if (std::strstr(line, " infinite")) {
        computerThinkSeconds = 86400;
        search_infinite = 1;
    }
}

void search_thread() {
    // An analysis without limit shows every depth as it finishes; searches
    // with a limit print their result alone.
    searchIterationDone = search_infinite == 1 ? emit_iteration : nullptr;
    CalculateBestMove();
    searchIterationDone = nullptr;
    // An infinite search that finishes early holds its result until "stop".
    if (search_infinite == 1) {
        while (stop_requested.load() == 0) platform_sleep_ms(10);
    }
    emit_result();
}

void start_search() {
    stop_requested.exchange(0);
    computerPlayer = currentPlayer;
    if (platform_thread_start(search_thread))
        thread_live = 1;
    else
        std::puts("info string thread creation failed");
}

void uci_go(const char *line) {
    join_search(1);
    go_limits(line);
    start_search();
}
