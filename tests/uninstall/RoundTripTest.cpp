// An installation by the install worker, undone by the uninstall worker
// from the log the installation wrote: everything the log records is gone,
// and of the install folder only the running uninstaller is left (for the
// self-removal).
#include "UninstallFixture.h"

#include "engine/SetupThread.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"

namespace {
// The install worker with nobody to ask: every question is declined.
class QuietSetupThread : public CSetupThread {
public:
    Lines questions;

protected:
    int AskUser(const std::string& text, UINT type) override
    {
        questions.push_back(text);
        return winlib::DecliningButton(type);
    }
};
}  // namespace

TEST_F(UninstallTest, ReplayOfAnInstallationLeavesOnlyTheRunningUninstaller)
{
    const std::string medium = Path("medium\\");
    const std::string install = Path("安装\\ZEMLO V8\\");
    for (const char* name : CSetupThread::ProductFolders())
        testfs::MakeDirs(medium + name);
    for (const char* file : {"Support\\zemlo.lsp", "Support\\2007-09\\Menu\\zemlo.mnu",
                             "Data\\示例工程\\运\\誠.txt", "Database\\土方定额.csv", "setup.exe", "Uninstall.exe", "readme.txt"})
        testfs::WriteFile(medium + file, "x");
    {
        RecordingWindow installWindow;
        QuietSetupThread setup;
        setup.m_strSourceDir = medium;
        setup.m_strInstallDir = install;
        ASSERT_TRUE(installWindow.RunThread(setup)) << "the install worker did not end";
        ASSERT_TRUE(setup.questions.empty()) << setup.questions.front();
    }
    ASSERT_TRUE(thread.ReadLog((install + "Uninstall.log").c_str()));
    const std::string log = thread.m_strLog;
    ASSERT_GT(thread.CountEntries(installlog::kFileCopy), 5);
    {
        // The uninstaller is running from the install folder: its file
        // cannot be deleted while it runs.
        winlib::ScopedHandle running(::CreateFileA((install + "Uninstall.exe").c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
        ASSERT_TRUE(running.valid());
        RunUninstall();
    }

    for (int kind : {installlog::kFileCopy, installlog::kMadeDir, installlog::kRegCtrl, installlog::kRegDbKey}) {
        std::size_t position = 0, start = 0, length = 0;
        while (installlog::FindNextEntry(log, kind, position, start, length)) {
            const std::string text = log.substr(start, length);
            if (kind != installlog::kRegDbKey) {
                EXPECT_TRUE(text == install + "Uninstall.exe" || !testfs::Exists(text)) << text;
                continue;
            }
            installlog::RegRootDigit digit = installlog::kOtherRoot;
            std::string_view subKey;
            ASSERT_TRUE(installlog::SplitRegKeyEntry(text, digit, subKey)) << text;
            EXPECT_FALSE(KeyExists(kLogRoots[digit], std::string(subKey))) << text;
        }
    }
    EXPECT_EQ(testfs::ListFolder(Path("安装\\ZEMLO V8")), Lines{"Uninstall.exe"});
}
