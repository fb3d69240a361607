// The two registry views of 64-bit Windows: AutoCAD found in either (and in
// both), its profiles and shortcuts; the product key and the uninstall
// entry written, read and undone in their one view; and on 32-bit Windows
// only the one view asked for. The redirected registry gets separate views
// (testreg::SeparateRegistryViews): what the 32-bit view holds lies under
// SOFTWARE\Wow6432Node, where this 64-bit test sees it without a flag.
#include "SetupThreadFixture.h"
#include "Shortcuts.h"
#include "engine/AcadProfiles.h"
#include "engine/ProductRegistration.h"
#include "engine/ShortcutMaker.h"
#include "runfront/InstalledProduct.h"
#include "winlib/ControlProcess.h"
#include "winlib/RegistryView.h"

#include <objbase.h>

using namespace engine;
using testreg::Get;
using testreg::KeyExists;
using testreg::Put;
using View = winlib::RegKey::View;

namespace {

const std::string kAutodesk = "SOFTWARE\\Autodesk\\AutoCAD\\";
const std::string kAutodesk32 = std::string(testreg::kWow32Software) + "\\Autodesk\\AutoCAD\\";

std::string Profile(const std::string& release, const std::string& code)
{
    return "Software\\Autodesk\\AutoCAD\\" + release + "\\" + code + "\\Profiles\\<<enggZEMLO V8>>";
}

// The 32-bit view's name of a key under SOFTWARE.
std::string In32(const std::string& key)
{
    return std::string(testreg::kWow32Software) + key.substr(std::string("SOFTWARE").size());
}

struct Found {
    std::string release;
    View view;
    std::string folder;
    bool operator==(const Found& o) const { return release == o.release && view == o.view && folder == o.folder; }
};
void PrintTo(const Found& f, std::ostream* os)
{
    *os << f.release << " view " << static_cast<int>(f.view) << " " << f.folder;
}

std::vector<Found> Installations()
{
    std::vector<Found> found;
    for (const AcadInstallation& i : AcadProfiles::FindInstallations())
        found.push_back({i.release->name, i.view, i.folder});
    return found;
}

class RegistryViewsTest : public SetupThreadTest {
protected:
    void SetUp() override
    {
        SetupThreadTest::SetUp();
        ASSERT_TRUE(testreg::SeparateRegistryViews());
    }

    // A 32-bit AutoCAD 2006 (its keys only in the 32-bit view), a 64-bit
    // AutoCAD 2010 (only in the 64-bit view), and AutoCAD 2008 in both, a
    // product code of its own in each view's "CurVer".
    void InstallAutoCads()
    {
        Put(HKEY_LOCAL_MACHINE, kAutodesk32 + "R16.2\\ACAD-4001:409", "AcadLocation", "C:\\x86\\AutoCAD 2006");
        Put(HKEY_LOCAL_MACHINE, kAutodesk + "R18.0\\ACAD-8001:804", "AcadLocation", "C:\\x64\\AutoCAD 2010");
        Put(HKEY_LOCAL_MACHINE, kAutodesk32 + "R17.1", "CurVer", "ACAD-6001:804");
        Put(HKEY_LOCAL_MACHINE, kAutodesk32 + "R17.1\\ACAD-6001:804", "AcadLocation", "C:\\x86\\AutoCAD 2008");
        Put(HKEY_LOCAL_MACHINE, kAutodesk + "R17.1", "CurVer", "ACAD-6009:804");
        Put(HKEY_LOCAL_MACHINE, kAutodesk + "R17.1\\ACAD-6001:804", "AcadLocation", "C:\\x64\\AutoCAD 2008");
        // The user's default profiles, one hive for both views.
        Put(HKEY_CURRENT_USER, kAutodesk + "R17.1\\ACAD-6001:804\\Profiles\\<<未命名配置>>\\General", "ACAD", "C:\\p32");
        Put(HKEY_CURRENT_USER, kAutodesk + "R17.1\\ACAD-6009:804\\Profiles\\<<未命名配置>>\\General", "ACAD", "C:\\p64");
    }
};

}  // namespace

TEST(RegistryViewDecision, TheProductViewIsThe32BitOneWhereThereAreTwoAndNoneAskedForWhereThereIsOne)
{
    // This test program is 64-bit: the Windows it runs on is too.
    EXPECT_TRUE(winlib::Is64BitWindows());
    EXPECT_EQ(runfront::ProductKeyView(), View::Wow32);
    const winlib::RegViews both = winlib::MachineViews();
    EXPECT_EQ(std::vector<View>(both.begin(), both.end()), (std::vector<View>{View::Wow64, View::Wow32}));
    EXPECT_TRUE(winlib::CurrentRegServerPlatform().windows64);
    {
        const winlib::ScopedWindowsBitness windows32(false);
        EXPECT_FALSE(winlib::Is64BitWindows());
        EXPECT_EQ(runfront::ProductKeyView(), View::Native);
        const winlib::RegViews one = winlib::MachineViews();
        EXPECT_EQ(std::vector<View>(one.begin(), one.end()), std::vector<View>{View::Native});
        // The regsvr32 choice asks the same question.
        EXPECT_FALSE(winlib::CurrentRegServerPlatform().windows64);
        {
            const winlib::ScopedWindowsBitness windows64(true);
            EXPECT_TRUE(winlib::Is64BitWindows());
        }
        EXPECT_FALSE(winlib::Is64BitWindows());
    }
    EXPECT_TRUE(winlib::Is64BitWindows());
}

TEST_F(RegistryViewsTest, AutoCadIsFoundInEitherViewAndEachProductCodeGetsItsProfile)
{
    InstallAutoCads();
    SetInstallDir("D:\\Soft\\");

    // Release by release, the 64-bit view first.
    EXPECT_EQ(Installations(), (std::vector<Found>{{"R16.2", View::Wow32, "C:\\x86\\AutoCAD 2006\\"},
                                                   {"R17.1", View::Wow64, "C:\\x64\\AutoCAD 2008\\"},
                                                   {"R17.1", View::Wow32, "C:\\x86\\AutoCAD 2008\\"},
                                                   {"R18.0", View::Wow64, "C:\\x64\\AutoCAD 2010\\"}}));
    // Reading created nothing in either view.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAutodesk + "R16.2"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAutodesk32 + "R18.0"));

    ASSERT_EQ(AcadProfilesStep().Run(Job()), StepResult::kDone);
    const std::string p2004 = "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;";
    const std::string p2007 = "D:\\Soft\\Support\\2007-09\\arx;D:\\Soft\\Support\\2007-09\\Menu;";
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.2", "ACAD-4001:409") + "\\General", "ACAD"), p2004 + ";");
    // AutoCAD 2008 under both codes, each with its own default profile's
    // paths.
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.1", "ACAD-6009:804") + "\\General", "ACAD"), p2007 + "C:\\p64;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.1", "ACAD-6001:804") + "\\General", "ACAD"), p2007 + "C:\\p32;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R18.0", "ACAD-8001:804"), ""), "<<enggZEMLO V8>>");
    // Nothing per user under the 32-bit view's name.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, testreg::kWow32Software));

    // The per-user step of an installation for all users finds the same.
    ASSERT_EQ(::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles\\<<enggZEMLO V8>>"),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R18.0"), ERROR_SUCCESS);
    EXPECT_TRUE(ConfigureRunningUser("D:\\Soft\\"));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.1", "ACAD-6001:804") + "\\General", "ACAD"), p2007 + "C:\\p32;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R18.0", "ACAD-8001:804"), ""), "<<enggZEMLO V8>>");
}

TEST_F(RegistryViewsTest, AReleaseFoundInBothUnderOneCodeGetsOneProfile)
{
    // AutoCAD 2009 in the 64-bit view only: the writes of its profile.
    Put(HKEY_LOCAL_MACHINE, kAutodesk + "R17.2\\ACAD-7001:804", "Location", "C:\\x64\\AutoCAD 2009");
    engine::InstallJob alone(host, m_medium, m_install, m_controlTimeoutMs);
    ASSERT_EQ(AcadProfilesStep().Run(alone), StepResult::kDone);
    const std::size_t oneProfile = alone.record.Journal().Size();
    ASSERT_TRUE(alone.record.Journal().Undo(nullptr).empty());
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, Profile("R17.2", "ACAD-7001:804")));

    // Also in the 32-bit view under the same (default) code: found twice,
    // configured once, the same writes (the journal notes each one).
    Put(HKEY_LOCAL_MACHINE, kAutodesk32 + "R17.2\\ACAD-7001:804", "AcadLocation", "C:\\x86\\AutoCAD 2009");
    EXPECT_EQ(Installations(), (std::vector<Found>{{"R17.2", View::Wow64, "C:\\x64\\AutoCAD 2009\\"},
                                                   {"R17.2", View::Wow32, "C:\\x86\\AutoCAD 2009\\"}}));
    engine::InstallJob both(host, m_medium, m_install, m_controlTimeoutMs);
    ASSERT_EQ(AcadProfilesStep().Run(both), StepResult::kDone);
    EXPECT_EQ(both.record.Journal().Size(), oneProfile);
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.2", "ACAD-7001:804"), ""), "<<enggZEMLO V8>>");

    // Both views naming the same folder (a key both share), whatever the
    // spelling's case: one installation.
    Put(HKEY_LOCAL_MACHINE, kAutodesk32 + "R17.2\\ACAD-7001:804", "AcadLocation", "c:\\X64\\autocad 2009\\");
    EXPECT_EQ(Installations(), (std::vector<Found>{{"R17.2", View::Wow64, "C:\\x64\\AutoCAD 2009\\"}}));
}

// Without separate views (the redirected registry as it comes, like the
// one view of 32-bit Windows), both lookups open the one key: every release
// is one installation.
TEST_F(SetupThreadTest, ViewsThatAreOneKeyGiveOneInstallationPerRelease)
{
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804", "AcadLocation", "C:\\AutoCAD 2009");
    Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804", "AcadLocation", "C:\\AutoCAD 2004");
    EXPECT_EQ(Installations(), (std::vector<Found>{{"R16.0", View::Wow64, "C:\\AutoCAD 2004\\"},
                                                   {"R17.2", View::Wow64, "C:\\AutoCAD 2009\\"}}));
}

TEST_F(RegistryViewsTest, TheReleaseShortcutStartsTheAcadOfTheViewItWasFoundIn)
{
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    InstallAutoCads();
    const std::string desktop = temp / "Desk\\", menu = temp / "Menu\\";
    testfs::MakeDirs(desktop);
    testfs::MakeDirs(Install());
    Put(HKEY_CURRENT_USER, testreg::kShellFolders, "Desktop", desktop);
    Put(HKEY_CURRENT_USER, testreg::kShellFolders, "Programs", menu);
    ASSERT_TRUE(ShortcutMaker::CreateShortcuts(Job()));

    // One shortcut per release; AutoCAD 2008, found in both, starts the
    // 64-bit one.
    Lines links;
    for (const std::string& line : LogLines())
        if (line.find("ZEMLOfor") != std::string::npos)
            links.push_back(line);
    EXPECT_EQ(links, (Lines{"File Copy: " + Install("ZEMLOfor2006.LNK"), "File Copy: " + Install("ZEMLOfor2008.LNK"),
                            "File Copy: " + Install("ZEMLOfor2010.LNK")}));
    const struct { const char *link, *target; } expected[] = {
        {"ZEMLOfor2006.LNK", "C:\\x86\\AutoCAD 2006\\acad.exe"},
        {"ZEMLOfor2008.LNK", "C:\\x64\\AutoCAD 2008\\acad.exe"},
        {"ZEMLOfor2010.LNK", "C:\\x64\\AutoCAD 2010\\acad.exe"},
    };
    for (const auto& e : expected) {
        const testlink::Shortcut link = testlink::ReadShortcut(Install(e.link));
        EXPECT_TRUE(link.loaded) << e.link;
        EXPECT_EQ(link.target, e.target) << e.link;
    }
    ::CoUninitialize();
}

TEST_F(RegistryViewsTest, OnWindows32OnlyItsOneViewIsAskedFor)
{
    // What this test sees without a flag is what a 32-bit Windows' one
    // view would hold; the keys under Wow6432Node are no view of it.
    const winlib::ScopedWindowsBitness windows32(false);
    InstallAutoCads();
    EXPECT_EQ(Installations(), (std::vector<Found>{{"R17.1", View::Native, "C:\\x64\\AutoCAD 2008\\"},
                                                   {"R18.0", View::Native, "C:\\x64\\AutoCAD 2010\\"}}));

    SetInstallDir("D:\\Soft\\");
    ASSERT_EQ(ProductRegistration().Run(Job()), StepResult::kDone);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath"), "D:\\Soft\\");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, testreg::kUninstallKey, "DisplayName"), "direveradi ZEMLO V8.0");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, In32(testreg::kProductKey)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, In32(testreg::kUninstallKey)));
    std::string folder;
    EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
    EXPECT_EQ(folder, "D:\\Soft\\");
}

TEST_F(RegistryViewsTest, TheProductKeyAndEntryAreWrittenReadAndUndoneInThe32BitView)
{
    SetInstallDir("D:\\Soft\\");
    // A key of the same name in the 64-bit view (a 64-bit build's, say) is
    // neither read nor touched.
    Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", "E:\\Other\\");
    std::string folder;
    EXPECT_FALSE(runfront::ReadInstalledFolder(folder));
    // The list of installed programs, there before the run.
    const std::string list = In32("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    ASSERT_TRUE(Put(HKEY_LOCAL_MACHINE, list + "\\Other", "DisplayName", "Other"));

    ASSERT_EQ(ProductRegistration().Run(Job()), StepResult::kDone);
    const std::string product = In32(testreg::kProductKey), entry = In32(testreg::kUninstallKey);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, product, "installPath"), "D:\\Soft\\");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, product, "Ver"), "8.00");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "D:\\Soft\\Uninstall.exe");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, entry, "QuietUninstallString"), "\"D:\\Soft\\Uninstall.exe\" /S");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath"), "E:\\Other\\");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, testreg::kUninstallKey));
    // The log names the keys as ever: the view is the programs' decision,
    // not the log's.
    EXPECT_EQ(LogLines(), (Lines{std::string("RegDB Key: 2,") + testreg::kProductKey,
                                 std::string("RegDB Key: 2,") + testreg::kUninstallKey}));
    EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
    EXPECT_EQ(folder, "D:\\Soft\\");

    // Undone in the same view: the keys the run made go, with the parents
    // it made; the other view's key stays.
    EXPECT_TRUE(Job().record.Journal().Undo(nullptr).empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, In32("SOFTWARE\\Kestrova")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, list + "\\Other", "DisplayName"), "Other");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath"), "E:\\Other\\");
}

TEST_F(RegistryViewsTest, AValueThatWasThereGetsItsOldDataBackInItsView)
{
    // An earlier installation's key in the 32-bit view: written over, then
    // given back as it was.
    const std::string product = In32(testreg::kProductKey);
    Put(HKEY_LOCAL_MACHINE, product, "installPath", "C:\\Earlier\\");
    SetInstallDir("D:\\Soft\\");
    ASSERT_EQ(ProductRegistration().Run(Job()), StepResult::kDone);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, product, "installPath"), "D:\\Soft\\");
    EXPECT_TRUE(Job().record.Journal().Undo(nullptr).empty());
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, product, "installPath"), "C:\\Earlier\\");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, product, "Ver"), "<missing>");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, testreg::kProductKey));
}
