// The uninstall worker's replay of "Uninstall.log": reading, the four passes
// in their order, and the messages it sends to its window.
#include "UninstallFixture.h"

#include "winlib/Handles.h"

using regtest::CreateKey;
using regtest::KeyExists;
using testfs::Exists;
using testfs::IsDirectory;

namespace {
using Lines = std::vector<std::string>;

// Lines joined with the given line end, every line ended.
std::string Joined(const Lines& lines, const std::string& end)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
}  // namespace

// The log of an installation into Soft\ from a medium whose Support folder
// holds a.lsp, with shortcuts on a desktop and in a Programs menu, as it
// lies on disk (CR LF line ends).
TEST_F(UninstallTest, ExampleInstallationIsUndoneKindByKind)
{
    const std::string soft = Path("Soft\\");
    const std::string desk = Path("Desk\\");
    const std::string menu = Path("Menu\\direveradi ZEMLO V8.0");
    const Lines log = {
        "Made Dir: " + soft + "Support",
        "File Copy: " + soft + "Support\\a.lsp",
        "Made Dir: " + soft + "Controls",
        "Made Dir: " + soft + "图框",
        "Made Dir: " + soft + "模板",
        "Made Dir: " + soft + "Database",
        "Made Dir: " + soft + "Data",
        "Made Dir: " + soft + "Temp",
        "File Copy: " + soft + "readme.txt",
        std::string("RegDB Key: 2,") + kProductKey,
        std::string("RegDB Key: 2,") + kUninstallKey,
        "Made Dir: " + menu,
        "File Copy: " + desk + "土方计算地形分析.LNK",
        "File Copy: " + menu + "\\ZEMLO V8.0.LNK",
        "File Copy: " + menu + "\\官方网站.LNK",
        "File Copy: " + menu + "\\ZEMLO V8.0 卸载程序.LNK",
        "File Copy: " + soft + "Uninstall.log",
    };
    const Lines files = {
        soft + "Support\\a.lsp", soft + "readme.txt", desk + "土方计算地形分析.LNK",
        menu + "\\ZEMLO V8.0.LNK", menu + "\\官方网站.LNK", menu + "\\ZEMLO V8.0 卸载程序.LNK",
        soft + "Uninstall.log",
    };
    const Lines folders = {soft + "Support", soft + "Controls", soft + "图框", soft + "模板",
                           soft + "Database", soft + "Data", soft + "Temp", menu};
    for (const std::string& folder : folders)
        testfs::MakeDirs(folder);
    for (const std::string& file : files)
        testfs::WriteFile(file, "x");
    testfs::MakeDirs(desk);
    CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
    CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);

    const std::string logPath = soft + "Uninstall.log";
    testfs::WriteFile(logPath, Joined(log, "\r\n"));
    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.ReadLog(logPath.c_str()));

    // The text as Setup kept it: LF line ends only.
    EXPECT_EQ(thread.m_strLog, Joined(log, "\n"));
    EXPECT_EQ(thread.CountEntries(0), 7);  // the window's progress range
    EXPECT_EQ(thread.CountEntries(1), 8);
    EXPECT_EQ(thread.CountEntries(2), 0);
    EXPECT_EQ(thread.CountEntries(3), 2);

    RunUninstall();

    // Seven file reports in the order of the log, the end of the file pass,
    // the self-removal, then the end of the run; all sent.
    EXPECT_EQ(ReportedFiles(), files);
    std::vector<UINT> expectedOrder(7, WM_UNINSTALL_FILE);
    expectedOrder.push_back(WM_UNINSTALL_FILES_DONE);
    expectedOrder.push_back(WM_UNINSTALL_DONE);
    EXPECT_EQ(MessageOrder(), expectedOrder);
    for (const RecordedMessage& m : window.messages) {
        EXPECT_TRUE(m.sent) << m.message;
        EXPECT_EQ(m.wParam, 0u) << m.message;
    }
    EXPECT_EQ(window.messages.back().lParam, 0);
    EXPECT_EQ(thread.selfRemovals, 1);
    EXPECT_EQ(thread.messagesAtSelfRemoval, 8u);

    for (const std::string& file : files)
        EXPECT_FALSE(Exists(file)) << file;
    for (const std::string& folder : folders)
        EXPECT_FALSE(Exists(folder)) << folder;
    // What the log does not name stays: the install folder itself (for the
    // self-removal), the desktop, the Programs menu, the keys' parents.
    EXPECT_TRUE(IsDirectory(Path("Soft")));
    EXPECT_TRUE(IsDirectory(Path("Desk")));
    EXPECT_TRUE(IsDirectory(Path("Menu")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));

    // The worker ends without a message loop.
    DWORD exitCode = 99;
    ASSERT_TRUE(::GetExitCodeThread(thread.m_hThread, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(UninstallTest, LineEndsOnDiskDoNotReachTheEntries)
{
    const Lines log = {"File Copy: " + Path("a.txt"), "Made Dir: " + Path("d"), "File Copy: " + Path("b.txt")};
    const Lines expected = {Path("a.txt"), Path("b.txt")};
    for (const char* end : {"\r\n", "\n"}) {
        SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
        TestUninstallThread reader;
        const std::string path = Path("log.txt");
        testfs::WriteFile(path, Joined(log, end));
        ASSERT_TRUE(reader.ReadLog(path.c_str()));
        EXPECT_EQ(reader.m_strLog, Joined(log, "\n"));
        Lines texts;
        int position = 0, start = -1, length = -1;
        while (reader.FindNextEntry(0, position, start, length))
            texts.push_back(reader.m_strLog.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
        EXPECT_EQ(texts, expected);
        EXPECT_EQ(position, static_cast<int>(reader.m_strLog.size()));
    }
}

TEST_F(UninstallTest, LastEntryWithoutLineEndRunsToTheEndOfTheText)
{
    testfs::WriteFile(Path("a.txt"), "a");
    testfs::WriteFile(Path("last one.txt"), "b");
    LoadLog("File Copy: " + Path("a.txt") + "\r\nFile Copy: " + Path("last one.txt"));
    EXPECT_EQ(thread.CountEntries(0), 2);

    RunUninstall();

    EXPECT_EQ(ReportedFiles(), (Lines{Path("a.txt"), Path("last one.txt")}));
    EXPECT_FALSE(Exists(Path("a.txt")));
    EXPECT_FALSE(Exists(Path("last one.txt")));
}

TEST_F(UninstallTest, LogWithoutFilesStillReportsTheEndOfEachStage)
{
    testfs::MakeDirs(Path("only"));
    LoadLog("Made Dir: " + Path("only") + "\r\n");
    EXPECT_EQ(thread.CountEntries(0), 0);

    RunUninstall();

    EXPECT_EQ(MessageOrder(), (std::vector<UINT>{WM_UNINSTALL_FILES_DONE, WM_UNINSTALL_DONE}));
    EXPECT_FALSE(Exists(Path("only")));
    EXPECT_EQ(thread.selfRemovals, 1);
}

// Folders are recorded parent first; removing them last-recorded first
// takes every child before its parent. A folder that holds something the
// log does not name stays, with the folders above it.
TEST_F(UninstallTest, NestedFoldersAreRemovedChildFirst)
{
    // 運 is DF 5C in GBK: its second byte is a backslash.
    const Lines folders = {Path("A"), Path("A\\運"), Path("A\\運\\C"), Path("A\\D"),
                           Path("K"), Path("K\\L")};
    for (const std::string& folder : folders)
        testfs::MakeDirs(folder);
    testfs::WriteFile(Path("A\\運\\C\\誠.txt"), "x");
    testfs::WriteFile(Path("K\\L\\unrecorded.txt"), "x");
    std::string log;
    for (const std::string& folder : folders)
        log += "Made Dir: " + folder + "\r\n";
    log += "File Copy: " + Path("A\\運\\C\\誠.txt") + "\r\n";
    LoadLog(log);

    RunUninstall();

    EXPECT_FALSE(Exists(Path("A")));
    EXPECT_TRUE(IsDirectory(Path("K\\L")));
    EXPECT_TRUE(Exists(Path("K\\L\\unrecorded.txt")));
    EXPECT_EQ(ReportedFiles(), (Lines{Path("A\\運\\C\\誠.txt")}));
}

// Files installed from a CD keep its read-only attribute; they go all the
// same, or the folders holding them could never be removed.
TEST_F(UninstallTest, ReadOnlyFilesAreDeletedToo)
{
    testfs::MakeDirs(Path("Soft"));
    testfs::WriteFile(Path("Soft\\readme.txt"), "x");
    ASSERT_TRUE(::SetFileAttributesA(Path("Soft\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    LoadLog("Made Dir: " + Path("Soft") + "\r\nFile Copy: " + Path("Soft\\readme.txt") + "\r\n");

    RunUninstall();

    EXPECT_FALSE(Exists(Path("Soft\\readme.txt")));
    EXPECT_FALSE(Exists(Path("Soft")));
}

TEST_F(UninstallTest, ControlIsUnregisteredThenDeletedBeforeTheFilePass)
{
    // The stand-in control lies beside this test program.
    char self[MAX_PATH];
    const DWORD got = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(got > 0 && got < MAX_PATH);
    std::string built(self, got);
    built = built.substr(0, built.rfind('\\')) + "\\marker_control.ocx";
    ASSERT_TRUE(Exists(built)) << built;

    const std::string control = Path("Controls\\地形.ocx");
    testfs::MakeDirs(Path("Controls"));
    ASSERT_TRUE(::CopyFileA(built.c_str(), control.c_str(), FALSE));
    const std::string marker = "Software\\ZemloMarker\\地形.ocx";
    {
        winlib::ScopedModule module(::LoadLibraryA(control.c_str()));
        ASSERT_TRUE(module.valid());
        using Register = HRESULT(STDAPICALLTYPE*)();
        const auto reg = reinterpret_cast<Register>(
            reinterpret_cast<void*>(::GetProcAddress(module.get(), "DllRegisterServer")));
        ASSERT_TRUE(reg != nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, marker));

    // A file that is no control and a control that is gone: skipped.
    testfs::WriteFile(Path("Controls\\plain.ocx"), "not a module");
    LoadLog("Made Dir: " + Path("Controls") + "\r\n" +
            "File Copy: " + control + "\r\n" +
            "File Copy: " + Path("Controls\\plain.ocx") + "\r\n" +
            "Reg Ctrl: " + Path("Controls\\plain.ocx") + "\r\n" +
            "Reg Ctrl: " + Path("Controls\\missing.ocx") + "\r\n" +
            "Reg Ctrl: " + control + "\r\n");
    // Each control's fate is known when the first file report arrives.
    bool controlGoneAtFirstReport = false;
    bool plainGoneAtFirstReport = false;
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_UNINSTALL_FILE && window.Count(WM_UNINSTALL_FILE) == 1) {
            controlGoneAtFirstReport = !Exists(control);
            plainGoneAtFirstReport = !Exists(Path("Controls\\plain.ocx"));
        }
    };

    RunUninstall();

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, marker));
    EXPECT_TRUE(controlGoneAtFirstReport);
    EXPECT_TRUE(plainGoneAtFirstReport);
    // The file entries still report the files the control pass deleted.
    EXPECT_EQ(ReportedFiles(), (Lines{control, Path("Controls\\plain.ocx")}));
    EXPECT_FALSE(Exists(Path("Controls")));
}

TEST_F(UninstallTest, UnregisterControlSucceedsOnlyWhenTheControlAnswersOk)
{
    char self[MAX_PATH];
    const DWORD got = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(got > 0 && got < MAX_PATH);
    std::string built(self, got);
    built = built.substr(0, built.rfind('\\')) + "\\marker_control.ocx";
    const std::string control = Path("m.ocx");
    ASSERT_TRUE(::CopyFileA(built.c_str(), control.c_str(), FALSE));
    CreateKey(HKEY_CURRENT_USER, "Software\\ZemloMarker\\m.ocx");

    EXPECT_TRUE(CUninstallThread::UnregisterControl(control.c_str()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\ZemloMarker\\m.ocx"));
    // The marker is gone now: the control answers S_FALSE.
    EXPECT_FALSE(CUninstallThread::UnregisterControl(control.c_str()));
    // A module without the export, a file that is no module, no file.
    EXPECT_FALSE(CUninstallThread::UnregisterControl("kernel32.dll"));
    testfs::WriteFile(Path("text.ocx"), "text");
    EXPECT_FALSE(CUninstallThread::UnregisterControl(Path("text.ocx").c_str()));
    EXPECT_FALSE(CUninstallThread::UnregisterControl(Path("none.ocx").c_str()));
    // The library is released again: the file can be deleted.
    EXPECT_TRUE(::DeleteFileA(control.c_str()));
}

// The root text before the first comma selects the root by exact
// comparison; everything that is not "0" to "3" means HKEY_CURRENT_CONFIG.
TEST_F(UninstallTest, RegistryKeysAreDeletedUnderTheRootTheirDigitNames)
{
    const HKEY roots[5] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                           HKEY_CURRENT_CONFIG};
    std::string log;
    for (int digit = 0; digit < 5; ++digit) {
        const std::string name = "Zemlo\\R" + std::to_string(digit);
        for (HKEY root : roots)
            CreateKey(root, name);
        log += "RegDB Key: " + std::to_string(digit) + "," + name + "\r\n";
    }
    const Lines others = {"9", "22", " 2", "02", "HKLM", ""};
    for (std::size_t i = 0; i < others.size(); ++i) {
        const std::string name = "Zemlo\\Other" + std::to_string(i);
        CreateKey(HKEY_CURRENT_CONFIG, name);
        CreateKey(HKEY_LOCAL_MACHINE, name);
        log += "RegDB Key: " + others[i] + "," + name + "\r\n";
    }
    // Only the first comma splits; a key with sub-keys is not deleted.
    CreateKey(HKEY_LOCAL_MACHINE, "Zemlo\\a,b");
    CreateKey(HKEY_LOCAL_MACHINE, "Zemlo\\Parent\\Child");
    log += "RegDB Key: 2,Zemlo\\a,b\r\nRegDB Key: 2,Zemlo\\Parent\r\n";
    LoadLog(log);

    RunUninstall();

    for (int digit = 0; digit < 5; ++digit)
        for (int r = 0; r < 5; ++r)
            EXPECT_EQ(KeyExists(roots[r], "Zemlo\\R" + std::to_string(digit)), r != digit)
                << "entry root " << digit << ", looked under root " << r;
    for (std::size_t i = 0; i < others.size(); ++i) {
        const std::string name = "Zemlo\\Other" + std::to_string(i);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_CONFIG, name)) << '"' << others[i] << '"';
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, name)) << '"' << others[i] << '"';
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Zemlo\\a,b"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Zemlo\\Parent\\Child"));
    EXPECT_TRUE(window.Count(WM_UNINSTALL_DONE) == 1);
}

// Setup always writes the comma. An entry without one, or without a
// sub-key after it, names no key of its own: it is skipped, and never
// taken for a whole root.
TEST_F(UninstallTest, RegistryEntryWithoutCommaOrSubKeyIsSkipped)
{
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zemlo");
    CreateKey(HKEY_LOCAL_MACHINE, "2");
    CreateKey(HKEY_LOCAL_MACHINE, "Zemlo\\After");
    LoadLog("RegDB Key: 2\r\n"
            "RegDB Key: SOFTWARE\\Zemlo\r\n"
            "RegDB Key: 4,\r\n"
            "RegDB Key: 2,Zemlo\\After\r\n");

    RunUninstall();

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zemlo"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "2"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Zemlo\\After"));
    // The (empty) key that stands in for HKEY_CURRENT_CONFIG is still there.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "ZemloTestConfig"));
    EXPECT_EQ(MessageOrder(), (std::vector<UINT>{WM_UNINSTALL_FILES_DONE, WM_UNINSTALL_DONE}));
}

TEST_F(UninstallTest, UnreadableLogIsReportedAndPostsFailure)
{
    const std::string path = Path("Uninstall.log");
    testfs::WriteFile(path, "File Copy: " + Path("x.txt") + "\r\n");
    thread.m_pMainWnd = &window;
    {
        // Held open without sharing: the read cannot open it.
        winlib::ScopedHandle lock(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock.valid());
        EXPECT_FALSE(thread.ReadLog(path.c_str()));
    }
    const std::string missing = Path("no such folder\\Uninstall.log");
    EXPECT_FALSE(thread.ReadLog(missing.c_str()));

    ASSERT_EQ(thread.fileErrors.size(), 2u);
    EXPECT_EQ(thread.fileErrors[0].m_strFileName, path);
    EXPECT_EQ(thread.fileErrors[0].m_cause, CFileException::sharingViolation);
    EXPECT_EQ(thread.fileErrors[1].m_strFileName, missing);
    EXPECT_NE(thread.fileErrors[1].m_cause, CFileException::none);
    EXPECT_TRUE(thread.m_strLog.empty());

    // The failure is posted (the window's own thread is the caller), once
    // per failed read.
    winlib::PumpWaitingMessages();
    ASSERT_EQ(window.Count(WM_UNINSTALL_FAILED), 2);
    for (const RecordedMessage& m : window.Of(WM_UNINSTALL_FAILED)) {
        EXPECT_FALSE(m.sent);
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_EQ(m.lParam, 0);
    }
}
