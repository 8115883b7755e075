// Arbitrary text as UCI command lines, one line per "\n" of the input.
// The search runs on the calling thread, limited to depth 1: this target
// supplies its own thread binding, so the fuzzer exercises the command
// parsing and the engine without waiting on real threads.
#include "frontend/quintar.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

int platform_thread_start(void (*fn)()) {
    if (computerDepth > 1) computerDepth = 1;
    fn();
    return 1;
}

void platform_thread_join() {}

// The only sleep is the wait of an infinite search for "stop": the stop
// arrives at once.
void platform_sleep_ms(int) { stop_requested.store(1); }

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The replies are not of interest here.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    init_engine();
    set_fen(start_fen);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::vector<char> line;
    set_fen(start_fen);
    size_t start = 0;
    while (start <= size) {
        size_t end = start;
        while (end < size && data[end] != '\n') end++;
        line.assign(data + start, data + end);
        line.push_back(0);
        if (!uci_handle_line(line.data())) break;
        start = end + 1;
    }
    join_search(1);
    return 0;
}
