// The test kit itself, where the tests, the drivers and the benchmarks
// lean on more than it shows: what its tree removal leaves, what its file
// and registry readers answer when something is not there, and what its
// report window keeps.
#include "FileHelpers.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "Shortcuts.h"
#include "TempDir.h"
#include "winlib/Handles.h"

#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

TEST(TestKitFiles, RemoveTreeTakesProtectedEntriesWhole)
{
    TempDir temp;
    const std::string tree = temp / "tree";
    testfs::WriteFile(tree + "\\a.txt", "a");
    testfs::WriteFile(tree + "\\淺\\b.txt", "b");
    testfs::WriteFile(tree + "\\淺\\deep\\c.txt", "c");
    ASSERT_TRUE(::SetFileAttributesA((tree + "\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::SetFileAttributesA((tree + "\\淺\\b.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(::SetFileAttributesA((tree + "\\淺\\deep").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(testfs::RemoveTree(tree));
    EXPECT_FALSE(testfs::Exists(tree));
    EXPECT_TRUE(testfs::RemoveTree(temp / "missing"));
    // A single file goes too.
    testfs::WriteFile(temp / "single.txt", "s");
    EXPECT_TRUE(testfs::RemoveTree(temp / "single.txt"));
    EXPECT_FALSE(testfs::Exists(temp / "single.txt"));
}

// Paths longer than the ANSI calls take (made through the "\\?\" form)
// go too.
TEST(TestKitFiles, RemoveTreeTakesPathsLongerThanTheAnsiCallsTake)
{
    TempDir temp;
    std::string folder = temp / "long";
    testfs::MakeDirs(folder);
    while (folder.size() < 300) {
        folder += "\\" + std::string(60, 'd');
        const std::wstring wide = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
        ASSERT_TRUE(::CreateDirectoryW(wide.c_str(), nullptr));
    }
    const std::string file = folder + "\\deep.txt";
    const std::wstring wideFile = L"\\\\?\\" + std::wstring(file.begin(), file.end());
    {
        const winlib::ScopedHandle created(::CreateFileW(wideFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                         FILE_ATTRIBUTE_READONLY, nullptr));
        ASSERT_TRUE(created.valid());
    }
    EXPECT_TRUE(testfs::RemoveTree(temp / "long"));
    EXPECT_FALSE(testfs::Exists(temp / "long"));
    EXPECT_EQ(::GetFileAttributesW(wideFile.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A link in a tree, to a folder or a file (or the tree itself a link),
// goes as the link: what it leads to is not the tree's. (Under Wine 8 the
// system's own calls would delete a file link's target and leave the link.)
TEST(TestKitFiles, RemoveTreeTakesALinkButNotWhatItLeadsTo)
{
    TempDir temp;
    const std::string outside = temp / "outside";
    testfs::WriteFile(outside + "\\keep.txt", "mine");
    testfs::WriteFile(temp / "tree\\own.txt", "own");
    if (!testfs::MakeUnixSymlink(temp / "tree\\link", outside))
        GTEST_SKIP() << "no Unix links here (testfs::MakeUnixSymlink)";
    ASSERT_TRUE(testfs::MakeUnixSymlink(temp / "tree\\file.txt", outside + "\\keep.txt"));
    ASSERT_TRUE(testfs::MakeUnixSymlink(temp / "toplink", outside));
    ASSERT_TRUE(testfs::MakeUnixSymlink(temp / "topfile.txt", outside + "\\keep.txt"));

    EXPECT_TRUE(testfs::RemoveTree(temp / "tree"));
    EXPECT_FALSE(testfs::Exists(temp / "tree"));
    EXPECT_TRUE(testfs::RemoveTree(temp / "toplink"));
    EXPECT_FALSE(testfs::Exists(temp / "toplink"));
    EXPECT_TRUE(testfs::RemoveTree(temp / "topfile.txt"));
    EXPECT_EQ(testfs::ReadFile(outside + "\\keep.txt"), "mine");
    // Nothing is left behind that Wine would not list (a link whose target
    // went): the folder empties whole.
    EXPECT_EQ(testfs::ListFolder(temp.path()), std::vector<std::string>{"outside"});
    EXPECT_TRUE(testfs::RemoveTree(temp.path()));
}

TEST(TestKitFiles, WriteFileSaysWhenItCannotAndTextLinesLoseTheirLineEnds)
{
    TempDir temp;
    EXPECT_TRUE(testfs::WriteFile(temp / "made\\for\\it.txt", "l1\r\nl2\nl3\r\n"));
    EXPECT_EQ(testfs::ReadTextLines(temp / "made\\for\\it.txt"), (std::vector<std::string>{"l1", "l2", "l3"}));
    EXPECT_TRUE(testfs::WriteFile(temp / "empty.txt", ""));
    EXPECT_TRUE(testfs::Exists(temp / "empty.txt"));
    EXPECT_TRUE(testfs::ReadTextLines(temp / "empty.txt").empty());
    EXPECT_TRUE(testfs::ReadTextLines(temp / "missing.txt").empty());
    // A folder is no file to write.
    EXPECT_FALSE(testfs::WriteFile(temp.path(), "x"));
}

TEST(TestKitRegistry, TextAndDwordReadWhatIsThereAndSayWhatIsNot)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    const std::string key = "Software\\Kit";
    ASSERT_TRUE(testreg::Put(HKEY_CURRENT_USER, key, "text", "淺 value"));
    const DWORD seven = 7;
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "number", REG_DWORD, &seven, sizeof(seven)),
              ERROR_SUCCESS);

    EXPECT_EQ(testreg::Text(HKEY_CURRENT_USER, key, "text"), "淺 value");
    EXPECT_EQ(testreg::Text(HKEY_CURRENT_USER, key, "none"), "<no value>");
    EXPECT_EQ(testreg::Text(HKEY_CURRENT_USER, key + "\\Missing", "text"), "<no key>");
    EXPECT_EQ(testreg::Dword(HKEY_CURRENT_USER, key, "number"), 7);
    EXPECT_EQ(testreg::Dword(HKEY_CURRENT_USER, key, "text"), -1);
    EXPECT_EQ(testreg::Dword(HKEY_CURRENT_USER, key, "none"), -1);
    EXPECT_EQ(testreg::Dword(HKEY_CURRENT_USER, key + "\\Missing", "number"), -1);
}

namespace {

// Reports as the workers do: Setup's progress with two paths (sent), a
// file of Uninstall's with one (sent), and the end (posted).
class ReportingThread : public CWinThread {
public:
    BOOL InitInstance() override
    {
        const HWND window = m_pMainWnd->GetSafeHwnd();
        ::SendMessageA(window, 1012, reinterpret_cast<WPARAM>("D:\\淺\\a.dwg"),
                       reinterpret_cast<LPARAM>("C:\\淺\\a.dwg"));
        ::SendMessageA(window, 1036, 0, reinterpret_cast<LPARAM>("C:\\淺\\b.dwg"));
        ::SendMessageA(window, WM_USER + 1, 0, 0);  // no worker's message
        ::PostMessageA(window, 1014, 0, 0);
        return FALSE;
    }
};

}  // namespace

// With counts only, nothing is kept but how many came; the hook still sees
// each message with its texts, and Reset starts afresh.
TEST(TestKitWindow, CountsOnlyKeepsNoMessageButCountsEachAndShowsItToTheHook)
{
    RecordingWindow window(RecordingWindow::Keep::Counts);
    ASSERT_NE(window.GetSafeHwnd(), nullptr);
    std::vector<std::string> seen;
    window.onMessage = [&seen](const RecordedMessage& m) {
        seen.push_back(TraceLine(m.message, m.sent, m.wText, m.lText));
    };
    ReportingThread thread;
    ASSERT_TRUE(window.RunThread(thread));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.Count(1012), 1);
    EXPECT_EQ(window.Count(1036), 1);
    EXPECT_EQ(window.Count(1014), 1);
    EXPECT_EQ(window.Count(1015), 0);
    EXPECT_EQ(window.Count(WM_USER + 1), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{TraceLine(1012, true, "D:\\淺\\a.dwg", "C:\\淺\\a.dwg"),
                                              TraceLine(1036, true, "", "C:\\淺\\b.dwg"),
                                              TraceLine(1014, false, "", "")}));
    window.Reset();
    EXPECT_EQ(window.Count(1012), 0);
    EXPECT_EQ(window.Count(1014), 0);
}

// Keeping everything, the hook finds the message it is given already kept.
TEST(TestKitWindow, EverythingKeepsEachMessageBeforeTheHookSeesIt)
{
    RecordingWindow window;
    std::vector<std::size_t> keptAtHook;
    window.onMessage = [&](const RecordedMessage&) { keptAtHook.push_back(window.messages.size()); };
    ReportingThread thread;
    ASSERT_TRUE(window.RunThread(thread));
    EXPECT_EQ(window.Trace(), (std::vector<std::string>{TraceLine(1012, true, "D:\\淺\\a.dwg", "C:\\淺\\a.dwg"),
                                                        TraceLine(1036, true, "0", "C:\\淺\\b.dwg"),
                                                        TraceLine(1014, false)}));
    EXPECT_EQ(keptAtHook, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(window.Count(1036), 1);
    window.Reset();
    EXPECT_TRUE(window.messages.empty());
}

// A shell link saved with IShellLinkA reads back whole; a file that is no
// link reads as not loaded.
TEST(TestKitShortcuts, ReadShortcutGivesWhatTheLinkHolds)
{
    const winlib::ScopedComInit com;
    ASSERT_TRUE(com.succeeded());
    TempDir temp;
    testfs::WriteFile(temp / "淺\\ZEMLO.exe", "program");
    const std::string path = temp / "快捷方式.lnk";
    {
        winlib::ScopedComPtr<IShellLinkA> link;
        winlib::ScopedComPtr<IPersistFile> file;
        ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                 link.receive_void())));
        ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.receive_void())));
        link->SetPath((temp / "淺\\ZEMLO.exe").c_str());
        link->SetArguments("/nologo \"a b\"");
        link->SetWorkingDirectory((temp / "淺").c_str());
        link->SetIconLocation((temp / "淺\\ZEMLO.exe").c_str(), 2);
        wchar_t wide[MAX_PATH] = {};
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        ASSERT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
    }
    const testlink::Shortcut shortcut = testlink::ReadShortcut(path);
    EXPECT_TRUE(shortcut.loaded);
    EXPECT_EQ(shortcut.target, temp / "淺\\ZEMLO.exe");
    EXPECT_EQ(shortcut.arguments, "/nologo \"a b\"");
    EXPECT_EQ(shortcut.workingFolder, temp / "淺");
    EXPECT_EQ(shortcut.icon, temp / "淺\\ZEMLO.exe");
    EXPECT_EQ(shortcut.iconIndex, 2);

    testfs::WriteFile(temp / "not-a-link.lnk", "text");
    EXPECT_FALSE(testlink::ReadShortcut(temp / "not-a-link.lnk").loaded);
    EXPECT_FALSE(testlink::ReadShortcut(temp / "missing.lnk").loaded);
}
