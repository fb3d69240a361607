// The uninstaller's keys on 64-bit Windows: the product key and the
// uninstall entry are read and deleted in the 32-bit view (where Setup
// writes them), never in the view of this program's own kind. The
// redirected registry gets separate views (testreg::SeparateRegistryViews):
// the 32-bit view's keys lie under SOFTWARE\Wow6432Node.
#include "UninstallFixture.h"

#include "winlib/RegistryView.h"

namespace {

using testreg::kProductKey;
using testreg::kUninstallKey;

std::string In32(const std::string& key)
{
    return std::string(testreg::kWow32Software) + key.substr(std::string("SOFTWARE").size());
}

void PutIn(const std::string& key, const char* name, const std::string& value)
{
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, key, name, value)) << key;
}

class UninstallViewTest : public UninstallTest {
protected:
    void SetUp() override
    {
        UninstallTest::SetUp();
        ASSERT_TRUE(testreg::SeparateRegistryViews());
        here = Path("Here");
        testfs::MakeDirs(here);
    }
    // Replays a log naming the two keys, from Here\.
    void Replay()
    {
        TestUninstallThread replay;
        replay.window = &window;
        const std::string log = std::string("RegDB Key: 2,") + kProductKey + "\r\nRegDB Key: 2," + kUninstallKey + "\r\n";
        testfs::WriteFile(here + "\\Uninstall.log", log);
        ASSERT_TRUE(replay.ReadLog((here + "\\Uninstall.log").c_str()));
        ASSERT_TRUE(window.RunThread(replay));
        left = LeftLines(replay);
    }

    std::string here;
    Lines left;
};

}  // namespace

TEST_F(UninstallViewTest, TheKeysGoFromThe32BitViewAndTheOtherViewsStay)
{
    // This installation's keys in the 32-bit view; keys of the same names
    // in the 64-bit view (another program's, or a 64-bit build's) are not
    // this installation's and stay, whatever they name.
    PutIn(In32(kProductKey), "installPath", here + "\\");
    PutIn(In32(kUninstallKey), "UninstallString", here + "\\Uninstall.exe");
    PutIn(kProductKey, "installPath", here + "\\");
    PutIn(kUninstallKey, "UninstallString", here + "\\Uninstall.exe");
    Replay();
    EXPECT_TRUE(left.empty()) << left.size();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, In32(kProductKey)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, In32(kUninstallKey)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallViewTest, AnotherInstallationIsToldByTheKeysOfThe32BitView)
{
    // The 32-bit view's keys name another folder: they are that
    // installation's and stay, even though the 64-bit view's keys name
    // this one.
    const std::string other = Path("Other");
    testfs::MakeDirs(other);
    PutIn(In32(kProductKey), "installPath", other + "\\");
    PutIn(In32(kUninstallKey), "UninstallString", other + "\\Uninstall.exe");
    PutIn(kProductKey, "installPath", here + "\\");
    PutIn(kUninstallKey, "UninstallString", here + "\\Uninstall.exe");
    Replay();
    EXPECT_TRUE(left.empty()) << left.size();
    EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, In32(kProductKey), "installPath"), other + "\\");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, In32(kUninstallKey)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallViewTest, OnWindows32TheOneViewIsUsed)
{
    // No view asked for: the keys this program sees without a flag go, and
    // what lies under Wow6432Node is no view of a 32-bit Windows.
    const winlib::ScopedWindowsBitness windows32(false);
    PutIn(kProductKey, "installPath", here + "\\");
    PutIn(kUninstallKey, "UninstallString", here + "\\Uninstall.exe");
    PutIn(In32(kProductKey), "installPath", here + "\\");
    Replay();
    EXPECT_TRUE(left.empty()) << left.size();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, In32(kProductKey)));
}
