// The registry accessors, the product and uninstall registration, the
// registration of the product's controls, and finding the installed
// AutoCAD releases and writing their profiles.
#include "SetupThreadFixture.h"
#include "engine/AcadProfiles.h"
#include "engine/ControlRegistrar.h"
#include "engine/ProductRegistration.h"
#include "engine/RegRoot.h"
#include "engine/RegistryAccess.h"
#include "winlib/ControlProcess.h"
#include "winlib/RegKey.h"

#include <stdexcept>

using namespace engine;
using testreg::Get;
using testreg::KeyExists;
using testreg::Put;

namespace {

using testreg::kProductKey;
using testreg::kUninstallKey;

void PutRaw(DWORD type, const std::string& bytes)
{
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "K", "v", type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

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

}  // namespace

TEST_F(SetupThreadTest, QueryReadsWhateverTheDataButNeverPastItOrTheBuffer)
{
    // A read never makes the key; a failed one leaves the text empty.
    std::string text = "stale";
    EXPECT_FALSE(QueryUserString("Software\\A\\B", "missing", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));
    Put(HKEY_LOCAL_MACHINE, "Software\\A", "", "default");
    EXPECT_TRUE(QueryMachineString("Software\\A", "", text, winlib::RegKey::View::Native));
    EXPECT_EQ(text, "default");

    // Data without a terminator, data with an inner zero, and the buffer's
    // edge: 2047 characters and the terminator fit, one more does not.
    const std::vector<std::pair<std::string, const char*>> cases = {
        {"abc", "abc"}, {std::string("ab\0cd", 6), "ab"}, {std::string(2047, 'x') + '\0', nullptr},
        {std::string(2048, 'x') + '\0', ""}};
    for (const auto& c : cases) {
        PutRaw(REG_BINARY, c.first);
        EXPECT_EQ(QueryUserString("K", "v", text), c.second == nullptr || *c.second != '\0');
        EXPECT_EQ(text, c.second != nullptr ? c.second : std::string(2047, 'x'));
    }

    const std::string longText = std::string(5000, 'p') + "end";
    ChangeJournal journal;
    ASSERT_EQ(journal.WriteString(HKEY_CURRENT_USER, "K", "long", longText), ERROR_SUCCESS);
    EXPECT_EQ(Get(HKEY_CURRENT_USER, "K", "long"), longText);
}

TEST(RegRoot, EachRootRecordsItsDigitAndEveryOtherKeyTheOtherRoot)
{
    const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    for (int digit = 0; digit <= 3; ++digit)
        EXPECT_EQ(RegRootDigitOf(roots[digit]), digit) << digit;
    EXPECT_EQ(RegRootDigitOf(HKEY_CURRENT_CONFIG), installlog::kOtherRoot);
    EXPECT_EQ(RegRootDigitOf(HKEY_PERFORMANCE_DATA), installlog::kOtherRoot);
    EXPECT_EQ(RegRootDigitOf(nullptr), installlog::kOtherRoot);
}

// A 32-bit AutoCAD keeps its machine-wide values in the 32-bit view of the
// registry, which this 64-bit program does not see by default: a read asks
// for one view and finds what is in that one only. This test uses the
// prefix's real registry, under a key of its own that it removes again.
TEST(MachineRegistryViews, AValueIsReadInTheViewAskedForOnly)
{
    const std::string key = "SOFTWARE\\ZemloTestViews\\" + std::to_string(::GetCurrentProcessId());
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const char folder[] = "C:\\Program Files (x86)\\AutoCAD 2008";
    ::RegSetValueExA(created, "AcadLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof(folder));
    ::RegCloseKey(created);
    HKEY native = nullptr;
    const bool separate =
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &native) != ERROR_SUCCESS;
    if (native != nullptr)
        ::RegCloseKey(native);

    using View = winlib::RegKey::View;
    std::string text;
    const BOOL found = QueryMachineString(key, "AcadLocation", text, View::Wow32);
    std::string none = "stale";
    const BOOL missing = QueryMachineString(key, "Location", none, View::Wow32);
    std::string other = "stale";
    const BOOL in64 = QueryMachineString(key, "AcadLocation", other, View::Wow64);
    std::string plain = "stale";
    const BOOL inNative = QueryMachineString(key, "AcadLocation", plain, View::Native);

    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        for (const std::string& made : {key, std::string("SOFTWARE\\ZemloTestViews")})
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, made.c_str(), view, 0);

    ASSERT_TRUE(separate) << "the two views are not separate here, so the test cannot tell";
    EXPECT_TRUE(found);
    EXPECT_EQ(text, folder);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(none.empty());
    // This 64-bit program's own view is the 64-bit one: neither finds the
    // value of the 32-bit view.
    EXPECT_FALSE(in64);
    EXPECT_TRUE(other.empty());
    EXPECT_FALSE(inNative);
    EXPECT_TRUE(plain.empty());
}

TEST_F(SetupThreadTest, EveryOcxCopiedIsRegisteredOutOfProcessAndLoggedWhateverTheResult)
{
    // The controls of the medium reach the destination through the tree
    // copy; only those are registered, each by the system's registration
    // program in a child process (which cannot see this process's
    // redirected registry, so the probes leave marker files instead).
    TempDir markers;
    ASSERT_TRUE(::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", markers.path().c_str()));
    testfs::MakeDirs(Medium("Controls\\sub"));
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, Medium("Controls\\Grid.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, Medium("Controls\\Chart.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, Medium("Controls\\sub\\Nested.ocx").c_str(), FALSE));
    PutMediumFile("Controls\\Broken.ocx", "not a module");
    PutMediumFile("Controls\\notes.txt", "x");
    ASSERT_TRUE(Copier().CopyFolderTree(Medium("Controls"), Install("Controls")));
    const std::size_t copied = LogLines().size();

    EXPECT_EQ(ControlRegistrar().Run(Job()), StepResult::kDone);

    // Listing order (sorted under Wine, as NTFS gives it).
    const std::string controls = Install("Controls\\");
    const Lines lines = LogLines();
    EXPECT_EQ(Lines(lines.begin() + copied, lines.end()),
              (Lines{"Reg Ctrl: " + controls + "Broken.ocx", "Reg Ctrl: " + controls + "Chart.ocx",
                     "Reg Ctrl: " + controls + "Grid.ocx"}));
    EXPECT_EQ(Job().failedControls, 1);
    EXPECT_EQ(testfs::Sorted(testfs::ListFolder(markers.path())),
              (Lines{"Chart.ocx.registered", "Chart.ocx.started", "Grid.ocx.registered", "Grid.ocx.started"}));
    for (const char* name : {"Grid.ocx", "Chart.ocx"})
        winlib::RunControlServer(controls + name, true, 10000);
    ::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", nullptr);
}

TEST_F(SetupThreadTest, EachReleaseIsFoundWhereItsOwnRulesSay)
{
    // Nothing installed: nothing found, and the reads leave no keys.
    std::string folder;
    for (const AcadRelease& r : AcadReleases())
        EXPECT_FALSE(AcadProfiles::FindAcadFolder(r, winlib::RegKey::View::Native, folder)) << r.name;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk"));

    // An installation under code at folder, with "CurVer" per user and/or
    // machine-wide. "Location" rows leave "AcadLocation" empty.
    const struct { const char *release, *userCurVer, *machineCurVer, *code, *value, *folder, *found; } cases[] = {
        // R15.0 has no default code: it needs a "CurVer", from either place.
        {"R15.0", nullptr, nullptr, "ACAD-1:804", "AcadLocation", "C:\\A2002", ""},
        {"R15.0", "ACAD-1:804", nullptr, "ACAD-1:804", "AcadLocation", "C:\\A2002", "C:\\A2002\\"},
        {"R15.0", nullptr, "ACAD-1:804", "ACAD-1:804", "AcadLocation", "C:\\A2002", "C:\\A2002\\"},
        // R16.0 reads the machine-wide "CurVer" when the user has none; the
        // later ones do not and look under their default code.
        {"R16.0", nullptr, "ACAD-209:409", "ACAD-209:409", "AcadLocation", "C:\\A2004\\", "C:\\A2004\\"},
        {"R16.1", nullptr, "ACAD-309:409", "ACAD-309:409", "AcadLocation", "C:\\A2005", ""},
        {"R16.1", "ACAD-309:409", nullptr, "ACAD-309:409", "AcadLocation", "C:\\A2005", "C:\\A2005\\"},
        {"R16.1", nullptr, nullptr, "ACAD-301:409", "AcadLocation", "C:\\A 2005", "C:\\A 2005\\"},
        // A slash at the end is not a backslash; nor is the second byte of 淺.
        {"R16.2", nullptr, nullptr, "ACAD-4001:409", "AcadLocation", "C:\\A2006/", "C:\\A2006/\\"},
        {"R17.0", nullptr, nullptr, "ACAD-5001:804", "AcadLocation", "C:\\淺", "C:\\淺\\"},
        // "Location" is the fallback from R17.1 on.
        {"R15.0", "ACAD-1:804", nullptr, "ACAD-1:804", "Location", "C:\\A2002", ""},
        {"R16.0", nullptr, nullptr, "ACAD-201:804", "Location", "C:\\A2004", ""},
        {"R16.2", nullptr, nullptr, "ACAD-4001:409", "Location", "C:\\A2006", ""},
        {"R17.0", nullptr, nullptr, "ACAD-5001:804", "Location", "C:\\A2007", ""},
        {"R17.1", nullptr, nullptr, "ACAD-6001:804", "Location", "C:\\A2008", "C:\\A2008\\"},
        {"R17.2", "ACAD-7009:804", nullptr, "ACAD-7009:804", "Location", "C:\\A2009", "C:\\A2009\\"},
        {"R18.0", nullptr, nullptr, "ACAD-8001:804", "Location", "C:\\A2010", "C:\\A2010\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.release) + " " + c.code + " " + c.value);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk");
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk");
        if (c.userCurVer != nullptr)
            Put(HKEY_CURRENT_USER, ReleaseKey(c.release), "CurVer", c.userCurVer);
        if (c.machineCurVer != nullptr)
            Put(HKEY_LOCAL_MACHINE, ReleaseKey(c.release), "CurVer", c.machineCurVer);
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(c.release) + "\\" + c.code, "AcadLocation", "");
        Put(HKEY_LOCAL_MACHINE, ReleaseKey(c.release) + "\\" + c.code, c.value, c.folder);
        folder = "stale";
        EXPECT_EQ(AcadProfiles::FindAcadFolder(Release(c.release), winlib::RegKey::View::Native, folder), *c.found != '\0');
        EXPECT_EQ(folder, c.found);
    }
}

TEST_F(SetupThreadTest, ProfilesCarryTheProductPathsThenTheDefaultProfile)
{
    SetInstallDir("D:\\Soft\\");
    const std::string p2004 = "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;";
    // The user's default profiles of a release (its "ACAD" values), and
    // what our profile gets: "<<未命名配置>>" wins over "<<Unnamed Profile>>",
    // either serves alone, with none the list ends in two semicolons; R18.0
    // prefers the name without angle brackets; from R17.0 on the menu file
    // is named.
    const struct {
        const char *release, *userCurVer, *code;
        std::vector<std::pair<std::string, std::string>> defaults;
        std::string searchPath;
        const char* menu;
    } cases[] = {
        {"R16.0", nullptr, "ACAD-201:804", {{"<<未命名配置>>", "C:\\cn"}, {"<<Unnamed Profile>>", "C:\\en"}},
         p2004 + "C:\\cn;", nullptr},
        {"R16.1", nullptr, "ACAD-301:409", {}, p2004 + ";", nullptr},
        {"R16.2", nullptr, "ACAD-4001:409", {{"<<Unnamed Profile>>", "C:\\en"}}, p2004 + "C:\\en;", nullptr},
        {"R17.0", "ACAD-5009:804", "ACAD-5009:804", {{"<<未命名配置>>", "C:\\Acad\\support;C:\\Acad\\fonts"}},
         "D:\\Soft\\Support\\2007-09\\arx;D:\\Soft\\Support\\2007-09\\Menu;C:\\Acad\\support;C:\\Acad\\fonts;",
         "D:\\Soft\\Support\\2007-09\\Menu\\Gravmen"},
        {"R18.0", nullptr, "ACAD-8001:804", {{"<<初始设置配置>>", "C:\\bracketed"}, {"初始设置配置", "C:\\plain"}},
         "D:\\Soft\\Support\\2010-11\\arx;D:\\Soft\\Support\\2010-11\\Menu;C:\\plain;",
         "D:\\Soft\\Support\\2010-11\\Menu\\Gravmen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.release);
        const std::string profiles = "Software\\Autodesk\\AutoCAD\\" + std::string(c.release) + "\\" + c.code + "\\Profiles\\";
        for (const auto& profile : c.defaults)
            Put(HKEY_CURRENT_USER, profiles + profile.first + "\\General", "ACAD", profile.second);
        if (c.userCurVer != nullptr)
            Put(HKEY_CURRENT_USER, ReleaseKey(c.release), "CurVer", c.userCurVer);
        RegistryWriter writer(host, Job().record.Journal());
        EXPECT_TRUE(AcadProfiles(writer, Job().installDir).ConfigureAcadProfile(Release(c.release), ""));
        EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile(c.release, c.code, "\\General"), "ACAD"), c.searchPath);
        EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile(c.release, c.code), ""), "<<enggZEMLO V8>>");
        if (c.menu != nullptr)
            EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile(c.release, c.code, "\\General Configuration"), "MenuFile"), c.menu);
        else
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Profile(c.release, c.code, "\\General Configuration")));
    }
}

TEST_F(SetupThreadTest, RegisterProductWritesItsKeysAndProfilesUnderTheCodesEachStepReads)
{
    SetInstallDir("D:\\Soft\\");
    // R15.0 known only per user: its profile goes under that code, never
    // under an empty one.
    Put(HKEY_CURRENT_USER, ReleaseKey("R15.0"), "CurVer", "ACAD-1:804");
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R15.0") + "\\ACAD-1:804", "AcadLocation", "C:\\A2002");
    // R16.1 with a machine-wide "CurVer" only: found under the default code,
    // configured under the machine-wide one.
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R16.1") + "\\ACAD-301:409", "AcadLocation", "C:\\A2005");
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R16.1"), "CurVer", "ACAD-309:804");
    // A profile left by an earlier installation: our values are replaced,
    // others stay.
    Put(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "ACAD", "old");
    Put(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "Other", "kept");

    EXPECT_EQ(ProductRegistration().Run(Job()), StepResult::kDone);
    EXPECT_EQ(AcadProfilesStep().Run(Job()), StepResult::kDone);

    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R15.0", "ACAD-1:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2000-02\\arx;D:\\Soft\\Support\\2000-02\\Menu;C:\\A2002\\support;"
              "C:\\A2002\\fonts;C:\\A2002\\help;C:\\A2002\\express;");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-301:409")));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "ACAD"),
              "D:\\Soft\\Support\\2004-06\\arx;D:\\Soft\\Support\\2004-06\\Menu;;");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, Profile("R16.1", "ACAD-309:804", "\\General"), "Other"), "kept");
    // Releases not found get no profile.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804\\Profiles"));

    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kProductKey, "installPath"), "D:\\Soft\\");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kProductKey, "Ver"), "8.00");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "direveradi ZEMLO V8.0");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "D:\\Soft\\Uninstall.exe");
    // The entry's details for the list of installed programs and for
    // deployment tools.
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "8.0");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Kestrova");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), "D:\\Soft\\ZEMLOV8.0.ico");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), "D:\\Soft");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"), "\"D:\\Soft\\Uninstall.exe\" /S");
    const std::string date = Get(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallDate");
    SYSTEMTIME today = {};
    ::GetLocalTime(&today);
    EXPECT_EQ(date, winlib::Format("%04u%02u%02u", today.wYear, today.wMonth, today.wDay));
    for (const char* name : {"NoModify", "NoRepair", "EstimatedSize"}) {
        DWORD type = 0, value = 0xDEAD, size = sizeof(value);
        EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_ANY, &type, &value, &size), ERROR_SUCCESS)
            << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
        // Nothing was copied in this test: the size is 0 KB.
        EXPECT_EQ(value, std::string(name) == "EstimatedSize" ? 0u : 1u) << name;
    }
    // Only the two machine-wide keys are recorded.
    EXPECT_EQ(LogLines(), (Lines{std::string("RegDB Key: 2,") + kProductKey, std::string("RegDB Key: 2,") + kUninstallKey}));
}

// A write that fails is asked about (Retry or Cancel) until it is written
// or the user gives up; giving up fails the step, and what the step could
// not write is not recorded.
TEST_F(SetupThreadTest, AValueThatCannotBeWrittenIsAskedAboutUntilWrittenOrGivenUp)
{
    // (The keys above it are made first: a volatile key's missing parents
    // would be made volatile with it.)
    const auto makeVolatile = [](HKEY root, const std::string& key) {
        HKEY made = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(root, key.substr(0, key.rfind('\\')).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &made, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(made);
        ASSERT_EQ(::RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &made,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(made);
    };
    const char list[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    makeVolatile(HKEY_LOCAL_MACHINE, list);
    script.answers.push_back({IDRETRY, nullptr});
    script.answers.push_back({IDRETRY, [&] { ASSERT_EQ(::RegDeleteKeyA(HKEY_LOCAL_MACHINE, list), ERROR_SUCCESS); }});
    EXPECT_EQ(ProductRegistration().Run(Job()), StepResult::kDone);
    ASSERT_EQ(script.prompts.size(), 2u);
    EXPECT_EQ(script.prompts[1], script.prompts[0]);
    EXPECT_EQ(script.prompts[0].text.find(winlib::FormatSystemMessage(ERROR_CHILD_MUST_BE_VOLATILE)), 0u)
        << script.prompts[0].text;
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "direveradi ZEMLO V8.0");
    EXPECT_EQ(LogLines(), (Lines{std::string("RegDB Key: 2,") + kProductKey, std::string("RegDB Key: 2,") + kUninstallKey}));

    // An AutoCAD profile that cannot be written, and Cancel.
    Put(HKEY_CURRENT_USER, ReleaseKey("R17.1"), "CurVer", "ACAD-6001:804");
    Put(HKEY_LOCAL_MACHINE, ReleaseKey("R17.1") + "\\ACAD-6001:804", "AcadLocation", "C:\\A2008");
    makeVolatile(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Profiles");
    EXPECT_EQ(AcadProfilesStep().Run(Job()), StepResult::kFailed);
    ASSERT_EQ(script.prompts.size(), 3u);
    EXPECT_NE(script.prompts[2].text.find("\\Profiles\\<<enggZEMLO V8>>\\General 的值“ACAD”"), std::string::npos)
        << script.prompts[2].text;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Profile("R17.1", "ACAD-6001:804")));
}
