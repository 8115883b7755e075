// Entry of the AmigaOS build.  The same engine, request-file protocol and
// command-line tools as the Linux program, but no UCI session: a start
// without arguments shows the start-up requester instead.
#include "frontend/quintar.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

// Marker strings that the system looks for in the program file: the version
// string (the Version command, the Workbench information) and the stack the
// loader must give the program (the search's per-level tables live on it).
// Kept with external linkage and marked used so no build step drops them.
extern "C" {
extern const char quin_amiga_version[];
extern const char quin_amiga_stack[];
__attribute__((used)) const char quin_amiga_version[] =
    "$VER: Quintar C ZevivEzezoz 1.0 beta (24.09.2026)";
__attribute__((used)) const char quin_amiga_stack[] = "$STACK:262144";
}

int main(int argc, char **argv) {
    // No arguments (a Shell start without words, or a Workbench start).
    int notice = platform_startup_notice(argc);
    if (notice >= 0) return notice;

    if (argc == 2 && std::strcmp(argv[1], "--status") == 0) return status_mode();

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    init_engine();
    set_fen(start_fen);

    const char *mode = argv[1];
    if (argc > 2 && std::strcmp(mode, "--request") == 0) return request_mode(argv[2]);

    if (argc > 3 && !set_fen(argv[3])) {
        std::fputs("Invalid FEN\n", stderr);
        return 2;
    }

    if (std::strcmp(mode, "--perft") == 0) {
        const long long depth = argc > 2 ? depth_word(argv[2]) : 3;
        if (depth < 0 || depth > 6) return 2;
        return perft_mode(static_cast<int>(depth));
    }
    if (std::strcmp(mode, "--eval") == 0) return eval_mode();
    if (std::strcmp(mode, "--bench") == 0) {
        computerDepth = static_cast<double>(argc > 2 ? depth_word(argv[2]) : 3);
        return bench_mode();
    }
    return usage_mode();
}
