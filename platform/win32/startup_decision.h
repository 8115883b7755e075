// Start-up decision of the Windows build, kept free of <windows.h> so that
// it can be checked on any host.  A program of the GUI subsystem started by
// hand has no console: when it gets no arguments and its standard output
// leads nowhere, it shows a message box instead of waiting silently for UCI
// commands nobody can send.
#pragma once

namespace quin_win {

// The message box shown instead of a UCI session.
constexpr const char *kNoticeText =
    "OK, bin da.\n\nQuintar C-Engine wurde gestartet.\nKeine Schachberechnung ausgefuehrt.";
constexpr const char *kNoticeCaption = "Quintar C-Engine";
// MB_OK | MB_ICONINFORMATION.
constexpr unsigned kNoticeStyle = 0x40;
// Exit status after the box has been closed.
constexpr int kNoticeExitStatus = 0;

// GetFileType's answer for a handle of no known kind (FILE_TYPE_UNKNOWN).
constexpr unsigned long kFileTypeUnknown = 0;

// What the start-up test found out about the standard output handle.
struct StdoutFacts {
    bool handle_null;         // GetStdHandle gave a null handle
    bool handle_invalid;      // GetStdHandle gave INVALID_HANDLE_VALUE
    unsigned long file_type;  // GetFileType of the handle (only asked for a real handle)
};

// True when standard output is a usable place to write to.
inline bool stdout_usable(const StdoutFacts &f) {
    return !f.handle_null && !f.handle_invalid && f.file_type != kFileTypeUnknown;
}

// True when the standard output handle has to be examined at all: only a
// start without arguments (argc counts the program name) can end in the box.
inline bool startup_checks_stdout(int argc) { return argc == 1; }

// The whole decision: true when the message box is to be shown and the
// program ended with kNoticeExitStatus before any engine initialisation.
inline bool startup_shows_notice(int argc, const StdoutFacts &f) {
    return startup_checks_stdout(argc) && !stdout_usable(f);
}

}  // namespace quin_win
