#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/FileFind.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(FileFind, VisitsEveryEntryOnceWithFullPaths)
{
    TempDir temp;
    testfs::WriteFile(temp / "a.txt", "a");
    testfs::WriteFile(temp / "淺\\b.txt", "b");

    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp / "*.*").c_str()));
    std::vector<std::string> files, folders, dots;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            dots.push_back(finder.GetFileName());
        else if (finder.IsDirectory())
            folders.push_back(finder.GetFilePath());
        else
            files.push_back(finder.GetFilePath());
    }
    EXPECT_EQ(files, std::vector<std::string>{temp / "a.txt"});
    EXPECT_EQ(folders, std::vector<std::string>{temp / "淺"});
    std::sort(dots.begin(), dots.end());
    EXPECT_EQ(dots, (std::vector<std::string>{".", ".."}));
}

TEST(FileFind, RootOfAPatternInAGbkFolder)
{
    TempDir temp;
    testfs::WriteFile(temp / "淺\\x.txt", "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((temp / "淺\\x.txt").c_str()));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetRoot(), temp / "淺\\");
    EXPECT_EQ(finder.GetFilePath(), temp / "淺\\x.txt");
}

TEST(FileFind, NothingFoundKeepsTheSystemError)
{
    TempDir temp;
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile((temp / "missing\\*.*").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_FALSE(finder.IsDots());
    EXPECT_FALSE(finder.IsDirectory());
}
