// Copying one product folder tree: structure, attributes, what is recorded
// and reported, and GBK names whose second byte is a backslash.
#include "SetupThreadFixture.h"

using testfs::Attributes;
using testfs::Exists;
using testfs::IsDirectory;

namespace {
using Lines = std::vector<std::string>;
}

TEST_F(SetupThreadTest, NestedTreeIsReproducedWithAMadeDirLinePerFolder)
{
    PutMediumFile("Data\\a.txt", "1");
    PutMediumFile("Data\\示例\\地形\\b.txt", "2");
    PutMediumFile("Data\\示例\\c.txt", "3");
    testfs::MakeDirs(Medium("Data\\空"));

    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.CopyFolderTree(Medium("Data"), Install("Data")));

    EXPECT_EQ(testfs::ReadFile(Install("Data\\示例\\地形\\b.txt")), "2");
    EXPECT_EQ(testfs::ReadFile(Install("Data\\示例\\c.txt")), "3");
    EXPECT_TRUE(IsDirectory(Install("Data\\空")));
    // A folder's line comes before the lines of its contents, so the
    // uninstaller, removing folders last-recorded first, empties children
    // before parents.
    EXPECT_EQ(LogLines(), (Lines{
                              "Made Dir: " + Install("Data"),
                              "File Copy: " + Install("Data\\a.txt"),
                              "Made Dir: " + Install("Data\\示例"),
                              "File Copy: " + Install("Data\\示例\\c.txt"),
                              "Made Dir: " + Install("Data\\示例\\地形"),
                              "File Copy: " + Install("Data\\示例\\地形\\b.txt"),
                              "Made Dir: " + Install("Data\\空"),
                          }));
}

TEST_F(SetupThreadTest, ReadOnlyMediumFileArrivesWritableAndExistingFileIsOverwritten)
{
    PutMediumFile("Support\\ro.lsp", "read-only");
    ASSERT_TRUE(::SetFileAttributesA(Medium("Support\\ro.lsp").c_str(), FILE_ATTRIBUTE_READONLY));
    PutMediumFile("Support\\old.lsp", "new");
    testfs::WriteFile(Install("Support\\old.lsp"), "old content");

    ASSERT_TRUE(thread.CopyFolderTree(Medium("Support"), Install("Support")));
    ::SetFileAttributesA(Medium("Support\\ro.lsp").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(testfs::ReadFile(Install("Support\\old.lsp")), "new");
    EXPECT_EQ(testfs::ReadFile(Install("Support\\ro.lsp")), "read-only");
    // The copy takes the medium's read-only flag along; it must be gone so
    // that the product's files can be changed and uninstalled.
    EXPECT_EQ(Attributes(Install("Support\\ro.lsp")) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(SetupThreadTest, FileThatDoesNotCopyIsReportedButNotRecorded)
{
    PutMediumFile("Support\\a.lsp");
    PutMediumFile("Support\\b.lsp");
    // A folder of the same name blocks the copy of a.lsp.
    testfs::MakeDirs(Install("Support\\a.lsp"));

    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.CopyFolderTree(Medium("Support"), Install("Support")));
    // Called on the test thread itself, so the sends arrive directly.
    EXPECT_EQ(ProgressDestinations(), (Lines{Install("Support\\a.lsp"), Install("Support\\b.lsp")}));
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + Install("Support"), "File Copy: " + Install("Support\\b.lsp")}));
}

TEST_F(SetupThreadTest, EmptySourceFolderMakesEmptyDestinationWithoutProgress)
{
    testfs::MakeDirs(Medium("Temp"));
    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.CopyFolderTree(Medium("Temp"), Install("Temp")));
    EXPECT_TRUE(IsDirectory(Install("Temp")));
    EXPECT_EQ(window.Count(WM_SETUP_PROGRESS), 0);
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + Install("Temp")}));
}

TEST_F(SetupThreadTest, NamesWhoseSecondByteIsABackslashAreCopiedWhole)
{
    // 淺 is 9C 5C and 嘰 is 87 5C in GBK: a byte-wise backslash test would
    // cut these names in two.
    ASSERT_EQ(std::string("淺"), "\x9C\x5C");
    ASSERT_EQ(std::string("嘰"), "\x87\x5C");
    m_install = temp / "目标嘰\\";
    thread.m_strInstallDir = m_install;
    MakeProductFolders();
    PutMediumFile("Support\\淺\\運.lsp", "gbk");
    PutMediumFile("Support\\誠", "plain file");

    RunInstall();

    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_TRUE(thread.prompts.empty());
    EXPECT_EQ(testfs::ReadFile(Install("Support\\淺\\運.lsp")), "gbk");
    EXPECT_EQ(testfs::ReadFile(Install("Support\\誠")), "plain file");
    const Lines lines = LogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Made Dir: " + Install("Support"));
    EXPECT_EQ(lines[1], "Made Dir: " + Install("Support\\淺"));
    EXPECT_EQ(lines[2], "File Copy: " + Install("Support\\淺\\運.lsp"));
    EXPECT_EQ(lines[3], "File Copy: " + Install("Support\\誠"));
    EXPECT_EQ(lines.back(), "File Copy: " + Install("Uninstall.log"));
}
