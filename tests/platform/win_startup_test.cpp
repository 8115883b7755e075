// The Windows start-up decision: a program started by hand (no arguments)
// whose standard output leads nowhere shows the message box and ends with 0;
// every other start goes on to the normal start-up.
#include "platform/win32/startup_decision.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using quin_win::StdoutFacts;

// GetFileType answers as <windows.h> numbers them.
constexpr unsigned long kDisk = 1, kChar = 2, kPipe = 3, kRemote = 0x8000;

const StdoutFacts kNullHandle{true, false, 0};
const StdoutFacts kInvalidHandle{false, true, 0};
const StdoutFacts kUnknownType{false, false, 0};
const StdoutFacts kPipeOut{false, false, kPipe};

struct Case {
    const char *what;
    int argc;
    StdoutFacts facts;
    bool notice;
};

const Case kCases[] = {
    // Started by hand: nowhere to write to.
    {"no arguments, null handle", 1, kNullHandle, true},
    {"no arguments, invalid handle", 1, kInvalidHandle, true},
    {"no arguments, handle of unknown type", 1, kUnknownType, true},
    // Started by a host with redirected handles: the UCI session runs.
    {"no arguments, pipe", 1, kPipeOut, false},
    {"no arguments, file", 1, {false, false, kDisk}, false},
    {"no arguments, console", 1, {false, false, kChar}, false},
    {"no arguments, remote", 1, {false, false, kRemote}, false},
    // Any argument skips the test, even without an output: "--status",
    // "--request PATH", the developer tools.
    {"--status without output", 2, kNullHandle, false},
    {"--status with invalid handle", 2, kInvalidHandle, false},
    {"--request without output", 3, kUnknownType, false},
    {"--bench depth FEN without output", 4, kNullHandle, false},
    // An empty command line gives argc 0: not a start by hand either.
    {"argc 0 without output", 0, kNullHandle, false},
};

TEST(WinStartup, DecisionTable) {
    for (const Case &c : kCases)
        EXPECT_EQ(quin_win::startup_shows_notice(c.argc, c.facts), c.notice) << c.what;
}

TEST(WinStartup, OnlyAStartWithoutArgumentsLooksAtTheHandle) {
    EXPECT_TRUE(quin_win::startup_checks_stdout(1));
    for (int argc : {0, 2, 3, 4, 7}) EXPECT_FALSE(quin_win::startup_checks_stdout(argc)) << argc;
}

TEST(WinStartup, UsableOutputNeedsARealHandleOfKnownType) {
    // A set file type does not rescue a null or invalid handle.
    EXPECT_FALSE(quin_win::stdout_usable({true, false, kPipe}));
    EXPECT_FALSE(quin_win::stdout_usable({false, true, kDisk}));
    EXPECT_FALSE(quin_win::stdout_usable(kUnknownType));
    EXPECT_TRUE(quin_win::stdout_usable(kPipeOut));
}

TEST(WinStartup, MessageBoxContents) {
    EXPECT_STREQ(quin_win::kNoticeCaption, "Quintar C-Engine");
    const std::string text = quin_win::kNoticeText;
    EXPECT_EQ(text, std::string("OK, bin da.\n") + "\n" + "Quintar C-Engine wurde gestartet.\n" +
                        "Keine Schachberechnung ausgefuehrt.");
    // No trailing newline: the box would show an empty last line.
    EXPECT_NE(text.back(), '\n');
    // OK button with the information icon; MessageBoxA's return is not the status.
    EXPECT_EQ(quin_win::kNoticeStyle, 0x40u);
    EXPECT_EQ(quin_win::kNoticeExitStatus, 0);
}

}  // namespace
