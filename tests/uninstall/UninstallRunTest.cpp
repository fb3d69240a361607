// Uninstall's command line as the program acts on it, where its run log may
// not go, and the exit code a run ends with.
#include "FileHelpers.h"
#include "ImportHook.h"
#include "InstallationLock.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "UninstallRun.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"

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

// An installation recorded under the product key, with one file.
struct RecordedInstallation {
    explicit RecordedInstallation(const std::string& folder) : folder(folder)
    {
        testfs::WriteFile(folder + "\\a.dwg", "dwg");
        testfs::WriteFile(log, "File Copy: " + folder + "\\a.dwg\r\nFile Copy: " + log + "\r\n");
        ok = testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", folder + "\\");
    }
    const std::string folder;
    const std::string log = folder + "\\Uninstall.log";
    bool ok = false;
};

// One lock per folder, whatever its spelling; other folders have their own.
TEST(InstallationLock, OneNamePerFolderInTheGlobalNamespace)
{
    TempDir temp;
    const std::string folder = temp / "ZEMLO V8";
    testfs::MakeDirs(folder);
    const std::string name = InstallationLockName(folder);
    EXPECT_EQ(name.rfind("Global\\ZEMLO-V8-Uninstall-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("Global\\ZEMLO-V8-Uninstall-").size() + 16);
    EXPECT_EQ(name.find('\\', 7), std::string::npos);
    std::string upper = folder;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    char shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA(folder.c_str(), shortName, MAX_PATH), 0u);
    for (const std::string& spelling : {folder + "\\", upper, std::string(shortName), folder + "\\\\"})
        EXPECT_EQ(InstallationLockName(spelling), name) << spelling;
    EXPECT_NE(InstallationLockName(temp / "ZEMLO V9"), name);
    EXPECT_NE(InstallationLockName(temp / "ZEMLO V8\\Sub"), name);

    CInstallationLock first, second;
    EXPECT_EQ(first.Acquire(folder), CInstallationLock::State::Held);
    EXPECT_EQ(second.Acquire(upper + "\\"), CInstallationLock::State::Busy);
    EXPECT_EQ(second.Acquire(temp / "Other"), CInstallationLock::State::Held);
}

// A second uninstaller on the same installation says so (a box with the
// window, the run log under /S), ends with 1618 and touches nothing; once
// the first has ended, the next one runs.
TEST_F(UninstallRunTest, ASecondUninstallerOfTheSameInstallationTouchesNothing)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const RecordedInstallation installation(temp / "ZEMLO");
    ASSERT_TRUE(installation.ok);
    const std::string log = temp / "run.log";
    {
        CInstallationLock first;
        ASSERT_EQ(first.Acquire(installation.folder + "\\"), CInstallationLock::State::Held);

        EXPECT_EQ(Run("/S /LOG=" + log), runfront::kExitAlreadyRunning);
        EXPECT_EQ(boxes.count(), 0);
        const std::vector<std::string> records = Records(log);
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records[records.size() - 2], "另一个卸载程序正在卸载 " + installation.folder + "，本程序没有做任何改动");
        EXPECT_EQ(records.back(), "退出代码: 1618 (另一个卸载程序正在运行, 没有做任何改动)");

        EXPECT_EQ(Run(""), runfront::kExitAlreadyRunning);
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_EQ(interactiveRuns, 0);
        EXPECT_EQ(testfs::ReadFile(installation.folder + "\\a.dwg"), "dwg");
        EXPECT_TRUE(testfs::Exists(installation.log));
        EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath"), installation.folder + "\\");
    }
    EXPECT_EQ(Run(""), runfront::kExitSuccess);
    EXPECT_EQ(interactiveRuns, 1);
    EXPECT_EQ(boxes.count(), 1);

    // The program's own folder is locked too: a copy of the installation's
    // uninstaller whose log the first one deleted already looks for the
    // recorded installation, and must still see that the first one runs.
    CInstallationLock first;
    ASSERT_EQ(first.Acquire(testfs::ProgramFolder()), CInstallationLock::State::Held);
    EXPECT_EQ(Run("/S /LOG=" + log), runfront::kExitAlreadyRunning);
    EXPECT_EQ(testfs::ReadFile(installation.folder + "\\a.dwg"), "dwg");
}

// A log that is there but cannot be read: under /S no box, nothing removed,
// 1603 with the reason in the run log.
TEST_F(UninstallRunTest, UnattendedRunWithAnUnreadableLogFailsHavingTouchedNothing)
{
    MessageBoxCounter boxes;
    ASSERT_TRUE(boxes.ok());
    const RecordedInstallation installation(temp / "ZEMLO");
    ASSERT_TRUE(installation.ok);
    const std::string log = temp / "run.log";
    {
        // Held open without sharing: the read cannot open it.
        winlib::ScopedHandle lock(::CreateFileA(installation.log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock.valid());
        EXPECT_EQ(Run("/S /LOG=" + log), runfront::kExitFailed);
    }
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(testfs::ReadFile(installation.folder + "\\a.dwg"), "dwg");
    const std::vector<std::string> records = Records(log);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[records.size() - 2].rfind("不能读取卸载日志: ", 0), 0u) << records[records.size() - 2];
    EXPECT_EQ(records.back(), "退出代码: 1603 (失败, 已做的改动全部撤销)");
    // A file that is no log at all: the same.
    testfs::WriteFile(installation.log, std::string("\0\1\2binary", 9));
    EXPECT_EQ(Run("/S /LOG=" + log), runfront::kExitFailed);
    EXPECT_EQ(testfs::ReadFile(installation.folder + "\\a.dwg"), "dwg");
}

}  // namespace
