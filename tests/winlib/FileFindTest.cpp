#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/FileFind.h"

#include <gtest/gtest.h>

TEST(FileFind, VisitsEveryEntryOnceWithFullPathsAndKeepsTheErrorOfAFailedSearch)
{
    TempDir temp;
    testfs::WriteFile(temp / "a.txt", "a");
    testfs::WriteFile(temp / "淺\\b.txt", "b");

    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp / "*.*").c_str()));
    std::vector<std::string> files, folders, dots;
    for (BOOL more = TRUE; more;) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            dots.push_back(finder.GetFileName());
        else
            (finder.IsDirectory() ? folders : files).push_back(finder.GetFilePath());
    }
    EXPECT_EQ(files, std::vector<std::string>{temp / "a.txt"});
    EXPECT_EQ(folders, std::vector<std::string>{temp / "淺"});
    EXPECT_EQ(testfs::Sorted(dots), (std::vector<std::string>{".", ".."}));

    // The root of a pattern that ends in a GBK name ends at the last real
    // backslash: the second byte of 淺 (9C 5C) is none.
    ASSERT_TRUE(finder.FindFile((temp / "淺").c_str()));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetRoot(), temp.path() + "\\");
    EXPECT_EQ(finder.GetFilePath(), temp / "淺");

    EXPECT_FALSE(finder.FindFile((temp / "missing\\*.*").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_FALSE(finder.IsDots() || finder.IsDirectory());
}

// The test kit's links are what the link tests of both programs stand on:
// a folder link shows as a reparse point and leads to its target, a file
// link leads to its target with no attribute to tell it, and a swap puts
// the link where the folder was while the folder's content moves aside.
TEST(TestKitLinks, UnixLinksShowAsWineShowsLinksAndASwapReplacesTheFolder)
{
    TempDir temp;
    testfs::WriteFile(temp / "target\\f.txt", "inside");
    if (!testfs::MakeUnixSymlink(temp / "folderlink", temp / "target"))
        GTEST_SKIP() << "no Unix links here";
    EXPECT_NE(testfs::Attributes(temp / "folderlink") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(testfs::ReadFile(temp / "folderlink\\f.txt"), "inside");

    ASSERT_TRUE(testfs::MakeUnixSymlink(temp / "filelink.txt", temp / "target\\f.txt"));
    EXPECT_EQ(testfs::ReadFile(temp / "filelink.txt"), "inside");

    testfs::WriteFile(temp / "plain\\p.txt", "plain");
    ASSERT_TRUE(testfs::SwapForUnixSymlink(temp / "plain", temp / "target"));
    EXPECT_NE(testfs::Attributes(temp / "plain") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(testfs::ReadFile(temp / "plain\\f.txt"), "inside");
    EXPECT_EQ(testfs::ReadFile(temp / "plain.swapped\\p.txt"), "plain");
}
