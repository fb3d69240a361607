// The shortcuts: where they go, what they start, and what is recorded.
#include "SetupThreadFixture.h"
#include "winlib/Handles.h"

#include <objidl.h>
#include <shlobj.h>

using testreg::Put;

namespace {

const char kShellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kAcadArgs[] = "/p \"<<enggZEMLO V8>>\" /t acad.dwt";

struct Link {
    std::string target, arguments, workDir, icon;
    int iconIndex = -1;
};

// Loads a saved shell link the way the shell does.
Link ReadLink(const std::string& path)
{
    Link link;
    winlib::ScopedComPtr<IShellLinkA> shell;
    winlib::ScopedComPtr<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    char text[1024] = "";
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  shell.receive_void())) ||
        FAILED(shell->QueryInterface(IID_IPersistFile, file.receive_void())) ||
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(file->Load(wide, STGM_READ)))
        return link;
    shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    link.target = text;
    shell->GetArguments(text, sizeof text);
    link.arguments = text;
    shell->GetWorkingDirectory(text, MAX_PATH);
    link.workDir = text;
    shell->GetIconLocation(text, MAX_PATH, &link.iconIndex);
    link.icon = text;
    return link;
}

class ShortcutsTest : public SetupThreadTest {
protected:
    void SetUp() override
    {
        SetupThreadTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        m_desktop = temp / "Desk\\";
        m_menu = temp / "Menu\\";
        m_sub = m_menu + "direveradi ZEMLO V8.0\\";
        testfs::MakeDirs(m_desktop);
        testfs::MakeDirs(Install());
    }
    void TearDown() override { ::CoUninitialize(); }

    void UserShellFolders(const std::string& desktop, const std::string& programs)
    {
        Put(HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop);
        Put(HKEY_CURRENT_USER, kShellFolders, "Programs", programs);
    }
    // The log lines of the four shortcuts that are always made, with the
    // AutoCAD ones in between.
    Lines ExpectedLog(const Lines& acad = {}) const
    {
        Lines lines = {"Made Dir: " + m_sub.substr(0, m_sub.size() - 1),
                                          "File Copy: " + m_desktop + "土方计算地形分析.LNK",
                                          "File Copy: " + m_sub + "ZEMLO V8.0.LNK"};
        for (const std::string& name : acad)
            lines.push_back("File Copy: " + Install(name));
        lines.push_back("File Copy: " + m_sub + "官方网站.LNK");
        lines.push_back("File Copy: " + m_sub + "ZEMLO V8.0 卸载程序.LNK");
        return lines;
    }

    std::string m_desktop, m_menu, m_sub;
};

}  // namespace

TEST_F(ShortcutsTest, WithoutAutoCadTheFourProductShortcutsAreMade)
{
    // Blanks around a value and a missing backslash change nothing.
    UserShellFolders("  " + m_desktop + " ", m_menu.substr(0, m_menu.size() - 1));
    // A stale file where a shortcut goes is replaced.
    testfs::WriteFile(m_desktop + "土方计算地形分析.LNK", "stale");

    ASSERT_TRUE(thread.CreateShortcuts());

    EXPECT_EQ(LogLines(), ExpectedLog());
    const Link desk = ReadLink(m_desktop + "土方计算地形分析.LNK");
    EXPECT_EQ(desk.target, Install("ZEMLO.exe"));
    EXPECT_EQ(desk.arguments, "");
    EXPECT_EQ(desk.workDir, Install());
    EXPECT_EQ(desk.icon, "");
    EXPECT_EQ(ReadLink(m_sub + "ZEMLO V8.0.LNK").target, Install("ZEMLO.exe"));
    EXPECT_EQ(ReadLink(m_sub + "官方网站.LNK").target, Install("zemlo.url"));
    const Link uninstall = ReadLink(m_sub + "ZEMLO V8.0 卸载程序.LNK");
    EXPECT_EQ(uninstall.target, Install("Uninstall.exe"));
    EXPECT_EQ(uninstall.workDir, Install());
}

TEST_F(ShortcutsTest, InstalledReleasesGetTheirShortcutsInReleaseOrder)
{
    UserShellFolders(m_desktop, m_menu);
    Put(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1", "CurVer", "ACAD-6001:804");
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "Location", "C:\\AutoCAD 2008");
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804", "AcadLocation", "C:\\A2004\\");

    // Run twice, as a reinstallation does: every shortcut is replaced.
    ASSERT_TRUE(thread.CreateShortcuts());
    thread.m_strLog.clear();
    ASSERT_TRUE(thread.CreateShortcuts());

    EXPECT_EQ(LogLines(), ExpectedLog({"ZEMLOfor2004.LNK", "ZEMLOfor2008.LNK"}));
    const Link acad = ReadLink(Install("ZEMLOfor2008.LNK"));
    EXPECT_EQ(acad.target, "C:\\AutoCAD 2008\\acad.exe");
    EXPECT_EQ(acad.arguments, kAcadArgs);
    EXPECT_EQ(acad.workDir, Install());
    EXPECT_EQ(acad.icon, Install("ZEMLOV8.0.ICO"));
    EXPECT_EQ(acad.iconIndex, 0);
    EXPECT_EQ(ReadLink(Install("ZEMLOfor2004.LNK")).target, "C:\\A2004\\acad.exe");
}

TEST_F(ShortcutsTest, AllUsersFoldersServeWhenTheUserHasNoPair)
{
    // No pair of folders anywhere: nothing is made.
    EXPECT_FALSE(thread.CreateShortcuts());
    EXPECT_TRUE(thread.m_strLog.empty());

    Put(HKEY_CURRENT_USER, kShellFolders, "Desktop", temp / "ignored");  // no "Programs": not a pair
    // A blank value is no folder (it would put shortcuts in the current one).
    const char ntShellFolders[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders";
    Put(HKEY_CURRENT_USER, ntShellFolders, "Desktop", "  ");
    Put(HKEY_CURRENT_USER, ntShellFolders, "Programs", temp / "ignored");
    Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", m_desktop);
    Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", m_menu);

    ASSERT_TRUE(thread.CreateShortcuts());
    EXPECT_EQ(LogLines(), ExpectedLog());
    EXPECT_FALSE(testfs::Exists(temp / "ignored"));
}

TEST_F(ShortcutsTest, ShortcutsThatCannotBeSavedAreLeftOut)
{
    // A path that does not fit the buffer is a failed save, never a
    // truncated one.
    const std::string path = m_desktop + std::string(MAX_PATH, 'n') + ".LNK";
    EXPECT_FALSE(thread.CreateShortcut(Install().c_str(), path.c_str(), "C:\\x.exe", nullptr, nullptr));
    EXPECT_FALSE(testfs::Exists(path));

    // The Programs folder lies under a file: the sub-folder cannot be made,
    // the user gives up at the question, and only the desktop shortcut is
    // saved and recorded.
    testfs::WriteFile(temp / "file", "x");
    UserShellFolders(m_desktop, temp / "file\\Menu");
    ASSERT_TRUE(thread.CreateShortcuts());
    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(thread.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + (temp / "file\\Menu\\direveradi ZEMLO V8.0"),
                                 "File Copy: " + m_desktop + "土方计算地形分析.LNK"}));
}
