// The self-removal batch as text. (Running it is the work of the program
// test, which starts the real uninstaller from a sandbox drive.)
#include "SelfRemoval.h"

#include "FileHelpers.h"
#include "TempDir.h"

#include <gtest/gtest.h>

TEST(SelfRemovalBatch, EveryPathStaysWholeInsideItsQuotes)
{
    const std::string program = "C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe";
    EXPECT_EQ(SelfRemovalBatchText(program),
              ":Repeat\r\n"
              "del \"C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe\"\r\n"
              "del \"Filedelr.avi\"\r\n"
              "if exist \"C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe\" goto Repeat\r\n"
              "rmdir \"C:\\Program Files\\Kestrova\\ZEMLO V8\"\r\n"
              "del \"\\DelUS.bat\"\r\n");
    EXPECT_STREQ(kSelfRemovalBatchPath, "\\DelUS.bat");
}

// 誠 is D5 5C and 運 DF 5C in GBK: a byte search for the last backslash
// would stop inside them.
TEST(SelfRemovalBatch, FolderIsCutAtTheRealLastBackslashOfGbkNames)
{
    const std::string folder = "D:\\土方\\運";
    ASSERT_EQ(folder.substr(folder.size() - 2), "\xDF\x5C");

    EXPECT_EQ(ProgramFolderOf(folder + "\\誠.exe"), folder);
    EXPECT_EQ(ProgramFolderOf("D:\\工具\\誠.exe"), "D:\\工具");
    EXPECT_EQ(ProgramFolderOf("誠.exe"), "誠.exe");
    EXPECT_EQ(ProgramFolderOf("C:\\Uninstall.exe"), "C:");

    const std::string text = SelfRemovalBatchText(folder + "\\卸载 程序.exe");
    EXPECT_EQ(text,
              ":Repeat\r\n"
              "del \"" + folder + "\\卸载 程序.exe\"\r\n"
              "del \"Filedelr.avi\"\r\n"
              "if exist \"" + folder + "\\卸载 程序.exe\" goto Repeat\r\n"
              "rmdir \"" + folder + "\"\r\n"
              "del \"\\DelUS.bat\"\r\n");
    // No terminating zero among the bytes.
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

// The command interpreter expands "%" in a batch file even inside quotes.
TEST(SelfRemovalBatch, PercentSignsInPathsAreDoubled)
{
    EXPECT_EQ(SelfRemovalBatchText("D:\\100%\\%PATH%\\Uninstall.exe"),
              ":Repeat\r\n"
              "del \"D:\\100%%\\%%PATH%%\\Uninstall.exe\"\r\n"
              "del \"Filedelr.avi\"\r\n"
              "if exist \"D:\\100%%\\%%PATH%%\\Uninstall.exe\" goto Repeat\r\n"
              "rmdir \"D:\\100%%\\%%PATH%%\"\r\n"
              "del \"\\DelUS.bat\"\r\n");
}

// Whether the running uninstaller is the installation's own: the same folder
// however it is spelt, and no other.
TEST(SelfRemovalBatch, SameFolderIsRecognisedHoweverItIsSpelt)
{
    TempDir temp;
    const std::string install = temp / "ZEMLO V8";
    const std::string medium = temp / "Medium";
    testfs::MakeDirs(install);
    testfs::MakeDirs(medium);

    EXPECT_TRUE(IsSameFolder(install, install + "\\"));
    EXPECT_TRUE(IsSameFolder(install, temp / "zemlo v8"));
    EXPECT_TRUE(IsSameFolder(install, medium + "\\..\\ZEMLO V8"));
    EXPECT_FALSE(IsSameFolder(install, medium));
    // A folder that is not there compares by its text.
    EXPECT_TRUE(IsSameFolder(temp / "Gone", temp / "GONE\\"));
    EXPECT_FALSE(IsSameFolder(temp / "Gone", install));
}
