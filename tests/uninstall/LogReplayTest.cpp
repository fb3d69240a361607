// The uninstall worker's replay of "Uninstall.log": reading, the four passes
// in their order, and the messages it sends to its window.
#include "UninstallFixture.h"

#include "installlog/InstallLog.h"
#include "winlib/Handles.h"

using testfs::Exists;
using testfs::IsDirectory;

namespace {
const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
const char kMarkerKey[] = "Software\\ZemloMarker";

struct ReplayCase {
    const char* name;
    const char* lineEnd;  // as the log lies on disk
    bool lastLineEnded;
    bool withFiles;
};
void PrintTo(const ReplayCase& c, std::ostream* os) { *os << c.name; }

// The stand-in control, built beside this test program, copied to path.
void CopyMarkerControl(const std::string& path)
{
    const std::string built = testfs::ProgramFolder() + "marker_control.ocx";
    ASSERT_TRUE(::CopyFileA(built.c_str(), path.c_str(), FALSE)) << built;
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
    const Lines kept = {Path("K"), Path("K\\L")};
    const Lines files = c.withFiles ? Lines{soft + "Support\\a.lsp", soft + "運\\图框\\誠.txt", soft + "readme.txt",
                                            menu + "\\ZEMLO V8.0 卸载程序.LNK", soft + "Uninstall.log"}
                                    : Lines{};
    Lines log = {std::string("RegDB Key: 2,") + kProductKey, std::string("RegDB Key: 2,") + kUninstallKey};
    for (const Lines* made : {&folders, &kept})
        for (const std::string& folder : *made) {
            testfs::MakeDirs(folder);
            log.push_back("Made Dir: " + folder);
        }
    testfs::WriteFile(Path("K\\L\\unrecorded.txt"), "x");
    for (const std::string& file : files) {
        testfs::WriteFile(file, "x");
        log.push_back("File Copy: " + file);
    }
    if (c.withFiles) {
        ASSERT_TRUE(::SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY));
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
    EXPECT_EQ(thread.m_strLog, text);
    EXPECT_EQ(thread.CountEntries(installlog::kFileCopy), static_cast<int>(files.size()));

    RunUninstall();

    // One sent report per file in the order of the log, the end of the file
    // pass, the self-removal, then the end of the run.
    Lines trace;
    for (const std::string& file : files)
        trace.push_back(TraceLine(WM_UNINSTALL_FILE, true, "0", file));
    trace.push_back(TraceLine(WM_UNINSTALL_FILES_DONE, true));
    trace.push_back(TraceLine(WM_UNINSTALL_DONE, true));
    EXPECT_EQ(window.Trace(), trace);
    EXPECT_EQ(thread.selfRemovals, std::vector<std::size_t>{files.size() + 1});

    for (const std::string& path : files)
        EXPECT_FALSE(Exists(path)) << path;
    for (const std::string& path : folders)
        EXPECT_FALSE(Exists(path)) << path;
    // What the log does not name stays: the install folder itself (for the
    // self-removal), the Programs menu, an unrecorded file with its folders,
    // the keys' parents.
    EXPECT_TRUE(IsDirectory(Path("Soft")));
    EXPECT_TRUE(IsDirectory(Path("Menu")));
    EXPECT_TRUE(Exists(Path("K\\L\\unrecorded.txt")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

INSTANTIATE_TEST_SUITE_P(LogShapes, ReplayTest,
                         ::testing::Values(ReplayCase{"CrLf", "\r\n", true, true}, ReplayCase{"Lf", "\n", true, true},
                                           ReplayCase{"LastLineUnended", "\r\n", false, true},
                                           ReplayCase{"NoFiles", "\r\n", true, false}),
                         [](const ::testing::TestParamInfo<ReplayCase>& info) { return std::string(info.param.name); });

// UnregisterControl succeeds only when the control answers S_OK, and
// releases the library again. In the run, controls are unregistered and
// deleted before the file pass; a file that is no control and a control that
// is gone are skipped.
TEST_F(UninstallTest, ControlIsUnregisteredThenDeletedBeforeTheFilePass)
{
    const std::string control = Path("Controls\\地形.ocx");
    const std::string plain = Path("Controls\\plain.ocx");
    testfs::MakeDirs(Path("Controls"));
    testfs::WriteFile(plain, "not a module");
    CopyMarkerControl(control);
    CreateKey(HKEY_CURRENT_USER, kMarkerKey);
    EXPECT_TRUE(CUninstallThread::UnregisterControl(control.c_str()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMarkerKey));
    // The key is gone now: the control answers S_FALSE. Then a module
    // without the export, a file that is no module, no file.
    for (const std::string& path : {control, std::string("kernel32.dll"), plain, Path("none.ocx")})
        EXPECT_FALSE(CUninstallThread::UnregisterControl(path.c_str())) << path;
    ASSERT_TRUE(::DeleteFileA(control.c_str()));

    CopyMarkerControl(control);
    CreateKey(HKEY_CURRENT_USER, kMarkerKey);
    LoadLog("Made Dir: " + Path("Controls") + "\r\nFile Copy: " + control + "\r\nFile Copy: " + plain +
            "\r\nReg Ctrl: " + plain + "\r\nReg Ctrl: " + Path("Controls\\missing.ocx") + "\r\nReg Ctrl: " +
            control + "\r\n");
    bool controlsGoneAtFirstReport = false;
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_UNINSTALL_FILE && window.Count(WM_UNINSTALL_FILE) == 1)
            controlsGoneAtFirstReport = !Exists(control) && !Exists(plain) && !KeyExists(HKEY_CURRENT_USER, kMarkerKey);
    };

    RunUninstall();

    EXPECT_TRUE(controlsGoneAtFirstReport);
    // The file entries still report the files the control pass deleted.
    EXPECT_EQ(window.Trace(), (Lines{TraceLine(WM_UNINSTALL_FILE, true, "0", control),
                                    TraceLine(WM_UNINSTALL_FILE, true, "0", plain),
                                    TraceLine(WM_UNINSTALL_FILES_DONE, true), TraceLine(WM_UNINSTALL_DONE, true)}));
    EXPECT_FALSE(Exists(Path("Controls")));
}

// The root text before the first comma selects the root by exact
// comparison; everything that is not "0" to "3" means HKEY_CURRENT_CONFIG.
TEST_F(UninstallTest, RegistryKeysAreDeletedUnderTheRootTheirDigitNames)
{
    // Root text, then the index in kLogRoots of the root it selects.
    const std::pair<const char*, int> cases[] = {{"0", 0},  {"1", 1},   {"2", 2},   {"3", 3},    {"4", 4}, {"9", 4},
                                                 {"22", 4}, {" 2", 4},  {"02", 4},  {"HKLM", 4}, {"", 4}};
    std::string log;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        for (HKEY root : kLogRoots)
            CreateKey(root, "Zemlo\\K" + std::to_string(i));
        log += std::string("RegDB Key: ") + cases[i].first + ",Zemlo\\K" + std::to_string(i) + "\r\n";
    }
    // Only the first comma splits; a key with sub-keys is not deleted.
    CreateKey(HKEY_LOCAL_MACHINE, "Zemlo\\a,b");
    CreateKey(HKEY_LOCAL_MACHINE, "Zemlo\\Parent\\Child");
    LoadLog(log + "RegDB Key: 2,Zemlo\\a,b\r\nRegDB Key: 2,Zemlo\\Parent\r\n");

    RunUninstall();

    for (std::size_t i = 0; i < std::size(cases); ++i)
        for (int r = 0; r < 5; ++r)
            EXPECT_EQ(KeyExists(kLogRoots[r], "Zemlo\\K" + std::to_string(i)), r != cases[i].second)
                << "root text \"" << cases[i].first << "\", looked under root " << r;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Zemlo\\a,b"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Zemlo\\Parent\\Child"));
}

// An entry without a comma or without a sub-key after it names no key of its
// own: it is skipped, and never taken for a whole root. (The roots' stand-in
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
    EXPECT_TRUE(thread.m_strLog.empty());
    // The failure is posted (the window's own thread is the caller), once.
    winlib::PumpWaitingMessages();
    ASSERT_EQ(window.Count(WM_UNINSTALL_FAILED), 1);
    EXPECT_FALSE(window.messages.back().sent);
}
