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
