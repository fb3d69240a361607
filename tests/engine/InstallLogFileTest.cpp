// "Uninstall.log" on disk: its bytes, its attributes, replacement on a
// second installation, and what happens when it cannot be written.
#include "RegistryHelpers.h"
#include "SetupThreadFixture.h"

#include "installlog/InstallLog.h"

using testfs::Exists;

TEST_F(SetupThreadTest, LogOnDiskHasCrLfNoBomIsHiddenAndEndsWithItself)
{
    // Support holds a.lsp, the other product folders are empty, the root
    // holds setup.exe and readme.txt; no control, no AutoCAD; the user has
    // a desktop and a Programs folder.
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp");
    PutMediumFile("setup.exe", "MZ");
    PutMediumFile("readme.txt");
    const std::string desk = temp / "Desk\\";
    const std::string menu = temp / "Menu\\";
    testfs::MakeDirs(desk);
    const char shellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    testreg::Put(HKEY_CURRENT_USER, shellFolders, "Desktop", desk);
    testreg::Put(HKEY_CURRENT_USER, shellFolders, "Programs", menu);

    RunInstall();

    const std::string logPath = Install("Uninstall.log");
    const std::string sub = menu + "direveradi ZEMLO V8.0";
    std::string expected;
    for (const char* name : CSetupThread::ProductFolders()) {
        expected += "Made Dir: " + Install(name) + "\r\n";
        if (std::string(name) == "Support")
            expected += "File Copy: " + Install("Support\\a.lsp") + "\r\n";
    }
    expected += "File Copy: " + Install("readme.txt") + "\r\n"
                "RegDB Key: 2,SOFTWARE\\Kestrova\\enggZEMLO\\V8\r\n"
                "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8\r\n"
                "Made Dir: " + sub + "\r\n"
                "File Copy: " + desk + "土方计算地形分析.LNK\r\n"
                "File Copy: " + sub + "\\ZEMLO V8.0.LNK\r\n"
                "File Copy: " + sub + "\\官方网站.LNK\r\n"
                "File Copy: " + sub + "\\ZEMLO V8.0 卸载程序.LNK\r\n"
                "File Copy: " + logPath + "\r\n";
    EXPECT_EQ(testfs::ReadFile(logPath), expected);
    EXPECT_EQ(testfs::AttributesWithoutArchive(logPath), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(SetupThreadTest, SecondInstallIntoTheSameFolderLeavesOnlyItsOwnLog)
{
    MakeProductFolders();
    PutMediumFile("Support\\first.lsp");
    RunInstall();
    ASSERT_TRUE(Exists(Install("Uninstall.log")));

    // A new worker, a changed medium, the same destination. (Windows
    // refuses to recreate a hidden file in place, so the old log must be
    // deleted first; Wine allows it, so there this only shows the result.)
    testfs::RemoveTree(Medium("Support\\first.lsp"));
    PutMediumFile("Support\\second.lsp");
    ScriptedSetupThread second;
    second.m_strSourceDir = m_medium;
    second.m_strInstallDir = m_install;
    ASSERT_TRUE(window.RunThread(second));

    const std::string bytes = testfs::ReadFile(Install("Uninstall.log"));
    std::string expected = second.m_strLog;
    for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.replace(at, 1, "\r\n");
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.find("first.lsp"), std::string::npos);
    EXPECT_NE(bytes.find("second.lsp"), std::string::npos);
    EXPECT_EQ(installlog::CountEntries(second.m_strLog, installlog::kFileCopy), 2);
    EXPECT_EQ(testfs::AttributesWithoutArchive(Install("Uninstall.log")), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(SetupThreadTest, LogThatCannotBeWrittenIsReportedAndTheRunStillEnds)
{
    MakeProductFolders();
    // A folder named Uninstall.log can be neither deleted as a file nor
    // opened for writing.
    testfs::MakeDirs(Install("Uninstall.log"));

    RunInstall();

    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(thread.prompts[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(thread.prompts[0].text.find(Install("Uninstall.log")), std::string::npos);
    EXPECT_EQ(window.Count(WM_SETUP_CONFIGURING), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 0);
    EXPECT_TRUE(testfs::IsDirectory(Install("Uninstall.log")));
}

TEST_F(SetupThreadTest, WriteUninstallLogReportsFailureToItsCaller)
{
    testfs::MakeDirs(Install("Uninstall.log"));
    thread.LogMadeDir(Install("Support"));
    EXPECT_FALSE(thread.WriteUninstallLog());

    TempDir other;
    thread.m_strInstallDir = other.path() + "\\";
    EXPECT_TRUE(thread.WriteUninstallLog());
}

TEST_F(SetupThreadTest, RecordOperationsWriteTheirPrefixesAndRootDigits)
{
    thread.LogFileCopy("C:\\a.txt");
    thread.LogMadeDir("C:\\d");
    thread.LogRegCtrl("C:\\c.ocx");
    thread.LogRegKey(HKEY_CLASSES_ROOT, "CLSID\\x");
    thread.LogRegKey(HKEY_CURRENT_USER, "Software\\u");
    thread.LogRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO\\V8");
    thread.LogRegKey(HKEY_USERS, ".DEFAULT\\x");
    thread.LogRegKey(HKEY_CURRENT_CONFIG, "System\\x");
    thread.LogRegKey(HKEY_PERFORMANCE_DATA, "p");
    EXPECT_EQ(thread.m_strLog,
              "File Copy: C:\\a.txt\n"
              "Made Dir: C:\\d\n"
              "Reg Ctrl: C:\\c.ocx\n"
              "RegDB Key: 0,CLSID\\x\n"
              "RegDB Key: 1,Software\\u\n"
              "RegDB Key: 2,SOFTWARE\\Kestrova\\enggZEMLO\\V8\n"
              "RegDB Key: 3,.DEFAULT\\x\n"
              "RegDB Key: 4,System\\x\n"
              "RegDB Key: 4,p\n");
}
