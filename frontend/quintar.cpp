// Program entry: the build for this processor in this one's place where there
// is one, the platform's start-up notice, then the dispatch.
#include "platform/platform.h"
#include "frontend/quintar.h"

int main(int argc, char **argv) {
    platform_start_cpu_build(argv);
    const int notice = platform_startup_notice(argc);
    if (notice >= 0) return notice;
    return quintar_main(argc, argv);
}
