// Finding the installed AutoCAD releases and writing their profiles.
#include "RegistryHelpers.h"
#include "SetupThreadFixture.h"

using engine::AcadRelease;
using engine::AcadReleases;
using testreg::Get;
using testreg::Put;

namespace {

const AcadRelease& Release(const std::string& name)
{
    for (const AcadRelease& r : AcadReleases())
        if (name == r.name)
            return r;
    throw std::runtime_error("no release " + name);
}

std::string ReleaseKey(const std::string& name) { return "SOFTWARE\\Autodesk\\AutoCAD\\" + name; }

std::string Profile(const std::string& release, const std::string& code, const std::string& rest = "")
{
    return "Software\\Autodesk\\AutoCAD\\" + release + "\\" + code + "\\Profiles\\<<enggZEMLO V8>>" + rest;
}

class AcadTest : public SetupThreadTest {
protected:
    // An installation of release under code at folder; curVer names where
    // its "CurVer" is: "user", "machine", "both" or "none".
    void InstallAcad(const std::string& release, const std::string& code, const std::string& folder,
                     const std::string& curVer, const char* value = "AcadLocation")
    {
        if (curVer == "user" || curVer == "both")
            Put(HKEY_CURRENT_USER, ReleaseKey(release), "CurVer", code);
        if (curVer == "machine" || curVer == "both")
            Put(HKEY_LOCAL_MACHINE, ReleaseKey(release), "CurVer", code);
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(release) + "\\" + code, value, folder);
    }
    bool Find(const std::string& release)
    {
        m_folder = "stale";
        const BOOL found = thread.FindAcadFolder(Release(release), m_folder);
        EXPECT_EQ(found == FALSE, m_folder.empty()) << release;
        return found != FALSE;
    }
    std::string m_folder;
};

}  // namespace

TEST_F(AcadTest, NoAutoCadIsFoundAndReadsLeaveEmptyKeys)
{
    for (const AcadRelease& r : AcadReleases())
        EXPECT_FALSE(Find(r.name)) << r.name;
    EXPECT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, ReleaseKey("R16.1")));
    EXPECT_TRUE(testreg::KeyExists(HKEY_LOCAL_MACHINE, ReleaseKey("R16.1") + "\\ACAD-301:409"));
}

TEST_F(AcadTest, EachReleaseLooksForCurVerWhereItsOwnRulesSay)
{
    // R15.0 needs a "CurVer" somewhere; machine-wide or per user will do.
    InstallAcad("R15.0", "ACAD-1:804", "C:\\A2002", "none");
    EXPECT_FALSE(Find("R15.0"));
    InstallAcad("R15.0", "ACAD-1:804", "C:\\A2002", "user");
    EXPECT_TRUE(Find("R15.0"));
    EXPECT_EQ(m_folder, "C:\\A2002\\");

    // R16.0 reads the machine-wide "CurVer" when the user has none; R16.1
    // does not and looks under its default code.
    InstallAcad("R16.0", "ACAD-209:409", "C:\\A2004\\", "machine");
    EXPECT_TRUE(Find("R16.0"));
    EXPECT_EQ(m_folder, "C:\\A2004\\");
    InstallAcad("R16.1", "ACAD-309:409", "C:\\A2005", "machine");
    EXPECT_FALSE(Find("R16.1"));
    InstallAcad("R16.1", "ACAD-301:409", "C:\\A2005 default", "none");
    EXPECT_TRUE(Find("R16.1"));
    EXPECT_EQ(m_folder, "C:\\A2005 default\\");

    // A slash at the end is not a backslash; nor is the second byte of 淺.
    InstallAcad("R16.2", "ACAD-4001:409", "C:\\A2006/", "user");
    EXPECT_TRUE(Find("R16.2"));
    EXPECT_EQ(m_folder, "C:\\A2006/\\");
    InstallAcad("R17.0", "ACAD-5001:804", "C:\\淺", "none");
    EXPECT_TRUE(Find("R17.0"));
    EXPECT_EQ(m_folder, "C:\\淺\\");
}

TEST_F(AcadTest, LocationIsTheFallbackFromR171On)
{
    // Each release under its default product code (R15.0 has none and
    // needs its "CurVer"), with an empty "AcadLocation" and a "Location".
    const struct {
        const char* release;
        const char* code;
        bool found;
    } cases[] = {{"R15.0", "ACAD-1:804", false},   {"R16.0", "ACAD-201:804", false}, {"R16.1", "ACAD-301:409", false},
                 {"R16.2", "ACAD-4001:409", false}, {"R17.0", "ACAD-5001:804", false}, {"R17.1", "ACAD-6001:804", true},
                 {"R17.2", "ACAD-7001:804", true},  {"R18.0", "ACAD-8001:804", true}};
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R15.0"), "CurVer", "ACAD-1:804");
    for (const auto& c : cases) {
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(c.release) + "\\" + c.code, "Location", std::string("C:\\L") + c.release);
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(c.release) + "\\" + c.code, "AcadLocation", "");
        EXPECT_EQ(Find(c.release), c.found) << c.release;
    }
    EXPECT_EQ(m_folder, "C:\\LR18.0\\");
}

TEST_F(AcadTest, ProfilesCarryTheProductPathsThenTheDefaultProfile)
{
    thread.m_strInstallDir = "D:\\Soft\\";
    const auto putDefault = [](const std::string& release, const std::string& code, const std::string& profile,
                               const std::string& acad) {
        Put(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\" + release + "\\" + code + "\\Profiles\\" + profile + "\\General",
            "ACAD", acad);
    };
    const auto searchPath = [](const std::string& release, const std::string& code) {
        return Get(HKEY_CURRENT_USER, Profile(release, code, "\\General"), "ACAD");
    };
    const std::string p2004 = "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;";

    // "<<未命名配置>>" wins over "<<Unnamed Profile>>"; either serves alone;
    // with none the list ends in two semicolons.
    putDefault("R16.0", "ACAD-201:804", "<<未命名配置>>", "C:\\cn");
    putDefault("R16.0", "ACAD-201:804", "<<Unnamed Profile>>", "C:\\en");
    putDefault("R16.2", "ACAD-4001:409", "<<Unnamed Profile>>", "C:\\en");
    for (const char* release : {"R16.0", "R16.1", "R16.2"})
        thread.ConfigureAcadProfile(Release(release), "");
    EXPECT_EQ(searchPath("R16.0", "ACAD-201:804"), p2004 + "C:\\cn;");
    EXPECT_EQ(searchPath("R16.2", "ACAD-4001:409"), p2004 + "C:\\en;");
    EXPECT_EQ(searchPath("R16.1", "ACAD-301:409"), p2004 + ";");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.0", "ACAD-201:804"), ""), "<<enggZEMLO V8>>");
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, Profile("R16.0", "ACAD-201:804", "\\General Configuration")));

    // R17.0 under the user's "CurVer" names the menu file.
    Put(HKEY_CURRENT_USER, ReleaseKey("R17.0"), "CurVer", "ACAD-5009:804");
    putDefault("R17.0", "ACAD-5009:804", "<<未命名配置>>", "C:\\Acad\\support;C:\\Acad\\fonts");
    thread.ConfigureAcadProfile(Release("R17.0"), "");
    EXPECT_EQ(searchPath("R17.0", "ACAD-5009:804"),
              "D:\\Soft\\Support\\2007-09\\arx;D:\\Soft\\Support\\2007-09\\Menu;C:\\Acad\\support;C:\\Acad\\fonts;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.0", "ACAD-5009:804", "\\General Configuration"), "MenuFile"),
              "D:\\Soft\\Support\\2007-09\\Menu\\Gravmen");

    // R18.0 prefers the default profile without angle brackets.
    putDefault("R18.0", "ACAD-8001:804", "<<初始设置配置>>", "C:\\bracketed");
    putDefault("R18.0", "ACAD-8001:804", "初始设置配置", "C:\\plain");
    thread.ConfigureAcadProfile(Release("R18.0"), "");
    EXPECT_EQ(searchPath("R18.0", "ACAD-8001:804"),
              "D:\\Soft\\Support\\2010-11\\arx;D:\\Soft\\Support\\2010-11\\Menu;C:\\plain;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R18.0", "ACAD-8001:804", "\\General Configuration"), "MenuFile"),
              "D:\\Soft\\Support\\2010-11\\Menu\\Gravmen");
}

TEST_F(AcadTest, RegisterProductWritesProfilesUnderTheCodesEachStepReads)
{
    thread.m_strInstallDir = "D:\\Soft\\";
    // R15.0 known only per user: its profile goes under that code, never
    // under an empty one.
    InstallAcad("R15.0", "ACAD-1:804", "C:\\A2002", "user");
    // R16.1 with a machine-wide "CurVer" only: found under the default code,
    // configured under the machine-wide one.
    InstallAcad("R16.1", "ACAD-301:409", "C:\\A2005", "none");
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R16.1"), "CurVer", "ACAD-309:804");
    // A profile left by an earlier installation: our values are replaced,
    // others stay.
    Put(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "ACAD", "old");
    Put(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "Other", "kept");

    thread.RegisterProduct();

    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R15.0", "ACAD-1:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2000-02\\arx;D:\\Soft\\Support\\2000-02\\Menu;C:\\A2002\\support;"
              "C:\\A2002\\fonts;C:\\A2002\\help;C:\\A2002\\express;");
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-301:409")));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "Other"), "kept");
    // Only the two machine-wide keys are recorded.
    EXPECT_EQ(LogLines().size(), 2u);
}
