// Removing an installation for all users: the product's Active Setup
// component (its fixed id alone; any other component is another product's),
// the all-users shortcuts and Programs menu folder; each user's AutoCAD
// profiles stay, as they do after any installation.
#include "UninstallFixture.h"

#include "InstallScope.h"
#include "Shortcuts.h"

using testfs::Exists;

namespace {

const char kComponents[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components";
const char kComponent[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE}";
const char kProfile[] = "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles\\<<enggZEMLO V8>>";

std::string Entry(const std::string& rootAndKey) { return "RegDB Key: " + rootAndKey + "\r\n"; }

// The component as Setup registers it for the program at program.
void RegisterComponent(const std::string& program)
{
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponent, "", "direveradi ZEMLO V8.0"));
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponent, "Version", "8,0,0,0"));
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponent, "StubPath", "\"" + program + "\" /PROFILE"));
}

}  // namespace

// The component's key is allowed in any case of its letters and handed back
// as Setup spells it; a neighbour of it, a key above or below it, another
// root and another spelling of the root are refused.
TEST(InstallScope, OnlyTheProductsOwnActiveSetupComponentIsAllowed)
{
    const std::string key = kComponent;
    const std::string components = kComponents;
    const std::pair<std::string, bool> cases[] = {
        {"2," + key, true},
        {"2,software\\microsoft\\ACTIVE SETUP\\installed components\\{12fec97b-b1b8-4a93-ac00-3947de1525ee}", true},
        {"2," + components + "\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EF}", false},
        {"2," + components + "\\{0B5E4A8C-6F0E-4D2B-9C31-7A2E51D0C4F3}", false},
        {"2," + components + "\\12FEC97B-B1B8-4A93-AC00-3947DE1525EE", false},
        {"2," + components + "\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE", false},
        {"2," + components, false},
        {"2,SOFTWARE\\Microsoft\\Active Setup", false},
        {"2," + key + "\\Sub", false},
        {"2," + key + "\\", false},
        {"2," + key + " ", false},
        {"2," + components + "\\x\\..\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE}", false},
        {"1," + key, false},
        {"0," + key, false},
        {"3," + key, false},
        {" 2," + key, false},
        {"02," + key, false},
        {key, false},
    };
    for (const auto& [text, allowed] : cases) {
        std::string subKey = "untouched";
        EXPECT_EQ(CInstallScope::AllowsKey(text, subKey), allowed) << text;
        EXPECT_EQ(subKey, allowed ? key : "untouched") << text;
    }
}

// Replayed: the component goes; another product's component, the key that
// holds them all and a key of the same name under another root stay, each
// refused entry counted.
TEST_F(UninstallTest, TheComponentGoesAndNoOtherComponentIsTouched)
{
    const std::string other = std::string(kComponents) + "\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EF}";
    RegisterComponent(Path("Inst\\UserSetup.exe"));
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, other, "StubPath", "\"C:\\Other\\Other.exe\" /user"));
    ASSERT_TRUE(testreg::Put(HKEY_CURRENT_USER, kComponent, "Version", "8,0,0,0"));
    const Lines refused = {"2," + other, std::string("2,") + kComponents, std::string("1,") + kComponent};
    std::string log;
    for (const std::string& entry : refused)
        log += Entry(entry);
    log += Entry(std::string("2,") + kComponent);
    LoadLog(log, Path("Inst\\Uninstall.log"));

    RunUninstall();

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kComponent));
    EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, other, "StubPath"), "\"C:\\Other\\Other.exe\" /user");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kComponents));
    EXPECT_EQ(testreg::Text(HKEY_CURRENT_USER, kComponent, "Version"), "8,0,0,0");
    Lines expected;
    for (const std::string& entry : refused)
        expected.push_back("refused " + entry);
    EXPECT_EQ(LeftLines(thread), expected);
}

// Where Setup had to make the keys that hold the components (a system
// without any other), they go with the component once empty; a value put
// into one of them keeps it and the key above it, and the key above them
// all is never touched.
TEST_F(UninstallTest, KeysSetupMadeForTheComponentGoWithItWhenNothingElseIsInThem)
{
    const std::string activeSetup = "SOFTWARE\\Microsoft\\Active Setup";
    for (const bool filled : {false, true}) {
        SCOPED_TRACE(filled ? "a value in the components' key" : "nothing else");
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, activeSetup.c_str());
        RegisterComponent(Path("Inst\\UserSetup.exe"));
        if (filled) {
            ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponents, "Somebody", "else"));
        }
        testfs::MakeDirs(Path("Inst"));
        testfs::WriteFile(Path("Inst\\Uninstall.log"), Entry(std::string("2,") + kComponent));
        TestUninstallThread replay;
        replay.window = &window;
        ASSERT_TRUE(replay.ReadLog(Path("Inst\\Uninstall.log").c_str()));

        ASSERT_TRUE(window.RunThread(replay));

        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kComponent));
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kComponents), filled);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, activeSetup), filled);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft"));
        EXPECT_EQ(LeftLines(replay), Lines{});
    }
}

// The component names its installation by the program in StubPath. When
// an installation made later into another folder registered it again, it
// is that one's and stays; when it names this one, or names nothing (no
// StubPath, an empty one), it goes. Neither is a fault of the run.
TEST_F(UninstallTest, TheComponentOfAnotherInstallationStays)
{
    // 淺 ends in the byte 0x5C, which is no separator.
    const std::string here = Path("Here 淺");
    const std::string other = Path("Other 淺");
    testfs::MakeDirs(here);
    struct Case { std::string stubPath; bool removed; };
    const Case cases[] = {
        {"\"" + other + "\\UserSetup.exe\" /PROFILE", false},
        {"\"" + here + "\\Sub\\UserSetup.exe\" /PROFILE", false},
        {"\"" + here + "\\UserSetup.exe\" /PROFILE", true},
        {"\"" + here + "\\USERSETUP.EXE\"", true},
        {"", true},
        {"<none>", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stubPath);
        ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponent, "Version", "8,0,0,0"));
        if (c.stubPath != "<none>") {
            ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kComponent, "StubPath", c.stubPath));
        }
        TestUninstallThread replay;
        replay.window = &window;
        testfs::WriteFile(here + "\\Uninstall.log", Entry(std::string("2,") + kComponent));
        ASSERT_TRUE(replay.ReadLog((here + "\\Uninstall.log").c_str()));
        ASSERT_TRUE(window.RunThread(replay));
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kComponent), !c.removed);
        EXPECT_TRUE(replay.Outcome().Left().empty());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kComponent);
    }
}

// Everything an installation for all users records goes: the files, the
// desktop shortcut in the all-users desktop, the menu folder with its
// shortcuts in the all-users Programs menu, the product key, the uninstall
// entry and the component. What the log does not record stays: the user's
// own shortcuts, the folders the shortcuts lay in, the key that holds every
// component (and another product's component in it), and the user's
// AutoCAD profile.
TEST_F(UninstallTest, AnInstallationForAllUsersGoesAndTheProfilesStay)
{
    const std::string inst = Path("Program Files\\Kestrova\\ZEMLO");
    const std::string desktop = Path("Public\\Desktop");
    const std::string programs = Path("ProgramData\\Start Menu\\Programs");
    const std::string menu = programs + "\\direveradi ZEMLO V8.0";
    const std::string ownLink = Path("Mine\\Desktop\\土方计算地形分析.LNK");
    const Lines files = {inst + "\\UserSetup.exe",  inst + "\\readme.txt", desktop + "\\土方计算地形分析.LNK",
                         menu + "\\ZEMLO V8.0.LNK", inst + "\\ZEMLOfor2008.LNK", menu + "\\官方网站.LNK",
                         menu + "\\ZEMLO V8.0 卸载程序.LNK"};
    testfs::MakeDirs(menu);
    // The shortcuts are real ones that lead into the installation, as
    // Setup's do.
    for (const std::string& file : files)
        testfs::WriteFile(file, "x");
    for (const std::string& file : files) {
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".LNK") == 0) {
            ASSERT_TRUE(testlink::SaveShortcut(file, inst + "\\readme.txt")) << file;
        }
    }
    testfs::WriteFile(ownLink, "mine");
    RegisterComponent(inst + "\\UserSetup.exe");
    // Another product's component beside it, as Windows always has some.
    const std::string other = std::string(kComponents) + "\\{0B5E4A8C-6F0E-4D2B-9C31-7A2E51D0C4F3}";
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, other, "StubPath", "\"C:\\Other\\Other.exe\" /user"));
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", inst + "\\"));
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kUninstallKey, "UninstallString", inst + "\\Uninstall.exe"));
    ASSERT_TRUE(testreg::Put(HKEY_CURRENT_USER, std::string(kProfile) + "\\General", "ACAD", inst + "\\Support"));
    std::string log = "Made Dir: " + inst + "\r\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i == 3)
            log += "Made Dir: " + menu + "\r\n";
        log += "File Copy: " + files[i] + "\r\n";
    }
    for (const char* key : {testreg::kProductKey, testreg::kUninstallKey, kComponent})
        log += Entry(std::string("2,") + key);
    log += "File Copy: " + inst + "\\Uninstall.log\r\n";
    LoadLog(log, inst + "\\Uninstall.log");

    RunUninstall();

    for (const std::string& file : files)
        EXPECT_FALSE(Exists(file)) << file;
    EXPECT_FALSE(Exists(menu));
    // The installation folder goes last, with the uninstaller (here the
    // self-removal is recorded, not run).
    EXPECT_EQ(thread.selfRemovals.size(), 1u);
    EXPECT_TRUE(testfs::IsDirectory(desktop));
    EXPECT_TRUE(testfs::IsDirectory(programs));
    EXPECT_TRUE(Exists(ownLink));
    for (const char* key : {testreg::kProductKey, testreg::kUninstallKey, kComponent})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kComponents));
    EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, other, "StubPath"), "\"C:\\Other\\Other.exe\" /user");
    EXPECT_EQ(testreg::Text(HKEY_CURRENT_USER, std::string(kProfile) + "\\General", "ACAD"), inst + "\\Support");
    EXPECT_TRUE(thread.Outcome().Left().empty()) << LeftLines(thread).front();
}
