// The one reader of the folder the product key records: when it answers
// that an installation is recorded, what text it gives, and that looking
// leaves no key behind.
#include "RegistryOverride.h"
#include "runfront/InstalledProduct.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

class InstalledFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.ok()); }

    // Stores the value's bytes as they are, of the given type.
    void PutInstallPath(DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(::RegSetKeyValueA(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", type, bytes.data(),
                                    static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    RegistryOverride registry;
};

TEST_F(InstalledFolderTest, NothingRecordedAnswersNoAndCreatesNoKey)
{
    std::string folder = "left over";
    EXPECT_FALSE(runfront::ReadInstalledFolder(folder));
    EXPECT_TRUE(folder.empty());
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, testreg::kProductKey));
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova"));

    // The key with other values but no folder.
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "Ver", "8.00"));
    folder = "left over";
    EXPECT_FALSE(runfront::ReadInstalledFolder(folder));
    EXPECT_TRUE(folder.empty());
}

TEST_F(InstalledFolderTest, AnyValueCountsAsARecordedInstallationAndItsDataIsTheText)
{
    const struct {
        DWORD type;
        std::string bytes, folder;
    } cases[] = {
        {REG_SZ, std::string("C:\\Program Files\\Kestrova\\ZEMLO\\\0", 33), "C:\\Program Files\\Kestrova\\ZEMLO\\"},
        {REG_SZ, std::string("D:\\\x9C\x5C\\ZEMLO\\\0", 12), "D:\\\x9C\x5C\\ZEMLO\\"},  // 淺: 9C 5C
        {REG_EXPAND_SZ, std::string("%ProgramFiles%\\ZEMLO\0", 21), "%ProgramFiles%\\ZEMLO"},
        {REG_SZ, std::string("\0", 1), ""},                          // blank, still there
        {REG_SZ, std::string(), ""},                                 // no data at all
        {REG_BINARY, "C:\\ZEMLO", "C:\\ZEMLO"},                      // no terminator
        {REG_MULTI_SZ, std::string("C:\\a\0C:\\b\0\0", 11), "C:\\a"},  // up to the first zero
        {REG_DWORD, std::string("\x01\0\0\0", 4), "\x01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        PutInstallPath(c.type, c.bytes);
        std::string folder;
        EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
        EXPECT_EQ(folder, c.folder);
    }
}

TEST_F(InstalledFolderTest, DataIsReadUpToTheLimitAndLongerDataStillCountsButGivesNoText)
{
    // The limit counts the terminator.
    const std::string longest(runfront::kInstalledFolderLimit - 1, 'a');
    PutInstallPath(REG_SZ, longest + '\0');
    std::string folder;
    EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
    EXPECT_EQ(folder, longest);

    // One byte more is never cut to a shorter folder, which would name
    // another one.
    PutInstallPath(REG_SZ, longest + "b" + '\0');
    folder = "left over";
    EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
    EXPECT_TRUE(folder.empty());
    PutInstallPath(REG_BINARY, std::string(100000, 'c'));
    EXPECT_TRUE(runfront::ReadInstalledFolder(folder));
    EXPECT_TRUE(folder.empty());
}

}  // namespace
