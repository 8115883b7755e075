// What each platform binding supplies to the front end: the monotonic
// clock, the search thread, a short sleep, the UCI session's input lines,
// line output, the start-up notice and the creation of the files the engine
// writes.
#pragma once

#include <cstddef>
#include <cstdio>

// Milliseconds of a monotonic clock, fractions kept; only differences count.
double platform_clock_ms();

// Starts fn on a new thread; returns 1 on success.
int platform_thread_start(void (*fn)());
// Waits for the thread started last, without time limit.
void platform_thread_join();
void platform_sleep_ms(int ms);

// Reads the UCI session's next input line into buf as fgets reads it: at
// most cap - 1 bytes, ending in its "\n" when the whole line fitted (a
// longer line comes in pieces, one per call).  Returns 0 at the end of input
// with nothing read, else 1.  Console programs read standard input; the page
// build reads the lines the page sends.
int platform_read_line(char *buf, size_t cap);

// Sets standard output so that every line the engine writes reaches a GUI
// or host at once.  Returns 0 on success, as setvbuf does.
int platform_line_output();

// Start-up notice for a program started by hand with nowhere to write to.
// Returns -1 to go on with the normal start-up, or the exit status to end
// with (after the platform has shown its notice).
int platform_startup_notice(int argc);

// Creates the file `name` as a new file and opens it for binary writing.
// Whatever stands at the name is removed first (a stale file, or a link
// itself and never what it points to; a folder stays), then the file is
// created exclusively: if anything stands at the name by then, nothing is
// opened and nothing is written anywhere.  Returns the stream, or nullptr.
std::FILE *platform_create_new(const char *name);

// Test hook: when set, called with the name between the removal and the
// exclusive create, so that a test can make something appear there.
extern void (*platform_create_new_hook)(const char *name);
