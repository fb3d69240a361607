// The loose files of the medium's root, and the file listing they use.
#include "SetupThreadFixture.h"

#include <algorithm>

using testfs::Attributes;
using testfs::Exists;

namespace {
using Lines = std::vector<std::string>;

std::string CurrentDirectory()
{
    char buffer[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}
}  // namespace

TEST_F(SetupThreadTest, SetupProgramInAnyCaseIsNotCopied)
{
    for (const char* name : {"setup.exe", "SETUP.EXE", "Setup.Exe"}) {
        TempDir medium;
        testfs::WriteFile(medium / name, "MZ");
        testfs::WriteFile(medium / "Uninstall.exe", "MZ");
        thread.m_strSourceDir = medium.path() + "\\";
        thread.m_strLog.clear();
        testfs::MakeDirs(Install());

        thread.CopyTopLevelFiles();

        EXPECT_FALSE(Exists(Install(name))) << name;
        EXPECT_TRUE(Exists(Install("Uninstall.exe"))) << name;
        EXPECT_EQ(LogLines(), (Lines{"File Copy: " + Install("Uninstall.exe")})) << name;
        testfs::RemoveTree(Install());
    }
}

TEST_F(SetupThreadTest, ProductIconInAnyCaseIsHiddenOtherFilesAreNot)
{
    PutMediumFile("zemlov8.0.ICO", "icon");
    PutMediumFile("readme.txt", "text");
    testfs::MakeDirs(Install());

    thread.CopyTopLevelFiles();

    EXPECT_EQ(testfs::AttributesWithoutArchive(Install("zemlov8.0.ICO")), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Attributes(Install("readme.txt")) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(testfs::ReadFile(Install("zemlov8.0.ICO")), "icon");
}

TEST_F(SetupThreadTest, RootFileThatFailsToCopyIsStillRecorded)
{
    PutMediumFile("readme.txt", "text");
    PutMediumFile("zemlo.url", "url");
    // A folder named readme.txt in the destination blocks that copy.
    testfs::MakeDirs(Install("readme.txt"));

    thread.CopyTopLevelFiles();

    EXPECT_TRUE(testfs::IsDirectory(Install("readme.txt")));
    EXPECT_EQ(testfs::ReadFile(Install("zemlo.url")), "url");
    Lines lines = LogLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{"File Copy: " + Install("readme.txt"), "File Copy: " + Install("zemlo.url")}));
    EXPECT_TRUE(thread.prompts.empty());
}

TEST_F(SetupThreadTest, ListFilesListsOnlyFilesAndRestoresTheCurrentFolder)
{
    PutMediumFile("a.ocx");
    PutMediumFile("b.txt");
    PutMediumFile("c.OCX");
    PutMediumFile("sub.ocx\\inner.ocx");  // a folder whose name matches
    const std::string before = CurrentDirectory();

    std::vector<std::string> names = {"stale entry"};
    thread.ListFiles(Medium(), "*.ocx", names);

    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"a.ocx", "c.OCX"}));
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(SetupThreadTest, ListFilesOfAMissingFolderIsEmptyAndListsNothingElse)
{
    // The current folder holds files: none of them may be listed in place
    // of the missing folder's.
    testfs::WriteFile(temp / "cwd\\decoy.ocx", "x");
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(::SetCurrentDirectoryA((temp / "cwd").c_str()));

    std::vector<std::string> names = {"stale entry"};
    thread.ListFiles(temp / "missing", "*.ocx", names);

    EXPECT_TRUE(names.empty());
    EXPECT_EQ(CurrentDirectory(), temp / "cwd");
    ::SetCurrentDirectoryA(before.c_str());
}
