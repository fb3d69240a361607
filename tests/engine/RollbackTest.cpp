// Runs that do not complete: a file that cannot be copied and the answers
// to its question, a cancel at different points of the run, a folder that
// cannot be made, a log that cannot be written; and controls that fail,
// crash or hang. Every run that does not complete must leave the
// destination, the (redirected) registry and the shortcut folders exactly
// as they were, the user's own files untouched.
#include "SetupThreadFixture.h"

#include "runfront/ExitCodes.h"
#include "winlib/ControlProcess.h"
#include "winlib/Handles.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <thread>

using testfs::Exists;
using testreg::Put;

namespace {

using testreg::kShellFolders;
const char kProfiles[] = "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles\\";
const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";

std::string CopyFailedText(DWORD error, const std::string& source, const std::string& destination)
{
    return winlib::FormatSystemMessage(error) + "\n不能复制文件 " + source + "\n到 " + destination +
           "，\n点击“重试”按钮试图重新复制该文件；\n点击“忽略”按钮将跳过该文件并继续执行；\n点击“取消”按钮将终止程序运行。";
}

// What a run may touch: every file below the test's folder (medium,
// destination, desktop, Programs menu) and both redirected hives.
struct MachineState {
    Lines files, machine, user;
    bool operator==(const MachineState& o) const
    {
        return files == o.files && machine == o.machine && user == o.user;
    }
};
// The lines of a that b lacks.
Lines Missing(const Lines& a, const Lines& b)
{
    Lines missing;
    for (const std::string& line : a)
        if (std::find(b.begin(), b.end(), line) == b.end())
            missing.push_back(line);
    return missing;
}

// Where the state differs from the one before the run ("-" gone, "+" new).
Lines Differences(const MachineState& before, const MachineState& after)
{
    Lines differences;
    const std::pair<const Lines*, const Lines*> parts[] = {
        {&before.files, &after.files}, {&before.machine, &after.machine}, {&before.user, &after.user}};
    for (const auto& part : parts) {
        for (const std::string& line : Missing(*part.first, *part.second))
            differences.push_back("- " + line);
        for (const std::string& line : Missing(*part.second, *part.first))
            differences.push_back("+ " + line);
    }
    return differences;
}

class RollbackTest : public SetupThreadTest {
protected:
    void SetUp() override
    {
        SetupThreadTest::SetUp();
        MakeProductFolders();
        PutMediumFile("Support\\a.lsp", "lisp");
        PutMediumFile("Support\\2007-09\\Menu\\Gravmen.mnu", "menu");
        PutMediumFile("图框\\A3.dwg", "frame");
        PutMediumFile("Data\\示例\\d.txt", "data");
        PutMediumFile("Temp\\t.tmp", "temp");
        ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, Medium("Controls\\Grid.ocx").c_str(), FALSE));
        PutMediumFile("readme.txt", "read me");
        PutMediumFile("ZEMLOV8.0.ico", "icon");
        PutMediumFile("setup.exe", "MZ");
        // A read-only file of the medium arrives read-only first.
        ASSERT_TRUE(::SetFileAttributesA(Medium("Temp\\t.tmp").c_str(), FILE_ATTRIBUTE_READONLY));

        // The user's own files in the destination, one in a product folder.
        testfs::WriteFile(Install("mine.txt"), "mine");
        testfs::WriteFile(Install("Support\\user.lsp"), "user's own");

        testfs::MakeDirs(temp / "Desk");
        testfs::MakeDirs(temp / "Menu");
        Put(HKEY_CURRENT_USER, kShellFolders, "Desktop", temp / "Desk");
        Put(HKEY_CURRENT_USER, kShellFolders, "Programs", temp / "Menu");
        // AutoCAD 2008 with a default profile, and an older value of the
        // product's profile that must come back.
        Put(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1", "CurVer", "ACAD-6001:804");
        Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AcadLocation", "C:\\AutoCAD 2008");
        Put(HKEY_CURRENT_USER, std::string(kProfiles) + "<<未命名配置>>\\General", "ACAD", "C:\\acad\\support");
        Put(HKEY_CURRENT_USER, std::string(kProfiles) + "<<enggZEMLO V8>>\\General", "ACAD", "older");

        ASSERT_TRUE(::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", markers.path().c_str()));
        SetControlTimeout(4000);
        before = State();
    }
    void TearDown() override
    {
        ::SetFileAttributesA(Medium("Temp\\t.tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", nullptr);
    }

    MachineState State() const
    {
        return {DumpTree(temp.path()), testreg::Dump(HKEY_LOCAL_MACHINE), testreg::Dump(HKEY_CURRENT_USER)};
    }
    bool Registered(const std::string& control) const { return Exists(markers / (control + ".registered")); }
    bool Started(const std::string& control) const { return Exists(markers / (control + ".started")); }

    // The run ended as a failure and left everything as it was.
    void ExpectUndone()
    {
        EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
        EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
        EXPECT_EQ(window.Count(WM_SETUP_CONFIGURING), 0);
        const MachineState after = State();
        EXPECT_TRUE(after == before) << ::testing::PrintToString(Differences(before, after));
        EXPECT_EQ(testfs::ReadFile(Install("Support\\user.lsp")), "user's own");
        EXPECT_FALSE(Registered("Grid.ocx"));
        EXPECT_EQ(thread.Outcome().Report(), kNothingInstalled);
    }

    TempDir markers;
    MachineState before;
};

// A medium file held open by another program.
class LockedFile {
public:
    explicit LockedFile(const std::string& path)
        : m_handle(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    bool locked() const { return m_handle.valid(); }
    void Release() { m_handle.reset(); }

private:
    winlib::ScopedHandle m_handle;
};

// Runs with the medium's d.txt held open by another program from the start
// (until the test releases it).
class LockedFileTest : public RollbackTest {
protected:
    void SetUp() override
    {
        RollbackTest::SetUp();
        if (HasFatalFailure())
            return;
        lock.emplace(Medium("Data\\示例\\d.txt"));
        ASSERT_TRUE(lock->locked());
    }

    // Installs with the question about the locked file answered once.
    void RunAnswering(int answer)
    {
        script.answers.push_back({answer, nullptr});
        RunInstall();
    }

    // The lock goes before the rest is put back, as it would at the end of
    // the test.
    void TearDown() override
    {
        lock.reset();
        RollbackTest::TearDown();
    }

    std::optional<LockedFile> lock;
};

}  // namespace

TEST_F(LockedFileTest, RetriedAfterTheLockGoesIsCopied)
{
    script.answers.push_back({IDRETRY, nullptr});
    script.answers.push_back({IDRETRY, [&] { lock->Release(); }});
    RunInstall();

    const PromptRecord prompt = {CopyFailedText(ERROR_SHARING_VIOLATION, Medium("Data\\示例\\d.txt"),
                                                Install("Data\\示例\\d.txt")),
                                 MB_ABORTRETRYIGNORE | MB_ICONQUESTION};
    EXPECT_EQ(script.prompts, std::vector<PromptRecord>(2, prompt));
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_EQ(testfs::ReadFile(Install("Data\\示例\\d.txt")), "data");
    EXPECT_EQ(thread.Outcome().IgnoredFiles(), 0);
    EXPECT_TRUE(thread.Outcome().Report().empty());
    const Lines lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "File Copy: " + Install("Data\\示例\\d.txt")), 1);
    // The completed run registered the control it copied.
    EXPECT_TRUE(Registered("Grid.ocx"));
    winlib::RunControlServer(Install("Controls\\Grid.ocx"), true, 4000);
}

TEST_F(LockedFileTest, IgnoredIsLeftOutUnrecordedAndCounted)
{
    RunAnswering(IDIGNORE);

    EXPECT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_FALSE(Exists(Install("Data\\示例\\d.txt")));
    EXPECT_EQ(thread.Outcome().IgnoredFiles(), 1);
    const Lines lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "File Copy: " + Install("Data\\示例\\d.txt")), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Made Dir: " + Install("Data\\示例")), 1);
    winlib::RunControlServer(Install("Controls\\Grid.ocx"), true, 4000);
}

TEST_F(LockedFileTest, AbortedUndoesTheInstallation)
{
    RunAnswering(IDABORT);
    EXPECT_EQ(script.prompts.size(), 1u);
    lock->Release();
    ExpectUndone();
    // Stopped at a failure: failed, not cancelled.
    EXPECT_EQ(thread.Outcome().ExitCode(), runfront::kExitFailed);
}

// The entry whose report the user confirms the cancel on.
class CancelTest : public RollbackTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CancelTest, ConfirmedCancelUndoesTheInstallation)
{
    const std::string entry = Install(GetParam());
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS && m.lText == entry)
            thread.Cancel();
    };
    RunInstall();
    EXPECT_TRUE(thread.IsCancelled());
    ExpectUndone();
    EXPECT_EQ(thread.Outcome().ExitCode(), runfront::kExitCancelled);
}

TEST_F(RollbackTest, FolderSomebodyFilledDuringTheRunIsLeftAndTheRunEndsAsIncomplete)
{
    // Another program puts a file into a folder the run made; the user
    // then cancels. The folder cannot go, so the run ends as failed with
    // something left, whatever the cause of its end.
    const std::string stray = Install("图框\\stray.txt");
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS && m.lText == Install("图框\\A3.dwg")) {
            testfs::WriteFile(stray, "somebody's");
            thread.Cancel();
        }
    };
    RunInstall();
    EXPECT_EQ(thread.Outcome().GetEnd(), engine::InstallOutcome::End::kPartlyUndone);
    EXPECT_EQ(thread.Outcome().ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_EQ(testfs::ReadFile(stray), "somebody's");
    EXPECT_NE(thread.Outcome().Report().find(Install("图框")), std::string::npos) << thread.Outcome().Report();
}

// A re-install over the earlier installation that fails at its last step,
// after it replaced the earlier files, control, shortcut: everything comes
// back exactly (contents, attributes, the control's registration), and
// nothing of the run is left. The earlier log also records a control file
// that is no module (it never registered): there is nothing to register
// again, and it is not reported as left.
TEST_F(RollbackTest, AnEarlierInstallationComesBackExactlyWhenAReinstallFails)
{
    const std::string control = Install("Controls\\Grid.ocx");
    testfs::WriteFile(Install("Support\\a.lsp"), "older");
    ASSERT_TRUE(::SetFileAttributesA(Install("Support\\a.lsp").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    // The earlier control: a module of other bytes (the same probe with a
    // tail), registered.
    testfs::MakeDirs(Install("Controls"));
    testfs::WriteFile(control, testfs::ReadFile(PROBE_REGISTERS_OCX) + "earlier");
    ASSERT_EQ(winlib::RunControlServer(control, false, 4000), winlib::ControlCallResult::Succeeded);
    ASSERT_TRUE(Registered("Grid.ocx"));
    const std::string legacy = Install("Controls\\Legacy.ocx");
    testfs::WriteFile(legacy, "no module, earlier");
    testfs::WriteFile(Medium("Controls\\Legacy.ocx"), "no module");
    testfs::WriteFile(Install("Uninstall.log"), "Made Dir: " + Install("Controls") + "\r\nReg Ctrl: " + control +
                                                    "\r\nReg Ctrl: " + legacy + "\r\nFile Copy: " +
                                                    Install("Uninstall.log") + "\r\n");
    ASSERT_TRUE(::SetFileAttributesA(Install("Uninstall.log").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", Install()));
    testfs::WriteFile(temp / "Desk\\土方计算地形分析.LNK", "the earlier shortcut");
    before = State();
    const std::string earlierControl = testfs::ReadFile(control);

    // Another program reads the earlier log and lets nobody move it: the
    // run fails at its last step, once everything else has been replaced.
    const winlib::ScopedHandle reader(::CreateFileA(Install("Uninstall.log").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader.valid());
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS && m.lText == Install("Temp\\t.tmp")) {
            EXPECT_EQ(testfs::ReadFile(Install("Support\\a.lsp")), "lisp");
        }
    };
    RunInstall();

    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(thread.Outcome().ExitCode(), runfront::kExitFailed);
    EXPECT_EQ(thread.Outcome().Report(), kNothingInstalled);
    const MachineState after = State();
    EXPECT_TRUE(after == before) << ::testing::PrintToString(Differences(before, after));
    EXPECT_EQ(testfs::ReadFile(control), earlierControl);
    EXPECT_EQ(testfs::ReadFile(legacy), "no module, earlier");
    // Unregistered as this run's, then registered again as the earlier one.
    EXPECT_TRUE(Registered("Grid.ocx"));
    winlib::RunControlServer(control, true, 4000);
    ::SetFileAttributesA(Install("Support\\a.lsp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The first, a middle and the last product folder.
INSTANTIATE_TEST_SUITE_P(Folders, CancelTest, ::testing::Values("Support\\a.lsp", "图框\\A3.dwg", "Temp\\t.tmp"));

TEST_F(RollbackTest, CancelWhileAControlRegistersAfterTheCopyUndoesEverything)
{
    // The control hangs; the user cancels while it does. The run waits for
    // the time limit, then undoes the files, the folders and the control
    // registered before it.
    ASSERT_TRUE(::CopyFileA(PROBE_HANGS_OCX, Medium("Controls\\Slow.ocx").c_str(), FALSE));
    before = State();
    std::thread canceller([&] {
        for (int i = 0; i < 600 && !Started("Slow.ocx"); ++i)
            ::Sleep(50);
        thread.Cancel();
    });
    RunInstall();
    canceller.join();
    EXPECT_TRUE(Started("Slow.ocx"));
    ExpectUndone();
}

TEST_F(RollbackTest, FolderThatCannotBeMadeUndoesWhatWasCopiedBefore)
{
    // A file of the user's stands where the sixth product folder goes, so
    // its sub-folder cannot be made.
    testfs::WriteFile(Install("Data"), "a file");
    before = State();
    RunInstall();
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    ExpectUndone();
    EXPECT_EQ(testfs::ReadFile(Install("Data")), "a file");
}

// A value the installation needs cannot be written: the list of installed
// programs is a volatile key here, so the entry (which must survive a
// restart) cannot be made below it. The user is asked; Cancel fails the
// run, which is undone, instead of ending as installed without its entry.
TEST_F(RollbackTest, RegistryValueThatCannotBeWrittenIsAskedAboutAndCancelUndoesTheRun)
{
    HKEY list = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &list, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(list);
    before = State();
    RunInstall();
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    EXPECT_NE(script.prompts[0].text.find(std::string("不能写入注册表项 HKEY_LOCAL_MACHINE\\") + testreg::kUninstallKey +
                                          " 的值“DisplayName”"),
              std::string::npos)
        << script.prompts[0].text;
    EXPECT_TRUE(Started("Grid.ocx"));
    EXPECT_EQ(thread.Outcome().ExitCode(), runfront::kExitFailed);
    ExpectUndone();
}

TEST_F(RollbackTest, LogThatCannotBeWrittenUndoesEveryStepBeforeIt)
{
    // Everything else is done by then: files, the control, the product and
    // uninstall keys, the profile, the shortcuts.
    testfs::MakeDirs(Install("Uninstall.log"));
    before = State();
    RunInstall();
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(Started("Grid.ocx"));
    const Lines lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Reg Ctrl: " + Install("Controls\\Grid.ocx")), 1);
    ExpectUndone();
}

TEST_F(RollbackTest, FailingCrashingAndHangingControlsAreRecordedAndCountedOnlyWhenOurs)
{
    ASSERT_TRUE(::CopyFileA(PROBE_FAILS_OCX, Medium("Controls\\Fails.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(PROBE_CRASHES_OCX, Medium("Controls\\Crashes.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(PROBE_HANGS_OCX, Medium("Controls\\Hangs.ocx").c_str(), FALSE));
    // A control that was in the folder before the run is nobody's to load.
    testfs::MakeDirs(Install("Controls"));
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, Install("Controls\\Before.ocx").c_str(), FALSE));

    RunInstall();

    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_EQ(thread.Outcome().FailedControls(), 3);
    EXPECT_TRUE(Registered("Grid.ocx"));
    for (const char* control : {"Fails.ocx", "Crashes.ocx", "Hangs.ocx"})
        EXPECT_TRUE(Started(control)) << control;
    EXPECT_FALSE(Started("Before.ocx"));
    Lines controls;
    for (const std::string& line : LogLines())
        if (line.compare(0, 10, "Reg Ctrl: ") == 0)
            controls.push_back(line);
    const std::string folder = Install("Controls\\");
    EXPECT_EQ(controls, (Lines{"Reg Ctrl: " + folder + "Crashes.ocx", "Reg Ctrl: " + folder + "Fails.ocx",
                               "Reg Ctrl: " + folder + "Grid.ocx", "Reg Ctrl: " + folder + "Hangs.ocx"}));
    winlib::RunControlServer(folder + "Grid.ocx", true, 4000);
}
