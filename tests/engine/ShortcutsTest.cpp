// The shortcuts: where they go, what they start, and what is recorded.
#include "SetupThreadFixture.h"
#include "engine/AcadProfiles.h"
#include "engine/ShortcutMaker.h"
#include "winlib/Handles.h"

#include <objidl.h>
#include <shlobj.h>

using engine::ShortcutMaker;
using testreg::Put;

namespace {

using testreg::kShellFolders;

// A saved shell link as the shell loads it: "target|arguments|working
// folder|icon,index", the index only with an icon.
std::string ReadLink(const std::string& path)
{
    winlib::ScopedComPtr<IShellLinkA> shell;
    winlib::ScopedComPtr<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    char text[4][1024] = {};
    int index = -1;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  shell.receive_void())) ||
        FAILED(shell->QueryInterface(IID_IPersistFile, file.receive_void())) ||
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(file->Load(wide, STGM_READ)))
        return "<unreadable>";
    shell->GetPath(text[0], MAX_PATH, nullptr, SLGP_RAWPATH);
    shell->GetArguments(text[1], sizeof text[1]);
    shell->GetWorkingDirectory(text[2], MAX_PATH);
    shell->GetIconLocation(text[3], MAX_PATH, &index);
    return std::string(text[0]) + "|" + text[1] + "|" + text[2] + "|" + text[3] +
           (*text[3] != '\0' ? "," + std::to_string(index) : "");
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

TEST_F(ShortcutsTest, ProductAndReleaseShortcutsStartTheRightProgramsAndAreRecorded)
{
    // Blanks around a value and a missing backslash change nothing.
    UserShellFolders("  " + m_desktop + " ", m_menu.substr(0, m_menu.size() - 1));
    testfs::WriteFile(m_desktop + "土方计算地形分析.LNK", "stale");
    Put(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1", "CurVer", "ACAD-6001:804");
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "Location", "C:\\AutoCAD 2008");
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804", "AcadLocation", "C:\\A2004\\");

    // Run twice, as a reinstallation does: every shortcut, and a stale file
    // where one goes, is replaced.
    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(Job()));
    engine::InstallJob again(host, m_medium, m_install, m_controlTimeoutMs);
    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(again));

    // The AutoCAD shortcuts come in release order.
    EXPECT_EQ(testfs::SplitLines(again.record.Log().str()), ExpectedLog({"ZEMLOfor2004.LNK", "ZEMLOfor2008.LNK"}));
    const std::string plain = "||" + Install() + "|";
    EXPECT_EQ(ReadLink(m_desktop + "土方计算地形分析.LNK"), Install("ZEMLO.exe") + plain);
    EXPECT_EQ(ReadLink(m_sub + "ZEMLO V8.0.LNK"), Install("ZEMLO.exe") + plain);
    EXPECT_EQ(ReadLink(m_sub + "官方网站.LNK"), Install("zemlo.url") + plain);
    EXPECT_EQ(ReadLink(m_sub + "ZEMLO V8.0 卸载程序.LNK"), Install("Uninstall.exe") + plain);
    const std::string acad = std::string("|/p \"<<enggZEMLO V8>>\" /t acad.dwt|") + Install() + "|" +
                             Install("ZEMLOV8.0.ico") + ",0";
    EXPECT_EQ(ReadLink(Install("ZEMLOfor2008.LNK")), "C:\\AutoCAD 2008\\acad.exe" + acad);
    EXPECT_EQ(ReadLink(Install("ZEMLOfor2004.LNK")), "C:\\A2004\\acad.exe" + acad);
}

TEST_F(ShortcutsTest, AllUsersFoldersServeWhenTheUserHasNoPair)
{
    // No pair of folders anywhere: nothing is made.
    EXPECT_FALSE(ShortcutMaker::CreateShortcuts(Job()));
    EXPECT_TRUE(LogLines().empty());

    Put(HKEY_CURRENT_USER, kShellFolders, "Desktop", temp / "ignored");  // no "Programs": not a pair
    // A blank value is no folder (it would put shortcuts in the current one).
    const char ntShellFolders[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders";
    Put(HKEY_CURRENT_USER, ntShellFolders, "Desktop", "  ");
    Put(HKEY_CURRENT_USER, ntShellFolders, "Programs", temp / "ignored");
    Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", m_desktop);
    Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", m_menu);

    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(Job()));
    EXPECT_EQ(LogLines(), ExpectedLog());
    EXPECT_FALSE(testfs::Exists(temp / "ignored"));
}

TEST_F(ShortcutsTest, ShortcutsThatCannotBeSavedAreLeftOut)
{
    // A path that does not fit the buffer is a failed save, never a
    // truncated one.
    const std::string path = m_desktop + std::string(MAX_PATH, 'n') + ".LNK";
    EXPECT_FALSE(ShortcutMaker::CreateShortcut(Install().c_str(), path.c_str(), "C:\\x.exe", nullptr, nullptr));
    EXPECT_FALSE(testfs::Exists(path));

    // The Programs folder lies under a file: the sub-folder cannot be made,
    // the user gives up at the question, and only the desktop shortcut is
    // saved and recorded. The folder that was never made is not recorded.
    testfs::WriteFile(temp / "file", "x");
    UserShellFolders(m_desktop, temp / "file\\Menu");
    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(Job()));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(LogLines(), (Lines{"File Copy: " + m_desktop + "土方计算地形分析.LNK"}));
}

TEST_F(ShortcutsTest, ShellFolderValuesThatAreNotPlainPathsCountAsNotRead)
{
    // Any program the user runs can write the per-user values; the
    // elevated uninstaller replays the log they end up in. A value with a
    // line break, a zero byte or another control character, or with an
    // entry prefix inside, is passed over like a blank one and the next
    // pair is tried.
    const char ntShellFolders[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders";
    const std::string evil = "Reg Ctrl: C:\\Users\\Public\\evil.dll";
    const std::string planted[] = {m_desktop + "\r\n" + evil, m_desktop + "\n" + evil, m_desktop + "\r",
                                   m_desktop + std::string(1, '\0') + "\n" + evil, m_desktop + "\t", m_desktop + " " + evil};
    for (const std::string& value : planted) {
        SCOPED_TRACE(::testing::PrintToString(value));
        engine::InstallJob job(host, m_medium, m_install, m_controlTimeoutMs);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE");
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE");
        // The value goes in whole, terminator and all, as the registry
        // keeps it.
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop", REG_SZ, value.data(),
                                    static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
        Put(HKEY_CURRENT_USER, kShellFolders, "Programs", m_menu);
        Put(HKEY_CURRENT_USER, ntShellFolders, "Desktop", m_desktop);
        Put(HKEY_CURRENT_USER, ntShellFolders, "Programs", value);
        // Only the all-users pair is clean.
        Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", m_desktop);
        Put(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", m_menu);
        ASSERT_TRUE(ShortcutMaker::CreateShortcuts(job));
        EXPECT_EQ(testfs::SplitLines(job.record.Log().str()), ExpectedLog());
    }
}

TEST_F(ShortcutsTest, EveryAutoCadReleaseFoundUnderItsDefaultCodeGetsItsProfileAndShortcut)
{
    // Each release with its edition year, the product code it is looked up
    // under when the user has no "CurVer" (R15.0 has none: it is given
    // one), its support folder generation, and its default profile (none
    // for R15.0). Every release is installed in a folder of its own.
    const struct { const char *release, *year, *code, *generation, *defaultProfile; } rows[] = {
        {"R15.0", "2002", "ACAD-1:804", "2000-02", nullptr},
        {"R16.0", "2004", "ACAD-201:804", "2004-06", "<<未命名配置>>"},
        {"R16.1", "2005", "ACAD-301:409", "2004-06", "<<Unnamed Profile>>"},
        {"R16.2", "2006", "ACAD-4001:409", "2004-06", "<<未命名配置>>"},
        {"R17.0", "2007", "ACAD-5001:804", "2007-09", "<<Unnamed Profile>>"},
        {"R17.1", "2008", "ACAD-6001:804", "2007-09", "<<未命名配置>>"},
        {"R17.2", "2009", "ACAD-7001:804", "2007-09", "<<Unnamed Profile>>"},
        {"R18.0", "2010", "ACAD-8001:804", "2010-11", "初始设置配置"},
    };
    const std::string autodesk = "SOFTWARE\\Autodesk\\AutoCAD\\";
    Put(HKEY_CURRENT_USER, autodesk + "R15.0", "CurVer", "ACAD-1:804");
    Lines shortcuts;
    for (const auto& row : rows) {
        Put(HKEY_LOCAL_MACHINE, autodesk + row.release + "\\" + row.code, "AcadLocation",
            std::string("C:\\AutoCAD ") + row.year);
        if (row.defaultProfile != nullptr)
            Put(HKEY_CURRENT_USER, autodesk + row.release + "\\" + row.code + "\\Profiles\\" + row.defaultProfile +
                                       "\\General",
                "ACAD", std::string("C:\\AutoCAD ") + row.year + "\\support");
        shortcuts.push_back(std::string("ZEMLOfor") + row.year + ".LNK");
    }
    UserShellFolders(m_desktop, m_menu);

    // The profiles by another worker, so that this one's log holds only
    // the shortcuts.
    engine::InstallJob profiles(host, m_medium, m_install, m_controlTimeoutMs);
    ASSERT_EQ(engine::AcadProfilesStep().Run(profiles), engine::StepResult::kDone);
    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(Job()));

    // A shortcut per release, in release order, named by its edition year
    // and starting that release's AutoCAD with our profile.
    EXPECT_EQ(LogLines(), ExpectedLog(shortcuts));
    const std::string arguments = std::string("|/p \"<<enggZEMLO V8>>\" /t acad.dwt|") + Install() + "|" +
                                  Install("ZEMLOV8.0.ico") + ",0";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.release);
        const std::string acad = std::string("C:\\AutoCAD ") + row.year + "\\";
        EXPECT_EQ(ReadLink(Install(std::string("ZEMLOfor") + row.year + ".LNK")), acad + "acad.exe" + arguments);

        // Our profile, under the code the release was found by: the
        // product's support folders of the release's generation, then the
        // default profile's paths (R15.0: the AutoCAD folders); from
        // R17.0 on the menu file of that generation.
        const std::string profile = std::string("Software\\Autodesk\\AutoCAD\\") + row.release + "\\" + row.code +
                                    "\\Profiles\\<<enggZEMLO V8>>";
        const std::string support = Install("Support\\") + row.generation;
        const std::string rest = row.defaultProfile != nullptr
                                     ? acad + "support;"
                                     : acad + "support;" + acad + "fonts;" + acad + "help;" + acad + "express;";
        EXPECT_EQ(testreg::Get(HKEY_CURRENT_USER, profile + "\\General", "ACAD"),
                  support + "\\arx;" + support + "\\Menu;" + rest);
        EXPECT_EQ(testreg::Get(HKEY_CURRENT_USER, profile, ""), "<<enggZEMLO V8>>");
        const bool menu = std::string(row.release) >= "R17.0";
        EXPECT_EQ(testreg::KeyExists(HKEY_CURRENT_USER, profile + "\\General Configuration"), menu);
        if (menu) {
            EXPECT_EQ(testreg::Get(HKEY_CURRENT_USER, profile + "\\General Configuration", "MenuFile"),
                      support + "\\Menu\\Gravmen");
        }
    }
}
