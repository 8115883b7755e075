// Search thread of the Windows build.  One thread at most lives at a time;
// its handle is kept here until it has been joined.
#include "platform/platform.h"

#include <windows.h>

namespace {

HANDLE search_handle = NULL;
// The body of the thread started last.  Written before CreateThread, which
// orders the write before everything the new thread does.
void (*search_body)() = nullptr;

DWORD WINAPI thread_entry(LPVOID) {
    search_body();
    return 0;
}

}  // namespace

int platform_thread_start(void (*fn)()) {
    search_body = fn;
    // Default security, default stack size, no argument, immediate start.
    HANDLE h = CreateThread(NULL, 0, thread_entry, NULL, 0, NULL);
    if (h == NULL) return 0;
    search_handle = h;
    return 1;
}

void platform_thread_join() {
    if (search_handle == NULL) return;
    WaitForSingleObject(search_handle, INFINITE);
    CloseHandle(search_handle);
    search_handle = NULL;
}

void platform_sleep_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }
