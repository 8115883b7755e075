// Arbitrary FEN text followed by arbitrary move texts: the position must
// either be rejected unchanged or stay a sound board, never crash.
#include "frontend/quintar.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = false;
    if (!ready) {
        init_engine();
        ready = true;
    }
    set_fen(start_fen);
    std::string text(reinterpret_cast<const char *>(data), size);
    // The first line is the FEN; every further word is a move text.
    const size_t nl = text.find('\n');
    const std::string fen = text.substr(0, nl);
    set_fen(fen.c_str());
    if (nl == std::string::npos) return 0;
    std::string rest = text.substr(nl + 1);
    size_t pos = 0;
    while (pos < rest.size()) {
        size_t end = rest.find(' ', pos);
        if (end == std::string::npos) end = rest.size();
        const std::string word = rest.substr(pos, end - pos);
        apply_uci(word.c_str());
        pos = end + 1;
    }
    PositionKey_s();
    CountLegalMoves(currentPlayer);
    return 0;
}
