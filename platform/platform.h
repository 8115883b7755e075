// What each platform binding supplies to the front end: the start of the
// build for the processor, the monotonic clock, the search thread, a short
// sleep, the UCI session's input lines, line output, the start-up notice,
// the reading of the request, the look for the cancel file and the creation
// of the files the engine writes.
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

// Starts, in this process's place and with the same arguments, the build of
// this program for the running processor's newer instructions when the
// processor has them and that build stands beside this program: on Linux
// quintar-x86-64-v3 (also looked for in ../lib/quintar), run by exec; on
// Windows quintar-win-x86-64-v3.exe, run as a child that ends with this
// process, whose exit status this process then ends with.  Returns, and the
// program goes on as it is, when there is none, when the start fails, when
// QUINTAR_PLAIN is set and not empty, and on every other platform.  The
// program started finds QUINTAR_PLAIN=1.  Both builds give the same answers
// to the byte.
void platform_start_cpu_build(char **argv);

// Whether anything stands at `name`, a link counting by what it points to
// (so a dangling link counts as nothing).  A look at the folder entry only:
// the file is never opened, so a named pipe, a device or a file that we may
// not read is found without waiting on it or touching it.
bool platform_file_exists(const char *name);

// Opens `name` for binary reading when it is a regular file (or a link to
// one).  A named pipe, a device, a socket or a folder is refused: nullptr,
// as for a file that cannot be opened.  Nothing waits: the open itself
// cannot block on a pipe without a writer nor make a terminal ours, and the
// kind is taken from what was opened, not from the name, which someone may
// point elsewhere meanwhile.
std::FILE *platform_open_regular(const char *name);

// Creates the file `name` as a new file and opens it for binary writing.
// Whatever stands at the name is removed first (a stale file, or a link
// itself and never what it points to; a folder stays), then the file is
// created exclusively: if anything stands at the name by then, nothing is
// opened and nothing is written anywhere.  Returns the stream, or nullptr.
std::FILE *platform_create_new(const char *name);

// Test hook: when set, called with the name between the removal and the
// exclusive create, so that a test can make something appear there.
extern void (*platform_create_new_hook)(const char *name);
