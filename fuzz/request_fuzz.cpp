// Drives arbitrary request-file contents through the request reader, and
// searches readable requests at depth 1, writing the response to a memory
// stream.  Nothing touches the file system.
#include "frontend/request_mode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The engine's start state, as the program has it before reading a request.
void fresh_engine() {
    static bool started = false;
    if (!started) {
        init_engine();
        started = true;
    } else {
        init_quin_globals();
        learningEnabled = 0;
        SetEvalHash(1024);
    }
    set_fen(start_fen);
    pref_count = 0;
    request_cancel[0] = 0;
    cancel_last = 0;
    stop_requested.store(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fresh_engine();
    static char empty[1];
    FILE *in = size ? fmemopen(const_cast<uint8_t *>(data), size, "rb") : fmemopen(empty, 1, "rb");
    if (!in) return 0;
    if (!size) getc(in);  // the one-byte stand-in buffer is read away: an empty file
    static RequestFile r;
    const char *failure = request_read(in, &r);
    fclose(in);
    if (failure) return 0;

    if (r.position_valid) {
        r.depth = 1;
        if (r.ms > 1000) r.ms = 1000;
        request_search(r);
    }
    char *text = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&text, &length);
    if (!out) return 0;
    if (!request_write_response(out, r)) abort();
    fclose(out);
    free(text);
    return 0;
}
