// The AmigaOS program's start-up: the requester shown on a start without
// arguments, the status check, the timer-device clock with its failures and
// exit clean-up, and the marker strings in the program file.
#include "tests/amiga/amiga_support.h"

namespace {

TEST(AmigaStartup, NoArgumentShowsTheRequesterAndNeverStartsUci) {
    QUIN_REQUIRE_AMIGA_BIN();
    AmigaRun run = run_amiga({}, "", "uci\nisready\ngo depth 1\nquit\n");
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.out + run.result.err, "");  // no UCI session answers
    const std::vector<std::string> expected = {
        "OpenLibrary intuition.library 50 ok",
        "GetInterface intuition.library main 1 ok",
        "EasyRequestArgs window=none flags=0 idcmp=none args=none title=\"Quintar C-Engine\" "
        "body=\"OK, bin da.\\n\\nQuintar C-Engine wurde gestartet.\\nKeine Schachberechnung "
        "ausgefuehrt.\" gadgets=\"OK\"",
        "DropInterface intuition.library main",
        "CloseLibrary intuition.library",
        "exit outstanding=0",
    };
    EXPECT_EQ(run.journal, expected);
}

TEST(AmigaStartup, RequesterWithoutIntuitionFailsWithStatusTwo) {
    QUIN_REQUIRE_AMIGA_BIN();
    for (const char *refused : {"library", "interface"}) {
        SCOPED_TRACE(refused);
        AmigaRun run = run_amiga({}, refused);
        EXPECT_EQ(run.result.status, 2);
        EXPECT_EQ(run.result.out, "");
        EXPECT_EQ(run.result.err, "Quintar C-Engine: started, but cannot open intuition.library\n");
        EXPECT_TRUE(journal_calls(run, "EasyRequestArgs").empty());
        expect_clean_journal(run);
    }
}

TEST(AmigaStartup, StatusCheckPrintsTwoLinesWithoutTouchingTheSystem) {
    QUIN_REQUIRE_AMIGA_BIN();
    AmigaRun run = run_amiga({"--status"}, "library,interface,port,request,device,atexit");
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.out,
              "Quintar C-Engine: OK, bin da.\n"
              "Programmstart erfolgreich. Keine Schachberechnung ausgefuehrt.\n");
    EXPECT_EQ(run.result.err, "");
    EXPECT_EQ(run.journal, std::vector<std::string>{"exit outstanding=0"});
}

// The timer device is opened once however often a search reads the clock,
// and closed at exit; a failed exit registration closes it at once and
// ends with status 2 silently.  Engine modes never open Intuition.
TEST(AmigaStartup, TimerDeviceIsOpenedOnceAndClosedAtExit) {
    QUIN_REQUIRE_AMIGA_BIN();
    for (const char *refused : {"", "atexit", "library"}) {
        SCOPED_TRACE(refused);
        const bool atexit_ok = std::string(refused) != "atexit";
        AmigaRun run = run_amiga({"--bench", "2"}, refused);
        EXPECT_EQ(run.result.status, atexit_ok ? 0 : 2);
        EXPECT_EQ(run.result.err, "");
        if (!atexit_ok) {
            EXPECT_EQ(run.result.out, "");
        }
        const std::vector<std::string> expected = {
            "CreateMsgPort ok",
            "CreateIORequest 40 ok",
            "OpenDevice timer.device 0 flags=0 ok",
            "GetInterface timer.device main 1 ok",
            atexit_ok ? "atexit ok" : "atexit failed",
            "DropInterface timer.device main",
            "CloseDevice timer.device",
            "DeleteIORequest",
            "DeleteMsgPort",
            "exit outstanding=0",
        };
        EXPECT_EQ(run.journal, expected);
    }
}

// Whatever the timer device's set-up refuses, what was obtained before is
// given back (the journal's balance) and no exit handler is registered.
TEST(AmigaStartup, TimerFailuresReleaseWhatWasObtained) {
    QUIN_REQUIRE_AMIGA_BIN();
    for (const char *refused : {"port", "request", "device", "interface"}) {
        SCOPED_TRACE(refused);
        AmigaRun run = run_amiga({"--perft", "1"}, refused);
        EXPECT_EQ(run.result.status, 2);
        EXPECT_EQ(run.result.out, "");
        EXPECT_EQ(run.result.err, "Cannot open timer.device\n");
        EXPECT_TRUE(journal_calls(run, "atexit").empty());
        expect_clean_journal(run);
    }
}

TEST(AmigaStartup, VersionAndStackMarkersAreInTheProgramFile) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string bytes = read_file(amiga_bin());
    // Each marker stands whole and NUL-terminated, as the system scans for it.
    for (const char *marker :
         {"$VER: Quintar C ZevivEzezoz 1.0 beta (24.09.2026)", "$STACK:262144"})
        EXPECT_NE(bytes.find(std::string(marker) + '\0'), std::string::npos) << marker;
}

}  // namespace
