// What the uninstaller refuses to touch, whatever "Uninstall.log" says: a
// table of tampered entries, each aimed at something outside the
// installation, replayed by the worker; marker files, marker keys and a
// stand-in control show that nothing outside was deleted, loaded or run.
// Also the normal form paths are judged in, a log that is no log, and a
// file held open during the run.
#include "UninstallFixture.h"

#include "InstallScope.h"
#include "Shortcuts.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"

using testfs::Exists;

namespace {
std::string WithoutDrive(const std::string& path) { return path.substr(2); }

// A stand-in control, built beside this test program, copied to path.
void CopyControl(const std::string& control, const std::string& path)
{
    const std::string built = testfs::ProgramFolder() + control + ".ocx";
    ASSERT_TRUE(::CopyFileA(built.c_str(), path.c_str(), FALSE)) << built;
}
}  // namespace

TEST(InstallScope, PathsAreJudgedInTheirNormalForm)
{
    // Text, then its normal form ("" when refused).
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\ZEMLO\\a.txt", "C:\\ZEMLO\\a.txt"},
        {"c:/ZEMLO//Support\\\\a.lsp\\", "c:\\ZEMLO\\Support\\a.lsp"},
        // 運 is DF 5C, 誠 D5 5C: their second byte is no separator.
        {"D:\\土方\\運\\誠.txt", "D:\\土方\\運\\誠.txt"},
        {"C:\\ZEMLO\\..\\Victim\\keep.txt", ""}, {"C:\\ZEMLO\\.\\a.txt", ""}, {"..\\x", ""}, {"\\x", ""},
        {"x", ""}, {"C:x", ""}, {"C:", ""}, {"", ""}, {"\\\\?\\C:\\ZEMLO\\a.txt", ""},
        {"\\\\.\\C:\\ZEMLO\\a.txt", ""}, {"\\\\server\\share\\a.txt", ""}, {"//server/share/a.txt", ""},
        {"C:\\ZEMLO\\a\tb.txt", ""}, {"C:\\ZEMLO\\a.txt\x01", ""}, {"C:\\ZEMLO\\a.txt:stream", ""},
        {"C:\\ZEMLO\\*.txt", ""}, {"C:\\ZEMLO.\\a.txt", ""}, {"C:\\ZEMLO \\a.txt", ""}, {"C:\\ZEMLO\\...", ""},
        {"C:\\ZEMLO\\NUL", ""}, {"C:\\ZEMLO\\com1.txt", ""}, {"1:\\ZEMLO\\a.txt", ""},
    };
    for (const auto& [text, normal] : cases) {
        std::string out = "untouched";
        EXPECT_EQ(NormalizeEntryPath(text, out), !normal.empty()) << text;
        EXPECT_EQ(out, normal.empty() ? "untouched" : normal) << text;
    }
    EXPECT_TRUE(IsPathWithin("C:\\ZEMLO\\a", "c:\\zemlo"));
    EXPECT_FALSE(IsPathWithin("C:\\ZEMLO", "C:\\ZEMLO"));
    EXPECT_FALSE(IsPathWithin("C:\\ZEMLOX\\a", "C:\\ZEMLO"));
    // A drive's root is no installation folder: it would hold everything.
    EXPECT_FALSE(CInstallScope("C:\\").IsValid());
    EXPECT_FALSE(CInstallScope("ZEMLO").IsValid());
    EXPECT_EQ(CInstallScope("C:\\Program Files\\ZEMLO\\").Folder(), "C:\\Program Files\\ZEMLO");
}

// Each tampered entry is refused and counted; nothing outside the
// installation is deleted, removed, loaded or unregistered; the entries
// that name the installation's own files still go.
TEST_F(UninstallTest, TamperedEntriesAreRefusedAndNothingOutsideIsTouched)
{
    testfs::MakeDirs(Path("Markers"));
    ASSERT_TRUE(::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", Path("Markers").c_str()));
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim\\keep.txt");
    const std::string readOnly = Path("Victim\\readonly.txt");
    const std::string probe = Path("Victim\\probe.ocx");
    const std::string docs = Path("Documents");
    testfs::WriteFile(victim, "mine");
    testfs::WriteFile(readOnly, "mine");
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    testfs::MakeDirs(docs);
    ASSERT_TRUE(::CopyFileA((testfs::ProgramFolder() + "marker_control.ocx").c_str(), probe.c_str(), FALSE));
    testfs::WriteFile(inst + "\\own.txt", "x");
    testfs::MakeDirs(inst + "\\Own");
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    const std::string jscript = std::string(system) + "\\jscript.dll";
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string winIni = std::string(windows) + "\\win.ini";
    const bool winIniThere = Exists(winIni);

    const Lines controls = {probe, "probe.ocx", "..\\Victim\\probe.ocx", inst + "\\..\\Victim\\probe.ocx", jscript,
                            "\\\\?\\" + probe, "\\\\.\\" + probe, WithoutDrive(probe)};
    const Lines files = {winIni, victim, readOnly, inst + "\\..\\Victim\\keep.txt", "..\\Victim\\keep.txt",
                         WithoutDrive(victim), "\\\\?\\" + victim, "\\\\.\\" + victim, "\\\\localhost\\C$\\x.txt",
                         inst + "/../Victim/keep.txt", inst + "\\own.txt\x01", inst + "\\own.txt::$DATA",
                         Path("Victim\\keep.lnk.txt"), inst, inst + "\\*.txt"};
    const Lines folders = {docs, inst + "\\..\\Documents", "Documents", WithoutDrive(docs), "\\\\?\\" + docs,
                           Path("Menu\\Other")};
    std::string log;
    for (const std::string& c : controls)
        log += "Reg Ctrl: " + c + "\r\n";
    for (const std::string& f : files)
        log += "File Copy: " + f + "\r\n";
    for (const std::string& d : folders)
        log += "Made Dir: " + d + "\r\n";
    log += "Made Dir: " + inst + "\\Own\r\nFile Copy: " + inst + "\\own.txt\r\n";
    LoadLog(log, inst + "\\Uninstall.log");

    RunUninstall();

    for (const std::string& path : {victim, readOnly, probe, jscript})
        EXPECT_TRUE(Exists(path)) << path;
    EXPECT_EQ(Exists(winIni), winIniThere);
    EXPECT_TRUE(testfs::IsDirectory(docs));
    EXPECT_TRUE(testfs::ListFolder(Path("Markers")).empty()) << "a control outside was loaded";
    EXPECT_FALSE(Exists(inst + "\\own.txt"));
    EXPECT_FALSE(Exists(inst + "\\Own"));
    // Every tampered entry counted, in the order of the passes (folders
    // last-recorded first).
    Lines expected;
    for (const std::string& c : controls)
        expected.push_back("refused " + c);
    for (const std::string& f : files)
        expected.push_back("refused " + f);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        expected.push_back("refused " + *it);
    EXPECT_EQ(LeftLines(thread), expected);
    // The progress still counts every recorded file.
    EXPECT_EQ(window.Count(WM_UNINSTALL_FILE), static_cast<int>(files.size() + 1));
}

// Outside the installation only shortcut files (".lnk" in any case) that
// point into the installation and the Programs menu folder Setup makes go;
// inside, everything recorded. Already gone counts as removed (so does the
// shortcuts' target, deleted before them).
TEST_F(UninstallTest, ShortcutsAndTheMenuFolderGoOutsideTheInstallation)
{
    const std::string inst = Path("Inst");
    const std::string menu = Path("Programs\\direveradi ZEMLO V8.0");
    const Lines links = {Path("Desktop\\土方计算地形分析.LNK"), menu + "\\ZEMLO V8.0.lnk"};
    testfs::MakeDirs(Path("Desktop"));
    testfs::MakeDirs(menu);
    for (const std::string& link : links)
        ASSERT_TRUE(testlink::SaveShortcut(link, inst + "\\ZEMLO.exe")) << link;
    testfs::WriteFile(inst + "\\x.txt", "x");
    LoadLog("Made Dir: " + menu + "\r\nFile Copy: " + links[0] + "\r\nFile Copy: " + links[1] + "\r\nFile Copy: " +
                inst + "\\gone.txt\r\nFile Copy: " + inst + "\\x.txt\r\nMade Dir: " + inst + "\\Gone\r\n",
            inst + "\\Uninstall.log");

    RunUninstall();

    for (const std::string& link : links)
        EXPECT_FALSE(Exists(link)) << link;
    EXPECT_FALSE(Exists(menu));
    EXPECT_TRUE(testfs::IsDirectory(Path("Programs")));
    EXPECT_FALSE(Exists(inst + "\\x.txt"));
    EXPECT_TRUE(thread.Outcome().Left().empty()) << LeftLines(thread).front();
}

// A file held open cannot be deleted now: it is left, scheduled for
// deletion at the next restart, and so is the folder that holds it.
TEST_F(UninstallTest, FileInUseIsLeftForTheRestart)
{
    const std::string inst = Path("Inst");
    const std::string held = inst + "\\Support\\held.dat";
    testfs::WriteFile(held, "x");
    testfs::WriteFile(inst + "\\Support\\free.dat", "x");
    LoadLog("Made Dir: " + inst + "\\Support\r\nFile Copy: " + held + "\r\nFile Copy: " + inst +
                "\\Support\\free.dat\r\n",
            inst + "\\Uninstall.log");
    {
        winlib::ScopedHandle lock(
            ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.valid());
        RunUninstall();
    }

    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(inst + "\\Support\\free.dat"));
    EXPECT_TRUE(thread.Outcome().RestartNeeded());
    EXPECT_EQ(LeftLines(thread), (Lines{"at-restart " + held, "at-restart " + inst + "\\Support"}));
}

// A file whose path is longer than the ANSI functions take is deleted all
// the same.
TEST_F(UninstallTest, FileWithALongPathIsDeleted)
{
    std::string folder = Path("Inst");
    testfs::MakeDirs(folder);
    const std::string inst = folder;
    while (folder.size() < 300) {
        folder += "\\" + std::string(60, 'd');
        const std::wstring wide = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
        ASSERT_TRUE(::CreateDirectoryW(wide.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    const std::string file = folder + "\\long.txt";
    {
        const std::wstring wide = L"\\\\?\\" + std::wstring(file.begin(), file.end());
        winlib::ScopedHandle created(
            ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(created.valid());
    }
    LoadLog("File Copy: " + file + "\r\nMade Dir: " + folder + "\r\n", inst + "\\Uninstall.log");

    RunUninstall();

    const std::wstring wide = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(thread.Outcome().Left().empty());
    // The folders above it are the test's, and too long for the temporary
    // folder's own removal.
    for (std::string above = winlib::ParentFolder(folder); above.size() > inst.size();
         above = winlib::ParentFolder(above))
        ::RemoveDirectoryW((L"\\\\?\\" + std::wstring(above.begin(), above.end())).c_str());
}

// A text that is no log is unreadable: the file error, the failure, nothing
// to replay.
TEST_F(UninstallTest, TextThatIsNoLogIsUnreadable)
{
    const std::string cases[] = {
        "",
        std::string(64, '\r'),
        std::string("File Copy: C:\\x\0\x01\xff\x7f", 16),
        "just some text\r\nwithout an entry\r\n",
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        const std::string path = Path("Uninstall.log");
        testfs::WriteFile(path, bytes);
        TestUninstallThread reader;
        reader.m_pMainWnd = &window;
        EXPECT_FALSE(reader.ReadLog(path.c_str()));
        ASSERT_EQ(reader.fileErrors.size(), 1u);
        EXPECT_EQ(reader.fileErrors[0].m_lOsError, ERROR_FILE_CORRUPT);
        EXPECT_EQ(reader.fileErrors[0].m_strFileName, path);
        EXPECT_TRUE(reader.LogText().empty());
    }
    winlib::PumpWaitingMessages();
    EXPECT_EQ(window.Count(WM_UNINSTALL_FAILED), static_cast<int>(std::size(cases)));
}

// A folder inside the installation that is a link (a junction, a symbolic
// link) may point anywhere: nothing below it is deleted, removed or loaded.
// (Wine 8's CreateSymbolicLinkA makes nothing; a Unix link made by the
// test kit is what Wine shows as a folder link, a reparse point.)
TEST_F(UninstallTest, NothingBelowALinkInsideTheInstallationIsTouched)
{
    UseMarkers();
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim");
    testfs::WriteFile(victim + "\\keep.txt", "mine");
    testfs::MakeDirs(victim + "\\Sub");
    CopyControl("marker_control", victim + "\\probe.ocx");
    testfs::MakeDirs(inst);
    if (!testfs::MakeUnixSymlink(inst + "\\Support", victim))
        GTEST_SKIP() << "no folder links can be made here";
    ASSERT_NE(testfs::Attributes(inst + "\\Support") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    ASSERT_EQ(testfs::ReadFile(inst + "\\Support\\keep.txt"), "mine") << "the link does not lead to its target";
    LoadLog("Reg Ctrl: " + inst + "\\Support\\probe.ocx\r\nFile Copy: " + inst + "\\Support\\keep.txt\r\nMade Dir: " +
                inst + "\\Support\\Sub\r\n",
            inst + "\\Uninstall.log");

    RunUninstall();

    EXPECT_EQ(testfs::ReadFile(victim + "\\keep.txt"), "mine");
    EXPECT_TRUE(testfs::IsDirectory(victim + "\\Sub"));
    EXPECT_TRUE(Exists(victim + "\\probe.ocx"));
    EXPECT_TRUE(testfs::ListFolder(Path("Markers")).empty()) << "a control below the link was loaded";
    EXPECT_EQ(LeftLines(thread), (Lines{"refused " + inst + "\\Support\\probe.ocx",
                                        "refused " + inst + "\\Support\\keep.txt",
                                        "refused " + inst + "\\Support\\Sub"}));
}

// A control inside the installation that is itself a link would load
// whatever it leads to: it is refused, neither loaded nor unregistered nor
// deleted. (Wine shows a file link with no attribute to tell it, and opens
// what it leads to; where the opened file lies tells.)
TEST_F(UninstallTest, ControlThatIsALinkIsNeitherLoadedNorDeleted)
{
    UseMarkers();
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim\\probe.ocx");
    const std::string link = inst + "\\Controls\\probe.ocx";
    testfs::MakeDirs(Path("Victim"));
    CopyControl("marker_control", victim);
    testfs::MakeDirs(inst + "\\Controls");
    if (!testfs::MakeUnixSymlink(link, victim))
        GTEST_SKIP() << "no file links can be made here";
    LoadLog("Reg Ctrl: " + link + "\r\n", inst + "\\Uninstall.log");

    RunUninstall();

    const Lines markers = testfs::ListFolder(Path("Markers"));
    const bool victimThere = Exists(victim);
    testfs::RemoveUnixSymlink(link);
    EXPECT_TRUE(markers.empty()) << "the control the link leads to was loaded";
    EXPECT_TRUE(victimThere) << "the control the link leads to was deleted";
    EXPECT_EQ(LeftLines(thread), Lines{"refused " + link});
}

// A folder of the installation swapped for a link while the run goes on
// (once the first file in it has gone and the folder has been found to be
// a plain one): nothing below the link is deleted, the entry is left, and
// the run ends as incomplete.
TEST_F(UninstallTest, FolderSwappedForALinkDuringTheRunIsNotFollowed)
{
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim");
    testfs::WriteFile(victim + "\\b.txt", "mine");
    testfs::WriteFile(inst + "\\Support\\a.txt", "x");
    testfs::WriteFile(inst + "\\Support\\b.txt", "x");
    LoadLog("File Copy: " + inst + "\\Support\\a.txt\r\nFile Copy: " + inst + "\\Support\\b.txt\r\n",
            inst + "\\Uninstall.log");
    bool swapped = false;
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_UNINSTALL_FILE && window.Count(WM_UNINSTALL_FILE) == 1)
            swapped = testfs::SwapForUnixSymlink(inst + "\\Support", victim);
    };

    RunUninstall();

    if (!swapped)
        GTEST_SKIP() << "no folder can be swapped for a link here";
    EXPECT_EQ(testfs::ReadFile(victim + "\\b.txt"), "mine");
    EXPECT_EQ(LeftLines(thread), Lines{"refused " + inst + "\\Support\\b.txt"});
    EXPECT_EQ(thread.Outcome().ExitCode(), 1604);
}
