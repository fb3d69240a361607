// The uninstaller acts on the objects it opened and checked, not on the
// texts of the log: links that Wine opens through (a Unix link to a file
// shows no attribute at all), 8.3 short names that hide a long one, a
// folder whose security ordinary users may change (no deletion at the
// restart then), and the registration that stays while anything is left.
#include "UninstallFixture.h"

#include "Shortcuts.h"

#include "winlib/FileSecurity.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <cstring>

#include <sddl.h>

using testfs::Exists;
using testreg::kProductKey;
using testreg::kUninstallKey;

namespace {

// base, then the 8.3 names of the components of relative (an existing
// path below base); "" when the system gives no other names for them.
std::string ShortPathOf(const std::string& base, const std::string& relative)
{
    const std::string path = base + "\\" + relative;
    char buffer[MAX_PATH] = {};
    const DWORD got = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return std::string();
    // As many components from the end as relative has.
    std::string shortPath(buffer, got);
    std::size_t components = 1;
    for (char c : relative)
        components += c == '\\' ? 1 : 0;
    std::size_t at = shortPath.size();
    for (std::size_t i = 0; i < components && at != std::string::npos; ++i)
        at = at == 0 ? std::string::npos : shortPath.rfind('\\', at - 1);
    if (at == std::string::npos)
        return std::string();
    const std::string tail = shortPath.substr(at + 1);
    return winlib::EqualNoCase(tail, relative) ? std::string() : base + "\\" + tail;
}

// Whether only administrators may change the file or folder at path, as
// the uninstaller judges it.
bool OnlyAdministrators(const std::string& path)
{
    winlib::ScopedHandle object(::CreateFileA(path.c_str(), READ_CONTROL,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return object.valid() && winlib::OnlyAdministratorsMayChange(object.get());
}

// Makes a folder with the security given in SDDL.
bool MakeFolderWith(const std::string& path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
    const bool made = ::CreateDirectoryA(path.c_str(), &security) != FALSE;
    ::LocalFree(descriptor);
    return made;
}

// Runs the restart of the Wine prefix (wineboot -r: what is left for the
// restart, without ending the programs that run); false when it cannot.
bool RestartPrefix()
{
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string command = "\"" + std::string(system) + "\\wineboot.exe\" -r";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    winlib::ScopedProcessInformation restart;
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, restart.receive()))
        return false;
    return ::WaitForSingleObject(restart.process_handle(), 60000) == WAIT_OBJECT_0;
}

const char kProtected[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

}  // namespace

// A folder made with the protection Program Files has is one only
// administrators may change; widened (everyone else may write, as a host
// user with chmod makes it), it is not. Wine keeps no DACL: it reports
// security it derives from the Unix mode bits, which say only what the
// owner and everyone else may do, so the cases here are set through those;
// the judgement is by the rights granted, whatever way they were set.
TEST(FolderSecurity, OnlyAdministratorsMayChangeAProtectedFolder)
{
    TempDir temp;
    const std::string folder = temp / "Protected";
    ASSERT_TRUE(MakeFolderWith(folder, kProtected));
    EXPECT_TRUE(OnlyAdministrators(folder));
    testfs::WriteFile(folder + "\\file.txt", "x");
    EXPECT_TRUE(OnlyAdministrators(folder + "\\file.txt"));

    if (!testfs::ChmodUnix(folder, "777"))
        GTEST_SKIP() << "no Unix mode bits can be set here";
    EXPECT_FALSE(OnlyAdministrators(folder)) << "a folder everyone may write counts as protected";
    ASSERT_TRUE(testfs::ChmodUnix(folder, "757"));
    EXPECT_FALSE(OnlyAdministrators(folder));
    ASSERT_TRUE(testfs::ChmodUnix(folder, "755"));
    EXPECT_TRUE(OnlyAdministrators(folder));
    ASSERT_TRUE(testfs::ChmodUnix(folder + "\\file.txt", "666"));
    EXPECT_FALSE(OnlyAdministrators(folder + "\\file.txt"));
}

// A file entry inside the installation that is a link to a file outside:
// Wine opens what it leads to, and where that lies tells. Refused, the
// file it leads to stays, the run is incomplete.
TEST_F(UninstallTest, FileLinkInAFileEntryIsRefused)
{
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim\\keep.txt");
    const std::string link = inst + "\\Support\\data.txt";
    testfs::WriteFile(victim, "mine");
    testfs::WriteFile(inst + "\\own.txt", "x");
    testfs::MakeDirs(inst + "\\Support");
    if (!testfs::MakeUnixSymlink(link, victim))
        GTEST_SKIP() << "no file links can be made here";
    LoadLog("File Copy: " + link + "\r\nFile Copy: " + inst + "\\own.txt\r\n", inst + "\\Uninstall.log");

    RunUninstall();

    const std::string kept = testfs::ReadFile(victim);
    testfs::RemoveUnixSymlink(link);
    EXPECT_EQ(kept, "mine");
    EXPECT_FALSE(Exists(inst + "\\own.txt"));
    EXPECT_EQ(LeftLines(thread), Lines{"refused " + link});
    EXPECT_EQ(thread.Outcome().ExitCode(), 1604);
}

// A file entry that names a folder, inside the installation or outside it
// under a shortcut's name, is refused and the folder stays with what it
// holds; the files of the log go.
TEST_F(UninstallTest, AFileEntryThatNamesAFolderIsRefused)
{
    const std::string inst = Path("Inst");
    const std::string inside = inst + "\\Support\\a.lsp";
    const std::string outside = Path("Desk\\土方计算地形分析.lnk");
    testfs::WriteFile(inside + "\\mine.txt", "mine");
    testfs::MakeDirs(outside);
    testfs::WriteFile(inst + "\\own.txt", "x");
    LoadLog("File Copy: " + inside + "\r\nFile Copy: " + outside + "\r\nFile Copy: " + inst + "\\own.txt\r\n",
            inst + "\\Uninstall.log");

    RunUninstall();

    EXPECT_EQ(testfs::ReadFile(inside + "\\mine.txt"), "mine");
    EXPECT_TRUE(testfs::IsDirectory(outside));
    EXPECT_FALSE(Exists(inst + "\\own.txt"));
    EXPECT_EQ(LeftLines(thread), (Lines{"refused " + inside, "refused " + outside}));
}

// An 8.3 short name ending in ".LNK" stands for any long name: outside the
// installation only a file whose long name ends in ".lnk" goes. A short
// name that leads through a folder link inside the installation is judged
// by what it leads to, for files and controls alike; a short name of the
// installation's own file is the file.
TEST_F(UninstallTest, ShortNamesAreJudgedByWhatTheyOpen)
{
    UseMarkers();
    const std::string inst = Path("Inst");
    const std::string desktop = Path("Desktop");
    const std::string data = desktop + "\\report.lnkdata";
    const std::string shortcut = desktop + "\\土方计算地形分析.lnk";
    const std::string victim = Path("Victim");
    const std::string own = inst + "\\Support Files\\readme file.txt";
    testfs::WriteFile(data, "mine");
    testfs::WriteFile(own, "x");
    ASSERT_TRUE(testlink::SaveShortcut(shortcut, own));
    testfs::WriteFile(victim + "\\keep.txt", "mine");
    ASSERT_TRUE(::CopyFileA((testfs::ProgramFolder() + "marker_control.ocx").c_str(),
                            (victim + "\\probe.ocx").c_str(), FALSE));
    const std::string shortData = ShortPathOf(desktop, "report.lnkdata");
    const std::string shortShortcut = ShortPathOf(desktop, "土方计算地形分析.lnk");
    const std::string shortOwn = ShortPathOf(inst, "Support Files\\readme file.txt");
    if (shortData.empty() || shortShortcut.empty() || shortOwn.empty())
        GTEST_SKIP() << "no 8.3 names here";
    ASSERT_TRUE(winlib::EqualNoCase(shortData.substr(shortData.size() - 4), ".LNK")) << shortData;
    if (!testfs::MakeUnixSymlink(inst + "\\Linked Folder", victim))
        GTEST_SKIP() << "no folder links can be made here";
    // Only the folder link has a name of more than 8.3 characters.
    const std::string shortLinkedFile = ShortPathOf(inst, "Linked Folder\\keep.txt");
    const std::string shortLinkedControl = ShortPathOf(inst, "Linked Folder\\probe.ocx");
    ASSERT_FALSE(shortLinkedFile.empty());
    LoadLog("Reg Ctrl: " + shortLinkedControl + "\r\nFile Copy: " + shortData + "\r\nFile Copy: " + shortShortcut +
                "\r\nFile Copy: " + shortLinkedFile + "\r\nFile Copy: " + shortOwn + "\r\n",
            inst + "\\Uninstall.log");

    RunUninstall();

    const Lines markers = testfs::ListFolder(Path("Markers"));
    const std::string keptData = testfs::ReadFile(data);
    const std::string keptVictim = testfs::ReadFile(victim + "\\keep.txt");
    const bool controlThere = Exists(victim + "\\probe.ocx");
    testfs::RemoveUnixSymlink(inst + "\\Linked Folder");
    EXPECT_EQ(keptData, "mine");
    EXPECT_EQ(keptVictim, "mine");
    EXPECT_TRUE(controlThere);
    EXPECT_TRUE(markers.empty()) << "a control reached through a link was loaded";
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(Exists(own));
    EXPECT_EQ(LeftLines(thread), (Lines{"refused " + shortLinkedControl, "refused " + shortData,
                                        "refused " + shortLinkedFile}));
}

// A folder on the way down from the installation folder that is a link to
// another folder inside the installation: what lies below is judged where
// it is, so the installation's own file goes through it; a folder link on
// the way that leads outside is refused for the folder entry too.
TEST_F(UninstallTest, FolderLinkOnTheWayIsJudgedByWhereItLeads)
{
    const std::string inst = Path("Inst");
    const std::string victim = Path("Victim");
    testfs::WriteFile(inst + "\\Real\\own.txt", "x");
    testfs::MakeDirs(victim + "\\Sub");
    if (!testfs::MakeUnixSymlink(inst + "\\Inner", inst + "\\Real") ||
        !testfs::MakeUnixSymlink(inst + "\\Outer", victim))
        GTEST_SKIP() << "no folder links can be made here";
    LoadLog("Made Dir: " + inst + "\\Outer\\Sub\r\nFile Copy: " + inst + "\\Inner\\own.txt\r\n",
            inst + "\\Uninstall.log");

    RunUninstall();

    const bool subThere = testfs::IsDirectory(victim + "\\Sub");
    testfs::RemoveUnixSymlink(inst + "\\Inner");
    testfs::RemoveUnixSymlink(inst + "\\Outer");
    EXPECT_TRUE(subThere);
    EXPECT_FALSE(Exists(inst + "\\Real\\own.txt"));
    EXPECT_EQ(LeftLines(thread), Lines{"refused " + inst + "\\Outer\\Sub"});
}

// In a folder ordinary users may change, a file in use is not left for
// deletion at the restart: by then the path could lead anywhere. It is
// left with that reason, and the finished text says so.
TEST_F(UninstallTest, NothingIsLeftForTheRestartInAnUnprotectedFolder)
{
    const std::string inst = Path("Inst");
    const std::string held = inst + "\\Support\\held.dat";
    testfs::WriteFile(held, "x");
    testfs::WriteFile(inst + "\\Support\\free.dat", "x");
    if (!testfs::ChmodUnix(inst, "777"))
        GTEST_SKIP() << "no Unix mode bits can be set here";
    ASSERT_FALSE(OnlyAdministrators(inst));
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
    EXPECT_FALSE(thread.Outcome().RestartNeeded());
    EXPECT_EQ(LeftLines(thread), (Lines{"in-use-unprotected " + held, "not-removed " + inst + "\\Support"}));
    const std::string finished = thread.Outcome().FinishedText();
    EXPECT_NE(finished.find("普通用户"), std::string::npos) << finished;
    EXPECT_EQ(finished.find("重新启动计算机后即可删除"), std::string::npos) << finished;
}

// The restart itself: a file in use in an unprotected folder, its folder
// then swapped for a link to a folder outside, the prefix restarted
// (wineboot -r runs the deletions left for the restart): the file outside
// of the same name stays, while one left for the restart in a protected
// folder is gone.
TEST_F(UninstallTest, RestartAfterASwapDeletesNothingOutside)
{
    const std::string inst = Path("Inst");
    const std::string held = inst + "\\Support\\held.dat";
    const std::string victim = Path("Victim");
    testfs::WriteFile(held, "x");
    testfs::WriteFile(victim + "\\held.dat", "mine");
    if (!testfs::ChmodUnix(inst, "777"))
        GTEST_SKIP() << "no Unix mode bits can be set here";
    LoadLog("File Copy: " + held + "\r\n", inst + "\\Uninstall.log");
    {
        winlib::ScopedHandle lock(
            ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.valid());
        RunUninstall();
    }
    if (!testfs::SwapForUnixSymlink(inst + "\\Support", victim))
        GTEST_SKIP() << "no folder can be swapped for a link here";

    // The same in a protected folder, left for the restart there, shows
    // that the restart here runs what was left for it.
    const std::string safe = Path("Safe");
    ASSERT_TRUE(MakeFolderWith(safe, kProtected));
    testfs::WriteFile(safe + "\\held.dat", "x");
    TestUninstallThread protectedRun;
    protectedRun.window = &window;
    testfs::WriteFile(safe + "\\Uninstall.log", "File Copy: " + safe + "\\held.dat\r\n");
    ASSERT_TRUE(protectedRun.ReadLog((safe + "\\Uninstall.log").c_str()));
    {
        winlib::ScopedHandle lock(::CreateFileA((safe + "\\held.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.valid());
        ASSERT_TRUE(window.RunThread(protectedRun));
    }
    ASSERT_EQ(LeftLines(protectedRun), Lines{"at-restart " + safe + "\\held.dat"});

    if (!RestartPrefix())
        GTEST_SKIP() << "no wineboot to restart the prefix with here";
    if (Exists(safe + "\\held.dat"))
        GTEST_SKIP() << "wineboot -r ran no deletion left for the restart here";
    EXPECT_EQ(testfs::ReadFile(victim + "\\held.dat"), "mine");
    EXPECT_EQ(LeftLines(thread), Lines{"in-use-unprotected " + held});
}

// While something of the installation that another run could remove is
// left (a folder that still holds a file, a file reached through a link),
// the product key and the uninstall entry stay: Programs and Features still
// offers the removal. A tampered log's entries that name nothing inside the
// installation do not keep them, nor does what goes at the restart.
TEST_F(UninstallTest, RegistrationStaysWhileAnythingIsLeft)
{
    const std::string inst = Path("Inst");
    const std::string keys = std::string("RegDB Key: 2,") + kProductKey + "\r\nRegDB Key: 2," + kUninstallKey + "\r\n";
    testfs::WriteFile(inst + "\\Data\\mine.dwg", "mine");
    testfs::WriteFile(inst + "\\own.txt", "x");
    CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
    CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
    const std::string ownLog = "File Copy: " + inst + "\\Uninstall.log\r\n";
    LoadLog("Made Dir: " + inst + "\\Data\r\nFile Copy: " + inst + "\\own.txt\r\n" + ownLog + keys,
            inst + "\\Uninstall.log");

    RunUninstall();

    EXPECT_EQ(LeftLines(thread), Lines{"not-removed " + inst + "\\Data"});
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(thread.Outcome().ExitCode(), 1604);
    // What the entry in Programs and Features runs stays with it: the log
    // and the uninstaller (no self-removal), and so the folder.
    EXPECT_TRUE(Exists(inst + "\\Uninstall.log"));
    EXPECT_TRUE(thread.selfRemovals.empty());
    EXPECT_EQ(thread.Outcome().FolderLeft(), inst);

    // Once the user's file is gone, the next run takes the rest; refused
    // entries outside the installation leave the keys to go.
    ASSERT_TRUE(::DeleteFileA((inst + "\\Data\\mine.dwg").c_str()));
    TestUninstallThread again;
    again.window = &window;
    testfs::WriteFile(inst + "\\Uninstall.log", "Made Dir: " + inst + "\\Data\r\nFile Copy: " + Path("Victim\\keep.txt") +
                                                 "\r\nFile Copy: \\\\server\\share\\x.txt\r\n" + ownLog + keys);
    ASSERT_TRUE(again.ReadLog((inst + "\\Uninstall.log").c_str()));
    ASSERT_TRUE(window.RunThread(again));
    EXPECT_EQ(LeftLines(again), (Lines{"refused " + Path("Victim\\keep.txt"), "refused \\\\server\\share\\x.txt"}));
    EXPECT_FALSE(Exists(inst + "\\Data"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists(inst + "\\Uninstall.log"));
    EXPECT_EQ(again.selfRemovals.size(), 1u);
}

// The uninstaller started in the installation folder (its current folder,
// which the system holds open sharing no deleting): the folder is held and
// checked all the same, and everything recorded in it goes, the folder too.
TEST_F(UninstallTest, InstallationThatIsTheCurrentFolderIsRemoved)
{
    const std::string inst = Path("Inst");
    testfs::WriteFile(inst + "\\Support\\a.lsp", "x");
    LoadLog("Made Dir: " + inst + "\r\nMade Dir: " + inst + "\\Support\r\nFile Copy: " + inst +
                "\\Support\\a.lsp\r\nFile Copy: " + inst + "\\Uninstall.log\r\n",
            inst + "\\Uninstall.log");
    const std::string before = testfs::CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(inst.c_str()));

    RunUninstall();

    ::SetCurrentDirectoryA(before.c_str());
    EXPECT_FALSE(Exists(inst + "\\Support"));
    EXPECT_FALSE(Exists(inst + "\\Uninstall.log"));
    // The folder itself cannot go while it is a current folder; only it is left.
    const Lines left = LeftLines(thread);
    EXPECT_TRUE(left.empty() || left == Lines{"not-removed " + inst}) << left.front();
}
