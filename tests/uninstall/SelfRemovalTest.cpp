// The self-removal batch as text. (Running it is the work of the program
// test, which starts the real uninstaller from a sandbox drive.)
#include "SelfRemoval.h"

#include "FileHelpers.h"
#include "TempDir.h"

#include <gtest/gtest.h>

// Every path stays whole inside its quotes. 運 is DF 5C and 誠 D5 5C in
// GBK: a byte search for the last backslash would stop inside them. The command
// interpreter expands "%" in a batch file even inside quotes, so the batch
// must double it.
TEST(SelfRemovalBatch, BatchNamesTheProgramAndItsFolderAsTheInterpreterReadsThem)
{
    struct Case { std::string program, quotedProgram, quotedFolder; };
    const Case cases[] = {
        {"C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe", "C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe",
         "C:\\Program Files\\Kestrova\\ZEMLO V8"},
        {"D:\\土方\\運\\誠 程序.exe", "D:\\土方\\運\\誠 程序.exe", "D:\\土方\\運"},
        {"D:\\100%\\%PATH%\\Uninstall.exe", "D:\\100%%\\%%PATH%%\\Uninstall.exe", "D:\\100%%\\%%PATH%%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const std::string text = SelfRemovalBatchText(c.program);
        EXPECT_EQ(text, ":Repeat\r\n"
                        "del \"" + c.quotedProgram + "\"\r\n"
                        "del \"Filedelr.avi\"\r\n"
                        "if exist \"" + c.quotedProgram + "\" goto Repeat\r\n"
                        "rmdir \"" + c.quotedFolder + "\"\r\n"
                        "del \"\\DelUS.bat\"\r\n");
        // No terminating zero among the bytes.
        EXPECT_EQ(text.find('\0'), std::string::npos);
    }
    EXPECT_STREQ(kSelfRemovalBatchPath, "\\DelUS.bat");

    EXPECT_EQ(ProgramFolderOf("誠.exe"), "誠.exe");
    EXPECT_EQ(ProgramFolderOf("C:\\Uninstall.exe"), "C:");
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
