// The worker's run as a whole: the order of its steps, the messages it
// sends and posts to the progress page, the questions of the copy steps
// and "Uninstall.log" on disk.
#include "SetupThreadFixture.h"

#include <algorithm>

using testfs::Exists;
using testfs::IsDirectory;

TEST_F(SetupThreadTest, CleanRunCopiesReportsRecordsAndReplacesTheLogInOrder)
{
    // 淺 is 9C 5C and 嘰 is 87 5C in GBK: a byte-wise backslash test would
    // cut these names in two.
    ASSERT_EQ(std::string("淺嘰"), "\x9C\x5C\x87\x5C");
    SetInstallDir(temp / "目标嘰\\");
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    PutMediumFile("Support\\淺\\運.lsp", "gbk");
    PutMediumFile("Support\\誠", "plain");
    PutMediumFile("Data\\d.dat", "data");
    PutMediumFile("setup.exe", "MZ");
    PutMediumFile("readme.txt", "read me");
    const std::string desk = temp / "Desk\\", sub = temp / "Menu\\direveradi ZEMLO V8.0";
    testfs::MakeDirs(desk);
    const char shellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    testreg::Put(HKEY_CURRENT_USER, shellFolders, "Desktop", desk);
    testreg::Put(HKEY_CURRENT_USER, shellFolders, "Programs", temp / "Menu");
    // The hidden log of an earlier installation into this folder is
    // replaced, never merged. (Windows refuses to recreate a hidden file in
    // place, so it must be deleted first; Wine allows it, so there this
    // only shows the result.)
    testfs::WriteFile(Install("Uninstall.log"), "File Copy: " + Install("old.lsp") + "\r\n");
    ASSERT_TRUE(::SetFileAttributesA(Install("Uninstall.log").c_str(), FILE_ATTRIBUTE_HIDDEN));

    RunInstall();

    // Files and sub-folders are reported in search order, a folder after
    // everything inside it. Progress and the configuring message are sent
    // (the worker waits), the end is posted.
    EXPECT_EQ(window.Trace(), (Lines{Progress("Support\\a.lsp"), Progress("Support\\淺\\運.lsp"), Progress("Support\\淺"),
                                    Progress("Support\\誠"), Progress("Data\\d.dat"),
                                    TraceLine(WM_SETUP_CONFIGURING, true), TraceLine(WM_SETUP_DONE, false)}));
    EXPECT_TRUE(script.prompts.empty());

    // The product folders in their fixed order, each with its "Made Dir: "
    // line before its contents (the uninstaller removes folders
    // last-recorded first) even when empty; the root files without Setup;
    // the two machine-wide keys; the shortcuts; the log's own line last.
    // On disk: CRLF, no byte-order mark, hidden.
    const auto made = [&](const std::string& path) { return "Made Dir: " + Install(path); };
    const auto copied = [&](const std::string& path) { return "File Copy: " + Install(path); };
    const Lines expected = {
        made("Support"), copied("Support\\a.lsp"), made("Support\\淺"), copied("Support\\淺\\運.lsp"),
        copied("Support\\誠"), made("Controls"), made("图框"), made("模板"), made("Database"), made("Data"),
        copied("Data\\d.dat"), made("Temp"), copied("readme.txt"),
        "RegDB Key: 2,SOFTWARE\\Kestrova\\enggZEMLO\\V8",
        "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8", "Made Dir: " + sub,
        "File Copy: " + desk + "土方计算地形分析.LNK", "File Copy: " + sub + "\\ZEMLO V8.0.LNK",
        "File Copy: " + sub + "\\官方网站.LNK", "File Copy: " + sub + "\\ZEMLO V8.0 卸载程序.LNK", copied("Uninstall.log"),
    };
    std::string bytes;
    for (const std::string& line : expected)
        bytes += line + "\r\n";
    EXPECT_EQ(testfs::ReadFile(Install("Uninstall.log")), bytes);
    EXPECT_EQ(testfs::AttributesWithoutArchive(Install("Uninstall.log")), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    for (const char* name : engine::ProductFolders())
        EXPECT_TRUE(IsDirectory(Install(name))) << name;
    EXPECT_EQ(testfs::ReadFile(Install("Support\\淺\\運.lsp")), "gbk");
    EXPECT_EQ(testfs::ReadFile(Install("Support\\誠")), "plain");
    EXPECT_FALSE(Exists(Install("setup.exe")));

    // The thread ends through its own message loop with exit code 0.
    DWORD exitCode = 99;
    ASSERT_TRUE(::GetExitCodeThread(thread.GetThreadHandle(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(SetupThreadTest, CancelDuringThirdFolderStopsAfterTheEntryAndWritesNoLog)
{
    MakeProductFolders();
    for (const char* file : {"Support\\s.txt", "Controls\\c.txt", "图框\\f1.dwg", "图框\\f2.dwg", "模板\\t.dwt", "readme.txt"})
        PutMediumFile(file);
    // The user confirms a cancel while the first entry of the third folder
    // is being reported.
    const std::string third = Install("图框");
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS && m.lText.compare(0, third.size(), third) == 0)
            thread.Cancel();
    };
    RunInstall();

    EXPECT_EQ(window.Trace(), (Lines{Progress("Support\\s.txt"), Progress("Controls\\c.txt"), Progress("图框\\f1.dwg"),
                                    TraceLine(WM_SETUP_FAILED, false)}));
    // Nothing after the entry being handled is done, and what was done is
    // undone: the destination did not exist, so it is gone again.
    EXPECT_FALSE(Exists(Install()));
    EXPECT_FALSE(thread.Outcome().Report().empty());
}

// A product folder missing from the medium, and the user's answers to the
// question about it.
struct MissingFolderCase {
    const char* folder;
    std::vector<int> answers;
    bool appearsAtLastAnswer;  // the disc was changed before the last answer
    bool cancelAtLastAnswer;   // a cancel was confirmed while the box was open
    bool done;
};

void PrintTo(const MissingFolderCase& c, std::ostream* os)
{
    *os << c.folder << " answered " << ::testing::PrintToString(c.answers);
}

class MissingFolderTest : public SetupThreadTest, public ::testing::WithParamInterface<MissingFolderCase> {};

TEST_P(MissingFolderTest, AnswersDecideWhatIsCopied)
{
    const MissingFolderCase& c = GetParam();
    MakeProductFolders();
    for (const char* name : engine::ProductFolders())
        PutMediumFile(std::string(name) + "\\f.txt");
    testfs::RemoveTree(Medium(c.folder));
    for (std::size_t i = 0; i < c.answers.size(); ++i) {
        const bool last = i + 1 == c.answers.size();
        script.answers.push_back({c.answers[i], [&, last] {
                                      if (last && c.appearsAtLastAnswer)
                                          PutMediumFile(std::string(c.folder) + "\\f.txt");
                                      if (last && c.cancelAtLastAnswer)
                                          thread.Cancel();
                                  }});
    }

    RunInstall();

    // The system's text for the failed search, then the folder searched
    // (with its backslash).
    const PromptRecord prompt = {MissingFolderText(ERROR_PATH_NOT_FOUND, Medium(std::string(c.folder) + "\\")),
                                 MB_ABORTRETRYIGNORE | MB_ICONQUESTION};
    EXPECT_EQ(script.prompts, std::vector<PromptRecord>(c.answers.size(), prompt));
    EXPECT_EQ(window.Count(WM_SETUP_DONE), c.done ? 1 : 0);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), c.done ? 0 : 1);
    EXPECT_EQ(Exists(Install("Uninstall.log")), c.done);
    // A skipped folder is still made and recorded, empty.
    EXPECT_EQ(IsDirectory(Install(c.folder)), c.done);
    const Lines lines = LogLines();
    // The folder is recorded once made (the record stays what was done,
    // also when the run was undone afterwards).
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Made Dir: " + Install(c.folder)), c.answers.back() != IDABORT);
    // An aborted run undoes the folders copied before the missing one.
    for (const char* name : engine::ProductFolders()) {
        const bool missing = std::string(name) == c.folder;
        EXPECT_EQ(Exists(Install(std::string(name) + "\\f.txt")), c.done && (!missing || c.appearsAtLastAnswer))
            << name;
    }
    EXPECT_EQ(Exists(Install()), c.done);
}

INSTANTIATE_TEST_SUITE_P(Answers, MissingFolderTest,
                         ::testing::Values(MissingFolderCase{"Controls", {IDABORT}, false, false, false},
                                           MissingFolderCase{"Support", {IDIGNORE}, false, false, true},
                                           MissingFolderCase{"Controls", {IDRETRY, IDRETRY}, true, false, true},
                                           // A cancel confirmed while the last folder's question
                                           // was open still undoes the run.
                                           MissingFolderCase{"Temp", {IDIGNORE}, false, true, false}));

TEST_F(SetupThreadTest, InstallFolderThatCannotBeMadeEndsTheRunWithFailed)
{
    // A file stands where the product folders must go; the user cancels.
    testfs::WriteFile(temp / "file", "not a folder");
    SetInstallDir(temp / "file\\");
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp");
    RunInstall();
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
    // A folder is recorded only once it exists.
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SetupThreadTest, LogThatCannotBeWrittenIsReportedAndTheRunFails)
{
    MakeProductFolders();
    // A folder named Uninstall.log can be neither deleted as a file nor
    // opened for writing.
    testfs::MakeDirs(Install("Uninstall.log"));

    RunInstall();

    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(script.prompts[0].text.find(Install("Uninstall.log")), std::string::npos);
    // Without its log the installation could never be removed: it is
    // undone instead (every step of it: RollbackTest).
    EXPECT_EQ(window.Count(WM_SETUP_CONFIGURING), 0);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
}
