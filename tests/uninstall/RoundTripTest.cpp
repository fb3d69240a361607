// An installation by the install worker, undone by the uninstall worker
// from the log the installation wrote: everything the log records is gone,
// and of the install folder only the running uninstaller is left (for the
// self-removal).
#include "UninstallFixture.h"

#include "engine/SetupThread.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"

#include <set>

using testfs::Exists;

namespace {

// The install worker with nobody to ask: every question is declined.
class QuietSetupThread : public CSetupThread {
public:
    std::vector<std::string> questions;

protected:
    int AskUser(const std::string& text, UINT type) override
    {
        questions.push_back(text);
        return winlib::DecliningButton(type);
    }
};

// Every file and folder below folder, as paths relative to it.
void Collect(const std::string& folder, const std::string& relative, std::set<std::string>& out)
{
    for (const std::string& name : testfs::ListFolder(folder)) {
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        out.insert(path);
        if (testfs::IsDirectory(folder + "\\" + name))
            Collect(folder + "\\" + name, path, out);
    }
}

std::vector<std::string> Entries(const std::string& log, int kind)
{
    std::vector<std::string> texts;
    std::size_t position = 0, start = 0, length = 0;
    while (installlog::FindNextEntry(log, kind, position, start, length))
        texts.push_back(log.substr(start, length));
    return texts;
}

HKEY RootOf(installlog::RegRootDigit digit)
{
    switch (digit) {
    case installlog::kClassesRoot: return HKEY_CLASSES_ROOT;
    case installlog::kCurrentUser: return HKEY_CURRENT_USER;
    case installlog::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case installlog::kUsers: return HKEY_USERS;
    default: return HKEY_CURRENT_CONFIG;
    }
}

}  // namespace

TEST_F(UninstallTest, ReplayOfAnInstallationLeavesOnlyTheRunningUninstaller)
{
    const std::string medium = Path("medium\\");
    const std::string install = Path("安装\\ZEMLO V8\\");
    for (const char* name : CSetupThread::ProductFolders())
        testfs::MakeDirs(medium + name);
    testfs::WriteFile(medium + "Support\\zemlo.lsp", "lisp");
    testfs::WriteFile(medium + "Support\\2007-09\\Menu\\zemlo.mnu", "menu");
    testfs::WriteFile(medium + "Data\\示例工程\\地形数据\\地形点.txt", "points");
    testfs::WriteFile(medium + "Data\\示例工程\\运\\誠.txt", "gbk");
    testfs::WriteFile(medium + "Database\\土方定额.csv", "csv");
    testfs::WriteFile(medium + "setup.exe", "MZ setup");
    testfs::WriteFile(medium + "Uninstall.exe", "MZ uninstall");
    testfs::WriteFile(medium + "readme.txt", "read me");

    {
        RecordingWindow installWindow;
        QuietSetupThread setup;
        setup.m_strSourceDir = medium;
        setup.m_strInstallDir = install;
        ASSERT_TRUE(installWindow.RunThread(setup)) << "the install worker did not end";
        ASSERT_TRUE(setup.questions.empty()) << setup.questions.front();
    }
    const std::string logPath = install + "Uninstall.log";
    ASSERT_TRUE(Exists(logPath));
    ASSERT_TRUE(Exists(install + "Uninstall.exe"));

    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.ReadLog(logPath.c_str()));
    const std::string log = thread.m_strLog;
    ASSERT_GT(thread.CountEntries(installlog::kFileCopy), 5);

    {
        // The uninstaller is running from the install folder: its file
        // cannot be deleted while it runs.
        winlib::ScopedHandle running(::CreateFileA((install + "Uninstall.exe").c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(running.valid());
        RunUninstall();
    }

    EXPECT_EQ(window.Count(WM_UNINSTALL_FILE), thread.CountEntries(installlog::kFileCopy));
    EXPECT_EQ(window.Count(WM_UNINSTALL_DONE), 1);

    for (int kind : {installlog::kFileCopy, installlog::kMadeDir, installlog::kRegCtrl}) {
        for (const std::string& path : Entries(log, kind)) {
            if (path != install + "Uninstall.exe") {
                EXPECT_FALSE(Exists(path)) << path;
            }
        }
    }
    for (const std::string& text : Entries(log, installlog::kRegDbKey)) {
        installlog::RegRootDigit digit = installlog::kOtherRoot;
        std::string_view subKey;
        ASSERT_TRUE(installlog::SplitRegKeyEntry(text, digit, subKey)) << text;
        EXPECT_FALSE(regtest::KeyExists(RootOf(digit), std::string(subKey))) << text;
    }

    std::set<std::string> left;
    Collect(Path("安装\\ZEMLO V8"), "", left);
    EXPECT_EQ(left, (std::set<std::string>{"Uninstall.exe"}));
}
