// Where the uninstall window looks for "Uninstall.log": the install folder
// Setup recorded, else the folder of the running program.
#include "RegistryOverride.h"
#include "UninstallDlg.h"

#include <gtest/gtest.h>

namespace {

const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";

void SetInstallPath(const std::string& value, DWORD type = REG_SZ)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "installPath", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

}  // namespace

TEST(ReadInstalledPath, RecordedFolderGetsExactlyOneTrailingBackslash)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    std::string out;

    SetInstallPath("C:\\Program Files\\Kestrova\\ZEMLO");
    ASSERT_TRUE(CUninstallDlg::ReadInstalledPath(out));
    EXPECT_EQ(out, "C:\\Program Files\\Kestrova\\ZEMLO\\");

    SetInstallPath("D:\\Soft\\");
    ASSERT_TRUE(CUninstallDlg::ReadInstalledPath(out));
    EXPECT_EQ(out, "D:\\Soft\\");

    // 運 (DF 5C) ends in the byte of a backslash but is no backslash.
    SetInstallPath("D:\\土方\\運");
    ASSERT_TRUE(CUninstallDlg::ReadInstalledPath(out));
    EXPECT_EQ(out, "D:\\土方\\運\\");
}

TEST(ReadInstalledPath, MissingOrUnusableRecordLeavesTheOutputAlone)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    std::string out = "untouched";

    EXPECT_FALSE(CUninstallDlg::ReadInstalledPath(out));  // no key
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    EXPECT_FALSE(CUninstallDlg::ReadInstalledPath(out));  // no value
    // An empty value would make the log's path root-relative.
    SetInstallPath("");
    EXPECT_FALSE(CUninstallDlg::ReadInstalledPath(out));
    // Longer than the 1024 bytes read.
    SetInstallPath("C:\\" + std::string(1100, 'x'));
    EXPECT_FALSE(CUninstallDlg::ReadInstalledPath(out));
    EXPECT_EQ(out, "untouched");
}

TEST(ReadInstalledPath, ProgramFolderIsTheFolderOfTheRunningProgram)
{
    char self[MAX_PATH];
    const DWORD got = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(got > 0 && got < MAX_PATH);
    const std::string path(self, got);
    const std::string folder = CUninstallDlg::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder + "uninstall_tests.exe", path);
}
