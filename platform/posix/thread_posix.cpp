// Search thread of the POSIX build.  One thread at most lives at a time;
// its handle is kept here until it has been joined.
#include "platform/platform.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace {

pthread_t thread;
bool thread_started = false;
// The body of the thread started last.  Written before pthread_create,
// which orders the write before everything the new thread does.
void (*search_body)() = nullptr;

// The search keeps several 512-byte strings per level on the stack; give it
// room even where the default thread stack is small or sanitizers inflate
// the frames.
constexpr size_t kSearchStack = 16u * 1024u * 1024u;

void *thread_entry(void *) {
    search_body();
    return nullptr;
}

}  // namespace

int platform_thread_start(void (*fn)()) {
    search_body = fn;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return 0;
    size_t stack = 0;
    if (pthread_attr_getstacksize(&attr, &stack) == 0 && stack < kSearchStack)
        pthread_attr_setstacksize(&attr, kSearchStack);
    int rc = pthread_create(&thread, &attr, thread_entry, nullptr);
    pthread_attr_destroy(&attr);
    if (rc != 0) return 0;
    thread_started = true;
    return 1;
}

void platform_thread_join() {
    if (!thread_started) return;
    pthread_join(thread, nullptr);
    thread_started = false;
}

void platform_sleep_ms(int ms) {
    timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    // Resume after a signal with whatever time is left.
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
