#include "winlib/Path.h"

#include "FileHelpers.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace winlib;

// 淺 is 9C 5C in GBK: its second byte is a backslash, which must never be
// taken for a separator.
TEST(Path, JoinParentAndTrailingBackslashesWalkWholeCharacters)
{
    ASSERT_EQ(::GetACP(), 936u) << "the tests need code page 936 (LANG=zh_CN.UTF-8)";
    EXPECT_EQ(JoinPath("C:\\淺", "a.txt"), "C:\\淺\\a.txt");
    EXPECT_EQ(JoinPath("C:\\淺\\", "a.txt"), "C:\\淺\\a.txt");
    EXPECT_EQ(JoinPath("C:/x/", "a.txt"), "C:/x/a.txt");
    EXPECT_EQ(JoinPath("", "a.txt"), "a.txt");

    EXPECT_EQ(ParentFolder("C:\\A\\淺.exe"), "C:\\A");
    EXPECT_EQ(ParentFolder("C:\\淺"), "C:");
    EXPECT_EQ(ParentFolder("C:\\淺\\"), "C:\\淺");
    EXPECT_EQ(ParentFolder("淺.exe"), "淺.exe");

    EXPECT_EQ(StripTrailingBackslashes("C:\\淺\\\\"), "C:\\淺");
    EXPECT_EQ(StripTrailingBackslashes("C:\\淺"), "C:\\淺");
    EXPECT_EQ(StripTrailingBackslashes("C:\\"), "C:");
    EXPECT_EQ(StripTrailingBackslashes("\\\\"), "");

    EXPECT_EQ(FindLastSeparator("a/淺"), 1u);
    EXPECT_EQ(FindLastSeparator("a\\b/c\\淺"), 5u);
    EXPECT_EQ(FindLastSeparator("淺"), std::string::npos);
}

TEST(Path, ProgramFileAndFolderAndTheCurrentFolderKeeper)
{
    const std::string program = ProgramFileName();
    ASSERT_GT(program.size(), 4u);
    EXPECT_EQ(program.substr(program.size() - 4), ".exe");
    EXPECT_EQ(::GetFileAttributesA(program.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // The test program's path holds no double-byte characters.
    EXPECT_EQ(ProgramFolder(), program.substr(0, program.rfind('\\')));
    EXPECT_NE(::GetFileAttributesA(ProgramFolder().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    const std::string before = CurrentFolder();
    ASSERT_FALSE(before.empty());
    TempDir temp;
    const std::string inner = temp / "淺";
    ASSERT_TRUE(::CreateDirectoryA(inner.c_str(), nullptr));
    {
        const CurrentFolderKeeper keeper;
        EXPECT_TRUE(keeper.saved());
        EXPECT_EQ(keeper.folder(), before);
        ASSERT_TRUE(::SetCurrentDirectoryA(inner.c_str()));
        EXPECT_EQ(StripTrailingBackslashes(CurrentFolder()), inner);
    }
    EXPECT_EQ(CurrentFolder(), before);
}

// One folder however it is spelt, and no other (whether the running
// uninstaller is the installation's own, whether a destination is the
// earlier installation).
TEST(Path, SameFolderIsRecognisedHoweverItIsSpelt)
{
    TempDir temp;
    const std::string install = temp / "ZEMLO V8";
    const std::string medium = temp / "Medium";
    testfs::MakeDirs(install);
    testfs::MakeDirs(medium);

    EXPECT_TRUE(winlib::IsSameFolder(install, install + "\\"));
    EXPECT_TRUE(winlib::IsSameFolder(install, temp / "zemlo v8"));
    EXPECT_TRUE(winlib::IsSameFolder(install, medium + "\\..\\ZEMLO V8"));
    EXPECT_FALSE(winlib::IsSameFolder(install, medium));
    // A folder that is not there compares by its text.
    EXPECT_TRUE(winlib::IsSameFolder(temp / "Gone", temp / "GONE\\"));
    EXPECT_FALSE(winlib::IsSameFolder(temp / "Gone", install));
}
