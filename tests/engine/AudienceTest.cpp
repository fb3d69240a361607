// Whom an installation is for: the decision, the shortcuts in the
// all-users folders, the Active Setup component, and the per-user step
// that writes each user's AutoCAD profiles at logon.
#include "SetupThreadFixture.h"
#include "engine/AcadProfiles.h"
#include "engine/Audience.h"
#include "engine/ProductRegistration.h"
#include "engine/ShortcutMaker.h"

#include <algorithm>

using engine::Account;
using engine::Audience;
using engine::StepResult;
using testreg::Put;

namespace {

const char kActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE}";
const char kProfile[] = "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles\\<<enggZEMLO V8>>";

Audience ForAllUsers(bool configureRunningUser)
{
    Audience audience;
    audience.allUsers = true;
    audience.configureRunningUser = configureRunningUser;
    return audience;
}

class AudienceTest : public SetupThreadTest {
protected:
    void SetUp() override
    {
        SetupThreadTest::SetUp();
        testfs::MakeDirs(Install());
        // AutoCAD 2008 with the user's default profile, and AutoCAD 2004
        // known machine-wide only.
        Put(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1", "CurVer", "ACAD-6001:804");
        Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AcadLocation", "C:\\AutoCAD 2008");
        Put(HKEY_CURRENT_USER,
            "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles\\<<未命名配置>>\\General", "ACAD",
            "C:\\AutoCAD 2008\\support");
        Put(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804", "AcadLocation", "C:\\A2004");
    }
    // A job of its own for the audience.
    std::unique_ptr<engine::InstallJob> JobFor(const Audience& audience)
    {
        return std::make_unique<engine::InstallJob>(host, m_medium, m_install, m_controlTimeoutMs, audience);
    }
};

}  // namespace

TEST(Audience, AllUsersWhenAskedOrWhenTheAccountIsNobodysAndOnlyAPersonIsConfiguredAtOnce)
{
    const struct {
        bool asked, localSystem, profileLoaded;
        bool allUsers, configureRunningUser;
    } cases[] = {
        {false, false, true, false, true},  // a person, as today
        {true, false, true, true, true},    // an administrator's /ALLUSERS
        {false, true, true, true, false},   // a deployment tool under LocalSystem
        {true, true, true, true, false},
        {false, false, false, true, false},  // an account without a profile of its own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.asked << c.localSystem << c.profileLoaded);
        Account account;
        account.localSystem = c.localSystem;
        account.profileLoaded = c.profileLoaded;
        const Audience audience = engine::AudienceFor(c.asked, account);
        EXPECT_EQ(audience.allUsers, c.allUsers);
        EXPECT_EQ(audience.configureRunningUser, c.configureRunningUser);
    }
    // The tests run as a person, with a profile.
    const Account running = engine::CurrentAccount();
    EXPECT_FALSE(running.localSystem);
    EXPECT_TRUE(running.profileLoaded);
}

TEST_F(AudienceTest, ForAllUsersTheShortcutsGoToTheAllUsersFoldersOnly)
{
    Put(HKEY_CURRENT_USER, testreg::kShellFolders, "Desktop", temp / "Mine\\Desk");
    Put(HKEY_CURRENT_USER, testreg::kShellFolders, "Programs", temp / "Mine\\Menu");
    Put(HKEY_LOCAL_MACHINE, testreg::kShellFolders, "Common Desktop", temp / "Public\\Desk");
    Put(HKEY_LOCAL_MACHINE, testreg::kShellFolders, "Common Programs", temp / "Public\\Menu");
    testfs::MakeDirs(temp / "Public\\Desk");
    testfs::MakeDirs(temp / "Mine\\Desk");
    const winlib::ScopedComInit com;
    const auto job = JobFor(ForAllUsers(true));
    ASSERT_TRUE(engine::ShortcutMaker::CreateShortcuts(*job));
    const std::string sub = temp / "Public\\Menu\\direveradi ZEMLO V8.0";
    EXPECT_EQ(testfs::SplitLines(job->record.Log().str()),
              (Lines{"Made Dir: " + sub, "File Copy: " + temp / "Public\\Desk\\土方计算地形分析.LNK",
                     "File Copy: " + sub + "\\ZEMLO V8.0.LNK", "File Copy: " + Install("ZEMLOfor2004.LNK"),
                     "File Copy: " + Install("ZEMLOfor2008.LNK"), "File Copy: " + sub + "\\官方网站.LNK",
                     "File Copy: " + sub + "\\ZEMLO V8.0 卸载程序.LNK"}));
    EXPECT_FALSE(testfs::Exists(temp / "Mine\\Menu"));
    EXPECT_TRUE(testfs::ListFolder(temp / "Mine\\Desk").empty());

    // No all-users pair: no shortcuts, even though the user has a pair.
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft");
    const auto none = JobFor(ForAllUsers(true));
    EXPECT_FALSE(engine::ShortcutMaker::CreateShortcuts(*none));
}

TEST_F(AudienceTest, ForAllUsersTheComponentNamesThePerUserStepAndUnderLocalSystemNoProfileIsWritten)
{
    testfs::WriteFile(Install("UserSetup.exe"), "MZ");
    const auto job = JobFor(ForAllUsers(false));
    EXPECT_EQ(engine::AcadProfilesStep().Run(*job), StepResult::kDone);
    EXPECT_EQ(engine::ActiveSetupRegistration().Run(*job), StepResult::kDone);

    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, kProfile));
    EXPECT_EQ(testreg::Get(HKEY_LOCAL_MACHINE, kActiveSetupKey, ""), "direveradi ZEMLO V8.0");
    EXPECT_EQ(testreg::Get(HKEY_LOCAL_MACHINE, kActiveSetupKey, "Version"), "8,0,0,0");
    EXPECT_EQ(testreg::Get(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath"),
              "\"" + Install("UserSetup.exe") + "\" /PROFILE");
    DWORD installed = 0, size = sizeof(installed);
    EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kActiveSetupKey, "IsInstalled", RRF_RT_REG_DWORD, nullptr, &installed,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(installed, 1u);
    EXPECT_EQ(testfs::SplitLines(job->record.Log().str()), (Lines{std::string("RegDB Key: 2,") + kActiveSetupKey}));
    // Undone with the rest of a run that does not complete.
    EXPECT_TRUE(job->record.Journal().Undo(nullptr).empty());
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Active Setup"));

    // For the running user alone there is no component; and without the
    // per-user program on the medium none is registered either.
    for (const Audience& audience : {Audience(), ForAllUsers(true)}) {
        if (audience.allUsers) {
            ASSERT_TRUE(::DeleteFileA(Install("UserSetup.exe").c_str()));
        }
        const auto other = JobFor(audience);
        EXPECT_EQ(engine::ActiveSetupRegistration().Run(*other), StepResult::kDone);
        EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kActiveSetupKey));
        EXPECT_TRUE(other->record.Log().str().empty());
    }
}

// The per-user step writes exactly the profiles the installation's step
// writes for the same machine (the redirected HKEY_CURRENT_USER stands in
// for another user), nothing machine-wide, and the same again when run
// again.
TEST_F(AudienceTest, ThePerUserStepWritesWhatTheInstallationWritesAndNothingMachineWide)
{
    const Lines machineBefore = testreg::Dump(HKEY_LOCAL_MACHINE);
    const Lines userBefore = testreg::Dump(HKEY_CURRENT_USER);
    const auto job = JobFor(Audience());
    ASSERT_EQ(engine::AcadProfilesStep().Run(*job), StepResult::kDone);
    const Lines byInstallation = testreg::Dump(HKEY_CURRENT_USER);
    ASSERT_NE(byInstallation, userBefore);
    ASSERT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, kProfile));

    // Another user, who has the same AutoCAD and no profile of ours yet.
    ASSERT_TRUE(job->record.Journal().Undo(nullptr).empty());
    ASSERT_EQ(testreg::Dump(HKEY_CURRENT_USER), userBefore);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_TRUE(engine::ConfigureRunningUser(m_install));
        EXPECT_EQ(testreg::Dump(HKEY_CURRENT_USER), byInstallation);
        EXPECT_EQ(testreg::Dump(HKEY_LOCAL_MACHINE), machineBefore);
    }
    EXPECT_TRUE(script.prompts.empty());
}
