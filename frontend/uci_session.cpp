// The UCI session: the command loop on standard input and the commands that
// change engine state.  The search itself runs on a thread of its own
// (uci_search.cpp); every command here that touches engine state first
// stops and joins that thread, so engine code never runs on two threads at
// once and no locks are needed.
#include "frontend/quintar.h"
#include "frontend/uci_search.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

int thread_live = 0;
int search_infinite = 0;

namespace {

// One input line; a longer line is handled in pieces (see uci_session).
constexpr size_t kLineBuffer = 16384;

const char kUciReply[] =
    "id name Quintar Engine 1.0 Beta 1 - ZevivEzezoz Test\n"
    "id author Quintar project\n"
    "option name Hash type spin default 1 min 0 max 1\n"
    "uciok";

const char kSetHashPrefix[] = "setoption name Hash value";
const char kPositionPrefix[] = "position ";
const char kMovesMarker[] = " moves ";
const char kEmptyMovesMarker[] = " moves";

bool begins(const char *text, const char *prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool ends_with(const char *text, const char *suffix) {
    const size_t n = std::strlen(text), k = std::strlen(suffix);
    return n >= k && std::strcmp(text + n - k, suffix) == 0;
}

void new_game() {
    join_search(1);
    // A fresh, empty evaluation cache of the current size.
    SetEvalHash(evalHashKB);
    ClearPositionHistory();
    set_fen(start_fen);
}

// "setoption name Hash value N": the option is a switch; 0 turns the
// evaluation cache off, any other number gives the standard 1024 KB.
void set_hash_option(const char *value) {
    join_search(1);
    SetEvalHash(saturating_atoi(value) != 0 ? 1024 : 0);
}

// "position startpos|fen FEN [moves M1 M2 ...]"; the move list may be empty
// ("position startpos moves").  A rejected FEN keeps the old position; a
// rejected move keeps the moves applied before it.
void set_position(char *line) {
    join_search(1);
    char *moves = nullptr;
    if (char *cut = std::strstr(line, kMovesMarker)) {
        *cut = 0;
        moves = cut + std::strlen(kMovesMarker);
    } else if (ends_with(line, kEmptyMovesMarker)) {
        // "moves" with nothing after it, as interfaces send for a game
        // without moves: the position itself.
        line[std::strlen(line) - std::strlen(kEmptyMovesMarker)] = 0;
    }
    // The marker may have cut into "position " itself ("position moves ...").
    size_t prefix = std::strlen(kPositionPrefix);
    const char *rest = std::strlen(line) >= prefix ? line + prefix : "";
    const char *fen;
    if (std::strcmp(rest, "startpos") == 0)
        fen = start_fen;
    else if (begins(rest, "fen "))
        fen = rest + 4;
    else {
        std::puts("info string invalid position");
        return;
    }
    if (!set_fen(fen)) {
        std::puts("info string invalid position");
        return;
    }
    if (moves && !apply_uci_list(moves)) std::puts("info string invalid move in position");
}

}  // namespace

void join_search(int stop) {
    if (thread_live != 1) return;
    stop_requested.exchange(stop);
    platform_thread_join();
    thread_live = 0;
}

int uci_handle_line(char *line) {
    line[std::strcspn(line, "\r\n")] = 0;
    if (std::strcmp(line, "uci") == 0) {
        std::puts(kUciReply);
    } else if (std::strcmp(line, "isready") == 0) {
        // Answered at once; a running search goes on.
        std::puts("readyok");
    } else if (std::strcmp(line, "stop") == 0) {
        join_search(1);
    } else if (std::strcmp(line, "quit") == 0) {
        join_search(1);
        std::fflush(stdout);
        return 0;
    } else if (std::strcmp(line, "ucinewgame") == 0) {
        new_game();
    } else if (begins(line, kSetHashPrefix)) {
        set_hash_option(line + std::strlen(kSetHashPrefix));
    } else if (begins(line, kPositionPrefix)) {
        set_position(line);
    } else if (begins(line, "go")) {
        uci_go(line);
    }
    std::fflush(stdout);
    return 1;
}

int uci_session() {
    static char line[kLineBuffer];
    // Up to kLineBuffer - 1 bytes of a line at a time: a longer line comes
    // in pieces, each handled as a line of its own, as a GUI's line-buffered
    // reader on the other side of the pipe would see it.
    while (platform_read_line(line, sizeof line)) {
        if (!uci_handle_line(line)) return 0;
    }
    // End of input: the interface has gone; stop the search and leave.
    join_search(1);
    std::fflush(stdout);
    return 0;
}
