// Command-line dispatch: request file, perft, bench, eval, or the UCI
// session.  Every mode ends with status 0 or 2.
#include "frontend/quintar.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

int quintar_main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--status") == 0) return status_mode();
    platform_line_output();
    init_engine();
    set_fen(start_fen);

    if (argc >= 3 && std::strcmp(argv[1], "--request") == 0) return request_mode(argv[2]);
    if (argc >= 3) {
        if (argc >= 4 && !set_fen(argv[3])) {
            std::fputs("Invalid FEN\n", stderr);
            return 2;
        }
        if (std::strcmp(argv[1], "--perft") == 0) {
            const long long depth = depth_word(argv[2]);
            if (depth < 0 || depth > 6) return 2;
            return perft_mode(static_cast<int>(depth));
        }
    } else if (argc != 2) {
        uci_session();
        return 0;
    }
    if (std::strcmp(argv[1], "--perft") == 0) return perft_mode(3);
    if (std::strcmp(argv[1], "--eval") == 0) return eval_mode();
    if (std::strcmp(argv[1], "--bench") == 0) {
        computerDepth = argc >= 3 ? static_cast<double>(depth_word(argv[2])) : 3;
        return bench_mode();
    }
    return usage_mode();
}
