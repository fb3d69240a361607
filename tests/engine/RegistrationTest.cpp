// The registry accessors, the product and uninstall registration, and the
// registration of the product's controls.
#include "RegistryHelpers.h"
#include "SetupThreadFixture.h"
#include "engine/RegistryAccess.h"
#include "winlib/Handles.h"

using namespace engine;
using testreg::Get;
using testreg::KeyExists;

namespace {
const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
const char kMarkers[] = "SOFTWARE\\Kestrova\\ZemloSampleControls\\";

void PutRaw(HKEY root, const char* key, DWORD type, const std::string& bytes)
{
    HKEY opened = nullptr;
    ASSERT_EQ(::RegCreateKeyA(root, key, &opened), ERROR_SUCCESS);
    ::RegSetValueExA(opened, "v", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(opened);
}
}  // namespace

using RegistryAccessTest = SetupThreadTest;

TEST_F(RegistryAccessTest, QueryCreatesTheKeyAndEmptiesTheTextOnFailure)
{
    std::string text = "stale";
    EXPECT_FALSE(QueryUserString("Software\\A\\B", "missing", text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\A\\B"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));

    ASSERT_TRUE(SetMachineString("Software\\A", "", "default"));
    EXPECT_TRUE(QueryMachineString("Software\\A", "", text));
    EXPECT_EQ(text, "default");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "Software\\A", ""), "default");
}

TEST_F(RegistryAccessTest, QueryEndsAtTheFirstZeroAndNeverReadsPastTheData)
{
    std::string text;
    PutRaw(HKEY_CURRENT_USER, "K", REG_BINARY, "abc");  // no terminator
    ASSERT_TRUE(QueryUserString("K", "v", text));
    EXPECT_EQ(text, "abc");
    PutRaw(HKEY_CURRENT_USER, "K", REG_SZ, std::string("ab\0cd", 6));
    ASSERT_TRUE(QueryUserString("K", "v", text));
    EXPECT_EQ(text, "ab");

    // 2047 characters and the terminator fill the buffer; one more does not fit.
    PutRaw(HKEY_CURRENT_USER, "K", REG_SZ, std::string(2047, 'x') + '\0');
    ASSERT_TRUE(QueryUserString("K", "v", text));
    EXPECT_EQ(text.size(), 2047u);
    PutRaw(HKEY_CURRENT_USER, "K", REG_SZ, std::string(2048, 'x') + '\0');
    EXPECT_FALSE(QueryUserString("K", "v", text));
    EXPECT_EQ(text, "");
}

TEST_F(RegistryAccessTest, LongTextIsWrittenWhole)
{
    const std::string longText = std::string(5000, 'p') + "end";
    ASSERT_TRUE(SetUserString("K", "long", longText));
    EXPECT_EQ(Get(HKEY_CURRENT_USER, "K", "long"), longText);
}

TEST_F(RegistryAccessTest, RegisterProductWithoutAutoCadWritesTwoKeysAndTwoLogLines)
{
    thread.m_strInstallDir = "D:\\Tools\\";
    thread.RegisterProduct();

    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kProductKey, "installPath"), "D:\\Tools\\");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kProductKey, "Ver"), "8.00");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "direveradi ZEMLO V8.0");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "D:\\Tools\\Uninstall.exe");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{std::string("RegDB Key: 2,") + kProductKey,
                                                    std::string("RegDB Key: 2,") + kUninstallKey}));
    // No profile of ours anywhere.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804\\Profiles"));
}

using ControlRegistrationTest = SetupThreadTest;

TEST_F(ControlRegistrationTest, EveryOcxIsRegisteredAndLoggedWhateverTheResult)
{
    const std::string controls = Install("Controls\\");
    testfs::MakeDirs(controls + "sub");
    ASSERT_TRUE(::CopyFileA(ZEMLO_GRID_OCX, (controls + "ZemloGrid.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(ZEMLO_CHART_OCX, (controls + "ZemloChart.ocx").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(ZEMLO_GRID_OCX, (controls + "sub\\Nested.ocx").c_str(), FALSE));
    testfs::WriteFile(controls + "Broken.ocx", "not a module");
    testfs::WriteFile(controls + "notes.txt", "x");

    thread.RegisterControls();

    // Listing order (sorted under Wine, as NTFS gives it).
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Reg Ctrl: " + controls + "Broken.ocx",
                                                    "Reg Ctrl: " + controls + "ZemloChart.ocx",
                                                    "Reg Ctrl: " + controls + "ZemloGrid.ocx"}));
    // The modules' own registration ran, inside the redirected registry.
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, std::string(kMarkers) + "ZemloGrid", "Module"), controls + "ZemloGrid.ocx");
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, std::string(kMarkers) + "ZemloChart", "Module"), controls + "ZemloChart.ocx");

    EXPECT_FALSE(thread.RegisterControl(controls + "Broken.ocx"));
    EXPECT_FALSE(thread.RegisterControl(controls + "Missing.ocx"));
    // A module without the entry point.
    char system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_FALSE(thread.RegisterControl(std::string(system) + "\\version.dll"));
    EXPECT_TRUE(thread.RegisterControl(controls + "ZemloGrid.ocx"));

    // Unregistration removes each marker, and the parent with the last one.
    for (const char* name : {"ZemloGrid", "ZemloChart"}) {
        winlib::ScopedModule module(::LoadLibraryA((controls + name + ".ocx").c_str()));
        ASSERT_TRUE(module);
        const FARPROC unregister = ::GetProcAddress(module.get(), "DllUnregisterServer");
        ASSERT_TRUE(unregister != nullptr);
        EXPECT_EQ(reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(unregister))(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kMarkers) + name));
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMarkers));
}

TEST_F(ControlRegistrationTest, EmptyControlsFolderRegistersAndRecordsNothing)
{
    testfs::MakeDirs(Install("Controls"));
    thread.RegisterControls();
    EXPECT_TRUE(thread.m_strLog.empty());
}
