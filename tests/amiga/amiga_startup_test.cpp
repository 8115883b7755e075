// The AmigaOS program's start-up: the requester shown on a start without
// arguments, the status check, the timer-device clock with its failures and
// exit clean-up, and the marker strings in the program file.
#include "amiga_support.h"

namespace {

const std::string kIntuitionFailure =
    "Quintar C-Engine: started, but cannot open intuition.library\n";
const std::string kTimerFailure = "Cannot open timer.device\n";
const std::string kStatus =
    "Quintar C-Engine: OK, bin da.\n"
    "Programmstart erfolgreich. Keine Schachberechnung ausgefuehrt.\n";

TEST(AmigaStartup, NoArgumentShowsTheRequesterAndNeverStartsUci) {
    QUIN_REQUIRE_AMIGA_BIN();
    // UCI commands on the input must go unanswered: there is no session.
    AmigaRun run = run_amiga({}, "", "uci\nisready\ngo depth 1\nquit\n");
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.out, "");
    EXPECT_EQ(run.result.err, "");
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
        EXPECT_EQ(run.result.err, kIntuitionFailure);
        EXPECT_TRUE(journal_calls(run, "EasyRequestArgs").empty());
        expect_clean_journal(run);
    }
}

TEST(AmigaStartup, StatusCheckPrintsTwoLinesWithoutTouchingTheSystem) {
    QUIN_REQUIRE_AMIGA_BIN();
    // Even with every service refused: the status check opens nothing.
    AmigaRun run = run_amiga({"--status"}, "library,interface,port,request,device,atexit");
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.out, kStatus);
    EXPECT_EQ(run.result.err, "");
    EXPECT_EQ(run.journal, std::vector<std::string>{"exit outstanding=0"});
}

TEST(AmigaStartup, TimerDeviceIsOpenedOnceAndClosedAtExit) {
    QUIN_REQUIRE_AMIGA_BIN();
    // A search reads the clock many times; the device is still opened once.
    AmigaRun run = run_amiga({"--bench", "2"});
    ASSERT_EQ(run.result.status, 0);
    const std::vector<std::string> expected = {
        "CreateMsgPort ok",
        "CreateIORequest 40 ok",
        "OpenDevice timer.device 0 flags=0 ok",
        "GetInterface timer.device main 1 ok",
        "atexit ok",
        "DropInterface timer.device main",
        "CloseDevice timer.device",
        "DeleteIORequest",
        "DeleteMsgPort",
        "exit outstanding=0",
    };
    EXPECT_EQ(run.journal, expected);
}

TEST(AmigaStartup, TimerFailuresReleaseWhatWasObtained) {
    QUIN_REQUIRE_AMIGA_BIN();
    struct Case {
        const char *refused;
        size_t obtained;  // port, request, device: how many were had before the refusal
    };
    for (const Case &c :
         {Case{"port", 0}, Case{"request", 1}, Case{"device", 2}, Case{"interface", 3}}) {
        SCOPED_TRACE(c.refused);
        AmigaRun run = run_amiga({"--perft", "1"}, c.refused);
        EXPECT_EQ(run.result.status, 2);
        EXPECT_EQ(run.result.out, "");
        EXPECT_EQ(run.result.err, kTimerFailure);
        EXPECT_TRUE(journal_calls(run, "atexit").empty());
        EXPECT_EQ(journal_calls(run, "DeleteMsgPort").size(), c.obtained >= 1 ? 1u : 0u);
        EXPECT_EQ(journal_calls(run, "DeleteIORequest").size(), c.obtained >= 2 ? 1u : 0u);
        EXPECT_EQ(journal_calls(run, "CloseDevice").size(), c.obtained >= 3 ? 1u : 0u);
        expect_clean_journal(run);
    }
}

TEST(AmigaStartup, FailedExitRegistrationCleansUpAndEndsSilently) {
    QUIN_REQUIRE_AMIGA_BIN();
    AmigaRun run = run_amiga({"--perft", "1"}, "atexit");
    EXPECT_EQ(run.result.status, 2);
    EXPECT_EQ(run.result.out, "");
    EXPECT_EQ(run.result.err, "");
    const std::vector<std::string> expected = {
        "CreateMsgPort ok",
        "CreateIORequest 40 ok",
        "OpenDevice timer.device 0 flags=0 ok",
        "GetInterface timer.device main 1 ok",
        "atexit failed",
        "DropInterface timer.device main",
        "CloseDevice timer.device",
        "DeleteIORequest",
        "DeleteMsgPort",
        "exit outstanding=0",
    };
    EXPECT_EQ(run.journal, expected);
}

TEST(AmigaStartup, EngineModesDoNotNeedIntuition) {
    QUIN_REQUIRE_AMIGA_BIN();
    AmigaRun run = run_amiga({"--perft", "2"}, "library");
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.out, "400\n");
    EXPECT_TRUE(journal_calls(run, "OpenLibrary").empty());
    expect_clean_journal(run);
}

TEST(AmigaStartup, VersionAndStackMarkersAreInTheProgramFile) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string bytes = read_file(amiga_bin());
    // Each marker stands whole and NUL-terminated, as the system scans for it.
    for (const char *marker :
         {"$VER: Quintar C ZevivEzezoz 1.0 beta (24.09.2026)", "$STACK:262144"}) {
        EXPECT_NE(bytes.find(std::string(marker) + '\0'), std::string::npos) << marker;
    }
}

}  // namespace
