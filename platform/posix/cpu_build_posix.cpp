// The start of quintar-x86-64-v3 in the plain program's place (x86-64 Linux
// builds that make it; elsewhere nothing happens).
#include "platform/platform.h"

#if defined(QUIN_CPU_BUILD_NAME) && defined(__x86_64__) && defined(__linux__)

#include "platform/cpu_build_choice.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

void platform_start_cpu_build(char **argv) {
    if (!cpu_build_wanted()) return;
    // The folder of this program as the system started it, not as argv[0]
    // names it (a name found on PATH, or none at all).
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof path)) return;
    path[n] = '\0';
    char *slash = std::strrchr(path, '/');
    if (!slash) return;
    slash[1] = '\0';
    const size_t folder = std::strlen(path);
    // Beside the program (a build tree), then the package's library folder.
    for (const char *place : {"", "../lib/quintar/"}) {
        path[folder] = '\0';
        if (folder + std::strlen(place) + sizeof QUIN_CPU_BUILD_NAME > sizeof path) return;
        std::strcat(path, place);
        std::strcat(path, QUIN_CPU_BUILD_NAME);
        if (access(path, X_OK) != 0) continue;
        // Marked for the program started, so that a plain program standing
        // under that name cannot start itself again and again.
        if (setenv("QUINTAR_PLAIN", "1", 1) != 0) return;
        execv(path, argv);  // returns only when the start failed
        unsetenv("QUINTAR_PLAIN");
    }
}

#else

void platform_start_cpu_build(char **) {}

#endif
