// The worker's run as a whole: the order of its steps and the messages it
// sends and posts to the progress page.
#include "PromptTexts.h"
#include "SetupThreadFixture.h"

using testfs::Exists;
using testfs::IsDirectory;

namespace {
using Lines = std::vector<std::string>;
}

TEST_F(SetupThreadTest, CleanRunReportsEveryEntryThenConfiguringThenDone)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    PutMediumFile("Support\\b\\c.txt", "text");
    PutMediumFile("Data\\d.dat", "data");
    PutMediumFile("setup.exe", "MZ");
    PutMediumFile("readme.txt", "read me");

    RunInstall();

    // Files and sub-folders are reported in search order; a folder after
    // everything inside it. All progress and the configuring message are
    // sent (the worker waits), the end is posted.
    ASSERT_EQ(window.messages.size(), 6u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {Medium("Support\\a.lsp"), Install("Support\\a.lsp")},
        {Medium("Support\\b\\c.txt"), Install("Support\\b\\c.txt")},
        {Medium("Support\\b"), Install("Support\\b")},
        {Medium("Data\\d.dat"), Install("Data\\d.dat")},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RecordedMessage& m = window.messages[i];
        EXPECT_EQ(m.message, WM_SETUP_PROGRESS) << i;
        EXPECT_TRUE(m.sent) << i;
        EXPECT_EQ(m.wText, expected[i].first) << i;
        EXPECT_EQ(m.lText, expected[i].second) << i;
    }
    EXPECT_EQ(window.messages[4].message, WM_SETUP_CONFIGURING);
    EXPECT_TRUE(window.messages[4].sent);
    EXPECT_EQ(window.messages[4].wParam, 0u);
    EXPECT_EQ(window.messages[4].lParam, 0);
    EXPECT_EQ(window.messages[5].message, WM_SETUP_DONE);
    EXPECT_FALSE(window.messages[5].sent);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 0);
    EXPECT_TRUE(thread.prompts.empty());

    // The product folders in their fixed order, each with its "Made Dir: "
    // line even when empty; then the root files; the log's own line last.
    const Lines expectedLog = {
        "Made Dir: " + Install("Support"),
        "File Copy: " + Install("Support\\a.lsp"),
        "Made Dir: " + Install("Support\\b"),
        "File Copy: " + Install("Support\\b\\c.txt"),
        "Made Dir: " + Install("Controls"),
        "Made Dir: " + Install("图框"),
        "Made Dir: " + Install("模板"),
        "Made Dir: " + Install("Database"),
        "Made Dir: " + Install("Data"),
        "File Copy: " + Install("Data\\d.dat"),
        "Made Dir: " + Install("Temp"),
        "File Copy: " + Install("readme.txt"),
        "RegDB Key: 2,SOFTWARE\\Kestrova\\enggZEMLO\\V8",
        "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8",
        "File Copy: " + Install("Uninstall.log"),
    };
    EXPECT_EQ(LogLines(), expectedLog);

    for (const char* name : CSetupThread::ProductFolders())
        EXPECT_TRUE(IsDirectory(Install(name))) << name;
    EXPECT_EQ(testfs::ReadFile(Install("Support\\b\\c.txt")), "text");
    EXPECT_FALSE(Exists(Install("setup.exe")));
    EXPECT_TRUE(Exists(Install("Uninstall.log")));

    // The thread ends through its own message loop with exit code 0.
    DWORD exitCode = 99;
    ASSERT_TRUE(::GetExitCodeThread(thread.m_hThread, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(SetupThreadTest, CancelDuringThirdFolderStopsAfterTheEntryAndWritesNoLog)
{
    MakeProductFolders();
    PutMediumFile("Support\\s.txt");
    PutMediumFile("Controls\\c.txt");
    PutMediumFile("图框\\f1.dwg");
    PutMediumFile("图框\\f2.dwg");
    PutMediumFile("模板\\t.dwt");
    PutMediumFile("readme.txt");

    // The user confirms a cancel while the first entry of the third folder
    // is being reported.
    const std::string third = Install("图框");
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS && m.lText.compare(0, third.size(), third) == 0)
            thread.Cancel();
    };
    RunInstall();

    EXPECT_EQ(ProgressDestinations(),
              (Lines{Install("Support\\s.txt"), Install("Controls\\c.txt"), Install("图框\\f1.dwg")}));
    ASSERT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_FALSE(window.Of(WM_SETUP_FAILED)[0].sent);
    EXPECT_EQ(window.Count(WM_SETUP_CONFIGURING), 0);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);

    // What was copied stays; nothing after the entry being handled is done.
    EXPECT_TRUE(Exists(Install("Support\\s.txt")));
    EXPECT_TRUE(Exists(Install("Controls\\c.txt")));
    EXPECT_TRUE(Exists(Install("图框\\f1.dwg")));
    EXPECT_FALSE(Exists(Install("图框\\f2.dwg")));
    EXPECT_FALSE(Exists(Install("模板")));
    EXPECT_FALSE(Exists(Install("readme.txt")));
    EXPECT_FALSE(Exists(Install("Uninstall.log")));
}

TEST_F(SetupThreadTest, CancelAfterTheLastProductFolderCheckDoesNotStopTheRun)
{
    // Temp is missing; while its question is open the user also confirms a
    // cancel, then skips the folder. No copy check follows, so every later
    // step still runs.
    MakeProductFolders();
    testfs::RemoveTree(Medium("Temp"));
    PutMediumFile("readme.txt");
    thread.answers.push_back({IDIGNORE, [&] { thread.Cancel(); }});

    RunInstall();

    EXPECT_TRUE(thread.IsCancelled());
    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 0);
    EXPECT_EQ(window.Count(WM_SETUP_CONFIGURING), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_TRUE(IsDirectory(Install("Temp")));
    EXPECT_TRUE(Exists(Install("readme.txt")));
    EXPECT_TRUE(Exists(Install("Uninstall.log")));
}

TEST_F(SetupThreadTest, MissingFolderAbortEndsTheRunWithFailed)
{
    MakeProductFolders();
    PutMediumFile("Support\\s.txt");
    testfs::RemoveTree(Medium("Controls"));
    PutMediumFile("readme.txt");
    thread.answers.push_back({IDABORT, nullptr});

    RunInstall();

    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(thread.prompts[0].type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONQUESTION));
    EXPECT_EQ(thread.prompts[0].type, 0x22u);
    // The system's text for the failed search, then the folder searched
    // (with its backslash).
    EXPECT_EQ(thread.prompts[0].text, MissingFolderText(ERROR_PATH_NOT_FOUND, Medium("Controls\\")));

    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
    EXPECT_TRUE(Exists(Install("Support\\s.txt")));
    EXPECT_FALSE(Exists(Install("Controls")));
    EXPECT_FALSE(Exists(Install("图框")));
    EXPECT_FALSE(Exists(Install("readme.txt")));
    EXPECT_FALSE(Exists(Install("Uninstall.log")));
}

TEST_F(SetupThreadTest, MissingFolderIgnoreMakesEmptyDestinationAndGoesOn)
{
    MakeProductFolders();
    testfs::RemoveTree(Medium("Support"));
    PutMediumFile("Controls\\c.txt");
    thread.answers.push_back({IDIGNORE, nullptr});

    RunInstall();

    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_TRUE(IsDirectory(Install("Support")));
    EXPECT_TRUE(testfs::ListFolder(Install("Support")).empty());
    EXPECT_TRUE(Exists(Install("Controls\\c.txt")));
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    const Lines lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Made Dir: " + Install("Support"));
    EXPECT_EQ(lines[1], "Made Dir: " + Install("Controls"));
}

TEST_F(SetupThreadTest, MissingFolderRetryAfterItAppearsCopiesIt)
{
    MakeProductFolders();
    testfs::RemoveTree(Medium("Controls"));
    // First Retry: still missing (a second box). Second Retry: the disc
    // has been changed and the folder is there.
    thread.answers.push_back({IDRETRY, nullptr});
    thread.answers.push_back({IDRETRY, [&] { PutMediumFile("Controls\\x.ocx", "ocx"); }});

    RunInstall();

    EXPECT_EQ(thread.prompts.size(), 2u);
    EXPECT_EQ(testfs::ReadFile(Install("Controls\\x.ocx")), "ocx");
    EXPECT_EQ(ProgressDestinations(), (Lines{Install("Controls\\x.ocx")}));
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
}

TEST_F(SetupThreadTest, FolderThatCannotBeCreatedCancelEndsTheRunWithFailed)
{
    MakeProductFolders();
    // A file stands where the install folder must go.
    testfs::WriteFile(temp / "dest", "not a folder");
    thread.answers.push_back({IDCANCEL, nullptr});

    RunInstall();

    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(thread.prompts[0].type, 0x25u);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
    // The "Made Dir: " line was recorded before anything was tried.
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + Install("Support")}));
}
