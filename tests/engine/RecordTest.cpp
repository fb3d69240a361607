// The record of a large installation: the text kept in fixed blocks that
// never move, the install log written from several blocks, and the
// rollback of more created files than one block holds (their paths kept
// once, in their log lines), past the files that were there before.
#include "FileHelpers.h"
#include "TempDir.h"
#include "engine/ChunkedText.h"
#include "engine/InstallRecord.h"
#include "winlib/StdioFile.h"

#include <gtest/gtest.h>

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
