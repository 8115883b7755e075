// What each platform binding supplies to the front end: the monotonic
// clock, the search thread, a short sleep, line output and the start-up
// notice.
#pragma once

// Milliseconds of a monotonic clock, fractions kept; only differences count.
double platform_clock_ms();

// Starts fn on a new thread; returns 1 on success.
int platform_thread_start(void (*fn)());
// Waits for the thread started last, without time limit.
void platform_thread_join();
void platform_sleep_ms(int ms);

// Sets standard output so that every line the engine writes reaches a GUI
// or host at once.  Returns 0 on success, as setvbuf does.
int platform_line_output();

// Start-up notice for a program started by hand with nowhere to write to.
// Returns -1 to go on with the normal start-up, or the exit status to end
// with (after the platform has shown its notice).
int platform_startup_notice(int argc);
