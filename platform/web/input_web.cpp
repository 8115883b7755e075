// The UCI session's input in the page build: the text the page sends, by
// way of the Web Worker that runs the engine, queued here.  The session
// blocks on the queue until a whole line (or a buffer's worth) is there, so
// the worker's own thread stays free to take further messages, "stop" among
// them, while a search runs, and to print the search's lines as they come.
#include "platform/platform.h"

#include <emscripten/emscripten.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>

namespace {

std::mutex queue_lock;
std::condition_variable queue_filled;
// Text received and not yet read, and whether the page has closed the input.
std::string pending;
bool input_ended = false;

}  // namespace

extern "C" {

// Called by the worker with the text of one message: one or more lines,
// each ending in "\n".
EMSCRIPTEN_KEEPALIVE void quintar_web_input(const char *text) {
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        pending.append(text);
    }
    queue_filled.notify_one();
}

// Called by the worker when the page closes the session: the session reads
// what is left and then sees the end of its input.
EMSCRIPTEN_KEEPALIVE void quintar_web_input_end() {
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        input_ended = true;
    }
    queue_filled.notify_one();
}

}  // extern "C"

int platform_read_line(char *buf, size_t cap) {
    if (cap < 2) return 0;
    std::unique_lock<std::mutex> hold(queue_lock);
    // As fgets: up to and including the first "\n", at most cap - 1 bytes.
    size_t take = 0;
    queue_filled.wait(hold, [&] {
        const size_t newline = pending.find('\n');
        if (newline != std::string::npos && newline < cap - 1)
            take = newline + 1;
        else if (pending.size() >= cap - 1)
            take = cap - 1;
        else if (input_ended)
            take = pending.size();
        return take > 0 || input_ended;
    });
    if (take == 0) return 0;
    std::memcpy(buf, pending.data(), take);
    buf[take] = 0;
    pending.erase(0, take);
    return 1;
}
