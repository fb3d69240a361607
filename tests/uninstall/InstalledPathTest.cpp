// Where the uninstall window looks for "Uninstall.log": the install folder
// Setup recorded, else the folder of the running program.
#include "FileHelpers.h"
#include "RegistryOverride.h"
#include "Installation.h"

#include <gtest/gtest.h>

TEST(ReadInstalledPath, RecordedFolderGetsExactlyOneTrailingBackslashElseTheProgramsFolderServes)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    std::string out = "untouched";
    EXPECT_FALSE(installation::ReadInstalledPath(out));  // no key
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO\\V8", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_FALSE(installation::ReadInstalledPath(out));  // no value
    EXPECT_EQ(out, "untouched");

    // Stored value, then what is read (nullptr: nothing, the output left
    // alone). An empty value would make the log's path root-relative; the
    // long one does not fit the 2048 bytes read.
    const std::pair<std::string, const char*> cases[] = {
        {"C:\\Program Files\\Kestrova\\ZEMLO", "C:\\Program Files\\Kestrova\\ZEMLO\\"},
        {"D:\\Soft\\", "D:\\Soft\\"},
        // 運 (DF 5C) ends in the byte of a backslash but is no backslash.
        {"D:\\土方\\運", "D:\\土方\\運\\"},
        {"", nullptr},
        {"C:\\" + std::string(2100, 'x'), nullptr},
    };
    for (const auto& [stored, read] : cases) {
        SCOPED_TRACE(stored.substr(0, 40));
        ASSERT_EQ(::RegSetValueExA(key, "installPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                                   static_cast<DWORD>(stored.size() + 1)),
                  ERROR_SUCCESS);
        out = "untouched";
        EXPECT_EQ(installation::ReadInstalledPath(out), read != nullptr);
        EXPECT_EQ(out, read != nullptr ? read : "untouched");
    }
    ::RegCloseKey(key);

    // The fallback: the folder of the running program, with its backslash.
    EXPECT_EQ(installation::ProgramFolder(), testfs::ProgramFolder());
}
