// Two installations side by side: what removing one leaves of the other
// (its shortcuts of the same names, its control's registration), the rules
// that tell whose a shortcut and a registration are, and the product key's
// parents, which go only when nobody else's are in them.
#include "UninstallFixture.h"

#include "Ownership.h"
#include "Shortcuts.h"
#include "runfront/ExitCodes.h"
#include "winlib/Handles.h"

#include <functional>

using testfs::Exists;

namespace {
using ownership::ControlRegistration;
using testreg::kProductKey;
using testreg::kUninstallKey;

// The class the stand-in controls register, as they spell it.
const char kMarkerServerKey[] = "CLSID\\{6C1B7E52-3A0F-4D8B-9E27-5B4F0A6D1C93}\\InprocServer32";

void CopyProbe(const std::string& probe, const std::string& path)
{
    const std::string built = testfs::ProgramFolder() + probe + ".ocx";
    ASSERT_TRUE(::CopyFileA(built.c_str(), path.c_str(), FALSE)) << built;
}

// Registers a control as regsvr32 does, but in this process, so that its
// registration lands in this process's (redirected) registry.
void RegisterHere(const std::string& control)
{
    HMODULE module = ::LoadLibraryA(control.c_str());
    ASSERT_TRUE(module != nullptr) << control;
    auto doRegister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")));
    ASSERT_TRUE(doRegister != nullptr);
    EXPECT_EQ(doRegister(), S_OK);
    ::FreeLibrary(module);
}

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD got = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return got > 0 && got < MAX_PATH ? std::string(buffer) : std::string();
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}
}  // namespace

// A and B are installed into two folders, B last: the shortcuts of the
// names both use point into B, and the system's registration of the
// control both carry names B's file. Removing A takes A's files and
// control file, keeps B's shortcuts, the menu folder that holds them and
// a file of a shortcut's name that is no shortcut, and leaves B's control
// registered: nothing of A stays, so the run succeeds, naming what it kept.
// B's own removal then takes its shortcuts and unregisters its control.
TEST_F(UninstallTest, RemovingOneInstallationLeavesTheOthersShortcutsAndControlRegistration)
{
    const winlib::ScopedComInit com;
    const std::string a = Path("A");
    const std::string b = Path("B");
    const std::string desktop = Path("Desktop");
    const std::string menu = Path("Programs\\direveradi ZEMLO V8.0");
    const Lines links = {desktop + "\\土方计算地形分析.LNK", menu + "\\ZEMLO V8.0.LNK",
                         menu + "\\ZEMLO V8.0 卸载程序.LNK"};
    const std::string notALink = desktop + "\\ZEMLO 说明.lnk";
    testfs::MakeDirs(desktop);
    testfs::MakeDirs(menu);
    auto control = [](const std::string& inst) { return inst + "\\Controls\\ZemloMarker.ocx"; };
    for (const std::string& inst : {a, b}) {
        testfs::MakeDirs(inst + "\\Controls");
        testfs::WriteFile(inst + "\\ZEMLO.exe", "exe");
        CopyProbe("marker_control", control(inst));
        std::string log = "Made Dir: " + inst + "\r\nMade Dir: " + inst + "\\Controls\r\nMade Dir: " + menu +
                          "\r\nFile Copy: " + control(inst) + "\r\nFile Copy: " + inst + "\\ZEMLO.exe\r\n";
        for (const std::string& link : links) {
            ASSERT_TRUE(testlink::SaveShortcut(link, inst + "\\ZEMLO.exe")) << link;
            log += "File Copy: " + link + "\r\n";
        }
        if (inst == a)
            log += "File Copy: " + notALink + "\r\n";
        log += "Reg Ctrl: " + control(inst) + "\r\nFile Copy: " + inst + "\\Uninstall.log\r\n";
        testfs::WriteFile(inst + "\\Uninstall.log", log);
        RegisterHere(control(inst));
    }
    testfs::WriteFile(notALink, "my notes");
    ASSERT_EQ(testreg::Text(HKEY_CLASSES_ROOT, kMarkerServerKey, ""), control(b));
    UseMarkers();

    ASSERT_TRUE(thread.ReadLog((a + "\\Uninstall.log").c_str()));
    RunUninstall();

    for (const std::string& gone : {a + "\\ZEMLO.exe", control(a), a + "\\Uninstall.log"})
        EXPECT_FALSE(Exists(gone)) << gone;
    for (const std::string& link : links)
        EXPECT_EQ(testlink::ReadShortcut(link).target, b + "\\ZEMLO.exe") << link;
    EXPECT_EQ(testfs::ReadFile(notALink), "my notes");
    EXPECT_TRUE(Exists(control(b)));
    EXPECT_FALSE(Exists(Marker("ZemloMarker.ocx", ".unregistered"))) << "A's removal unregistered B's control";
    EXPECT_EQ(testreg::Text(HKEY_CLASSES_ROOT, kMarkerServerKey, ""), control(b));
    EXPECT_EQ(LeftLines(thread), (Lines{"kept-shortcut " + links[0], "kept-shortcut " + links[1],
                                        "kept-shortcut " + links[2], "kept-shortcut " + notALink,
                                        "kept-folder " + menu}));
    const UninstallOutcome& outcome = thread.Outcome();
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(outcome.KeptCount(), 5u);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitSuccess);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成!有 5 项属于其他安装，予以保留。按“完成”查看这些项目。");
    EXPECT_NE(outcome.LeftListText().find(links[0] + "（不是指向本安装的快捷方式，予以保留）\n"), std::string::npos);
    EXPECT_EQ(outcome.RunLogRecords().at(1), "保留: " + links[0] + "（不是指向本安装的快捷方式，予以保留）");

    TestUninstallThread second;
    second.window = &window;
    second.m_pMainWnd = &window;
    ASSERT_TRUE(second.ReadLog((b + "\\Uninstall.log").c_str()));
    ASSERT_TRUE(window.RunThread(second));

    for (const std::string& link : links)
        EXPECT_FALSE(Exists(link)) << link;
    EXPECT_FALSE(Exists(menu));
    EXPECT_FALSE(Exists(control(b)));
    EXPECT_TRUE(Exists(Marker("ZemloMarker.ocx", ".unregistered"))) << "B's control was not unregistered";
    EXPECT_EQ(LeftLines(second), Lines{});
    EXPECT_EQ(second.Outcome().ExitCode(), runfront::kExitSuccess);
}

// Whose a registration is: the classes whose InprocServer32 names a file of
// the control's name, however the value spells the file; a bare name or a
// file of another name tells nothing.
TEST(Ownership, RegistrationsAreJudgedByTheFileTheyName)
{
    TempDir temp;
    const std::string own = temp / "Installation A\\Controls\\ZemloGrid.ocx";
    const std::string other = temp / "Installation B\\Controls\\ZemloGrid.ocx";
    testfs::WriteFile(own, "MZ");
    testfs::WriteFile(other, "MZ");
    testfs::WriteFile(temp / "Installation A\\Controls\\ZemloChart.ocx", "MZ");
    ASSERT_TRUE(::SetEnvironmentVariableA("ZEMLO_TEST_CONTROLS", (temp / "Installation A\\Controls").c_str()));
    const std::string ownShort = ShortPath(own);
    const std::string otherShort = ShortPath(other);

    struct Case {
        const char* name;
        std::vector<std::string> servers;
        ControlRegistration expected;
    };
    const Case cases[] = {
        {"no class at all", {}, ControlRegistration::None},
        {"other programs' classes", {"C:\\Windows\\system32\\ole32.dll", "ZemloGrid.ocx", ""},
         ControlRegistration::None},
        {"another control of this installation", {temp / "Installation A\\Controls\\ZemloChart.ocx"},
         ControlRegistration::None},
        {"this file", {own}, ControlRegistration::Ours},
        {"this file in another case, quoted, with blanks", {"  \"" + Lower(own) + "\" "}, ControlRegistration::Ours},
        {"this file through an environment string", {"%ZEMLO_TEST_CONTROLS%\\ZemloGrid.ocx"},
         ControlRegistration::Ours},
        {"this file's short name", {ownShort}, ControlRegistration::Ours},
        {"the other installation's file", {other, "C:\\Windows\\system32\\ole32.dll"},
         ControlRegistration::OthersOnly},
        {"the other installation's file, short", {otherShort}, ControlRegistration::OthersOnly},
        {"a file of that name that is gone", {temp / "Gone\\ZemloGrid.ocx"}, ControlRegistration::OthersOnly},
        {"both", {own, other}, ControlRegistration::Shared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ownership::ClassifyRegistration(own, c.servers), c.expected);
    }
    EXPECT_NE(ownShort, own) << "no short name here: the short-name cases judged the long one";
    ::SetEnvironmentVariableA("ZEMLO_TEST_CONTROLS", nullptr);
}

// The same judgement against the registry: the stand-in control registers
// its class as a real control does, and the last one registered owns it.
TEST_F(UninstallTest, TheLastRegistrationOwnsTheClass)
{
    const std::string a = Path("A\\ZemloMarker.ocx");
    const std::string b = Path("B\\ZemloMarker.ocx");
    testfs::MakeDirs(Path("A"));
    testfs::MakeDirs(Path("B"));
    CopyProbe("marker_control", a);
    CopyProbe("marker_control", b);
    EXPECT_EQ(ownership::FindRegistration(a), ControlRegistration::None);
    RegisterHere(a);
    EXPECT_EQ(ownership::FindRegistration(a), ControlRegistration::Ours);
    EXPECT_EQ(ownership::FindRegistration(b), ControlRegistration::OthersOnly);
    RegisterHere(b);
    EXPECT_EQ(ownership::FindRegistration(a), ControlRegistration::OthersOnly);
    EXPECT_EQ(ownership::FindRegistration(b), ControlRegistration::Ours);
    const std::vector<std::string> servers = ownership::RegisteredServers();
    EXPECT_EQ(servers, std::vector<std::string>{b});
}

// Whose a shortcut is: one outside the installation is kept unless it is a
// shell link into the installation, its target spelt in any way that names
// the folder (case, short name, the folder itself, a link to it); one
// inside goes with the installation whatever it points at.
TEST(Ownership, ShortcutsOutsideAreKeptUnlessTheyPointIntoTheInstallation)
{
    const winlib::ScopedComInit com;
    TempDir temp;
    const std::string inst = temp / "Installation Folder";
    const std::string sibling = temp / "Installation Folder 2";
    testfs::MakeDirs(inst);
    testfs::MakeDirs(sibling);
    testfs::MakeDirs(temp / "Desktop");
    const std::string instShort = ShortPath(inst);
    ASSERT_FALSE(instShort.empty());
    EXPECT_NE(instShort, inst);
    const bool linked = testfs::MakeUnixSymlink(temp / "Linked", inst);

    struct Case {
        std::string name;
        std::string target;
        bool kept;
    };
    std::vector<Case> cases = {
        {"into the installation", inst + "\\ZEMLO.exe", false},
        {"the installation folder itself", inst, false},
        {"in another case", Lower(inst) + "\\Support\\a.lsp", false},
        {"through the short name", instShort + "\\ZEMLO.exe", false},
        {"into a folder whose name starts alike", sibling + "\\ZEMLO.exe", true},
        {"elsewhere", "C:\\windows\\notepad.exe", true},
    };
    if (linked)
        cases.push_back({"through a link to the folder", temp / "Linked\\ZEMLO.exe", false});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string link = temp / ("Desktop\\" + std::to_string(i) + ".lnk");
        ASSERT_TRUE(testlink::SaveShortcut(link, cases[i].target));
        EXPECT_EQ(ownership::KeepsShortcut(link, inst), cases[i].kept);
        EXPECT_EQ(ownership::ShortcutPointsInto(link, inst), !cases[i].kept);
    }
    // No shortcut at all under that name: kept; gone: nothing to keep.
    testfs::WriteFile(temp / "Desktop\\notes.lnk", "notes");
    EXPECT_TRUE(ownership::KeepsShortcut(temp / "Desktop\\notes.lnk", inst));
    std::string target = "untouched";
    EXPECT_FALSE(ownership::ReadShortcutTarget(temp / "Desktop\\notes.lnk", target));
    EXPECT_EQ(target, "");
    EXPECT_FALSE(ownership::KeepsShortcut(temp / "Desktop\\gone.lnk", inst));
    // Inside: the AutoCAD shortcuts point at AutoCAD, and go.
    ASSERT_TRUE(testlink::SaveShortcut(inst + "\\ZEMLOfor2010.LNK", "C:\\AutoCAD 2010\\acad.exe"));
    EXPECT_FALSE(ownership::KeepsShortcut(inst + "\\ZEMLOfor2010.LNK", inst));
    if (linked)
        testfs::RemoveUnixSymlink(temp / "Linked");
    else
        GTEST_SKIP() << "no Unix link could be made here: the link case was not judged";
}

// The product key's parents go with it when nothing else is in them; a
// parent another product or installation filled stays, and so does every
// key above it. A log that does not name the product key leaves them.
TEST_F(UninstallTest, EmptyParentsOfTheProductKeyGoAndFilledOnesStay)
{
    const std::string family = "SOFTWARE\\Kestrova\\enggZEMLO";
    const std::string vendor = "SOFTWARE\\Kestrova";
    const std::string here = Path("Here");
    testfs::MakeDirs(here);
    const std::string both = std::string("RegDB Key: 2,") + kProductKey + "\r\nRegDB Key: 2," + kUninstallKey + "\r\n";
    struct Case {
        const char* name;
        std::string log;
        std::function<void()> fill;
        bool familyGone, vendorGone;
    };
    const Case cases[] = {
        {"nothing else", both, [] {}, true, true},
        {"another product of the vendor", both, [&] { CreateKey(HKEY_LOCAL_MACHINE, vendor + "\\Other"); }, true,
         false},
        {"a value of the vendor's", both, [&] { testreg::Put(HKEY_LOCAL_MACHINE, vendor, "x", "y"); }, true, false},
        {"a value in the product's family key", both,
         [&] { testreg::Put(HKEY_LOCAL_MACHINE, family, "x", "y"); }, false, false},
        {"another installation's product key", both,
         [&] { testreg::Put(HKEY_LOCAL_MACHINE, kProductKey, "installPath", Path("Other") + "\\"); }, false, false},
        {"a log without the product key", std::string("RegDB Key: 2,") + kUninstallKey + "\r\n", [] {}, false,
         false},
    };
    testfs::MakeDirs(Path("Other"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, vendor.c_str());
        CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
        CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
        c.fill();
        testfs::WriteFile(here + "\\Uninstall.log", c.log);
        TestUninstallThread replay;
        replay.window = &window;
        ASSERT_TRUE(replay.ReadLog((here + "\\Uninstall.log").c_str()));
        ASSERT_TRUE(window.RunThread(replay));
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, family), !c.familyGone);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, vendor), !c.vendorGone);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
        EXPECT_TRUE(replay.Outcome().Left().empty());
    }
}
