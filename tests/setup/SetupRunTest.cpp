// Setup's command line as the program acts on it: which runs show no box,
// the run log, where it may not go, and its last line, the rights check,
// the folder handed to the wizard, and the destinations an unattended run
// refuses before it starts.
#include "FileHelpers.h"
#include "ImportHook.h"
#include "InstallationLock.h"
#include "RegistryOverride.h"
#include "RestartRecorder.h"
#include "SetupRun.h"
#include "TempDir.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class SetupRunTest : public ::testing::Test {
protected:
    void TearDown() override { runfront::AppRunLog().Close(); }

    // Runs the program's logic with a wizard that records its folder.
    int Run(const std::string& arguments, bool administrator = true, int wizardCode = runfront::kExitSuccess)
    {
        return RunSetup(arguments, administrator, [&](const std::string& folder, const engine::Audience& audience) {
            wizardFolders.push_back(folder);
            wizardAudiences.push_back(audience.allUsers);
            return wizardCode;
        });
    }
    std::string LastRecord(const std::string& log)
    {
        const std::vector<std::string> lines = testfs::SplitLines(testfs::ReadFile(log));
        if (lines.empty() || lines.back().size() < 25)
            return std::string();
        std::string last = lines.back().substr(25);
        if (!last.empty() && last.back() == '\r')
            last.pop_back();
        return last;
    }

    TempDir temp;
    RegistryOverride registry;
    std::vector<std::string> wizardFolders;
    std::vector<bool> wizardAudiences;  // for all users
};

TEST_F(SetupRunTest, BadSilentCommandLineEndsWithoutABoxAndUsesNothingOfIt)
{
    // A box would wait for a click: the test would not end.
    const std::string log = temp / "bad.log";
    EXPECT_EQ(Run("/LOG=" + log + " /S /Q"), runfront::kExitBadCommandLine);
    EXPECT_EQ(Run("/D=C:\\ZEMLO /S"), runfront::kExitBadCommandLine);
    EXPECT_TRUE(wizardFolders.empty());
    EXPECT_FALSE(testfs::Exists(log));
}

TEST_F(SetupRunTest, SilentUsageGoesToTheRunLogAndShowsNoBox)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const std::string log = temp / "usage.log";
    EXPECT_EQ(Run("/? /S /LOG=" + log), runfront::kExitSuccess);
    EXPECT_EQ(boxes.count(), 0);
    const std::string text = testfs::ReadFile(log);
    EXPECT_NE(text.find("  用法: Setup.exe [/S] [/ALLUSERS] [/LOG=<日志文件>] [/D=<安装文件夹>]\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    /D=<安装文件夹>  安装到该文件夹 (完整路径)。"), std::string::npos) << text;
    EXPECT_EQ(LastRecord(log), "退出代码: 0 (成功)");
    // /S inside a quoted name still counts: neither the usage nor the
    // refused log (no such folder) shows a box.
    EXPECT_EQ(Run("/? /LOG=\"" + temp / "x /S y.log" + "\""), runfront::kExitSuccess);
    EXPECT_EQ(boxes.count(), 0);
    // Without /S the usage is a box.
    EXPECT_EQ(Run("/?"), runfront::kExitSuccess);
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_TRUE(wizardFolders.empty());
}

TEST_F(SetupRunTest, TheRunLogIsNeverInsideTheMediumAnEarlierInstallationOrTheDestination)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const std::string earlier = temp / "ZEMLO";
    const std::string record = earlier + "\\Uninstall.log";
    const std::string entries = "File Copy: " + earlier + "\\a.dwg\r\nMade Dir: " + earlier + "\r\n";
    testfs::WriteFile(record, entries);  // not hidden: its folder alone protects it
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", earlier + "\\"));
    const std::string destination = temp / "目标 淺";
    testfs::WriteFile(destination + "\\notes.log", "kept");
    const std::string onMedium = testfs::ProgramFolder() + "setup-run-test.log";

    for (const std::string& log : {record, destination + "\\notes.log", onMedium, destination + "\\new.log"})
        EXPECT_EQ(Run("/S /? /LOG=\"" + log + "\" /D=" + destination), runfront::kExitSuccess) << log;
    EXPECT_EQ(testfs::ReadFile(record), entries);
    EXPECT_EQ(testfs::ReadFile(destination + "\\notes.log"), "kept");
    EXPECT_FALSE(testfs::Exists(onMedium));
    EXPECT_FALSE(testfs::Exists(destination + "\\new.log"));
    EXPECT_EQ(boxes.count(), 0);
    // Beside them it is written.
    const std::string log = temp / "run.log";
    EXPECT_EQ(Run("/S /? /LOG=" + log + " /D=" + destination), runfront::kExitSuccess);
    EXPECT_EQ(LastRecord(log), "退出代码: 0 (成功)");
}

TEST_F(SetupRunTest, WithoutAdministratorRightsNothingRunsAndTheLogSaysWhy)
{
    const std::string log = temp / "run.log";
    EXPECT_EQ(Run("/S /LOG=" + log, false), runfront::kExitNotAdministrator);
    EXPECT_TRUE(wizardFolders.empty());
    EXPECT_EQ(LastRecord(log), "退出代码: 740 (需要管理员权限)");
}

TEST_F(SetupRunTest, TheWizardGetsTheGivenFolderAndItsExitCodeEndsTheLog)
{
    const std::string log = temp / "wizard.log";
    EXPECT_EQ(Run("/LOG=\"" + log + "\" /D=C:\\Program Files\\淺 ZEMLO", true, runfront::kExitCancelled),
              runfront::kExitCancelled);
    EXPECT_EQ(Run(""), runfront::kExitSuccess);
    EXPECT_EQ(wizardFolders, (std::vector<std::string>{"C:\\Program Files\\淺 ZEMLO", ""}));
    // The tests run as a person: all users only when asked for.
    EXPECT_EQ(Run("/ALLUSERS"), runfront::kExitSuccess);
    EXPECT_EQ(wizardAudiences, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(LastRecord(log), "退出代码: 1602 (用户取消)");
}

TEST_F(SetupRunTest, UnattendedRunDeclinesAFolderWithSomebodysFilesAndTouchesNothing)
{
    const std::string medium = temp / "medium";
    const std::string folder = temp / "其他 程序";
    testfs::WriteFile(folder + "\\notes.txt", "mine");
    const std::string log = temp / "run.log";
    ASSERT_TRUE(runfront::AppRunLog().Open(log));
    runfront::CommandLineOptions options;
    options.silent = true;
    options.hasInstallDir = true;
    options.installDir = folder;

    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitFailed);

    EXPECT_EQ(testfs::ListFolder(folder), (std::vector<std::string>{"notes.txt"}));
    runfront::AppRunLog().Close();
    const std::string text = testfs::ReadFile(log);
    EXPECT_NE(text.find("问题: 目标文件夹中已有文件：" + folder + "\\"), std::string::npos) << text;
    EXPECT_NE(text.find("回答: 否（无人值守的回答）"), std::string::npos) << text;
}

// Without /D= an unattended run installs over the earlier installation in
// its own folder (not the default one); a recorded folder without its log
// is no installation, and a log in a folder nobody recorded is somebody's
// file (the folder then counts as holding somebody's files).
TEST_F(SetupRunTest, UnattendedRunInstallsOverTheEarlierInstallationInItsOwnFolder)
{
    const std::string medium = temp / "medium";
    for (const char* name : {"Support", "Controls", "图框", "模板", "Database", "Data", "Temp"})
        testfs::MakeDirs(medium + "\\" + name);
    testfs::WriteFile(medium + "\\Support\\a.lsp", "lisp");
    const std::string earlier = temp / "早先 的\\";
    testfs::WriteFile(earlier + "Uninstall.log", "File Copy: " + earlier + "old.lsp\r\n");
    testfs::WriteFile(earlier + "old.lsp", "old");
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", earlier));
    const std::string log = temp / "run.log";
    ASSERT_TRUE(runfront::AppRunLog().Open(log));
    runfront::CommandLineOptions options;
    options.silent = true;

    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitSuccess);

    EXPECT_EQ(testfs::ReadFile(earlier + "Support\\a.lsp"), "lisp");
    EXPECT_NE(testfs::ReadFile(earlier + "Uninstall.log").find("File Copy: " + earlier + "Support\\a.lsp"),
              std::string::npos);
    runfront::AppRunLog().Close();
    const std::string text = testfs::ReadFile(log);
    EXPECT_NE(text.find("无人值守安装，安装路径 " + earlier), std::string::npos) << text;
    EXPECT_NE(text.find("问题: 已经安装了本软件（" + earlier + "），是否重新安装？  回答: 是（无人值守的回答）"),
              std::string::npos)
        << text;

    // The log gone: the recorded folder is nobody's installation any more,
    // and the folder, which holds somebody's files, is declined.
    ASSERT_TRUE(::SetFileAttributesA((earlier + "Uninstall.log").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileA((earlier + "Uninstall.log").c_str()));
    testfs::WriteFile(temp / "stray\\Uninstall.log", "File Copy: x\r\n");
    options.hasInstallDir = true;
    for (const std::string& folder : {earlier, temp / "stray\\"}) {
        SCOPED_TRACE(folder);
        options.installDir = folder;
        EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitFailed);
    }
    EXPECT_EQ(testfs::ListFolder(temp / "stray"), (std::vector<std::string>{"Uninstall.log"}));
}

// /D= takes the destination page's rule: a form the uninstaller could not
// remove whole is refused before anything is touched (1603, the reason in
// the run log), and an existing short name is installed into in its long
// form, which is what the product key and the log then record.
TEST_F(SetupRunTest, UnattendedRunTakesOnlyFoldersItsUninstallerRemovesWhole)
{
    const std::string medium = temp / "medium";
    for (const char* name : {"Support", "Controls", "图框", "模板", "Database", "Data", "Temp"})
        testfs::MakeDirs(medium + "\\" + name);
    const std::string log = temp / "run.log";
    ASSERT_TRUE(runfront::AppRunLog().Open(log));
    runfront::CommandLineOptions options;
    options.silent = true;
    options.hasInstallDir = true;
    for (const std::string& refused : {std::string("\\\\localhost\\share\\ZEMLO"), std::string("C:\\"),
                                       temp / "dot.\\ZEMLO", temp / "a\\..\\ZEMLO", temp / "NUL\\ZEMLO"}) {
        SCOPED_TRACE(refused);
        options.installDir = refused;
        EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitFailed);
    }
    EXPECT_EQ(testfs::Sorted(testfs::ListFolder(temp.path())), (std::vector<std::string>{"medium", "run.log"}));
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova"));

    testfs::MakeDirs(temp / "Long Folder Name");
    char shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA((temp / "Long Folder Name").c_str(), shortName, MAX_PATH), 0u);
    options.installDir = std::string(shortName) + "\\ZEMLO";
    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitSuccess);
    const std::string installed = temp / "Long Folder Name\\ZEMLO\\";
    char recorded[MAX_PATH] = {};
    DWORD size = sizeof(recorded);
    ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", RRF_RT_REG_SZ, nullptr, recorded,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(recorded), installed);
    EXPECT_NE(testfs::ReadFile(installed + "Uninstall.log").find("Made Dir: " + installed + "Support"), std::string::npos);
    runfront::AppRunLog().Close();
    EXPECT_NE(testfs::ReadFile(log).find("失败: 安装路径 \\\\localhost\\share\\ZEMLO 无效: "), std::string::npos);
}

TEST_F(SetupRunTest, UnattendedRunRefusesADestinationTooDeepForTheInstalledFiles)
{
    const std::string log = temp / "run.log";
    ASSERT_TRUE(runfront::AppRunLog().Open(log));
    runfront::CommandLineOptions options;
    options.silent = true;
    options.hasInstallDir = true;
    options.installDir = temp / std::string(240, 'd');

    EXPECT_EQ(RunUnattendedSetup(temp / "medium", options), runfront::kExitFailed);

    EXPECT_FALSE(testfs::Exists(options.installDir));
    runfront::AppRunLog().Close();
    EXPECT_NE(testfs::ReadFile(log).find("失败: 安装路径太长"), std::string::npos);
}

// A move: /D= names another folder than the earlier installation's. The
// earlier one is removed first by its own log under the uninstaller's
// rules (files, folders, its registration), then the new one is installed;
// both answers are in the run log.
class MoveTest : public SetupRunTest {
protected:
    void SetUp() override
    {
        for (const char* name : {"Support", "Controls", "图框", "模板", "Database", "Data", "Temp"})
            testfs::MakeDirs(medium + "\\" + name);
        testfs::WriteFile(medium + "\\Support\\a.lsp", "lisp");
        testfs::WriteFile(medium + "\\readme.txt", "readme");
        ASSERT_TRUE(runfront::AppRunLog().Open(log));
        options.silent = true;
        options.hasInstallDir = true;
        options.installDir = earlier;
        ASSERT_EQ(RunUnattendedSetup(medium, options), runfront::kExitSuccess);
        ASSERT_TRUE(testfs::Exists(earlier + "Uninstall.log"));
        options.installDir = moved;
    }
    std::string RunLogText()
    {
        runfront::AppRunLog().Close();
        return testfs::ReadFile(log);
    }
    std::string InstallPath() { return testreg::Text(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath"); }

    const std::string medium = temp / "medium";
    const std::string earlier = temp / "早先 安装\\ZEMLO\\";
    const std::string moved = temp / "新的\\ZEMLO\\";
    const std::string log = temp / "run.log";
    runfront::CommandLineOptions options;
};

TEST_F(MoveTest, TheEarlierInstallationIsRemovedBeforeTheNewOneIsWritten)
{
    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitSuccess);

    EXPECT_FALSE(testfs::Exists(earlier)) << "the earlier installation's folder stays";
    EXPECT_EQ(testfs::ReadFile(moved + "Support\\a.lsp"), "lisp");
    EXPECT_EQ(InstallPath(), moved);
    EXPECT_NE(testreg::Text(HKEY_LOCAL_MACHINE, testreg::kUninstallKey, "UninstallString").find(moved),
              std::string::npos);
    const std::string text = RunLogText();
    const std::size_t question =
        text.find("问题: 安装到另一个文件夹（" + moved + "）之前，先卸载原来的安装（" + earlier + "）？  回答: 是");
    const std::size_t removal = text.find("先卸载以前安装在 " + earlier + " 的 ZEMLO V8.0");
    const std::size_t removed = text.find("以前的安装已卸载");
    const std::size_t installing = text.find("准备安装文件夹 " + moved);
    EXPECT_NE(question, std::string::npos) << text;
    EXPECT_NE(removal, std::string::npos) << text;
    EXPECT_NE(removed, std::string::npos) << text;
    EXPECT_TRUE(question < removal && removal < removed && removed < installing) << text;
}

// Something of the earlier installation stays (a user's file in one of its
// folders): nothing of the new one is written, the earlier one keeps its
// registration, log and uninstaller, and the run log names what went.
TEST_F(MoveTest, AnEarlierInstallationNotRemovedWholeStopsTheRunWith1603)
{
    testfs::WriteFile(earlier + "Support\\mine.txt", "the user's");

    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitFailed);

    EXPECT_FALSE(testfs::Exists(temp / "新的")) << "the run wrote something of the new installation";
    EXPECT_EQ(testfs::ReadFile(earlier + "Support\\mine.txt"), "the user's");
    EXPECT_FALSE(testfs::Exists(earlier + "Support\\a.lsp"));
    EXPECT_TRUE(testfs::Exists(earlier + "Uninstall.log"));
    EXPECT_EQ(InstallPath(), earlier);
    const std::string text = RunLogText();
    EXPECT_NE(text.find("已删除: " + earlier + "Support\\a.lsp"), std::string::npos) << text;
    EXPECT_EQ(text.find("已删除: " + earlier + "Support\r"), std::string::npos) << text;
    EXPECT_NE(text.find("以前安装在 " + winlib::StripTrailingBackslashes(earlier) + " 的 ZEMLO V8.0 未能完整卸载"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("准备安装文件夹 " + moved), std::string::npos) << text;
}

// The earlier installation's uninstaller is at work: the move touches
// nothing and ends as Windows Installer does when another installation is
// in progress.
TEST_F(MoveTest, WhileTheEarlierInstallationsUninstallerRunsNothingIsTouched)
{
    CInstallationLock running;
    ASSERT_EQ(running.Acquire(winlib::StripTrailingBackslashes(earlier)), CInstallationLock::State::Held);

    EXPECT_EQ(RunUnattendedSetup(medium, options), runfront::kExitAlreadyRunning);

    EXPECT_EQ(testfs::ReadFile(earlier + "Support\\a.lsp"), "lisp");
    EXPECT_FALSE(testfs::Exists(temp / "新的"));
    EXPECT_EQ(InstallPath(), earlier);
    EXPECT_NE(RunLogText().find("另一个卸载程序正在卸载"), std::string::npos);
}

// A file of the earlier installation in use: it goes at the restart, the
// new installation is made, and Setup ends with 3010.
TEST_F(MoveTest, WhenOnlyFilesInUseWaitForTheRestartTheMoveEndsWith3010)
{
    RestartRecorder restart;
    ASSERT_TRUE(restart.ok());
    int code = 0;
    {
        const winlib::ScopedHandle held(::CreateFileA((earlier + "readme.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        code = RunUnattendedSetup(medium, options);
    }
    EXPECT_EQ(code, runfront::kExitRestartNeeded);
    EXPECT_NE(std::find(restart.scheduled.begin(), restart.scheduled.end(), earlier + "readme.txt"),
              restart.scheduled.end());
    EXPECT_EQ(testfs::ReadFile(moved + "Support\\a.lsp"), "lisp");
    EXPECT_EQ(InstallPath(), moved);
    EXPECT_NE(RunLogText().find("以前的安装已卸载，正在使用的文件在重新启动后删除"), std::string::npos);
}

}  // namespace
