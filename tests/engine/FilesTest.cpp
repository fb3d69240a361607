// The worker's file steps one at a time: copying a folder tree, making the
// folders of a path, the loose files of the medium's root, the file
// listing, path joining and the install log's record operations.
#include "SetupThreadFixture.h"
#include "engine/Destination.h"

using testfs::CurrentFolder;
using testfs::Exists;
using testfs::IsDirectory;
using testfs::Sorted;

TEST_F(SetupThreadTest, CopyFolderTreeOverwritesClearsReadOnlyAndRecordsOnlyWhatCopied)
{
    PutMediumFile("Support\\a.lsp");
    testfs::MakeDirs(Install("Support\\a.lsp"));  // a folder of the same name blocks this copy
    PutMediumFile("Support\\b.lsp", "new");
    testfs::WriteFile(Install("Support\\b.lsp"), "old content");
    PutMediumFile("Support\\ro.lsp", "read-only");
    ASSERT_TRUE(::SetFileAttributesA(Medium("Support\\ro.lsp").c_str(), FILE_ATTRIBUTE_READONLY));
    PutMediumFile("Support\\示例\\c.txt", "nested");
    testfs::MakeDirs(Medium("Support\\空"));

    // The blocked file is put to the user, who goes on without it.
    script.answers.push_back({IDIGNORE, nullptr});
    ASSERT_TRUE(Copier().CopyFolderTree(Medium("Support"), Install("Support")));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONQUESTION));
    EXPECT_NE(script.prompts[0].text.find("不能复制文件 " + Medium("Support\\a.lsp") + "\n到 " + Install("Support\\a.lsp")),
              std::string::npos);
    EXPECT_EQ(Copier().IgnoredFiles(), 1);
    ::SetFileAttributesA(Medium("Support\\ro.lsp").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(testfs::ReadFile(Install("Support\\b.lsp")), "new");
    EXPECT_EQ(testfs::ReadFile(Install("Support\\示例\\c.txt")), "nested");
    EXPECT_TRUE(IsDirectory(Install("Support\\空")));
    // The copy takes the medium's read-only flag along; it must be gone so
    // that the product's files can be changed and uninstalled.
    EXPECT_EQ(testfs::ReadFile(Install("Support\\ro.lsp")), "read-only");
    EXPECT_EQ(testfs::Attributes(Install("Support\\ro.lsp")) & FILE_ATTRIBUTE_READONLY, 0u);
    // Called on the test thread itself, so the sends arrive directly (not
    // as sent from another thread). The blocked file is reported but not
    // recorded.
    Lines trace;
    for (const char* entry : {"Support\\a.lsp", "Support\\b.lsp", "Support\\ro.lsp", "Support\\示例\\c.txt", "Support\\示例",
                              "Support\\空"})
        trace.push_back(TraceLine(WM_SETUP_PROGRESS, false, Medium(entry), Install(entry)));
    EXPECT_EQ(window.Trace(), trace);
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + Install("Support"), "File Copy: " + Install("Support\\b.lsp"),
                                 "File Copy: " + Install("Support\\ro.lsp"), "Made Dir: " + Install("Support\\示例"),
                                 "File Copy: " + Install("Support\\示例\\c.txt"), "Made Dir: " + Install("Support\\空")}));
}

TEST_F(SetupThreadTest, CreateFolderPathMakesEveryLevelAndRecordsOneLine)
{
    // 淺 (9C 5C) must not be taken for a separator: no folder named after
    // its first byte may be attempted. Forward slashes separate too.
    const std::string path = temp / "淺\\嘰嘰/誠";
    ASSERT_TRUE(Copier().CreateFolderPath(path));
    EXPECT_TRUE(IsDirectory(temp / "淺\\嘰嘰\\誠"));
    EXPECT_EQ(Sorted(testfs::ListFolder(temp.path())), (Lines{"medium", "淺"}));
    EXPECT_EQ(testfs::ListFolder(temp / "淺"), (Lines{"嘰嘰"}));
    // Folders that exist already ask nothing but are recorded again.
    ASSERT_TRUE(Copier().CreateFolderPath(path + "\\"));
    EXPECT_TRUE(script.prompts.empty());
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + path, "Made Dir: " + path + "\\"}));
}

TEST_F(SetupThreadTest, CreateFolderPathAsksRetryOrCancelAtTheFirstLevelThatFails)
{
    // A file named like the parent folder blocks the creation.
    const std::string blocker = temp / "blocked";
    testfs::WriteFile(blocker, "file");
    script.answers.push_back({IDCANCEL, nullptr});
    EXPECT_FALSE(Copier().CreateFolderPath(blocker + "\\A\\B"));
    // The first level that fails is named, with the system's text for why.
    ::CreateDirectoryA((blocker + "\\A").c_str(), nullptr);
    const DWORD error = ::GetLastError();
    EXPECT_EQ(script.prompts,
              (std::vector<PromptRecord>{{CreateFailedText(error, blocker + "\\A"), MB_RETRYCANCEL | MB_ICONQUESTION}}));

    // Retry while still blocked asks again; once the way is clear it goes on.
    script.answers.push_back({IDRETRY, nullptr});
    script.answers.push_back({IDRETRY, [&] {
                                  testfs::RemoveTree(blocker);
                                  testfs::MakeDirs(blocker);
                              }});
    ASSERT_TRUE(Copier().CreateFolderPath(blocker + "\\Support"));
    EXPECT_EQ(script.prompts.size(), 3u);
    EXPECT_TRUE(IsDirectory(blocker + "\\Support"));
    // Only the path that was made is recorded, once it exists.
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + blocker + "\\Support"}));
}

TEST_F(SetupThreadTest, OverlongDestinationIsAFolderThatCannotBeCreated)
{
    // A destination of 260 characters or more does not fit the prefix
    // buffer; it is refused like any folder that cannot be made, never
    // written past the buffer.
    std::string path = temp.path();
    while (path.size() < 300)
        path += "\\abcdefghijklmnopqrstuvwxyz";
    script.answers.push_back({IDRETRY, nullptr});
    script.answers.push_back({IDCANCEL, nullptr});

    EXPECT_FALSE(Copier().CreateFolderPath(path));

    ASSERT_EQ(script.prompts.size(), 2u);
    // The box names a prefix that ends at a separator of the path.
    const std::string& text = script.prompts[0].text;
    const std::string lead = "不能创建文件夹 ";
    const std::size_t at = text.find(lead);
    ASSERT_NE(at, std::string::npos);
    const std::string named = text.substr(at + lead.size(), text.find(" ，", at) - at - lead.size());
    EXPECT_EQ(path.compare(0, named.size(), named), 0);
    EXPECT_TRUE(named.size() == path.size() || path[named.size()] == '\\');
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SetupThreadTest, TheLimitOfAFolderPathIsInCharactersNotBytes)
{
    // 土 is two bytes in GBK: this path has more than 260 bytes but fewer
    // than 259 characters, which is what the system's limit counts.
    std::string path = temp.path() + "\\";
    for (int i = 0; i < 120; ++i)
        path += "土";
    ASSERT_GT(path.size(), 260u);
    ASSERT_LT(engine::PathCharacters(path), 200u);
    ASSERT_TRUE(Copier().CreateFolderPath(path + "\\Support"));
    EXPECT_TRUE(IsDirectory(path + "\\Support"));
    EXPECT_TRUE(script.prompts.empty());
}

TEST_F(SetupThreadTest, FileWhosePathWouldPassTheLimitIsAskedAboutNeverCopied)
{
    // The folder fits, the file's path in it would not: Wine copies to such
    // a path, Windows does not, and the uninstaller could not delete it.
    std::string folder = temp.path() + "\\";
    while (folder.size() < 240)
        folder += "abcdefghij";
    const std::string name = std::string(30, 'n') + ".txt";
    PutMediumFile(name, "long");
    script.answers.push_back({IDIGNORE, nullptr});
    SetInstallDir(folder + "\\");
    ASSERT_TRUE(Copier().CreateFolderPath(folder));
    EXPECT_TRUE(Copier().CopyTopLevelFiles(m_medium, m_install));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].text.find(winlib::FormatSystemMessage(ERROR_FILENAME_EXCED_RANGE)), 0u);
    EXPECT_FALSE(Exists(folder + "\\" + name));
    EXPECT_EQ(LogLines(), (Lines{"Made Dir: " + folder}));
}

TEST_F(SetupThreadTest, RootFilesAreCopiedButSetupTheIconHiddenAndFailuresAskedAbout)
{
    PutMediumFile("Setup.Exe", "MZ");
    PutMediumFile("zemlov8.0.ICO", "icon");
    PutMediumFile("readme.txt", "text");
    PutMediumFile("zemlo.url", "url");
    // A folder of that name in the destination blocks the copy: the user
    // is asked, goes on without it, and it is neither recorded (Uninstall
    // would delete whatever stands there) nor made.
    testfs::MakeDirs(Install("zemlo.url"));
    script.answers.push_back({IDIGNORE, nullptr});

    EXPECT_TRUE(Copier().CopyTopLevelFiles(m_medium, m_install));

    EXPECT_FALSE(Exists(Install("Setup.Exe")));
    EXPECT_EQ(testfs::ReadFile(Install("zemlov8.0.ICO")), "icon");
    EXPECT_EQ(testfs::AttributesWithoutArchive(Install("zemlov8.0.ICO")), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(testfs::Attributes(Install("readme.txt")) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(Sorted(LogLines()), (Lines{"File Copy: " + Install("readme.txt"), "File Copy: " + Install("zemlov8.0.ICO")}));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_NE(script.prompts[0].text.find(Install("zemlo.url")), std::string::npos);
    EXPECT_EQ(Copier().IgnoredFiles(), 1);

    // Abort (the unscripted answer) at the same question stops the copy
    // with failure.
    engine::InstallRecord record;
    engine::Backups backups(m_install);
    engine::TreeCopier aborted(host, record, backups);
    EXPECT_FALSE(aborted.CopyTopLevelFiles(m_medium, m_install));
    EXPECT_EQ(script.prompts.size(), 2u);
}

TEST_F(SetupThreadTest, CreateFolderPathSkipsEmptyNamesAndTheServerAndShareOfANetworkPath)
{
    // Doubled separators name no folder of their own.
    const std::string doubled = temp.path() + "\\\\Dbl\\\\Bs\\\\";
    ASSERT_TRUE(Copier().CreateFolderPath(doubled));
    EXPECT_TRUE(IsDirectory(temp / "Dbl\\Bs"));
    EXPECT_TRUE(script.prompts.empty());
    // Neither the server nor the share of a network path is made: the
    // first folder attempted is the one below the share (here the share
    // cannot be reached, so that is the one the question names).
    EXPECT_FALSE(Copier().CreateFolderPath("\\\\zemlo-no-such-server\\share\\ZEMLO"));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_NE(script.prompts[0].text.find("不能创建文件夹 \\\\zemlo-no-such-server\\share\\ZEMLO ，"), std::string::npos)
        << script.prompts[0].text;
}

TEST_F(SetupThreadTest, ListFilesListsOnlyMatchingFilesAndLeavesTheCurrentFolder)
{
    for (const char* name : {"a.ocx", "b.txt", "c.OCX", "sub.ocx\\inner.ocx"})  // sub.ocx: a folder that matches
        PutMediumFile(name);
    // The current folder holds a matching file: it may never be listed in
    // place of a missing folder's.
    testfs::WriteFile(temp / "cwd\\decoy.ocx", "x");
    const std::string before = CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA((temp / "cwd").c_str()));

    std::vector<std::string> names = {"stale entry"};
    engine::TreeCopier::ListFiles(Medium(), "*.ocx", names);
    EXPECT_EQ(Sorted(names), (Lines{"a.ocx", "c.OCX"}));
    EXPECT_EQ(CurrentFolder(), temp / "cwd");
    engine::TreeCopier::ListFiles(temp / "missing", "*.ocx", names);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(CurrentFolder(), temp / "cwd");
    ::SetCurrentDirectoryA(before.c_str());
}
