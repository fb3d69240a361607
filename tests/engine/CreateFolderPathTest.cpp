// Making the folders of a destination path, with the creation-failure
// question.
#include "PromptTexts.h"
#include "SetupThreadFixture.h"

#include <algorithm>

using testfs::Exists;
using testfs::IsDirectory;

namespace {
using Lines = std::vector<std::string>;
}

TEST_F(SetupThreadTest, CreateFolderPathMakesEveryMissingLevelAndRecordsOneLine)
{
    const std::string path = temp / "A\\B\\Support";
    ASSERT_TRUE(thread.CreateFolderPath(path));
    EXPECT_TRUE(IsDirectory(temp / "A"));
    EXPECT_TRUE(IsDirectory(temp / "A\\B"));
    EXPECT_TRUE(IsDirectory(path));
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + path}));
    EXPECT_TRUE(thread.prompts.empty());
}

TEST_F(SetupThreadTest, CreateFolderPathOfExistingFoldersShowsNothingButStillRecords)
{
    const std::string path = temp / "A\\B";
    testfs::MakeDirs(path);
    ASSERT_TRUE(thread.CreateFolderPath(path));
    ASSERT_TRUE(thread.CreateFolderPath(path + "\\"));
    EXPECT_TRUE(thread.prompts.empty());
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + path, "Made Dir: " + path + "\\"}));
}

TEST_F(SetupThreadTest, CreateFolderPathTakesForwardSlashesAsSeparators)
{
    const std::string path = temp.path() + "/x/y";
    ASSERT_TRUE(thread.CreateFolderPath(path));
    EXPECT_TRUE(IsDirectory(temp / "x\\y"));
    EXPECT_TRUE(thread.prompts.empty());
}

TEST_F(SetupThreadTest, CreateFolderPathRetriesUntilTheFolderCanBeMade)
{
    // A file named like the parent folder blocks the creation.
    const std::string blocker = temp / "blocked";
    testfs::WriteFile(blocker, "file");
    thread.answers.push_back({IDRETRY, nullptr});  // still blocked: a second box
    thread.answers.push_back({IDRETRY, [&] {
                                  testfs::RemoveTree(blocker);
                                  testfs::MakeDirs(blocker);
                              }});

    ASSERT_TRUE(thread.CreateFolderPath(blocker + "\\Support"));

    ASSERT_EQ(thread.prompts.size(), 2u);
    for (const PromptRecord& prompt : thread.prompts) {
        EXPECT_EQ(prompt.type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
        EXPECT_NE(prompt.text.find("不能创建文件夹 " + blocker + "\\Support ，"), std::string::npos)
            << prompt.text;
    }
    EXPECT_TRUE(IsDirectory(blocker + "\\Support"));
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + blocker + "\\Support"}));
}

TEST_F(SetupThreadTest, CreateFolderPathCancelGivesUp)
{
    const std::string blocker = temp / "blocked";
    testfs::WriteFile(blocker, "file");
    thread.answers.push_back({IDCANCEL, nullptr});

    EXPECT_FALSE(thread.CreateFolderPath(blocker + "\\A\\B"));

    ASSERT_EQ(thread.prompts.size(), 1u);
    // The first level that fails is named, with the system's text for why.
    const DWORD error = [&] {
        ::CreateDirectoryA((blocker + "\\A").c_str(), nullptr);
        return ::GetLastError();
    }();
    EXPECT_EQ(thread.prompts[0].text, CreateFailedText(error, blocker + "\\A"));
    EXPECT_FALSE(Exists(blocker + "\\A\\B"));
}

TEST_F(SetupThreadTest, CreateFolderPathHandlesGbkTrailBackslashes)
{
    // 淺 (9C 5C) must not be taken for a separator: no folder named after
    // its first byte may be attempted.
    const std::string path = temp / "淺\\嘰嘰\\誠";
    ASSERT_TRUE(thread.CreateFolderPath(path));
    EXPECT_TRUE(IsDirectory(temp / "淺"));
    EXPECT_TRUE(IsDirectory(temp / "淺\\嘰嘰"));
    EXPECT_TRUE(IsDirectory(path));
    Lines top = testfs::ListFolder(temp.path());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (Lines{"medium", "淺"}));
    EXPECT_TRUE(thread.prompts.empty());
}

TEST_F(SetupThreadTest, OverlongDestinationIsAFolderThatCannotBeCreated)
{
    // A destination of 260 characters or more does not fit the prefix
    // buffer; it is refused like any folder that cannot be made, never
    // written past the buffer.
    std::string path = temp.path();
    while (path.size() < 300)
        path += "\\abcdefghijklmnopqrstuvwxyz";
    thread.answers.push_back({IDRETRY, nullptr});
    thread.answers.push_back({IDCANCEL, nullptr});

    EXPECT_FALSE(thread.CreateFolderPath(path));

    ASSERT_EQ(thread.prompts.size(), 2u);
    EXPECT_EQ(thread.prompts[0].type, 0x25u);
    // The box names a prefix that ends at a separator of the path.
    const std::string& text = thread.prompts[0].text;
    const std::size_t at = text.find("不能创建文件夹 ");
    ASSERT_NE(at, std::string::npos);
    const std::size_t nameStart = at + std::string("不能创建文件夹 ").size();
    const std::string named = text.substr(nameStart, text.find(" ，", nameStart) - nameStart);
    EXPECT_EQ(path.compare(0, named.size(), named), 0);
    EXPECT_TRUE(named.size() == path.size() || path[named.size()] == '\\');
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + path}));
}

TEST_F(SetupThreadTest, OverlongInstallFolderFailsTheRunCleanly)
{
    std::string dest = temp.path();
    while (dest.size() < 270)
        dest += "\\0123456789";
    m_install = dest + "\\";
    thread.m_strInstallDir = m_install;
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp");

    RunInstall();

    ASSERT_EQ(thread.prompts.size(), 1u);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 0);
}
