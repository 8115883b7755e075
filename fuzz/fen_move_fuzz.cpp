// Arbitrary FEN text followed by arbitrary move texts: the position must
// either be rejected unchanged or stay a sound board, never crash.
#include "frontend/quintar.h"

#include <cstdint>
#include <sstream>
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
    std::istringstream words(text.substr(nl + 1));
    for (std::string word; std::getline(words, word, ' ');) apply_uci(word.c_str());
    PositionKey_s();
    CountLegalMoves(currentPlayer);
    return 0;
}
