// Uninstall's command line as the program acts on it, where its run log may
// not go, and the exit code a run ends with.
#include "FileHelpers.h"
#include "ImportHook.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "UninstallRun.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class UninstallRunTest : public ::testing::Test {
protected:
    void TearDown() override { runfront::AppRunLog().Close(); }

    int Run(const std::string& arguments, bool administrator = true, int interactiveCode = runfront::kExitSuccess)
    {
        return RunUninstall(arguments, administrator, [&]() {
            ++interactiveRuns;
            return interactiveCode;
        });
    }
    // The run log's records without their stamps and line ends.
    std::vector<std::string> Records(const std::string& log)
    {
        std::vector<std::string> records;
        for (std::string line : testfs::SplitLines(testfs::ReadFile(log))) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            records.push_back(line.size() > 25 ? line.substr(25) : line);
        }
        return records;
    }

    TempDir temp;
    RegistryOverride registry;
    int interactiveRuns = 0;
};

TEST_F(UninstallRunTest, BadSilentCommandLineRemovesNothingAndShowsNoBox)
{
    // A box would wait for a click: the test would not end.
    EXPECT_EQ(Run("/S /D=C:\\ZEMLO"), runfront::kExitBadCommandLine);
    EXPECT_EQ(Run("/LOG=" + (temp / "bad.log") + " /S /X"), runfront::kExitBadCommandLine);
    EXPECT_EQ(interactiveRuns, 0);
    EXPECT_FALSE(testfs::Exists(temp / "bad.log"));
}

TEST_F(UninstallRunTest, SilentUsageGoesToTheRunLogAndShowsNoBox)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const std::string log = temp / "usage.log";
    EXPECT_EQ(Run("/S /LOG=" + log + " /?"), runfront::kExitSuccess);
    EXPECT_EQ(boxes.count(), 0);
    const std::vector<std::string> records = Records(log);
    EXPECT_NE(std::find(records.begin(), records.end(), "用法: Uninstall.exe [/S] [/LOG=<日志文件>]"), records.end());
    EXPECT_EQ(records.back(), "退出代码: 0 (成功)");
    EXPECT_EQ(Run("/?"), runfront::kExitSuccess);
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(interactiveRuns, 0);
}

TEST_F(UninstallRunTest, TheRunLogIsNeverInsideTheProgramsFolderOrTheRecordedInstallation)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const std::string installation = temp / "ZEMLO";
    const std::string record = installation + "\\Uninstall.log";
    const std::string entries = "File Copy: " + installation + "\\a.dwg\r\n";
    testfs::WriteFile(record, entries);
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", installation));
    const std::string besideProgram = testfs::ProgramFolder() + "uninstall-run-test.log";

    EXPECT_EQ(Run("/S /? /LOG=" + record), runfront::kExitSuccess);
    EXPECT_EQ(Run("/S /? /LOG=" + installation + "\\new.log"), runfront::kExitSuccess);
    EXPECT_EQ(Run("/S /? /LOG=" + besideProgram), runfront::kExitSuccess);
    EXPECT_EQ(testfs::ReadFile(record), entries);
    EXPECT_EQ(testfs::ListFolder(installation), std::vector<std::string>{"Uninstall.log"});
    EXPECT_FALSE(testfs::Exists(besideProgram));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(UninstallRunTest, WithoutAdministratorRightsNothingRuns)
{
    const std::string log = temp / "run.log";
    EXPECT_EQ(Run("/S /LOG=" + log, false), runfront::kExitNotAdministrator);
    EXPECT_EQ(interactiveRuns, 0);
    EXPECT_EQ(Records(log).back(), "退出代码: 740 (需要管理员权限)");
}

TEST_F(UninstallRunTest, TheInteractiveRunsExitCodeEndsTheLog)
{
    const std::string log = temp / "run.log";
    EXPECT_EQ(Run("/LOG=" + log, true, runfront::kExitCancelled), runfront::kExitCancelled);
    EXPECT_EQ(interactiveRuns, 1);
    EXPECT_EQ(Records(log).back(), "退出代码: 1602 (用户取消)");
}

TEST_F(UninstallRunTest, UnattendedRunWithoutAnInstallationLogFailsHavingTouchedNothing)
{
    // Neither beside the test program nor recorded in the (empty,
    // redirected) registry.
    const std::string log = temp / "run.log";
    EXPECT_EQ(Run("/S /LOG=" + log), runfront::kExitFailed);
    EXPECT_EQ(interactiveRuns, 0);
    const std::vector<std::string> records = Records(log);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[records.size() - 2].rfind("失败: 找不到卸载日志 ", 0), 0u) << records[records.size() - 2];
    EXPECT_EQ(records.back(), "退出代码: 1603 (失败, 已做的改动全部撤销)");
}

}  // namespace
