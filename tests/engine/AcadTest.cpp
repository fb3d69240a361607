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
    for (const AcadRelease& r : AcadReleases()) {
        const std::string code = r.defaultProductCode ? r.defaultProductCode : "ACAD-1:804";
        InstallAcad(r.name, code, std::string("C:\\Loc") + r.name, "machine", "Location");
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(r.name) + "\\" + code, "AcadLocation", "");
        EXPECT_EQ(Find(r.name), r.locationFallback) << r.name;
    }
    EXPECT_TRUE(Release("R17.1").locationFallback && Release("R17.2").locationFallback &&
                Release("R18.0").locationFallback && !Release("R17.0").locationFallback);
    EXPECT_EQ(m_folder, "C:\\LocR18.0\\");
}

TEST_F(AcadTest, ProfilesCarryTheProductPathsThenTheDefaultProfile)
{
    thread.m_strInstallDir = "D:\\Soft\\";
    // R16.0: "<<未命名配置>>" wins over "<<Unnamed Profile>>".
    const std::string p16 = "Software\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804\\Profiles\\";
    Put(HKEY_CURRENT_USER, p16 + "<<未命名配置>>\\General", "ACAD", "C:\\cn");
    Put(HKEY_CURRENT_USER, p16 + "<<Unnamed Profile>>\\General", "ACAD", "C:\\en");
    thread.ConfigureAcadProfile(Release("R16.0"), "");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.0", "ACAD-201:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;C:\\cn;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.0", "ACAD-201:804"), ""), "<<enggZEMLO V8>>");
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, Profile("R16.0", "ACAD-201:804", "\\General Configuration")));

    // R16.2 with only the English default; R16.1 with none at all.
    Put(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R16.2\\ACAD-4001:409\\Profiles\\<<Unnamed Profile>>\\General",
        "ACAD", "C:\\en");
    thread.ConfigureAcadProfile(Release("R16.2"), "");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.2", "ACAD-4001:409", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;C:\\en;");
    thread.ConfigureAcadProfile(Release("R16.1"), "");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-301:409", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;;");

    // R17.0 names the menu file; the example of a two-folder default path.
    Put(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk\\AutoCAD\\R17.0", "CurVer", "ACAD-5009:804");
    Put(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R17.0\\ACAD-5009:804\\Profiles\\<<未命名配置>>\\General",
        "ACAD", "C:\\Acad\\support;C:\\Acad\\fonts");
    thread.ConfigureAcadProfile(Release("R17.0"), "");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.0", "ACAD-5009:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2007-09\\arx;D:\\Soft\\Support\\2007-09\\Menu;C:\\Acad\\support;C:\\Acad\\fonts;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R17.0", "ACAD-5009:804", "\\General Configuration"), "MenuFile"),
              "D:\\Soft\\Support\\2007-09\\Menu\\Gravmen");

    // R18.0 prefers the default profile without angle brackets.
    const std::string p18 = "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\";
    Put(HKEY_CURRENT_USER, p18 + "<<初始设置配置>>\\General", "ACAD", "C:\\bracketed");
    Put(HKEY_CURRENT_USER, p18 + "初始设置配置\\General", "ACAD", "C:\\plain");
    thread.ConfigureAcadProfile(Release("R18.0"), "");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R18.0", "ACAD-8001:804", "\\General"), "ACAD"),
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
    EXPECT_EQ(testreg::SubKeys(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R15.0"),
              std::vector<std::string>{"ACAD-1:804"});
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-301:409")));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "Other"), "kept");
    // Only the two machine-wide keys are recorded.
    EXPECT_EQ(LogLines().size(), 2u);
}
