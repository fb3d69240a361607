// Setup's command line as the program acts on it: which runs show no box,
// the run log, where it may not go, and its last line, the rights check,
// the folder handed to the wizard, and the destinations an unattended run
// refuses before it starts.
#include "FileHelpers.h"
#include "ImportHook.h"
#include "RegistryOverride.h"
#include "SetupRun.h"
#include "TempDir.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SetupRunTest : public ::testing::Test {
protected:
    void TearDown() override { runfront::AppRunLog().Close(); }

    // Runs the program's logic with a wizard that records its folder.
    int Run(const std::string& arguments, bool administrator = true, int wizardCode = runfront::kExitSuccess)
    {
        return RunSetup(arguments, administrator, [&](const std::string& folder) {
            wizardFolders.push_back(folder);
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
    EXPECT_NE(text.find("  用法: Setup.exe [/S] [/LOG=<日志文件>] [/D=<安装文件夹>]\r\n"), std::string::npos) << text;
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

}  // namespace
