// Command-line dispatch: request file, perft, bench, eval, or the UCI
// session.  Every mode ends with status 0 or 2.
#include "quintar.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char kUsage[] = "Usage: --perft|--bench depth [FEN], --eval 0 [FEN]\n";

int quintar_main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--status") == 0) {
        std::puts("Quintar C-Engine: OK, bin da.");
        std::puts("Programmstart erfolgreich. Keine Schachberechnung ausgefuehrt.");
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    init_engine();
    set_fen(start_fen);

    if (argc >= 3 && std::strcmp(argv[1], "--request") == 0) return request_mode(argv[2]);
    if (argc >= 3) {
        if (argc >= 4 && !set_fen(argv[3])) {
            std::fputs("Invalid FEN\n", stderr);
            return 2;
        }
        if (std::strcmp(argv[1], "--perft") == 0) {
            const unsigned depth = static_cast<unsigned>(std::atoi(argv[2]));
            if (depth > 6) return 2;
            std::printf("%llu\n", static_cast<unsigned long long>(perft(static_cast<int>(depth))));
            return 0;
        }
    } else if (argc != 2) {
        uci_session();
        return 0;
    }
    if (std::strcmp(argv[1], "--perft") == 0) {
        std::printf("%llu\n", static_cast<unsigned long long>(perft(3)));
        return 0;
    }
    if (std::strcmp(argv[1], "--eval") == 0) {
        std::printf("%.15g\n", EvaluateBoard());
        return 0;
    }
    if (std::strcmp(argv[1], "--bench") == 0) {
        computerDepth = argc >= 3 ? std::atoi(argv[2]) : 3;
        if (computerDepth < 1 || computerDepth > 8) return 2;
        computerThinkSeconds = 300;
        CalculateBestMove();
        emit_result();
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
