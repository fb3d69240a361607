// The record of a large installation: the text kept in fixed blocks that
// never move, the install log written from several blocks, and the
// rollback of more created files than one block holds (their paths kept
// once, in their log lines), past the files that were there before.
#include "FileHelpers.h"
#include "SetupThreadFixture.h"
#include "TempDir.h"
#include "engine/ChunkedText.h"
#include "engine/InstallRecord.h"
#include "winlib/StdioFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

using engine::ChunkedText;

TEST(ChunkedText, PiecesStayWhereTheyWereStoredAndNeverStraddleTwoBlocks)
{
    ChunkedText text;
    EXPECT_TRUE(text.empty());
    std::string expected;
    std::vector<std::pair<std::string_view, std::string>> stored;
    // Lines of 1 to 199 bytes, several blocks' worth.
    for (int i = 0; expected.size() < 3 * ChunkedText::kBlockSize; ++i) {
        const std::string line = std::string(static_cast<std::size_t>(i % 199), 'a' + static_cast<char>(i % 26)) + "\n";
        stored.emplace_back(text.Append({"", line}), line);
        expected += line;
    }
    // Every view still shows its bytes: nothing moved while the text grew.
    for (const auto& [view, line] : stored)
        ASSERT_EQ(view, line);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_EQ(text.str(), expected);
    ASSERT_GE(text.Blocks().size(), 4u);
    for (const std::string& block : text.Blocks()) {
        EXPECT_LE(block.size(), ChunkedText::kBlockSize);
        EXPECT_EQ(block.back(), '\n');  // each block ends on a whole line
    }

    // A piece longer than a block gets one of its own; pieces join.
    const std::string big(ChunkedText::kBlockSize + 10, 'x');
    EXPECT_EQ(text.Append({"File Copy: ", big, "\n"}), "File Copy: " + big + "\n");
    EXPECT_EQ(text.Blocks().back(), "File Copy: " + big + "\n");
    EXPECT_EQ(text.str(), expected + "File Copy: " + big + "\n");

    text.clear();
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(text.Blocks().empty());
    EXPECT_EQ(text.Append("next"), "next");
    EXPECT_EQ(text.str(), "next");
}

TEST(InstallRecord, ALargeRunIsWrittenWholeAndUndoneWhole)
{
    // 1,500 files of 150-character paths: the log and the paths of the
    // changes fill several blocks each.
    TempDir temp;
    engine::InstallRecord record;
    std::vector<std::string> files, before;
    std::string expected;
    const std::string folder = temp / "安装";
    testfs::MakeDirs(folder);
    record.Journal().FolderMade(folder);
    ASSERT_TRUE(record.Log().Add(installlog::kMadeDir, folder));
    expected += "Made Dir: " + folder + "\n";
    for (int i = 0; i < 1500; ++i) {
        std::string name = std::to_string(i);
        name = folder + "\\" + std::string(150 - folder.size() - name.size() - 5, 'f') + name + ".dat";
        testfs::WriteFile(name, "x");
        // Every hundredth file was there before the run: logged, but not
        // the run's to delete.
        const bool created = i % 100 != 0;
        ASSERT_TRUE(record.FileWritten(name, !created));
        expected += "File Copy: " + name + "\n";
        (created ? files : before).push_back(name);
    }
    EXPECT_EQ(record.Journal().Size(), 1 + files.size());
    EXPECT_EQ(record.Log().str(), expected);

    const std::string log = temp / "Uninstall.log";
    CFileException error;
    ASSERT_TRUE(record.Log().WriteTo(log, error));
    std::string onDisk;
    for (const char c : expected) {
        if (c == '\n')
            onDisk += '\r';
        onDisk += c;
    }
    EXPECT_EQ(testfs::ReadFile(log), onDisk);

    // The files of before keep the folder: it cannot go, and says so.
    EXPECT_EQ(record.Journal().Undo(nullptr), std::vector<std::string>{folder});
    EXPECT_EQ(record.Journal().Size(), 0u);
    for (const std::string& file : files)
        ASSERT_FALSE(testfs::Exists(file)) << file;
    for (const std::string& file : before)
        EXPECT_TRUE(testfs::Exists(file)) << file;
    // What is undone is forgotten: a second rollback has nothing to do.
    EXPECT_TRUE(record.Journal().Undo(nullptr).empty());
}

// What a value held comes back exactly: its type and its bytes, also when
// the run wrote another type over it and when its text lies outside the
// ANSI code page (the ANSI functions would bring back "?"); a value that
// was missing goes, keys the run made go innermost first, and a key that
// somebody else filled meanwhile stays and is named.
TEST(ChangeJournal, ValuesComeBackWithTheirTypeAndBytesAndOnlyEmptyMadeKeysGo)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    const char key[] = "Software\\Held";
    const std::wstring wideKey = L"Software\\Held";
    // U+D55C and U+0151 have no GBK form.
    const std::wstring text = L"\xD55C\x0151 C:\\Program Files";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, wideKey.c_str(), L"Text", REG_SZ, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const DWORD number = 0x01020304;
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key, "Number", REG_DWORD, &number, sizeof(number)), ERROR_SUCCESS);
    const char multi[] = "a\0b\0";
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key, "Multi", REG_MULTI_SZ, multi, sizeof(multi)), ERROR_SUCCESS);
    const Lines before = testreg::Dump(HKEY_CURRENT_USER);

    engine::ChangeJournal journal;
    EXPECT_EQ(journal.WriteString(HKEY_CURRENT_USER, key, "Text", "新的"), ERROR_SUCCESS);
    EXPECT_EQ(journal.WriteString(HKEY_CURRENT_USER, key, "Number", "now a text"), ERROR_SUCCESS);
    EXPECT_EQ(journal.WriteDword(HKEY_CURRENT_USER, key, "Multi", 7), ERROR_SUCCESS);
    EXPECT_EQ(journal.WriteString(HKEY_CURRENT_USER, key, "New", "x"), ERROR_SUCCESS);
    EXPECT_EQ(journal.WriteDword(HKEY_CURRENT_USER, "Software\\Made\\Deeper", "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(journal.WriteDword(HKEY_CURRENT_USER, "Software\\Filled\\Inner", "v", 1), ERROR_SUCCESS);
    // Another program puts a value of its own into a key the run made.
    ASSERT_TRUE(testreg::Put(HKEY_CURRENT_USER, "Software\\Filled", "theirs", "kept"));
    EXPECT_EQ(journal.Size(), 10u);  // six values, four keys made

    EXPECT_EQ(journal.Undo(nullptr), std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Filled"});
    Lines after = testreg::Dump(HKEY_CURRENT_USER);
    const std::vector<std::string> theirs = {"Software\\Filled", "Software\\Filled|theirs|1|6B65707400"};
    for (const std::string& line : theirs) {
        const auto at = std::find(after.begin(), after.end(), line);
        ASSERT_NE(at, after.end()) << line;
        after.erase(at);
    }
    EXPECT_EQ(after, before);
    wchar_t back[64] = {};
    DWORD size = sizeof(back);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, wideKey.c_str(), L"Text", RRF_RT_REG_SZ, nullptr, back, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(back), text);
    EXPECT_EQ(journal.Size(), 0u);
}
