// Start-up notice of the Windows build: a message box for a program started
// by hand, without arguments and without a usable standard output.
#include "platform/platform.h"
#include "platform/win32/startup_decision.h"

#include <windows.h>

int platform_startup_notice(int argc) {
    if (!quin_win::startup_checks_stdout(argc)) return -1;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    quin_win::StdoutFacts facts;
    facts.handle_null = out == NULL;
    facts.handle_invalid = out == INVALID_HANDLE_VALUE;
    // GetFileType is only asked about a real handle.
    facts.file_type =
        (facts.handle_null || facts.handle_invalid) ? quin_win::kFileTypeUnknown : GetFileType(out);
    if (!quin_win::startup_shows_notice(argc, facts)) return -1;
    MessageBoxA(NULL, quin_win::kNoticeText, quin_win::kNoticeCaption, quin_win::kNoticeStyle);
    return quin_win::kNoticeExitStatus;
}
