// The uninstall worker's replay of "Uninstall.log": reading, the four passes
// in their order, and the messages it sends to its window.
#include "UninstallFixture.h"

#include "Shortcuts.h"

#include "runfront/ExitCodes.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"
#include "runfront/RunSupport.h"

using testfs::Exists;
using testfs::IsDirectory;

namespace {
using testreg::kProductKey;
using testreg::kUninstallKey;
const char kMarkerKey[] = "Software\\ZemloMarker";

struct ReplayCase {
    const char* name;
    const char* lineEnd;  // as the log lies on disk
    bool lastLineEnded;
    bool withFiles;
};
void PrintTo(const ReplayCase& c, std::ostream* os) { *os << c.name; }

// A stand-in control, built beside this test program, copied to path.
void CopyProbe(const std::string& probe, const std::string& path)
{
    const std::string built = testfs::ProgramFolder() + probe + ".ocx";
    ASSERT_TRUE(::CopyFileA(built.c_str(), path.c_str(), FALSE)) << built;
}

std::string SystemFile(const char* name)
{
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\" + name;
}

// Wine shows a dialog for a program that crashes and holds the program (and
// the test's output, which the debugger inherits) until someone answers it;
// Windows' error reporting shows none for a program that asks for no box.
// The prefixes the tests make switch Wine's dialog off; this does it for a
// prefix made before that, through reg.exe (a child process: the test's own
// registry roots are redirected).
void SwitchOffWineCrashDialog()
{
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string command = std::string("\"") + system +
                          "\\reg.exe\" add HKCU\\Software\\Wine\\WineDbg /v ShowCrashDialog /t REG_DWORD /d 0 /f";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                         &started)) {
        winlib::ScopedProcessInformation process(started);
        ::WaitForSingleObject(process.process_handle(), 30000);
    }
}

void SetMachineString(const char* subKey, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}
}  // namespace

class ReplayTest : public UninstallTest, public ::testing::WithParamInterface<ReplayCase> {};

// An installation into Soft\ with shortcuts in a Programs menu, undone kind
// by kind whatever the line ends on disk. Folders are recorded parent first;
// removing them last-recorded first takes every child before its parent. A
// folder that holds something the log does not name stays, with the folders
// above it. A read-only file (as copied from a CD) goes all the same, or its
// folders could never go.
TEST_P(ReplayTest, InstallationIsUndoneAndEveryStageReported)
{
    const ReplayCase& c = GetParam();
    const std::string soft = Path("Soft\\");
    const std::string menu = Path("Menu\\direveradi ZEMLO V8.0");
    // 運 is DF 5C in GBK: its second byte is a backslash.
    const Lines folders = {soft + "Support", soft + "運", soft + "運\\图框", soft + "Data", menu};
    const Lines kept = {soft + "K", soft + "K\\L"};
    const Lines files = c.withFiles ? Lines{soft + "Support\\a.lsp", soft + "運\\图框\\誠.txt", soft + "readme.txt",
                                            menu + "\\ZEMLO V8.0 卸载程序.LNK", soft + "Uninstall.log"}
                                    : Lines{};
    Lines log = {std::string("RegDB Key: 2,") + kProductKey, std::string("RegDB Key: 2,") + kUninstallKey};
    for (const Lines* made : {&folders, &kept})
        for (const std::string& folder : *made) {
            testfs::MakeDirs(folder);
            log.push_back("Made Dir: " + folder);
        }
    testfs::WriteFile(soft + "K\\L\\unrecorded.txt", "x");
    for (const std::string& file : files) {
        testfs::WriteFile(file, "x");
        log.push_back("File Copy: " + file);
    }
    if (c.withFiles) {
        ASSERT_TRUE(::SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY));
        // The menu's shortcut, into the installation.
        ASSERT_TRUE(testlink::SaveShortcut(files[3], soft + "ZEMLO.exe"));
    }
    CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
    CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
    std::string onDisk, text;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const bool ended = c.lastLineEnded || i + 1 < log.size();
        onDisk += log[i] + (ended ? c.lineEnd : "");
        text += log[i] + (ended ? "\n" : "");
    }
    LoadLog(onDisk, soft + "Uninstall.log");

    // The text as Setup kept it: LF line ends only, no CR in any entry.
    EXPECT_EQ(thread.LogText(), text);
    EXPECT_EQ(thread.CountEntries(installlog::kFileCopy), static_cast<int>(files.size()));

    RunUninstall();

    // One sent report per file in the order of the log, the end of the file
    // pass, then the end of the run. Something is left (below), so the log
    // and the uninstaller stay for another run: no self-removal.
    Lines trace;
    for (const std::string& file : files)
        trace.push_back(TraceLine(WM_UNINSTALL_FILE, true, "0", file));
    trace.push_back(TraceLine(WM_UNINSTALL_FILES_DONE, true));
    trace.push_back(TraceLine(WM_UNINSTALL_DONE, true));
    EXPECT_EQ(window.Trace(), trace);
    EXPECT_TRUE(thread.selfRemovals.empty());

    for (const std::string& path : files)
        EXPECT_EQ(Exists(path), path == soft + "Uninstall.log") << path;
    EXPECT_EQ(thread.Outcome().FolderLeft(), Path("Soft"));
    for (const std::string& path : folders)
        EXPECT_FALSE(Exists(path)) << path;
    // What the log does not name stays: the install folder itself (for the
    // self-removal), the Programs menu, an unrecorded file with its folders,
    // the uninstall entry's parent. The product key's parents, which Setup
    // made with it, go once they are empty.
    EXPECT_TRUE(IsDirectory(Path("Soft")));
    EXPECT_TRUE(IsDirectory(Path("Menu")));
    EXPECT_TRUE(Exists(soft + "K\\L\\unrecorded.txt"));
    // Those folders are what is left, the child first; nothing else.
    EXPECT_EQ(LeftLines(thread), (Lines{"not-removed " + kept[1], "not-removed " + kept[0]}));
    EXPECT_FALSE(thread.Outcome().RestartNeeded());
    // Something of the installation is left: the product key and the
    // uninstall entry stay, so that Programs and Features still offers the
    // removal.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

INSTANTIATE_TEST_SUITE_P(LogShapes, ReplayTest,
                         ::testing::Values(ReplayCase{"CrLf", "\r\n", true, true}, ReplayCase{"Lf", "\n", true, true},
                                           ReplayCase{"LastLineUnended", "\r\n", false, true},
                                           ReplayCase{"NoFiles", "\r\n", true, false}),
                         [](const ::testing::TestParamInfo<ReplayCase>& info) { return std::string(info.param.name); });

// UnregisterControl runs DllUnregisterServer in a child process and
// succeeds only when it answers S_OK. In the run, controls are unregistered
// and deleted before the file pass; a file that is no module registered
// nothing and simply goes, a control that is gone counts as removed.
TEST_F(UninstallTest, ControlIsUnregisteredThenDeletedBeforeTheFilePass)
{
    UseMarkers();
    const std::string control = Path("Controls\\地形.ocx");
    const std::string plain = Path("Controls\\plain.ocx");
    testfs::MakeDirs(Path("Controls"));
    testfs::WriteFile(plain, "not a module");
    CopyProbe("marker_control", control);
    EXPECT_TRUE(CUninstallThread::UnregisterControl(control.c_str()));
    EXPECT_TRUE(Exists(Marker("地形.ocx", ".unregistered")));
    // A module without the export, a file that is no module, no file.
    for (const std::string& path : {SystemFile("kernel32.dll"), plain, Path("none.ocx")})
        EXPECT_FALSE(CUninstallThread::UnregisterControl(path.c_str())) << path;
    ASSERT_TRUE(::DeleteFileA(Marker("地形.ocx", ".unregistered").c_str()));

    LoadLog("Made Dir: " + Path("Controls") + "\r\nFile Copy: " + control + "\r\nFile Copy: " + plain +
            "\r\nReg Ctrl: " + plain + "\r\nReg Ctrl: " + Path("Controls\\missing.ocx") + "\r\nReg Ctrl: " +
            control + "\r\n");
    bool controlsGoneAtFirstReport = false;
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_UNINSTALL_FILE && window.Count(WM_UNINSTALL_FILE) == 1)
            controlsGoneAtFirstReport =
                !Exists(control) && !Exists(plain) && Exists(Marker("地形.ocx", ".unregistered"));
    };

    RunUninstall();

    EXPECT_TRUE(controlsGoneAtFirstReport);
    // The file entries still report the files the control pass deleted.
    EXPECT_EQ(window.Trace(), (Lines{TraceLine(WM_UNINSTALL_FILE, true, "0", control),
                                    TraceLine(WM_UNINSTALL_FILE, true, "0", plain),
                                    TraceLine(WM_UNINSTALL_FILES_DONE, true), TraceLine(WM_UNINSTALL_DONE, true)}));
    EXPECT_FALSE(Exists(Path("Controls")));
    EXPECT_EQ(LeftLines(thread), Lines{});
}

// A control of a kind this Windows cannot run (the 64-bit control of the
// medium on 32-bit Windows; here one for ARM64) was never registered: it
// counts as unregistered, its file goes and nothing is left.
TEST_F(UninstallTest, AControlThisWindowsCannotRunIsDeletedAndNotLeft)
{
    testfs::MakeDirs(Path("Controls"));
    const std::string foreign = Path("Controls\\arm64.ocx");
    testfs::WriteFile(foreign, testfs::ModuleHeaders(0xAA64, IMAGE_NT_OPTIONAL_HDR64_MAGIC));
    EXPECT_TRUE(CUninstallThread::UnregisterControl(foreign.c_str()));

    LoadLog("Made Dir: " + Path("Controls") + "\r\nFile Copy: " + foreign + "\r\nReg Ctrl: " + foreign + "\r\n");
    RunUninstall();
    EXPECT_FALSE(Exists(foreign));
    EXPECT_FALSE(Exists(Path("Controls")));
    EXPECT_EQ(LeftLines(thread), Lines{});
}

// A control whose DllUnregisterServer fails, crashes or hangs takes only
// the child process with it: the run goes on past the time limit, the
// control files go, everything else goes, and each such control counts as
// not unregistered.
TEST_F(UninstallTest, FailingCrashingOrHangingControlDoesNotStopTheRun)
{
    UseMarkers();
    SwitchOffWineCrashDialog();
    thread.SetControlTimeout(3000);
    const char* const probes[] = {"probe_fail", "probe_crash", "probe_hang", "marker_control"};
    testfs::MakeDirs(Path("Controls"));
    std::string log = "Made Dir: " + Path("Controls") + "\r\n";
    for (const char* probe : probes) {
        CopyProbe(probe, Path(std::string("Controls\\") + probe + ".ocx"));
        log += "File Copy: " + Path(std::string("Controls\\") + probe + ".ocx") + "\r\n";
    }
    testfs::WriteFile(Path("readme.txt"), "x");
    log += "File Copy: " + Path("readme.txt") + "\r\n";
    for (const char* probe : probes)
        log += "Reg Ctrl: " + Path(std::string("Controls\\") + probe + ".ocx") + "\r\n";
    LoadLog(log);

    RunUninstall();

    for (const char* probe : probes)
        EXPECT_TRUE(Exists(Marker(std::string(probe) + ".ocx", ".unregistered"))) << probe << " never ran";
    EXPECT_FALSE(Exists(Path("Controls")));
    EXPECT_FALSE(Exists(Path("readme.txt")));
    EXPECT_EQ(window.Count(WM_UNINSTALL_DONE), 1);
    EXPECT_EQ(LeftLines(thread), (Lines{"not-unregistered " + Path("Controls\\probe_fail.ocx"),
                                        "not-unregistered " + Path("Controls\\probe_crash.ocx"),
                                        "not-unregistered " + Path("Controls\\probe_hang.ocx")}));
}

// Registry keys: only the product key and the uninstall entry, under
// HKEY_LOCAL_MACHINE (root text exactly "2", the key's name in any case).
// Every other root, root text and key is refused and stays; a key already
// gone counts as removed; one that cannot be deleted (it has sub-keys) is
// left.
TEST_F(UninstallTest, OnlyTheProductKeyAndTheUninstallEntryAreDeleted)
{
    const char* const roots[] = {"0", "1", "3", "4", "9", "-1", "22", " 2", "02", "HKLM", "",
                                 "12345678901234567890"};
    Lines refused;
    std::string log;
    for (std::size_t i = 0; i < std::size(roots); ++i) {
        const std::string key = std::string(kProductKey);
        for (HKEY root : kLogRoots)
            CreateKey(root, key);
        const std::string line = std::string("RegDB Key: ") + roots[i] + "," + key;
        log += line + "\r\n";
        refused.push_back("refused " + line.substr(11));
    }
    for (const char* other : {"2,SOFTWARE\\Victim", "2,SOFTWARE\\Kestrova\\enggZEMLO\\V8\\..\\Victim",
                              "2,SOFTWARE\\Kestrova\\enggZEMLO", "2", "SOFTWARE\\Victim", "2,"}) {
        log += std::string("RegDB Key: ") + other + "\r\n";
        refused.push_back(std::string("refused ") + other);
    }
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Victim");
    CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Sub");
    // The product key spelt in another case; the uninstall entry, which has
    // a sub-key here; the product key again, gone by then.
    log += "RegDB Key: 2,software\\kestrova\\ENGGZEMLO\\v8\r\nRegDB Key: 2," + std::string(kUninstallKey) +
           "\r\nRegDB Key: 2," + kProductKey + "\r\n";
    LoadLog(log);

    RunUninstall();

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    for (int r : {0, 1, 3, 4})
        EXPECT_TRUE(KeyExists(kLogRoots[r], kProductKey)) << "root " << r;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Victim"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Sub"));
    refused.push_back("not-removed 2," + std::string(kUninstallKey));
    EXPECT_EQ(LeftLines(thread), refused);
}

// The product key and the uninstall entry name one installation. When they
// name another one (installed later into another folder), they are its keys
// and stay; when they name this one, or nothing, they go.
TEST_F(UninstallTest, KeysOfAnotherInstallationStay)
{
    const std::string here = Path("Here");
    const std::string other = Path("Other");
    testfs::MakeDirs(here);
    testfs::MakeDirs(other);
    const std::string log =
        std::string("RegDB Key: 2,") + kProductKey + "\r\nRegDB Key: 2," + kUninstallKey + "\r\n";
    struct Case { std::string installPath, uninstallString; bool removed; };
    const Case cases[] = {
        {other + "\\", other + "\\Uninstall.exe", false},
        {here + "\\", here + "\\Uninstall.exe", true},
        {"", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installPath);
        CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
        CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
        if (!c.installPath.empty()) {
            SetMachineString(kProductKey, "installPath", c.installPath);
            SetMachineString(kUninstallKey, "UninstallString", c.uninstallString);
        }
        TestUninstallThread replay;
        replay.window = &window;
        testfs::WriteFile(here + "\\Uninstall.log", log);
        ASSERT_TRUE(replay.ReadLog((here + "\\Uninstall.log").c_str()));
        ASSERT_TRUE(window.RunThread(replay));
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kProductKey), !c.removed);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey), !c.removed);
        EXPECT_TRUE(replay.Outcome().Left().empty());
    }
}

// An entry without a comma or without a sub-key after it names no key of its
// own: it is refused, and never taken for a whole root. (The roots' stand-in
// keys are empty here: a key with sub-keys would not go anyway.)
TEST_F(UninstallTest, RegistryEntryWithoutSubKeyIsSkipped)
{
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zemlo");
    CreateKey(HKEY_LOCAL_MACHINE, "2");
    LoadLog("RegDB Key: 2\r\nRegDB Key: SOFTWARE\\Zemlo\r\nRegDB Key: 3,\r\nRegDB Key: 4,\r\n");

    RunUninstall();

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zemlo"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "2"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "ZemloTestUsers"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "ZemloTestConfig"));
    EXPECT_EQ(LeftLines(thread), (Lines{"refused 2", "refused SOFTWARE\\Zemlo", "refused 3,", "refused 4,"}));
}

TEST_F(UninstallTest, UnreadableLogIsReportedAndPostsFailure)
{
    const std::string path = Path("Uninstall.log");
    testfs::WriteFile(path, "File Copy: " + Path("x.txt") + "\r\n");
    {
        // Held open without sharing: the read cannot open it.
        winlib::ScopedHandle lock(
            ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock.valid());
        EXPECT_FALSE(thread.ReadLog(path.c_str()));
    }

    ASSERT_EQ(thread.fileErrors.size(), 1u);
    EXPECT_EQ(thread.fileErrors[0].m_strFileName, path);
    EXPECT_EQ(thread.fileErrors[0].m_cause, CFileException::sharingViolation);
    EXPECT_TRUE(thread.LogText().empty());
    // The failure is posted (the window's own thread is the caller), once.
    winlib::PumpWaitingMessages();
    ASSERT_EQ(window.Count(WM_UNINSTALL_FAILED), 1);
    EXPECT_FALSE(window.messages.back().sent);
}

// The worker's own folder removal (no self-removal: the test program lies
// elsewhere) fails when the folder holds something the log does not name:
// only the folder is left, and the run log, the finished text and the exit
// code all count it as one item.
TEST_F(UninstallTest, FolderLeftAloneIsOneItemLeftInTheRunLogAsInTheWindow)
{
    class FolderRemovingThread : public CUninstallThread {
    protected:
        void ReportFileError(const CFileException&) override {}
    };
    const std::string inst = Path("Inst");
    testfs::WriteFile(inst + "\\a.txt", "x");
    testfs::WriteFile(inst + "\\unrecorded.txt", "x");
    testfs::WriteFile(inst + "\\Uninstall.log", "File Copy: " + inst + "\\a.txt\r\n");
    const std::string runLog = Path("run.log");
    ASSERT_TRUE(runfront::AppRunLog().Open(runLog));
    FolderRemovingThread worker;
    ASSERT_TRUE(worker.ReadLog((inst + "\\Uninstall.log").c_str()));

    ASSERT_TRUE(window.RunThread(worker));
    runfront::AppRunLog().Close();

    const UninstallOutcome& outcome = worker.Outcome();
    EXPECT_TRUE(outcome.Left().empty());
    EXPECT_EQ(outcome.FolderLeft(), inst);
    EXPECT_EQ(outcome.FinishedText().rfind("卸载完成，但有 1 项未能删除。", 0), 0u) << outcome.FinishedText();
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitFailedIncomplete);
    // The run log's last records, without their stamps.
    Lines records;
    for (const std::string& line : testfs::SplitLines(testfs::ReadFile(runLog)))
        records.push_back(line.size() > 25 ? line.substr(25, line.size() - 26) : line);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ((Lines{records.end() - 2, records.end()}), (Lines{"卸载完成，但有 1 项未能删除", "留下文件夹: " + inst}));
}
