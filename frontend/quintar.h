// Front end: program entry, FEN and move text, perft, the UCI session and
// its search thread, the request-file protocol and the result printer.
#pragma once

#include "core/quin_core.h"

#include <cstdint>

// Snapshot of everything a move changes except the counters.
struct State {
    double b[9][9];
    double wk, bk, wa, wh, ba, bh;
    double epx, epy;
    double half;
    double side;
};

extern const char *const start_fen;

int set_fen(const char *fen);
int piece_code(char c);
int apply_uci(const char *m);
// Plays a list of coordinate moves separated by runs of spaces (the text is
// restored afterwards); returns 0 at the first move that is not legal, which
// stays unplayed with the moves before it kept.
int apply_uci_list(char *moves);
State state_get();
void state_put(const State *s);
// The castling, en-passant, half-move and side globals of s, not the board.
void state_put_flags(const State *s);

uint64_t perft(int d);
// Whether perft counts its last ply with the processor's bit-count
// instruction when the processor has one (the count is the same either
// way; tests turn it off to check the portable count too).
extern bool perftHardwareBitCount;

// Start-up: engine defaults, clock origin, evaluation cache, start position.
void init_engine();

// The result printer shared by "go" and "--bench": one info and one
// bestmove line.
void emit_result();
// The info line alone, for a finished iteration of an infinite analysis
// (the signature of searchIterationDone).
void emit_iteration(double nodes, double milliseconds);
// The score text of the info line ("mate N" or "cp N") into buf (64 bytes).
void score_text(char *buf, size_t size);

// UCI session (reads standard input until "quit" or end of input).
int uci_session();
// Handles one command line of the session; returns 0 after "quit".
int uci_handle_line(char *line);
void join_search(int stop);
extern int thread_live;
extern int search_infinite;

// Request-file protocol.
int request_mode(const char *path);
void request_failure(const char *path, const char *token, const char *message);

// The status check and the command-line tools; each prints its answer and
// returns the exit status.  bench_mode searches to computerDepth (status 2
// without output when it lies outside 1 to 8).
int status_mode();
// The depth word of --perft and --bench as a decimal number.  Text that is
// no number reads as 0, as atoi reads it; a number too large for the
// integer type saturates, and so lies outside every depth range instead of
// wrapping into it.
long long depth_word(const char *text);
int perft_mode(int depth);
int eval_mode();
int bench_mode();
int usage_mode();

// Program dispatch after the platform's own start-up checks.
int quintar_main(int argc, char **argv);
