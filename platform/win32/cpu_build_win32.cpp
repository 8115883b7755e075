// The start of quintar-win-x86-64-v3.exe in the plain program's place, where
// the build made it (QUIN_CPU_BUILD_NAME).  Windows cannot replace a running
// program by another, so the plain program starts the other one with its own
// command line, standard handles and environment, waits for it and ends with
// its exit status.  The started program belongs to a job that ends with the
// plain program: a host that ends the engine it started (TerminateProcess)
// ends both.  When anything of that fails before the other program runs, the
// plain program goes on by itself.
#include "platform/platform.h"

#if defined(QUIN_CPU_BUILD_NAME) && defined(__x86_64__)

#include "platform/cpu_build_choice.h"

#include <windows.h>

#include <cwchar>

namespace {

#define QUIN_WIDEN2(text) L##text
#define QUIN_WIDEN(text) QUIN_WIDEN2(text)
constexpr const wchar_t *kCpuBuildName = QUIN_WIDEN(QUIN_CPU_BUILD_NAME);
constexpr const wchar_t *kPlainVariable = L"QUINTAR_PLAIN";

// The path of the other program: this program's folder and its name; false
// when it does not fit or does not exist.
bool cpu_build_path(wchar_t *path, DWORD size) {
    const DWORD n = GetModuleFileNameW(nullptr, path, size);
    if (n == 0 || n >= size) return false;
    wchar_t *slash = std::wcsrchr(path, L'\\');
    wchar_t *other = std::wcsrchr(path, L'/');
    if (other && (!slash || other > slash)) slash = other;
    if (!slash) return false;
    const size_t folder = static_cast<size_t>(slash + 1 - path);
    if (folder + std::wcslen(kCpuBuildName) + 1 > size) return false;
    std::wcscpy(slash + 1, kCpuBuildName);
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An inheritable copy of a standard handle, or the handle as it is when it
// is none (a program of the GUI subsystem started without them) or cannot
// be copied.
HANDLE inheritable(DWORD which) {
    const HANDLE h = GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return h;
    HANDLE copy = nullptr;
    const HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, h, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) return h;
    return copy;
}

// A job whose processes end when its last handle closes, as this program's
// does when it ends in any way.
HANDLE job_ending_with_this_program() {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Starts the program at `path` inside `job` with this program's command line
// (so it parses the same arguments) and standard handles, and returns its
// process; nullptr when it could not be started inside the job (one outside
// it could outlive this program, so it is ended at once).
HANDLE start_in_job(const wchar_t *path, HANDLE job) {
    // CreateProcessW may write into the command line: a copy, as long as a
    // Windows command line can be.
    static wchar_t commandLine[32768];
    const wchar_t *line = GetCommandLineW();
    if (std::wcslen(line) >= sizeof commandLine / sizeof commandLine[0]) return nullptr;
    std::wcscpy(commandLine, line);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    const DWORD kinds[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE *handles[3] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
    for (int i = 0; i < 3; ++i) *handles[i] = inheritable(kinds[i]);
    PROCESS_INFORMATION child{};
    const bool created = CreateProcessW(path, commandLine, nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &start, &child) != 0;
    // The started program holds its own copies now.
    for (int i = 0; i < 3; ++i)
        if (*handles[i] != GetStdHandle(kinds[i])) CloseHandle(*handles[i]);
    if (!created) return nullptr;
    if (!AssignProcessToJobObject(job, child.hProcess)) {
        TerminateProcess(child.hProcess, 2);
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        return nullptr;
    }
    ResumeThread(child.hThread);
    CloseHandle(child.hThread);
    return child.hProcess;
}

}  // namespace

void platform_start_cpu_build(char **) {
    if (!cpu_build_wanted()) return;
    wchar_t path[MAX_PATH + 1];
    if (!cpu_build_path(path, MAX_PATH + 1)) return;
    const HANDLE job = job_ending_with_this_program();
    if (!job) return;
    // Marked for the program started, so that a plain program standing under
    // that name cannot start itself again and again.
    const HANDLE child =
        SetEnvironmentVariableW(kPlainVariable, L"1") ? start_in_job(path, job) : nullptr;
    if (!child) {
        SetEnvironmentVariableW(kPlainVariable, nullptr);
        CloseHandle(job);
        return;
    }
    WaitForSingleObject(child, INFINITE);
    DWORD status = 2;
    if (!GetExitCodeProcess(child, &status)) status = 2;
    ExitProcess(status);
}

#else

void platform_start_cpu_build(char **) {}

#endif
