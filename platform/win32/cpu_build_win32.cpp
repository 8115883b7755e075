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

#include <windows.h>

#include <cwchar>

namespace {

#define QUIN_WIDEN2(text) L##text
#define QUIN_WIDEN(text) QUIN_WIDEN2(text)
constexpr const wchar_t *kCpuBuildName = QUIN_WIDEN(QUIN_CPU_BUILD_NAME);
constexpr const wchar_t *kPlainVariable = L"QUINTAR_PLAIN";

// The processor has the x86-64-v3 instructions and the system saves the
// registers they use.
bool processor_has_v3() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("x86-64-v3");
}

// QUINTAR_PLAIN set to anything but the empty text keeps the plain program.
bool plain_wanted() {
    wchar_t value[8];
    const DWORD n = GetEnvironmentVariableW(kPlainVariable, value, 8);
    return n > 0;
}

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
// is none (a program of the GUI subsystem started without them).
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

}  // namespace

void platform_start_cpu_build(char **) {
    if (plain_wanted() || !processor_has_v3()) return;
    wchar_t path[MAX_PATH + 1];
    if (!cpu_build_path(path, MAX_PATH + 1)) return;
    const HANDLE job = job_ending_with_this_program();
    if (!job) return;
    // Marked for the program started, so that a plain program standing under
    // that name cannot start itself again and again.
    if (!SetEnvironmentVariableW(kPlainVariable, L"1")) {
        CloseHandle(job);
        return;
    }
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = inheritable(STD_INPUT_HANDLE);
    start.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
    start.hStdError = inheritable(STD_ERROR_HANDLE);
    // The command line as this program got it: the started program parses
    // the same arguments.  CreateProcessW may write into it.
    const wchar_t *line = GetCommandLineW();
    const size_t length = std::wcslen(line);
    wchar_t *commandLine =
        static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t)));
    PROCESS_INFORMATION child{};
    const bool started = commandLine != nullptr &&
                         (std::wcscpy(commandLine, line),
                          CreateProcessW(path, commandLine, nullptr, nullptr, TRUE,
                                         CREATE_SUSPENDED, nullptr, nullptr, &start, &child) != 0);
    if (!started) {
        SetEnvironmentVariableW(kPlainVariable, nullptr);
        CloseHandle(job);
        return;
    }
    if (!AssignProcessToJobObject(job, child.hProcess)) {
        // Outside the job it could outlive this program: run the plain one.
        TerminateProcess(child.hProcess, 2);
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        SetEnvironmentVariableW(kPlainVariable, nullptr);
        CloseHandle(job);
        return;
    }
    ResumeThread(child.hThread);
    CloseHandle(child.hThread);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 2;
    if (!GetExitCodeProcess(child.hProcess, &status)) status = 2;
    ExitProcess(status);
}

#else

void platform_start_cpu_build(char **) {}

#endif
